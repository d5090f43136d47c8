#include "chart/GvBubbles.h"

#include "chart/GvDrawing.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

double GvBubbleRadius(double Raw, const std::function<double(double)>& Transform)
{
  double R = std::abs(Raw);
  if (Transform) R = std::abs(Transform(R));
  return std::isfinite(R) ? R : std::nan("");
}

namespace {

bool Positive(double V)
{
  return std::isfinite(V) && V > 0;
}

} // namespace

double GvRoundBubbleFactor(double XExtent, double YAxisLength, double YExtent, double XAxisLength)
{
  if (!Positive(XExtent) || !Positive(YAxisLength) || !Positive(YExtent) || !Positive(XAxisLength))
    return 1;
  const double E = XExtent * YAxisLength / (YExtent * XAxisLength);
  return Positive(E) ? E : 1;
}

double GvBubblePixelFactor(double XUnitsPerPixel, double YUnitsPerPixel)
{
  if (!Positive(XUnitsPerPixel) || !Positive(YUnitsPerPixel)) return 1;
  const double B = XUnitsPerPixel / YUnitsPerPixel;
  return Positive(B) ? B : 1;
}

TGvBubbleRanges GvBubbleRanges(const std::vector<double>& X, const std::vector<double>& Y,
                               const std::vector<double>& R, bool Elliptical, double XAxisLength,
                               double YAxisLength)
{
  TGvBubbleRanges Ranges;
  const size_t N = std::min({X.size(), Y.size(), R.size()});
  auto Has = [&](size_t I) {
    return std::isfinite(X[I]) && std::isfinite(Y[I]) && std::isfinite(R[I]);
  };
  TGvMinMax DataX;
  for (size_t I = 0; I < N; ++I) {
    if (!Has(I)) continue;
    Ranges.Y.Add(Y[I] - R[I]);
    Ranges.Y.Add(Y[I] + R[I]);
    DataX.Add(X[I]);
  }
  const double E =
      Elliptical ? 1.0
                 : GvRoundBubbleFactor(DataX.Extent(), YAxisLength, Ranges.Y.Extent(), XAxisLength);
  Ranges.X = DataX;
  for (size_t I = 0; I < N; ++I) {
    if (!Has(I)) continue;
    Ranges.X.Add(X[I] - E * R[I]);
    Ranges.X.Add(X[I] + E * R[I]);
  }
  return Ranges;
}

std::optional<QRectF> GvBubbleRect(double X, double Y, double R, double B,
                                   const std::function<double(double)>& XToPixel,
                                   const std::function<double(double)>& YToPixel)
{
  const double F = B * R;
  const QPointF P1(XToPixel(X - F), YToPixel(Y + R)), P2(XToPixel(X + F), YToPixel(Y - R));
  if (!GvFinite(P1) || !GvFinite(P2)) return std::nullopt;
  return OrderedRect(P1, P2);
}

// ---- TGvBubbles -------------------------------------------------------------

TGvBubbles::TGvBubbles(QObject* Owner) : TGvSeries(Owner)
{
  FMinCount = 1;
  NumberCaption();
}

TGvBubbles::~TGvBubbles()
{
  BeginDestroy();
}

void TGvBubbles::SetRadiusData(TGvCustomDoubleVector* Value)
{
  if (Value == FRadius) return;
  CheckUndo("RadiusData", QStringLiteral("Bubbles radius reference"));
  AttachVector(FRadius, Value);
  RangesModified();
  if (FGraph) FGraph->Modified();
}

void TGvBubbles::SetElliptical(bool Value)
{
  if (Value == FElliptical) return;
  CheckUndo("Elliptical", QStringLiteral("Elliptical bubbles"));
  FElliptical = Value;
  RangesModified();
}

void TGvBubbles::SetRadiusTransformation(TGvValueTransformation Value)
{
  FRadiusTransform = std::move(Value);
  RangesModified();
}

double TGvBubbles::Radius(int I) const
{
  if (!FRadius || I < 0 || I >= FRadius->Count()) return std::nan("");
  if (!FOutliersVisible && FRadius->IsOutlier(I)) return std::nan("");
  std::function<double(double)> T;
  if (FRadiusTransform)
    T = [&](double R) { return FRadiusTransform(const_cast<TGvBubbles*>(this), {R, I}); };
  return GvBubbleRadius(FRadius->Value(I), T);
}

int TGvBubbles::GetCount()
{
  FMinCount = 1;
  const int C = TGvSeries::GetCount();
  FMinCount = 1;
  return FRadius ? std::min(C, FRadius->Count()) : 0;
}

bool TGvBubbles::HasValuesAt(int Idx) const
{
  return TGvSeries::HasValuesAt(Idx) && std::isfinite(Radius(Idx));
}

void TGvBubbles::ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount)
{
  InvalidatePoints();
}

