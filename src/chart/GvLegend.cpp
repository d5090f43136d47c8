#include "chart/GvLegend.h"

#include "chart/GvArrows.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvDrawing.h"
#include "chart/GvIO.h"
#include "chart/GvOHLC.h"
#include "chart/GvSeries.h"

#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

int GvLegendRound(double V)
{
  if (!std::isfinite(V)) return 0;
  return int(std::nearbyint(std::clamp(V, -1e6, 1e6)));
}

int GvLegendRowsOrColumns(int Value)
{
  return Value <= 0 ? 1 : Value;
}

// ---- Entry layout ---------------------------------------------------------

TGvLegendLayout GvLegendLayout(const TGvLegendLayoutInput& In)
{
  const auto R = GvLegendRound;
  const double B = In.DistanceToBorder, G = In.DistanceItemCaption, L = In.DistanceBetweenLines,
               C = In.DistanceBetweenColumns, h = In.ItemHeight;
  const int S = R(In.ItemWidth + G);
  TGvLegendLayout Out;
  int H = R(B), W = R(2 * B);
  if (In.CaptionShown)
    H += R(In.CaptionHeight + In.CaptionDistanceBefore + In.CaptionDistanceAfter);

  const int N = int(In.Items.size());
  Out.SampleRects.resize(N);
  Out.CaptionPoints.resize(N);
  std::vector<int> Heights(N); // c_i
  for (int I = 0; I < N; ++I) Heights[I] = std::max(R(In.Items[I].CaptionHeight), R(h));
  auto Place = [&](int I, int X, int RowTop) {
    Out.SampleRects[I] = QRect(X, R((Heights[I] - h) / 2 + RowTop), R(In.ItemWidth), R(h));
    Out.CaptionPoints[I] = QPointF(X + S, RowTop + Heights[I] / 2.0);
  };
  auto Shift = [&](int From, int To, int DX) {
    for (int I = From; I < To; ++I) {
      Out.SampleRects[I].translate(DX, 0);
      Out.CaptionPoints[I].rx() += DX;
    }
  };

  if (N > 0) {
    int Top = H;
    if (In.ItemsOrder == TGvItemsOrder::ByRow) {
      const int Rows = GvLegendRowsOrColumns(In.Rows);
      const int K = std::max((N + Rows - 1) / Rows, 1); // items per row, rounded up
      struct TRow
      {
        int From, To, Width;
      };
      std::vector<TRow> RowList;
      double Run = 0;
      int X = 0, Tallest = 0, InRow = 0, RowFrom = 0;
      for (int I = 0; I < N; ++I) {
        Place(I, X, Top);
        Tallest = std::max(Tallest, Heights[I]);
        Run += R(In.Items[I].CaptionWidth) + S + C;
        W = std::max(W, R(Run - C + 2 * B));
        X = R(Run);
        if (++InRow == K && I < N - 1) {
          RowList.push_back({RowFrom, I + 1, R(Run - C)});
          Run = 0;
          X = 0;
          InRow = 0;
          RowFrom = I + 1;
          const int Down = R(Tallest + L);
          Top += Down;
          H += Down;
          Tallest = 0;
        }
      }
      RowList.push_back({RowFrom, N, R(Run - C)});
      H += Tallest;
      const int Available = In.AutoSize ? W : In.ControlWidth;
      for (const TRow& Row : RowList) Shift(Row.From, Row.To, (Available - Row.Width) / 2);
      Out.Lines = int(RowList.size());
    } else {
      const int Columns = GvLegendRowsOrColumns(In.Columns);
      double Sum = 0;
      for (int Hc : Heights) Sum += Hc;
      const double Limit = Sum / Columns;
      const int FirstTop = Top;
      int X = R(B), Widest = 0;
      double ColumnSum = 0;
      Out.Lines = 1;
      for (int I = 0; I < N; ++I) {
        Place(I, X, Top);
        H = std::max(H, Top + Heights[I]);
        Top = R(Top + Heights[I] + L);
        Widest = std::max(Widest, R(In.Items[I].CaptionWidth));
        ColumnSum += Heights[I];
        if (ColumnSum >= Limit && I < N - 1) {
          Top = FirstTop;
          X = R(X + Widest + C + S);
          W = R(W + Widest + C + S);
          Widest = 0;
          ColumnSum = 0;
          ++Out.Lines;
        }
      }
      W += Widest + S;
    }
  }
  H = R(H + B);

  if (In.CaptionShown && 2 * B + In.CaptionWidth > W) {
    const double Diff = 2 * B + In.CaptionWidth - W;
    int DX = 0;
    if (In.CaptionAlignment == TGvAlignment::RightJustify)
      DX = R(Diff);
    else if (In.CaptionAlignment == TGvAlignment::Center)
      DX = R(Diff / 2);
    Shift(0, N, DX);
    W = R(2 * B + In.CaptionWidth);
  }

  Out.Width = W;
  Out.Height = H;
  Out.ControlSize = In.ShadowDrawn ? QSize(W + 5, H + 4) : QSize(W, H);
  const double CY = B + In.CaptionDistanceBefore;
  switch (In.CaptionAlignment) {
  case TGvAlignment::LeftJustify:
    Out.CaptionPoint = QPointF(B, CY);
    break;
  case TGvAlignment::RightJustify:
    Out.CaptionPoint = QPointF(W - B, CY);
    break;
  case TGvAlignment::Center:
    Out.CaptionPoint = QPointF(W / 2.0, CY);
    break;
  }
  return Out;
}

