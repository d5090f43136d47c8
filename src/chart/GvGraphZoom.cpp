#include "chart/GvGraphZoom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

QRectF GvZoomRect(QPointF Corner1, QPointF Corner2, const QRectF& Area)
{
  double L = std::floor(std::min(Corner1.x(), Corner2.x()));
  double R = std::ceil(std::max(Corner1.x(), Corner2.x()));
  double T = std::floor(std::min(Corner1.y(), Corner2.y()));
  double B = std::ceil(std::max(Corner1.y(), Corner2.y()));
  const double AL = std::floor(Area.left()), AR = std::ceil(Area.left() + Area.width());
  const double AT = std::floor(Area.top()), AB = std::ceil(Area.top() + Area.height());
  L = std::clamp(L, AL, std::max(AL, AR));
  R = std::clamp(R, AL, std::max(AL, AR));
  T = std::clamp(T, AT, std::max(AT, AB));
  B = std::clamp(B, AT, std::max(AT, AB));
  return QRectF(L, T, R - L, B - T);
}

TGvRubberBandAction GvRubberBandAction(QPoint Start, QPoint End,
                                       bool ResetOnRightBottomLeftTopFrame,
                                       bool BackOnRightBottomLeftTopFrame)
{
  const bool Backwards = End.x() < Start.x() && End.y() < Start.y();
  if (ResetOnRightBottomLeftTopFrame && Backwards) return TGvRubberBandAction::Reset;
  if (std::abs(End.x() - Start.x()) < 5 || std::abs(End.y() - Start.y()) < 5)
    return TGvRubberBandAction::None;
  if (BackOnRightBottomLeftTopFrame && Backwards) return TGvRubberBandAction::Back;
  return TGvRubberBandAction::Zoom;
}

bool GvIsClick(QPoint Start, QPoint End)
{
  return std::abs(End.x() - Start.x()) < 4 && std::abs(End.y() - Start.y()) < 4;
}

namespace {
// The range lies within the scroll range (with a little room for rounding).
bool Within(double Start, double Stop, double ScrollStart, double ScrollStop)
{
  const double Lo = std::min(ScrollStart, ScrollStop), Hi = std::max(ScrollStart, ScrollStop);
  const double Tol = (Hi - Lo) * 1e-9 + 1e-300;
  return Start >= Lo - Tol && Stop <= Hi + Tol;
}
} // namespace

bool GvPanRange(const TGvPanAxis& A, double DX, double DY, double& NewStart, double& NewStop)
{
  const double Pixels = A.Horizontal ? DX : DY;
  double Shift = Pixels * A.ValuePerPixel;
  if (A.Twisted) Shift = -Shift;
  NewStart = A.Start + Shift;
  NewStop = A.Stop + Shift;
  if (!std::isfinite(NewStart) || !std::isfinite(NewStop)) return false;
  return Within(NewStart, NewStop, A.ScrollStart, A.ScrollStop);
}

double GvShiftRoundingStep(TGvAxisEndRounding Rounding, double MajorIncrement,
                           double MinorIncrement)
{
  switch (Rounding) {
  case TGvAxisEndRounding::RndToMajor:
    return MajorIncrement;
  case TGvAxisEndRounding::RndToMajorZoomToMinor:
  case TGvAxisEndRounding::RndToMinor:
    return MinorIncrement;
  default:
    return 0;
  }
}

double GvRoundUpToStep(double V, double Step)
{
  if (!(Step > 0) || !std::isfinite(Step)) return V;
  return Step * std::nearbyint(V / Step + 0.499999);
}

double GvRoundDownToStep(double V, double Step)
{
  if (!(Step > 0) || !std::isfinite(Step)) return V;
  return Step * std::nearbyint(V / Step - 0.499999);
}

bool GvShiftRange(const TGvShiftAxis& A, double Shift, double& NewStart, double& NewStop)
{
  NewStart = A.Start;
  NewStop = A.Stop;
  const double Width = A.Stop - A.Start;
  if (!std::isfinite(Shift) || Shift == 0 || !std::isfinite(Width)) return false;
  const bool Round = A.RoundStart && A.Step > 0;
  double S = A.Start + (Round ? Shift * 0.9999 : Shift);
  // Rounded in the direction of the shift, so that a step shorter than the
  // rounding step still moves the range the way it was asked to.
  if (Round) S = Shift > 0 ? GvRoundUpToStep(S, A.Step) : GvRoundDownToStep(S, A.Step);
  if (S < A.ScrollStart) S = A.ScrollStart;
  if (S + Width > A.ScrollStop) {
    S = A.ScrollStop - Width;
    if (Round) S = GvRoundDownToStep(S, A.Step);
    if (S < A.ScrollStart) S = A.ScrollStart;
  }
  NewStart = S;
  NewStop = S + Width;
  return NewStart != A.Start || NewStop != A.Stop;
}

double GvScrollStep(TGvScrollIncrement Kind, double RangeWidth, double MajorIncrement,
                    double MinorIncrement, double ValuePerPixel)
{
  switch (Kind) {
  case TGvScrollIncrement::Page:
    return RangeWidth;
  case TGvScrollIncrement::MajorTick:
    return MajorIncrement;
  case TGvScrollIncrement::MinorTick:
    return MinorIncrement;
  default:
    return ValuePerPixel;
  }
}

double GvScrollStartFor(int Position, double ScrollStart, double ScrollStop, double Width,
                        bool Inverted)
{
  double W = ScrollStop - ScrollStart;
  if (!(W > 0)) W = Width;
  const double P = std::clamp(Position, 0, 10000) / 10000.0;
  if (Inverted) return ScrollStart + (1 - P) * W - Width;
  return ScrollStart + P * W;
}

bool GvCanZoomBack(bool Circular, int Stage, int Size)
{
  return Circular ? Size > 0 : Size > 0 && Stage > 0;
}

bool GvCanRedoZoom(bool Circular, int Stage, int Size)
{
  return Circular ? Size > 0 : Size > 0 && Stage < Size - 1;
}
