// The graph control: the window that shows a chart.
//
//   TGvCustomGraph   the base: background, title, smoothing, undo stack
//   TGvGraph2D       axes, series, grids, layout, polling, zoom, pan,
//                    scroll bars, images, printing and the clipboard
//   TGvZoomSettings  how the mouse zooms and pans a graph
//   IGvGraphLegend   what the graph asks of the legends docked to it
//
// Painting: the chart is rendered into a cached image, rebuilt only when
// something changed (series, axes, settings, size); a repaint for any other
// reason (an expose, the rubber band) draws the cached image and the rubber
// band over it.
//
// Polling: every 50 ms the graph asks its series whether their vectors grew
// (a test that costs nothing when nothing was appended); new values then
// reach the screen without any call by the application.
//
// Mouse: the zoom and pan gestures follow the zoom settings. The wheel zooms
// in and out around the pointer inside the drawing area (one zoom stage per
// step, never beyond the range before the first zoom); no other gesture uses
// the wheel.
//
// Coupled graphs: a graph whose primary X axis stands on another graph is
// that graph's child graph; zooming and panning act on the master and all its
// child graphs, once per distinct axis.
#pragma once

#include "chart/GvAxis.h"
#include "chart/GvComponent.h"
#include "chart/GvGraphLayout.h"
#include "chart/GvGraphZoom.h"
#include "chart/GvIO.h"
#include "chart/GvRichLabel.h"
#include "chart/GvStyles.h"
#include "chart/analysis/GvParseFkt.h"

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

class QPrinter;
class QScrollBar;
class TGvGraph2D;
class TGvSeries;
class TGvDoubleVector;

namespace GvGraphTypes {
Q_NAMESPACE

enum class TGvSmoothingMode
{
  None,
  HighSpeed,
  AntiAlias,
  HighQuality
};
Q_ENUM_NS(TGvSmoothingMode)

enum class TGvZoomBufferType
{
  AsCircularBuffer,
  AsStack
};
Q_ENUM_NS(TGvZoomBufferType)

// The frame of the control: none, or a single line around it (the layout
// then leaves 4 pixels more at the bottom).
enum class TGvBorderStyle
{
  None,
  Single
};
Q_ENUM_NS(TGvBorderStyle)

// The image formats SaveImage knows. Svg and Pdf are the vector formats of
// this platform; Emf, Exif and Icon are refused.
enum class TGvImageFileFormat
{
  Emf,
  Bmp,
  Jpeg,
  Png,
  Gif,
  Tiff,
  Exif,
  Icon,
  Svg,
  Pdf
};
Q_ENUM_NS(TGvImageFileFormat)

// The keys and buttons held when a mouse button goes down (the stored set
// order: Shift, Alt, Ctrl, Left, Right, Middle, Double).
enum TGvShift : uint16_t
{
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64
};
Q_DECLARE_FLAGS(TGvShiftState, TGvShift)
Q_FLAG_NS(TGvShiftState)

} // namespace GvGraphTypes

Q_DECLARE_OPERATORS_FOR_FLAGS(GvGraphTypes::TGvShiftState)

using GvGraphTypes::TGvBorderStyle;
using GvGraphTypes::TGvImageFileFormat;
using GvGraphTypes::TGvShift;
using GvGraphTypes::TGvShiftState;
using GvGraphTypes::TGvSmoothingMode;
using GvGraphTypes::TGvZoomBufferType;

// The shift state of a mouse event (the button that went down, or the
// buttons held).
TGvShiftState GvShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

// ---- Legends ------------------------------------------------------------------

// What the graph asks of a legend that stands on it (the legends register
// themselves with RegisterLegend).
class IGvGraphLegend
{
public:
  virtual ~IGvGraphLegend() = default;
  virtual bool LegendVisible() const = 0;
  virtual TGvLegendPosition LegendPosition() const = 0;
  // The size the legend needs (brought up to date before the layout asks).
  virtual QSizeF LegendSize() = 0;
  // Places a docked legend (its top-left corner in the graph).
  virtual void PlaceLegend(QPointF TopLeft) = 0;
  virtual void PaintLegend(QPainter& Painter) = 0;
  // The series list or their captions changed.
  virtual void LegendRefresh() = 0;
  // The mouse over the graph (graph coordinates): a press the legend takes
  // (a free-floating legend starting to be dragged) returns true, and the
  // graph then hands it the moves and the release instead of zooming.
  virtual bool LegendMousePress(QPoint At, TGvShiftState Shift) { return false; }
  virtual void LegendMouseMove(QPoint At) {}
  virtual void LegendMouseRelease() {}
};

