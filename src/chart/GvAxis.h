// The axis of a graph: a graphic control along one edge of the data area that
// maps values to pixels, ranges itself from the series bound to it, rounds
// its ends, partitions its range into labels, major and minor ticks (linear,
// logarithmic, seconds, date/time, rubrics), keeps a zoom history and paints
// its line, ticks, labels, caption and extra exponent.
//
// The arithmetic lives in TGvAxisScale (GvAxisScale.h); this class holds the
// published properties, the fonts and caption objects, the related series,
// the zoom history on data vectors, the rubrics from a database, and the
// painting.
//
// The axis stands on a graph (a separate guarded reference, not necessarily
// its owner) or alone. On a graph the graph runs the layout pass of all its
// axes (CalculateAxes) and paints them in its own order; standing alone the
// axis lays itself out within its bounds (Calculate) and paints onto any
// QPainter (PaintGr in its own coordinates, PaintAt at its place).
//
// Choices made here:
// - The events are single handlers (std::function), as the platform's
//   events are; OnGetScaleLabel also sees the texts the partition measures.
// - While an axis takes part in a layout pass its painting waits (a flag of
//   the axis; the engine keeps no process-wide state).
// - NumbersColor and CaptionColor are the fill colours of the label font and
//   of the caption font, so that a font and its colour travel together.
// - Properties without an undo description of their own record their name.
// - Changing an end mode, the rounding, the scaling or the direction of an
//   axis with series ranges it again from the data; an axis without series
//   keeps the range it was given.
// - Labels are measured with the screen's metrics; one that would reach into
//   the label before it is left out, and an extra exponent without room
//   between the last two labels stands beyond them.
// - Standing alone, the axis line lies inside the control on the side that
//   faces the data (Top and Left: the last pixel row or column), and the
//   room at the ends is what the end labels (as measured), the series'
//   margins and the arrow need. DistanceNumbersCaption and DistanceToBorder
//   start at 5 pixels, the bounds at 300 x 50.
#pragma once

#include "chart/GvAxisScale.h"
#include "chart/GvDataSource.h"
#include "chart/GvGraphicControl.h"
#include "chart/GvRichLabel.h"
#include "chart/GvStyles.h"
#include "chart/GvVectors.h"
#include "chart/analysis/GvParseFkt.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TGvAxis;

// The arguments of the label event: the value at the label and its text,
// which the handler may change.
struct TGvScaleLabelEventArgs
{
  double Value = 0;
  QString Caption;
};

// What an axis asks of the graph it stands on (the graph implements it).
class IGvAxisGraph
{
public:
  virtual ~IGvAxisGraph() = default;
  // While the graph reads a saved form, data changes do not re-range.
  virtual bool GraphLoading() const = 0;
  // While the user pans, the ends are not rounded and the partition stays.
  virtual bool GraphPanning() const = 0;
  virtual bool GraphHasSeries() const = 0;
  // While the graph records a metafile, positions are not rounded to pixels.
  virtual bool GraphDoingMetafile() const = 0;
  // The axis changed: the graph lays out and paints again.
  virtual void GraphAxisModified(TGvAxis* Axis) = 0;
};

// A data vector as the store of the zoom history.
struct TGvVectorZoomStore
{
  TGvDoubleVector* Vector;
  int Count() const { return Vector->Count(); }
  double At(int I) const { return Vector->Value(I); }
  void Add(double V) { Vector->Add(V); }
  void SetCount(int N)
  {
    while (Vector->Count() > std::max(0, N)) Vector->Delete(Vector->Count() - 1, false);
  }
  void Clear() { Vector->Clear(false); }
};

