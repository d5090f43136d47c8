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
#include <functional>
#include <limits>
#include <string>
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
      {"NoInt1",
       {std::begin(Nist::NoInt1X), std::end(Nist::NoInt1X)},
       {std::begin(Nist::NoInt1Y), std::end(Nist::NoInt1Y)},
       Nist::NoInt1B,
       Nist::NoInt1SD,
       Nist::NoInt1ResidualSS},
      {"NoInt2",
       {std::begin(Nist::NoInt2X), std::end(Nist::NoInt2X)},
       {std::begin(Nist::NoInt2Y), std::end(Nist::NoInt2Y)},
       Nist::NoInt2B,
       Nist::NoInt2SD,
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
void ExpectCertified(const std::string& Name,
                     const TGvCustomGeneralLinearLeastSquaresCalculation& C, const double* B,
                     const double* SD, double ResidualSS, double ResidualSD, int N, double MinB,
                     double MinSD, double MinSS)
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
  ExpectCertified("Filip", C, Nist::FilipB, Nist::FilipSD, Nist::FilipResidualSS, -1, int(X.size()),
                  10, 10, 10);
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
  ExpectCertified("Longley", C, Nist::LongleyB, Nist::LongleySD, Nist::LongleyResidualSS, -1, Rows,
                  11, 11, 11);
}

// ---- Linear regression ----------------------------------------------------------

std::string ErrorOf(const std::function<void()>& F)
{
  try {
    F();
  } catch (const EGvError& E) {
    return E.what();
  }
  return "";
}

TEST(LinearRegression, PerfectLineHasNoBand)
{
  const std::vector<double> X = {0, 1, 2}, Y = {1, 3, 5};
  TGvLinearRegressionCalculation R;
  R.Calculate(Points(X, Y));
  EXPECT_DOUBLE_EQ(R.Slope(), 2);
  EXPECT_DOUBLE_EQ(R.Offset(), 1);
  EXPECT_EQ(R.SumOfResiduals(), 0);
  EXPECT_DOUBLE_EQ(R.Probability(), 1);
  EXPECT_DOUBLE_EQ(R.Correlation(), 1);
  EXPECT_EQ(R.DeltaSlope(), 0);
  EXPECT_EQ(R.DeltaOffset(), 0);
  // The textbook band follows the residual scatter: a perfect fit has none
  // (the total-scatter formula gave +-2.9 at the mean here).
  EXPECT_TRUE(R.HasConfidence());
  EXPECT_EQ(R.Confidence(1), 0);
  EXPECT_EQ(R.Confidence(-5), 0);
  EXPECT_DOUBLE_EQ(R.GetY(10), 21);
}

// Y far from 0 beside a small spread: the slope sum runs over the deviations
// from the mean of Y too, so the offset costs no digits (the sum over Y
// itself kept about 9.5 here). The reference is exact for the double inputs.
TEST(LinearRegression, AnOffsetYKeepsTheSlopeDigits)
{
  std::vector<double> X, Y;
  for (int I = 1; I <= 7; ++I) {
    X.push_back(0.1 * I);
    Y.push_back(2e6 + (I * I % 5) / 8.0 + I / 4.0);
  }
  TGvLinearRegressionCalculation R;
  R.Calculate(Points(X, Y));
  ExpectDigits("slope beside an offset of 2e6", R.Slope(), 2.4553571428571428, 14.5);
  ExpectDigits("offset", R.Offset(), 2000000.2857142857, 14.5);
}