// ---- Zoom settings ----------------------------------------------------------------

class TGvZoomSettings : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(bool Auto READ Auto WRITE SetAuto)
  Q_PROPERTY(GvGraphTypes::TGvZoomBufferType BufferType READ BufferType WRITE SetBufferType)
  Q_PROPERTY(bool OptimizeSeries READ OptimizeSeries WRITE SetOptimizeSeries)
  Q_PROPERTY(bool BackOnClickBeside READ BackOnClickBeside WRITE SetBackOnClickBeside)
  Q_PROPERTY(bool BackOnRightBottomLeftTopFrame READ BackOnRightBottomLeftTopFrame WRITE
                 SetBackOnRightBottomLeftTopFrame)
  Q_PROPERTY(
      bool ResetOnDoubleClickBeside READ ResetOnDoubleClickBeside WRITE SetResetOnDoubleClickBeside)
  Q_PROPERTY(bool ResetOnRightBottomLeftTopFrame READ ResetOnRightBottomLeftTopFrame WRITE
                 SetResetOnRightBottomLeftTopFrame)
  Q_PROPERTY(GvGraphTypes::TGvShiftState StartZoom READ StartZoom WRITE SetStartZoom)
  Q_PROPERTY(GvGraphTypes::TGvShiftState StartPanning READ StartPanning WRITE SetStartPanning)
  Q_PROPERTY(Qt::CursorShape PanningCursor READ PanningCursor WRITE SetPanningCursor)
  Q_PROPERTY(bool HScrollbarVisible READ HScrollbarVisible WRITE SetHScrollbarVisible)
  Q_PROPERTY(bool VScrollbarVisible READ VScrollbarVisible WRITE SetVScrollbarVisible)
  Q_PROPERTY(GvScrollTypes::TGvScrollIncrement ScrollSmallIncrement READ ScrollSmallIncrement WRITE
                 SetScrollSmallIncrement)
  Q_PROPERTY(GvScrollTypes::TGvScrollIncrement ScrollLargeIncrement READ ScrollLargeIncrement WRITE
                 SetScrollLargeIncrement)

public:
  explicit TGvZoomSettings(TGvGraph2D* Graph);

  bool Auto() const { return FAuto; }
  void SetAuto(bool V) { FAuto = V; }
  TGvZoomBufferType BufferType() const { return FBufferType; }
  void SetBufferType(TGvZoomBufferType V) { FBufferType = V; }
  bool OptimizeSeries() const { return FOptimizeSeries; }
  void SetOptimizeSeries(bool V) { FOptimizeSeries = V; }
  bool BackOnClickBeside() const { return FBackOnClickBeside; }
  void SetBackOnClickBeside(bool V) { FBackOnClickBeside = V; }
  bool BackOnRightBottomLeftTopFrame() const { return FBackOnRBLT; }
  void SetBackOnRightBottomLeftTopFrame(bool V) { FBackOnRBLT = V; }
  bool ResetOnDoubleClickBeside() const { return FResetOnDoubleClickBeside; }
  void SetResetOnDoubleClickBeside(bool V) { FResetOnDoubleClickBeside = V; }
  bool ResetOnRightBottomLeftTopFrame() const { return FResetOnRBLT; }
  void SetResetOnRightBottomLeftTopFrame(bool V) { FResetOnRBLT = V; }
  TGvShiftState StartZoom() const { return FStartZoom; }
  // Equal zoom and pan states raise "Zooming and panning not allowed to start
  // with same parameters".
  void SetStartZoom(TGvShiftState V);
  TGvShiftState StartPanning() const { return FStartPanning; }
  void SetStartPanning(TGvShiftState V);
  Qt::CursorShape PanningCursor() const { return FPanningCursor; }
  void SetPanningCursor(Qt::CursorShape V) { FPanningCursor = V; }
  bool HScrollbarVisible() const { return FHScrollbarVisible; }
  void SetHScrollbarVisible(bool V);
  bool VScrollbarVisible() const { return FVScrollbarVisible; }
  void SetVScrollbarVisible(bool V);
  TGvScrollIncrement ScrollSmallIncrement() const { return FSmall; }
  void SetScrollSmallIncrement(TGvScrollIncrement V) { FSmall = V; }
  TGvScrollIncrement ScrollLargeIncrement() const { return FLarge; }
  void SetScrollLargeIncrement(TGvScrollIncrement V) { FLarge = V; }

  // The graph's zoom operations.
  bool CanZoomBack() const;
  bool CanRedoZoom() const;
  void ZoomTo(QPointF Corner1, QPointF Corner2);
  void ZoomBack();
  void RedoZoom();
  void ZoomToStage(int Stage);
  void ZoomReset();
  int CurrentStage() const;
  int BufferSize() const;

