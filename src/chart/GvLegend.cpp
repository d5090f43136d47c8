#include "chart/GvLegend.h"

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

TGvLegendSide GvLegendDockSide(TGvLegendPosition Position)
{
  using P = TGvLegendPosition;
  switch (Position) {
  case P::BottomCenterOfGraph:
  case P::BottomCenterOfAxis:
    return TGvLegendSide::Bottom;
  case P::LeftCenterOfGraph:
  case P::LeftCenterOfAxis:
  case P::LeftTopOfAxis:
    return TGvLegendSide::Left;
  case P::TopCenterOfGraph:
  case P::TopCenterOfAxis:
    return TGvLegendSide::Top;
  case P::RightCenterOfGraph:
  case P::RightCenterOfAxis:
  case P::RightTopOfAxis:
    return TGvLegendSide::Right;
  case P::FreeFloating:
    break;
  }
  return TGvLegendSide::None;
}

std::optional<TGvItemsOrder> GvDockedItemsOrder(TGvLegendPosition Position)
{
  switch (GvLegendDockSide(Position)) {
  case TGvLegendSide::Bottom:
  case TGvLegendSide::Top:
    return TGvItemsOrder::ByRow;
  case TGvLegendSide::Left:
  case TGvLegendSide::Right:
    return TGvItemsOrder::ByColumn;
  case TGvLegendSide::None:
    break;
  }
  return std::nullopt;
}

QPoint GvDockedLegendOrigin(TGvLegendPosition Position, const QSize& Size, const QSize& ClientSize,
                            const QRectF& DataArea, int Border, const QPoint& Current)
{
  using P = TGvLegendPosition;
  const auto R = GvLegendRound;
  const int W = Size.width(), H = Size.height();
  int X = Current.x(), Y = Current.y();
  switch (GvLegendDockSide(Position)) {
  case TGvLegendSide::Bottom:
    Y = ClientSize.height() - Border - H;
    break;
  case TGvLegendSide::Top:
    Y = Border;
    break;
  case TGvLegendSide::Left:
    X = Border;
    break;
  case TGvLegendSide::Right:
    X = ClientSize.width() - Border - W;
    break;
  case TGvLegendSide::None:
    return Current;
  }
  switch (Position) {
  case P::BottomCenterOfAxis:
  case P::TopCenterOfAxis:
    X = R(DataArea.left() + (DataArea.width() - W) / 2);
    break;
  case P::LeftCenterOfAxis:
  case P::RightCenterOfAxis:
    Y = R(DataArea.top() + (DataArea.height() - H) / 2);
    break;
  case P::LeftCenterOfGraph:
  case P::RightCenterOfGraph:
    Y = (ClientSize.height() - H) / 2;
    break;
  case P::BottomCenterOfGraph:
  case P::TopCenterOfGraph:
    X = (ClientSize.width() - W) / 2;
    break;
  case P::LeftTopOfAxis:
  case P::RightTopOfAxis:
    Y = R(DataArea.top());
    break;
  case P::FreeFloating:
    break;
  }
  return QPoint(X, Y);
}
