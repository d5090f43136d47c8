// Helpers of the fitting tests: digits reached against certified values, and
// points from plain vectors.
#pragma once

#include "chart/GvMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace FitTest {

// The log relative error of Value against the certified Certified, as the
// reference datasets define it: -log10(|Value - Certified| / |Certified|), or
// -log10(|Value|) where the certified value is 0; 15 for an exact match.
inline double Digits(double Value, double Certified)
{
  const double Err =
      Certified == 0 ? std::fabs(Value) : std::fabs(Value - Certified) / std::fabs(Certified);
  if (Err == 0) return 15.0;
  return std::min(15.0, -std::log10(Err));
}

inline void Report(const std::string& What, double Value)
{
  std::printf("[ digits   ] %-28s %.3g\n", What.c_str(), Value);
}

// Expects at least Min digits and prints what was reached.
inline void ExpectDigits(const std::string& What, double Value, double Certified, double Min)
{
  const double D = Digits(Value, Certified);
  Report(What, D);
  EXPECT_GE(D, Min) << What << ": " << Value << " against " << Certified;
}

// Points over whole vectors (every point valid, weight 1 unless given).
inline TGvCalculationData Points(const std::vector<double>& X, const std::vector<double>& Y,
                           const std::vector<double>& W = {})
{
  TGvCalculationData P;
  P.X = X;
  P.Y = Y;
  P.Weight = W;
  return P;
}

} // namespace FitTest
