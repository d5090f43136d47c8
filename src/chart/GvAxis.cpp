#include "chart/GvAxis.h"

#include "chart/GvDrawing.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

constexpr TGvColor cDarkBlue = 0xFF00008B;

// Sets the flag for the life of the scope, also when the pass raises.
class TFlagScope
{
public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag), FWas(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = FWas; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& FFlag;
  bool FWas;
};

} // namespace

TGvAxis::TGvAxis(QObject* Owner)
    : TGvGraphicControl(Owner), FForeColor(GvColors::Black), FMajorTickColor(GvColors::Black),
      FTickColor(GvColors::Black), FFont(new TGvFont(this)),
      FCaptionFont(new TGvFont(QStringLiteral("Times New Roman"), 14, TGvFontStyle::Bold, this)),
      FArrowPoint(new TGvAxisArrowPoint(this)),
      FRubricsLink(
          this,
          [this] {
            if (IsDestroying() || !FRubricsBound || FRubricsReloadPending || FRubricsLoading ||
                !FRubricsLink.DataSet())
              return;
            DBModified();
          },
          [this] { FRubricsBound = false; }),
      FZoomStarts(new TGvDoubleVector(this)), FZoomStops(new TGvDoubleVector(this)),
      FZoomStartStore{FZoomStarts}, FZoomStopStore{FZoomStops},
      FZoom(FZoomStartStore, FZoomStopStore)
{
  FFont->SetFillColor(cDarkBlue);
  FCaptionFont->SetFillColor(GvColors::DarkRed);
  FScale.FontSize = FFont->Size();
  FScale.OnGetScaleLabel = [this](double Value, QString& Caption) {
    if (!OnGetScaleLabel) return;
    TGvScaleLabelEventArgs Args{Value, Caption};
    OnGetScaleLabel(this, Args);
    Caption = Args.Caption;
  };
  FExtraExponentObject.Font()->SetName(QStringLiteral("Arial"));
  FExtraExponentObject.Font()->SetSize(12);
  FExtraExponentObject.Font()->SetStyle(TGvFontStyle::Bold);
  FExtraExponentObject.Font()->SetFillColor(cDarkBlue);
  connect(FFont, &TGvPersistent::Changed, this, [this] { FontChanged(); });
  connect(FCaptionFont, &TGvPersistent::Changed, this, [this] { Modified(); });
  connect(FArrowPoint, &TGvPersistent::Changed, this, [this] { Modified(); });
  SetBounds(0, 0, 300, 50);
}

TGvAxis::~TGvAxis()
{
  BeginDestroy();
  for (TRelated& R : FSeries) QObject::disconnect(R.Destroyed);
  FSeries.clear();
  FScale.Series.clear();
}

// ---------------------------------------------------------------------------
// Graph, undo, change handling
// ---------------------------------------------------------------------------

void TGvAxis::SetGraph(QObject* Graph)
{
  if (FGraph == Graph) return;
  FGraph = Graph;
  Modified();
}

IGvAxisGraph* TGvAxis::GraphInterface() const
{
  return dynamic_cast<IGvAxisGraph*>(FGraph.data());
}

void TGvAxis::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvGraphicControl::SetUndoStack(Stack);
  FFont->SetUndoStack(Stack);
  FCaptionFont->SetUndoStack(Stack);
  FArrowPoint->SetUndoStack(Stack);
}

void TGvAxis::Modified()
{
  FRecalculate = true;
  FEndsRounded = false;
  if (IsDestroying()) return;
  if (IGvAxisGraph* G = GraphInterface()) G->GraphAxisModified(this);
  TGvGraphicControl::Modified();
}

void TGvAxis::FontChanged()
{
  FScale.FontSize = FFont->Size();
  Modified();
}

template <class T>
void TGvAxis::SetValue(T& Field, const T& Value, const char* Prop, const char* Comment)
{
  if constexpr (std::is_floating_point_v<T>)
    if (!std::isfinite(Value)) return;
  if (Field == Value) return;
  RecordUndo(this, Prop, QString::fromUtf8(Comment));
  Field = Value;
  Modified();
}

QString TGvAxis::VisibleComment() const
{
  return QStringLiteral("Axis visible");
}

void TGvAxis::BoundsChanged(const QRect& Old)
{
  if (!FInLayout && Old.size() != BoundsRect().size()) {
    // A new length asks for a new partition of the range last set.
    if (FScale.StartEnd == TGvAxisEnd::AutoRange) FScale.Start = FScale.LastSetStart;
    if (FScale.StopEnd == TGvAxisEnd::AutoRange) FScale.Stop = FScale.LastSetStop;
  }
  if (!FInLayout) Modified();
}

// ---------------------------------------------------------------------------
// Range
// ---------------------------------------------------------------------------

void TGvAxis::SetStart(double Value)
{
  if (!std::isfinite(Value) || Value == FScale.Start) return;
  RecordUndo(this, "Start", QStringLiteral("Start"));
  FScale.Start = FScale.LastSetStart = Value;
  Modified();
}

void TGvAxis::SetStop(double Value)
{
  if (!std::isfinite(Value) || Value == FScale.Stop) return;
  RecordUndo(this, "Stop", QStringLiteral("Stop"));
  FScale.Stop = FScale.LastSetStop = Value;
  Modified();
}

void TGvAxis::SetStartStop(double AStart, double AStop)
{
  if (!std::isfinite(AStart) || !std::isfinite(AStop)) return;
  FScale.Start = FScale.LastSetStart = AStart;
  FScale.Stop = FScale.LastSetStop = AStop;
  Modified();
}

