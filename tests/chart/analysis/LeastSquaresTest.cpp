// Linear regression, general linear least squares and polynomial fits: the
// certified reference datasets, the worked cases and the degenerate data.
#include "chart/analysis/GvGeneralLinearLeastSquares.h"
#include "chart/analysis/GvLinearRegression.h"
#include "chart/analysis/GvPolynomial.h"

#include "FitNistData.h"
#include "FitTestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

namespace {

using FitTest::Digits;
using FitTest::ExpectDigits;
using FitTest::Points;

// ---- Certified datasets -----------------------------------------------------

TEST(RegressionCertified, NorrisStraightLine)
{
  const std::vector<double> X(std::begin(Nist::NorrisX), std::end(Nist::NorrisX));
  const std::vector<double> Y(std::begin(Nist::NorrisY), std::end(Nist::NorrisY));
  TGvLinearRegressionCalculation R;
  R.Calculate(Points(X, Y));
  ExpectDigits("Norris b0", R.Offset(), Nist::NorrisB[0], 12);
  ExpectDigits("Norris b1", R.Slope(), Nist::NorrisB[1], 12);
  ExpectDigits("Norris sd b0", R.DeltaOffset(), Nist::NorrisSD[0], 12);
  ExpectDigits("Norris sd b1", R.DeltaSlope(), Nist::NorrisSD[1], 12);
  ExpectDigits("Norris residual SS", R.SumOfResiduals(), Nist::NorrisResidualSS, 10);
}

TEST(RegressionCertified, NoInterceptLinesThroughTheOrigin)
{
  struct TCase
  {
    const char* Name;
    std::vector<double> X, Y;
    double B, SD, Ssr;
  };
  const TCase Cases[] = {
      {"NoInt1", {std::begin(Nist::NoInt1X), std::end(Nist::NoInt1X)},
       {std::begin(Nist::NoInt1Y), std::end(Nist::NoInt1Y)}, Nist::NoInt1B, Nist::NoInt1SD,
       Nist::NoInt1ResidualSS},
      {"NoInt2", {std::begin(Nist::NoInt2X), std::end(Nist::NoInt2X)},
       {std::begin(Nist::NoInt2Y), std::end(Nist::NoInt2Y)}, Nist::NoInt2B, Nist::NoInt2SD,
       Nist::NoInt2ResidualSS},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TGvLinearRegressionCalculation R;
    R.SetFixedOffset(true);
    R.SetOffset(0);
    R.Calculate(Points(C.X, C.Y));
    ExpectDigits(std::string(C.Name) + " b1", R.Slope(), C.B, 13);
    ExpectDigits(std::string(C.Name) + " sd b1", R.DeltaSlope(), C.SD, 13);
    ExpectDigits(std::string(C.Name) + " residual SS", R.SumOfResiduals(), C.Ssr, 12);
    EXPECT_EQ(R.DeltaOffset(), 0);
  }
}

// Compares a least-squares result with certified coefficients and standard
// deviations. DeltaCoeffs are the square roots of the diagonal of the inverse
// normal matrix; the certified standard deviations carry the residual scatter.
void ExpectCertified(const std::string& Name, const TGvCustomGeneralLinearLeastSquaresCalculation& C,
                     const double* B, const double* SD, double ResidualSS, double ResidualSD,
                     int N, double MinB, double MinSD, double MinSS)
{
  const int P = C.Order() + 1;
  const double S = std::sqrt(C.SumOfResiduals() / (N - P));
  for (int I = 0; I < P; ++I) {
    ExpectDigits(Name + " b" + std::to_string(I), C.Coeffs()[I], B[I], MinB);
    if (SD) ExpectDigits(Name + " sd" + std::to_string(I), C.DeltaCoeffs()[I] * S, SD[I], MinSD);
  }
  if (ResidualSS >= 0) ExpectDigits(Name + " residual SS", C.SumOfResiduals(), ResidualSS, MinSS);
  if (ResidualSD >= 0) ExpectDigits(Name + " residual SD", S, ResidualSD, MinSS);
}

TEST(PolynomialCertified, PontiusQuadratic)
{
  const std::vector<double> X(std::begin(Nist::PontiusX), std::end(Nist::PontiusX));
  const std::vector<double> Y(std::begin(Nist::PontiusY), std::end(Nist::PontiusY));
  TGvPolynomialCalculation C;
  C.SetOrder(2);
  C.Calculate(Points(X, Y));
  ExpectCertified("Pontius", C, Nist::PontiusB, Nist::PontiusSD, Nist::PontiusResidualSS, -1,
                  int(X.size()), 12, 11, 11);
}

TEST(PolynomialCertified, FilipDegreeTen)
{
  const std::vector<double> X(std::begin(Nist::FilipX), std::end(Nist::FilipX));
  const std::vector<double> Y(std::begin(Nist::FilipY), std::end(Nist::FilipY));
  TGvPolynomialCalculation C;
  C.SetOrder(10);
  C.Calculate(Points(X, Y));
  EXPECT_EQ(C.Rank(), 11);
  ExpectCertified("Filip", C, Nist::FilipB, Nist::FilipSD, Nist::FilipResidualSS, -1,
                  int(X.size()), 10, 10, 10);
}

TEST(PolynomialCertified, WamplerDegreeFive)
{
  struct TCase
  {
    const char* Name;
    const double* Y;
    const double* B;
    const double* SD;
    double ResidualSD;
    double MinB, MinSD;
  };
  const TCase Cases[] = {
      {"Wampler1", Nist::Wampler1Y, Nist::Wampler1B, nullptr, 0, 12.5, 0},
      {"Wampler2", Nist::Wampler2Y, Nist::Wampler2B, nullptr, 0, 12.5, 0},
      {"Wampler3", Nist::Wampler3Y, Nist::Wampler3B, Nist::Wampler3SD, Nist::Wampler3ResidualSD,
       12.5, 14},
      {"Wampler5", Nist::Wampler5Y, Nist::Wampler5B, Nist::Wampler5SD, Nist::Wampler5ResidualSD,
       9.5, 14},
  };
  std::vector<double> X(21);
  for (int I = 0; I < 21; ++I) X[I] = I;
  for (const TCase& T : Cases) {
    SCOPED_TRACE(T.Name);
    const std::vector<double> Y(T.Y, T.Y + 21);
    TGvPolynomialCalculation C;
    C.SetOrder(5);
    C.Calculate(Points(X, Y));
    ExpectCertified(T.Name, C, T.B, T.SD, -1, T.SD ? T.ResidualSD : -1, 21, T.MinB, T.MinSD,
                    T.MinSD);
    if (!T.SD) {
      // A perfect fit: the residuals vanish to rounding.
      EXPECT_LT(std::sqrt(C.SumOfResiduals() / 15), 1e-9 * std::fabs(T.Y[20]));
      FitTest::Report(std::string(T.Name) + " residual SD", std::sqrt(C.SumOfResiduals() / 15));
    }
  }
}

TEST(GeneralLinearCertified, LongleyMultipleRegressionThroughTheBasis)
{
  // X holds the row number; the basis hands out that row's predictors.
  constexpr int Rows = 16, Cols = 7;
  std::vector<double> X(Rows);
  for (int I = 0; I < Rows; ++I) X[I] = I;
  const std::vector<double> Y(std::begin(Nist::LongleyY), std::end(Nist::LongleyY));
  TGvGeneralLinearLeastSquaresCalculation C;
  C.SetOrder(Cols - 1);
  C.SetBasisFunction([](const TGvGeneralLinearFittingArgs& A) {
    return Nist::LongleyX[int(std::lround(A.X)) * Cols + A.Index];
  });
  C.Calculate(Points(X, Y));
  ExpectCertified("Longley", C, Nist::LongleyB, Nist::LongleySD, Nist::LongleyResidualSS, -1,
                  Rows, 11, 11, 11);
}

} // namespace
