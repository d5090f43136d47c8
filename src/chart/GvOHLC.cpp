#include "chart/GvOHLC.h"

#include "chart/GvDrawing.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

double GvOHLCBarWidth(double Value)
{
  return std::isfinite(Value) && Value > 0 ? Value : 1.0;
}

TGvOHLCGeometry GvOHLCGeometry(double X, double W, double OpenY, double HighY, double LowY,
                               double CloseY, double IndicatorLength)
{
  TGvOHLCGeometry G;
  const double L = X - W / 2, R = X + W / 2;
  const double T = std::min(HighY, LowY), B = std::max(HighY, LowY);
  G.Bar = QRectF(L, T, R - L, B - T);
  G.OpenTick = QLineF(L - IndicatorLength, OpenY, L, OpenY);
  G.CloseTick = QLineF(R, CloseY, R + IndicatorLength, CloseY);
  return G;
}

TGvCandleTrend GvCandleTrend(double Open, double Close)
{
  if (Close > Open) return TGvCandleTrend::Bull;
  if (Close < Open) return TGvCandleTrend::Bear;
  return TGvCandleTrend::Even;
}

TGvCandleGeometry GvCandleGeometry(double X, double W, double OpenY, double HighY, double LowY,
                                   double CloseY)
{
  TGvCandleGeometry G;
  const double L = X - W / 2, R = X + W / 2;
  const double Top = std::min(OpenY, CloseY), Bottom = std::max(OpenY, CloseY);
  G.Body = QRectF(L, Top, R - L, Bottom - Top);
  G.BodyIsLine = Bottom - Top < 1;
  G.BodyLine = QLineF(L, Top, R, Top);
  const double Upper = std::min(HighY, LowY), Lower = std::max(HighY, LowY);
  G.HasUpperShadow = Upper < Top;
  G.UpperShadow = QLineF(X, Top, X, Upper);
  G.HasLowerShadow = Lower > Bottom;
  G.LowerShadow = QLineF(X, Bottom, X, Lower);
  return G;
}

void GvAddOHLCRange(TGvMinMax& Range, double Low, double High)
{
  Range.Add(Low);
  Range.Add(High);
}

// ---- TGvCustomOHLC ----------------------------------------------------------

namespace {

bool Finite(double V)
{
  return std::isfinite(V);
}

const char* const VectorProps[3] = {"LowData", "OpenData", "HighData"};
const char* const VectorComments[3] = {"OHLC/candles low data", "OHLC/candles open data",
                                       "OHLC/candles high data"};

} // namespace

TGvCustomOHLC::TGvCustomOHLC(QObject* Owner) : TGvSeries(Owner)
{
  FMinCount = 1;
  NumberCaption();
}

TGvCustomOHLC::~TGvCustomOHLC()
{
  BeginDestroy();
}

void TGvCustomOHLC::SetCloseData(TGvCustomDoubleVector* Value)
{
  if (Value == FYData) return;
  CheckUndo("CloseData", QStringLiteral("OHLC/candles close data"));
  AttachVector(FYData, Value);
  TestAllAssigned();
}

void TGvCustomOHLC::SetValueVector(int K, TGvCustomDoubleVector* Value)
{
  QPointer<TGvCustomDoubleVector>* Slots[3] = {&FLow, &FOpen, &FHigh};
  if (Value == Slots[K]->data()) return;
  CheckUndo(VectorProps[K], QString::fromLatin1(VectorComments[K]));
  AttachVector(*Slots[K], Value);
  TestAllAssigned();
}

void TGvCustomOHLC::SetLowData(TGvCustomDoubleVector* Value)
{
  SetValueVector(0, Value);
}
void TGvCustomOHLC::SetOpenData(TGvCustomDoubleVector* Value)
{
  SetValueVector(1, Value);
}
void TGvCustomOHLC::SetHighData(TGvCustomDoubleVector* Value)
{
  SetValueVector(2, Value);
}

void TGvCustomOHLC::SetLowValueTransformation(TGvValueTransformation T)
{
  FTransform[0] = std::move(T);
  RangesModified();
}
void TGvCustomOHLC::SetOpenValueTransformation(TGvValueTransformation T)
{
  FTransform[1] = std::move(T);
  RangesModified();
}
void TGvCustomOHLC::SetHighValueTransformation(TGvValueTransformation T)
{
  FTransform[2] = std::move(T);
  RangesModified();
}

void TGvCustomOHLC::SetBarWidth(float Value)
{
  const float W = float(GvOHLCBarWidth(Value));
  if (W == FBarWidth) return;
  CheckUndo("BarWidth", QStringLiteral("OHLC/candles bar width"));
  FBarWidth = W;
  InvalidatePoints();
  if (FGraph) {
    FGraph->LegendsModified();
    FGraph->Modified();
  }
}