private:
  TGvGraph2D* Graph() const;
  bool FAuto = true;
  TGvZoomBufferType FBufferType = TGvZoomBufferType::AsStack;
  bool FOptimizeSeries = false;
  bool FBackOnClickBeside = true;
  bool FBackOnRBLT = false;
  bool FResetOnDoubleClickBeside = true;
  bool FResetOnRBLT = false;
  TGvShiftState FStartZoom = GvGraphTypes::ssLeft;
  TGvShiftState FStartPanning = GvGraphTypes::ssShift | GvGraphTypes::ssLeft;
  Qt::CursorShape FPanningCursor = Qt::PointingHandCursor;
  bool FHScrollbarVisible = true;
  bool FVScrollbarVisible = true;
  TGvScrollIncrement FSmall = TGvScrollIncrement::MinorTick;
  TGvScrollIncrement FLarge = TGvScrollIncrement::Page;
};

// ---- TGvCustomGraph ----------------------------------------------------------------

// A graph's title may show values that series publish ("<%" name "%>"): it
// is on their update lists and lays itself out again after they recalculated.
// The graph publishes its own "Name" and "Caption" as string values (while
// it lives); captions that show them are on its update list and follow a new
// caption.
class TGvCustomGraph : public QWidget,
                       public TGvUndoClient,
                       public TGvVariablesObject,
                       public TGvUpdateListOwner
{
  Q_OBJECT
  Q_PROPERTY(TGvColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(TGvGradientSettings* BackgroundGradient READ BackgroundGradient)
  Q_PROPERTY(GvGraphTypes::TGvSmoothingMode SmoothingMode READ SmoothingMode WRITE SetSmoothingMode)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
  Q_PROPERTY(TGvColor CaptionColor READ CaptionColor WRITE SetCaptionColor)
  Q_PROPERTY(float CaptionDistanceAfter READ CaptionDistanceAfter WRITE SetCaptionDistanceAfter)
  Q_PROPERTY(float CaptionDistanceBefore READ CaptionDistanceBefore WRITE SetCaptionDistanceBefore)
  Q_PROPERTY(TGvFont* CaptionFont READ CaptionFont)
  Q_PROPERTY(bool CaptionVisible READ CaptionVisible WRITE SetCaptionVisible)
  Q_PROPERTY(GvGraphTypes::TGvBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)

public:
  explicit TGvCustomGraph(QWidget* Parent = nullptr);
  ~TGvCustomGraph() override;

  TGvColor BackColor() const { return FBackColor; }
  void SetBackColor(TGvColor Value);
  TGvGradientSettings* BackgroundGradient() const { return FBackgroundGradient; }
  TGvSmoothingMode SmoothingMode() const { return FSmoothingMode; }
  void SetSmoothingMode(TGvSmoothingMode Value);
  QString Caption() const { return FTitle.Caption(); }
  void SetCaption(const QString& Value);
  // -1 left, 0 centre, 1 right.
  int CaptionAlignment() const { return FCaptionAlignment; }
  void SetCaptionAlignment(int Value);
  TGvColor CaptionColor() const;
  void SetCaptionColor(TGvColor Value);
  float CaptionDistanceAfter() const { return FCaptionDistanceAfter; }
  void SetCaptionDistanceAfter(float Value);
  float CaptionDistanceBefore() const { return FCaptionDistanceBefore; }
  void SetCaptionDistanceBefore(float Value);
  TGvFont* CaptionFont() const { return FTitle.Font(); }
  bool CaptionVisible() const { return FCaptionVisible; }
  void SetCaptionVisible(bool Value);
  TGvBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TGvBorderStyle Value);

  bool IsDestroying() const { return FDestroying; }
  // A setting changed: lay out again and repaint.
  virtual void Modified();
  // The rendered chart is out of date: rebuilt at the next paint.
  virtual void InvalidateChart();

  // The painter's render hints for a smoothing mode.
  static void ApplySmoothing(QPainter& Painter, TGvSmoothingMode Mode);
  // The title as laid out (its PlainText shows the expanded fields).
  const TGvRichCaptionObject& TitleObject() const { return FTitle; }
  // The captions show registered values again: lays out and repaints.
  void UpdateVariables() override { Modified(); }
  // Publishes "Name" and "Caption" to the expression parser; removed again.
  void RegisterVariables();
  void DeRegisterVariables();

protected:
  void PaintBackground(QPainter& Painter, const QRectF& Client);
  // The single line of the border style around the client.
  void PaintBorder(QPainter& Painter, const QRectF& Client);
  bool TitleShown() const { return FCaptionVisible && !FTitle.Caption().isEmpty(); }

  bool FDestroying = false;
  TGvColor FBackColor = GvColors::Transparent;
  TGvGradientSettings* FBackgroundGradient;
  TGvSmoothingMode FSmoothingMode = TGvSmoothingMode::HighQuality;
  TGvRichCaptionObject FTitle;
  int FCaptionAlignment = 0;
  float FCaptionDistanceAfter = 0, FCaptionDistanceBefore = 0;
  bool FCaptionVisible = false;
  TGvBorderStyle FBorderStyle = TGvBorderStyle::None;
};

