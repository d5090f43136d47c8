// The weighted moving average of a series' points, drawn through an Akima
// interpolation of the averages.
//
// How TGvMovingAverage (a function series, MinCount 2) will use it: it owns
// one as FAvg and publishes AveragingMethod, AveragingDirection,
// AveragingRangeMethod, N and ExponentialFactorForN by forwarding to the
// setters below (which store the values the series shows: |N|, and
// min(|factor|, 1)); CalculateFunction fills a TGvCalculationData from its
// calculation object (chart/GvMath.h) and calls Calculate; GetY(AtX) is
// Calculate when NeedsRecalculation(), then GetY(AtX); GetFormula is
// FormulaText(AveragingMethod()).
#pragma once

#include "chart/analysis/GvInterpolationCalculations.h"

#include <QString>
#include <span>
#include <vector>

enum class TGvAveragingMethod
{
  Simple = 0,
  LinearWeighted = 1,
  ExponentiallyWeighted = 2,
};

enum class TGvAveragingDirection
{
  OnlyDownwards = 0,
  UpAndDownwards = 1,
};

enum class TGvAveragingRangeMethod
{
  NasCount = 0,     // N counts points
  NasXDistance = 1, // N is a distance in X
};

class TGvMovingAverageCalculation
{
public:
  // ---- Parameters (defaults: N 10, factor 0.9, LinearWeighted, OnlyDownwards, NasCount) ----
  double N() const { return FN; }
  void SetN(double Value); // stores |Value|
  double ExponentialFactorForN() const { return FExponentialFactorForN; }
  void SetExponentialFactorForN(double Value); // stores min(|Value|, 1)
  TGvAveragingMethod AveragingMethod() const { return FAveragingMethod; }
  void SetAveragingMethod(TGvAveragingMethod M);
  TGvAveragingDirection AveragingDirection() const { return FAveragingDirection; }
  void SetAveragingDirection(TGvAveragingDirection D);
  TGvAveragingRangeMethod AveragingRangeMethod() const { return FAveragingRangeMethod; }
  void SetAveragingRangeMethod(TGvAveragingRangeMethod R);

  bool NeedsRecalculation() const { return FRecalculate; }
  void MarkForRecalculation() { FRecalculate = true; }

  // Averages every valid point (points with a non-finite X or Y are not
  // used; points out of X order are sorted first, equal X keeping their
  // order) over its window:
  //  - NasCount: the k = round(N) points below it (and, UpAndDownwards, the k
  //    above), clipped at the ends;
  //  - NasXDistance: down to the nearest point at least N below it in X (and,
  //    UpAndDownwards, up to the nearest at least N above), or the ends;
  // with span = X(hi) − X(lo), doubled for UpAndDownwards, as
  //   Σ g·w·y / Σ g·w,  g = 1 (Simple), 1 − |Δx|/span (LinearWeighted, 1 for
  //   span 0, only g > 0), exp(ln f·scale·|Δx|) (ExponentiallyWeighted,
  //   f = the factor (0 → 1e-300), scale = N/span, 1 for span 0).
  // A point whose window holds no weight gets no average. The averages are
  // then interpolated by Akima, which needs 3 points: "Not enough data points
  // to calculate function". EMathError for a missing vector.
  void Calculate(const TGvCalculationData& Data);

  // The averaged curve: the points' X and their averages.
  std::span<const double> IntX() const { return FIntX; }
  std::span<const double> IntA() const { return FIntA; }
  // The curve at X (the internal interpolation; 0 without a curve).
  double GetY(double AtX) const { return FInterpolation.Interpolate(AtX); }
  const TGvInterpolationCalculation& Interpolation() const { return FInterpolation; }
  TGvInterpolationCalculation& Interpolation() { return FInterpolation; }

  // "Simple moving average (all values equally weighted)", "Weight the values
  // linear with the distance", "Weight the values exponentially with the distance".
  static QString FormulaText(TGvAveragingMethod M);

private:
  bool FRecalculate = true;
  std::vector<double> FIntX, FIntA;
  TGvInterpolationCalculation FInterpolation;
  double FN = 10.0;
  double FExponentialFactorForN = 0.9;
  TGvAveragingMethod FAveragingMethod = TGvAveragingMethod::LinearWeighted;
  TGvAveragingDirection FAveragingDirection = TGvAveragingDirection::OnlyDownwards;
  TGvAveragingRangeMethod FAveragingRangeMethod = TGvAveragingRangeMethod::NasCount;
};