TEST(LinearRegression, BandIsTheTextbookOne)
{
  // At X = 0 the half-width is t(n - 2) times the standard deviation of the
  // offset, at the mean of X t(n - 2) * s / sqrt(n); certified on Norris.
  const std::vector<double> X(std::begin(Nist::NorrisX), std::end(Nist::NorrisX));
  const std::vector<double> Y(std::begin(Nist::NorrisY), std::end(Nist::NorrisY));
  TGvLinearRegressionCalculation R;
  R.Calculate(Points(X, Y));
  const int N = int(X.size());
  EXPECT_EQ(R.T95(), T95Percent(N - 2));
  EXPECT_NEAR(R.Confidence(0), T95Percent(N - 2) * Nist::NorrisSD[0], 1e-12);
  const double S = std::sqrt(Nist::NorrisResidualSS / (N - 2));
  EXPECT_NEAR(R.Confidence(R.AverageX()), T95Percent(N - 2) * S / std::sqrt(N), 1e-12);

  // The band's samples and the Y extent, also for a falling line.
  const std::vector<double> Down = {5, 3.2, 0.8, -1.1, -2.9};
  const std::vector<double> Xd = {0, 1, 2, 3, 4};
  TGvLinearRegressionCalculation F;
  F.Calculate(Points(Xd, Down));
  ASSERT_LT(F.Slope(), 0);
  const TGvConfidenceBand Band = F.ConfidenceBand(-1, 5, 7);
  ASSERT_EQ(Band.X.size(), 7u);
  EXPECT_EQ(Band.X.front(), -1);
  EXPECT_EQ(Band.X.back(), 5);
  for (std::size_t I = 0; I < Band.X.size(); ++I) {
    EXPECT_NEAR(Band.Upper[I] - F.GetY(Band.X[I]), F.Confidence(Band.X[I]), 1e-12);
    EXPECT_NEAR(F.GetY(Band.X[I]) - Band.Lower[I], F.Confidence(Band.X[I]), 1e-12);
  }
  const auto [Lo, Hi] = F.YExtent(-1, 5, true);
  EXPECT_DOUBLE_EQ(Hi, Band.Upper.front());
  EXPECT_DOUBLE_EQ(Lo, Band.Lower.back());
  EXPECT_EQ(F.ConfidenceBand(0, 1, 1 << 30).X.size(),
            std::size_t(TGvLinearRegressionCalculation::MaxBandSamples));
}

TEST(LinearRegression, FixedOffset)
{
  const std::vector<double> X = {1, 2}, Y = {2, 4};
  TGvLinearRegressionCalculation R;
  R.SetFixedOffset(true);
  R.SetOffset(0);
  R.Calculate(Points(X, Y));
  EXPECT_DOUBLE_EQ(R.Slope(), 2);
  EXPECT_EQ(R.DeltaOffset(), 0);
  EXPECT_EQ(R.Correlation(), 0);
  EXPECT_EQ(R.Offset(), 0);
  // Through a fixed offset the band grows with |X| from 0 at X = 0.
  const std::vector<double> Yn = {2.2, 3.9, 6.1};
  const std::vector<double> Xn = {1, 2, 3};
  R.SetOffset(0.5);
  R.Calculate(Points(Xn, Yn));
  EXPECT_EQ(R.Offset(), 0.5);
  EXPECT_EQ(R.Confidence(0), 0);
  EXPECT_NEAR(R.Confidence(2), T95Percent(2) * 2 * R.DeltaSlope(), 1e-12);
}

TEST(LinearRegression, DegenerateData)
{
  // All X equal: a vertical line; nothing infinite reaches a caller.
  {
    const std::vector<double> X = {2, 2, 2}, Y = {1, 2, 4};
    TGvLinearRegressionCalculation R;
    R.Calculate(Points(X, Y));
    EXPECT_TRUE(R.AllXEqual());
    EXPECT_EQ(R.Slope(), DBL_MAX);
    EXPECT_EQ(R.Offset(), DBL_MAX);
    EXPECT_EQ(R.Correlation(), 1);
    EXPECT_EQ(R.Probability(), 1);
    EXPECT_FALSE(R.HasConfidence());
    for (double V : {R.GetY(3), R.GetY(-3), R.Confidence(1), R.YExtent(0, 5, true).first,
                     R.YExtent(0, 5, true).second})
      EXPECT_TRUE(std::isfinite(V));
  }
  // All Y equal: the horizontal line through them.
  {
    const std::vector<double> X = {1, 2, 3, 4}, Y = {0.3, 0.3, 0.3, 0.3};
    TGvLinearRegressionCalculation R;
    R.Calculate(Points(X, Y));
    EXPECT_EQ(R.Slope(), 0);
    EXPECT_DOUBLE_EQ(R.Offset(), 0.3);
    EXPECT_EQ(R.Correlation(), 1);
    EXPECT_EQ(R.Probability(), 1);
    EXPECT_EQ(R.SumOfResiduals(), 0);
    EXPECT_EQ(R.DeltaSlope(), 0);
  }
  // Weights summing to at most 1 or 2: every result a number.
  for (const double W : {0.1, 0.5, 0.7}) {
    SCOPED_TRACE(W);
    const std::vector<double> X = {1, 2, 3}, Y = {1, 3, 2}, Ws(3, W);
    for (bool Fixed : {false, true}) {
      TGvLinearRegressionCalculation R;
      R.SetFixedOffset(Fixed);
      R.Calculate(Points(X, Y, Ws));
      for (double V :
           {R.Slope(), R.Offset(), R.DeltaSlope(), R.DeltaOffset(), R.VarianceX(), R.VarianceY(),
            R.Probability(), R.Correlation(), R.SumOfResiduals(), R.Confidence(2), R.GetY(2)})
        EXPECT_TRUE(std::isfinite(V)) << V;
      EXPECT_GT(R.SumOfResiduals(), 0);
    }
  }
}

