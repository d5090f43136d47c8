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
#include "chart/GvGraph2D.h"
#include "chart/GvGraphLayout.h"
#include "chart/GvGraphicControl.h"
#include "chart/GvRichLabel.h"
#include "chart/GvSeries.h"
#include "chart/GvStyles.h"

#include <QLineF>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <functional>
#include <optional>
#include <vector>

namespace GvLegendTypes {
Q_NAMESPACE

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

// The items order a docked position sets: ByRow at the bottom and the top,
// ByColumn at the sides; none for FreeFloating.
std::optional<TGvItemsOrder> GvDockedItemsOrder(TGvLegendPosition Position);

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

// ---- The legend component ---------------------------------------------------

// The arguments of the legend's item handlers.
struct TGvLegendItemDrawArgs
{
  QPainter* Graphics = nullptr;
  QRect Rect; // the sample area of the item
  int Index = 0;
};
struct TGvLegendItemCaptionEventArgs
{
  QString Caption;
  int Index = 0;
};

// The box, the item list and the layout of a legend. It lists nothing by
// itself (the list comes from TGvLegend's graph); standing alone it paints
// its box and caption.
class TGvCustomLegend : public TGvGraphicControl
{
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool CaptionVisible READ CaptionVisible WRITE SetCaptionVisible)
  Q_PROPERTY(
      GvControlTypes::TGvAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
  Q_PROPERTY(TGvFont* CaptionFont READ CaptionFont WRITE SetCaptionFont)
  Q_PROPERTY(TGvColor CaptionColor READ CaptionColor WRITE SetCaptionColor)
  Q_PROPERTY(float CaptionDistanceBefore READ CaptionDistanceBefore WRITE SetCaptionDistanceBefore)
  Q_PROPERTY(float CaptionDistanceAfter READ CaptionDistanceAfter WRITE SetCaptionDistanceAfter)
  Q_PROPERTY(TGvFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(TGvColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(TGvColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(
      TGvGradientSettings* BackgroundGradient READ BackgroundGradient WRITE SetBackgroundGradient)
  Q_PROPERTY(TGvLineSettings* Frame READ Frame WRITE SetFrame)
  Q_PROPERTY(bool DropShadow READ DropShadow WRITE SetDropShadow)
  Q_PROPERTY(bool BorderRaised READ BorderRaised WRITE SetBorderRaised)
  Q_PROPERTY(bool BorderLowered READ BorderLowered WRITE SetBorderLowered)
  Q_PROPERTY(float CornerRounding READ CornerRounding WRITE SetCornerRounding)
  Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
  Q_PROPERTY(int Rows READ Rows WRITE SetRows)
  Q_PROPERTY(GvLegendTypes::TGvItemsOrder ItemsOrder READ ItemsOrder WRITE SetItemsOrder)
  Q_PROPERTY(float ItemHeight READ ItemHeight WRITE SetItemHeight)
  Q_PROPERTY(float ItemWidth READ ItemWidth WRITE SetItemWidth)
  Q_PROPERTY(float DistanceItemCaption READ DistanceItemCaption WRITE SetDistanceItemCaption)
  Q_PROPERTY(float DistanceBetweenLines READ DistanceBetweenLines WRITE SetDistanceBetweenLines)
  Q_PROPERTY(
      float DistanceBetweenColumns READ DistanceBetweenColumns WRITE SetDistanceBetweenColumns)
  Q_PROPERTY(float DistanceToBorder READ DistanceToBorder WRITE SetDistanceToBorder)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)

public:
  explicit TGvCustomLegend(QObject* Owner = nullptr);
  ~TGvCustomLegend() override;

  QString Caption() const { return FCaption.Caption(); }
  // Trailing blanks are dropped.
  void SetCaption(const QString& Value);
  bool CaptionVisible() const { return FCaptionVisible; }
  void SetCaptionVisible(bool Value);
  TGvAlignment CaptionAlignment() const { return FCaptionAlignment; }
  void SetCaptionAlignment(TGvAlignment Value);
  TGvFont* CaptionFont() const { return FCaption.Font(); }
  void SetCaptionFont(TGvFont* Value);
  // The fill colour of the caption font.
  TGvColor CaptionColor() const { return CaptionFont()->FillColor(); }
  void SetCaptionColor(TGvColor Value);
  float CaptionDistanceBefore() const { return FCaptionDistanceBefore; }
  void SetCaptionDistanceBefore(float Value);
  float CaptionDistanceAfter() const { return FCaptionDistanceAfter; }
  void SetCaptionDistanceAfter(float Value);
  TGvFont* Font() const { return FFont; }
  void SetFont(TGvFont* Value);
  // The fill colour of Font.
  TGvColor ForeColor() const { return FFont->FillColor(); }
  void SetForeColor(TGvColor Value);
  TGvColor BackColor() const { return FBackColor; }
  void SetBackColor(TGvColor Value);
  TGvGradientSettings* BackgroundGradient() const { return FBackgroundGradient; }
  void SetBackgroundGradient(TGvGradientSettings* Value);
  TGvLineSettings* Frame() const { return FFrame; }
  void SetFrame(TGvLineSettings* Value);
  bool DropShadow() const { return FDropShadow; }
  void SetDropShadow(bool Value);
  bool BorderRaised() const { return FBorderRaised; }
  void SetBorderRaised(bool Value);
  bool BorderLowered() const { return FBorderLowered; }
  void SetBorderLowered(bool Value);
  float CornerRounding() const { return FCornerRounding; }
  void SetCornerRounding(float Value);
  // 0 or less is stored as 1.
  int Columns() const { return FColumns; }
  void SetColumns(int Value);
  int Rows() const { return FRows; }
  void SetRows(int Value);
  TGvItemsOrder ItemsOrder() const { return FItemsOrder; }
  void SetItemsOrder(TGvItemsOrder Value);
  float ItemHeight() const { return FItemHeight; }
  void SetItemHeight(float Value);
  float ItemWidth() const { return FItemWidth; }
  void SetItemWidth(float Value);
  float DistanceItemCaption() const { return FDistanceItemCaption; }
  void SetDistanceItemCaption(float Value);
  float DistanceBetweenLines() const { return FDistanceBetweenLines; }
  void SetDistanceBetweenLines(float Value);
  float DistanceBetweenColumns() const { return FDistanceBetweenColumns; }
  void SetDistanceBetweenColumns(float Value);
  float DistanceToBorder() const { return FDistanceToBorder; }
  void SetDistanceToBorder(float Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);

  // Draws an item's sample instead of the series' own.
  std::function<void(TGvSeries* Series, TGvLegendItemDrawArgs& Args)> OnDrawLegendItem;
  // May change an item's caption.
  std::function<void(TGvSeries* Series, TGvLegendItemCaptionEventArgs& Args)>
      OnGetLegendItemCaption;

  // ---- Layout ----
  // Brings the item list and the layout up to date.
  virtual void PreparePaint();
  // The layout needs doing again at the next paint.
  void Modified() override;
  // The items as listed (series are not owned; ones that are gone read null).
  int ItemCount() const { return int(FItems.size()); }
  TGvSeries* Item(int I) const { return FItems.at(size_t(I)).data(); }
  QRect ItemRect(int I) const { return FItemRects.at(size_t(I)); }
  const TGvRichCaptionObject* ItemCaption(int I) const { return FItemCaptions.Value(I); }
  const TGvRichCaptionObject& CaptionObject() const { return FCaption; }
  float EffectiveItemHeight() const { return FEffectiveItemHeight; }
  int ContentWidth() const { return FContentWidth; }
  int ContentHeight() const { return FContentHeight; }
  // Whether the drop shadow is drawn (asked for, and a box that can cast it).
  bool ShadowDrawn() const;

  // Paints the box, the caption and the items in the legend's coordinates.
  void PaintGr(QPainter& Painter) override;
  // Hands the stack to the fonts, the gradient and the frame too.
  void SetUndoStack(TGvUndoStackBase* Stack) override;

  // ---- Saved forms (GvLegendIO.cpp) ----
  // The stream form starts with the legend's reference; the XML form is a
  // child of Node named after the class; the ini form is the keys of one
  // section. The public readers check the whole form first (on a scratch
  // legend, with nothing resolved): a form that cannot be read raises
  // EGvReadError and leaves the legend as it was. Reading records nothing on
  // the undo stack; references are type-checked (GvLinkRef). A legend
  // without a graph of its own writes FreeFloating, no graph and an empty
  // items order list.
  void WriteTo(TGvStreamWriter& W) const;
  void WriteTo(QIODevice& Stream) const;
  void WriteTo(const QString& FileName) const;
  void ReadFrom(QIODevice& Stream);
  void ReadFrom(const QString& FileName);
  void WriteTo(QDomElement& Node) const;
  void ReadFrom(const QDomElement& Node);
  void WriteTo(TGvIniFile& Ini, const QString& Section) const;
  void ReadFrom(const TGvIniFile& Ini, const QString& Section);
  // The readers without the check (a saved graph checks all of its form
  // before it reads it).
  void ReadUnchecked(TGvStreamReader& R);
  void ReadUnchecked(const QDomElement& Node);
  void ReadUnchecked(const TGvIniFile& Ini, const QString& Section);

protected:
  virtual void CheckItemHeight();
  virtual void NewList();
  virtual void PaintItems(QPainter& Painter);
  // The layout pass: item positions, the content size and, with AutoSize,
  // the control's size.
  void PlaceItems();
  // The smoothing the box is drawn with.
  virtual TGvSmoothingMode Smoothing() const { return TGvSmoothingMode::HighQuality; }
  void BoundsChanged(const QRect& Old) override;
  // Moved from outside (not by its own sizing or a drag).
  virtual void Moved();
  QString VisibleComment() const override;
  // A setter's common tail: record, store, lay out again.
  template <class T> void SetValue(T& Field, const T& Value, const char* Prop, const char* Comment);
  friend struct TGvLegendForm;

  std::vector<QPointer<TGvSeries>> FItems;
  std::vector<QRect> FItemRects;
  TGvRichCaptionObjects FItemCaptions;
  TGvRichCaptionObject FCaption;
  bool FCaptionVisible = false;
  TGvAlignment FCaptionAlignment = TGvAlignment::Center;
  float FCaptionDistanceBefore = 0, FCaptionDistanceAfter = 0;
  TGvFont* FFont;
  TGvColor FBackColor = GvColors::Transparent;
  TGvGradientSettings* FBackgroundGradient;
  TGvLineSettings* FFrame;
  bool FDropShadow = false, FBorderRaised = false, FBorderLowered = false;
  float FCornerRounding = 0;
  int FColumns = 1, FRows = 1;
  TGvItemsOrder FItemsOrder = TGvItemsOrder::ByColumn;
  float FItemHeight = 0, FItemWidth = 80;
  float FDistanceItemCaption = 4, FDistanceBetweenLines = 3, FDistanceBetweenColumns = 10,
        FDistanceToBorder = 8;
  bool FAutoSize = true;
  float FEffectiveItemHeight = 0;
  int FContentWidth = 0, FContentHeight = 0;
  bool FRecalculate = true;
  bool FSettingBounds = false;
};

// A legend bound to a graph: it lists the graph's series (and those of its
// child graphs), docks to a side of the graph or floats freely, and can be
// dragged with the mouse while it floats.
class TGvLegend : public TGvCustomLegend, public IGvGraphLegend
{
  Q_OBJECT
  Q_PROPERTY(TGvGraph2D* Graph READ Graph WRITE SetGraph)
  Q_PROPERTY(QStringList ItemsOrderList READ ItemsOrderList WRITE SetItemsOrderList)
  Q_PROPERTY(GvLegendPositionTypes::TGvLegendPosition Position READ Position WRITE SetPosition)
  Q_PROPERTY(GvGraphTypes::TGvShiftState StartFreeFloatingMovingKeys READ
                 StartFreeFloatingMovingKeys WRITE SetStartFreeFloatingMovingKeys)
  Q_PROPERTY(GvLegendTypes::TGvLegendCaptionColorFrom LegendCaptionColorFrom READ
                 LegendCaptionColorFrom WRITE SetLegendCaptionColorFrom)

public:
  explicit TGvLegend(QObject* Owner = nullptr);
  ~TGvLegend() override;

  TGvGraph2D* Graph() const { return FGraph.data(); }
  void SetGraph(TGvGraph2D* Value);
  // Component references of series, listed first in this order.
  QStringList ItemsOrderList() const { return FItemsOrderList; }
  void SetItemsOrderList(const QStringList& Value);
  TGvLegendPosition Position() const { return FPosition; }
  void SetPosition(TGvLegendPosition Value);
  TGvShiftState StartFreeFloatingMovingKeys() const { return FMovingKeys; }
  void SetStartFreeFloatingMovingKeys(TGvShiftState Value);
  TGvLegendCaptionColorFrom LegendCaptionColorFrom() const { return FCaptionColorFrom; }
  void SetLegendCaptionColorFrom(TGvLegendCaptionColorFrom Value);

  std::function<void(TGvLegend* Sender)> OnStartFreeFloating;

  // ---- Mouse (graph coordinates) ----
  // A press with exactly StartFreeFloatingMovingKeys inside a free-floating
  // legend on a graph starts dragging; true when it did.
  bool MouseDown(TGvShiftState Shift, QPoint At);
  void MouseMove(QPoint At);
  void MouseUp();
  bool Dragging() const { return FDrag.Active(); }

  void PreparePaint() override;
  void Modified() override;

  // ---- What the graph asks ----
  bool LegendVisible() const override { return Visible(); }
  TGvLegendPosition LegendPosition() const override { return FPosition; }
  QSizeF LegendSize() override;
  void PlaceLegend(QPointF TopLeft) override;
  void PaintLegend(QPainter& Painter) override;
  void LegendRefresh() override;
  bool LegendMousePress(QPoint At, TGvShiftState Shift) override { return MouseDown(Shift, At); }
  void LegendMouseMove(QPoint At) override { MouseMove(At); }
  void LegendMouseRelease() override { MouseUp(); }

  // The series a merged sample of Series draws, in the graph's list order:
  // the series and those its MergeLegendItemWith leads to (each once, so a
  // cycle ends).
  std::vector<TGvSeries*> MergedSeries(TGvSeries* Series) const;

protected:
  void CheckItemHeight() override;
  void NewList() override;
  void PaintItems(QPainter& Painter) override;
  TGvSmoothingMode Smoothing() const override;
  void Moved() override;

private:
  void OnGraphDestroyed();
  // The graph the items come from: the master of a coupled child graph.
  TGvGraph2D* ListGraph() const;
  // The series of the list graph and of its child graphs, in list order.
  std::vector<TGvSeries*> GraphSeries() const;
  bool StillListed(const TGvSeries* S) const;
  void DrawMergedItems(QPainter& Painter, TGvSeries* Series, const QRectF& Rect);

  QPointer<TGvGraph2D> FGraph;
  QStringList FItemsOrderList;
  TGvLegendPosition FPosition = TGvLegendPosition::FreeFloating;
  TGvShiftState FMovingKeys = GvGraphTypes::ssLeft;
  TGvLegendCaptionColorFrom FCaptionColorFrom = TGvLegendCaptionColorFrom::LegendForeColor;
  TGvLegendDrag FDrag;
  QMetaObject::Connection FGraphDestroyed;
};

// The item height a series asks for in a legend: its line width (when the
// line shows), 6 more with an area, at least the symbol size + 2 with
// symbols, 8 more with error bars in Y.
int GvSeriesItemHeight(const TGvSeries* Series);
// Draws the sample of a plain series in one of the four styles (a kind with
// a sample of its own, bars for instance, draws that instead).
void GvDrawSeriesSample(QPainter& Painter, TGvSeries* Series, const QRectF& Rect, int Style);