// ---- Box ------------------------------------------------------------------

bool GvLegendShadowDrawn(bool DropShadow, TGvColor BackColor, bool GradientVisible)
{
  return DropShadow && !(GetAlpha(BackColor) < 200 && !GradientVisible);
}

QRectF GvLegendBoxRect(const QRect& Client, double FrameWidth, bool Shadow)
{
  const double W = std::isfinite(FrameWidth) ? std::max(FrameWidth, 1.0) : 1.0;
  QRectF Box(Client.left() + W / 2, Client.top() + W / 2, Client.width() - 1 - W,
             Client.height() - 1 - W);
  if (Shadow) {
    Box.setWidth(Box.width() - 5);
    Box.setHeight(Box.height() - 4);
  }
  if (Box.width() < 0) Box.setWidth(0);
  if (Box.height() < 0) Box.setHeight(0);
  return Box;
}

// ---- Samples --------------------------------------------------------------

int GvAloneSampleStyle(const TGvSampleFlags& Flags)
{
  return Flags.Line || Flags.Symbol ? 1 : 0;
}

std::vector<int> GvMergedSampleStyles(const std::vector<TGvSampleFlags>& Series)
{
  int Lines = 0, Areas = 0;
  for (const TGvSampleFlags& F : Series) {
    Lines += F.Line;
    Areas += F.Area;
  }
  const int A = std::max(Lines, Areas);
  std::vector<int> Styles;
  Styles.reserve(Series.size());
  int Counted = 0;
  for (const TGvSampleFlags& F : Series) {
    int Style = GvAloneSampleStyle(F);
    if (F.Line || F.Area) {
      switch (Counted++) {
      case 0:
        if (A > 1 && !(Areas == 1 && Lines == 0)) Style = A > 2 ? 3 : 1;
        break;
      case 1:
        Style = A > 2 ? 1 : 2;
        break;
      case 2:
        Style = 2;
        break;
      default:
        break;
      }
    }
    Styles.push_back(Style);
  }
  return Styles;
}

TGvLegendSampleGeometry GvLegendSample(const QRectF& Rect, int Style, bool RangeFromFunction)
{
  TGvLegendSampleGeometry S;
  const double X = Rect.x(), Y = Rect.y(), Wd = Rect.width(), Ht = Rect.height();
  const double CX = X + Wd / 2, CY = Y + Ht / 2;
  double NormalY = CY, OutY = CY;
  switch (Style) {
  default:
  case 0:
    S.Area = QPolygonF(Rect);
    break;
  case 1:
    S.Area = QPolygonF(QRectF(X, CY, Wd, Ht / 2));
    S.HasLine = true;
    S.Line = QLineF(X, CY, X + Wd, CY);
    break;
  case 2:
    S.AreaIsRect = false;
    S.Area << QPointF(X, Y + Ht) << QPointF(X + Wd, Y) << QPointF(X + Wd, Y + Ht);
    S.HasLine = true;
    S.Line = QLineF(X, Y + Ht, X + Wd, Y);
    NormalY = CY + Ht / 4;
    OutY = CY - Ht / 4;
    break;
  case 3:
    S.AreaIsRect = false;
    S.Area << QPointF(X + Wd, Y + Ht) << QPointF(X, Y) << QPointF(X, Y + Ht);
    S.HasLine = true;
    S.Line = QLineF(X + Wd, Y + Ht, X, Y);
    NormalY = CY - Ht / 4;
    OutY = CY + Ht / 4;
    break;
  }
  if (RangeFromFunction) {
    S.Symbol = QPointF(CX - Wd / 4, NormalY);
    S.OutOfRangeSymbol = QPointF(CX + Wd / 4, OutY);
  } else {
    S.Symbol = QPointF(CX, CY);
    S.OutOfRangeSymbol = S.Symbol;
  }
  return S;
}

// ---- Docking --------------------------------------------------------------