TEST(LinearRegression, NotEnoughPoints)
{
  const char* Message = "Not enough data points to calculate function";
  const std::vector<double> One = {1}, OneY = {2};
  TGvLinearRegressionCalculation R;
  EXPECT_EQ(ErrorOf([&] { R.Calculate(Points(One, OneY)); }), Message);
  // A zero weight takes a point out; negative weights count by their size.
  const std::vector<double> X = {1, 2}, Y = {2, 4};
  EXPECT_EQ(ErrorOf([&] { R.Calculate(Points(X, Y, {1, 0})); }), Message);
  R.Calculate(Points(X, Y, {-1, -3}));
  EXPECT_DOUBLE_EQ(R.Slope(), 2);
  // No valid point at all, also through a fixed offset.
  TGvCalculationData None = Points(X, Y);
  None.Start = 10;
  EXPECT_EQ(ErrorOf([&] { R.Calculate(None); }), Message);
  R.SetFixedOffset(true);
  EXPECT_EQ(ErrorOf([&] { R.Calculate(None); }), Message);
}

TEST(LinearRegression, ValidPointsAndLogarithms)
{
  // y = 10 * x^2 on both logarithmic axes, with points that have no logarithm,
  // an outlier, a missing value and one outside the calculation range.
  const double Nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> X = {1, 10, 100, -1, 0, 1000, 3, 20, 1e6};
  const std::vector<double> Y = {10, 1000, 1e5, 10, 5, 1e7, 5, Nan, 1};
  const std::vector<uint8_t> Use = {1, 1, 1, 1, 1, 1, 0, 1, 1};
  TGvCalculationData P = Points(X, Y);
  P.Valid = Use;
  P.Stop = 1e5;
  TGvLinearRegressionCalculation R;
  R.SetXLog(true);
  R.SetYLog(true);
  R.Calculate(P);
  EXPECT_NEAR(R.Slope(), 2, 1e-12);
  EXPECT_NEAR(R.Offset(), 1, 1e-12);
  EXPECT_NEAR(R.GetY(1e4), 1e9, 1e-3);
  EXPECT_EQ(R.SumW(), 4);
  EXPECT_EQ(LinearRegressionFormula(true, true), "lg(Y)=a+b(lg(X))");
  EXPECT_EQ(LinearRegressionFormula(false, false), "Y=a+b(X)");
}

TEST(LinearRegression, StudentFactor)
{
  EXPECT_EQ(T95Percent(2), 4.303);
  EXPECT_EQ(T95Percent(2.5), 3.182);
  EXPECT_EQ(T95Percent(1000), 1.96);
  EXPECT_EQ(T95Percent(0), 12.706);
  EXPECT_EQ(T95Percent(35), 2.021);
  EXPECT_EQ(Exp10(0), 1);
  EXPECT_EQ(Exp10(400), DBL_MAX);
}

// ---- General linear least squares and polynomial ---------------------------------

TEST(Polynomial, ThroughThreePointsAndTheirFaults)
{
  const std::vector<double> X = {-1, 0.5, 2}, Y = {4, -1, 3};
  TGvPolynomialCalculation C;
  C.Calculate(Points(X, Y));
  for (int I = 0; I < 3; ++I) EXPECT_NEAR(C.GetY(X[I]), Y[I], 1e-13);
  EXPECT_EQ(C.DCount(), 3);
  EXPECT_NEAR(C.Probability(), 1, 1e-13);
  // Two of the three X equal.
  const std::vector<double> Same = {1, 1, 2};
  EXPECT_EQ(ErrorOf([&] { C.Calculate(Points(Same, Y)); }),
            "Not enough data points to calculate function");
  EXPECT_EQ(ErrorOf([&] {
              C.Calculate(Points({1, 2}, {1, 2}));
            }),
            "Not enough data points to calculate function");
  TGvCalculationData NoY = Points(X, Y);
  NoY.HasY = false;
  EXPECT_EQ(ErrorOf([&] { C.Calculate(NoY); }), "No Y vector defined for calculation");
  // A zero weight takes a point out: three good points and a wild one.
  const std::vector<double> X4 = {-1, 0.5, 2, 7}, Y4 = {4, -1, 3, 1e9};
  C.Calculate(Points(X4, Y4, {1, -2, 1, 0}));
  for (int I = 0; I < 3; ++I) EXPECT_NEAR(C.GetY(X[I]), Y[I], 1e-9);
  EXPECT_EQ(C.DCount(), 3);
}

