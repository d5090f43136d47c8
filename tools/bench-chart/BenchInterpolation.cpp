// Interpolating a million points beside GSL: one iteration builds the curve
// through 10^6 uneven points and evaluates it at 10^6 ascending X (as a
// function series samples its display range). GSL's cubic spline is the
// natural one; ours is not-a-knot, which costs the same.
#include "BenchChart.h"

#include "chart/analysis/GvInterpolationCalculations.h"

#include <cmath>
#include <vector>

#ifdef VERDANE_HAVE_GSL
#include <gsl/gsl_errno.h>
#include <gsl/gsl_interp.h>
#endif

namespace {

constexpr std::size_t Points = 1000000;

struct TBenchData
{
  std::vector<double> X, Y, Q;
  TBenchData() : X(Points), Y(Points), Q(Points)
  {
    for (std::size_t I = 0; I < Points; ++I) {
      const double T = double(I);
      X[I] = T + 0.5 * std::sin(T);
      Y[I] = std::sin(X[I] / 1000) + 0.1 * std::sin(X[I]);
    }
    const double Step = (X.back() - X.front()) / double(Points);
    for (std::size_t I = 0; I < Points; ++I) Q[I] = X.front() + (double(I) + 0.5) * Step;
  }
};

const TBenchData& Data()
{
  static const TBenchData D;
  return D;
}

void InterpolateVerdane(benchmark::State& State, TGvInterpolationMethod Method)
{
  const TBenchData& D = Data();
  std::vector<double> Out(Points);
  for (auto _ : State) {
    TGvInterpolationCalculation Calc;
    Calc.SetInterpolationMethod(Method);
    TGvCalculationData In;
    In.X = D.X;
    In.Y = D.Y;
    Calc.Calculate(In);
    for (std::size_t I = 0; I < Points; ++I) Out[I] = Calc.Interpolate(D.Q[I]);
    benchmark::DoNotOptimize(Out.data());
    benchmark::ClobberMemory();
  }
}

#ifdef VERDANE_HAVE_GSL
void InterpolateAnchor(benchmark::State& State, const gsl_interp_type* Type)
{
  const TBenchData& D = Data();
  std::vector<double> Out(Points);
  for (auto _ : State) {
    gsl_interp* Interp = gsl_interp_alloc(Type, Points);
    gsl_interp_accel* Acc = gsl_interp_accel_alloc();
    gsl_interp_init(Interp, D.X.data(), D.Y.data(), Points);
    for (std::size_t I = 0; I < Points; ++I)
      Out[I] = gsl_interp_eval(Interp, D.X.data(), D.Y.data(), D.Q[I], Acc);
    benchmark::DoNotOptimize(Out.data());
    benchmark::ClobberMemory();
    gsl_interp_accel_free(Acc);
    gsl_interp_free(Interp);
  }
}
#endif

} // namespace

BENCHMARK_CAPTURE(InterpolateVerdane, akima, TGvInterpolationMethod::Akima)
    ->Name("akima_1e6/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(InterpolateVerdane, spline, TGvInterpolationMethod::CubicSpline)
    ->Name("spline_1e6/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#ifdef VERDANE_HAVE_GSL
BENCHMARK_CAPTURE(InterpolateAnchor, akima, gsl_interp_akima)
    ->Name("akima_1e6/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(InterpolateAnchor, spline, gsl_interp_cspline)
    ->Name("spline_1e6/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#else
VERDANE_ANCHOR_SKIPPED("akima_1e6", "GSL was not found when the benchmark was built (libgsl-dev)");
VERDANE_ANCHOR_SKIPPED("spline_1e6", "GSL was not found when the benchmark was built (libgsl-dev)");
#endif