void TGvBubbles::Calculate()
{
  const TGvCustomDoubleVector* XV = XVector();
  const TGvCustomDoubleVector* YV = YVector();
  if (!XV || !YV || !FRadius) return;
  if (XV->Count() <= FLastCount && YV->Count() <= FLastCount && FRadius->Count() <= FLastCount)
    return;
  FCount = GetCount();
  if (FLastCount >= FCount || FCount < FMinCount) return;
  FAppending = FLastCount > 0;
  // The whole data: the round-bubble factor depends on all of it.
  const size_t N = static_cast<size_t>(FCount);
  std::vector<double> X(N), Y(N), R(N);
  for (int I = 0; I < FCount; ++I) {
    double A, B;
    const bool Has = ElementValues(I, A, B);
    X[size_t(I)] = Has ? A : std::nan("");
    Y[size_t(I)] = Has ? B : std::nan("");
    R[size_t(I)] = Has ? Radius(I) : std::nan("");
  }
  const double XLen = FXAxis ? FXAxis->AxLength() : 0, YLen = FYAxis ? FYAxis->AxLength() : 0;
  const TGvBubbleRanges Rg = GvBubbleRanges(X, Y, R, FElliptical, XLen, YLen);
  StoreXRange(Rg.X.Valid() ? Rg.X.Min : GvNoRangeStart, Rg.X.Valid() ? Rg.X.Max : GvNoRangeStop);
  StoreYRange(Rg.Y.Valid() ? Rg.Y.Min : GvNoRangeStart, Rg.Y.Valid() ? Rg.Y.Max : GvNoRangeStop);
  FRecalcPoints = true;
  FLastCount = FCount;
  Invalidate();
}

namespace {

// Value units per pixel along an axis; 0 when the axis has no length yet.
double UnitsPerPixel(const TGvAxis* A)
{
  const double L = A->AxLength();
  if (!(L > 0)) return 0;
  return std::abs(A->Stop() - A->Start()) / L;
}

} // namespace

void TGvBubbles::CalculatePoints()
{
  if (!FXAxis || !FYAxis) return;
  FMapX = MapKeyOf(FXAxis);
  FMapY = MapKeyOf(FYAxis);
  FPoints.clear();
  FRects.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  const double B =
      FElliptical ? 1.0 : GvBubblePixelFactor(UnitsPerPixel(FXAxis), UnitsPerPixel(FYAxis));
  const TGvAxis* XA = FXAxis;
  const TGvAxis* YA = FYAxis;
  auto PX = [XA](double V) { return double(XA->NumberToWorld(V)); };
  auto PY = [YA](double V) { return double(YA->NumberToWorld(V)); };
  for (int I = 0; I < FCount; ++I) {
    double X, Y;
    if (!ElementValues(I, X, Y)) continue;
    const std::optional<QRectF> Rect = GvBubbleRect(X, Y, Radius(I), B, PX, PY);
    if (!Rect) continue;
    const QRectF& R = *Rect;
    const QRectF C(GvClampPixel(R.left()), GvClampPixel(R.top()),
                   GvClampPixel(R.right()) - GvClampPixel(R.left()),
                   GvClampPixel(R.bottom()) - GvClampPixel(R.top()));
    FPoints.push_back({GvClampPixel(XA->NumberToWorld(X)), GvClampPixel(YA->NumberToWorld(Y)), I});
    FRects.push_back(C);
  }
  FCommitted = FPoints.size();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

void TGvBubbles::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  if (PointsStale()) CalculatePoints();
  const QPen LinePen = FLine->GetPen();
  Painter.save();
  for (size_t K = 0; K < FPoints.size(); ++K) {
    const QRectF& R = FRects[K];
    double X = 0, Y = 0;
    ElementValues(FPoints[K].Index, X, Y);
    TGvBrushEventArgs BA{FPoints[K].Index, X, Y, FArea->GetBrush(R), FArea->Visible()};
    if (OnGetBrush) OnGetBrush(this, BA);
    TGvPenEventArgs PA{FPoints[K].Index, X, Y, LinePen, FLine->Visible()};
    if (OnGetPen) OnGetPen(this, PA);
    if (!BA.Visible && !PA.Visible) continue;
    Painter.setPen(PA.Visible ? PA.Pen : QPen(Qt::NoPen));
    Painter.setBrush(BA.Visible ? BA.Brush : QBrush(Qt::NoBrush));
    Painter.drawEllipse(R);
  }
  Painter.restore();
}

int TGvBubbles::FindPoint(double X, double Y, double Delta)
{
  if (FRecalcPoints) return -1;
  for (size_t K = 0; K < FPoints.size(); ++K)
    if (FRects[K].adjusted(-Delta, -Delta, Delta, Delta).contains(QPointF(X, Y)))
      return FPoints[K].Index;
  return -1;
}

float TGvBubbles::ExtraSpaceAt(TGvAxisPosition Border) const
{
  // The range holds the bubbles; their outline reaches half a pen further.
  if (!FVisible || !FLine->Visible()) return 0;
  return float(std::ceil(std::clamp(FLine->Width() / 2.0, 0.0, 1000.0)));
}

void TGvBubbles::DrawListItem(QPainter& Painter, const QRectF& Rect)
{
  const double D = std::min(Rect.width(), Rect.height()) - 2;
  if (D <= 0) return;
  const QRectF R(Rect.center().x() - D / 2, Rect.center().y() - D / 2, D, D);
  Painter.save();
  Painter.setPen(FLine->Visible() ? FLine->GetPen(R) : QPen(Qt::NoPen));
  Painter.setBrush(FArea->Visible() ? FArea->GetBrush(R) : QBrush(Qt::NoBrush));
  Painter.drawEllipse(R);
  Painter.restore();
}