std::optional<TGvItemsOrder> GvDockedItemsOrder(TGvLegendPosition Position)
{
  TGvGraphSide Side;
  if (!GvLegendSide(Position, Side)) return std::nullopt;
  return Side == TGvGraphSide::Top || Side == TGvGraphSide::Bottom ? TGvItemsOrder::ByRow
                                                                   : TGvItemsOrder::ByColumn;
}

// ---- TGvCustomLegend --------------------------------------------------------

TGvCustomLegend::TGvCustomLegend(QObject* Owner)
    : TGvGraphicControl(Owner), FFont(new TGvFont(QStringLiteral("Arial"), 9, {}, this)),
      FBackgroundGradient(new TGvGradientSettings(this)), FFrame(new TGvLineSettings(this))
{
  TGvFont* CF = FCaption.Font();
  CF->SetName(QStringLiteral("Arial"));
  CF->SetSize(11);
  CF->SetStyle(TGvFontStyle::Bold);
  CF->SetFillColor(SystemColorARGB(TGvSystemColor::ControlText));
  FCaption.SetAlignment(TGvContentAlignment::TopCenter);
  FFont->SetFillColor(SystemColorARGB(TGvSystemColor::ControlText));
  FFrame->SetColor(SystemColorARGB(TGvSystemColor::WindowFrame));
  for (TGvPersistent* P :
       {static_cast<TGvPersistent*>(FFont), static_cast<TGvPersistent*>(CF),
        static_cast<TGvPersistent*>(FBackgroundGradient), static_cast<TGvPersistent*>(FFrame)})
    connect(P, &TGvPersistent::Changed, this, [this] {
      FCaption.Invalidate();
      Modified();
    });
}

TGvCustomLegend::~TGvCustomLegend()
{
  BeginDestroy();
}

void TGvCustomLegend::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvGraphicControl::SetUndoStack(Stack);
  FFont->SetUndoStack(Stack);
  FCaption.Font()->SetUndoStack(Stack);
  FBackgroundGradient->SetUndoStack(Stack);
  FFrame->SetUndoStack(Stack);
}

QString TGvCustomLegend::VisibleComment() const
{
  return QStringLiteral("Legend visible");
}

template <class T>
void TGvCustomLegend::SetValue(T& Field, const T& Value, const char* Prop, const char* Comment)
{
  if (Field == Value) return;
  RecordUndo(this, Prop, QString::fromUtf8(Comment));
  Field = Value;
  Modified();
}

void TGvCustomLegend::SetCaption(const QString& Value)
{
  QString V = Value;
  while (!V.isEmpty() && V.back() == u' ') V.chop(1);
  if (V == FCaption.Caption()) return;
  RecordUndo(this, "Caption", QStringLiteral("Legend caption"));
  FCaption.SetCaption(V);
  FCaption.ParseForSize(static_cast<const QPaintDevice*>(nullptr), this);
  Modified();
}

void TGvCustomLegend::SetCaptionVisible(bool Value)
{
  SetValue(FCaptionVisible, Value, "CaptionVisible", "Legend caption visible");
}

void TGvCustomLegend::SetCaptionAlignment(TGvAlignment Value)
{
  SetValue(FCaptionAlignment, Value, "CaptionAlignment", "Legend caption alignment");
}

void TGvCustomLegend::SetCaptionFont(TGvFont* Value)
{
  if (!Value || Value == CaptionFont()) return;
  if (Recording())
    CaptionFont()->PushToUndoStack(UndoStack(), QStringLiteral("Legend caption font"));
  CaptionFont()->Assign(*Value);
}

void TGvCustomLegend::SetCaptionColor(TGvColor Value)
{
  if (Value == CaptionColor()) return;
  RecordUndo(this, "CaptionColor", QStringLiteral("Legend caption color"));
  const QSignalBlocker Quiet(CaptionFont());
  CaptionFont()->SetFillColor(Value);
  FCaption.Invalidate();
  Modified();
}

void TGvCustomLegend::SetCaptionDistanceBefore(float Value)
{
  SetValue(FCaptionDistanceBefore, Value, "CaptionDistanceBefore", "Legend distance above caption");
}

void TGvCustomLegend::SetCaptionDistanceAfter(float Value)
{
  SetValue(FCaptionDistanceAfter, Value, "CaptionDistanceAfter", "Legend distance below caption");
}

void TGvCustomLegend::SetFont(TGvFont* Value)
{
  if (!Value || Value == FFont) return;
  if (Recording()) FFont->PushToUndoStack(UndoStack(), QStringLiteral("Legend items text font"));
  FFont->Assign(*Value);
}

void TGvCustomLegend::SetForeColor(TGvColor Value)
{
  if (Value == ForeColor()) return;
  RecordUndo(this, "ForeColor", QStringLiteral("Legend color of items text"));
  const QSignalBlocker Quiet(FFont);
  FFont->SetFillColor(Value);
  Modified();
}

