// Bar series: one bar per data element, flat, as a 3-D cuboid or as a
// cylinder, vertical or horizontal; several bar series of a graph stand side
// by side within each class (Shift) or on top of each other (Stack), and each
// bar may carry a label (its value, its percentage of the total, a caption).
//
// The arithmetic comes first, as plain functions over numbers: where a bar
// stands in its class, the running sums of a stack, the bar count, the label
// texts and places, the depth of 3-D bars and the walls the graph draws
// behind them.
#pragma once

#include "chart/GvGDI.h"
#include "chart/GvMinMax.h"

#include <QObject>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <vector>

namespace GvBarTypes {
Q_NAMESPACE

enum class TGvBarsOverlayStyle
{
  Shift,
  Stack,
};
Q_ENUM_NS(TGvBarsOverlayStyle)

enum class TGvBarStyle
{
  Flat,
  Cuboid,
  Cylinder,
};
Q_ENUM_NS(TGvBarStyle)

// What a bar's label shows.
enum class TGvLabelStyle
{
  Value,
  CaptionsList,
  Percent,
  CaptionAndValue,
  CaptionAndPercent,
};
Q_ENUM_NS(TGvLabelStyle)

enum class TGvBarLabelPosition
{
  Invisible,
  OnBottom,
  Centered,
  GoldenCut,
  ThreeFourth,
  InTop,
  OnTopOfBar,
};
Q_ENUM_NS(TGvBarLabelPosition)

} // namespace GvBarTypes

using GvBarTypes::TGvBarLabelPosition;
using GvBarTypes::TGvBarsOverlayStyle;
using GvBarTypes::TGvBarStyle;
using GvBarTypes::TGvLabelStyle;

// ---- Counting -------------------------------------------------------------

// The number of bars: the count of the value vector, but when the boundaries
// come from a real vector (not an indexer) that holds no more elements than
// the value vector, one less than the boundary count (never below 0).
int GvBarCount(int ValueCount, bool BoundaryIsVector, int BoundaryCount);

// ---- Placement within a class ---------------------------------------------

// Where bar A (1-based) of N shifted bars stands within its class, along the
// category axis, in pixels.
struct TGvBarSlot
{
  // Vertical bars: the left and right edge. Horizontal bars: the top and
  // bottom edge (Lo above Hi on the screen).
  double Lo = 0;
  double Hi = 0;
  // The width L of the group of bars in this class (the class less its gaps).
  double GroupWidth = 0;
};

// The class runs between the category pixels Edge1 and Edge2 (either may be
// the smaller, as on a twisted axis); ClassesDistance is the share of the
// class, in percent, left free beside the group (half at each side; limited
// to 0..100, so that bars never turn inside out). N below 1 counts as 1, A is limited to 1..N.
// Vertical bars count from the class's left edge rightwards, horizontal ones from its bottom edge
// upwards.
TGvBarSlot GvBarSlot(double Edge1, double Edge2, double ClassesDistance, int N, int A,
                     bool Horizontal);

// The two corners of a bar as the series stores them (not normalised: a
// negative bar has its "top" below its "bottom"). ValuePixel is the value
// axis pixel of the bar's value (the stack's top when stacked), BasePixel the
// pixel it grows from (0, or the top of the bars below); a horizontal bar that
// grows from the zero line starts one pixel right of it.
struct TGvBarCorners
{
  QPointF TopLeft;
  QPointF BottomRight;
  // The normalised rectangle between the corners.
  QRectF Rect() const;
};
TGvBarCorners GvBarCorners(const TGvBarSlot& Slot, double ValuePixel, double BasePixel,
                           bool Horizontal, bool FromZeroLine);

// ---- Depth of 3-D bars ----------------------------------------------------

struct TGvBarDepth
{
  double DepthX = 1; // right
  double DepthY = 1; // up
  // How far a cylinder's round front stands out of the cuboid it fills:
  // DepthX for standing, DepthY for lying cylinders, 0 for other shapes.
  double CylinderShift = 0;
};
// From the group width L of a class and Depth3D: DepthX = L * Depth3D / 240
// and DepthY = L * Depth3D / 400, each at least 1.
TGvBarDepth GvBarDepth(double GroupWidth, double Depth3D, TGvBarStyle Style, bool Horizontal);

