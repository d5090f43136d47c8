// The axis component: its published properties and their undo records, the
// related series, the zoom history, slave axes, the layout of an axis
// standing alone, the rubrics from a database, and its painting.
#include "AxisTestSupport.h"
#include "ChartTestSupport.h"
#include "RecordingUndoStack.h"

#include "chart/GvAxis.h"

#include <QCoreApplication>
#include <QMetaProperty>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A series as a component: its destruction must reach the axis.
class TSeriesObject : public QObject, public TFakeAxisSeries
{
public:
  TSeriesObject(double XStart, double XStop, double YStart, double YStop)
      : TFakeAxisSeries(XStart, XStop, YStart, YStop)
  {
  }
};

class TFakeGraph : public QObject, public IGvAxisGraph
{
public:
  bool Loading = false, Panning = false, HasSeries = true, Metafile = false;
  int Modifications = 0;
  bool GraphLoading() const override { return Loading; }
  bool GraphPanning() const override { return Panning; }
  bool GraphHasSeries() const override { return HasSeries; }
  bool GraphDoingMetafile() const override { return Metafile; }
  void GraphAxisModified(TGvAxis*) override { ++Modifications; }
};

class Axis : public ::testing::Test
{
protected:
  TFormatSettingsOverride Settings{AxisTestSettings()};

  static std::unique_ptr<TGvAxis> Make(TGvAxisPosition Position, int W, int H)
  {
    auto A = std::make_unique<TGvAxis>();
    A->SetPosition(Position);
    A->SetBounds(0, 0, W, H);
    return A;
  }
  static QStringList Texts(const TGvAxis& A)
  {
    QStringList L;
    for (int I = 0; I < A.LabelCount(); ++I) L << A.Label(I)->Caption();
    return L;
  }
};

TEST_F(Axis, Defaults)
{
  TGvAxis A;
  struct TCase
  {
    const char* Name;
    QVariant Value;
  };
  const TCase Cases[] = {
      {"Start", 0.0},
      {"Stop", 10.0},
      {"StartEnd", QVariant::fromValue(TGvAxisEnd::AutoRange)},
      {"StopEnd", QVariant::fromValue(TGvAxisEnd::AutoRange)},
      {"EndRounding", QVariant::fromValue(TGvAxisEndRounding::RndToMajorZoomToMinor)},
      {"Scaling", QVariant::fromValue(TGvAxisScaling::Normal)},
      {"LogToNormalScalingLevel", 0.0},
      {"Position", QVariant::fromValue(TGvAxisPosition::Bottom)},
      {"AutoTickParts", true},
      {"LabelDistanceFactor", 1.0f},
      {"MajorGridMode", QVariant::fromValue(TGvMajorGridMode::AtLabel)},
      {"NumbersVisible", true},
      {"NumbersColor", TGvColor(0xFF00008B)},
      {"ForeColor", GvColors::Black},
      {"MajorTickColor", GvColors::Black},
      {"TickColor", GvColors::Black},
      {"AxisThicknes", 1.0f},
      {"MajorTickThicknes", 1.0f},
      {"TickThicknes", 1.0f},
      {"MajorTickLength", 10.0f},
      {"TickLength", 6.0f},
      {"TicksPointToData", false},
      {"Twisted", false},
      {"ExtraDigits", 0},
      {"MaxForExtraExponent", 1000.0},
      {"MinForExtraExponent", 0.001},
      {"DistanceValuesAxis", 0.0f},
      {"DistanceAxisLabels", 0.0f},
      {"DistanceAxisExtraExponent", 10.0f},
      {"Caption", QString()},
      {"CaptionVisible", true},
      {"CaptionAlignment", QVariant::fromValue(TGvAlignment::Center)},
      {"CaptionColor", GvColors::DarkRed},
      {"CaptionHorizontalOnVerticalAxis", false},
      {"RubricsAngle", 0.0f},
      {"Rubrics", QStringList()},
      {"IsSlaveAxis", false},
      {"SlaveSlope", 1.0},
      {"SlaveOffset", 0.0},
      {"MovingSlitWidth", 0.0},
      {"MovingSlitIncrement", 0.0},
      {"Visible", true},
      {"ShortMonthFormat", QStringLiteral("MMM yy")},
      {"LongMonthFormat", QStringLiteral("MMMM yyyy")},
      {"DayFormat", QStringLiteral("yy/m/d")},
      {"DayAndHourFormat", QStringLiteral("yy/m/d hh:nn")},
      {"MinuteFormat", QStringLiteral("hh:nn")},
      {"SecondFormat", QStringLiteral("hh:nn:ss")},
      {"MilliSecondFormat", QStringLiteral("s.fff")},
  };
  for (const TCase& C : Cases) {
    const QVariant V = A.property(C.Name);
    ASSERT_TRUE(V.isValid()) << C.Name;
    EXPECT_EQ(V, C.Value) << C.Name;
  }
  EXPECT_EQ(A.CaptionFont()->Name(), "Times New Roman");
  EXPECT_EQ(A.CaptionFont()->Size(), 14);
  EXPECT_TRUE(A.CaptionFont()->Style().testFlag(TGvFontStyle::Bold));
  const TGvFont* E = A.ExtraExponentObject().Font();
  EXPECT_EQ(E->Name(), "Arial");
  EXPECT_EQ(E->Size(), 12);
  EXPECT_TRUE(E->Style().testFlag(TGvFontStyle::Bold));
  EXPECT_EQ(E->FillColor(), 0xFF00008Bu);
  EXPECT_FALSE(A.ArrowPoint()->Visible());
  EXPECT_EQ(A.MasterAxis(), nullptr);
  EXPECT_EQ(A.ZoomBufferSize(), 0);
}

