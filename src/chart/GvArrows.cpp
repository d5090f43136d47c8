#include "chart/GvArrows.h"

#include "chart/GvDrawing.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

QRectF GvArrowGradientRect(const QPointF& Tail, const QPointF& Tip)
{
  QRectF R = OrderedRect(Tail, Tip);
  if (R.width() < 1) {
    const double C = R.center().x();
    R.setLeft(C - 0.5);
    R.setRight(C + 0.5);
  }
  if (R.height() < 1) {
    const double C = R.center().y();
    R.setTop(C - 0.5);
    R.setBottom(C + 0.5);
  }
  return R;
}

TGvArrowGeometry GvArrowGeometry(const QPointF& Tail, const QPointF& Tip, const TGvArrowCap& Cap)
{
  TGvArrowGeometry G;
  if (!GvFinite(Tail) || !GvFinite(Tip)) return G;
  const double Len = std::hypot(Tip.x() - Tail.x(), Tip.y() - Tail.y());
  if (!(Len > 0) || !std::isfinite(Len)) return G;
  G.Visible = true;
  const QPointF U = (Tip - Tail) / Len;
  G.Shaft = QLineF(Tail, Tip - U * std::clamp(Cap.BaseInset, 0.0, Len));
  G.Head = PlaceArrowCap(Cap, Tail, Tip);
  G.GradientRect = GvArrowGradientRect(Tail, Tip);
  return G;
}

int GvArrowCount(int XCount, int YCount, int DeltaXCount, int DeltaYCount)
{
  if (DeltaXCount < 0 || DeltaYCount < 0) return 0;
  return std::max(std::min({XCount, YCount, DeltaXCount, DeltaYCount}), 0);
}

TGvArrowRanges GvArrowRanges(const std::vector<double>& X, const std::vector<double>& Y,
                             const std::vector<double>& DX, const std::vector<double>& DY)
{
  TGvArrowRanges R;
  const size_t N = std::min({X.size(), Y.size(), DX.size(), DY.size()});
  for (size_t I = 0; I < N; ++I) {
    const double X1 = X[I] + DX[I], Y1 = Y[I] + DY[I];
    if (!std::isfinite(X1) || !std::isfinite(Y1)) continue;
    R.X.Add(X[I]);
    R.X.Add(X1);
    R.Y.Add(Y[I]);
    R.Y.Add(Y1);
  }
  return R;
}

// ---- TGvArrows ----------------------------------------------------------------

TGvArrows::TGvArrows(QObject* Owner) : TGvSeries(Owner)
{
  // The arrow settings stand in for the line settings, in the series' colour.
  auto* A = new TGvArrowSettings(this);
  A->Assign(*FLine);
  delete FLine;
  FLine = A;
  connect(FLine, &TGvPersistent::Changed, this, &TGvArrows::OnSettingsChanged);
  FMinCount = 1;
  NumberCaption();
}

TGvArrows::~TGvArrows()
{
  BeginDestroy();
}

void TGvArrows::SetArrow(TGvArrowSettings* Value)
{
  if (Value && Value != FLine) Arrow()->Assign(*Value);
}

void TGvArrows::SetDelta(QPointer<TGvCustomDoubleVector>& Slot, TGvCustomDoubleVector* Value,
                         const char* Prop, const char* Comment)
{
  if (Value == Slot) return;
  CheckUndo(Prop, QString::fromLatin1(Comment));
  AttachVector(Slot, Value);
  RangesModified();
  if (FGraph) FGraph->Modified();
}

void TGvArrows::SetDeltaX(TGvCustomDoubleVector* Value)
{
  SetDelta(FDeltaX, Value, "DeltaX", "Arrows X-delta reference");
}

void TGvArrows::SetDeltaY(TGvCustomDoubleVector* Value)
{
  SetDelta(FDeltaY, Value, "DeltaY", "Arrows Y-delta reference");
}

void TGvArrows::SetXDeltaTransformation(TGvValueTransformation Value)
{
  FDXTransform = std::move(Value);
  RangesModified();
}

void TGvArrows::SetYDeltaTransformation(TGvValueTransformation Value)
{
  FDYTransform = std::move(Value);
  RangesModified();
}

bool TGvArrows::Delta(int I, double& DX, double& DY) const
{
  const TGvCustomDoubleVector* X = FDeltaX.data();
  const TGvCustomDoubleVector* Y = FDeltaY.data();
  if (!X || !Y || I < 0 || I >= X->Count() || I >= Y->Count()) return false;
  if (!FOutliersVisible && (X->IsOutlier(I) || Y->IsOutlier(I))) return false;
  auto* Self = const_cast<TGvArrows*>(this);
  DX = FDXTransform ? FDXTransform(Self, {X->Value(I), I}) : X->Value(I);
  DY = FDYTransform ? FDYTransform(Self, {Y->Value(I), I}) : Y->Value(I);
  return std::isfinite(DX) && std::isfinite(DY);
}

int TGvArrows::GetCount()
{
  const TGvCustomDoubleVector* X = XVector();
  const TGvCustomDoubleVector* Y = YVector();
  FMinCount = 1;
  return GvArrowCount(X ? X->Count() : 0, Y ? Y->Count() : 0, FDeltaX ? FDeltaX->Count() : -1,
                      FDeltaY ? FDeltaY->Count() : -1);
}

