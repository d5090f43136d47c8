// The layout arithmetic of a graph over plain numbers: borders, where the
// axis line lies in its control, the border after the room axes need beyond
// their ends, the drawing area,
// coupled graphs sharing one horizontal extent, docked legends and the title.
// The graph (GvGraph2D) gathers the numbers from its axes, legends and title
// and applies the results.
#pragma once

#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <vector>

// A side of the graph.
enum class TGvGraphSide
{
  Left,
  Top,
  Right,
  Bottom
};

namespace GvLegendPositionTypes {
Q_NAMESPACE

// Where a legend stands (the stored values are the declaration order).
enum class TGvLegendPosition
{
  BottomCenterOfGraph,
  BottomCenterOfAxis,
  LeftCenterOfGraph,
  LeftCenterOfAxis,
  LeftTopOfAxis,
  TopCenterOfGraph,
  TopCenterOfAxis,
  RightCenterOfGraph,
  RightCenterOfAxis,
  RightTopOfAxis,
  FreeFloating
};
Q_ENUM_NS(TGvLegendPosition)

} // namespace GvLegendPositionTypes

using GvLegendPositionTypes::TGvLegendPosition;

// The distances from the client edges to the drawing area, in whole pixels.
struct TGvGraphBorders
{
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int& At(TGvGraphSide Side);
  int At(TGvGraphSide Side) const;
};

// What the borders start from, before axes and legends.
struct TGvBorderSettings
{
  float DistanceLeft = 0, DistanceTop = 0, DistanceRight = 0, DistanceBottom = 0;
  bool SingleBorder = false; // a framed control: 4 more at the bottom
  int HScrollHeight = 0;     // a needed horizontal scroll bar (0: none)
  int VScrollWidth = 0;      // a needed vertical scroll bar (0: none)
  bool TitleShown = false;   // visible and not empty
  double TitleHeight = 0;
  float CaptionDistanceBefore = 0, CaptionDistanceAfter = 0;
};

// Borders = ceil of the distances; +4 at the bottom for a single border; the
// horizontal scroll bar's height at the bottom, the vertical one's width at
// the left; ceil(title height + distances) at the top for a shown title.
TGvGraphBorders GvResetBorders(const TGvBorderSettings& S);

// Where the axis line lies across its control, on the side facing the data:
// AxTop for Bottom and Top axes, AxLeft for Left and Right ones. Side is the
// axis' position; Thickness the control's height (Top) or width (Left).
double GvAxisLineOffset(TGvGraphSide Side, bool TicksPointToData, float MajorTickLength,
                        float AxisThickness, int Thickness);

// The border of a side after the room the axes running along it need beyond
// their ends (Overhang). With an edge axis (the auto-sized axis nearest to
// the data on that side) whose line lies LinePos pixels from the client edge,
// the data area starts DistanceValuesAxis inside the line; when that is less
// than the overhang, the border is the overhang and the axis moves by Shift
// pixels (away from the client edge). Without one the border grows by the
// overhang.
int GvInnerBorder(int Border, bool HasEdgeAxis, double LinePos, float DistanceValuesAxis,
                  double Overhang, double& Shift);

// The drawing area for the borders in a client of W x H pixels: (left, top,
// W - left - right + 1, H - top - bottom + 1); a width or height that would
// be negative is 0.
QRectF GvDrawingArea(const TGvGraphBorders& B, int W, int H);

// Coupled graphs share one horizontal extent: left = the greatest left edge,
// right = the smallest right edge (left + width); each area takes that left
// and the width right - left (at least 0). Returns the common (left, right).
QPointF GvAlignCoupledAreas(std::vector<QRectF>& Areas);

// The side a legend docks to; false for a free floating legend.
bool GvLegendSide(TGvLegendPosition Position, TGvGraphSide& Side);

// The top-left corner of a docked legend of size Size: against the border
// Border of its side (the distance from that client edge before the legend
// is added), centred or levelled by its position on the drawing area Area
// or on the client (W x H).
QPointF GvLegendPlace(TGvLegendPosition Position, QSizeF Size, int Border, const QRectF& Area,
                      int W, int H);

// The title's anchor x for the alignment (-1 left, 0 centre, 1 right).
double GvTitleX(int Alignment, float DistanceLeft, float DistanceRight, int W);

// Scroll bars run over 0 .. 10000.
constexpr int GvScrollMax = 10000;
// The thumb position for the position of the start (horizontal, not twisted)
// or of the stop (vertical or twisted: 10000 minus it), clamped.
int GvScrollBarPosition(int StartPosition, int StopPosition, bool Inverted);