// Each setter records the old value under its description before it changes
// anything; a value that does not change records nothing.
TEST_F(Axis, SettersRecordTheirUndoDescriptions)
{
  const char* Cases[][2] = {
      {"Caption", "Axis caption"},
      {"CaptionHorizontalOnVerticalAxis", "Horizontal caption if axis is vertical"},
      {"ExtraDigits", "Axis numbers extra decimal spaces"},
      {"ForeColor", "Axis foreground color"},
      {"NumbersColor", "Axis color of scaling numbers"},
      {"MajorTickColor", "Axis color of major tickmarks"},
      {"TickColor", "Axis color of minor tickmarks"},
      {"RubricsAngle", "Axis angle of rubrics captions"},
      {"LogToNormalScalingLevel", "Log to normal scaling switching range"},
      {"Rubrics", "Axis rubrics captions"},
      {"Position", "Axis position in graph"},
      {"AutoTickParts", "Automatic tick partitions"},
      {"LabelPart", "Axis partitions for labels"},
      {"MajorTickPart", "Axis partitions for major ticks"},
      {"TickPart", "Axis partitions for minor ticks"},
      {"AxisThicknes", "Width of axis line"},
      {"MajorTickThicknes", "Width of major tick lines"},
      {"TickThicknes", "Width of minor tick lines"},
      {"TickLength", "Axis minor ticks length"},
      {"MajorTickLength", "Axis major ticks length"},
      {"TicksPointToData", "Axis ticks point to graph data area"},
      {"NumbersVisible", "Visibility of axis scaling numbers"},
      {"Twisted", "Axis twist order of numbers"},
      {"IsSlaveAxis", "Axis as slave to other axis"},
      {"SlaveSlope", "Multiplier to convert master scaling"},
      {"SlaveOffset", "Offset to convert master scaling"},
      {"StartEnd", "Auto ranging mode of axis start"},
      {"StopEnd", "Auto ranging mode of axis stop"},
      {"EndRounding", "Axis ends rounding mode"},
      {"MaxForExtraExponent", "Maximum to show exta exponent at axis"},
      {"MinForExtraExponent", "Minimum to show exta exponent at axis"},
      {"DistanceValuesAxis", "Distance between graph data area and axis"},
      {"DistanceAxisLabels", "Distance between axis and scaling labels"},
      {"DistanceAxisExtraExponent", "Distance between axis and extra exponent"},
      {"DistanceNumbersCaption", "Distance between axis scaling numbers and caption"},
      {"DistanceToBorder", "Distance between axis caption and border"},
      {"MovingSlitWidth", "Width of moving range scaling"},
      {"MovingSlitIncrement", "Incement to move axis range"},
      {"CaptionAlignment", "Alignment of axis caption"},
      {"CaptionColor", "Color of axis caption"},
      {"CaptionDistanceAfter", "Distance below axis caption"},
      {"CaptionDistanceBefore", "Distance above axis caption"},
      {"CaptionVisible", "Visibility of axis caption"},
      {"Visible", "Axis visible"},
      {"Scaling", "Scaling"},
      {"MajorGridMode", "MajorGridMode"},
      {"Start", "Start"},
      {"Stop", "Stop"},
  };
  TGvAxis A;
  TRecordingUndoStack Stack;
  A.SetUndoStack(&Stack);
  const QMetaObject* Meta = A.metaObject();
  for (const auto& C : Cases) {
    const QMetaProperty P = Meta->property(Meta->indexOfProperty(C[0]));
    ASSERT_TRUE(P.isValid()) << C[0];
    const QVariant Old = P.read(&A);
    // A value other than the current one.
    QVariant New;
    switch (Old.typeId()) {
    case QMetaType::Bool:
      New = !Old.toBool();
      break;
    case QMetaType::Double:
      New = Old.toDouble() + 3;
      break;
    case QMetaType::Float:
      New = Old.toFloat() + 3;
      break;
    case QMetaType::Int:
      New = Old.toInt() + 1;
      break;
    case QMetaType::UInt:
      New = Old.toUInt() ^ 0xFFu;
      break;
    case QMetaType::QString:
      New = Old.toString() + "x";
      break;
    case QMetaType::QStringList:
      New = QStringList{"a", "b"};
      break;
    default:
      New = Old.toInt() == 0 ? 1 : 0;
      break;
    }
    if (P.isEnumType()) New = Old.toInt() == 0 ? 1 : 0;
    Stack.Entries.clear();
    ASSERT_TRUE(P.write(&A, New)) << C[0];
    EXPECT_NE(P.read(&A), Old) << C[0];
    ASSERT_EQ(Stack.Entries.size(), 1u) << C[0];
    EXPECT_EQ(Stack.Entries[0].Comment, C[1]) << C[0];
    EXPECT_EQ(Stack.Entries[0].PropName, C[0]);
    EXPECT_EQ(Stack.Entries[0].Instance, &A);
    Stack.Entries.clear();
    P.write(&A, P.read(&A));
    EXPECT_TRUE(Stack.Entries.empty()) << C[0];
  }
  // Fonts are recorded as one group.
  Stack.Entries.clear();
  TGvFont F(QStringLiteral("Courier"), 9);
  A.SetFont(&F);
  ASSERT_FALSE(Stack.Entries.empty());
  EXPECT_EQ(Stack.Entries.front().Kind, "StartGroup");
  EXPECT_EQ(Stack.Entries.front().Comment, "Font of axis scaling numbers");
  EXPECT_EQ(A.Font()->Name(), "Courier");
  A.SetUndoStack(nullptr);
}