void TGvCustomLegend::SetBackColor(TGvColor Value)
{
  SetValue(FBackColor, Value, "BackColor", "Legend background color");
}

void TGvCustomLegend::SetBackgroundGradient(TGvGradientSettings* Value)
{
  if (Value && Value != FBackgroundGradient) FBackgroundGradient->Assign(*Value);
}

void TGvCustomLegend::SetFrame(TGvLineSettings* Value)
{
  if (Value && Value != FFrame) FFrame->Assign(*Value);
}

void TGvCustomLegend::SetDropShadow(bool Value)
{
  SetValue(FDropShadow, Value, "DropShadow", "Drop shadow below legend");
}

void TGvCustomLegend::SetBorderRaised(bool Value)
{
  SetValue(FBorderRaised, Value, "BorderRaised", "Legend border raised drawing");
}

void TGvCustomLegend::SetBorderLowered(bool Value)
{
  SetValue(FBorderLowered, Value, "BorderLowered", "Legend border lowered drawing");
}

void TGvCustomLegend::SetCornerRounding(float Value)
{
  SetValue(FCornerRounding, Value, "CornerRounding", "Legend border corner rounding radius");
}

void TGvCustomLegend::SetColumns(int Value)
{
  SetValue(FColumns, GvLegendRowsOrColumns(Value), "Columns", "Legend number of columns");
}

void TGvCustomLegend::SetRows(int Value)
{
  SetValue(FRows, GvLegendRowsOrColumns(Value), "Rows", "Legend number of rows");
}

void TGvCustomLegend::SetItemsOrder(TGvItemsOrder Value)
{
  SetValue(FItemsOrder, Value, "ItemsOrder", "Legend items order by row/column");
}

void TGvCustomLegend::SetItemHeight(float Value)
{
  SetValue(FItemHeight, Value, "ItemHeight", "Legend items height");
}

void TGvCustomLegend::SetItemWidth(float Value)
{
  SetValue(FItemWidth, Value, "ItemWidth", "Legend item width");
}

void TGvCustomLegend::SetDistanceItemCaption(float Value)
{
  SetValue(FDistanceItemCaption, Value, "DistanceItemCaption",
           "Distance between legend items and caption");
}

void TGvCustomLegend::SetDistanceBetweenLines(float Value)
{
  SetValue(FDistanceBetweenLines, Value, "DistanceBetweenLines",
           "Distance between legend item lines");
}

void TGvCustomLegend::SetDistanceBetweenColumns(float Value)
{
  SetValue(FDistanceBetweenColumns, Value, "DistanceBetweenColumns",
           "Distance between legend item columns");
}

void TGvCustomLegend::SetDistanceToBorder(float Value)
{
  SetValue(FDistanceToBorder, Value, "DistanceToBorder", "Distance of legend items to border");
}

void TGvCustomLegend::SetAutoSize(bool Value)
{
  SetValue(FAutoSize, Value, "AutoSize", "Legend auto size");
}

void TGvCustomLegend::Modified()
{
  FRecalculate = true;
  TGvGraphicControl::Modified();
}

void TGvCustomLegend::BoundsChanged(const QRect& Old)
{
  // A resize from outside lays the items out again; the legend's own sizing
  // and moves do not.
  if (FSettingBounds) {
    TGvComponent::Modified();
    return;
  }
  if (Old.size() == BoundsRect().size())
    Moved();
  else
    Modified();
}

bool TGvCustomLegend::ShadowDrawn() const
{
  return GvLegendShadowDrawn(FDropShadow, FBackColor, FBackgroundGradient->Visible());
}

void TGvCustomLegend::CheckItemHeight()
{
  FEffectiveItemHeight = FItemHeight;
  TGvRichCaptionObject M(QStringLiteral("M"));
  M.SetFont(*FFont);
  M.ParseForSize(static_cast<const QPaintDevice*>(nullptr));
  if (M.Height() > FEffectiveItemHeight) FEffectiveItemHeight = float(GvLegendRound(M.Height()));
}

void TGvCustomLegend::NewList()
{
  FItemCaptions.Clear();
  FItems.clear();
  FItemRects.clear();
  FRecalculate = true;
}

void TGvCustomLegend::PreparePaint()
{
  if (IsDestroying() || !FRecalculate) return;
  NewList();
  CheckItemHeight();
  PlaceItems();
  FRecalculate = false;
}