// ---- TGvGraph2D ----------------------------------------------------------------------

class TGvGraph2D : public TGvCustomGraph, public IGvAxisGraph
{
  Q_OBJECT
  Q_PROPERTY(TGvZoomSettings* Zoom READ Zoom)
  Q_PROPERTY(TGvLineSettings* DataAreaFrame READ DataAreaFrame)
  Q_PROPERTY(TGvColor DataAreaColor READ DataAreaColor WRITE SetDataAreaColor)
  Q_PROPERTY(TGvGradientSettings* DataAreaGradient READ DataAreaGradient)
  Q_PROPERTY(float DistanceBorderAxisTop READ DistanceBorderAxisTop WRITE SetDistanceBorderAxisTop)
  Q_PROPERTY(float DistanceBorderAxisBottom READ DistanceBorderAxisBottom WRITE
                 SetDistanceBorderAxisBottom)
  Q_PROPERTY(
      float DistanceBorderAxisLeft READ DistanceBorderAxisLeft WRITE SetDistanceBorderAxisLeft)
  Q_PROPERTY(
      float DistanceBorderAxisRight READ DistanceBorderAxisRight WRITE SetDistanceBorderAxisRight)
  Q_PROPERTY(TGvAxis* PrimaryXAxis READ PrimaryXAxis WRITE SetPrimaryXAxis)
  Q_PROPERTY(TGvAxis* PrimaryYAxis READ PrimaryYAxis WRITE SetPrimaryYAxis)
  Q_PROPERTY(TGvLineSettings* MajorGridHorizontal READ MajorGridHorizontal)
  Q_PROPERTY(TGvLineSettings* MajorGridVertical READ MajorGridVertical)
  Q_PROPERTY(TGvLineSettings* MinorGridHorizontal READ MinorGridHorizontal)
  Q_PROPERTY(TGvLineSettings* MinorGridVertical READ MinorGridVertical)
  Q_PROPERTY(bool ZeroOrigin READ ZeroOrigin WRITE SetZeroOrigin)
  Q_PROPERTY(TGvFont* Font READ Font WRITE SetFont)

public:
  explicit TGvGraph2D(QWidget* Parent = nullptr);
  ~TGvGraph2D() override;