TEST(Polynomial, RankDeficientDataDoNotExplode)
{
  // A cubic over points at only two X: the minimum-norm solution through the
  // two means, instead of coefficients divided by rounding noise.
  const std::vector<double> X = {1, 1, 1, 3, 3, 3}, Y = {1, 2, 3, 5, 6, 7};
  TGvPolynomialCalculation C;
  C.SetOrder(3);
  C.Calculate(Points(X, Y));
  EXPECT_EQ(C.Rank(), 2);
  EXPECT_NEAR(C.GetY(1), 2, 1e-12);
  EXPECT_NEAR(C.GetY(3), 6, 1e-12);
  for (int I = 0; I <= 3; ++I) {
    EXPECT_LT(std::fabs(C.Coefficient(I)), 10);
    EXPECT_TRUE(std::isfinite(C.DeltaCoefficient(I)));
  }
  // All X equal and all Y equal.
  TGvPolynomialCalculation D;
  D.Calculate(Points({2, 2, 2, 2}, {1, 2, 3, 4}));
  EXPECT_EQ(D.Rank(), 1);
  EXPECT_NEAR(D.GetY(2), 2.5, 1e-12);
  D.Calculate(Points({1, 2, 3, 4}, {5, 5, 5, 5}));
  EXPECT_EQ(D.Probability(), 1);
  EXPECT_NEAR(D.Coefficient(0), 5, 1e-12);
  EXPECT_NEAR(D.Coefficient(2), 0, 1e-12);
}

TEST(Polynomial, StatisticsNeverDivideByZero)
{
  // Weights summing to at most 1, and exactly Order + 1 points.
  TGvPolynomialCalculation C;
  C.Calculate(Points({1, 2, 3}, {1, 4, 2}, {0.1, 0.1, 0.1}));
  EXPECT_EQ(C.VarianceX(), 0);
  EXPECT_EQ(C.VarianceY(), 0);
  for (double V : {C.QRel(), C.Probability(), C.SumOfResiduals(), C.AverageX(), C.AverageY()})
    EXPECT_TRUE(std::isfinite(V));
}

TEST(Polynomial, OrderIsBounded)
{
  TGvPolynomialCalculation P;
  EXPECT_EQ(P.Order(), 2);
  P.SetOrder(1);
  EXPECT_EQ(P.Order(), 2);
  P.SetOrder(100000); // as from a corrupted saved form
  EXPECT_EQ(P.Order(), TGvCustomGeneralLinearLeastSquaresCalculation::MaxOrder);
  EXPECT_EQ(P.Coeffs().size(), std::size_t(P.Order()) + 1);
  EXPECT_EQ(P.Coeffs()[7], 1.0);
  TGvGeneralLinearLeastSquaresCalculation G;
  G.SetOrder(-3);
  EXPECT_EQ(G.Order(), 0);
}

TEST(Polynomial, CoefficientReaders)
{
  TGvPolynomialCalculation C;
  C.SetOrder(3);
  EXPECT_EQ(C.Coefficient(3), 1.0);
  EXPECT_THROW(C.Coefficient(4), EGvRangeError);
  EXPECT_THROW(C.DeltaCoefficient(-1), EGvRangeError);
  EXPECT_EQ(ErrorOf([&] { C.Coefficient(4); }),
            "General Linear Least Squares: Index of variable out of range");
  C.SetDesignTime(true);
  EXPECT_EQ(C.Coefficient(4), 0);
  EXPECT_EQ(C.DeltaCoefficient(-1), 0);
}