// The walls the graph draws behind 3-D bars: the back wall is the data area
// moved back by the depth (DepthX right, DepthY up), the left wall and the
// floor join it to the data area's left and bottom edges.
struct TGvBarWalls
{
  QPolygonF Back;
  QPolygonF Left;
  QPolygonF Floor;
};
TGvBarWalls GvBarWalls(const QRectF& DataArea, double DepthX, double DepthY);
// The colours of the walls: the back wall in Color, the left wall shaded to
// 0.85 and the floor to 0.75 of its lightness.
struct TGvBarWallColors
{
  TGvColor Back, Left, Floor;
};
TGvBarWallColors GvBarWallColors(TGvColor Color);

// ---- Stacking -------------------------------------------------------------

// One level of a stack of bar series: Own holds this series' bar values by
// index (NaN where it has no bar: no value, an outlier that is not shown, an
// index beyond its count). BelowRunning is the running sum of the levels
// below (nullptr for the lowest level). Only partners that have a value at an
// index add to the sums there, so a hole in a lower series neither moves the
// bars above nor turns their sums into NaN. Each level takes linear time.
struct TGvStackLevel
{
  // Where each bar starts (the sum of the bars below at that index, 0 when
  // there are none) and ends (NaN where this series has no bar).
  std::vector<double> Base;
  std::vector<double> Top;
  // The sums including this level at every index any level so far covers;
  // the level above passes it as its BelowRunning.
  std::vector<double> Running;
};
TGvStackLevel GvStackLevel(const std::vector<double>& Own, const std::vector<double>* BelowRunning);

// ---- Ranges ---------------------------------------------------------------

// The value range of a bar series: the least and greatest of Values (the
// stack tops when stacked; NaN entries passed over), widened to include 0.
TGvMinMax GvBarValueRange(const std::vector<double>& Values);

// ---- Labels ---------------------------------------------------------------

// The label position a paint pass uses: a stacked series that is not the
// top-most one shows OnTopOfBar labels InTop (inside its bar), since the bars
// above cover that place. The series' own setting is not changed.
TGvBarLabelPosition GvEffectiveLabelPosition(TGvBarLabelPosition Position, bool Stacked,
                                             bool TopMost);

// The label font size in points: the narrowest group width L (NoGroup: 100)
// times 0.01 times LabelSize, at least 1.
double GvBarLabelFontSize(double NarrowestGroupWidth, bool NoGroup, double LabelSize);

// The label text of a bar of value R. Total is the sum the percentages are
// taken of; a percentage of a zero or non-finite total (or of a value that is
// not finite) has no number. Caption is the caption of the bar's index.
// Value: R in Format (the plain float text when empty). Percent:
// R * 100 / Total in Format, "%" appended when the format has none, "##0.##%"
// when empty. CaptionAndValue and CaptionAndPercent: the caption, a blank when
// the caption is not empty and a number follows, then the number.
QString GvBarLabelText(TGvLabelStyle From, double R, double Total, const QString& Caption,
                       const QString& Format);

// Where a bar's label goes (the centre of its text box).
struct TGvBarLabelInput
{
  QRectF Bar; // the bar's rectangle (normalised by the callers)
  bool Horizontal = false;
  TGvBarLabelPosition Position = TGvBarLabelPosition::Invisible; // effective
  TGvBarStyle Style = TGvBarStyle::Flat;
  TGvBarDepth Depth;
  // K: the label's extent along the screen's x, J: along its y (swapped by a
  // vertical label).
  double K = 0;
  double J = 0;
  bool LabelVertical = false;
  // A stacked series below the top one: a label that does not fit inside its
  // bar goes to the bar's middle instead of above it.
  bool StackedBelowTop = false;
};
QPointF GvBarLabelPoint(const TGvBarLabelInput& In);
