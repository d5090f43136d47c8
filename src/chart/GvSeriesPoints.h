// The arithmetic between a series' data elements and the points it draws,
// over plain data:
//
//   TGvScreenPoint        one converted element: pixel position and data index
//   TGvColumnFilter       per pixel column of consecutive points: the entry,
//                         lowest, highest and exit point, in data order
//   TGvPolylineRule       the series' own line reduction (points within one
//                         pixel dropped, runs of one vertical direction inside
//                         one pixel column merged)
//   TGvLineReducer        both of them in a row, fed incrementally
//   TGvSymbolRule         symbols: a point within one pixel of the last kept
//                         one is dropped
//   TGvSymbolPixels       symbols: one per rounded pixel (and symbol kind)
//   GvCalcPointsStartStop which elements to convert (the visible part)
//   GvInterpolateY        the series' value at an X
//   GvSampleGrid          the X values a function series evaluates
//   GvClipPolyline        a polyline cut to a rectangle, in floating point,
//                         before it is drawn in whole pixels
//   GvClipPolygon         a polygon cut to a rectangle
//
// Incremental use: the reducers keep their state between calls, so that
// values appended to a series are folded in without converting the old ones
// again. Their output is "committed" (final) points followed by a "tail"
// (Finish) that depends on which point is the last one: before feeding new
// points the caller drops the tail again (see TGvLineReducer).
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>
#include <vector>

struct TGvScreenPoint
{
  float X = 0;
  float Y = 0;
  int32_t Index = -1; // data index of the element
};

// The largest offset a screen coordinate may have; conversions clamp to it,
// so that no huge or non-finite coordinate reaches the painter.
constexpr float GvMaxPixel = 100000.0f;

// Clamps a converted coordinate to +-GvMaxPixel; NaN becomes 0.
inline float GvClampPixel(double V)
{
  if (!(V == V)) return 0.0f;
  if (V > GvMaxPixel) return GvMaxPixel;
  if (V < -GvMaxPixel) return -GvMaxPixel;
  return float(V);
}

// ---- Line reduction -------------------------------------------------------

// Keeps, per run of consecutive points in one pixel column (floor of X), the
// first point (entry), the one with the least Y, the one with the greatest Y
// and the last point (exit), in data order, each once. For lines of one pixel
// the raster stays the same; a column gives at most four points, so noisy data
// cost the plot's width, not the vector's length.
class TGvColumnFilter
{
public:
  template <class TOut> void Feed(const TGvScreenPoint& P, TOut&& Out)
  {
    const int Column = ColumnOf(P.X);
    if (FOpen && Column == FColumn) {
      if (P.Y < FMin.Y) FMin = P;
      if (P.Y > FMax.Y) FMax = P;
      FExit = P;
      return;
    }
    if (FOpen) Emit(Out);
    FOpen = true;
    FColumn = Column;
    FEntry = FMin = FMax = FExit = P;
  }
  // Emits the open column (the state stays as it is).
  template <class TOut> void Flush(TOut&& Out) const
  {
    if (FOpen) Emit(Out);
  }
  void Reset() { FOpen = false; }

private:
  static int ColumnOf(float X) { return int(std::floor(X)); }
  template <class TOut> void Emit(TOut& Out) const
  {
    TGvScreenPoint P[4] = {FEntry, FMin, FMax, FExit};
    std::sort(P, P + 4,
              [](const TGvScreenPoint& A, const TGvScreenPoint& B) { return A.Index < B.Index; });
    for (int I = 0; I < 4; ++I)
      if (I == 0 || P[I].Index != P[I - 1].Index) Out(P[I]);
  }

  bool FOpen = false;
  int FColumn = 0;
  TGvScreenPoint FEntry, FMin, FMax, FExit;
};

// The series' line reduction, as a machine fed one point at a time:
//  - the first point is kept (P);
//  - a following point less than one pixel from P in both X and Y is dropped,
//    unless it is the last one;
//  - a point Q in P's pixel column (less than one pixel from P in X) starts a
//    run: while the next point R is still in P's column and continues the
//    vertical direction from P to Q (R at or below Q when Q is below P on the
//    screen, at or above it otherwise), Q moves on to R; the run's last point
//    is kept (and, when the run reaches the last point, the one before too);
//  - any other point is kept and becomes P.
// Feed emits what is final; Finish emits the points that are kept only
// because the last point fed is the last one.
class TGvPolylineRule
{
public:
  template <class TOut> void Feed(const TGvScreenPoint& Q, TOut&& Out)
  {
    if (!FHasP) {
      Out(Q);
      FP = Q;
      FHasP = true;
      return;
    }
    if (FMode == TMode::Run) {
      if (InColumn(Q) && (FDown ? Q.Y >= FHead.Y : Q.Y <= FHead.Y)) {
        FPrevHead = FHead;
        FHead = Q;
        FExtended = true;
        return;
      }
      Out(FHead);
      FP = FHead;
      FMode = TMode::None;
    }
    if (std::fabs(Q.X - FP.X) < 1 && std::fabs(Q.Y - FP.Y) < 1) {
      FMode = TMode::Pending;
      FPending = Q;
      return;
    }
    if (InColumn(Q)) {
      FMode = TMode::Run;
      FHead = Q;
      FExtended = false;
      FDown = Q.Y > FP.Y;
      return;
    }
    Out(Q);
    FP = Q;
    FMode = TMode::None;
  }
  template <class TOut> void Finish(TOut&& Out) const
  {
    if (!FHasP) return;
    if (FMode == TMode::Pending) {
      Out(FPending);
    } else if (FMode == TMode::Run) {
      if (FExtended) Out(FPrevHead);
      Out(FHead);
    }
  }
  void Reset()
  {
    FHasP = false;
    FMode = TMode::None;
  }

private:
  bool InColumn(const TGvScreenPoint& Q) const { return std::fabs(Q.X - FP.X) < 1; }