void TGvAxis::EndsModeChanged()
{
  // The range follows the new mode at the next layout (an axis without
  // series keeps the range it was given).
  if (!FSeries.empty()) {
    FScale.ValuesStart = cGvNoValuesStart;
    FScale.ValuesStop = cGvNoValuesStop;
    FScale.RedoRange = true;
  }
}

void TGvAxis::SetStartEnd(TGvAxisEnd Value)
{
  if (Value == FScale.StartEnd) return;
  SetValue(FScale.StartEnd, Value, "StartEnd", "Auto ranging mode of axis start");
  EndsModeChanged();
}

void TGvAxis::SetStopEnd(TGvAxisEnd Value)
{
  if (Value == FScale.StopEnd) return;
  SetValue(FScale.StopEnd, Value, "StopEnd", "Auto ranging mode of axis stop");
  EndsModeChanged();
}

void TGvAxis::SetEndRounding(TGvAxisEndRounding Value)
{
  if (Value == FScale.EndRounding) return;
  SetValue(FScale.EndRounding, Value, "EndRounding", "Axis ends rounding mode");
  EndsModeChanged();
}

void TGvAxis::SetMovingSlitWidth(double Value)
{
  SetValue(FScale.MovingSlitWidth, Value, "MovingSlitWidth", "Width of moving range scaling");
}

void TGvAxis::SetMovingSlitIncrement(double Value)
{
  SetValue(FScale.MovingSlitIncrement, Value, "MovingSlitIncrement", "Incement to move axis range");
}

// ---------------------------------------------------------------------------
// Scaling and partition
// ---------------------------------------------------------------------------

void TGvAxis::SetScaling(TGvAxisScaling Value)
{
  if (Value == FScale.Scaling) return;
  SetValue(FScale.Scaling, Value, "Scaling", "Scaling");
  EndsModeChanged();
}

void TGvAxis::SetLogToNormalScalingLevel(double Value)
{
  SetValue(FScale.LogToNormalScalingLevel, Value, "LogToNormalScalingLevel",
           "Log to normal scaling switching range");
}

void TGvAxis::SetPosition(TGvAxisPosition Value)
{
  if (Value == FScale.Position) return;
  const bool WasHorizontal = FScale.IsHorizontal();
  SetValue(FScale.Position, Value, "Position", "Axis position in graph");
  // The other direction reads the other data range of the series.
  if (WasHorizontal != FScale.IsHorizontal()) EndsModeChanged();
}

void TGvAxis::SetAutoSize(bool Value)
{
  SetValue(FAutoSize, Value, "AutoSize", "AutoSize");
}

void TGvAxis::SetAutoTickParts(bool Value)
{
  SetValue(FScale.AutoTickParts, Value, "AutoTickParts", "Automatic tick partitions");
}

void TGvAxis::SetLabelPart(double Value)
{
  SetValue(FScale.LabelPart, Value, "LabelPart", "Axis partitions for labels");
}

void TGvAxis::SetMajorTickPart(double Value)
{
  SetValue(FScale.MajorTickPart, Value, "MajorTickPart", "Axis partitions for major ticks");
}

void TGvAxis::SetTickPart(double Value)
{
  SetValue(FScale.TickPart, Value, "TickPart", "Axis partitions for minor ticks");
}

void TGvAxis::SetLabelDistanceFactor(float Value)
{
  SetValue(FScale.LabelDistanceFactor, Value, "LabelDistanceFactor", "LabelDistanceFactor");
}

void TGvAxis::SetMajorGridMode(TGvMajorGridMode Value)
{
  SetValue(FScale.MajorGridMode, Value, "MajorGridMode", "MajorGridMode");
}

void TGvAxis::SetExtraDigits(int Value)
{
  SetValue(FScale.ExtraDigits, Value, "ExtraDigits", "Axis numbers extra decimal spaces");
}

void TGvAxis::SetMaxForExtraExponent(double Value)
{
  SetValue(FScale.MaxForExtraExponent, Value, "MaxForExtraExponent",
           "Maximum to show exta exponent at axis");
}

void TGvAxis::SetMinForExtraExponent(double Value)
{
  SetValue(FScale.MinForExtraExponent, Value, "MinForExtraExponent",
           "Minimum to show exta exponent at axis");
}

void TGvAxis::SetTwisted(bool Value)
{
  SetValue(FScale.Twisted, Value, "Twisted", "Axis twist order of numbers");
}

// ---------------------------------------------------------------------------
// Look
// ---------------------------------------------------------------------------

void TGvAxis::SetNumbersVisible(bool Value)
{
  SetValue(FScale.NumbersVisible, Value, "NumbersVisible", "Visibility of axis scaling numbers");
}

TGvColor TGvAxis::NumbersColor() const
{
  return FFont->FillColor();
}

void TGvAxis::SetNumbersColor(TGvColor Value)
{
  if (Value == FFont->FillColor()) return;
  RecordUndo(this, "NumbersColor", QStringLiteral("Axis color of scaling numbers"));
  FFont->SetFillColor(Value);
}

void TGvAxis::SetForeColor(TGvColor Value)
{
  SetValue(FForeColor, Value, "ForeColor", "Axis foreground color");
}

void TGvAxis::SetMajorTickColor(TGvColor Value)
{
  SetValue(FMajorTickColor, Value, "MajorTickColor", "Axis color of major tickmarks");
}

void TGvAxis::SetTickColor(TGvColor Value)
{
  SetValue(FTickColor, Value, "TickColor", "Axis color of minor tickmarks");
}

void TGvAxis::SetAxisThicknes(float Value)
{
  SetValue(FScale.AxisThicknes, double(Value), "AxisThicknes", "Width of axis line");
}

void TGvAxis::SetMajorTickThicknes(float Value)
{
  SetValue(FMajorTickThicknes, Value, "MajorTickThicknes", "Width of major tick lines");
}

