// The points a fit reads, as plain arrays.
//
// The fitting calculations (linear regression, general linear least squares,
// polynomial, simplex fit) do not know the chart's series or vectors. A
// function series hands them its points through a TGvFitPoints: the X, Y and
// weight values after the value transformations (one entry per element), one
// flag per element saying whether the element takes part (not an outlier in
// X, Y or weight, or outliers shown), and the calculation range. The series
// keeps the arrays alive for the duration of Calculate.
//
// A point is valid when its flag is set, its X lies in [Start, Stop] and its
// X, Y and weight are finite numbers (a missing value never reaches a sum).
#pragma once

#include "chart/GvComponent.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

struct TGvFitPoints
{
  std::span<const double> X;
  std::span<const double> Y;
  // Empty: every weight is 1. A weight counts by its absolute value.
  std::span<const double> W;
  // Empty: every element takes part; otherwise 0 for an element left out.
  std::span<const uint8_t> Use;
  // The calculation range, compared with X.
  double Start = -DBL_MAX;
  double Stop = DBL_MAX;
  // False when the series has no X (Y) vector at all; a series whose vector is
  // stood in for by its indexer passes the index values and true.
  bool HasX = true;
  bool HasY = true;

  // Elements considered: the smallest count among X, Y and the weights
  // (the flags, when given, count too).
  std::size_t Count() const
  {
    std::size_t N = X.size() < Y.size() ? X.size() : Y.size();
    if (!W.empty() && W.size() < N) N = W.size();
    if (!Use.empty() && Use.size() < N) N = Use.size();
    return N;
  }
  double Xi(std::size_t I) const { return X[I]; }
  double Yi(std::size_t I) const { return Y[I]; }
  double Wi(std::size_t I) const { return W.empty() ? 1.0 : std::fabs(W[I]); }
  bool IsValid(std::size_t I) const
  {
    if (!Use.empty() && !Use[I]) return false;
    const double Xv = X[I];
    return std::isfinite(Xv) && std::isfinite(Y[I]) && std::isfinite(Wi(I)) && Xv >= Start &&
           Xv <= Stop;
  }
};

// Messages shared by the fitting calculations.
namespace GvFitMessages {
inline const char* NoXVector = "No X vector defined for calculation";
inline const char* NoYVector = "No Y vector defined for calculation";
inline const char* NotEnoughPoints = "Not enough data points to calculate function";
} // namespace GvFitMessages
