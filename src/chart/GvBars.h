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

#include "chart/GvDataSource.h"
#include "chart/GvGDI.h"
#include "chart/GvMinMax.h"
#include "chart/GvRichLabel.h"
#include "chart/GvSeries.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
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
// index beyond its count). Below is the level under this one (nullptr for
// the lowest). Only partners that have a value at an
// index add to the sums there, so a hole in a lower series neither moves the
// bars above nor turns their sums into NaN. Each level takes linear time.
struct TGvStackLevel
{
  // Where each bar starts (the sum of the bars below at that index, 0 when
  // there are none) and ends (NaN where this series has no bar).
  std::vector<double> Base;
  std::vector<double> Top;
  // The sums including this level at every index any level so far covers
  // (the level above starts from them).
  std::vector<double> Running;
  // Whether this level or one below has a bar at each index of Running: a
  // bar above grows from the zero line where none has.
  std::vector<bool> Covered;
};
TGvStackLevel GvStackLevel(const std::vector<double>& Own, const TGvStackLevel* Below);

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

// ---- TGvBars --------------------------------------------------------------

class TGvBars;

struct TGvBarLabelEventArgs
{
  QString Caption;
  int Index = 0;
};
using TGvBarLabelEvent = std::function<void(TGvBars* Sender, TGvBarLabelEventArgs& Args)>;