void TGvCustomLegend::PlaceItems()
{
  if (FCaptionVisible && !FCaption.Caption().isEmpty() && !FCaption.Parsed())
    FCaption.ParseForSize(static_cast<const QPaintDevice*>(nullptr), this);
  TGvLegendLayoutInput In;
  In.DistanceToBorder = FDistanceToBorder;
  In.DistanceItemCaption = FDistanceItemCaption;
  In.DistanceBetweenLines = FDistanceBetweenLines;
  In.DistanceBetweenColumns = FDistanceBetweenColumns;
  In.ItemHeight = FEffectiveItemHeight;
  In.ItemWidth = FItemWidth;
  In.Rows = FRows;
  In.Columns = FColumns;
  In.ItemsOrder = FItemsOrder;
  In.AutoSize = FAutoSize;
  In.ControlWidth = Width();
  In.CaptionShown = FCaptionVisible && !FCaption.Caption().isEmpty();
  In.CaptionWidth = FCaption.Width();
  In.CaptionHeight = FCaption.Height();
  In.CaptionDistanceBefore = FCaptionDistanceBefore;
  In.CaptionDistanceAfter = FCaptionDistanceAfter;
  In.CaptionAlignment = FCaptionAlignment;
  In.ShadowDrawn = ShadowDrawn();
  for (int I = 0; I < FItemCaptions.Count(); ++I)
    In.Items.push_back({FItemCaptions[I]->Width(), FItemCaptions[I]->Height()});
  const TGvLegendLayout L = GvLegendLayout(In);
  FItemRects = L.SampleRects;
  for (int I = 0; I < FItemCaptions.Count(); ++I)
    FItemCaptions[I]->SetPosition(L.CaptionPoints[size_t(I)].x(), L.CaptionPoints[size_t(I)].y());
  FContentWidth = L.Width;
  FContentHeight = L.Height;
  switch (FCaptionAlignment) {
  case TGvAlignment::LeftJustify:
    FCaption.SetAlignment(TGvContentAlignment::TopLeft);
    break;
  case TGvAlignment::RightJustify:
    FCaption.SetAlignment(TGvContentAlignment::TopRight);
    break;
  case TGvAlignment::Center:
    FCaption.SetAlignment(TGvContentAlignment::TopCenter);
    break;
  }
  FCaption.SetPosition(L.CaptionPoint.x(), L.CaptionPoint.y());
  if (FAutoSize) {
    FSettingBounds = true;
    SetBounds(Left(), Top(), L.ControlSize.width(), L.ControlSize.height());
    FSettingBounds = false;
  }
}

void TGvCustomLegend::PaintGr(QPainter& Painter)
{
  PreparePaint();
  const QRect Client(0, 0, Width(), Height());
  if (Client.isEmpty()) return;
  const bool Shadow = ShadowDrawn();
  const double W = std::max<double>(FFrame->Width(), 1);
  const QRectF Box = GvLegendBoxRect(Client, W, Shadow);
  Painter.save();
  TGvCustomGraph::ApplySmoothing(Painter, Smoothing());
  const QBrush Fill = FBackgroundGradient->Visible() ? FBackgroundGradient->GetBrush(Client)
                                                     : QBrush(GvQColor(FBackColor));
  QPen Pen = FFrame->GetPen(QRectF(Client));
  Pen.setWidthF(W);
  DrawRoundRect(Painter, Fill, Pen, FBorderLowered, FBorderRaised, Shadow, FFrame->Visible(),
                FCornerRounding, Box);
  if (FCaptionVisible && !FCaption.Caption().isEmpty()) FCaption.PaintGr(Painter);
  PaintItems(Painter);
  Painter.restore();
}

void TGvCustomLegend::PaintItems(QPainter& Painter) {}

void TGvCustomLegend::Moved()
{
  TGvComponent::Modified();
}

// ---- Samples of plain series ------------------------------------------------

int GvSeriesItemHeight(const TGvSeries* S)
{
  int H = S->Line()->Visible() ? GvLegendRound(S->Line()->Width()) : 0;
  if (S->AreaShown()) H += 6;
  if (S->SymbolsVisible()) H = std::max(H, GvLegendRound(S->PointSymbol()->Size() + 2));
  if (const auto* E = qobject_cast<const TGvPointWithErrorSeries*>(S))
    if (E->ErrorIndicator()->Visible() && (E->DeltaYPlus() || E->DeltaYMinus())) H += 8;
  return H;
}

namespace {

// The kinds whose legend sample is their own (bars, OHLC, candles, bubbles,
// arrows).
bool OwnSample(const TGvSeries* S)
{
  return qobject_cast<const TGvBars*>(S) || qobject_cast<const TGvCustomOHLC*>(S) ||
         qobject_cast<const TGvBubbles*>(S) || qobject_cast<const TGvArrows*>(S);
}

TGvSampleFlags Flags(const TGvSeries* S)
{
  return {S->Line()->Visible(), S->AreaShown(), S->SymbolsVisible()};
}

} // namespace