bool TGvCustomOHLC::AllAssigned() const
{
  return FXAxis && FYAxis && FYData && FLow && FOpen && FHigh;
}

void TGvCustomOHLC::TestAllAssigned()
{
  if (IsDestroying()) return;
  if (AllAssigned()) {
    TGvSeries::TestAllAssigned();
    return;
  }
  // Without one of the four value vectors the series leaves its axes and
  // its graph.
  if (FXAxis) FXAxis->RemoveRelatedSeries(this);
  if (FYAxis) FYAxis->RemoveRelatedSeries(this);
  if (TGvGraph2D* G = FGraph.data()) {
    FGraph = nullptr;
    if (!G->IsDestroying()) {
      G->RemoveSeries(this);
      if (G->PrimaryYAxis()) G->PrimaryYAxis()->RangeModified();
      G->SeriesModified();
      G->LegendsModified();
    }
  }
  FCount = FLastCount = FLastPointsCount = 0;
  FPoints.clear();
  FLowY.clear();
  FOpenY.clear();
  FHighY.clear();
  FCommitted = 0;
}

bool TGvCustomOHLC::ElementOHLC(int I, TOHLCValues& V) const
{
  const TGvCustomDoubleVector* X = XVector();
  const TGvCustomDoubleVector* Vs[4] = {FYData.data(), FLow.data(), FOpen.data(), FHigh.data()};
  if (!X || I < 0 || I >= X->Count()) return false;
  for (const TGvCustomDoubleVector* C : Vs)
    if (!C || I >= C->Count() || !Finite(C->Value(I))) return false;
  if (!Finite(X->Value(I))) return false;
  if (!FOutliersVisible) {
    if (X->IsOutlier(I)) return false;
    for (const TGvCustomDoubleVector* C : Vs)
      if (C->IsOutlier(I)) return false;
  }
  auto T = [&](int K, double Raw) {
    return FTransform[K] ? FTransform[K](const_cast<TGvCustomOHLC*>(this), {Raw, I}) : Raw;
  };
  V.X = TransformX(I, X->Value(I));
  V.Close = TransformY(I, FYData->Value(I));
  V.Low = T(0, FLow->Value(I));
  V.Open = T(1, FOpen->Value(I));
  V.High = T(2, FHigh->Value(I));
  return Finite(V.X) && Finite(V.Close) && Finite(V.Low) && Finite(V.Open) && Finite(V.High);
}

bool TGvCustomOHLC::HasValuesAt(int Idx) const
{
  TOHLCValues V;
  return ElementOHLC(Idx, V);
}

int TGvCustomOHLC::GetCount()
{
  FMinCount = 1;
  const TGvCustomDoubleVector* X = XVector();
  if (!X || !FYData || !FLow || !FOpen || !FHigh) return 0;
  return std::min({X->Count(), FYData->Count(), FLow->Count(), FOpen->Count(), FHigh->Count()});
}

void TGvCustomOHLC::ResetFolds()
{
  TGvSeries::ResetFolds();
  FLowFold.Reset();
  FHighFold.Reset();
}

void TGvCustomOHLC::Calculate()
{
  if (!AllAssigned()) return;
  const TGvCustomDoubleVector* X = XVector();
  if (!X) return;
  const int Counts[5] = {X->Count(), FYData->Count(), FLow->Count(), FOpen->Count(),
                         FHigh->Count()};
  if (std::none_of(std::begin(Counts), std::end(Counts), [&](int C) { return C > FLastCount; }))
    return;
  FCount = GetCount();
  if (FLastCount >= FCount || FCount < FMinCount) return;
  FAppending = FLastCount > 0;
  // Only the elements that came since the last calculation are folded in.
  for (int I = FXFold.Count; I < FCount; ++I) {
    TOHLCValues V;
    if (!ElementOHLC(I, V)) continue;
    FXFold.Add(V.X);
    // The least low and the greatest high; a high below its low still
    // widens the range to both.
    FLowFold.Add(std::min(V.Low, V.High));
    FHighFold.Add(std::max(V.Low, V.High));
  }
  FXFold.Count = FLowFold.Count = FHighFold.Count = FCount;
  StoreXRange(FXFold.Lo, FXFold.Hi);
  StoreYRange(FLowFold.Lo, FHighFold.Hi);
  FRecalcPoints = true;
  FLastCount = FCount;
  Invalidate();
}

void TGvCustomOHLC::ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount)
{
  InvalidatePoints();
}

