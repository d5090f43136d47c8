// The arithmetic of an axis, apart from fonts, painting and components: the
// auto-range from the related series, the repair and rounding of the ends,
// the partition into label, major and minor steps (linear, logarithmic,
// seconds, date/time, rubrics), the ticks and the label texts, the mapping
// between values and pixels, slave axes, the moving slit, the zoom history
// and the scroll-bar arithmetic.
//
// TGvAxisScale is plain data plus the routines over it; the axis component
// (GvAxis) keeps one and mirrors its published properties into it. Label
// lengths during the partition search come from a callback, so that the
// search runs without fonts.
#pragma once

#include "chart/GvAxisTime.h"
#include "chart/GvMath.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace GvAxisEnums {
Q_NAMESPACE

// Declaration order is the stored value.
enum class TGvAxisScaling
{
  Normal,
  Log,   // labels show the value
  LogEE, // labels show "10" with the exponent raised
  Seconds,
  DateTime,
  Rubrics
};
Q_ENUM_NS(TGvAxisScaling)

enum class TGvAxisPosition
{
  Bottom,
  Left,
  Top,
  Right
};
Q_ENUM_NS(TGvAxisPosition)

enum class TGvAxisEnd
{
  AutoRange,
  FirstSet,
  Fixed,
  MovingSlit
};
Q_ENUM_NS(TGvAxisEnd)

enum class TGvAxisEndRounding
{
  RndToMajorZoomToMinor,
  RndToMajorZoomToNothing,
  RndToMajor,
  RndToMinorZoomToNothing,
  RndToMinor,
  RndNothing
};
Q_ENUM_NS(TGvAxisEndRounding)

enum class TGvMajorGridMode
{
  AtLabel,
  AtMajorTick
};
Q_ENUM_NS(TGvMajorGridMode)

} // namespace GvAxisEnums

using GvAxisEnums::TGvAxisEnd;
using GvAxisEnums::TGvAxisEndRounding;
using GvAxisEnums::TGvAxisPosition;
using GvAxisEnums::TGvAxisScaling;
using GvAxisEnums::TGvMajorGridMode;

// What an axis asks of the series bound to it. Series implement it; the axis
// only reads.
class IGvAxisSeries
{
public:
  virtual ~IGvAxisSeries() = default;
  // Only visible series take part in the auto-range.
  virtual bool AxisSeriesVisible() const = 0;
  // The data range along the axis' direction (XStart/XStop for a horizontal
  // axis, YStart/YStop for a vertical one); false when there is none yet.
  virtual bool AxisDataRange(bool Horizontal, double& Start, double& Stop) const = 0;
  // The least positive (transformed) value along the direction, kept up to
  // date by the series as values arrive; +infinity when there is none.
  virtual double AxisLeastPositive(bool Horizontal) const = 0;
  // The margin (pixels) an axis must leave at Border for this series.
  virtual float ExtraSpaceAt(TGvAxisPosition Border) const = 0;

  // For the re-range of a function series that clips its Y values.
  virtual bool IsFunctionSeries() const { return false; }
  virtual bool ClipsYValues() const { return false; }
  virtual bool HasYRange() const { return true; }
  virtual void SetLastCount(int Value) {}
};

// Why an axis does not show all that its series hold.
enum class TGvAxisRangeStatus
{
  Ok,
  LogNonPositive, // a logarithmic axis leaves out values at or below 0
  NotFinite,      // values that are not finite were left out of the range
};
QString AxisRangeStatusText(TGvAxisRangeStatus Status);

// One tick: its pixel position along the axis, whether it is major, whether
// the graph draws a major grid line there, and its value.
struct TGvAxisTick
{
  float Pixel = 0;
  bool Major = false;
  bool Grid = false;
  double Value = 0;
};

// One label: its text (after the label event), the pixel along the axis
// where it stands (rubrics: already moved half a label step), its value.
struct TGvAxisLabelMark
{
  QString Text;
  float Pixel = 0;
  double Value = 0;
};