void GvDrawSeriesSample(QPainter& Painter, TGvSeries* S, const QRectF& Rect, int Style)
{
  if (OwnSample(S)) {
    S->DrawListItem(Painter, Rect);
    return;
  }
  const TGvLegendSampleGeometry G = GvLegendSample(Rect, Style, S->RangeFromFunction());
  const TGvPointSymbolSettings* Sym = S->PointSymbol();
  const TGvPointSymbolSettings* Out = S->OutOfRangePointSymbol();
  const bool Symbols = S->SymbolsVisible();
  const bool Two = Symbols && S->RangeFromFunction();
  Painter.save();
  // Translucent symbols: the line and the area leave their place free.
  if (Symbols && (Sym->Translucent() || (Two && Out->Translucent()))) {
    QPainterPath Holes;
    AddSymbolSpace(Holes, Sym->PointSymbol(), Sym->Size(), G.Symbol.x(), G.Symbol.y());
    if (Two)
      AddSymbolSpace(Holes, Sym->PointSymbol(), Sym->Size(), G.OutOfRangeSymbol.x(),
                     G.OutOfRangeSymbol.y());
    ExcludeFromClip(Painter, Holes);
  }
  if (S->AreaShown()) {
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(S->Area()->GetBrush(Rect));
    Painter.drawPolygon(G.Area);
  }
  if (S->Line()->Visible() && G.HasLine) {
    Painter.setPen(S->Line()->GetPen(Rect));
    Painter.setBrush(Qt::NoBrush);
    Painter.drawLine(G.Line);
  }
  Painter.restore();
  if (Symbols) {
    DrawPointSymbol(Painter, Sym->GetPen(), Sym->GetBrush(), Sym->PointSymbol(), Sym->Size(),
                    G.Symbol.x(), G.Symbol.y());
    if (Two)
      DrawPointSymbol(Painter, Out->GetPen(), Out->GetBrush(), Sym->PointSymbol(), Sym->Size(),
                      G.OutOfRangeSymbol.x(), G.OutOfRangeSymbol.y());
  }
}

// ---- TGvLegend ----------------------------------------------------------------

TGvLegend::TGvLegend(QObject* Owner) : TGvCustomLegend(Owner) {}

TGvLegend::~TGvLegend()
{
  BeginDestroy();
  if (FGraph && !FGraph->IsDestroying()) FGraph->UnregisterLegend(this);
}

void TGvLegend::SetGraph(TGvGraph2D* Value)
{
  if (Value == FGraph) return;
  if (!FGraph || !FGraph->IsDestroying()) RecordUndo(this, "Graph", QStringLiteral("Legend graph"));
  if (FGraph) {
    disconnect(FGraphDestroyed);
    if (!FGraph->IsDestroying()) FGraph->UnregisterLegend(this);
  }
  FGraph = Value;
  if (Value) {
    FGraphDestroyed = connect(Value, &QObject::destroyed, this, [this] { OnGraphDestroyed(); });
    Value->RegisterLegend(this, this);
    if (Value->UndoStack()) SetUndoStack(Value->UndoStack());
  }
  FItems.clear();
  Modified();
}

void TGvLegend::OnGraphDestroyed()
{
  // The graph is gone: the legend lists nothing (its items were the graph's).
  FGraph = nullptr;
  FItems.clear();
  FItemCaptions.Clear();
  FItemRects.clear();
  FDrag.Stop();
  FRecalculate = true;
}

void TGvLegend::SetItemsOrderList(const QStringList& Value)
{
  if (Value == FItemsOrderList) return;
  RecordUndo(this, "ItemsOrderList", QStringLiteral("Legend items order list"));
  FItemsOrderList = Value;
  Modified();
}

void TGvLegend::SetPosition(TGvLegendPosition Value)
{
  if (Value == FPosition) return;
  if (Recording()) {
    if (FPosition == TGvLegendPosition::FreeFloating) {
      RecordStartGroup(QStringLiteral("Legend position"));
      RecordUndo(this, "Left", QStringLiteral("Legend position"));
      RecordUndo(this, "Top", QStringLiteral("Legend position"));
      RecordUndo(this, "ItemsOrder", QStringLiteral("Legend position"));
      RecordUndo(this, "Position", QStringLiteral("Legend position"));
      RecordStopGroup();
    } else {
      RecordUndo(this, "Position", QStringLiteral("Legend position"));
    }
  }
  FPosition = Value;
  if (const std::optional<TGvItemsOrder> Order = GvDockedItemsOrder(Value)) FItemsOrder = *Order;
  FDrag.Stop();
  FRecalculate = true;
  if (FGraph) FGraph->Modified();
  TGvComponent::Modified();
}

void TGvLegend::SetLegendCaptionColorFrom(TGvLegendCaptionColorFrom Value)
{
  SetValue(FCaptionColorFrom, Value, "LegendCaptionColorFrom", "Legend items caption color from");
}