TEST_F(Axis, ValuesThatAreNotFiniteAreRefused)
{
  TGvAxis A;
  A.SetStart(std::nan(""));
  A.SetStop(INFINITY);
  A.SetLabelPart(std::nan(""));
  A.SetAxisThicknes(INFINITY);
  EXPECT_EQ(A.Start(), 0);
  EXPECT_EQ(A.Stop(), 10);
  EXPECT_TRUE(std::isfinite(A.LabelPart()));
  EXPECT_EQ(A.AxisThicknes(), 1);
  A.SetRubricsAngle(-90);
  EXPECT_EQ(A.RubricsAngle(), 270);
}

// ---- Related series and the auto-range ----

TEST_F(Axis, RangesFromItsSeriesAndForgetsDestroyedOnes)
{
  auto A = Make(TGvAxisPosition::Bottom, 400, 50);
  auto S1 = std::make_unique<TSeriesObject>(2, 38, 0, 1);
  auto S2 = std::make_unique<TSeriesObject>(-17, 5, 0, 1);
  A->AddRelatedSeries(S1.get(), S1.get());
  A->AddRelatedSeries(S2.get(), S2.get());
  A->AddRelatedSeries(S2.get(), S2.get()); // once only
  EXPECT_EQ(A->RelatedSeriesCount(), 2);
  A->RangeModified();
  A->Calculate();
  EXPECT_LE(A->Start(), -17);
  EXPECT_GE(A->Stop(), 38);
  EXPECT_DOUBLE_EQ(A->ValuesStart(), -17);

  // The series goes away: the axis ranges over the other one.
  S2.reset();
  EXPECT_EQ(A->RelatedSeriesCount(), 1);
  A->Calculate();
  EXPECT_DOUBLE_EQ(A->ValuesStart(), 2);
  EXPECT_GE(A->Start(), 0);

  A->RemoveRelatedSeries(S1.get());
  EXPECT_EQ(A->RelatedSeriesCount(), 0);
}