TEST(Polynomial, Formulas)
{
  EXPECT_EQ(PolynomialFormula(2), "Y=a+bX+cX\\+2\\+");
  EXPECT_EQ(PolynomialFormula(3), "Y=a+bX+cX\\+2\\++dX\\+3\\+");
  EXPECT_EQ(PolynomialFormula(7), "Y=a+bX+cX\\+2\\++dX\\+3\\++eX\\+4\\++...+hX\\+7\\+");
  EXPECT_EQ(GeneralLinearLeastSquaresFormula(),
            QString::fromUtf8("Y=\u03a3\\-i\\-a\\-i\\-Xf\\-i\\-(X)"));
  const double C[] = {1, 2, 3};
  EXPECT_EQ(Polynom(2, C), 17);
  EXPECT_EQ(Polynom(2, {}), 0);
}

TEST(GeneralLinear, BasisFunction)
{
  // y = 3 + 2 sin(x) through the handler.
  std::vector<double> X, Y;
  for (int I = 0; I < 20; ++I) {
    X.push_back(I * 0.3);
    Y.push_back(3 + 2 * std::sin(I * 0.3));
  }
  TGvGeneralLinearLeastSquaresCalculation G;
  G.SetOrder(1);
  EXPECT_EQ(ErrorOf([&] { G.Calculate(Points(X, Y)); }), "No BasisFunction defined");
  G.SetBasisFunction(
      [](const TGvGeneralLinearFittingArgs& A) { return A.Index == 0 ? 1.0 : std::sin(A.X); });
  G.Calculate(Points(X, Y));
  EXPECT_NEAR(G.Coefficient(0), 3, 1e-13);
  EXPECT_NEAR(G.Coefficient(1), 2, 1e-13);
  EXPECT_NEAR(G.GetY(1), 3 + 2 * std::sin(1.0), 1e-13);
  // A handler that gives no number is an error, not a fit.
  G.SetBasisFunction(
      [](const TGvGeneralLinearFittingArgs& A) { return A.X > 3 ? std::nan("") : 1.0; });
  EXPECT_EQ(ErrorOf([&] { G.Calculate(Points(X, Y)); }),
            "General Linear Least Squares: the basis function gave no number");
  EXPECT_NEAR(G.Coeffs()[0], 3, 1e-13); // the previous results stay
  // ... unless that point has weight 0: then it takes no part.
  std::vector<double> W(X.size(), 1.0);
  for (std::size_t I = 0; I < X.size(); ++I)
    if (X[I] > 3) W[I] = 0;
  G.SetBasisFunction([](const TGvGeneralLinearFittingArgs& A) {
    return A.X > 3 ? std::nan("") : (A.Index == 0 ? 1.0 : std::sin(A.X));
  });
  G.Calculate(Points(X, Y, W));
  EXPECT_NEAR(G.Coefficient(1), 2, 1e-12);
  EXPECT_TRUE(std::isfinite(G.SumOfResiduals()));
  // At design time the powers stand in for a missing handler.
  TGvGeneralLinearLeastSquaresCalculation D;
  D.SetDesignTime(true);
  D.Calculate(Points({0, 1, 2, 3}, {1, 2, 5, 10}));
  EXPECT_NEAR(D.GetY(4), 17, 1e-12);
}

TEST(SingularValueDecomposition, ReducesAndReportsDimensions)
{
  TGvMatrix A(4, 3);
  const double Values[] = {2, -1, 0, 1, 3, 1, 0, 1, 4, 1, 0, -2};
  std::copy(std::begin(Values), std::end(Values), A.Data.begin());
  TGvMatrix U = A, V(3, 3);
  std::vector<double> S(3);
  EXPECT_TRUE(ReduceMatrix(U, S, V));
  for (int R = 0; R < 4; ++R)
    for (int C = 0; C < 3; ++C) {
      double Sum = 0;
      for (int K = 0; K < 3; ++K) Sum += U(R, K) * S[K] * V(C, K);
      EXPECT_NEAR(Sum, A(R, C), 1e-13);
    }
  for (double W : S) EXPECT_GE(W, 0);
  TGvMatrix Wide(2, 3), V3(3, 3), V2(2, 2);
  std::vector<double> S2(2);
  EXPECT_EQ(ErrorOf([&] { ReduceMatrix(Wide, S, V3); }),
            "SingularValueDecomposition: Matrix has wrong dimension");
  EXPECT_EQ(ErrorOf([&] { ReduceMatrix(A, S2, V3); }),
            "SingularValueDecomposition: Output vector has wrong dimension");
  EXPECT_EQ(ErrorOf([&] { ReduceMatrix(A, S, V2); }),
            "SingularValueDecomposition: Output matrix has wrong dimension");
}

} // namespace
