// Legends: a framed, optionally rounded and shadowed box that lists the series
// of a graph, each as a sample of its line, area and point symbol followed by
// its caption, under an optional legend caption. A legend is docked to a side
// of its graph (the graph's layout places it) or floats freely, where the user
// can drag it.
//
// The arithmetic comes first, as plain functions and small classes over
// numbers: the layout of the entries in rows or columns, the box, the sample
// shapes and which sample style each merged series gets, the docking sides
// and places, and the drag.
#pragma once

#include "chart/GvGDI.h"
#include "chart/GvGraphicControl.h"

#include <QLineF>
#include <QObject>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <optional>
#include <vector>

namespace GvLegendTypes {
Q_NAMESPACE

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
  FreeFloating,
};
Q_ENUM_NS(TGvLegendPosition)

enum class TGvItemsOrder
{
  ByColumn,
  ByRow,
};
Q_ENUM_NS(TGvItemsOrder)

enum class TGvLegendCaptionColorFrom
{
  LegendForeColor,
  SeriesLineColor,
  SeriesAreaForeColor,
};
Q_ENUM_NS(TGvLegendCaptionColorFrom)

} // namespace GvLegendTypes

using GvLegendTypes::TGvItemsOrder;
using GvLegendTypes::TGvLegendCaptionColorFrom;
using GvLegendTypes::TGvLegendPosition;

constexpr int GvLegendPositionCount = 11;

// Rounds to the nearest integer, halves to even, as all legend pixel
// arithmetic does; values that are not finite give 0, huge ones are limited.
int GvLegendRound(double V);

// A count of rows or columns as stored: 0 or less becomes 1.
int GvLegendRowsOrColumns(int Value);

// ---- Entry layout ---------------------------------------------------------

struct TGvLegendLayoutItem
{
  double CaptionWidth = 0;
  double CaptionHeight = 0;
};

struct TGvLegendLayoutInput
{
  double DistanceToBorder = 8;        // B
  double DistanceItemCaption = 4;     // G
  double DistanceBetweenLines = 3;    // L
  double DistanceBetweenColumns = 10; // C
  double ItemHeight = 0;              // h, the effective item height
  double ItemWidth = 80;
  int Rows = 1;
  int Columns = 1;
  TGvItemsOrder ItemsOrder = TGvItemsOrder::ByColumn;
  bool AutoSize = true;
  int ControlWidth = 0; // the width rows are centred in without AutoSize
  // The legend caption, when it is visible and not empty.
  bool CaptionShown = false;
  double CaptionWidth = 0;
  double CaptionHeight = 0;
  double CaptionDistanceBefore = 0;
  double CaptionDistanceAfter = 0;
  TGvAlignment CaptionAlignment = TGvAlignment::Center;
  bool ShadowDrawn = false;
  std::vector<TGvLegendLayoutItem> Items;
};

struct TGvLegendLayout
{
  // The content width W and height H.
  int Width = 0;
  int Height = 0;
  // The size the control takes with AutoSize: W x H, plus 5 x 4 pixels for a
  // drawn shadow.
  QSize ControlSize;
  // Per item: the sample rectangle and the anchor of its caption (drawn left
  // aligned and vertically centred on it).
  std::vector<QRect> SampleRects;
  std::vector<QPointF> CaptionPoints;
  // The legend caption's anchor: its top edge, at the left, right or centre.
  QPointF CaptionPoint;
  // How many rows (ByRow) or columns (ByColumn) the items took.
  int Lines = 0;
};

// Places the entries. ByRow fills rows of ceil(n / Rows) items (so Rows is an
// upper limit of the rows used: 3 items in 2 rows take 2 rows) and centres
// each row; ByColumn fills a column until its summed entry heights reach the
// total over Columns. A caption wider than the entries widens the box and
// moves the entries by its alignment.
TGvLegendLayout GvLegendLayout(const TGvLegendLayoutInput& In);

// ---- Box ------------------------------------------------------------------

// Whether the drop shadow is drawn: when asked for, unless the background is
// mostly transparent (alpha below 200) and there is no gradient.
bool GvLegendShadowDrawn(bool DropShadow, TGvColor BackColor, bool GradientVisible);
// The box within the client rectangle for a frame of FrameWidth (at least 1),
// 5 pixels narrower and 4 lower when the shadow is drawn.
QRectF GvLegendBoxRect(const QRect& Client, double FrameWidth, bool Shadow);

// ---- Samples --------------------------------------------------------------

// What a series' sample shows.
struct TGvSampleFlags
{
  bool Line = false;
  bool Area = false;
  bool Symbol = false;
};

// The style of a series drawn alone: 1 when its line or symbol shows, else 0.
int GvAloneSampleStyle(const TGvSampleFlags& Flags);
// The styles of the series of a merged sample, in drawing order. Only series
// whose line or area shows take part as first, second and third; with a =
// the larger of the number with a line and the number with an area: the
// first gets style 1 (3 when a > 2) when a > 1, the second style 2 (1 when a
// > 2), the third style 2; the rest are drawn alone.
std::vector<int> GvMergedSampleStyles(const std::vector<TGvSampleFlags>& Series);

// The shapes of one sample style within Rect.
struct TGvLegendSampleGeometry
{
  // The area: the whole rectangle (0), its lower half (1) or a triangle (2,
  // 3). Styles 0 and 1 fill with the area brush for the rectangle, 2 and 3
  // with the series' own brush.
  QPolygonF Area;
  bool AreaIsRect = true;
  // The line (none in style 0).
  bool HasLine = false;
  QLineF Line;
  // The symbol, and with RangeFromFunction the out-of-range symbol beside it.
  QPointF Symbol;
  QPointF OutOfRangeSymbol;
};
TGvLegendSampleGeometry GvLegendSample(const QRectF& Rect, int Style, bool RangeFromFunction);

// ---- Docking --------------------------------------------------------------

enum class TGvLegendSide
{
  None,
  Bottom,
  Left,
  Top,
  Right,
};
TGvLegendSide GvLegendDockSide(TGvLegendPosition Position);
// The items order a docked position sets: ByRow at the bottom and the top,
// ByColumn at the sides; none for FreeFloating.
std::optional<TGvItemsOrder> GvDockedItemsOrder(TGvLegendPosition Position);
// Where a docked legend of Size goes in a graph of ClientSize: against the
// border its side had before the legends grew it (Border), and along the side
// centred on the data area (…OfAxis), on the control (…OfGraph) or level with
// the data area's top (…TopOfAxis). FreeFloating gives Current.
QPoint GvDockedLegendOrigin(TGvLegendPosition Position, const QSize& Size, const QSize& ClientSize,
                            const QRectF& DataArea, int Border, const QPoint& Current = QPoint());

// ---- Dragging -------------------------------------------------------------

// A drag of a free-floating legend: the legend follows the pointer's travel
// since the press, from the place it had then.
class TGvLegendDrag
{
public:
  void Start(const QPoint& PressPoint, const QPoint& Origin)
  {
    FActive = true;
    FPress = PressPoint;
    FOrigin = Origin;
  }
  bool Active() const { return FActive; }
  // The legend's place for the pointer at Point (points in one coordinate
  // system, the screen's).
  QPoint Place(const QPoint& Point) const { return FOrigin + (Point - FPress); }
  void Stop() { FActive = false; }

private:
  bool FActive = false;
  QPoint FPress;
  QPoint FOrigin;
};