// The no-values marks of the values range.
constexpr double cGvNoValuesStart = cGvMaxDouble;
constexpr double cGvNoValuesStop = -cGvMaxDouble;

class TGvAxisScale
{
public:
  TGvAxisScale();

  // ---- Settings (the axis' published properties) ----
  TGvAxisScaling Scaling = TGvAxisScaling::Normal;
  TGvAxisPosition Position = TGvAxisPosition::Bottom;
  bool Twisted = false;
  TGvAxisEnd StartEnd = TGvAxisEnd::AutoRange;
  TGvAxisEnd StopEnd = TGvAxisEnd::AutoRange;
  TGvAxisEndRounding EndRounding = TGvAxisEndRounding::RndToMajorZoomToMinor;
  double LogToNormalScalingLevel = 0;
  bool AutoTickParts = true;
  // Label, major and minor step: in units of 10^RangeExponent (linear), in
  // decades (logarithmic), in units of 10^Exponent of the seconds region.
  double LabelPart = 0.1, MajorTickPart = 0.05, TickPart = 0.01;
  float LabelDistanceFactor = 1;
  TGvMajorGridMode MajorGridMode = TGvMajorGridMode::AtLabel;
  bool NumbersVisible = true;
  int ExtraDigits = 0;
  double MaxForExtraExponent = 1000, MinForExtraExponent = 0.001;
  double MovingSlitWidth = 0, MovingSlitIncrement = 0;
  QStringList Rubrics;
  // The candidate partitions of the linear search.
  double LabelParts[3] = {1.0, 0.5, 0.2};
  double MajorParts[3] = {0.5, 0.5, 0.1};
  double MinorParts[3] = {0.1, 0.1, 0.02};
  TGvDateTimeFormats DateTimeFormats;
  bool IsSlaveAxis = false;
  double SlaveSlope = 1, SlaveOffset = 0;

  // Kept in [0, 360); also stores |sin| and |cos|.
  void SetRubricsAngle(double Degrees);
  double RubricsAngle() const { return FRubricsAngle; }
  double AngleSin() const { return FSin; }
  double AngleCos() const { return FCos; }
  // Labels are rotated when the rounded angle is none of 0, 90, 180, 270.
  bool LabelsRotated() const;

  // ---- Range state ----
  double Start = 0, Stop = 10;
  double ValuesStart = cGvNoValuesStart, ValuesStop = cGvNoValuesStop;
  double InitialStart = 0, InitialStop = 10;
  // The range last set (SetStartStop, a zoom stage, or what the auto-range
  // asked for before its ends were rounded); a new length goes back to it.
  double LastSetStart = 0, LastSetStop = 10;
  bool RedoRange = false;
  TGvAxisRangeStatus Status = TGvAxisRangeStatus::Ok;

  // ---- Partition state ----
  int RangeExponent = 0;
  int DisplayDigits = 0;
  int MaxExponent = 0;
  bool AdditionalExponent = false;
  double LogStart = 0, LogStop = 1;
  bool HasLogScaling = false;
  TGvSecParameters SecParameters;
  TGvDtParameters DtParameters;

  // ---- Geometry (pixels) ----
  // The axis line: AxLeft, AxTop; its length AxLength. ControlLength is the
  // width (horizontal) or height (vertical) of the axis control, which the
  // partition searches fill.
  double AxLeft = 0, AxTop = 0, AxLength = 100;
  double ControlLength = 100;
  double AxisThicknes = 1;
  double MajorTickLength = 10, TickLength = 6;
  bool TicksPointToData = false;
  double DistanceAxisLabels = 0, DistanceAxisExtraExponent = 10;
  // The size (points) of the label font, for the estimated label lengths.
  double FontSize = 10;

  // ---- Environment (set by the graph) ----
  bool Panning = false;
  bool Zoomed = false; // the zoom history is not empty
  // The series bound to the axis (the component keeps this list current).
  std::vector<const IGvAxisSeries*> Series;