  enum class TMode
  {
    None,
    Pending,
    Run
  };
  bool FHasP = false;
  TMode FMode = TMode::None;
  TGvScreenPoint FP, FPending, FHead, FPrevHead;
  bool FExtended = false;
  bool FDown = false;
};

// The line reduction of a series: the column filter, then the series' rule.
// The first and the last point fed are always kept.
//
//   Reducer.Reset(); Out.clear();
//   for (...) Reducer.Feed(P, Push);        // committed points
//   Committed = Out.size(); Reducer.Finish(Push);   // the tail
//   ... later, more points:
//   Out.resize(Committed); for (...) Reducer.Feed(P, Push); ...
class TGvLineReducer
{
public:
  template <class TOut> void Feed(const TGvScreenPoint& P, TOut&& Out)
  {
    FColumns.Feed(P, [&](const TGvScreenPoint& Q) { FRule.Feed(Q, Out); });
  }
  template <class TOut> void Finish(TOut&& Out) const
  {
    TGvPolylineRule Rule = FRule;
    FColumns.Flush([&](const TGvScreenPoint& Q) { Rule.Feed(Q, Out); });
    Rule.Finish(Out);
  }
  void Reset()
  {
    FColumns.Reset();
    FRule.Reset();
  }

private:
  TGvColumnFilter FColumns;
  TGvPolylineRule FRule;
};

// Symbols: a point is kept when it lies more than one pixel from the last kept
// one in X or in Y.
class TGvSymbolRule
{
public:
  bool Keep(const TGvScreenPoint& P)
  {
    if (FHas && std::fabs(P.X - FLast.X) <= 1 && std::fabs(P.Y - FLast.Y) <= 1) return false;
    FHas = true;
    FLast = P;
    return true;
  }
  void Reset() { FHas = false; }

private:
  bool FHas = false;
  TGvScreenPoint FLast;
};

// Symbols: which rounded pixels already hold a drawn symbol (of a kind: the
// normal and the out-of-range symbol are told apart). Add returns false for a
// pixel that holds one already.
class TGvSymbolPixels
{
public:
  bool Add(float X, float Y, int Kind)
  {
    const uint64_t Key = (uint64_t(uint32_t(int32_t(std::lround(X)))) << 32) ^
                         (uint64_t(uint32_t(int32_t(std::lround(Y)))) << 1) ^ uint64_t(Kind & 1);
    return FSeen.insert(Key).second;
  }
  void Clear() { FSeen.clear(); }
  size_t Size() const { return FSeen.size(); }

private:
  std::unordered_set<uint64_t> FSeen;
};

// ---- Which elements to convert --------------------------------------------

struct TGvIndexRange
{
  int Start = 0;
  int Stop = -1; // inclusive; Start > Stop: nothing to convert
  bool Empty() const { return Start > Stop; }
};

// The elements a series converts to screen points, from LastPointsCount to
// Count - 1. With Ascending (the X values, as used, grow strictly with the
// index) and more than 20 elements, the part left of AxisStart and right of
// AxisStop is cut off by binary search, keeping one element outside on each
// side. Then both ends move inwards to the nearest elements with values.
// X(i) gives the X value as used, HasValues(i) whether element i counts.
template <class TX, class THasValues>
TGvIndexRange GvCalcPointsStartStop(int Count, int LastPointsCount, bool Ascending,
                                    double AxisStart, double AxisStop, TX&& X,
                                    THasValues&& HasValues)
{
  TGvIndexRange R;
  if (Count <= 0) {
    R.Start = R.Stop = 0;
    return R;
  }
  int Start = std::clamp(LastPointsCount, 0, Count - 1);
  int Stop = Count - 1;
  if (Ascending && Stop - Start > 20) {
    // Start moves on while the next X is left of the axis start (and
    // Start + 1 < Stop): it ends before the first X at or beyond AxisStart
    // among Start + 1 .. Stop - 1.
    int Lo = Start + 1, Hi = Stop; // search [Lo, Hi): first with X >= AxisStart
    while (Lo < Hi) {
      const int Mid = Lo + (Hi - Lo) / 2;
      if (X(Mid) < AxisStart)
        Lo = Mid + 1;
      else
        Hi = Mid;
    }
    Start = Lo - 1;
    // Stop moves back while the previous X is right of the axis stop (and
    // Start < Stop - 1): it ends after the last X at or before AxisStop among
    // Start + 1 .. Stop - 1.
    Lo = Start + 1;
    Hi = Stop; // search [Lo, Hi): first with X > AxisStop
    while (Lo < Hi) {
      const int Mid = Lo + (Hi - Lo) / 2;
      if (X(Mid) > AxisStop)
        Hi = Mid;
      else
        Lo = Mid + 1;
    }
    Stop = Lo;
  }
  if (Stop < Start) Start = Stop;
  while (Start <= Stop && !HasValues(Start)) ++Start;
  while (Stop >= Start && !HasValues(Stop)) --Stop;
  R.Start = Start;
  R.Stop = Stop;
  return R;
}

