// Weighted linear regression Y = a + m*X, optionally through a fixed offset a,
// with its statistics and the 95 % confidence band of the fitted line.
//
//   TGvLinearRegressionCalculation  the fit over plain arrays
//   TGvLinearRegression             the function series that draws the line
//                                   and its band; it owns one calculation
//
// On logarithmic axes the line is fitted to lg(X) and lg(Y), so that it is
// straight on the screen. When all X are equal the fitted line is vertical
// and cannot be drawn as a function: the series then draws no line and
// reports no Y range.
#pragma once

#include "chart/GvMath.h"
#include "chart/GvSeries.h"

#include <QString>
#include <utility>
#include <vector>

// The two-sided 95 % Student-t quantile for N degrees of freedom, from the
// table's first row whose bound is >= N (N <= 1 gives 12.706, N above 500
// gives 1.96).
double T95Percent(double N);

// 10^Y: 1 for 0, the largest double on overflow.
double Exp10(double Y);

// The 95 % band around the fitted line, sampled at X.
struct TGvConfidenceBand
{
  std::vector<double> X;
  std::vector<double> Lower;
  std::vector<double> Upper;
};

class TGvLinearRegressionCalculation
{
public:
  // The most samples ConfidenceBand takes.
  static constexpr int MaxBandSamples = 100000;

  TGvLinearRegressionCalculation();

  bool FixedOffset() const { return FFixedOffset; }
  void SetFixedOffset(bool B) { FFixedOffset = B; }
  // The offset kept while the offset is fixed; a free fit replaces it.
  double Offset() const { return FOffset; }
  void SetOffset(double A) { FOffset = A; }
  // Fit lg(X) (lg(Y)) instead of X (Y); points whose value has no logarithm
  // are left out.
  bool XLog() const { return FXLog; }
  void SetXLog(bool B) { FXLog = B; }
  bool YLog() const { return FYLog; }
  void SetYLog(bool B) { FYLog = B; }

  // The fit over the valid points with positive weight. Raises EMathError "Not
  // enough data points to calculate function" for fewer than 2 such points
  // (free offset) or none (fixed offset); the results are then reset.
  void Calculate(const TGvCalculationData& Points);

  // The fitted line at AtX, in the units of the data (through the
  // logarithms when XLog / YLog are set). Never infinite: a result beyond the
  // doubles gives the largest double of that sign.
  double GetY(double AtX) const;

  // Half-width of the 95 % confidence band of the line at X (in the units the
  // line is fitted in, that is of lg(Y) when YLog is set): the textbook band
  // t * s * sqrt(1/n + (x - mean x)^2 / Qxx) with the residual scatter
  // s^2 = SumOfResiduals / (n - 2), n = SumW, t for n - 2 degrees of freedom;
  // through a fixed offset t * |x| * DeltaSlope with t for n - 1. 0 when the
  // band is not defined (see HasConfidence).
  double Confidence(double X) const;
  // False when the data leave no degree of freedom for the band (or all X are
  // equal).
  bool HasConfidence() const;
  // The t factor of the band.
  double T95() const { return FT95Percent; }
  // Count samples (at least 2, at most MaxBandSamples) of the band from From
  // to To, in the units of the data.
  TGvConfidenceBand ConfidenceBand(double From, double To, int Count) const;
  // Least and greatest Y of the line between From and To, widened by the band
  // when WithBand is set.
  std::pair<double, double> YExtent(double From, double To, bool WithBand) const;

  // True when the last fit found all X equal (Slope and Offset are then the
  // largest double).
  bool AllXEqual() const { return FAllXEqual; }

  double SumX() const { return FSumX; }
  double SumY() const { return FSumY; }
  double SumW() const { return FSumW; }
  double SumWXX() const { return FSumWXX; }
  double SumWXY() const { return FSumWXY; }
  double SumWdXY() const { return FSumWdXY; }
  double Qxx() const { return FQxx; }
  double Qyy() const { return FQyy; }
  double Slope() const { return FSlope; }
  double DeltaSlope() const { return FDeltaSlope; }
  double DeltaOffset() const { return FDeltaOffset; }
  double AverageX() const { return FAverageX; }
  double AverageY() const { return FAverageY; }
  double VarianceX() const { return FVarianceX; }
  double VarianceY() const { return FVarianceY; }
  double Probability() const { return FProbability; }
  double Correlation() const { return FCorrelation; }
  double SumOfResiduals() const { return FSumOfResiduals; }

private:
  void Reset();
  double FitX(double X) const;

