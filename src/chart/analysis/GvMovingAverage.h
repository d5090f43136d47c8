// The weighted moving average of a series' points, drawn through an Akima
// interpolation of the averages.
//
//   TGvMovingAverageCalculation  the averages over plain arrays
//   TGvMovingAverage             the function series that draws them: it owns
//                                one calculation and publishes its parameters
#pragma once

#include "chart/GvSeries.h"
#include "chart/analysis/GvInterpolationCalculations.h"

#include <QObject>
#include <QString>
#include <span>
#include <vector>

namespace GvAveragingTypes {
Q_NAMESPACE

enum class TGvAveragingMethod
{
  Simple = 0,
  LinearWeighted = 1,
  ExponentiallyWeighted = 2,
};
Q_ENUM_NS(TGvAveragingMethod)

enum class TGvAveragingDirection
{
  OnlyDownwards = 0,
  UpAndDownwards = 1,
};
Q_ENUM_NS(TGvAveragingDirection)

enum class TGvAveragingRangeMethod
{
  NasCount = 0,     // N counts points
  NasXDistance = 1, // N is a distance in X
};
Q_ENUM_NS(TGvAveragingRangeMethod)

} // namespace GvAveragingTypes

using GvAveragingTypes::TGvAveragingDirection;
using GvAveragingTypes::TGvAveragingMethod;
using GvAveragingTypes::TGvAveragingRangeMethod;

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

// ---- The series ---------------------------------------------------------------

// Draws the moving average of the points of its X and Y data (MinCount 2;
// the internal Akima interpolation needs 3 averages). Published beyond the
// function series: AveragingMethod, AveragingDirection, AveragingRangeMethod,
// N and ExponentialFactorForN; registered parser variables "N" and
// "ExponentialFactorForN".
class TGvMovingAverage : public TGvFunctionSeries
{
  Q_OBJECT
  Q_PROPERTY(GvAveragingTypes::TGvAveragingMethod AveragingMethod READ AveragingMethod WRITE
                 SetAveragingMethod)
  Q_PROPERTY(GvAveragingTypes::TGvAveragingDirection AveragingDirection READ AveragingDirection
                 WRITE SetAveragingDirection)
  Q_PROPERTY(GvAveragingTypes::TGvAveragingRangeMethod AveragingRangeMethod READ
                 AveragingRangeMethod WRITE SetAveragingRangeMethod)
  Q_PROPERTY(double N READ N WRITE SetN)
  Q_PROPERTY(double ExponentialFactorForN READ ExponentialFactorForN WRITE SetExponentialFactorForN)
public:
  explicit TGvMovingAverage(QObject* Owner = nullptr);
  ~TGvMovingAverage() override;

  TGvAveragingMethod AveragingMethod() const { return FAvg->Calc.AveragingMethod(); }
  void SetAveragingMethod(TGvAveragingMethod Value);
  TGvAveragingDirection AveragingDirection() const { return FAvg->Calc.AveragingDirection(); }
  void SetAveragingDirection(TGvAveragingDirection Value);
  TGvAveragingRangeMethod AveragingRangeMethod() const { return FAvg->Calc.AveragingRangeMethod(); }
  void SetAveragingRangeMethod(TGvAveragingRangeMethod Value);
  // Stored as |Value|.
  double N() const { return FAvg->Calc.N(); }
  void SetN(double Value);
  // Stored as min(|Value|, 1).
  double ExponentialFactorForN() const { return FAvg->Calc.ExponentialFactorForN(); }
  void SetExponentialFactorForN(double Value);

  const TGvMovingAverageCalculation& Averaging() const { return FAvg->Calc; }

  double GetY(double AtX) override;
  QString GetFormula() const override;
  void RegisterVariables() override;

  // Saved forms (GvAnalysisIO.cpp), after the function series' fields:
  // AveragingMethod, AveragingDirection, AveragingRangeMethod bytes, N and
  // ExponentialFactorForN doubles, byte 0; the XML child "MovingAverage" and
  // the ini keys of the same names.
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  TGvCalculationOf<TGvMovingAverageCalculation>* FAvg;
};