void TGvLegend::SetStartFreeFloatingMovingKeys(TGvShiftState Value)
{
  if (Value == FMovingKeys) return;
  RecordUndo(this, "StartFreeFloatingMovingKeys",
             QStringLiteral("Legend keys that start free floating moving"));
  FMovingKeys = Value;
}

void TGvLegend::Modified()
{
  FRecalculate = true;
  TGvComponent::Modified();
  if (!FGraph || FGraph->IsDestroying()) return;
  if (FPosition != TGvLegendPosition::FreeFloating)
    FGraph->Modified();
  else
    FGraph->InvalidateChart();
}

TGvGraph2D* TGvLegend::ListGraph() const
{
  TGvGraph2D* G = FGraph.data();
  return G && G->IsCoupled() ? G->MasterGraph() : G;
}

std::vector<TGvSeries*> TGvLegend::GraphSeries() const
{
  std::vector<TGvSeries*> All;
  TGvGraph2D* G = ListGraph();
  if (!G) return All;
  All = G->RelatedSeries();
  for (TGvGraph2D* C : G->ChildGraphs())
    if (C && C != G) All.insert(All.end(), C->RelatedSeries().begin(), C->RelatedSeries().end());
  return All;
}

bool TGvLegend::StillListed(const TGvSeries* S) const
{
  if (!S || S->IsDestroying() || !S->Graph()) return false;
  const TGvGraph2D* G = ListGraph();
  if (!G) return false;
  if (S->Graph() == G) return true;
  for (TGvGraph2D* C : G->ChildGraphs())
    if (S->Graph() == C) return true;
  return false;
}

void TGvLegend::PreparePaint()
{
  if (IsDestroying()) return;
  if (!FGraph)
    if (auto* G = qobject_cast<TGvGraph2D*>(parent())) SetGraph(G);
  if (!FGraph || !FRecalculate) {
    if (!FGraph && FRecalculate) TGvCustomLegend::PreparePaint();
    return;
  }
  if (FGraph->Updating()) return;
  NewList();
  CheckItemHeight();
  PlaceItems();
  // The caption colours of the items.
  for (int I = 0; I < FItemCaptions.Count() && size_t(I) < FItems.size(); ++I) {
    TGvSeries* S = FItems[size_t(I)].data();
    std::optional<TGvColor> C;
    if (S && FCaptionColorFrom == TGvLegendCaptionColorFrom::SeriesLineColor)
      C = S->Line()->Color();
    else if (S && FCaptionColorFrom == TGvLegendCaptionColorFrom::SeriesAreaForeColor)
      C = S->Area()->ForeColor();
    FItemCaptions[I]->SetColorOverride(C);
  }
  FRecalculate = false;
}

void TGvLegend::NewList()
{
  FItemCaptions.Clear();
  FItems.clear();
  FItemRects.clear();
  FRecalculate = true;
  if (!FGraph) return;
  const std::vector<TGvSeries*> All = GraphSeries();
  auto Listed = [&](const TGvSeries* S) {
    return std::any_of(FItems.begin(), FItems.end(),
                       [&](const QPointer<TGvSeries>& P) { return P == S; });
  };
  // The series named in ItemsOrderList first (each once), then the others.
  for (const QString& Ref : FItemsOrderList) {
    auto* S = qobject_cast<TGvSeries*>(GetComponentFromRef(Ref));
    if (!S || !S->IncludeInLegend() || Listed(S)) continue;
    if (std::find(All.begin(), All.end(), S) == All.end()) continue;
    FItems.emplace_back(S);
  }
  for (TGvSeries* S : All) {
    if (!S->IncludeInLegend() || Listed(S)) continue;
    bool Shown = S->Visible();
    if (!Shown)
      for (TGvSeries* O : All)
        if (O != S && O->Visible() && O->MergeLegendItemWith() == S && O->Graph() == S->Graph()) {
          Shown = true;
          break;
        }
    if (Shown) FItems.emplace_back(S);
  }
  for (size_t I = 0; I < FItems.size(); ++I) {
    TGvSeries* S = FItems[I].data();
    TGvLegendItemCaptionEventArgs Args{S->Caption(), int(I)};
    if (OnGetLegendItemCaption) OnGetLegendItemCaption(S, Args);
    TGvRichCaptionObject* C = FItemCaptions.Add();
    C->SetCaption(Args.Caption);
    C->SetFont(*FFont);
    C->SetAlignment(TGvContentAlignment::MiddleLeft);
    C->SetAngle(0);
    C->SetColorOverride(std::nullopt);
    C->ParseForSize(static_cast<const QPaintDevice*>(nullptr), S);
  }
  FItemRects.assign(FItems.size(), QRect(0, 0, GvLegendRound(FItemWidth), 0));
}