TEST_F(Axis, RangeStatusTellsWhatALogAxisLeavesOut)
{
  auto A = Make(TGvAxisPosition::Left, 50, 300);
  A->SetScaling(TGvAxisScaling::Log);
  TSeriesObject S(0, 1, -4, 500);
  S.LeastPositiveY = 0.2;
  A->AddRelatedSeries(&S, &S);
  A->RangeModified();
  A->Calculate();
  EXPECT_DOUBLE_EQ(A->Start(), 0.1);
  EXPECT_DOUBLE_EQ(A->Stop(), 1000);
  EXPECT_EQ(A->RangeStatus(), "Values at or below 0 cannot be shown on a logarithmic axis");
  A->RemoveRelatedSeries(&S);
}

TEST_F(Axis, TheGraphItStandsOn)
{
  TFakeGraph G;
  auto A = Make(TGvAxisPosition::Bottom, 400, 50);
  A->SetGraph(&G);
  const int Before = G.Modifications;
  A->SetCaption("x");
  EXPECT_GT(G.Modifications, Before);

  // While the graph loads, data changes do not re-range.
  TSeriesObject S(100, 200, 0, 1);
  A->AddRelatedSeries(&S, &S);
  G.Loading = true;
  A->RangeModified();
  A->Calculate();
  EXPECT_EQ(A->Stop(), 10);
  G.Loading = false;
  A->RangeModified();
  A->Calculate();
  EXPECT_GE(A->Stop(), 200);

  // Clipped only when the graph has series and the data reach beyond.
  A->SetStartStop(120, 150);
  A->Calculate();
  EXPECT_TRUE(A->IsClipped());
  G.HasSeries = false;
  EXPECT_FALSE(A->IsClipped());

  // While panning the ends are not rounded.
  G.Panning = true;
  A->SetStartStop(120.3, 150.7);
  A->Calculate();
  EXPECT_DOUBLE_EQ(A->Start(), 120.3);
  A->RemoveRelatedSeries(&S);
}

// ---- Zoom ----

TEST_F(Axis, ZoomHistoryOnVectors)
{
  auto A = Make(TGvAxisPosition::Bottom, 400, 50);
  A->SetStartStop(0, 100);
  A->ZoomBack(); // nothing to go back to
  A->RedoZoom();
  EXPECT_EQ(A->Start(), 0);
  EXPECT_EQ(A->Stop(), 100);
  EXPECT_FALSE(A->CanZoomBack());

  A->ZoomIn(50, 10); // ordered
  A->ZoomIn(20, 30);
  EXPECT_EQ(A->ZoomBufferSize(), 3);
  EXPECT_EQ(A->CurrentZoomStage(), 2);
  EXPECT_EQ(A->ZoomStarts()->Count(), 3);
  EXPECT_EQ(A->ZoomStops()->Value(1), 50);
  A->ZoomBack();
  A->ZoomBack();
  EXPECT_EQ(A->Start(), 0);
  EXPECT_EQ(A->Stop(), 100);
  A->ZoomBack(); // wraps to the last stage
  EXPECT_EQ(A->Start(), 20);
  A->ZoomToStage(1);
  EXPECT_EQ(A->Start(), 10);
  A->ZoomToStage(7); // no such stage
  EXPECT_EQ(A->Start(), 10);

  // The scroll range is stage 0.
  EXPECT_EQ(A->GetScrollStart(), 0);
  EXPECT_EQ(A->GetScrollStop(), 100);
  EXPECT_EQ(A->ScrollRangeSize(10, 50), 4000);
  EXPECT_EQ(A->ScrollPosition(10), 1000);

  A->ZoomClearBuffer();
  EXPECT_EQ(A->ZoomBufferSize(), 0);
  EXPECT_EQ(A->GetScrollStart(), 10);
}

