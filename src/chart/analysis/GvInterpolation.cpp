#include "chart/analysis/GvInterpolation.h"

QString InterpolationFormula(TGvInterpolationMethod M)
{
  switch (M) {
  case TGvInterpolationMethod::Akima:
    return QStringLiteral("Interpolation (Akima)");
  case TGvInterpolationMethod::CubicSpline:
    return QStringLiteral("Interpolation (cubic spline)");
  case TGvInterpolationMethod::ApproximativeSpline:
    return QStringLiteral("Interpolation (approximative spline)");
  }
  return {};
}

int InterpolationMinCount(TGvInterpolationMethod M)
{
  return int(TGvInterpolationCalculation::MinimumPoints(M));
}

// ---- TGvInterpolation ----------------------------------------------------------

TGvInterpolation::TGvInterpolation(QObject* Owner) : TGvFunctionSeries(Owner)
{
  auto C = std::make_unique<TGvCalculationOf<TGvInterpolationCalculation>>();
  FInterpolation = C.get();
  SetCalculation(std::move(C));
  SetMinCount(InterpolationMinCount(InterpolationMethod()));
  RegisterVariables();
  NumberCaption();
}

TGvInterpolation::~TGvInterpolation()
{
  BeginDestroy();
}

void TGvInterpolation::SetInterpolationMethod(TGvInterpolationMethod Value)
{
  if (Value == InterpolationMethod()) return;
  // The approximative spline switches smoothing off: both are one step, so
  // that undoing it brings the smoothing back.
  const bool SmoothingOff = Value == TGvInterpolationMethod::ApproximativeSpline && SmoothPoints();
  const QString Comment = QStringLiteral("Algorithm used for interpolation");
  if (SmoothingOff) {
    RecordStartGroup(Comment);
    CheckUndo("SmoothPoints", QStringLiteral("Smoothing ON/OFF"));
  }
  CheckUndo("InterpolationMethod", Comment);
  if (SmoothingOff) RecordStopGroup();
  if (FInterpolation->Calc.SetInterpolationMethod(Value))
    ShowMessage(TGvInterpolationCalculation::ApproximativeSmoothingMessage());
  SetMinCount(InterpolationMinCount(Value));
  SetLastCount(0);
}

void TGvInterpolation::SetSmoothPoints(bool Value)
{
  if (Value == SmoothPoints()) return;
  if (Value && InterpolationMethod() == TGvInterpolationMethod::ApproximativeSpline) {
    ShowMessage(TGvInterpolationCalculation::ApproximativeSmoothingMessage());
    return;
  }
  CheckUndo("SmoothPoints", QStringLiteral("Smoothing ON/OFF"));
  FInterpolation->Calc.SetSmoothPoints(Value);
  if (InterpolationMethod() != TGvInterpolationMethod::ApproximativeSpline && SmoothingRange() != 0)
    SetLastCount(0);
}

void TGvInterpolation::SetSmoothingRange(double Value)
{
  if (Value == SmoothingRange()) return;
  CheckUndo("SmoothingRange", QStringLiteral("Smoothing range"));
  FInterpolation->Calc.SetSmoothingRange(Value);
  if (InterpolationMethod() != TGvInterpolationMethod::ApproximativeSpline && SmoothPoints())
    SetLastCount(0);
}

void TGvInterpolation::SetElasticityFactor(double Value)
{
  if ((Value <= 0 ? 1e-300 : Value) == ElasticityFactor()) return;
  CheckUndo("ElasticityFactor", QStringLiteral("Elasticity of approximative spline"));
  FInterpolation->Calc.SetElasticityFactor(Value);
  if (InterpolationMethod() == TGvInterpolationMethod::ApproximativeSpline) SetLastCount(0);
}

double TGvInterpolation::GetY(double AtX)
{
  return FInterpolation->Calc.Interpolate(AtX);
}

QString TGvInterpolation::GetFormula() const
{
  return InterpolationFormula(InterpolationMethod());
}

void TGvInterpolation::RegisterVariables()
{
  TGvFunctionSeries::RegisterVariables();
  AddVariableToList("SmoothingRange", "Factor to control smoothness with Akima and cubic spline",
                    this, GlobalVariableList(), [this] { return SmoothingRange(); });
  AddVariableToList("ElasticityFactor",
                    "Factor to control the elasticity of the approximative spline line", this,
                    GlobalVariableList(), [this] { return ElasticityFactor(); });
  struct TArray
  {
    const char* Id;
    const char* Comment;
    bool Maxima, Y;
  };
  const TArray Arrays[] = {
      {"Maxima.X", "Local maxima of interpolated function", true, false},
      {"Maxima.Y", "Local maxima of interpolated function", true, true},
      {"Minima.X", "Local minima of interpolated function", false, false},
      {"Minima.Y", "Local minima of interpolated function", false, true},
  };
  for (const TArray& A : Arrays) {
    const bool Max = A.Maxima, Y = A.Y;
    AddArrayToList(
        A.Id, A.Comment, this, GlobalArrayList(),
        [this, Max, Y](int I) {
          const TGvDoublePoint& P = (Max ? Maxima() : Minima())[std::size_t(I)];
          return Y ? P.Y : P.X;
        },
        [this, Max] { return int((Max ? Maxima() : Minima()).size()); });
  }
}