void TGvLegend::CheckItemHeight()
{
  TGvCustomLegend::CheckItemHeight();
  if (!FGraph) return;
  std::vector<TGvSeries*> Series;
  for (const QPointer<TGvSeries>& S : FItems)
    if (S) Series.push_back(S.data());
  if (Series.empty()) Series = GraphSeries();
  for (const TGvSeries* S : Series)
    if (S->IncludeInLegend())
      FEffectiveItemHeight = std::max<float>(FEffectiveItemHeight, GvSeriesItemHeight(S));
}

std::vector<TGvSeries*> TGvLegend::MergedSeries(TGvSeries* Series) const
{
  std::vector<TGvSeries*> Chain;
  for (TGvSeries* S = Series; S; S = S->MergeLegendItemWith()) {
    if (std::find(Chain.begin(), Chain.end(), S) != Chain.end()) break; // a cycle
    Chain.push_back(S);
  }
  // In the graph's list order; the series itself always comes.
  std::vector<TGvSeries*> Ordered;
  for (TGvSeries* S : GraphSeries())
    if (std::find(Chain.begin(), Chain.end(), S) != Chain.end()) Ordered.push_back(S);
  if (std::find(Ordered.begin(), Ordered.end(), Series) == Ordered.end())
    Ordered.insert(Ordered.begin(), Series);
  return Ordered;
}

void TGvLegend::DrawMergedItems(QPainter& Painter, TGvSeries* Series, const QRectF& Rect)
{
  const std::vector<TGvSeries*> Merged = MergedSeries(Series);
  std::vector<TGvSampleFlags> F;
  for (const TGvSeries* S : Merged) F.push_back(Flags(S));
  const std::vector<int> Styles = GvMergedSampleStyles(F);
  for (size_t I = 0; I < Merged.size(); ++I)
    GvDrawSeriesSample(Painter, Merged[I], Rect, Styles[I]);
}

void TGvLegend::PaintItems(QPainter& Painter)
{
  const size_t N = std::min<size_t>(FItems.size(), FItemRects.size());
  for (size_t I = 0; I < N && int(I) < FItemCaptions.Count(); ++I) {
    TGvSeries* S = FItems[I].data();
    // A series that is gone or has left the graph is not painted.
    if (!StillListed(S) || !S->IncludeInLegend()) continue;
    const QRect R = FItemRects[I];
    Painter.save();
    Painter.setClipRect(R, Qt::IntersectClip);
    if (OnDrawLegendItem) {
      TGvLegendItemDrawArgs Args{&Painter, R, int(I)};
      OnDrawLegendItem(S, Args);
    } else {
      DrawMergedItems(Painter, S, QRectF(R));
    }
    Painter.restore();
    FItemCaptions[int(I)]->PaintGr(Painter);
  }
}

TGvSmoothingMode TGvLegend::Smoothing() const
{
  return FGraph ? FGraph->SmoothingMode() : TGvSmoothingMode::HighQuality;
}

QSizeF TGvLegend::LegendSize()
{
  PreparePaint();
  return QSizeF(Width(), Height());
}

void TGvLegend::PlaceLegend(QPointF TopLeft)
{
  FSettingBounds = true;
  SetBounds(GvLegendRound(TopLeft.x()), GvLegendRound(TopLeft.y()), Width(), Height());
  FSettingBounds = false;
}

void TGvLegend::PaintLegend(QPainter& Painter)
{
  PaintAt(Painter);
}

void TGvLegend::LegendRefresh()
{
  FRecalculate = true;
}

void TGvLegend::Moved()
{
  TGvComponent::Modified();
  if (FGraph && !FGraph->IsDestroying()) FGraph->InvalidateChart();
}

bool TGvLegend::MouseDown(TGvShiftState Shift, QPoint At)
{
  if (FPosition != TGvLegendPosition::FreeFloating || !FGraph || !Visible()) return false;
  if (Shift != FMovingKeys || !BoundsRect().contains(At)) return false;
  if (Recording()) {
    RecordStartGroup(QStringLiteral("Legend position"));
    RecordUndo(this, "Left", QStringLiteral("Legend position"));
    RecordUndo(this, "Top", QStringLiteral("Legend position"));
    RecordStopGroup();
  }
  FDrag.Start(At, BoundsRect().topLeft());
  if (OnStartFreeFloating) OnStartFreeFloating(this);
  return true;
}

void TGvLegend::MouseMove(QPoint At)
{
  if (!FDrag.Active()) return;
  const QPoint P = FDrag.Place(At);
  FSettingBounds = true;
  SetBounds(P.x(), P.y(), Width(), Height());
  FSettingBounds = false;
  if (FGraph) FGraph->InvalidateChart();
}

void TGvLegend::MouseUp()
{
  FDrag.Stop();
}