  double FSumX = 0, FSumY = 0, FSumW = 0, FSumWXX = 0, FSumWXY = 0, FSumWdXY = 0;
  double FQxx = 0, FQyy = 0;
  double FSlope, FDeltaSlope, FOffset, FDeltaOffset, FAverageX, FAverageY, FVarianceX, FVarianceY,
      FProbability, FCorrelation, FSumOfResiduals;
  bool FFixedOffset = false;
  bool FXLog = false;
  bool FYLog = false;
  bool FAllXEqual = false;
  double FT95Percent = 0;
};

// "Y=a+b(X)", with "lg(Y)" and "lg(X)" on logarithmic axes.
QString LinearRegressionFormula(bool XLog, bool YLog);

// ---- The series ---------------------------------------------------------------

// Published beyond the function series: FixedOffset, Offset,
// ConfidenceIntervalLine and ConfidenceIntervalArea (both invisible at
// first: a dashed line in the series' line colour with alpha 100, an area in
// it with alpha 10). Read-only results: Slope, DeltaSlope, Offset,
// DeltaOffset, AverageX, AverageY, VarianceX, VarianceY, Probability,
// Correlation, SumOfResiduals, all registered as parser variables.
class TGvLinearRegression : public TGvFunctionSeries
{
  Q_OBJECT
  Q_PROPERTY(bool FixedOffset READ FixedOffset WRITE SetFixedOffset)
  Q_PROPERTY(double Offset READ Offset WRITE SetOffset)
  Q_PROPERTY(TGvLineSettings* ConfidenceIntervalLine READ ConfidenceIntervalLine)
  Q_PROPERTY(TGvAreaSettings* ConfidenceIntervalArea READ ConfidenceIntervalArea)
public:
  explicit TGvLinearRegression(QObject* Owner = nullptr);
  ~TGvLinearRegression() override;

  bool FixedOffset() const { return Regr().FixedOffset(); }
  void SetFixedOffset(bool Value);
  // The fitted offset, or the one the line is held to with FixedOffset.
  double Offset() const { return Regr().Offset(); }
  void SetOffset(double Value);
  TGvLineSettings* ConfidenceIntervalLine() const { return FConfidenceIntervalLine; }
  TGvAreaSettings* ConfidenceIntervalArea() const { return FConfidenceIntervalArea; }

  double Slope() const { return Regr().Slope(); }
  double DeltaSlope() const { return Regr().DeltaSlope(); }
  double DeltaOffset() const { return Regr().DeltaOffset(); }
  double AverageX() const { return Regr().AverageX(); }
  double AverageY() const { return Regr().AverageY(); }
  double VarianceX() const { return Regr().VarianceX(); }
  double VarianceY() const { return Regr().VarianceY(); }
  double Probability() const { return Regr().Probability(); }
  double Correlation() const { return Regr().Correlation(); }
  double SumOfResiduals() const { return Regr().SumOfResiduals(); }
  const TGvLinearRegressionCalculation& Regr() const { return FRegr->Calc; }

  // Half-width of the band at X (in the units the line is fitted in).
  double Confidence(double X) const { return Regr().Confidence(X); }
  // The band is drawn: its line or its area is visible.
  bool BandVisible() const;
  // The band in pixels: the upper and lower lines and the area polygon
  // (upper points in order, lower ones reversed, the first upper again).
  const std::vector<TGvScreenPoint>& UpperConfidencePoints() const { return FUpper; }
  const std::vector<TGvScreenPoint>& LowerConfidencePoints() const { return FLower; }
  const std::vector<QPointF>& ConfidenceAreaPoints() const { return FBandArea; }

  void SetUndoStack(TGvUndoStackBase* Stack) override;
  bool SeriesVisible() const override;
  void CalculateFunction() override;
  // Two points for the line, and one pair per pixel for the band.
  void CalculatePoints() override;
  // The band (area, then its two lines) below the line.
  void PaintGr(QPainter& Painter) override;
  double GetY(double AtX) override;
  QString GetFormula() const override;
  void RegisterVariables() override;

  // Saved forms (GvAnalysisIO.cpp), after the function series' fields:
  // FixedOffset byte, Offset double (only when fixed), the band's line and
  // area blocks, byte 0; the XML child "LinearRegression" (attributes
  // "FixedOffset", "Offset" when fixed; children "ConfidenceIntervalLine",
  // "ConfidenceIntervalArea"); the ini keys "FixedOffset", "Offset" and the
  // blocks under "ConfidenceIntervalLine" and "ConfidenceIntervalArea".
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  TGvCalculationOf<TGvLinearRegressionCalculation>* FRegr;
  TGvLineSettings* FConfidenceIntervalLine;
  TGvAreaSettings* FConfidenceIntervalArea;
  std::vector<TGvScreenPoint> FUpper, FLower;
  std::vector<QPointF> FBandArea;
};