  // ---- Callbacks ----
  // May change each label text (the axis' OnGetScaleLabel).
  std::function<void(double Value, QString& Caption)> OnGetScaleLabel;
  // The length of a label along the axis; unset: ApproxLen's estimate from
  // the font size and the angle.
  std::function<double(const QString& Caption, double Value)> LabelLength;

  // ---- Results of CalculateTicks ----
  std::vector<TGvAxisTick> Ticks;
  std::vector<TGvAxisLabelMark> Labels;
  double LabelLine = 0; // across the axis: y (horizontal) or x (vertical)
  bool ShowsExtraExponent = false;
  QString ExtraExponentText; // "·10\+" and the exponent (rich text)
  float ExtraExponentPixel = 0;
  double ExtraExponentLine = 0;

  // ---- Queries ----
  bool IsHorizontal() const
  {
    return Position == TGvAxisPosition::Bottom || Position == TGvAxisPosition::Top;
  }
  // Counted from the far end: a vertical axis that is not twisted, a
  // horizontal axis that is.
  bool IsFlipped() const { return IsHorizontal() == Twisted; }
  bool IsLogScaling() const
  {
    return Scaling == TGvAxisScaling::Log || Scaling == TGvAxisScaling::LogEE;
  }
  bool EndsNotRounded() const;
  // Value units per pixel (log: decades per pixel, date/time: days).
  double NormalisingConstant() const;

  float NumberToWorld(double X) const;
  double WorldToNumber(double Pixel) const;

  // ---- Range and partition ----
  // The auto-range (when RedoRange is set): true when the range changed.
  bool GetNewRanges();
  // Repairs, partitions and rounds the candidate range AStart .. AStop.
  void RoundEnds(double& AStart, double& AStop);
  double RoundEnd(bool Up, bool Major, double Value) const;
  void GetNormalAxisParts(double AStart, double AStop);
  void GetLogAxisParts(double AStart, double AStop);
  void GetExponentAndDigits(double AStart, double AStop);
  void GetSecParameters(double AStart, double AStop);
  void GetDtParameters(double AStart, double AStop);
  double DateTimeRound(bool Up, bool Major, double Value) const;
  double SecondsRound(double Value, double Step, bool Up) const;
  QString NormalCaption(double X) const;
  QString LogCaption(double Value, int Exponent, bool Decade) const;
  // The label text after OnGetScaleLabel, and its estimated length.
  QString ScaleLabel(const QString& Caption, double Value) const;
  double ApproxLen(const QString& Caption, double Value) const;

  // The slave's range and partition from its master's (rounded) range.
  void TakeMaster(const TGvAxisScale& Master);

  void CalculateTicks();
  // The extra exponent between the last two labels (in value order), when
  // the labels need it; again after labels were left out.
  void PlaceExtraExponentMark();

  // The current major and minor steps in value units (days on a date/time
  // axis, decades on a logarithmic one), for the scroll bars. The major step
  // of a date/time axis is one major interval: 7 days for weekly majors, 28
  // for monthly ones, else MajorMod units of the minor region.
  double MajorIncrement() const;
  double MinorIncrement() const;

  // ---- Scroll support (ScrollStart .. ScrollStop: zoom stage 0) ----
  int ScrollRangeSize(double RangeStart, double RangeStop, double ScrollStart,
                      double ScrollStop) const;
  int ScrollPosition(double X, double ScrollStart, double ScrollStop) const;
  // The data reach beyond the shown range (HasSeries: the graph has series).
  bool IsClipped(bool HasSeries) const;

  // The highest number of ticks one pass makes (4 per pixel of the axis).
  int MaxTicks() const;

  // Whether the slave takes a transformed range (its ends are not rounded).
  bool SlaveTransformed = false;

private:
  void CalculateNormalTicks();
  void CalculateLog10Ticks();
  void CalculateRubricsTicks();
  void CalculateSecondsTicks();
  void CalculateDateTimeTicks();
  void AddTick(double Value, bool Major, bool Grid);
  void AddLabelMark(const QString& Text, double Pixel, double Value);
  void UpdateLogEnds();
  double LeastPositiveData() const;