TEST_F(Axis, DataChangesEndTheZoom)
{
  auto A = Make(TGvAxisPosition::Bottom, 400, 50);
  TSeriesObject S(0, 80, 0, 1);
  A->AddRelatedSeries(&S, &S);
  A->SetStartEnd(TGvAxisEnd::Fixed);
  A->SetStartStop(-10, 100);
  A->ZoomIn(20, 30);
  A->RangeModified();
  EXPECT_EQ(A->ZoomBufferSize(), 0);
  // The fixed start goes back to the range before the zoom.
  EXPECT_EQ(A->Start(), -10);
  A->Calculate();
  EXPECT_EQ(A->Start(), -10);
  EXPECT_EQ(A->Stop(), 80);
  A->RemoveRelatedSeries(&S);
}

// ---- Slave axes ----

TEST_F(Axis, SlavesFollowTheirMasters)
{
  auto Master = Make(TGvAxisPosition::Bottom, 600, 50);
  auto Slave = Make(TGvAxisPosition::Top, 600, 50);
  Master->SetStartStop(0, 100);
  Slave->SetIsSlaveAxis(true);
  Slave->SetMasterAxis(Master.get());
  Slave->SetSlaveOffset(32);
  Slave->SetSlaveSlope(1.8);
  Slave->SetMasterAxis(Slave.get()); // not its own master
  EXPECT_EQ(Slave->MasterAxis(), Master.get());
  // The slave comes first in the pass; its master is rounded first anyway.
  TGvAxis::CalculateAxes({Slave.get(), Master.get()});
  EXPECT_DOUBLE_EQ(Slave->Start(), 32);
  EXPECT_DOUBLE_EQ(Slave->Stop(), 212);
  EXPECT_GT(Slave->LabelCount(), 2);

  // Two axes that are each other's master do not wait for each other.
  Master->SetIsSlaveAxis(true);
  Master->SetMasterAxis(Slave.get());
  TGvAxis::CalculateAxes({Slave.get(), Master.get()});

  Master.reset();
  EXPECT_EQ(Slave->MasterAxis(), nullptr);
  Slave->Calculate();
  EXPECT_GT(Slave->LabelCount(), 0);
}

// ---- Layout standing alone ----

TEST_F(Axis, ResizingGoesBackToTheRangeLastSet)
{
  auto A = Make(TGvAxisPosition::Bottom, 400, 50);
  A->SetStartStop(0.3, 9.7);
  A->Calculate();
  EXPECT_EQ(A->Start(), 0);
  A->SetBounds(0, 0, 200, 50);
  EXPECT_DOUBLE_EQ(A->Start(), 0.3);
  EXPECT_TRUE(A->NeedsRecalculation());
  A->SetStartEnd(TGvAxisEnd::Fixed);
  A->Calculate();
  A->SetBounds(0, 0, 300, 50);
  EXPECT_DOUBLE_EQ(A->Start(), 0); // a fixed end keeps what it has
}