// ---- The series' value at an X ---------------------------------------------

// The value at AtX by linear interpolation between the neighbouring elements
// with values: 0 without elements, Y(0) with one. With Ascending (X grows
// strictly with the index) the neighbours are found by binary search, else
// as the last element with X at or below AtX and the first with X at or above
// it. Outside the X range the nearest end element gives the value; two
// neighbours with the same X give the Y of the one that comes first.
template <class TX, class TY, class THasValues>
double GvInterpolateY(int Count, bool Ascending, double AtX, TX&& X, TY&& Y, THasValues&& HasValues)
{
  if (Count <= 0) return 0;
  if (Count == 1) return Y(0);
  int A = -1, B = -1;
  if (Ascending) {
    int Lo = 0, Hi = Count; // first with X >= AtX
    while (Lo < Hi) {
      const int Mid = Lo + (Hi - Lo) / 2;
      if (X(Mid) < AtX)
        Lo = Mid + 1;
      else
        Hi = Mid;
    }
    B = Lo;
    while (B < Count && !HasValues(B)) ++B;
    A = std::min(Lo, Count) - 1;
    // An element at exactly AtX is its own neighbour.
    if (B < Count && X(B) == AtX) A = B;
    while (A >= 0 && !HasValues(A)) --A;
    if (A < 0) A = B;
    if (B >= Count) B = A;
  } else {
    double BestBelow = 0, BestAbove = 0;
    for (int I = 0; I < Count; ++I) {
      if (!HasValues(I)) continue;
      const double V = X(I);
      if (V <= AtX && (A < 0 || V > BestBelow)) {
        A = I;
        BestBelow = V;
      }
      if (V >= AtX && (B < 0 || V < BestAbove)) {
        B = I;
        BestAbove = V;
      }
    }
    if (A < 0) A = B;
    if (B < 0) B = A;
  }
  if (A < 0) return 0; // no element with values
  const double XA = X(A), XB = X(B);
  if (A == B || XA == XB) return Y(std::min(A, B));
  return Y(A) + (AtX - XA) * (Y(B) - Y(A)) / (XB - XA);
}

// ---- Function sampling ------------------------------------------------------

// The X values a function series evaluates between A and B: N = max(Width, 1)
// intervals, x = A + i (B - A) / N by index (no accumulated step), the last
// one exactly B; on a logarithmic axis one per pixel in the logarithm (A must
// be positive). Nothing when B <= A or an end is not finite.
std::vector<double> GvSampleGrid(double A, double B, int Width, bool Log);

// ---- Clipping ---------------------------------------------------------------

// A polyline cut into the pieces that lie inside a rectangle.
struct TGvPolylinePieces
{
  std::vector<QPointF> Points; // all pieces, one after the other
  std::vector<int> Sizes;      // the number of points of each piece
  void Clear()
  {
    Points.clear();
    Sizes.clear();
  }
};
// The same in whole pixels (the fast path: no anti-aliasing).
struct TGvIntPolylinePieces
{
  std::vector<QPoint> Points;
  std::vector<int> Sizes;
  void Clear()
  {
    Points.clear();
    Sizes.clear();
  }
};

// Cuts the segments of the polyline P[0..N-1] to Clip (Liang-Barsky, in
// double precision) and appends the visible pieces to Out; consecutive
// visible segments form one piece. Non-finite points break the line.
void GvClipPolyline(const TGvScreenPoint* P, int N, const QRectF& Clip, TGvPolylinePieces& Out);
// The same, rounded to whole pixels (equal consecutive pixels are dropped).
void GvClipPolyline(const TGvScreenPoint* P, int N, const QRectF& Clip, TGvIntPolylinePieces& Out);
// Cuts a closed polygon to Clip (Sutherland-Hodgman). Non-finite points are
// dropped.
std::vector<QPointF> GvClipPolygon(const std::vector<QPointF>& Polygon, const QRectF& Clip);
