// The weighted moving average. The expected averages are worked out by hand
// from the window and weighting rules (closed forms, exact to rounding).
#include "chart/analysis/GvMovingAverage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using TMethod = TGvAveragingMethod;
using TDirection = TGvAveragingDirection;
using TRange = TGvAveragingRangeMethod;

struct TCase
{
  const char* Name;
  TMethod Method;
  TDirection Direction;
  TRange Range;
  double N;
  std::vector<double> X, Y, W;
  std::vector<double> Expected;
};

std::vector<double> Averages(const TCase& C, TGvMovingAverageCalculation& Avg, double Factor = 0.9)
{
  Avg.SetAveragingMethod(C.Method);
  Avg.SetAveragingDirection(C.Direction);
  Avg.SetAveragingRangeMethod(C.Range);
  Avg.SetN(C.N);
  Avg.SetExponentialFactorForN(Factor);
  TGvCalculationData D;
  D.X = C.X;
  D.Y = C.Y;
  D.Weight = C.W;
  Avg.Calculate(D);
  return {Avg.IntA().begin(), Avg.IntA().end()};
}

TEST(MovingAverage, WindowsAndWeightings)
{
  const std::vector<double> X5 = {0, 1, 2, 3, 4}, Y5 = {0, 3, 6, 9, 12};
  const TCase Cases[] = {
      {"simple, count 1, downwards",
       TMethod::Simple,
       TDirection::OnlyDownwards,
       TRange::NasCount,
       1,
       {0, 1, 2, 3},
       {0, 2, 4, 6},
       {},
       {0, 1, 3, 5}},
      // The point k below has weight 1 - k/k = 0 and does not count.
      {"linear, count 2, downwards",
       TMethod::LinearWeighted,
       TDirection::OnlyDownwards,
       TRange::NasCount,
       2,
       X5,
       Y5,
       {},
       {0, 3, 5, 8, 11}},
      // The count is rounded half to even: 2.5 → 2, 0.5 → 0.
      {"simple, count 2.5, downwards",
       TMethod::Simple,
       TDirection::OnlyDownwards,
       TRange::NasCount,
       2.5,
       X5,
       Y5,
       {},
       {0, 1.5, 3, 6, 9}},
      {"simple, count 0.5, downwards",
       TMethod::Simple,
       TDirection::OnlyDownwards,
       TRange::NasCount,
       0.5,
       X5,
       Y5,
       {},
       Y5},
      {"simple, count 1, both ways",
       TMethod::Simple,
       TDirection::UpAndDownwards,
       TRange::NasCount,
       1,
       X5,
       Y5,
       {},
       {1.5, 3, 6, 9, 10.5}},
      // Down to the nearest point at least 1.5 below, or the first.
      {"simple, distance 1.5, downwards",
       TMethod::Simple,
       TDirection::OnlyDownwards,
       TRange::NasXDistance,
       1.5,
       X5,
       Y5,
       {},
       {0, 1.5, 3, 6, 9}},
      {"weights",
       TMethod::Simple,
       TDirection::OnlyDownwards,
       TRange::NasCount,
       1,
       {0, 1, 2, 3},
       {0, 4, 8, 12},
       {1, 3, 1, 1},
       {0, 3, 5, 10}},
  };
  for (const TCase& C : Cases) {
    TGvMovingAverageCalculation Avg;
    const std::vector<double> A = Averages(C, Avg);
    ASSERT_EQ(A.size(), C.Expected.size()) << C.Name;
    for (std::size_t I = 0; I < A.size(); ++I)
      EXPECT_NEAR(A[I], C.Expected[I], 1e-14) << C.Name << " " << I;
    // The curve passes through the averages.
    for (std::size_t I = 0; I < A.size(); ++I) EXPECT_NEAR(Avg.GetY(C.X[I]), A[I], 1e-13) << C.Name;
  }
}

TEST(MovingAverage, LinearWeightsBothWaysByDistance)
{
  // X = 0 … 4, Y = 0, 3, 6, 9, 12, N = 1.5: each window reaches the nearest
  // point at least 1.5 away on each side (or the end); the span is doubled
  // and the weights are 1 - |Δx|/span.
  TCase C{"",  TMethod::LinearWeighted, TDirection::UpAndDownwards, TRange::NasXDistance,
          1.5, {0, 1, 2, 3, 4},         {0, 3, 6, 9, 12},           {},
          {}};
  TGvMovingAverageCalculation Avg;
  const std::vector<double> A = Averages(C, Avg);
  ASSERT_EQ(A.size(), 5u);
  // Point 0: window [0, 2], span 4: weights 1, 0.75, 0.5.
  EXPECT_NEAR(A[0], (0 + 0.75 * 3 + 0.5 * 6) / 2.25, 1e-14);
  // Point 2: window [0, 4], span 8: weights 0.75, 0.875, 1, 0.875, 0.75 (symmetric).
  EXPECT_NEAR(A[2], 6.0, 1e-14);
  // Point 1: window [0, 3], span 6: weights 5/6, 1, 5/6, 4/6.
  EXPECT_NEAR(A[1],
              (5.0 / 6 * 0 + 3 + 5.0 / 6 * 6 + 4.0 / 6 * 9) / (5.0 / 6 + 1 + 5.0 / 6 + 4.0 / 6),
              1e-14);
}