TEST_F(Axis, TheLineStandsOnTheSideOfTheData)
{
  struct TCase
  {
    TGvAxisPosition Position;
    bool ToData;
    double AxLeft, AxTop;
  };
  // A control of 300 x 300; along the axis the start is the room the end
  // label needs, so only the position across is compared.
  const TCase Cases[] = {
      {TGvAxisPosition::Bottom, false, -1, 1}, {TGvAxisPosition::Bottom, true, -1, 10},
      {TGvAxisPosition::Top, false, -1, 299},  {TGvAxisPosition::Top, true, -1, 290},
      {TGvAxisPosition::Left, false, 299, -1}, {TGvAxisPosition::Left, true, 290, -1},
      {TGvAxisPosition::Right, false, 1, -1},  {TGvAxisPosition::Right, true, 10, -1},
  };
  for (const TCase& C : Cases) {
    auto A = Make(C.Position, 300, 300);
    A->SetTicksPointToData(C.ToData);
    A->Calculate();
    if (C.AxLeft >= 0) {
      EXPECT_EQ(A->AxLeft(), C.AxLeft) << int(C.Position) << C.ToData;
    }
    if (C.AxTop >= 0) {
      EXPECT_EQ(A->AxTop(), C.AxTop) << int(C.Position) << C.ToData;
    }
    // The end labels lie within the control.
    for (int I = 0; I < A->LabelCount(); ++I) {
      const QRectF B = A->Label(I)->RotatedBounds();
      EXPECT_GE(B.left(), -0.5) << int(C.Position);
      EXPECT_LE(B.right(), 300.5) << int(C.Position);
      EXPECT_GE(B.top(), -0.5) << int(C.Position);
      EXPECT_LE(B.bottom(), 300.5) << int(C.Position);
    }
  }
}

// Labels, the extra exponent and the caption never overlap, with the real
// fonts, for ranges from 1e-12 to 1e12 on both kinds of axes.
TEST_F(Axis, LabelsDoNotOverlap)
{
  const double Ranges[][2] = {{0, 10},   {0, 1e-12},       {-3e-3, 2e-3}, {0, 1e4},
                              {0, 1e12}, {1e12, 1e12 + 3}, {-5e11, 1e12}, {0.999, 1.001}};
  const TGvAxisScaling Scalings[] = {TGvAxisScaling::Normal, TGvAxisScaling::Log,
                                     TGvAxisScaling::LogEE, TGvAxisScaling::Seconds};
  for (TGvAxisPosition Position : {TGvAxisPosition::Bottom, TGvAxisPosition::Left}) {
    for (TGvAxisScaling Scaling : Scalings) {
      for (const auto& R : Ranges) {
        for (int Length : {150, 600}) {
          const bool H = Position == TGvAxisPosition::Bottom;
          auto A = Make(Position, H ? Length : 90, H ? 70 : Length);
          A->SetScaling(Scaling);
          A->SetCaption("caption");
          A->SetStartStop(R[0], R[1]);
          A->Calculate();
          std::vector<QRectF> Boxes;
          for (int I = 0; I < A->LabelCount(); ++I) Boxes.push_back(A->Label(I)->RotatedBounds());
          if (A->ShowsExtraExponent()) Boxes.push_back(A->ExtraExponentObject().RotatedBounds());
          Boxes.push_back(A->CaptionObject().RotatedBounds());
          for (size_t I = 0; I < Boxes.size(); ++I)
            for (size_t J = I + 1; J < Boxes.size(); ++J)
              EXPECT_FALSE(Boxes[I].intersects(Boxes[J]))
                  << int(Position) << " " << int(Scaling) << " " << R[0] << ".." << R[1] << " L "
                  << Length << ": " << I << " " << J;
        }
      }
    }
  }
}