  // ---- Properties ----
  TGvZoomSettings* Zoom() const { return FZoom; }
  TGvLineSettings* DataAreaFrame() const { return FDataAreaFrame; }
  TGvColor DataAreaColor() const { return FDataAreaColor; }
  void SetDataAreaColor(TGvColor Value);
  TGvGradientSettings* DataAreaGradient() const { return FDataAreaGradient; }
  float DistanceBorderAxisTop() const { return FDistance[1]; }
  void SetDistanceBorderAxisTop(float Value) { SetDistance(1, Value); }
  float DistanceBorderAxisBottom() const { return FDistance[3]; }
  void SetDistanceBorderAxisBottom(float Value) { SetDistance(3, Value); }
  float DistanceBorderAxisLeft() const { return FDistance[0]; }
  void SetDistanceBorderAxisLeft(float Value) { SetDistance(0, Value); }
  float DistanceBorderAxisRight() const { return FDistance[2]; }
  void SetDistanceBorderAxisRight(float Value) { SetDistance(2, Value); }
  TGvAxis* PrimaryXAxis() const { return FPrimaryXAxis.data(); }
  void SetPrimaryXAxis(TGvAxis* Value);
  TGvAxis* PrimaryYAxis() const { return FPrimaryYAxis.data(); }
  void SetPrimaryYAxis(TGvAxis* Value);
  TGvLineSettings* MajorGridHorizontal() const { return FGrid[0]; }
  TGvLineSettings* MajorGridVertical() const { return FGrid[1]; }
  TGvLineSettings* MinorGridHorizontal() const { return FGrid[2]; }
  TGvLineSettings* MinorGridVertical() const { return FGrid[3]; }
  bool ZeroOrigin() const { return FZeroOrigin; }
  void SetZeroOrigin(bool Value);
  // The control's font: child controls that take their parent's font (rich
  // labels with ParentFont) follow it.
  TGvFont* Font() const { return FFont; }
  void SetFont(TGvFont* Value);

  std::function<void(TGvGraph2D*)> OnBeginZoom, OnEndZoom, OnBeginPanning, OnEndPanning;

  // ---- State ----
  // The drawing (data) area in the graph's coordinates.
  QRectF DrawingArea() const { return FDrawingArea; }
  // The series in layer order.
  const std::vector<TGvSeries*>& RelatedSeries() const { return FSeries; }
  // The axes standing on the graph, and for a coupled graph the master's
  // primary X axis.
  std::vector<TGvAxis*> Axes() const;
  // The graphs whose primary X axis stands on this graph.
  std::vector<TGvGraph2D*> ChildGraphs() const;
  bool IsCoupled() const { return FCoupled; }
  // The graph whose primary X axis this coupled graph uses (or itself).
  TGvGraph2D* MasterGraph() const;
  bool IsPanning() const { return FPanning; }
  bool IsZooming() const { return FZooming; }
  bool IsDoingImage() const { return FDoingImage; }
  bool NeedsRecalculation() const { return FRecalculate; }
  bool IsLoading() const { return FLoading; }
  void SetLoading(bool Value) { FLoading = Value; }
  void SetUndoStack(TGvUndoStackBase* Stack) override;
  // The named data vectors the series use (X and Y data, weights, error
  // bars), each once.
  std::vector<TGvDoubleVector*> GetVectorsList() const { return VectorsOf(FSeries); }
  // The named double vectors the given series use, each once.
  static std::vector<TGvDoubleVector*> VectorsOf(const std::vector<TGvSeries*>& Series);

  // ---- Saved forms (GvGraphIO.cpp) ----
  // The graph with its axes and series (and, IncludeValues, its vectors and
  // the axes' ranges) as a binary stream, an XML element "TGvGraph2D" and an
  // ini section with one section per object. Reading checks the whole form
  // first, on scratch objects with nothing resolved: a form that cannot be
  // read raises EGvReadError and leaves the graph and everything else as it
  // was. It then reads with the graph loading and updating (both ended also
  // when reading raises) and records nothing on the undo stack. Objects are
  // found by their saved references: only a series of this graph is taken
  // (or replaced, when its class differs); an axis must stand on this graph
  // or on none; a name taken by another kind of object gets a new name (the
  // saved references lead to it). Links are resolved once every object
  // exists; what cannot be resolved is left empty and noted in ReadWarnings.
  void WriteTo(TGvStreamWriter& W, bool IncludeValues) const;
  void WriteTo(QIODevice& Stream, bool IncludeValues) const;
  // Through a QSaveFile: a failed write keeps the earlier file.
  void WriteTo(const QString& FileName, bool IncludeValues) const;
  void ReadFrom(QIODevice& Stream);
  void ReadFrom(const QString& FileName);
  void WriteTo(QDomElement& Node, bool IncludeValues) const;
  void ReadFrom(const QDomElement& Node);
  void WriteTo(TGvIniFile& Ini, const QString& Section, bool IncludeValues) const;
  void ReadFrom(const TGvIniFile& Ini, const QString& Section);
  // What the last reading left out or could not link.
  const QStringList& ReadWarnings() const { return FReadWarnings; }
  // Records the content of the series' data vectors on the undo stack.
  void UndoPushSeriesVectors();
  QScrollBar* HorizontalScrollBar() const { return FHScroll; }
  QScrollBar* VerticalScrollBar() const { return FVScroll; }
  QTimer& PollTimer() { return FPollTimer; }

