// The interpolation series: a piecewise cubic through (or, for the
// approximative spline, near) the points of its data, drawn as a function
// series. The arithmetic is TGvInterpolationCalculation (unit
// GvInterpolationCalculations); the series owns one and publishes its
// parameters.
#pragma once

#include "chart/GvSeries.h"
#include "chart/analysis/GvInterpolationCalculations.h"

#include <QString>
#include <vector>

// "Interpolation (Akima)", "Interpolation (cubic spline)",
// "Interpolation (approximative spline)".
QString InterpolationFormula(TGvInterpolationMethod M);
// The series' minimum point count: 6 for the approximative spline, else 3.
int InterpolationMinCount(TGvInterpolationMethod M);

// Published beyond the function series: InterpolationMethod, SmoothPoints,
// SmoothingRange and ElasticityFactor. The curve's local extrema are Minima
// and Maxima. Registered parser variables: "SmoothingRange",
// "ElasticityFactor" and the arrays "Maxima.X", "Maxima.Y", "Minima.X",
// "Minima.Y".
class TGvInterpolation : public TGvFunctionSeries
{
  Q_OBJECT
  Q_PROPERTY(GvInterpolationTypes::TGvInterpolationMethod InterpolationMethod READ
                 InterpolationMethod WRITE SetInterpolationMethod)
  Q_PROPERTY(bool SmoothPoints READ SmoothPoints WRITE SetSmoothPoints)
  Q_PROPERTY(double SmoothingRange READ SmoothingRange WRITE SetSmoothingRange)
  Q_PROPERTY(double ElasticityFactor READ ElasticityFactor WRITE SetElasticityFactor)
public:
  explicit TGvInterpolation(QObject* Owner = nullptr);
  ~TGvInterpolation() override;

  TGvInterpolationMethod InterpolationMethod() const { return Calc().InterpolationMethod(); }
  // The approximative spline switches smoothing off (with a message: it
  // needs none).
  void SetInterpolationMethod(TGvInterpolationMethod Value);
  bool SmoothPoints() const { return Calc().SmoothPoints(); }
  // Refused with a message while the method is the approximative spline.
  void SetSmoothPoints(bool Value);
  double SmoothingRange() const { return Calc().SmoothingRange(); }
  void SetSmoothingRange(double Value);
  // A value <= 0 becomes 1e-300.
  double ElasticityFactor() const { return Calc().ElasticityFactor(); }
  void SetElasticityFactor(double Value);

  const std::vector<TGvDoublePoint>& Minima() const { return Calc().Minima(); }
  const std::vector<TGvDoublePoint>& Maxima() const { return Calc().Maxima(); }
  const TGvInterpolationCalculation& Calc() const { return FInterpolation->Calc; }

  double GetY(double AtX) override;
  QString GetFormula() const override;
  void RegisterVariables() override;

  // Saved forms (GvAnalysisIO.cpp), after the function series' fields: the
  // method byte, SmoothPoints byte, SmoothingRange and ElasticityFactor
  // doubles, byte 0; the XML child "Interpolation" and the ini keys "Method",
  // "SmoothPoints", "SmoothingRange", "ElasticityFactor".
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  TGvCalculationOf<TGvInterpolationCalculation>* FInterpolation;
};
