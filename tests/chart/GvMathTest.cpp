// Decimal exponents, significant digits and rounding to steps.
#include "chart/GvMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(GvMath, DecimalExponentsAndSignificantDigits)
{
  struct TCase
  {
    double X;
    int Exponent, Significant;
  };
  const TCase Cases[] = {
      {0, 0, 0},       {1, 0, 1},      {9.999999, 0, 7},       {9.9999999, 1, 8},
      {10, 1, 1},      {0.001, -3, 1}, {0.00099999999, -3, 8}, {-250, 2, 2},
      {1e-12, -12, 1}, {1e12, 12, 1},  {0.25, -1, 2},          {0.1, -1, 1},
      {0.05, -2, 1},   {1.5, 0, 2},    {1e300, 300, 1},        {1e-300, -300, 1},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(Real10thExponent(C.X), C.Exponent) << C.X;
    EXPECT_EQ(LastSignificant(C.X), C.Significant) << C.X;
  }
  EXPECT_EQ(Real10thExponent(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(Real10thExponent(std::numeric_limits<double>::infinity()), 0);
}

TEST(GvMath, RoundingToSteps)
{
  struct TCase
  {
    int Exponent;
    double Step, Value, Up, Down;
  };
  const TCase Cases[] = {
      {0, 1, 2.3, 3, 2},
      {0, 1, 3, 3, 3},
      {1, 0.5, 12, 15, 10},
      {-1, 2, 0.33, 0.4, 0.2},
      {0, 1, -2.3, -2, -3},
      {0, 0, 7.7, 7.7, 7.7}, // a step of 0 keeps the value
      // Large values with a fine step: the quotient is beyond any 64-bit
      // integer; every double there is a multiple of the step already.
      {-3, 1, 1e20, 1e20, 1e20},
      {0, 1, 1e300, 1e300, 1e300},
      {300, 1, 2.5e300, 3e300, 2e300},
  };
  for (const TCase& C : Cases) {
    EXPECT_DOUBLE_EQ(RoundUp(C.Exponent, C.Step, C.Value), C.Up) << C.Value;
    EXPECT_DOUBLE_EQ(RoundDown(C.Exponent, C.Step, C.Value), C.Down) << C.Value;
  }
  EXPECT_TRUE(std::isnan(RoundUp(0, 1, std::numeric_limits<double>::quiet_NaN())));
}

TEST(GvMath, HalvesRoundToEven)
{
  const double Cases[][2] = {{0.5, 0},   {1.5, 2},       {2.5, 2},
                             {-2.5, -2}, {-0.5, 0},      {2.4, 2},
                             {2.6, 3},   {1e300, 1e300}, {4503599627370497.0, 4503599627370497.0}};
  for (const auto& C : Cases) EXPECT_EQ(RoundHalfEvenF(C[0]), C[1]) << C[0];
}

} // namespace