void TGvAxis::SetTickThicknes(float Value)
{
  SetValue(FTickThicknes, Value, "TickThicknes", "Width of minor tick lines");
}

void TGvAxis::SetMajorTickLength(float Value)
{
  SetValue(FScale.MajorTickLength, double(Value), "MajorTickLength", "Axis major ticks length");
}

void TGvAxis::SetTickLength(float Value)
{
  SetValue(FScale.TickLength, double(Value), "TickLength", "Axis minor ticks length");
}

void TGvAxis::SetTicksPointToData(bool Value)
{
  SetValue(FScale.TicksPointToData, Value, "TicksPointToData",
           "Axis ticks point to graph data area");
}

void TGvAxis::SetDistanceValuesAxis(float Value)
{
  SetValue(FDistanceValuesAxis, Value, "DistanceValuesAxis",
           "Distance between graph data area and axis");
}

void TGvAxis::SetDistanceAxisLabels(float Value)
{
  SetValue(FScale.DistanceAxisLabels, double(Value), "DistanceAxisLabels",
           "Distance between axis and scaling labels");
}

void TGvAxis::SetDistanceAxisExtraExponent(float Value)
{
  SetValue(FScale.DistanceAxisExtraExponent, double(Value), "DistanceAxisExtraExponent",
           "Distance between axis and extra exponent");
}

void TGvAxis::SetDistanceNumbersCaption(float Value)
{
  SetValue(FDistanceNumbersCaption, Value, "DistanceNumbersCaption",
           "Distance between axis scaling numbers and caption");
}

void TGvAxis::SetDistanceToBorder(float Value)
{
  SetValue(FDistanceToBorder, Value, "DistanceToBorder",
           "Distance between axis caption and border");
}

void TGvAxis::SetFont(TGvFont* Value)
{
  if (!Value || Value == FFont) return;
  if (Recording())
    FFont->PushToUndoStack(UndoStack(), QStringLiteral("Font of axis scaling numbers"));
  FFont->Assign(*Value);
}

void TGvAxis::SetRubricsAngle(float Value)
{
  if (!std::isfinite(Value)) return;
  TGvAxisScale Probe;
  Probe.SetRubricsAngle(Value);
  if (Probe.RubricsAngle() == FScale.RubricsAngle()) return;
  RecordUndo(this, "RubricsAngle", QStringLiteral("Axis angle of rubrics captions"));
  FScale.SetRubricsAngle(Value);
  Modified();
}

void TGvAxis::SetArrowPoint(TGvAxisArrowPoint* Value)
{
  if (Value && Value != FArrowPoint) FArrowPoint->Assign(*Value);
}

// ---------------------------------------------------------------------------
// Caption
// ---------------------------------------------------------------------------

void TGvAxis::SetCaption(const QString& Value)
{
  SetValue(FCaption, Value, "Caption", "Axis caption");
}

void TGvAxis::SetCaptionVisible(bool Value)
{
  SetValue(FCaptionVisible, Value, "CaptionVisible", "Visibility of axis caption");
}

void TGvAxis::SetCaptionAlignment(TGvAlignment Value)
{
  SetValue(FCaptionAlignment, Value, "CaptionAlignment", "Alignment of axis caption");
}

void TGvAxis::SetCaptionFont(TGvFont* Value)
{
  if (!Value || Value == FCaptionFont) return;
  if (Recording())
    FCaptionFont->PushToUndoStack(UndoStack(), QStringLiteral("Font of axis caption"));
  FCaptionFont->Assign(*Value);
}

void TGvAxis::SetCaptionColor(TGvColor Value)
{
  if (Value == FCaptionFont->FillColor()) return;
  RecordUndo(this, "CaptionColor", QStringLiteral("Color of axis caption"));
  FCaptionFont->SetFillColor(Value);
}

void TGvAxis::SetCaptionDistanceBefore(float Value)
{
  SetValue(FCaptionDistanceBefore, Value, "CaptionDistanceBefore", "Distance above axis caption");
}

void TGvAxis::SetCaptionDistanceAfter(float Value)
{
  SetValue(FCaptionDistanceAfter, Value, "CaptionDistanceAfter", "Distance below axis caption");
}

void TGvAxis::SetCaptionHorizontalOnVerticalAxis(bool Value)
{
  SetValue(FCaptionHorizontalOnVerticalAxis, Value, "CaptionHorizontalOnVerticalAxis",
           "Horizontal caption if axis is vertical");
}

// ---------------------------------------------------------------------------
// Rubrics
// ---------------------------------------------------------------------------

void TGvAxis::SetRubrics(const QStringList& Value)
{
  if (FRubricsBound)
    throw EGvError(QStringLiteral("Setting rubrics not allowed with database binding set"));
  SetValue(FScale.Rubrics, Value, "Rubrics", "Axis rubrics captions");
}

void TGvAxis::SetRubricsField(const QString& Value)
{
  RecordUndo(this, "RubricsField", QStringLiteral("RubricsField"));
  FRubricsLink.SetFieldName(Value);
  FRubricsBound = true;
  DBModified();
  Modified();
}

void TGvAxis::SetDataSource(TGvDataSource* Value)
{
  if (Value == FRubricsLink.DataSource()) return;
  RecordUndo(this, "DataSource", QStringLiteral("DataSource"));
  try {
    FRubricsLink.SetDataSource(Value);
  } catch (const std::exception&) {
    // A data source that cannot be linked leaves the axis unbound.
  }
  FRubricsBound = Value != nullptr && FRubricsLink.DataSource() == Value;
  if (FRubricsBound) DBModified();
  Modified();
}

void TGvAxis::DBModified()
{
  FRubricsReloadPending = true;
  if (FScale.Scaling == TGvAxisScaling::Rubrics) Modified();
}