void TGvCustomOHLC::CalculatePoints()
{
  if (!FXAxis || !FYAxis) return;
  FMapX = MapKeyOf(FXAxis);
  FMapY = MapKeyOf(FYAxis);
  FPoints.clear();
  FLowY.clear();
  FOpenY.clear();
  FHighY.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  FLastPointsCount = 0;
  if (FCount > 0) {
    const TGvIndexRange R = GetCalcPointsStartStop();
    for (int I = R.Start; !R.Empty() && I <= R.Stop; ++I) {
      TOHLCValues V;
      if (!ElementOHLC(I, V)) continue;
      FPoints.push_back({GvClampPixel(FXAxis->NumberToWorld(V.X)),
                         GvClampPixel(FYAxis->NumberToWorld(V.Close)), I});
      FLowY.push_back(GvClampPixel(FYAxis->NumberToWorld(V.Low)));
      FOpenY.push_back(GvClampPixel(FYAxis->NumberToWorld(V.Open)));
      FHighY.push_back(GvClampPixel(FYAxis->NumberToWorld(V.High)));
    }
  }
  FCommitted = FPoints.size();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

bool TGvCustomOHLC::SeriesVisible() const
{
  return FVisible && (FLine->Visible() || FArea->Visible());
}

double TGvCustomOHLC::Extra() const
{
  const auto* O = qobject_cast<const TGvOHLC*>(this);
  return FBarWidth / 2.0 + (O ? O->FIndicatorLength : 0);
}

float TGvCustomOHLC::ExtraSpaceAt(TGvAxisPosition Border) const
{
  if (!FVisible || FCount <= 0) return 0;
  const double Pen = FLine->Visible() ? FLine->Width() / 2.0 : 0;
  if (Border == TGvAxisPosition::Left || Border == TGvAxisPosition::Right)
    return float(std::ceil(std::clamp(Extra() + Pen, 0.0, 1000.0)) + 1);
  return float(std::ceil(std::clamp(Pen, 0.0, 1000.0)));
}

// ---- TGvOHLC ------------------------------------------------------------------

TGvOHLC::TGvOHLC(QObject* Owner) : TGvCustomOHLC(Owner)
{
  FBarWidth = 4;
  FLine->SetColor(0xFF00008B);
  FArea->SetVisible(true);
  FArea->SetForeColor(FLine->Color());
  NumberCaption();
}

void TGvOHLC::SetIndicatorLength(float Value)
{
  if (Value == FIndicatorLength || !std::isfinite(Value)) return;
  CheckUndo("IndicatorLength", QStringLiteral("OHLC indicators length"));
  FIndicatorLength = Value;
  Invalidate();
  if (FGraph) FGraph->Modified();
}

void TGvOHLC::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  if (PointsStale()) CalculatePoints();
  const QBrush AreaBrush = GetAreaBrush(FArea->AreaStyle(), FArea->ForeColor(), FArea->BackColor());
  const QPen LinePen = FLine->GetPen();
  Painter.save();
  for (size_t K = 0; K < FPoints.size(); ++K) {
    const TGvScreenPoint& P = FPoints[K];
    const TGvOHLCGeometry G =
        GvOHLCGeometry(P.X, FBarWidth, FOpenY[K], FHighY[K], FLowY[K], P.Y, FIndicatorLength);
    TOHLCValues V;
    ElementOHLC(P.Index, V);
    TGvBrushEventArgs BA{P.Index, V.X, V.Close, AreaBrush, FArea->Visible()};
    if (OnGetBrush) OnGetBrush(this, BA);
    if (BA.Visible) Painter.fillRect(G.Bar, BA.Brush);
    TGvPenEventArgs PA{P.Index, V.X, V.Close, LinePen, FLine->Visible()};
    if (OnGetPen) OnGetPen(this, PA);
    if (PA.Visible) {
      Painter.setPen(PA.Pen);
      Painter.setBrush(Qt::NoBrush);
      Painter.drawRect(G.Bar);
      Painter.drawLine(G.OpenTick);
      Painter.drawLine(G.CloseTick);
    }
  }
  Painter.restore();
}

void TGvOHLC::DrawListItem(QPainter& Painter, const QRectF& Rect)
{
  const double CX = Rect.center().x(), CY = Rect.center().y(), H = Rect.height();
  const double W = std::min<double>(FBarWidth, Rect.width() / 4);
  const TGvOHLCGeometry G = GvOHLCGeometry(CX, W, CY + H / 4, Rect.top() + 1, Rect.bottom() - 1,
                                           CY - H / 4, Rect.width() / 4);
  Painter.save();
  if (FArea->Visible())
    Painter.fillRect(G.Bar,
                     GetAreaBrush(FArea->AreaStyle(), FArea->ForeColor(), FArea->BackColor()));
  if (FLine->Visible()) {
    Painter.setPen(FLine->GetPen());
    Painter.setBrush(Qt::NoBrush);
    Painter.drawRect(G.Bar);
    Painter.drawLine(G.OpenTick);
    Painter.drawLine(G.CloseTick);
  }
  Painter.restore();
}