TEST_F(Axis, CaptionPlacement)
{
  using A = TGvContentAlignment;
  using P = TGvAxisPosition;
  struct TCase
  {
    P Position;
    TGvAlignment Alignment;
    bool Level;
    A Anchor;
    int Along; // 0: low end, 1: high end, 2: middle (in pixels of the control)
  };
  const TCase Cases[] = {
      {P::Bottom, TGvAlignment::LeftJustify, false, A::TopLeft, 0},
      {P::Bottom, TGvAlignment::Center, false, A::TopCenter, 2},
      {P::Top, TGvAlignment::RightJustify, false, A::BottomRight, 1},
      {P::Left, TGvAlignment::LeftJustify, false, A::BottomLeft, 1},
      {P::Left, TGvAlignment::Center, true, A::MiddleRight, 2},
      {P::Left, TGvAlignment::RightJustify, true, A::TopRight, 0},
      {P::Right, TGvAlignment::Center, false, A::TopCenter, 2},
      {P::Right, TGvAlignment::LeftJustify, true, A::BottomLeft, 1},
  };
  for (const TCase& C : Cases) {
    auto Ax = Make(C.Position, 300, 300);
    Ax->SetCaption("Flow / (g/min)");
    Ax->SetCaptionAlignment(C.Alignment);
    Ax->SetCaptionHorizontalOnVerticalAxis(C.Level);
    Ax->Calculate();
    const TGvRichCaptionObject& Cap = Ax->CaptionObject();
    EXPECT_EQ(Cap.Alignment(), C.Anchor) << int(C.Position) << int(C.Alignment);
    const bool H = C.Position == P::Bottom || C.Position == P::Top;
    EXPECT_EQ(Cap.Angle(), H || C.Level ? 0 : 90);
    const double Low = H ? Ax->AxLeft() : Ax->AxTop();
    const double Want = C.Along == 0   ? Low
                        : C.Along == 1 ? Low + Ax->AxLength()
                                       : Low + Ax->AxLength() / 2;
    EXPECT_DOUBLE_EQ(H ? Cap.X() : Cap.Y(), Want) << int(C.Position) << int(C.Alignment);
    // Across: beyond the labels by DistanceNumbersCaption.
    const double Across = H ? Cap.Y() : Cap.X();
    const double Line = H ? Ax->AxTop() : Ax->AxLeft();
    const double Out = Ax->MajorTickLength() + Ax->DistanceNumbersCaption() +
                       (H ? Ax->LargestLabelHeight() : Ax->LargestLabelWidth());
    const bool Outwards = C.Position == P::Bottom || C.Position == P::Right;
    EXPECT_NEAR(Across, Line + (Outwards ? Out : -Out), 1e-9) << int(C.Position);
  }
}

TEST_F(Axis, LabelEventChangesTheTexts)
{
  auto A = Make(TGvAxisPosition::Bottom, 150, 50);
  A->OnGetScaleLabel = [](TGvAxis*, TGvScaleLabelEventArgs& Args) {
    Args.Caption = QStringLiteral("%1 s").arg(Args.Value);
  };
  int Ticks = 0, Done = 0;
  A->OnGetTicks = [&Ticks](TGvAxis*) { ++Ticks; };
  A->OnCalculated = [&Done](TGvAxis*) { ++Done; };
  A->Calculate();
  EXPECT_EQ(Texts(*A).join(u','), "0 s,10 s");
  EXPECT_GE(Ticks, 1);
  EXPECT_EQ(Done, 1);
}

// ---- Rubrics from a database ----

TEST_F(Axis, RubricsFromADatabaseField)
{
  const QString Connection = QStringLiteral("AxisRubricsTest");
  QTemporaryDir Dir;
  {
    QSqlDatabase Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
    Db.setDatabaseName(Dir.filePath("gases.sqlite"));
    ASSERT_TRUE(Db.open()) << Db.lastError().text().toStdString();
    QSqlQuery Q(Db);
    ASSERT_TRUE(Q.exec("create table gases (id integer primary key, name text)"));
    ASSERT_TRUE(Q.exec("insert into gases (name) values ('Ar'), (null), ('H2')"));
  }
  {
    TGvDataSource Source;
    Source.SetConnectionName(Connection);
    Source.SetSQL("select name from gases order by id");
    Source.Open();
    auto A = Make(TGvAxisPosition::Bottom, 300, 50);
    A->SetScaling(TGvAxisScaling::Rubrics);
    A->SetStartStop(0, 3);
    A->SetDataSource(&Source);
    A->SetRubricsField("name");
    EXPECT_TRUE(A->IsRubricsBound());
    EXPECT_THROW(A->SetRubrics({"x"}), EGvError);
    A->Calculate();
    EXPECT_EQ(A->Rubrics(), (QStringList{"Ar", "", "H2"}));
    EXPECT_EQ(Texts(*A).join(u','), "Ar,,H2");

    // A new record reloads at the next layout.
    QSqlQuery(QSqlDatabase::database(Connection)).exec("insert into gases (name) values ('N2')");
    Source.Refresh();
    A->Calculate();
    EXPECT_EQ(A->Rubrics().size(), 4);

    // A field that is not there unbinds the axis; rubrics may be set again.
    A->SetRubricsField("nothing");
    A->Calculate();
    EXPECT_FALSE(A->IsRubricsBound());
    A->SetRubrics({"x", "y"});
    EXPECT_EQ(A->Rubrics().size(), 2);
  }
  QSqlDatabase::removeDatabase(Connection);
}

