#include "chart/GvGraphLayout.h"

#include <algorithm>
#include <cmath>

int& TGvGraphBorders::At(TGvGraphSide Side)
{
  switch (Side) {
  case TGvGraphSide::Left:
    return Left;
  case TGvGraphSide::Top:
    return Top;
  case TGvGraphSide::Right:
    return Right;
  default:
    return Bottom;
  }
}

int TGvGraphBorders::At(TGvGraphSide Side) const
{
  return const_cast<TGvGraphBorders*>(this)->At(Side);
}

namespace {
int CeilInt(double V)
{
  return std::isfinite(V) ? int(std::ceil(V)) : 0;
}
} // namespace

TGvGraphBorders GvResetBorders(const TGvBorderSettings& S)
{
  TGvGraphBorders B;
  B.Left = CeilInt(S.DistanceLeft);
  B.Right = CeilInt(S.DistanceRight);
  B.Top = CeilInt(S.DistanceTop);
  B.Bottom = CeilInt(S.DistanceBottom);
  if (S.SingleBorder) B.Bottom += 4;
  B.Bottom += std::max(0, S.HScrollHeight);
  B.Left += std::max(0, S.VScrollWidth);
  if (S.TitleShown)
    B.Top += CeilInt(S.TitleHeight + S.CaptionDistanceBefore + S.CaptionDistanceAfter);
  return B;
}

double GvAxisLineOffset(TGvGraphSide Side, bool TicksPointToData, float MajorTickLength,
                        float AxisThickness, int Thickness)
{
  switch (Side) {
  case TGvGraphSide::Bottom:
    if (TicksPointToData) return MajorTickLength;
    return AxisThickness < 1 ? 0 : std::ceil(AxisThickness / 2.0);
  case TGvGraphSide::Top:
    if (TicksPointToData) return Thickness - MajorTickLength;
    return std::ceil(Thickness - AxisThickness / 2.0);
  case TGvGraphSide::Left:
    if (TicksPointToData) return Thickness - MajorTickLength;
    return std::ceil(Thickness - AxisThickness / 2.0);
  default: // Right
    if (TicksPointToData) return MajorTickLength;
    return std::ceil(AxisThickness / 2.0);
  }
}

int GvInnerBorder(int Border, bool HasEdgeAxis, double LinePos, float DistanceValuesAxis,
                  double Overhang, double& Shift)
{
  Shift = 0;
  if (!HasEdgeAxis) return Border + CeilInt(Overhang);
  const double Start = LinePos + DistanceValuesAxis;
  if (Start < Overhang) {
    Shift = Overhang - Start;
    return CeilInt(Overhang);
  }
  return CeilInt(Start);
}

QRectF GvDrawingArea(const TGvGraphBorders& B, int W, int H)
{
  const double Width = std::max(0, W - B.Left - B.Right + 1);
  const double Height = std::max(0, H - B.Top - B.Bottom + 1);
  return QRectF(B.Left, B.Top, Width, Height);
}

QPointF GvAlignCoupledAreas(std::vector<QRectF>& Areas)
{
  if (Areas.empty()) return {};
  double Left = Areas.front().left(), Right = Areas.front().left() + Areas.front().width();
  for (const QRectF& A : Areas) {
    Left = std::max(Left, A.left());
    Right = std::min(Right, A.left() + A.width());
  }
  for (QRectF& A : Areas) {
    A.setLeft(Left);
    A.setWidth(std::max(0.0, Right - Left));
  }
  return {Left, std::max(Left, Right)};
}

bool GvLegendSide(TGvLegendPosition Position, TGvGraphSide& Side)
{
  switch (Position) {
  case TGvLegendPosition::BottomCenterOfGraph:
  case TGvLegendPosition::BottomCenterOfAxis:
    Side = TGvGraphSide::Bottom;
    return true;
  case TGvLegendPosition::LeftCenterOfGraph:
  case TGvLegendPosition::LeftCenterOfAxis:
  case TGvLegendPosition::LeftTopOfAxis:
    Side = TGvGraphSide::Left;
    return true;
  case TGvLegendPosition::TopCenterOfGraph:
  case TGvLegendPosition::TopCenterOfAxis:
    Side = TGvGraphSide::Top;
    return true;
  case TGvLegendPosition::RightCenterOfGraph:
  case TGvLegendPosition::RightCenterOfAxis:
  case TGvLegendPosition::RightTopOfAxis:
    Side = TGvGraphSide::Right;
    return true;
  default:
    return false;
  }
}

QPointF GvLegendPlace(TGvLegendPosition Position, QSizeF Size, int Border, const QRectF& Area,
                      int W, int H)
{
  const double AreaMidX = Area.left() + Area.width() / 2 - Size.width() / 2;
  const double AreaMidY = Area.top() + Area.height() / 2 - Size.height() / 2;
  const double ClientMidX = W / 2.0 - Size.width() / 2;
  const double ClientMidY = H / 2.0 - Size.height() / 2;
  const double LeftX = Border;
  const double RightX = W - Border - Size.width();
  const double TopY = Border;
  const double BottomY = H - Border - Size.height();
  switch (Position) {
  case TGvLegendPosition::BottomCenterOfGraph:
    return {ClientMidX, BottomY};
  case TGvLegendPosition::BottomCenterOfAxis:
    return {AreaMidX, BottomY};
  case TGvLegendPosition::LeftCenterOfGraph:
    return {LeftX, ClientMidY};
  case TGvLegendPosition::LeftCenterOfAxis:
    return {LeftX, AreaMidY};
  case TGvLegendPosition::LeftTopOfAxis:
    return {LeftX, Area.top()};
  case TGvLegendPosition::TopCenterOfGraph:
    return {ClientMidX, TopY};
  case TGvLegendPosition::TopCenterOfAxis:
    return {AreaMidX, TopY};
  case TGvLegendPosition::RightCenterOfGraph:
    return {RightX, ClientMidY};
  case TGvLegendPosition::RightCenterOfAxis:
    return {RightX, AreaMidY};
  case TGvLegendPosition::RightTopOfAxis:
    return {RightX, Area.top()};
  default:
    return {};
  }
}

double GvTitleX(int Alignment, float DistanceLeft, float DistanceRight, int W)
{
  if (Alignment < 0) return DistanceLeft;
  if (Alignment > 0) return W - DistanceRight;
  return W / 2.0;
}

int GvScrollBarPosition(int StartPosition, int StopPosition, bool Inverted)
{
  const int P = Inverted ? GvScrollMax - StopPosition : StartPosition;
  return std::clamp(P, 0, GvScrollMax);
}
