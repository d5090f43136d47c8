#include "chart/GvSeriesPoints.h"

#include <QPolygonF>
#include <cmath>

std::vector<double> GvSampleGrid(double A, double B, int Width, bool Log)
{
  std::vector<double> X;
  if (!std::isfinite(A) || !std::isfinite(B) || !(B > A)) return X;
  if (Log && A <= 0) return X;
  const int N = std::max(Width, 1);
  X.reserve(size_t(N) + 1);
  if (Log) {
    const double LA = std::log10(A), LB = std::log10(B);
    for (int I = 0; I < N; ++I) X.push_back(std::pow(10.0, LA + I * (LB - LA) / N));
  } else {
    for (int I = 0; I < N; ++I) X.push_back(A + I * (B - A) / N);
  }
  X.push_back(B);
  return X;
}

namespace {

bool Finite(const TGvScreenPoint& P)
{
  return std::isfinite(P.X) && std::isfinite(P.Y);
}

// Liang-Barsky: the parameter interval [T0, T1] of the segment A..B that lies
// inside Clip; false when none does.
bool ClipSegment(double AX, double AY, double BX, double BY, const QRectF& Clip, double& T0,
                 double& T1)
{
  T0 = 0;
  T1 = 1;
  const double DX = BX - AX, DY = BY - AY;
  const double P[4] = {-DX, DX, -DY, DY};
  const double Q[4] = {AX - Clip.left(), Clip.right() - AX, AY - Clip.top(), Clip.bottom() - AY};
  for (int I = 0; I < 4; ++I) {
    if (P[I] == 0) {
      if (Q[I] < 0) return false;
      continue;
    }
    const double R = Q[I] / P[I];
    if (P[I] < 0) {
      if (R > T1) return false;
      if (R > T0) T0 = R;
    } else {
      if (R < T0) return false;
      if (R < T1) T1 = R;
    }
  }
  return T0 <= T1;
}

// Walks the visible parts of the segments; Begin(x, y) starts a piece, Add(x,
// y) continues it, End() closes it.
template <class TBegin, class TAdd, class TEnd>
void WalkClipped(const TGvScreenPoint* P, int N, const QRectF& Clip, TBegin&& Begin, TAdd&& Add,
                 TEnd&& End)
{
  bool Open = false;
  for (int I = 0; I + 1 < N; ++I) {
    const TGvScreenPoint& A = P[I];
    const TGvScreenPoint& B = P[I + 1];
    double T0, T1;
    if (!Finite(A) || !Finite(B) || !ClipSegment(A.X, A.Y, B.X, B.Y, Clip, T0, T1)) {
      if (Open) End();
      Open = false;
      continue;
    }
    const double DX = double(B.X) - A.X, DY = double(B.Y) - A.Y;
    if (!Open || T0 > 0) {
      if (Open) End();
      Begin(A.X + T0 * DX, A.Y + T0 * DY);
      Open = true;
    }
    Add(A.X + T1 * DX, A.Y + T1 * DY);
    if (T1 < 1) {
      End();
      Open = false;
    }
  }
  if (Open) End();
}

} // namespace

void GvClipPolyline(const TGvScreenPoint* P, int N, const QRectF& Clip, TGvPolylinePieces& Out)
{
  size_t PieceStart = 0;
  WalkClipped(
      P, N, Clip,
      [&](double X, double Y) {
        PieceStart = Out.Points.size();
        Out.Points.emplace_back(X, Y);
      },
      [&](double X, double Y) { Out.Points.emplace_back(X, Y); },
      [&] { Out.Sizes.push_back(int(Out.Points.size() - PieceStart)); });
}

void GvClipPolyline(const TGvScreenPoint* P, int N, const QRectF& Clip, TGvIntPolylinePieces& Out)
{
  size_t PieceStart = 0;
  auto Push = [&](double X, double Y) {
    const QPoint Q(int(std::lround(X)), int(std::lround(Y)));
    if (Out.Points.size() > PieceStart && Out.Points.back() == Q) return;
    Out.Points.push_back(Q);
  };
  WalkClipped(
      P, N, Clip,
      [&](double X, double Y) {
        PieceStart = Out.Points.size();
        Push(X, Y); // the first point of a piece is always pushed
      },
      Push,
      [&] {
        const int Size = int(Out.Points.size() - PieceStart);
        // A piece that collapsed to one pixel is drawn as a line of length 0,
        // which a pen still shows as a dot.
        if (Size == 1) Out.Points.push_back(Out.Points.back());
        Out.Sizes.push_back(int(Out.Points.size() - PieceStart));
      });
}

std::vector<QPointF> GvClipPolygon(const std::vector<QPointF>& Polygon, const QRectF& Clip)
{
  std::vector<QPointF> In;
  In.reserve(Polygon.size());
  for (const QPointF& P : Polygon)
    if (std::isfinite(P.x()) && std::isfinite(P.y())) In.push_back(P);
  // One edge of the rectangle at a time: Side 0 left, 1 right, 2 top, 3 bottom.
  auto Inside = [&](const QPointF& P, int Side) {
    switch (Side) {
    case 0:
      return P.x() >= Clip.left();
    case 1:
      return P.x() <= Clip.right();
    case 2:
      return P.y() >= Clip.top();
    default:
      return P.y() <= Clip.bottom();
    }
  };
  auto Cross = [&](const QPointF& A, const QPointF& B, int Side) {
    double T;
    switch (Side) {
    case 0:
      T = (Clip.left() - A.x()) / (B.x() - A.x());
      break;
    case 1:
      T = (Clip.right() - A.x()) / (B.x() - A.x());
      break;
    case 2:
      T = (Clip.top() - A.y()) / (B.y() - A.y());
      break;
    default:
      T = (Clip.bottom() - A.y()) / (B.y() - A.y());
      break;
    }
    return A + (B - A) * T;
  };
  for (int Side = 0; Side < 4 && !In.empty(); ++Side) {
    std::vector<QPointF> Out;
    Out.reserve(In.size() + 4);
    for (size_t I = 0; I < In.size(); ++I) {
      const QPointF& Cur = In[I];
      const QPointF& Prev = In[(I + In.size() - 1) % In.size()];
      const bool CurIn = Inside(Cur, Side), PrevIn = Inside(Prev, Side);
      // A crossing implies the two points differ in that coordinate, so the
      // division in Cross has a non-zero divisor.
      if (CurIn) {
        if (!PrevIn) Out.push_back(Cross(Prev, Cur, Side));
        Out.push_back(Cur);
      } else if (PrevIn) {
        Out.push_back(Cross(Prev, Cur, Side));
      }
    }
    In.swap(Out);
  }
  return In;
}
