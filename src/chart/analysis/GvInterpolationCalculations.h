// A piecewise cubic through (or, for the approximative spline, near) a set of
// points: Akima, the not-a-knot cubic spline or the smoothing spline, with an
// optional moving-window pre-smoothing, and the curve's local extrema.
//
// On interval k the curve is A[k] + B[k]·t + C[k]·t² + D[k]·t³ with
// t = x − X[k]. Below the first node the first piece continues; from the
// last node on, the last node's coefficients are the last piece continued
// (re-centred there), so the curve goes on smoothly at both ends.
//
// The interpolation series (TGvInterpolation, unit GvInterpolation) owns one
// and forwards its settings to it; the Fourier series resamples uneven data
// through one, and the moving average and the fits use it on arrays of their
// own.
#pragma once

#include "chart/GvMath.h"

#include <QObject>
#include <QString>
#include <cstddef>
#include <span>
#include <vector>

namespace GvInterpolationTypes {
Q_NAMESPACE

enum class TGvInterpolationMethod
{
  Akima = 0,
  CubicSpline = 1,
  ApproximativeSpline = 2,
};
Q_ENUM_NS(TGvInterpolationMethod)

} // namespace GvInterpolationTypes

using GvInterpolationTypes::TGvInterpolationMethod;

struct TGvDoublePoint
{
  double X = 0;
  double Y = 0;
};

class TGvInterpolationCalculation
{
public:
  // ---- Parameters (defaults: Akima, no smoothing, range 0, elasticity 1) ----
  TGvInterpolationMethod InterpolationMethod() const { return FInterpolationMethod; }
  // Stores a new method and marks for recalculation. Returns true when the
  // method is ApproximativeSpline while smoothing was on: smoothing is then
  // switched off and the caller shows ApproximativeSmoothingMessage().
  bool SetInterpolationMethod(TGvInterpolationMethod M);
  bool SmoothPoints() const { return FDoSmoothing; }
  // Returns false when refused (switching on with ApproximativeSpline):
  // nothing changes and the caller shows ApproximativeSmoothingMessage().
  bool SetSmoothPoints(bool B);
  double SmoothingRange() const { return FSmoothM; }
  // Recalculation only when the method is not ApproximativeSpline.
  void SetSmoothingRange(double X);
  double ElasticityFactor() const { return FElasticityFactor; }
  // A value <= 0 becomes 1e-300; recalculation only for ApproximativeSpline.
  void SetElasticityFactor(double X);
  // "Approximative spline does not need the smoothing function!" + line break
  // + "Use the ElasticityFactor to adjust the elasticity of the spline."
  static QString ApproximativeSmoothingMessage();
  // Least number of distinct points the method needs: 6 for the approximative
  // spline, else 3.
  static std::size_t MinimumPoints(TGvInterpolationMethod M);

  // True after a parameter change and before the first successful Calculate.
  bool NeedsRecalculation() const { return FRecalculate; }
  void MarkForRecalculation() { FRecalculate = true; }

  // Builds the curve through the valid points with positive weight (points
  // with a non-finite X or Y are not used). Points whose X are not strictly
  // ascending are put in ascending order; points with equal X, neighbours or
  // not, become one node (a run is folded pairwise from the left in input
  // order: Y and weight become the mean of the previous value and the next).
  // Errors (EMathError): a missing vector; fewer distinct points than
  // MinimumPoints "Not enough data points to calculate function"; the
  // solvers' messages; "Floating point overflow" when the coefficients do not
  // fit in doubles. After an error the calculation holds no curve and stays
  // marked for recalculation.
  void Calculate(const TGvCalculationData& Data);

  // ---- The curve ------------------------------------------------------------
  // Number of nodes in use (0 without a curve).
  std::size_t IntCount() const { return FX.size(); }
  // The curve at X; 0 without a curve or where the value is not finite.
  double Interpolate(double X) const;
  // The node whose piece covers X: 0 below the second node (and without a
  // curve), IntCount()-1 from the last node on. Walks from the node of the
  // previous call, so that calls in ascending (or descending) order cost a
  // step or two each.
  std::size_t FindIndex(double X) const;
  // Second derivative at X: 2·C[k] + 6·D[k]·t; 0 without a curve.
  double Curvature(double X) const;
  // Local extrema of the curve on [first node, last node), in X order;
  // searched once per calculation.
  const std::vector<TGvDoublePoint>& Minima() const;
  const std::vector<TGvDoublePoint>& Maxima() const;

  std::span<const double> NodeX() const { return FX; }
  std::span<const double> CoefA() const { return FA; }
  std::span<const double> CoefB() const { return FB; }
  std::span<const double> CoefC() const { return FC; }
  std::span<const double> CoefD() const { return FD; }

private:
  void Clear();
  void Build(const TGvCalculationData& Data);
  // The nodes and ordinates (X, A) of an interpolating method, and B, C, D
  // sized to the nodes for it to fill.
  struct TPieces
  {
    std::size_t N;
    const double* X;
    const double* Y;
    double* B;
    double* C;
    double* D;
  };
  TPieces PiecesToFill();
  void CalcAkima();
  void CalcCubicSpline();
  void CalcApproximativeSpline(std::span<const double> Y, std::span<const double> W);
  void ContinueLastPiece();
  void SearchExtrema() const;

  bool FRecalculate = true;
  bool FDoSmoothing = false;
  double FSmoothM = 0;
  double FElasticityFactor = 1.0;
  TGvInterpolationMethod FInterpolationMethod = TGvInterpolationMethod::Akima;
  std::vector<double> FX, FA, FB, FC, FD;
  mutable bool FSearchExtrema = true;
  mutable std::vector<TGvDoublePoint> FMinima, FMaxima;
  mutable std::size_t FLastIntK = 0; // the piece of the previous call
};
