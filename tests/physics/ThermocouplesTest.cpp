#include "physics/Thermocouples.h"

#include <gtest/gtest.h>

#include <limits>

TEST(ThermistorBead, AcceptsTheCalibratedRangeInclusively)
{
  struct Case
  {
    double r, t;
  };
  for (const Case& c : {Case{10000, 24.998}, Case{2986, 55.001}, Case{32600, 0.030}}) {
    double t = -99;
    EXPECT_TRUE(ResistanceToTemperatureBead(c.r, t)) << c.r;
    EXPECT_NEAR(t, c.t, 0.001) << c.r;
  }
}

TEST(ThermistorBead, RejectsOutsideAndNaNLeavingTheOutputUntouched)
{
  for (double r : {2985.9, 32600.1, 0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()}) {
    double t = 123.0;
    EXPECT_FALSE(ResistanceToTemperatureBead(r, t)) << r;
    EXPECT_EQ(t, 123.0);
  }
}

TEST(ThermistorBead, TemperatureFallsAsResistanceRises)
{
  double previous = 1000, t = 0;
  for (double r = 2986; r <= 32600; r += 500) {
    ASSERT_TRUE(ResistanceToTemperatureBead(r, t));
    EXPECT_LT(t, previous);
    previous = t;
  }
}