TEST(MovingAverage, ExponentialWeights)
{
  // Count 1 both ways, factor 0.5: at the ends span 2·1 (scale 1/2), in the
  // middle span 2·2 (scale 1/4); weight 0.5^(scale·|Δx|).
  TCase C{"",
          TMethod::ExponentiallyWeighted,
          TDirection::UpAndDownwards,
          TRange::NasCount,
          1,
          {0, 1, 2},
          {0, 3, 9},
          {},
          {}};
  TGvMovingAverageCalculation Avg;
  const std::vector<double> A = Averages(C, Avg, 0.5);
  ASSERT_EQ(A.size(), 3u);
  const double Ge = std::pow(0.5, 0.5), Gm = std::pow(0.5, 0.25);
  EXPECT_NEAR(A[0], Ge * 3 / (1 + Ge), 1e-14);
  EXPECT_NEAR(A[1], (Gm * 0 + 3 + Gm * 9) / (2 * Gm + 1), 1e-14);
  EXPECT_NEAR(A[2], (9 + Ge * 3) / (1 + Ge), 1e-14);
  // A factor of 0 counts as 1e-300: the neighbours weigh 1e-150 and less.
  TGvMovingAverageCalculation Zero;
  const std::vector<double> Z = Averages(C, Zero, 0.0);
  ASSERT_EQ(Z.size(), 3u);
  EXPECT_NEAR(Z[0], 0.0, 1e-140);
  EXPECT_NEAR(Z[1], 3.0, 1e-14);
  EXPECT_NEAR(Z[2], 9.0, 1e-14);
}

TEST(MovingAverage, UnorderedInputZeroWeightsAndTooFewPoints)
{
  // Out of order: sorted first.
  TCase C{"",
          TMethod::Simple,
          TDirection::OnlyDownwards,
          TRange::NasCount,
          1,
          {3, 1, 2, 0},
          {6, 2, 4, 0},
          {},
          {}};
  TGvMovingAverageCalculation Avg;
  EXPECT_EQ(Averages(C, Avg), (std::vector<double>{0, 1, 3, 5}));
  EXPECT_EQ(std::vector<double>(Avg.IntX().begin(), Avg.IntX().end()),
            (std::vector<double>{0, 1, 2, 3}));

  // A point whose window holds no weight has no average.
  TCase W{"",
          TMethod::Simple,
          TDirection::OnlyDownwards,
          TRange::NasCount,
          0,
          {0, 1, 2, 3},
          {1, 2, 3, 4},
          {1, 0, 1, 1},
          {}};
  TGvMovingAverageCalculation AvgW;
  EXPECT_EQ(Averages(W, AvgW), (std::vector<double>{1, 3, 4}));

  // A huge count is clipped at the ends.
  TCase Big{"",
            TMethod::Simple,
            TDirection::UpAndDownwards,
            TRange::NasCount,
            1e300,
            {0, 1, 2},
            {0, 3, 6},
            {},
            {}};
  TGvMovingAverageCalculation AvgB;
  EXPECT_EQ(Averages(Big, AvgB), (std::vector<double>{3, 3, 3}));

  // Two points: the Akima curve through the averages needs three.
  TCase Two{"", TMethod::Simple, TDirection::OnlyDownwards, TRange::NasCount, 1, {0, 1}, {0, 1}, {},
            {}};
  TGvMovingAverageCalculation Avg2;
  try {
    Averages(Two, Avg2);
    ADD_FAILURE() << "no error";
  } catch (const EMathError& E) {
    EXPECT_EQ(E.Message(), "Not enough data points to calculate function");
  }
}

TEST(MovingAverage, ParametersAndFormulas)
{
  TGvMovingAverageCalculation Avg;
  EXPECT_EQ(Avg.N(), 10.0);
  EXPECT_EQ(Avg.ExponentialFactorForN(), 0.9);
  EXPECT_EQ(Avg.AveragingMethod(), TMethod::LinearWeighted);
  EXPECT_EQ(Avg.AveragingDirection(), TDirection::OnlyDownwards);
  EXPECT_EQ(Avg.AveragingRangeMethod(), TRange::NasCount);
  Avg.SetN(-4);
  EXPECT_EQ(Avg.N(), 4.0);
  Avg.SetExponentialFactorForN(-0.25);
  EXPECT_EQ(Avg.ExponentialFactorForN(), 0.25);
  Avg.SetExponentialFactorForN(7);
  EXPECT_EQ(Avg.ExponentialFactorForN(), 1.0);
  EXPECT_EQ(TGvMovingAverageCalculation::FormulaText(TMethod::Simple),
            "Simple moving average (all values equally weighted)");
  EXPECT_EQ(TGvMovingAverageCalculation::FormulaText(TMethod::LinearWeighted),
            "Weight the values linear with the distance");
  EXPECT_EQ(TGvMovingAverageCalculation::FormulaText(TMethod::ExponentiallyWeighted),
            "Weight the values exponentially with the distance");
}

} // namespace