  // ---- Operations ----
  void Calculate();
  void Modified() override;
  void SeriesModified();
  void LegendsModified();
  void InvalidateChart() override;
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }
  void TestPrimaryAxis();
  void TestSeriesAndAxis();
  void SortLayers();
  // The top-most series with a point at the mouse position: the series (or
  // nullptr), the data index and the point's values.
  TGvSeries* FindSeriesPoint(double MouseX, double MouseY, int& Index, double& X, double& Y);

  void AddSeries(TGvSeries* Series);
  void RemoveSeries(TGvSeries* Series);
  void RegisterLegend(QObject* Legend, IGvGraphLegend* Interface);
  void UnregisterLegend(QObject* Legend);
  // The legends registered with the graph, in the order they came.
  std::vector<QObject*> Legends() const;

  // ---- Zoom ----
  bool CanZoomBack() const;
  bool CanRedoZoom() const;
  void ZoomTo(QPointF Corner1, QPointF Corner2);
  void ZoomBack();
  void RedoZoom();
  void ZoomToStage(int Stage);
  void ZoomReset();
  int CurrentZoomStage() const;
  int ZoomBufferSize() const;
  // Moves an axis by Shift value units (scroll bar steps), within its scroll
  // range; recorded as a zoom stage when Record is set.
  void ShiftAxis(TGvAxis* Axis, double Shift, bool Record);

  // ---- Output ----
  // Paints the graph (and its child graphs stacked above it) into Image at
  // (DX, DY).
  void PaintToImage(QImage& Image, int DX = 0, int DY = 0);
  // The size of the picture of the graph with its child graphs.
  QSize ImageSize() const;
  // Writes the picture; raises EGvError for a format that cannot be written,
  // an unwritable file or an encoder failure. Without alpha (or with
  // RemoveTransparency) the picture is flattened onto TransparentExchangeColor
  // (white when it is transparent itself).
  void SaveImage(const QString& FileName, TGvImageFileFormat Format,
                 bool RemoveTransparency = false,
                 TGvColor TransparentExchangeColor = GvColors::White);
  void SaveImage(QIODevice& Stream, TGvImageFileFormat Format, bool RemoveTransparency = false,
                 TGvColor TransparentExchangeColor = GvColors::White);
  QImage AsImage(bool RemoveTransparency = false, TGvColor ExchangeColor = GvColors::White);
  // Renders into Rect of the printer's page as vector drawing; raises when
  // the printer cannot be drawn on.
  void PrintTo(QPrinter& Printer, const QRect& Rect);
  // Places the picture (and an SVG form of it) on the clipboard; raises when
  // there is none.
  void CopyToClipboard();

  // ---- Painting ----
  // Renders the whole chart (without the rubber band) in graph coordinates.
  void Render(QPainter& Painter);

  // ---- What the axes ask ----
  bool GraphLoading() const override { return FLoading; }
  bool GraphPanning() const override { return FPanning; }
  bool GraphHasSeries() const override { return !FSeries.empty(); }
  bool GraphDoingMetafile() const override { return FDoingMetafile; }
  void GraphAxisModified(TGvAxis* Axis) override;

  // ---- Test access ----
  const QImage& CachedImage() const { return FCache; }
  int RenderCount() const { return FRenderCount; }
  void PollTick() { OnPoll(); }

protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  void wheelEvent(QWheelEvent* Event) override;
  void showEvent(QShowEvent* Event) override;