void TGvAxis::UpdateDB()
{
  if (!FRubricsBound || !FRubricsReloadPending || FRubricsLoading || IsLoading()) return;
  TGvDataSource* Source = FRubricsLink.DataSource();
  if (!Source || !FRubricsLink.DataSet() || FRubricsLink.FieldName().isEmpty()) {
    FRubricsBound = false;
    FRubricsReloadPending = false;
    return;
  }
  // A closed dataset has no fields yet: the reload waits until it opens.
  if (!Source->Active() || Source->ControlsDisabled()) return;
  const int Field = FRubricsLink.FieldIndex();
  if (Field < 0) {
    FRubricsBound = false;
    FRubricsReloadPending = false;
    return;
  }
  TFlagScope Loading(FRubricsLoading);
  Source->DisableControls();
  struct TEnable
  {
    TGvDataSource* Source;
    ~TEnable() { Source->EnableControls(); }
  } Enable{Source};
  const int Records = Source->RecordCount();
  QStringList Rubrics;
  Rubrics.reserve(Records);
  for (int R = 0; R < Records; ++R) {
    const QVariant V = Source->FieldValue(R, Field);
    Rubrics << (V.isNull() ? QString() : V.toString());
  }
  FScale.Rubrics = Rubrics;
  FRubricsLink.SetLastRecordCount(Records);
  FRubricsReloadPending = false;
  FRecalculate = true;
}

// ---------------------------------------------------------------------------
// Slave axes
// ---------------------------------------------------------------------------

void TGvAxis::SetIsSlaveAxis(bool Value)
{
  SetValue(FScale.IsSlaveAxis, Value, "IsSlaveAxis", "Axis as slave to other axis");
}

void TGvAxis::SetMasterAxis(TGvAxis* Value)
{
  if (Value == this || Value == FMasterAxis) return;
  RecordUndo(this, "MasterAxis", QStringLiteral("Master axis"));
  FMasterAxis = Value;
  Modified();
}

void TGvAxis::SetSlaveSlope(double Value)
{
  SetValue(FScale.SlaveSlope, Value, "SlaveSlope", "Multiplier to convert master scaling");
}

void TGvAxis::SetSlaveOffset(double Value)
{
  SetValue(FScale.SlaveOffset, Value, "SlaveOffset", "Offset to convert master scaling");
}

// ---------------------------------------------------------------------------
// Date/time formats
// ---------------------------------------------------------------------------

void TGvAxis::SetShortMonthFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.ShortMonthFormat, Value, "ShortMonthFormat", "ShortMonthFormat");
}

void TGvAxis::SetLongMonthFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.LongMonthFormat, Value, "LongMonthFormat", "LongMonthFormat");
}

void TGvAxis::SetDayFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.DayFormat, Value, "DayFormat", "DayFormat");
}

void TGvAxis::SetDayAndHourFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.DayAndHourFormat, Value, "DayAndHourFormat", "DayAndHourFormat");
}

void TGvAxis::SetMinuteFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.MinuteFormat, Value, "MinuteFormat", "MinuteFormat");
}

void TGvAxis::SetSecondFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.SecondFormat, Value, "SecondFormat", "SecondFormat");
}

void TGvAxis::SetMilliSecondFormat(const QString& Value)
{
  SetValue(FScale.DateTimeFormats.MilliSecondFormat, Value, "MilliSecondFormat",
           "MilliSecondFormat");
}

// ---------------------------------------------------------------------------
// Related series
// ---------------------------------------------------------------------------

bool TGvAxis::IsRelatedSeries(const IGvAxisSeries* Series) const
{
  return std::any_of(FSeries.begin(), FSeries.end(),
                     [Series](const TRelated& R) { return R.Series == Series; });
}

void TGvAxis::AddRelatedSeries(IGvAxisSeries* Series, QObject* Object)
{
  if (!Series || IsRelatedSeries(Series)) return;
  TRelated R{Series, Object, Object, {}};
  if (Object)
    R.Destroyed = connect(Object, &QObject::destroyed, this,
                          [this](QObject* Gone) { SeriesDestroyed(Gone); });
  FSeries.push_back(R);
  SyncSeries();
}

void TGvAxis::RemoveRelatedSeries(IGvAxisSeries* Series)
{
  const auto It = std::find_if(FSeries.begin(), FSeries.end(),
                               [Series](const TRelated& R) { return R.Series == Series; });
  if (It == FSeries.end()) return;
  QObject::disconnect(It->Destroyed);
  FSeries.erase(It);
  SyncSeries();
}

void TGvAxis::SeriesDestroyed(QObject* Object)
{
  const auto Before = FSeries.size();
  FSeries.erase(std::remove_if(FSeries.begin(), FSeries.end(),
                               [Object](const TRelated& R) { return R.Raw == Object; }),
                FSeries.end());
  if (FSeries.size() == Before) return;
  SyncSeries();
  if (!IsDestroying()) RangeModified();
}

void TGvAxis::SyncSeries()
{
  FScale.Series.clear();
  for (const TRelated& R : FSeries)
    if (!R.Raw || R.Object) FScale.Series.push_back(R.Series);
}