// ---- Painting ----

TEST_F(Axis, PaintsLineTicksAndLabels)
{
  auto A = Make(TGvAxisPosition::Bottom, 300, 60);
  A->SetStartStop(0, 10);
  A->SetForeColor(0xFFFF0000);
  A->SetMajorTickColor(0xFF00FF00);
  A->SetTickColor(0xFF0000FF);
  A->SetBounds(20, 10, 300, 60);
  A->Calculate();
  QImage Image = GvTestImage(360, 100);
  {
    QPainter P(&Image);
    A->PaintAt(P);
  }
  // The line at AxTop, in the fore colour, inside the line's length.
  const int LineY = 10 + int(A->AxTop());
  const int Mid = 20 + int(std::lround(A->AxLeft() + A->AxLength() / 2 + 7));
  EXPECT_EQ(Image.pixel(Mid, LineY), 0xFFFF0000u);
  // A major tick below the line at the first tick, a minor one at the second.
  const auto& T = A->Ticks();
  ASSERT_GE(T.size(), 3u);
  ASSERT_TRUE(T[0].Major);
  ASSERT_FALSE(T[1].Major);
  EXPECT_EQ(Image.pixel(20 + int(std::lround(T[0].Pixel)), LineY + 5), 0xFF00FF00u);
  EXPECT_EQ(Image.pixel(20 + int(std::lround(T[1].Pixel)), LineY + 3), 0xFF0000FFu);
  EXPECT_EQ(Image.pixel(20 + int(std::lround(T[1].Pixel)), LineY + 8), 0xFFFFFFFFu);
  // Some label pixels are painted where the first label stands.
  const QRect Box = A->Label(0)->RotatedBounds().toAlignedRect().translated(20, 10);
  int Ink = 0;
  for (int Y = Box.top(); Y <= Box.bottom(); ++Y)
    for (int X = Box.left(); X <= Box.right(); ++X) Ink += Image.pixel(X, Y) != 0xFFFFFFFFu;
  EXPECT_GT(Ink, 3);
  // Nothing above the control.
  for (int X = 0; X < 360; ++X) EXPECT_EQ(Image.pixel(X, 5), 0xFFFFFFFFu);
}

TEST_F(Axis, ArrowAtTheEndWhereValuesGrow)
{
  for (bool Twisted : {false, true}) {
    auto A = Make(TGvAxisPosition::Bottom, 300, 60);
    A->SetTwisted(Twisted);
    A->ArrowPoint()->SetVisible(true);
    A->Calculate();
    // Room for the arrow at its end only.
    const double Right = 300 - (A->AxLeft() + A->AxLength());
    EXPECT_GE(Twisted ? A->AxLeft() : Right, 21) << Twisted;
    QImage Image = GvTestImage(300, 60);
    {
      QPainter P(&Image);
      A->PaintGr(P);
    }
    const int Y = int(A->AxTop());
    const double End = Twisted ? A->AxLeft() - 15 : A->AxLeft() + A->AxLength() + 15;
    EXPECT_NE(Image.pixel(int(End), Y), 0xFFFFFFFFu) << Twisted;
  }
}

TEST_F(Axis, PaintingDuringItsLayoutDoesNothing)
{
  auto A = Make(TGvAxisPosition::Bottom, 300, 60);
  QImage Image = GvTestImage(300, 60);
  A->OnGetTicks = [&Image](TGvAxis* Self) {
    QPainter P(&Image);
    Self->PaintGr(P);
  };
  A->Calculate();
  EXPECT_EQ(Image.pixel(150, int(A->AxTop())), 0xFFFFFFFFu);
}

TEST_F(Axis, RegisteredAsAChartClass)
{
  QObject Owner;
  TGvAxis* A = TGvClassRegistry<TGvAxis>::Instance().Create("TGvAxis", &Owner);
  ASSERT_NE(A, nullptr);
  EXPECT_EQ(A->parent(), &Owner);
}

} // namespace