private:
  friend class TGvZoomSettings;
  void SetDistance(int Side, float Value);
  void OnPoll();
  void CheckCoupled();
  // The layout of this graph alone (borders, axes, legends, drawing area).
  void LayoutSelf();
  // Coupled graphs share one horizontal extent.
  void AlignChildGraphs();
  // ZeroOrigin: each primary axis stands at the pixel of 0 of the other
  // (when that one's range holds 0 inside), without its label and tick at 0.
  void CrossAxesAtZero();
  // Renders the graph with its child graphs stacked above it at (DX, DY):
  // into an image (clipped to each graph, with its rich labels), or as vector
  // output that keeps fractional positions (Metafile).
  void RenderStack(QPainter& P, int DX, int DY, bool Metafile);
  void PaintGrids(QPainter& P);
  void PaintBarWalls(QPainter& P, const QRectF& A, double DepthX, double DepthY);
  bool AnyAxisClipped() const;
  void ClipToData(QPainter& P);
  void EnsureCache();
  // The graphs a zoom acts on: the master and its child graphs.
  std::vector<TGvGraph2D*> ZoomGroup();
  // Every distinct axis of the zoom group.
  std::vector<TGvAxis*> ZoomAxes();
  void RepaintGroup(const std::vector<TGvGraph2D*>& Group);
  void RecordStages(const std::vector<TGvAxis*>& Axes);
  void UpdateScrollBars();
  void OnScroll(bool Horizontal, int Action);
  void OnScrollMoved(bool Horizontal, int Value);
  void StartPanning(QPoint At);
  void PanTo(QPoint At);
  void StopPanning();
  void OnAxisDestroyed(QObject* Axis);
  void OnSeriesDestroyed(TGvSeries* Series);
  TGvAxis* CreateAxis(const QString& Base, const QString& Caption, TGvAxisPosition Position);

  TGvZoomSettings* FZoom;
  TGvLineSettings* FDataAreaFrame;
  TGvColor FDataAreaColor = GvColors::Transparent;
  TGvGradientSettings* FDataAreaGradient;
  float FDistance[4] = {0, 0, 0, 0}; // left, top, right, bottom
  QPointer<TGvAxis> FPrimaryXAxis, FPrimaryYAxis;
  TGvLineSettings* FGrid[4];
  bool FZeroOrigin = false;
  TGvFont* FFont;

  QRectF FDrawingArea;
  TGvGraphBorders FBorders;
  std::vector<TGvSeries*> FSeries;
  std::vector<QPointer<TGvGraph2D>> FChildGraphs;
  bool FCoupled = false;
  struct TLegendEntry
  {
    QPointer<QObject> Object;
    IGvGraphLegend* Legend;
  };
  std::vector<TLegendEntry> FLegends;
  // The legend that took the last mouse press (it is being dragged).
  TLegendEntry FMouseLegend{nullptr, nullptr};
  bool FLegendsDirty = false;
  int FUpdateCount = 0;
  bool FRecalculate = true;
  bool FOnce = true;
  bool FPanning = false;
  bool FZooming = false;
  bool FLoading = false;
  bool FDoingImage = false;
  bool FDoingMetafile = false;
  bool FInLayout = false;
  bool FRendering = false;
  QPoint FDragStart, FDragLast;
  bool FMouseDown = false;
  struct TPanSnapshot
  {
    QPointer<TGvAxis> Axis;
    double Start, Stop;
  };
  std::vector<TPanSnapshot> FPanSnapshots;
  Qt::CursorShape FCursorBeforePanning = Qt::ArrowCursor;
  QScrollBar* FHScroll;
  QScrollBar* FVScroll;
  bool FHScrollNeeded = false, FVScrollNeeded = false;
  bool FSettingScrollBars = false;
  QTimer FPollTimer;
  QImage FCache;
  bool FCacheValid = false;
  QStringList FReadWarnings;
  int FRenderCount = 0;
};

// Sets a graph's loading state for the life of the scope (cleared again also
// when the reading raises).
class TGvGraphLoadingScope
{
public:
  explicit TGvGraphLoadingScope(TGvGraph2D* G) : FGraph(G), FWas(G && G->IsLoading())
  {
    if (G) G->SetLoading(true);
  }
  ~TGvGraphLoadingScope()
  {
    if (FGraph) FGraph->SetLoading(FWas);
  }
  TGvGraphLoadingScope(const TGvGraphLoadingScope&) = delete;
  TGvGraphLoadingScope& operator=(const TGvGraphLoadingScope&) = delete;

private:
  QPointer<TGvGraph2D> FGraph;
  bool FWas;
};

// Sets a graph updating for the life of the scope (EndUpdate also when the
// code inside raises).
class TGvUpdateScope
{
public:
  explicit TGvUpdateScope(TGvGraph2D* G) : FGraph(G)
  {
    if (G) G->BeginUpdate();
  }
  ~TGvUpdateScope()
  {
    if (FGraph) FGraph->EndUpdate();
  }
  TGvUpdateScope(const TGvUpdateScope&) = delete;
  TGvUpdateScope& operator=(const TGvUpdateScope&) = delete;

private:
  QPointer<TGvGraph2D> FGraph;
};