void TGvAxis::RangeModified()
{
  const IGvAxisGraph* G = GraphInterface();
  if ((G && G->GraphLoading()) || IsLoading() || IsDestroying()) return;
  if (FZoom.Count() > 0) {
    if (FScale.StartEnd != TGvAxisEnd::AutoRange) FScale.Start = FZoom.StartAt(0);
    if (FScale.StopEnd != TGvAxisEnd::AutoRange) FScale.Stop = FZoom.StopAt(0);
  }
  if (FSeries.empty()) {
    Modified();
    return;
  }
  FScale.ValuesStart = cGvNoValuesStart;
  FScale.ValuesStop = cGvNoValuesStop;
  FZoom.Clear();
  FScale.RedoRange = true;
  // A function series that clips its Y values to the other series has no
  // range yet when it is alone on the axis: it calculates again.
  const bool AllFunctions =
      std::all_of(FScale.Series.begin(), FScale.Series.end(),
                  [](const IGvAxisSeries* S) { return S->IsFunctionSeries(); });
  for (const IGvAxisSeries* S : FScale.Series) {
    if (!S->IsFunctionSeries() || !S->AxisSeriesVisible()) continue;
    if (AllFunctions && S->ClipsYValues() && !S->HasYRange())
      const_cast<IGvAxisSeries*>(S)->SetLastCount(0);
    break;
  }
  Modified();
}