  double FRubricsAngle = 0, FSin = 0, FCos = 1;
};

// ---- Plain helpers ----

// The estimated extent of a label along an axis: with a = Size * Characters
// * 1.6 and b = Size * 2.5, a*cos + b*sin along a horizontal axis and
// a*sin + b*cos along a vertical one.
double ApproxLabelLength(int Characters, double FontSize, double Sin, double Cos, bool Horizontal);

// The MovingSlit stop mode: the window of Width that starts at InitialStart
// and moves by Increment until it reaches ValuesStop (closed form). A width
// at or below 0 is InitialStop - InitialStart (1 if that is not positive), an
// increment at or below 0 or above the width is width / 3. Start = Stop -
// width when that lies above ValuesStart, else InitialStart. Returns false
// (range kept) when ValuesStop is not finite.
bool MovingSlitRange(double InitialStart, double InitialStop, double Width, double Increment,
                     double ValuesStart, double ValuesStop, double& Start, double& Stop);

// The range of a slave axis: Offset + Slope * the master's ends (reversed for
// a negative slope).
void SlaveRange(double MasterStart, double MasterStop, double Offset, double Slope, double& Start,
                double& Stop);

// Where a label stands (AddLabel): the anchor of a MiddleCenter caption and
// its rotated box.
struct TGvLabelBox
{
  double X = 0, Y = 0;
  double H = 0, V = 0; // horizontal and vertical extent of the rotated box
};
TGvLabelBox PlaceAxisLabel(TGvAxisPosition Position, double AngleDegrees, double FontSize,
                           double TickPixel, double LabelLine, double W, double H);

// ---- The zoom history ----
//
// Stage 0 is the range before the first zoom. Store holds the starts or the
// stops: it offers int Count() const, double At(int) const, void Add(double),
// void SetCount(int) and void Clear() (a std::vector adapter is below; the
// axis component keeps its stages in data vectors).
template <class TStore> class TGvZoomHistory
{
public:
  TGvZoomHistory(TStore& Starts, TStore& Stops) : FStarts(Starts), FStops(Stops) {}

  int Index = 0;

  int Count() const { return std::min(FStarts.Count(), FStops.Count()); }
  bool Zoomed() const { return Count() > 0; }

  // Records the zoom from Current (the range shown now) to the new range.
  void ZoomIn(double CurrentStart, double CurrentStop, double NewStart, double NewStop)
  {
    if (Count() == 0) {
      FStarts.Add(CurrentStart);
      FStops.Add(CurrentStop);
      Index = 0;
    }
    Index = std::min(Index + 1, Count());
    if (Index < FStarts.Count()) FStarts.SetCount(Index);
    if (Index < FStops.Count()) FStops.SetCount(Index);
    FStarts.Add(NewStart);
    FStops.Add(NewStop);
  }
  // The stage to apply, or -1 when the history is empty (nothing to do).
  int Back()
  {
    if (Count() == 0) return -1;
    Index = Index - 1 < 0 ? Count() - 1 : std::min(Index - 1, Count() - 1);
    return Index;
  }
  int Redo()
  {
    if (Count() == 0) return -1;
    Index = Index + 1 >= Count() ? 0 : Index + 1;
    return Index;
  }
  int ToStage(int Stage)
  {
    if (Stage < 0 || Stage >= Count()) return -1;
    Index = Stage;
    return Index;
  }
  void Clear()
  {
    FStarts.Clear();
    FStops.Clear();
    Index = 0;
  }
  double StartAt(int Stage) const { return FStarts.At(Stage); }
  double StopAt(int Stage) const { return FStops.At(Stage); }

private:
  TStore& FStarts;
  TStore& FStops;
};

// A std::vector as the store of a zoom history.
struct TGvZoomStore
{
  std::vector<double> Values;
  int Count() const { return int(Values.size()); }
  double At(int I) const { return Values.at(size_t(I)); }
  void Add(double V) { Values.push_back(V); }
  void SetCount(int N) { Values.resize(size_t(std::max(0, N))); }
  void Clear() { Values.clear(); }
};