// An axis' caption and labels may show values that series publish ("<%"
// name "%>"): it is on their update lists and lays itself out again after
// they recalculated.
class TGvAxis : public TGvGraphicControl, public TGvVariablesObject
{
  Q_OBJECT
  Q_PROPERTY(double Start READ Start WRITE SetStart)
  Q_PROPERTY(double Stop READ Stop WRITE SetStop)
  Q_PROPERTY(GvAxisEnums::TGvAxisEnd StartEnd READ StartEnd WRITE SetStartEnd)
  Q_PROPERTY(GvAxisEnums::TGvAxisEnd StopEnd READ StopEnd WRITE SetStopEnd)
  Q_PROPERTY(GvAxisEnums::TGvAxisEndRounding EndRounding READ EndRounding WRITE SetEndRounding)
  Q_PROPERTY(GvAxisEnums::TGvAxisScaling Scaling READ Scaling WRITE SetScaling)
  Q_PROPERTY(
      double LogToNormalScalingLevel READ LogToNormalScalingLevel WRITE SetLogToNormalScalingLevel)
  Q_PROPERTY(GvAxisEnums::TGvAxisPosition Position READ Position WRITE SetPosition)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(bool AutoTickParts READ AutoTickParts WRITE SetAutoTickParts)
  Q_PROPERTY(double LabelPart READ LabelPart WRITE SetLabelPart)
  Q_PROPERTY(double MajorTickPart READ MajorTickPart WRITE SetMajorTickPart)
  Q_PROPERTY(double TickPart READ TickPart WRITE SetTickPart)
  Q_PROPERTY(float LabelDistanceFactor READ LabelDistanceFactor WRITE SetLabelDistanceFactor)
  Q_PROPERTY(GvAxisEnums::TGvMajorGridMode MajorGridMode READ MajorGridMode WRITE SetMajorGridMode)
  Q_PROPERTY(bool NumbersVisible READ NumbersVisible WRITE SetNumbersVisible)
  Q_PROPERTY(TGvColor NumbersColor READ NumbersColor WRITE SetNumbersColor)
  Q_PROPERTY(TGvColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(TGvColor MajorTickColor READ MajorTickColor WRITE SetMajorTickColor)
  Q_PROPERTY(TGvColor TickColor READ TickColor WRITE SetTickColor)
  Q_PROPERTY(float AxisThicknes READ AxisThicknes WRITE SetAxisThicknes)
  Q_PROPERTY(float MajorTickThicknes READ MajorTickThicknes WRITE SetMajorTickThicknes)
  Q_PROPERTY(float TickThicknes READ TickThicknes WRITE SetTickThicknes)
  Q_PROPERTY(float MajorTickLength READ MajorTickLength WRITE SetMajorTickLength)
  Q_PROPERTY(float TickLength READ TickLength WRITE SetTickLength)
  Q_PROPERTY(bool TicksPointToData READ TicksPointToData WRITE SetTicksPointToData)
  Q_PROPERTY(bool Twisted READ Twisted WRITE SetTwisted)
  Q_PROPERTY(int ExtraDigits READ ExtraDigits WRITE SetExtraDigits)
  Q_PROPERTY(double MaxForExtraExponent READ MaxForExtraExponent WRITE SetMaxForExtraExponent)
  Q_PROPERTY(double MinForExtraExponent READ MinForExtraExponent WRITE SetMinForExtraExponent)
  Q_PROPERTY(float DistanceValuesAxis READ DistanceValuesAxis WRITE SetDistanceValuesAxis)
  Q_PROPERTY(float DistanceAxisLabels READ DistanceAxisLabels WRITE SetDistanceAxisLabels)
  Q_PROPERTY(float DistanceAxisExtraExponent READ DistanceAxisExtraExponent WRITE
                 SetDistanceAxisExtraExponent)
  Q_PROPERTY(
      float DistanceNumbersCaption READ DistanceNumbersCaption WRITE SetDistanceNumbersCaption)
  Q_PROPERTY(float DistanceToBorder READ DistanceToBorder WRITE SetDistanceToBorder)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool CaptionVisible READ CaptionVisible WRITE SetCaptionVisible)
  Q_PROPERTY(
      GvControlTypes::TGvAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
  Q_PROPERTY(TGvFont* CaptionFont READ CaptionFont WRITE SetCaptionFont)
  Q_PROPERTY(TGvColor CaptionColor READ CaptionColor WRITE SetCaptionColor)
  Q_PROPERTY(float CaptionDistanceBefore READ CaptionDistanceBefore WRITE SetCaptionDistanceBefore)
  Q_PROPERTY(float CaptionDistanceAfter READ CaptionDistanceAfter WRITE SetCaptionDistanceAfter)
  Q_PROPERTY(bool CaptionHorizontalOnVerticalAxis READ CaptionHorizontalOnVerticalAxis WRITE
                 SetCaptionHorizontalOnVerticalAxis)
  Q_PROPERTY(TGvFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(float RubricsAngle READ RubricsAngle WRITE SetRubricsAngle)
  Q_PROPERTY(QStringList Rubrics READ Rubrics WRITE SetRubrics)
  Q_PROPERTY(QString RubricsField READ RubricsField WRITE SetRubricsField)
  Q_PROPERTY(TGvDataSource* DataSource READ DataSource WRITE SetDataSource)
  Q_PROPERTY(bool IsSlaveAxis READ IsSlaveAxis WRITE SetIsSlaveAxis)
  Q_PROPERTY(TGvAxis* MasterAxis READ MasterAxis WRITE SetMasterAxis)
  Q_PROPERTY(double SlaveSlope READ SlaveSlope WRITE SetSlaveSlope)
  Q_PROPERTY(double SlaveOffset READ SlaveOffset WRITE SetSlaveOffset)
  Q_PROPERTY(double MovingSlitWidth READ MovingSlitWidth WRITE SetMovingSlitWidth)
  Q_PROPERTY(double MovingSlitIncrement READ MovingSlitIncrement WRITE SetMovingSlitIncrement)
  Q_PROPERTY(TGvAxisArrowPoint* ArrowPoint READ ArrowPoint WRITE SetArrowPoint)
  Q_PROPERTY(QString ShortMonthFormat READ ShortMonthFormat WRITE SetShortMonthFormat)
  Q_PROPERTY(QString LongMonthFormat READ LongMonthFormat WRITE SetLongMonthFormat)
  Q_PROPERTY(QString DayFormat READ DayFormat WRITE SetDayFormat)
  Q_PROPERTY(QString DayAndHourFormat READ DayAndHourFormat WRITE SetDayAndHourFormat)
  Q_PROPERTY(QString MinuteFormat READ MinuteFormat WRITE SetMinuteFormat)
  Q_PROPERTY(QString SecondFormat READ SecondFormat WRITE SetSecondFormat)
  Q_PROPERTY(QString MilliSecondFormat READ MilliSecondFormat WRITE SetMilliSecondFormat)

public:
  explicit TGvAxis(QObject* Owner = nullptr);
  ~TGvAxis() override;

  // ---- The graph it stands on ----
  // A graph implements IGvAxisGraph; nullptr: the axis stands alone.
  QObject* Graph() const { return FGraph.data(); }
  void SetGraph(QObject* Graph);

  // ---- Range ----
  double Start() const { return FScale.Start; }
  void SetStart(double Value);
  double Stop() const { return FScale.Stop; }
  void SetStop(double Value);
  // Both ends, remembered as the last set range.
  void SetStartStop(double AStart, double AStop);
  TGvAxisEnd StartEnd() const { return FScale.StartEnd; }
  void SetStartEnd(TGvAxisEnd Value);
  TGvAxisEnd StopEnd() const { return FScale.StopEnd; }
  void SetStopEnd(TGvAxisEnd Value);
  TGvAxisEndRounding EndRounding() const { return FScale.EndRounding; }
  void SetEndRounding(TGvAxisEndRounding Value);
  double MovingSlitWidth() const { return FScale.MovingSlitWidth; }
  void SetMovingSlitWidth(double Value);
  double MovingSlitIncrement() const { return FScale.MovingSlitIncrement; }
  void SetMovingSlitIncrement(double Value);
  // The values range of the series (no values: +max .. -max).
  double ValuesStart() const { return FScale.ValuesStart; }
  double ValuesStop() const { return FScale.ValuesStop; }
  // Why the axis does not show all that its series hold; empty when it does.
  QString RangeStatus() const { return AxisRangeStatusText(FScale.Status); }

  // ---- Scaling and partition ----
  TGvAxisScaling Scaling() const { return FScale.Scaling; }
  void SetScaling(TGvAxisScaling Value);
  double LogToNormalScalingLevel() const { return FScale.LogToNormalScalingLevel; }
  void SetLogToNormalScalingLevel(double Value);
  TGvAxisPosition Position() const { return FScale.Position; }
  void SetPosition(TGvAxisPosition Value);
  bool IsHorizontal() const { return FScale.IsHorizontal(); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool AutoTickParts() const { return FScale.AutoTickParts; }
  void SetAutoTickParts(bool Value);
  double LabelPart() const { return FScale.LabelPart; }
  void SetLabelPart(double Value);
  double MajorTickPart() const { return FScale.MajorTickPart; }
  void SetMajorTickPart(double Value);
  double TickPart() const { return FScale.TickPart; }
  void SetTickPart(double Value);
  float LabelDistanceFactor() const { return FScale.LabelDistanceFactor; }
  void SetLabelDistanceFactor(float Value);
  TGvMajorGridMode MajorGridMode() const { return FScale.MajorGridMode; }
  void SetMajorGridMode(TGvMajorGridMode Value);
  int ExtraDigits() const { return FScale.ExtraDigits; }
  void SetExtraDigits(int Value);
  double MaxForExtraExponent() const { return FScale.MaxForExtraExponent; }
  void SetMaxForExtraExponent(double Value);
  double MinForExtraExponent() const { return FScale.MinForExtraExponent; }
  void SetMinForExtraExponent(double Value);
  bool Twisted() const { return FScale.Twisted; }
  void SetTwisted(bool Value);

  // ---- Look ----
  bool NumbersVisible() const { return FScale.NumbersVisible; }
  void SetNumbersVisible(bool Value);
  // The fill colour of the label font.
  TGvColor NumbersColor() const;
  void SetNumbersColor(TGvColor Value);
  // The colour of the axis line; the tick colours start equal to it.
  TGvColor ForeColor() const { return FForeColor; }
  void SetForeColor(TGvColor Value);
  TGvColor MajorTickColor() const { return FMajorTickColor; }
  void SetMajorTickColor(TGvColor Value);
  TGvColor TickColor() const { return FTickColor; }
  void SetTickColor(TGvColor Value);
  float AxisThicknes() const { return float(FScale.AxisThicknes); }
  void SetAxisThicknes(float Value);
  float MajorTickThicknes() const { return FMajorTickThicknes; }
  void SetMajorTickThicknes(float Value);
  float TickThicknes() const { return FTickThicknes; }
  void SetTickThicknes(float Value);
  float MajorTickLength() const { return float(FScale.MajorTickLength); }
  void SetMajorTickLength(float Value);
  float TickLength() const { return float(FScale.TickLength); }
  void SetTickLength(float Value);
  bool TicksPointToData() const { return FScale.TicksPointToData; }
  void SetTicksPointToData(bool Value);
  float DistanceValuesAxis() const { return FDistanceValuesAxis; }
  void SetDistanceValuesAxis(float Value);
  float DistanceAxisLabels() const { return float(FScale.DistanceAxisLabels); }
  void SetDistanceAxisLabels(float Value);
  float DistanceAxisExtraExponent() const { return float(FScale.DistanceAxisExtraExponent); }
  void SetDistanceAxisExtraExponent(float Value);
  float DistanceNumbersCaption() const { return FDistanceNumbersCaption; }
  void SetDistanceNumbersCaption(float Value);
  float DistanceToBorder() const { return FDistanceToBorder; }
  void SetDistanceToBorder(float Value);
  // The label font (the axis' own).
  TGvFont* Font() const { return FFont; }
  void SetFont(TGvFont* Value);
  float RubricsAngle() const { return float(FScale.RubricsAngle()); }
  void SetRubricsAngle(float Value);
  TGvAxisArrowPoint* ArrowPoint() const { return FArrowPoint; }
  void SetArrowPoint(TGvAxisArrowPoint* Value);

  // ---- Caption ----
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& Value);
  bool CaptionVisible() const { return FCaptionVisible; }
  void SetCaptionVisible(bool Value);
  TGvAlignment CaptionAlignment() const { return FCaptionAlignment; }
  void SetCaptionAlignment(TGvAlignment Value);
  TGvFont* CaptionFont() const { return FCaptionFont; }
  void SetCaptionFont(TGvFont* Value);
  // The fill colour of the caption font.
  TGvColor CaptionColor() const { return FCaptionFont->FillColor(); }
  void SetCaptionColor(TGvColor Value);
  float CaptionDistanceBefore() const { return FCaptionDistanceBefore; }
  void SetCaptionDistanceBefore(float Value);
  float CaptionDistanceAfter() const { return FCaptionDistanceAfter; }
  void SetCaptionDistanceAfter(float Value);
  bool CaptionHorizontalOnVerticalAxis() const { return FCaptionHorizontalOnVerticalAxis; }
  void SetCaptionHorizontalOnVerticalAxis(bool Value);

  // ---- Rubrics ----
  QStringList Rubrics() const { return FScale.Rubrics; }
  // Raises "Setting rubrics not allowed with database binding set" while the
  // rubrics come from a database field.
  void SetRubrics(const QStringList& Value);
  QString RubricsField() const { return FRubricsLink.FieldName(); }
  void SetRubricsField(const QString& Value);
  TGvDataSource* DataSource() const { return FRubricsLink.DataSource(); }
  void SetDataSource(TGvDataSource* Value);
  bool IsRubricsBound() const { return FRubricsBound; }
  // The rubrics' data changed: they are read again at the next layout.
  void DBModified();
  // Reads the rubrics from the field when a reload is pending (at the start
  // of every layout pass).
  void UpdateDB();

  // ---- Slave axes ----
  bool IsSlaveAxis() const { return FScale.IsSlaveAxis; }
  void SetIsSlaveAxis(bool Value);
  TGvAxis* MasterAxis() const { return FMasterAxis.data(); }
  void SetMasterAxis(TGvAxis* Value);
  double SlaveSlope() const { return FScale.SlaveSlope; }
  void SetSlaveSlope(double Value);
  double SlaveOffset() const { return FScale.SlaveOffset; }
  void SetSlaveOffset(double Value);

  // ---- Date/time label formats ----
  QString ShortMonthFormat() const { return FScale.DateTimeFormats.ShortMonthFormat; }
  void SetShortMonthFormat(const QString& Value);
  QString LongMonthFormat() const { return FScale.DateTimeFormats.LongMonthFormat; }
  void SetLongMonthFormat(const QString& Value);
  QString DayFormat() const { return FScale.DateTimeFormats.DayFormat; }
  void SetDayFormat(const QString& Value);
  QString DayAndHourFormat() const { return FScale.DateTimeFormats.DayAndHourFormat; }
  void SetDayAndHourFormat(const QString& Value);
  QString MinuteFormat() const { return FScale.DateTimeFormats.MinuteFormat; }
  void SetMinuteFormat(const QString& Value);
  QString SecondFormat() const { return FScale.DateTimeFormats.SecondFormat; }
  void SetSecondFormat(const QString& Value);
  QString MilliSecondFormat() const { return FScale.DateTimeFormats.MilliSecondFormat; }
  void SetMilliSecondFormat(const QString& Value);

  // ---- Events ----
  // May change each label text (also the texts measured by the partition).
  std::function<void(TGvAxis* Sender, TGvScaleLabelEventArgs& Args)> OnGetScaleLabel;
  // Called before the ticks are computed.
  std::function<void(TGvAxis* Sender)> OnGetTicks;
  // Called after a layout pass.
  std::function<void(TGvAxis* Sender)> OnCalculated;

  // ---- Mapping ----
  float NumberToWorld(double X) const { return FScale.NumberToWorld(X); }
  double WorldToNumber(double Pixel) const { return FScale.WorldToNumber(Pixel); }

  // ---- Related series ----
  // The series bound to the axis; Object is the series itself (its
  // destruction removes it from the list).
  void AddRelatedSeries(IGvAxisSeries* Series, QObject* Object);
  void RemoveRelatedSeries(IGvAxisSeries* Series);
  int RelatedSeriesCount() const { return int(FSeries.size()); }
  bool IsRelatedSeries(const IGvAxisSeries* Series) const;

  // ---- Change handling ----
  // Marks the axis for a new layout and tells the graph.
  void Modified() override;
  void UpdateVariables() override { Modified(); }
  // The data of a related series changed: the axis ranges itself again.
  void RangeModified();
  // The auto-range (when one is pending); true when the range changed.
  bool GetNewRanges();

  // ---- Layout ----
  // The layout of an axis standing alone (or not yet laid out by its graph):
  // the range, the ends, the axis line within the bounds and the ticks.
  void Calculate();
  // The layout pass over the axes of a graph: the ranges, then the ends of
  // each axis once (masters before their slaves) and its ticks. The geometry
  // of axes standing alone comes from their bounds; the graph sets that of
  // its axes with SetAxisGeometry and calls CalculateTicks again.
  static void CalculateAxes(const std::vector<TGvAxis*>& Axes);
  // Rounds the ends once per change (a slave takes its master's first).
  void PrepareEnds();
  void RoundEnds(double& AStart, double& AStop) { FScale.RoundEnds(AStart, AStop); }
  double RoundEnd(bool Up, bool Major, double Value) const
  {
    return FScale.RoundEnd(Up, Major, Value);
  }
  // The axis line within the control: its start (AxLeft, AxTop) and length.
  void SetAxisGeometry(double AxLeft, double AxTop, double AxLength);
  double AxLeft() const { return FScale.AxLeft; }
  double AxTop() const { return FScale.AxTop; }
  double AxLength() const { return FScale.AxLength; }
  // Ticks, labels, the caption and the extra exponent for the current range
  // and geometry.
  void CalculateTicks();
  // The graph lays its axes out itself: while set, bounds and geometry that
  // it gives are part of the layout (no new partition, no Modified); clearing
  // it marks the axis as laid out.
  void SetGraphLayout(bool InLayout);
  // The thickness an auto-sized axis needs across its line.
  double NeededThickness() const;
  // The room the axis needs beyond the low-pixel end of its line (left or
  // top; AtLowEnd) or the other end: the overhang of the end label, the
  // margins of the series, the arrow.
  double EndRoom(bool AtLowEnd) const;

  // Leaves out the labels and the ticks that stand within Tolerance pixels of
  // Pixel along the axis (where another axis crosses it); true when a label
  // went.
  bool RemoveMarksAt(double Pixel, double Tolerance);
  // Leaves out the first label (the one at the lowest value).
  void RemoveFirstLabel();

  // ---- Results of the layout ----
  const std::vector<TGvAxisTick>& Ticks() const { return FScale.Ticks; }
  int LabelCount() const { return FLabels.Count(); }
  TGvRichCaptionObject* Label(int Index) const { return FLabels.Value(Index); }
  const TGvRichCaptionObject& CaptionObject() const { return FCaptionObject; }
  const TGvRichCaptionObject& ExtraExponentObject() const { return FExtraExponentObject; }
  bool ShowsExtraExponent() const { return FScale.ShowsExtraExponent; }
  double LargestLabelWidth() const { return FLargestLabelWidth; }
  double LargestLabelHeight() const { return FLargestLabelHeight; }
  bool NeedsRecalculation() const { return FRecalculate; }
  double MajorIncrement() const { return FScale.MajorIncrement(); }
  double MinorIncrement() const { return FScale.MinorIncrement(); }

  // ---- Zoom ----
  void ZoomIn(double NewStart, double NewStop);
  void ZoomBack();
  void RedoZoom();
  void ZoomToStage(int Stage);
  void ZoomClearBuffer();
  bool CanZoomBack() const { return FZoom.Count() > 0; }
  int CurrentZoomStage() const { return FZoom.Index; }
  int ZoomBufferSize() const { return FZoom.Count(); }
  // The stages (saved with the axis).
  TGvDoubleVector* ZoomStarts() const { return FZoomStarts; }
  TGvDoubleVector* ZoomStops() const { return FZoomStops; }
  void SetCurrentZoomStage(int Stage) { FZoom.Index = Stage; }

  // ---- Scroll support ----
  double GetScrollStart() const;
  double GetScrollStop() const;
  int ScrollRangeSize(double RangeStart, double RangeStop) const;
  int ScrollPosition(double X) const;
  bool IsClipped() const;

  // ---- Painting ----
  void PaintGr(QPainter& Painter) override;

  // The arithmetic, for the saved forms (the candidate parts and the values
  // range are stored directly) and for tests.
  const TGvAxisScale& Scale() const { return FScale; }
  TGvAxisScale& ScaleData() { return FScale; }

  void SetUndoStack(TGvUndoStackBase* Stack) override;

  // ---- Saved forms (GvAxisIO.cpp) ----
  // The stream form starts with the axis' reference; the XML form is a child
  // "TGvAxis" of Node; the ini form is the keys of one section (the zoom
  // stages in the sections Section + ".Zoom.Start" and ".Zoom.Stop").
  // Reading checks the whole form before it applies anything: a form that
  // cannot be read raises EGvReadError and leaves the axis as it was. The
  // range (Start, Stop, the zoom stages and the values range) is taken only
  // WithRange. Reading records nothing on the undo stack. References
  // (MasterAxis, DataSource) go through Context when one is given (see
  // GvLinkRef).
  void WriteTo(TGvStreamWriter& W) const;
  void ReadFrom(TGvStreamReader& R, bool WithRange, TGvReadContext* Context = nullptr);
  void WriteTo(QIODevice& Stream) const;
  void ReadFrom(QIODevice& Stream, bool WithRange);
  // Through a QSaveFile: a failed write keeps the file as it was.
  void WriteTo(const QString& FileName) const;
  void ReadFrom(const QString& FileName, bool WithRange);
  void WriteTo(QDomElement& Node) const;
  void ReadFrom(const QDomElement& Node, bool WithRange, TGvReadContext* Context = nullptr);
  void WriteTo(TGvIniFile& Ini, const QString& Section) const;
  void ReadFrom(const TGvIniFile& Ini, const QString& Section, bool WithRange,
                TGvReadContext* Context = nullptr);

protected:
  void BoundsChanged(const QRect& Old) override;
  QString VisibleComment() const override;

private:
  IGvAxisGraph* GraphInterface() const;
  void SyncSeries();
  void SeriesDestroyed(QObject* Object);
  void FontChanged();
  void BuildLabels();
  void PlaceCaption();
  void PlaceExtraExponent();
  // How far the labels, or the extra exponent where it reaches further, stand
  // out from the label line.
  double NumbersExtent() const;
  void LayoutAlone();
  void ApplyStage(int Stage);
  void EndsModeChanged();
  template <class T> void SetValue(T& Field, const T& Value, const char* Prop, const char* Comment);

  TGvAxisScale FScale;
  QPointer<QObject> FGraph;
  bool FAutoSize = true;
  TGvColor FForeColor;
  TGvColor FMajorTickColor;
  TGvColor FTickColor;
  float FMajorTickThicknes = 1;
  float FTickThicknes = 1;
  float FDistanceValuesAxis = 0;
  float FDistanceNumbersCaption = 5;
  float FDistanceToBorder = 5;
  TGvFont* FFont;
  TGvFont* FCaptionFont;
  TGvAxisArrowPoint* FArrowPoint;
  QString FCaption;
  bool FCaptionVisible = true;
  TGvAlignment FCaptionAlignment = TGvAlignment::Center;
  float FCaptionDistanceBefore = 0;
  float FCaptionDistanceAfter = 0;
  bool FCaptionHorizontalOnVerticalAxis = false;
  QPointer<TGvAxis> FMasterAxis;

  // Rubrics from a database field.
  TGvListLink FRubricsLink;
  bool FRubricsBound = false;
  bool FRubricsReloadPending = false;
  bool FRubricsLoading = false;

  // The zoom history.
  TGvDoubleVector* FZoomStarts;
  TGvDoubleVector* FZoomStops;
  TGvVectorZoomStore FZoomStartStore;
  TGvVectorZoomStore FZoomStopStore;
  TGvZoomHistory<TGvVectorZoomStore> FZoom;

  struct TRelated
  {
    IGvAxisSeries* Series;
    QObject* Raw;             // for the comparison when it is destroyed
    QPointer<QObject> Object; // null once it is gone
    QMetaObject::Connection Destroyed;
  };
  std::vector<TRelated> FSeries;

  // The layout.
  TGvRichCaptionObjects FLabels;
  TGvRichCaptionObject FCaptionObject;
  TGvRichCaptionObject FExtraExponentObject;
  double FLargestLabelWidth = 0;
  double FLargestLabelHeight = 0;
  bool FRecalculate = true;
  bool FEndsRounded = false;
  // Set while the axis takes part in a layout pass: painting waits.
  bool FInLayout = false;
  bool FPreparing = false;
};