// A bar series. Vertical bars take their class boundaries from the X data and
// their lengths from the Y data; horizontal bars the other way round. With an
// indexer for the boundaries, bar i stands between i and i + 1.
//
// Choices made here:
// - Only the first visible bar series of a graph paints, and it paints every
//   visible bar series of the graph, class by class, so that 3-D bars of a
//   class overlap those of the class before.
// - LabelColor is the fill colour of the label font.
// - Stacking sums are kept per series as running sums by index, taken from
//   the series below, so each series adds its own values once (linear); a
//   change below reaches the series above at their next calculation.
class TGvBars : public TGvSeries
{
  Q_OBJECT
  Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
  Q_PROPERTY(bool OutliersVisible READ OutliersVisible WRITE SetOutliersVisible)
  Q_PROPERTY(TGvAxis* XAxis READ XAxis WRITE SetXAxis)
  Q_PROPERTY(TGvAxis* YAxis READ YAxis WRITE SetYAxis)
  Q_PROPERTY(TGvCustomDoubleVector* XData READ XData WRITE SetXData)
  Q_PROPERTY(TGvCustomDoubleVector* YData READ YData WRITE SetYData)
  Q_PROPERTY(TGvLineSettings* Line READ Line WRITE SetLine)
  Q_PROPERTY(TGvAreaSettings* Area READ Area WRITE SetArea)
  Q_PROPERTY(GvBarTypes::TGvBarsOverlayStyle OverlayStyle READ OverlayStyle WRITE SetOverlayStyle)
  Q_PROPERTY(bool BarsHorizontal READ BarsHorizontal WRITE SetBarsHorizontal)
  Q_PROPERTY(GvBarTypes::TGvBarStyle BarStyle READ BarStyle WRITE SetBarStyle)
  Q_PROPERTY(double Depth3D READ Depth3D WRITE SetDepth3D)
  Q_PROPERTY(double ClassesDistance READ ClassesDistance WRITE SetClassesDistance)
  Q_PROPERTY(QStringList Captions READ Captions WRITE SetCaptions)
  Q_PROPERTY(QString CaptionsField READ CaptionsField WRITE SetCaptionsField)
  Q_PROPERTY(TGvDataSource* DataSource READ DataSource WRITE SetDataSource)
  Q_PROPERTY(TGvFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(TGvColor LabelColor READ LabelColor WRITE SetLabelColor)
  Q_PROPERTY(QString LabelFormat READ LabelFormat WRITE SetLabelFormat)
  Q_PROPERTY(GvBarTypes::TGvLabelStyle LabelFrom READ LabelFrom WRITE SetLabelFrom)
  Q_PROPERTY(
      GvBarTypes::TGvBarLabelPosition LabelPosition READ LabelPosition WRITE SetLabelPosition)
  Q_PROPERTY(float LabelSize READ LabelSize WRITE SetLabelSize)
  Q_PROPERTY(bool LabelVertical READ LabelVertical WRITE SetLabelVertical)

public:
  explicit TGvBars(QObject* Owner = nullptr);
  ~TGvBars() override;

  // ---- Properties ----
  TGvBarsOverlayStyle OverlayStyle() const { return FOverlayStyle; }
  void SetOverlayStyle(TGvBarsOverlayStyle Value);
  bool BarsHorizontal() const { return FBarsHorizontal; }
  void SetBarsHorizontal(bool Value);
  TGvBarStyle BarStyle() const { return FBarStyle; }
  void SetBarStyle(TGvBarStyle Value);
  double Depth3D() const { return FDepth3D; }
  void SetDepth3D(double Value);
  double ClassesDistance() const { return FClassesDistance; }
  void SetClassesDistance(double Value);
  QStringList Captions() const { return FCaptions; }
  // Raises "Setting captions list not allowed with database binding set"
  // while a captions field is bound.
  void SetCaptions(const QStringList& Value);
  QString CaptionsField() const { return FCaptionsLink.FieldName(); }
  void SetCaptionsField(const QString& Value);
  TGvDataSource* DataSource() const { return FCaptionsLink.DataSource(); }
  void SetDataSource(TGvDataSource* Value);
  bool CaptionsBound() const { return FCaptionsBound; }
  TGvFont* Font() const { return FFont; }
  void SetFont(TGvFont* Value);
  TGvColor LabelColor() const { return FFont->FillColor(); }
  void SetLabelColor(TGvColor Value);
  QString LabelFormat() const { return FLabelFormat; }
  void SetLabelFormat(const QString& Value);
  TGvLabelStyle LabelFrom() const { return FLabelFrom; }
  void SetLabelFrom(TGvLabelStyle Value);
  TGvBarLabelPosition LabelPosition() const { return FLabelPosition; }
  void SetLabelPosition(TGvBarLabelPosition Value);
  float LabelSize() const { return FLabelSize; }
  void SetLabelSize(float Value);
  bool LabelVertical() const { return FLabelVertical; }
  void SetLabelVertical(bool Value);

  // May replace the text of each label.
  TGvBarLabelEvent OnGetLabel;

  // ---- State ----
  // The axis along which the classes lie, and the one the bars grow along.
  TGvAxis* CategoryAxis() const { return FBarsHorizontal ? YAxis() : XAxis(); }
  TGvAxis* ValueAxis() const { return FBarsHorizontal ? XAxis() : YAxis(); }
  // The bar series of the same graph below this one in a stack (lowest
  // first), and whether no later bar series shares the category axis.
  std::vector<TGvBars*> SeriesBelow() const;
  bool TopMost() const;
  bool Stacked() const { return FOverlayStyle == TGvBarsOverlayStyle::Stack; }
  // The bar values by index as used (transformed; NaN where there is no
  // bar), and where each bar starts and ends (the stack's sums).
  const std::vector<double>& BarValues() const { return FValues; }
  const TGvStackLevel& Stack() const { return FStack; }
  // The sum the percentages are taken of.
  double Total() const { return FTotal; }
  // The bars as computed: the corners of bar K (in screen point order) and
  // its data index.
  int BarCount() const { return int(FPoints.size()); }
  TGvBarCorners BarCorners(int K) const;
  int BarIndex(int K) const { return FPoints.at(size_t(K)).Index; }
  const TGvBarDepth& Depth() const { return FDepth; }
  // The group width of the last class (and of the narrowest; -1 without
  // bars).
  double GroupWidth() const { return FLastGroupWidth; }
  double NarrowestGroupWidth() const { return FNarrowest; }
  // The label of bar K after the last paint (nullptr without one).
  const TGvRichCaptionObject* BarLabel(int K) const;
  // The label position the last paint used (OnTopOfBar becomes InTop for a
  // stacked series below the top one).
  TGvBarLabelPosition PaintedLabelPosition() const { return FPaintedPosition; }

  // ---- Series operations ----
  int GetCount() override;
  bool HasValuesAt(int Idx) const override;
  void Calculate() override;
  void CalculatePoints() override;
  void TestVisibleChanged() override;
  void PaintGr(QPainter& Painter) override;
  void DrawSymbols(QPainter& Painter) override {}
  int FindPoint(double X, double Y, double Delta) override;
  float ExtraSpaceAt(TGvAxisPosition Border) const override;
  void DrawListItem(QPainter& Painter, const QRectF& Rect) override;
  bool DataAreaWalls(double& DepthX, double& DepthY) const override;
  void CheckDBVectors() override;
  void RangesModified() override;

  // ---- Saved forms (GvKindsIO.cpp) ----
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

  // Lays the labels out with the painter's metrics (the paint does it).
  void PrepareLabels(QPainter& Painter);

private:
  // The class boundary I (transformed; the indexer's I) and the value of bar I.
  double Boundary(int I) const;
  double BarValue(int I) const;
  TGvCustomDoubleVector* BoundaryVector() const;
  TGvCustomDoubleVector* ValueVector() const;
  // The bar series of the graph in list order.
  std::vector<TGvBars*> GraphBars() const;
  // How bars of the shift group stand: count, position, distance, depth.
  struct TShiftKey
  {
    int N = 1, A = 1;
    double Distance = 0, Depth = 0;
    friend bool operator==(const TShiftKey&, const TShiftKey&) = default;
  };
  TShiftKey ShiftKey() const;
  // Every bar series of the graph but this one.
  template <class F> void ForOtherBars(F&& Do);
  void AllRangesModified();
  // Sets a setting that the bar series of a graph share on all of them, as
  // one undo group.
  template <class T>
  void ShareSetting(T TGvBars::*Field, T Value, const char* Prop, const QString& Comment);
  void PaintBar(QPainter& Painter, int K);
  void LabelsChanged();
  void UpdateCaptionsFromDB();
  // Lays the graph out again after the current paint.
  void ScheduleLayout();

  TGvBarsOverlayStyle FOverlayStyle = TGvBarsOverlayStyle::Shift;
  bool FBarsHorizontal = false;
  TGvBarStyle FBarStyle = TGvBarStyle::Flat;
  double FDepth3D = 50;
  double FClassesDistance = 0;
  QStringList FCaptions;
  TGvListLink FCaptionsLink;
  bool FCaptionsBound = false;
  bool FCaptionsReloadPending = false;
  TGvFont* FFont;
  QString FLabelFormat;
  TGvLabelStyle FLabelFrom = TGvLabelStyle::Value;
  TGvBarLabelPosition FLabelPosition = TGvBarLabelPosition::Invisible;
  float FLabelSize = 20;
  bool FLabelVertical = false;

  std::vector<double> FValues;
  TGvStackLevel FStack;
  double FTotal = 0;
  // Bumped whenever the stack sums change, so that the series above notice.
  int FStackVersion = 0;
  QPointer<TGvBars> FBelow;
  int FBelowVersion = -1;
  bool FCalculated = false;
  std::vector<QPointF> FBottomRight;
  TShiftKey FShiftKey;
  TGvBarDepth FDepth;
  double FLastGroupWidth = -1;
  double FNarrowest = -1;
  std::vector<std::unique_ptr<TGvRichCaptionObject>> FLabels;
  TGvBarLabelPosition FPaintedPosition = TGvBarLabelPosition::Invisible;
  // The room the labels above the bars take (pixels, after the last paint),
  // and the depth the graph was last told of.
  double FLabelRoom = 0;
  mutable QPointF FReportedDepth;
};