bool TGvAxis::GetNewRanges()
{
  const IGvAxisGraph* G = GraphInterface();
  FScale.Panning = G && G->GraphPanning();
  FScale.Zoomed = FZoom.Count() > 0;
  FScale.ControlLength = IsHorizontal() ? Width() : Height();
  if (!FScale.GetNewRanges()) return false;
  Modified();
  return true;
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

void TGvAxis::Calculate()
{
  if (FInLayout) return;
  CalculateAxes({this});
}

void TGvAxis::CalculateAxes(const std::vector<TGvAxis*>& Axes)
{
  std::vector<QPointer<TGvAxis>> List(Axes.begin(), Axes.end());
  struct TEnd
  {
    std::vector<QPointer<TGvAxis>>& List;
    ~TEnd()
    {
      for (auto& A : List)
        if (A) A->FInLayout = false;
    }
  } End{List};
  for (auto& A : List)
    if (A) A->FInLayout = true;
  for (auto& A : List)
    if (A) A->UpdateDB();
  for (auto& A : List)
    if (A) A->GetNewRanges();
  for (auto& A : List)
    if (A) A->PrepareEnds();
  for (auto& A : List) {
    if (!A) continue;
    if (A->GraphInterface()) {
      // The graph fits the axis to its data area afterwards.
      const double Length = A->IsHorizontal() ? A->Width() : A->Height();
      A->FScale.AxLength = std::max(40.0, Length);
      A->CalculateTicks();
    } else {
      A->LayoutAlone();
    }
    A->FRecalculate = false;
  }
  for (auto& A : List)
    if (A && A->OnCalculated) A->OnCalculated(A);
}

void TGvAxis::PrepareEnds()
{
  if (FPreparing) return;
  TFlagScope Preparing(FPreparing);
  const IGvAxisGraph* G = GraphInterface();
  FScale.Panning = G && G->GraphPanning();
  FScale.Zoomed = FZoom.Count() > 0;
  FScale.ControlLength = IsHorizontal() ? Width() : Height();
  TGvAxis* Master = FMasterAxis.data();
  if (FScale.IsSlaveAxis && Master && Master->Start() <= Master->Stop()) {
    // The master's ends first (once per change); a master that is (through
    // others) a slave of this axis is taken as it stands.
    Master->PrepareEnds();
    FScale.TakeMaster(Master->FScale);
  } else if (!FEndsRounded) {
    FScale.SlaveTransformed = false;
    double A = FScale.Start, B = FScale.Stop;
    FScale.RoundEnds(A, B);
    FScale.Start = A;
    FScale.Stop = B;
  }
  FEndsRounded = true;
}

void TGvAxis::SetGraphLayout(bool InLayout)
{
  FInLayout = InLayout;
  if (!InLayout) FRecalculate = false;
}

void TGvAxis::SetAxisGeometry(double AxLeft, double AxTop, double AxLength)
{
  FScale.AxLeft = GvClampCoord(AxLeft);
  FScale.AxTop = GvClampCoord(AxTop);
  FScale.AxLength = std::isfinite(AxLength) ? std::clamp(AxLength, 0.0, 1e6) : 0;
}

void TGvAxis::LayoutAlone()
{
  // Across: the line on the side that faces the data, inside the control.
  // Along: the room the end labels, the series and the arrow need.
  const double W = Width(), H = Height();
  const double T = FScale.AxisThicknes;
  const double Tick = FScale.MajorTickLength;
  const bool ToData = FScale.TicksPointToData;
  switch (FScale.Position) {
  case TGvAxisPosition::Bottom:
    FScale.AxTop = ToData ? Tick : (T < 1 ? 0 : std::ceil(T / 2));
    break;
  case TGvAxisPosition::Top:
    FScale.AxTop = ToData ? H - Tick : std::floor(H - T / 2);
    break;
  case TGvAxisPosition::Left:
    FScale.AxLeft = ToData ? W - Tick : std::floor(W - T / 2);
    break;
  case TGvAxisPosition::Right:
    FScale.AxLeft = ToData ? Tick : std::ceil(T / 2);
    break;
  }
  const bool Horizontal = IsHorizontal();
  const double Length = Horizontal ? W : H;
  double& Along = Horizontal ? FScale.AxLeft : FScale.AxTop;
  Along = 0;
  FScale.AxLength = std::max(40.0, Length);
  CalculateTicks();
  const double Low = std::ceil(EndRoom(true));
  const double High = std::ceil(EndRoom(false));
  Along = Low;
  FScale.AxLength = std::max(40.0, Length - Low - High);
  CalculateTicks();
}

void TGvAxis::CalculateTicks()
{
  if (OnGetTicks) OnGetTicks(this);
  FScale.ControlLength = IsHorizontal() ? Width() : Height();
  FScale.FontSize = FFont->Size();
  FScale.CalculateTicks();
  BuildLabels();
  PlaceExtraExponent();
  PlaceCaption();
}

void TGvAxis::BuildLabels()
{
  FLabels.Clear();
  FLargestLabelWidth = FLargestLabelHeight = 0;
  const double Angle = FScale.RubricsAngle();
  // The partition estimates label lengths; measured, a label can still reach
  // into its neighbour (long labels on a short axis, where even the coarsest
  // step does not fit). Such a label is left out, so that what is shown can
  // be read: each label keeps a gap of 4 pixels to the last one shown.
  std::vector<TGvAxisLabelMark> Shown;
  QRectF LastBox;
  for (const TGvAxisLabelMark& Mark : FScale.Labels) {
    auto L = std::make_unique<TGvRichCaptionObject>(Mark.Text);
    L->SetFont(*FFont);
    L->SetAlignment(TGvContentAlignment::MiddleCenter);
    L->SetAngle(Angle);
    L->ParseForSize(static_cast<const QPaintDevice*>(nullptr), this);
    const TGvLabelBox B = PlaceAxisLabel(FScale.Position, Angle, FFont->Size(), Mark.Pixel,
                                         FScale.LabelLine, L->Width(), L->Height());
    L->SetPosition(B.X, B.Y);
    const QRectF Box = L->RotatedBounds().adjusted(-2, -2, 2, 2);
    if (!Shown.empty() && Box.intersects(LastBox)) continue;
    LastBox = Box;
    Shown.push_back(Mark);
    FLabels.Add(std::move(L));
    FLargestLabelWidth = std::max(FLargestLabelWidth, B.H);
    FLargestLabelHeight = std::max(FLargestLabelHeight, B.V);
  }
  FScale.Labels = std::move(Shown);
  if (FScale.ShowsExtraExponent) FScale.PlaceExtraExponentMark();
}

bool TGvAxis::RemoveMarksAt(double Pixel, double Tolerance)
{
  auto Near = [&](double P) { return std::fabs(P - Pixel) <= Tolerance; };
  std::erase_if(FScale.Ticks, [&](const TGvAxisTick& T) { return Near(T.Pixel); });
  bool Removed = false;
  for (int I = int(FScale.Labels.size()) - 1; I >= 0; --I) {
    if (!Near(FScale.Labels[size_t(I)].Pixel)) continue;
    FScale.Labels.erase(FScale.Labels.begin() + I);
    if (I < FLabels.Count()) FLabels.Delete(I);
    Removed = true;
  }
  return Removed;
}

void TGvAxis::RemoveFirstLabel()
{
  if (FScale.Labels.empty()) return;
  FScale.Labels.erase(FScale.Labels.begin());
  if (FLabels.Count() > 0) FLabels.Delete(0);
}

void TGvAxis::PlaceCaption()
{
  using A = TGvContentAlignment;
  const bool Horizontal = IsHorizontal();
  const bool Flat = Horizontal || FCaptionHorizontalOnVerticalAxis;
  FCaptionObject.SetCaption(FCaption);
  FCaptionObject.SetFont(*FCaptionFont);
  FCaptionObject.SetAngle(Flat ? 0 : 90);
  const double Numbers = NumbersExtent();
  const double Line = FScale.LabelLine;
  const double Out = FDistanceNumbersCaption + Numbers;
  const double Low = Horizontal ? FScale.AxLeft : FScale.AxTop;
  const double High = Low + FScale.AxLength;
  const double Mid = Low + FScale.AxLength / 2;
  const int Column = FCaptionAlignment == TGvAlignment::LeftJustify    ? 0
                     : FCaptionAlignment == TGvAlignment::RightJustify ? 1
                                                                       : 2;
  double X = 0, Y = 0;
  A Align = A::TopCenter;
  switch (FScale.Position) {
  case TGvAxisPosition::Bottom: {
    const A Aligns[] = {A::TopLeft, A::TopRight, A::TopCenter};
    const double Xs[] = {Low, High, Mid};
    X = Xs[Column], Y = Line + Out, Align = Aligns[Column];
    break;
  }
  case TGvAxisPosition::Top: {
    const A Aligns[] = {A::BottomLeft, A::BottomRight, A::BottomCenter};
    const double Xs[] = {Low, High, Mid};
    X = Xs[Column], Y = Line - Out, Align = Aligns[Column];
    break;
  }
  case TGvAxisPosition::Left: {
    const A Rotated[] = {A::BottomLeft, A::BottomRight, A::BottomCenter};
    const A Level[] = {A::BottomRight, A::TopRight, A::MiddleRight};
    const double Ys[] = {High, Low, Mid};
    X = Line - Out, Y = Ys[Column], Align = Flat ? Level[Column] : Rotated[Column];
    break;
  }
  case TGvAxisPosition::Right: {
    const A Rotated[] = {A::TopLeft, A::TopRight, A::TopCenter};
    const A Level[] = {A::BottomLeft, A::TopLeft, A::MiddleLeft};
    const double Ys[] = {High, Low, Mid};
    X = Line + Out, Y = Ys[Column], Align = Flat ? Level[Column] : Rotated[Column];
    break;
  }
  }
  FCaptionObject.SetAlignment(Align);
  FCaptionObject.SetPosition(X, Y);
  FCaptionObject.ParseForSize(static_cast<const QPaintDevice*>(nullptr), this);
}

void TGvAxis::PlaceExtraExponent()
{
  using A = TGvContentAlignment;
  if (!FScale.ShowsExtraExponent) {
    FExtraExponentObject.SetCaption(QString());
    return;
  }
  FExtraExponentObject.SetCaption(FScale.ExtraExponentText);
  const double P = FScale.ExtraExponentPixel, L = FScale.ExtraExponentLine;
  switch (FScale.Position) {
  case TGvAxisPosition::Bottom:
    FExtraExponentObject.SetAlignment(A::TopCenter);
    FExtraExponentObject.SetPosition(P, L);
    break;
  case TGvAxisPosition::Top:
    FExtraExponentObject.SetAlignment(A::BottomCenter);
    FExtraExponentObject.SetPosition(P, L);
    break;
  case TGvAxisPosition::Left:
    FExtraExponentObject.SetAlignment(A::MiddleRight);
    FExtraExponentObject.SetPosition(L, P);
    break;
  case TGvAxisPosition::Right:
    FExtraExponentObject.SetAlignment(A::MiddleLeft);
    FExtraExponentObject.SetPosition(L, P);
    break;
  }
  FExtraExponentObject.ParseForSize(static_cast<const QPaintDevice*>(nullptr), this);
  // Between the last two labels it may not find room: then it stands beyond
  // the labels, still between them along the axis.
  const QRectF E = FExtraExponentObject.RotatedBounds();
  bool Hits = false;
  double Outer = L;
  for (int I = 0; I < FLabels.Count(); ++I) {
    const QRectF B = FLabels.Value(I)->RotatedBounds();
    Hits = Hits || B.intersects(E);
    switch (FScale.Position) {
    case TGvAxisPosition::Bottom:
      Outer = std::max(Outer, B.bottom());
      break;
    case TGvAxisPosition::Top:
      Outer = std::min(Outer, B.top());
      break;
    case TGvAxisPosition::Left:
      Outer = std::min(Outer, B.left());
      break;
    case TGvAxisPosition::Right:
      Outer = std::max(Outer, B.right());
      break;
    }
  }
  if (!Hits || !FScale.NumbersVisible) return;
  if (IsHorizontal())
    FExtraExponentObject.SetPosition(P, Outer);
  else
    FExtraExponentObject.SetPosition(Outer, P);
}

double TGvAxis::NumbersExtent() const
{
  const bool Labels = FScale.NumbersVisible && FLabels.Count() > 0;
  double Numbers = Labels ? (IsHorizontal() ? FLargestLabelHeight : FLargestLabelWidth) : 0;
  // An extra exponent that reaches further out than the labels keeps the
  // caption beyond it too.
  if (FScale.NumbersVisible && FScale.ShowsExtraExponent) {
    const QRectF E = FExtraExponentObject.RotatedBounds();
    const double Line = FScale.LabelLine;
    switch (FScale.Position) {
    case TGvAxisPosition::Bottom:
      Numbers = std::max(Numbers, E.bottom() - Line);
      break;
    case TGvAxisPosition::Top:
      Numbers = std::max(Numbers, Line - E.top());
      break;
    case TGvAxisPosition::Left:
      Numbers = std::max(Numbers, Line - E.left());
      break;
    case TGvAxisPosition::Right:
      Numbers = std::max(Numbers, E.right() - Line);
      break;
    }
  }
  return Numbers;
}

double TGvAxis::NeededThickness() const
{
  const bool Horizontal = IsHorizontal();
  double T = std::ceil(FScale.AxisThicknes / 2) + FDistanceToBorder + FScale.MajorTickLength;
  const bool Labels = FScale.NumbersVisible && FLabels.Count() > 0;
  // The caption stands beyond the labels and the extra exponent (as placed),
  // so the thickness counts what reaches further out of the two.
  if (Labels) T += FScale.DistanceAxisLabels + NumbersExtent();
  if (FCaptionVisible && !FCaption.isEmpty()) {
    const QSizeF C = FCaptionObject.RotatedExtent();
    T += (Horizontal ? C.height() : C.width()) + FCaptionDistanceBefore + FCaptionDistanceAfter +
         (Labels ? FDistanceNumbersCaption : FScale.DistanceAxisLabels);
  }
  if (FScale.ShowsExtraExponent && FScale.NumbersVisible) {
    const QSizeF E = FExtraExponentObject.RotatedExtent();
    T = std::max(T, FScale.DistanceAxisExtraExponent + FScale.MajorTickLength +
                        (Horizontal ? E.height() : E.width()) + FScale.AxisThicknes);
  }
  return T;
}

double TGvAxis::EndRoom(bool AtLowEnd) const
{
  if (!Visible()) return 0;
  const bool Horizontal = IsHorizontal();
  const double Low = Horizontal ? FScale.AxLeft : FScale.AxTop;
  const double High = Low + FScale.AxLength;
  double Room = 0;
  if (FScale.NumbersVisible) {
    for (int I = 0; I < FLabels.Count(); ++I) {
      const QRectF B = FLabels.Value(I)->RotatedBounds();
      const double Over = AtLowEnd ? Low - (Horizontal ? B.left() : B.top())
                                   : (Horizontal ? B.right() : B.bottom()) - High;
      Room = std::max(Room, Over);
    }
  }
  if (!IsClipped()) {
    const TGvAxisPosition Border =
        Horizontal ? (AtLowEnd ? TGvAxisPosition::Left : TGvAxisPosition::Right)
                   : (AtLowEnd ? TGvAxisPosition::Top : TGvAxisPosition::Bottom);
    for (const IGvAxisSeries* S : FScale.Series) {
      const double E = S->ExtraSpaceAt(Border);
      if (std::isfinite(E)) Room = std::max(Room, E);
    }
  }
  if (FArrowPoint->Visible()) {
    // The arrow stands where the values grow: right or top, else left or
    // bottom on a twisted axis.
    const bool ArrowAtLow = Horizontal ? FScale.Twisted : !FScale.Twisted;
    if (ArrowAtLow == AtLowEnd) Room = std::max(Room, 3.0 * FArrowPoint->PointLength());
  }
  return std::clamp(Room, 0.0, 1e5);
}

// ---------------------------------------------------------------------------
// Zoom and scrolling
// ---------------------------------------------------------------------------

void TGvAxis::ZoomIn(double NewStart, double NewStop)
{
  if (!std::isfinite(NewStart) || !std::isfinite(NewStop)) return;
  if (NewStart > NewStop) std::swap(NewStart, NewStop);
  FZoom.ZoomIn(FScale.Start, FScale.Stop, NewStart, NewStop);
  FScale.Start = FScale.LastSetStart = NewStart;
  FScale.Stop = FScale.LastSetStop = NewStop;
  Modified();
}

void TGvAxis::ApplyStage(int Stage)
{
  if (Stage < 0) return;
  FScale.Start = FScale.LastSetStart = FZoom.StartAt(Stage);
  FScale.Stop = FScale.LastSetStop = FZoom.StopAt(Stage);
  Modified();
}

void TGvAxis::ZoomBack()
{
  ApplyStage(FZoom.Back());
}

void TGvAxis::RedoZoom()
{
  ApplyStage(FZoom.Redo());
}

void TGvAxis::ZoomToStage(int Stage)
{
  ApplyStage(FZoom.ToStage(Stage));
}

void TGvAxis::ZoomClearBuffer()
{
  FZoom.Clear();
  Modified();
}

double TGvAxis::GetScrollStart() const
{
  return FZoom.Count() > 0 ? FZoom.StartAt(0) : FScale.Start;
}

double TGvAxis::GetScrollStop() const
{
  return FZoom.Count() > 0 ? FZoom.StopAt(0) : FScale.Stop;
}

int TGvAxis::ScrollRangeSize(double RangeStart, double RangeStop) const
{
  return FScale.ScrollRangeSize(RangeStart, RangeStop, GetScrollStart(), GetScrollStop());
}

int TGvAxis::ScrollPosition(double X) const
{
  return FScale.ScrollPosition(X, GetScrollStart(), GetScrollStop());
}

bool TGvAxis::IsClipped() const
{
  const IGvAxisGraph* G = GraphInterface();
  return G && FScale.IsClipped(G->GraphHasSeries());
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

void TGvAxis::PaintGr(QPainter& Painter)
{
  if (FInLayout) return;
  if (FRecalculate) Calculate();
  const IGvAxisGraph* G = GraphInterface();
  const bool Exact = G && G->GraphDoingMetafile();
  auto Px = [Exact](double V) { return GvClampCoord(Exact ? V : std::round(V)); };
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setBrush(Qt::NoBrush);

  const bool Horizontal = IsHorizontal();
  const double Line = Horizontal ? FScale.AxTop : FScale.AxLeft;
  const double HalfLine = FScale.AxisThicknes / 2;
  // Ticks point away from the data (down, left, up, right), or towards it.
  bool Growing =
      FScale.Position == TGvAxisPosition::Bottom || FScale.Position == TGvAxisPosition::Right;
  if (FScale.TicksPointToData) Growing = !Growing;
  auto DrawTicks = [&](bool Major) {
    const double Length = Major ? FScale.MajorTickLength : FScale.TickLength;
    QPen Pen(GvQColor(Major ? FMajorTickColor : FTickColor));
    Pen.setWidthF(Major ? FMajorTickThicknes : FTickThicknes);
    Pen.setCapStyle(Qt::FlatCap);
    Painter.setPen(Pen);
    const double From = Px(Growing ? std::ceil(Line - HalfLine) : std::floor(Line + HalfLine));
    const double To = Growing ? From + Length : From - Length;
    for (const TGvAxisTick& T : FScale.Ticks) {
      if (T.Major != Major) continue;
      const double P = Px(T.Pixel);
      if (Horizontal)
        Painter.drawLine(QPointF(P, From), QPointF(P, To));
      else
        Painter.drawLine(QPointF(From, P), QPointF(To, P));
    }
  };
  if (!FScale.Ticks.empty()) {
    DrawTicks(true);
    DrawTicks(false);
  }

  // The axis line, lengthened by the arrow at the end where values grow.
  QPen Pen(GvQColor(FForeColor));
  Pen.setWidthF(FScale.AxisThicknes);
  Pen.setCapStyle(Qt::FlatCap);
  QPointF A, B;
  if (Horizontal) {
    A = QPointF(Px(FScale.AxLeft), Px(FScale.AxTop));
    B = QPointF(Px(FScale.AxLeft + FScale.AxLength), Px(FScale.AxTop));
  } else {
    A = QPointF(Px(FScale.AxLeft), Px(FScale.AxTop + FScale.AxLength));
    B = QPointF(Px(FScale.AxLeft), Px(FScale.AxTop));
  }
  // A runs to B in the direction of growing values.
  if (FScale.Twisted) std::swap(A, B);
  if (FArrowPoint->Visible()) {
    const double Extra = 3.0 * FArrowPoint->PointLength();
    const QPointF D = B - A;
    const double Len = std::hypot(D.x(), D.y());
    if (Len > 0) B += D / Len * Extra;
    const TGvArrowCap Cap = ArrowPointCap(*FArrowPoint);
    Painter.setRenderHint(QPainter::Antialiasing, true);
    DrawArrowLine(Painter, Pen, A, B, &Cap);
    Painter.setRenderHint(QPainter::Antialiasing, false);
  } else {
    Painter.setRenderHint(QPainter::Antialiasing, !Horizontal);
    Painter.setPen(Pen);
    Painter.drawLine(A, B);
    Painter.setRenderHint(QPainter::Antialiasing, false);
  }

  if (FScale.NumbersVisible)
    for (int I = 0; I < FLabels.Count(); ++I) FLabels.Value(I)->PaintGr(Painter);
  if (FCaptionVisible && !FCaption.isEmpty()) FCaptionObject.PaintGr(Painter);
  if (FScale.NumbersVisible && FScale.ShowsExtraExponent) FExtraExponentObject.PaintGr(Painter);
  Painter.restore();
}