// ---- TGvCandleSticks ------------------------------------------------------------

TGvCandleSticks::TGvCandleSticks(QObject* Owner) : TGvCustomOHLC(Owner)
{
  FBarWidth = 6;
  FLine->SetColor(GvColors::Black);
  NumberCaption();
}

void TGvCandleSticks::SetBullColor(TGvColor Value)
{
  if (Value == FBullColor) return;
  CheckUndo("BullColor", QStringLiteral("Candles bull color"));
  FBullColor = Value;
  Invalidate();
  if (FGraph) FGraph->LegendsModified();
}

void TGvCandleSticks::SetBearColor(TGvColor Value)
{
  if (Value == FBearColor) return;
  CheckUndo("BearColor", QStringLiteral("Candles bear color"));
  FBearColor = Value;
  Invalidate();
  if (FGraph) FGraph->LegendsModified();
}

void TGvCandleSticks::SetShadowsSameColorAsFill(bool Value)
{
  if (Value == FShadowsSameColorAsFill) return;
  CheckUndo("ShadowsSameColorAsFill", QStringLiteral("Candles shadows have same color as fill"));
  FShadowsSameColorAsFill = Value;
  Invalidate();
}

TGvColor TGvCandleSticks::CandleColor(int I) const
{
  if (!FOpen || !FYData || I < 0 || I >= FOpen->Count() || I >= FYData->Count())
    return GvColors::Black;
  switch (GvCandleTrend(FOpen->Value(I), FYData->Value(I))) {
  case TGvCandleTrend::Bull:
    return FBullColor;
  case TGvCandleTrend::Bear:
    return FBearColor;
  case TGvCandleTrend::Even:
    break;
  }
  return GvColors::Black;
}

namespace {

void PaintCandle(QPainter& Painter, const TGvCandleGeometry& G, TGvColor Fill, const QPen& Pen,
                 bool PenVisible)
{
  Painter.fillRect(G.Body, GvQColor(Fill));
  if (!PenVisible) return;
  Painter.setPen(Pen);
  Painter.setBrush(Qt::NoBrush);
  if (G.BodyIsLine)
    Painter.drawLine(G.BodyLine);
  else
    Painter.drawRect(G.Body);
  if (G.HasLowerShadow) Painter.drawLine(G.LowerShadow);
  if (G.HasUpperShadow) Painter.drawLine(G.UpperShadow);
}

} // namespace

void TGvCandleSticks::PaintGr(QPainter& Painter)
{
  if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible()) return;
  if (PointsStale()) CalculatePoints();
  const QPen LinePen = FLine->GetPen();
  Painter.save();
  for (size_t K = 0; K < FPoints.size(); ++K) {
    const TGvScreenPoint& P = FPoints[K];
    const TGvCandleGeometry G =
        GvCandleGeometry(P.X, FBarWidth, FOpenY[K], FHighY[K], FLowY[K], P.Y);
    const TGvColor Fill = CandleColor(P.Index);
    TOHLCValues V;
    ElementOHLC(P.Index, V);
    TGvPenEventArgs PA{P.Index, V.X, V.Close, LinePen, FLine->Visible()};
    if (FShadowsSameColorAsFill) PA.Pen.setColor(GvQColor(Fill));
    if (OnGetPen) OnGetPen(this, PA);
    PaintCandle(Painter, G, Fill, PA.Pen, PA.Visible);
  }
  Painter.restore();
}

void TGvCandleSticks::DrawListItem(QPainter& Painter, const QRectF& Rect)
{
  const double CY = Rect.center().y(), H = Rect.height(), Q = Rect.width() / 4;
  const double W = std::min<double>(FBarWidth, Rect.width() / 5);
  Painter.save();
  const QPen Pen = FLine->GetPen();
  for (int Side = 0; Side < 2; ++Side) {
    const double X = Rect.center().x() + (Side ? Q : -Q);
    const double Open = Side ? CY - H / 5 : CY + H / 5, Close = Side ? CY + H / 5 : CY - H / 5;
    const TGvCandleGeometry G =
        GvCandleGeometry(X, W, Open, Rect.top() + 1, Rect.bottom() - 1, Close);
    QPen P = Pen;
    const TGvColor Fill = Side ? FBearColor : FBullColor;
    if (FShadowsSameColorAsFill) P.setColor(GvQColor(Fill));
    PaintCandle(Painter, G, Fill, P, FLine->Visible());
  }
  Painter.restore();
}