bool TGvArrows::HasValuesAt(int Idx) const
{
  double DX, DY;
  return TGvSeries::HasValuesAt(Idx) && Delta(Idx, DX, DY);
}

bool TGvArrows::SeriesVisible() const
{
  return FVisible && FLine->Visible();
}

void TGvArrows::ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount)
{
  InvalidatePoints();
}

void TGvArrows::TestVisibleChanged()
{
  // Hidden arrows contribute no range: showing or hiding them re-ranges.
  const bool V = FLine->Visible();
  if (V != FLastArrowVisible) {
    FLastArrowVisible = V;
    RangesModified();
  }
}

void TGvArrows::Calculate()
{
  const TGvCustomDoubleVector* XV = XVector();
  const TGvCustomDoubleVector* YV = YVector();
  if (!XV || !YV) return;
  const int Counts[4] = {XV->Count(), YV->Count(), FDeltaX ? FDeltaX->Count() : 0,
                         FDeltaY ? FDeltaY->Count() : 0};
  if (std::none_of(std::begin(Counts), std::end(Counts), [&](int C) { return C > FLastCount; }))
    return;
  FCount = GetCount();
  if (FLastCount >= FCount || FCount < FMinCount) return;
  FAppending = FLastCount > 0;
  if (!FLine->Visible()) {
    StoreXRange(GvNoRangeStart, GvNoRangeStop);
    StoreYRange(GvNoRangeStart, GvNoRangeStop);
  } else {
    // Only the elements that came since the last calculation are folded in.
    for (int I = FXFold.Count; I < FCount; ++I) {
      double X, Y, DX, DY;
      if (!ElementValues(I, X, Y) || !Delta(I, DX, DY)) continue;
      if (!std::isfinite(X + DX) || !std::isfinite(Y + DY)) continue;
      FXFold.Add(X);
      FXFold.Add(X + DX);
      FYFold.Add(Y);
      FYFold.Add(Y + DY);
    }
    FXFold.Count = FYFold.Count = FCount;
    StoreXRange(FXFold.Lo, FXFold.Hi);
    StoreYRange(FYFold.Lo, FYFold.Hi);
  }
  FRecalcPoints = true;
  FLastCount = FCount;
  Invalidate();
}

void TGvArrows::CalculatePoints()
{
  if (!FXAxis || !FYAxis) return;
  FMapX = MapKeyOf(FXAxis);
  FMapY = MapKeyOf(FYAxis);
  FPoints.clear();
  FTips.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  for (int I = 0; I < FCount; ++I) {
    double X, Y, DX, DY;
    if (!ElementValues(I, X, Y) || !Delta(I, DX, DY)) continue;
    FPoints.push_back(
        {GvClampPixel(FXAxis->NumberToWorld(X)), GvClampPixel(FYAxis->NumberToWorld(Y)), I});
    FTips.emplace_back(GvClampPixel(FXAxis->NumberToWorld(X + DX)),
                       GvClampPixel(FYAxis->NumberToWorld(Y + DY)));
  }
  FCommitted = FPoints.size();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

void TGvArrows::DrawArrow(QPainter& Painter, const QPen& Pen, const QPointF& Tail,
                          const QPointF& Tip) const
{
  const TGvArrowGeometry G = GvArrowGeometry(Tail, Tip, ArrowPointCap(*Arrow()));
  if (!G.Visible) return;
  Painter.setPen(Pen);
  Painter.setBrush(Qt::NoBrush);
  if (G.Shaft.length() > 0) Painter.drawLine(G.Shaft);
  if (!G.Head.isEmpty()) {
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(Pen.brush());
    Painter.drawPolygon(G.Head);
  }
}

void TGvArrows::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  if (PointsStale()) CalculatePoints();
  const bool Gradient = FLine->Gradient()->Visible();
  const QPen Plain = FLine->GetPen();
  Painter.save();
  for (size_t K = 0; K < FPoints.size(); ++K) {
    const QPointF Tail(FPoints[K].X, FPoints[K].Y), Tip = FTips[K];
    TGvPenEventArgs PA;
    PA.Index = FPoints[K].Index;
    ElementValues(PA.Index, PA.X, PA.Y);
    PA.Pen = Gradient ? FLine->GetPen(GvArrowGradientRect(Tail, Tip)) : Plain;
    PA.Visible = true;
    if (OnGetPen) OnGetPen(this, PA);
    if (PA.Visible) DrawArrow(Painter, PA.Pen, Tail, Tip);
  }
  Painter.restore();
}

float TGvArrows::ExtraSpaceAt(TGvAxisPosition Border) const
{
  // The range holds the tips; the heads reach across the line.
  if (!FVisible || !FLine->Visible()) return 0;
  const double Across = std::max<double>(Arrow()->PointHeight(), FLine->Width() / 2.0);
  return float(std::ceil(std::clamp(Across, 0.0, 1000.0)) + 1);
}

void TGvArrows::DrawListItem(QPainter& Painter, const QRectF& Rect)
{
  if (!FLine->Visible()) return;
  const double Y = Rect.center().y();
  const QPointF Tail(Rect.left() + 1, Y), Tip(Rect.right() - 1, Y);
  Painter.save();
  DrawArrow(Painter, FLine->GetPen(GvArrowGradientRect(Tail, Tip)), Tail, Tip);
  Painter.restore();
}
