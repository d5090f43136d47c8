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
