// Fits beside GSL: a degree-3 polynomial over a million points beside
// gsl_multifit_linear, and the Misra1a simplex fit from its first starting
// values beside gsl_multimin's Nelder-Mead.
#include "BenchChart.h"

#include "chart/analysis/GvFitting.h"
#include "chart/analysis/GvPolynomial.h"

#include <cmath>
#include <random>
#include <vector>

#ifdef VERDANE_HAVE_GSL
#include <gsl/gsl_multifit.h>
#include <gsl/gsl_multimin.h>
#endif

namespace {

constexpr int PolyPoints = 1000000;
constexpr int PolyDegree = 3;
constexpr int SimplexIterations = 1000;

struct TPolyData
{
  std::vector<double> X, Y;
  TPolyData() : X(PolyPoints), Y(PolyPoints)
  {
    std::mt19937 Gen(19);
    std::normal_distribution<double> Noise(0.0, 0.1);
    for (int I = 0; I < PolyPoints; ++I) {
      const double Xv = -2.0 + 4.0 * I / (PolyPoints - 1);
      X[I] = Xv;
      Y[I] = 1.0 - 0.5 * Xv + 0.25 * Xv * Xv - 0.125 * Xv * Xv * Xv + Noise(Gen);
    }
  }
};

const TPolyData& PolyData()
{
  static const TPolyData Data;
  return Data;
}

const double MisraX[] = {77.6,  114.9, 141.1, 190.8, 239.9, 289.0, 332.8,
                         378.4, 434.8, 477.3, 536.8, 593.1, 689.1, 760.0};
const double MisraY[] = {10.07, 14.73, 17.94, 23.93, 29.61, 35.18, 40.02,
                         44.82, 50.76, 55.05, 61.01, 66.40, 75.47, 81.78};

} // namespace

static void polyfit_1e6_verdane(benchmark::State& State)
{
  const TPolyData& D = PolyData();
  for (auto _ : State) {
    TGvPolynomialCalculation C;
    C.SetOrder(PolyDegree);
    TGvCalculationData P;
    P.X = D.X;
    P.Y = D.Y;
    C.Calculate(P);
    benchmark::DoNotOptimize(C.Coeffs().data());
  }
}
BENCHMARK(polyfit_1e6_verdane)
    ->Name("polyfit_1e6/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

static void simplex_misra1a_verdane(benchmark::State& State)
{
  for (auto _ : State) {
    TGvSimplexFit F;
    F.SetFittingFunction([](const TGvFittingFunctionArgs& A) {
      return A.Coefficients[0] * (1 - std::exp(-A.Coefficients[1] * A.X));
    });
    const double Start[] = {500, 1e-4};
    F.SetCoefs(Start);
    F.SetIterations(SimplexIterations);
    TGvCalculationData P;
    P.X = MisraX;
    P.Y = MisraY;
    F.Calculate(P);
    benchmark::DoNotOptimize(F.SumOfResiduals());
  }
}
BENCHMARK(simplex_misra1a_verdane)
    ->Name("simplex_misra1a/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#ifdef VERDANE_HAVE_GSL

// The design matrix is built inside the timed loop, as the fit above builds
// its rows; the statistics come from the residual sum GSL returns.
static void polyfit_1e6_anchor(benchmark::State& State)
{
  const TPolyData& D = PolyData();
  const int P = PolyDegree + 1;
  for (auto _ : State) {
    gsl_matrix* X = gsl_matrix_alloc(PolyPoints, P);
    gsl_vector* Y = gsl_vector_alloc(PolyPoints);
    gsl_vector* C = gsl_vector_alloc(P);
    gsl_matrix* Cov = gsl_matrix_alloc(P, P);
    for (int I = 0; I < PolyPoints; ++I) {
      double Pow = 1;
      for (int J = 0; J < P; ++J) {
        gsl_matrix_set(X, I, J, Pow);
        Pow *= D.X[I];
      }
      gsl_vector_set(Y, I, D.Y[I]);
    }
    gsl_multifit_linear_workspace* Work = gsl_multifit_linear_alloc(PolyPoints, P);
    double ChiSq = 0;
    gsl_multifit_linear(X, Y, C, Cov, &ChiSq, Work);
    benchmark::DoNotOptimize(ChiSq);
    gsl_multifit_linear_free(Work);
    gsl_matrix_free(Cov);
    gsl_vector_free(C);
    gsl_vector_free(Y);
    gsl_matrix_free(X);
  }
}
BENCHMARK(polyfit_1e6_anchor)
    ->Name("polyfit_1e6/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

namespace {
double MisraSumOfSquares(const gsl_vector* B, void*)
{
  const double B1 = gsl_vector_get(B, 0), B2 = gsl_vector_get(B, 1);
  double S = 0;
  for (int I = 0; I < 14; ++I) {
    const double R = MisraY[I] - B1 * (1 - std::exp(-B2 * MisraX[I]));
    S += R * R;
  }
  return S;
}
} // namespace

// Nelder-Mead from the same start, with the same first steps (1.05 times each
// coefficient), for the same number of iterations.
static void simplex_misra1a_anchor(benchmark::State& State)
{
  for (auto _ : State) {
    gsl_multimin_function F{MisraSumOfSquares, 2, nullptr};
    gsl_vector* X = gsl_vector_alloc(2);
    gsl_vector* Step = gsl_vector_alloc(2);
    gsl_vector_set(X, 0, 500);
    gsl_vector_set(X, 1, 1e-4);
    gsl_vector_set(Step, 0, 500 * 1.05);
    gsl_vector_set(Step, 1, 1e-4 * 1.05);
    gsl_multimin_fminimizer* M =
        gsl_multimin_fminimizer_alloc(gsl_multimin_fminimizer_nmsimplex2, 2);
    gsl_multimin_fminimizer_set(M, &F, X, Step);
    for (int I = 0; I <= SimplexIterations; ++I)
      if (gsl_multimin_fminimizer_iterate(M) != GSL_SUCCESS) break;
    benchmark::DoNotOptimize(M->fval);
    gsl_multimin_fminimizer_free(M);
    gsl_vector_free(Step);
    gsl_vector_free(X);
  }
}
BENCHMARK(simplex_misra1a_anchor)
    ->Name("simplex_misra1a/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#else
VERDANE_ANCHOR_SKIPPED("polyfit_1e6",
                       "GSL was not found when the benchmark was built (libgsl-dev)");
VERDANE_ANCHOR_SKIPPED("simplex_misra1a",
                       "GSL was not found when the benchmark was built (libgsl-dev)");
#endif
