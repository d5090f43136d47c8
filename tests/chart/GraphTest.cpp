// The graph control: primary axes, layout numbers, polling, the cached
// picture, zoom history, rubber band, panning, coupled graphs, images,
// printing and the clipboard.
#include "GraphTestSupport.h"

#include "chart/GvRichLabel.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImageReader>
#include <QMimeData>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(Graph, TheFirstPaintMakesThePrimaryAxesAndStartsPolling)
{
  QWidget Form;
  Form.setObjectName("FirstPaintForm");
  auto* G = new TGvGraph2D(&Form);
  EXPECT_EQ(G->size(), QSize(600, 400));
  EXPECT_EQ(G->PrimaryXAxis(), nullptr);
  QImage I(G->size(), QImage::Format_ARGB32_Premultiplied);
  G->PaintToImage(I);
  ASSERT_NE(G->PrimaryXAxis(), nullptr);
  ASSERT_NE(G->PrimaryYAxis(), nullptr);
  EXPECT_EQ(G->PrimaryXAxis()->Name(), "XAxis1");
  EXPECT_EQ(G->PrimaryYAxis()->Name(), "YAxis1");
  EXPECT_EQ(G->PrimaryXAxis()->Caption(), "X-Axis");
  EXPECT_EQ(G->PrimaryYAxis()->Caption(), "Y-Axis");
  EXPECT_TRUE(G->PrimaryXAxis()->IsHorizontal());
  EXPECT_FALSE(G->PrimaryYAxis()->IsHorizontal());
  EXPECT_TRUE(G->PollTimer().isActive());
  EXPECT_EQ(G->PollTimer().interval(), 50);
}

TEST(Graph, LayoutLeavesTheDistancesAndTheAxes)
{
  TGvGraphFixture F;
  F.Graph->SetDistanceBorderAxisLeft(7);
  F.Graph->SetDistanceBorderAxisTop(9.5f);
  F.Graph->SetDistanceBorderAxisRight(11);
  F.Paint();
  const QRectF A = F.Graph->DrawingArea();
  // The Y axis stands between the left distance and the area, the X axis
  // below it; the area reaches to the right distance (and the room the end
  // label of the X axis needs there).
  const QRect YB = F.Y()->BoundsRect();
  EXPECT_EQ(YB.left(), 7);
  EXPECT_GE(A.left(), YB.left() + YB.width());
  EXPECT_GE(A.top(), 10);
  EXPECT_LE(A.left() + A.width(), 600 - 11 + 1);
  const QRect XB = F.X()->BoundsRect();
  EXPECT_EQ(XB.top() + XB.height(), 400);
  EXPECT_LE(A.top() + A.height(), XB.top() + F.X()->AxTop() + 1);
  // Pixels along the axes run over the drawing area.
  EXPECT_NEAR(F.X()->AxLeft(), A.left(), 0.5);
  EXPECT_NEAR(F.X()->AxLength(), A.width() - 1, 0.5);
  EXPECT_NEAR(F.Y()->AxTop(), A.top(), 0.5);
}

TEST(Graph, LayingOutAgainGivesTheSameLayout)
{
  TGvGraphFixture F(1000, 600);
  GvFixAxis(F.X(), 0, 1.2e7);
  GvFixAxis(F.Y(), -10000, 10000);
  F.Series(F.Vector({0, 1e7}), F.Vector({-5000, 5000}));
  F.Paint();
  const QRectF A = F.Graph->DrawingArea();
  const double XL = F.X()->AxLeft(), XLen = F.X()->AxLength(), YT = F.Y()->AxTop();
  for (int I = 0; I < 3; ++I) {
    F.Graph->Modified();
    F.Paint();
    EXPECT_EQ(F.Graph->DrawingArea(), A);
    EXPECT_EQ(F.X()->AxLeft(), XL);
    EXPECT_EQ(F.X()->AxLength(), XLen);
    EXPECT_EQ(F.Y()->AxTop(), YT);
  }
}

// The auto-ranged ends stay close around the data whatever lengths the axes
// had before: the first ranging happens while the Y axis is still at its
// initial 50 pixels (a step of 5000 for -1000 .. 4800), and the lengths the
// layout gives it round the data again, not that rounded range.
TEST(Graph, AutoRangedEndsFitTheDataAtEveryLength)
{
  TGvGraphFixture F(800, 300);
  F.Series(F.Vector({-1000, 4800}), F.Vector({-1000, 4800}));
  for (QSize Size : {QSize(800, 300), QSize(800, 150), QSize(400, 600), QSize(800, 300)}) {
    SCOPED_TRACE(Size.height());
    F.Graph->resize(Size);
    F.Paint();
    for (TGvAxis* A : {F.X(), F.Y()}) {
      EXPECT_DOUBLE_EQ(A->Start(), -1000);
      EXPECT_DOUBLE_EQ(A->Stop(), 5000);
    }
  }
}

// An axis whose labels carry an extra exponent is thick enough for its
// caption, which stands beyond the exponent.
TEST(Graph, TheAxisCaptionStaysInsideBesideAnExtraExponent)
{
  TGvGraphFixture F(600, 400);
  F.Series(F.Vector({0, 12000}), F.Vector({0, 12000}));
  F.X()->SetCaption("Flow");
  F.Y()->SetCaption("ppm");
  F.Paint();
  for (TGvAxis* A : {F.X(), F.Y()}) {
    SCOPED_TRACE(A->Caption().toStdString());
    ASSERT_TRUE(A->ShowsExtraExponent());
    const QRectF C = A->CaptionObject().RotatedBounds();
    const QRectF E = A->ExtraExponentObject().RotatedBounds();
    const QRectF Inside(0, 0, A->Width(), A->Height());
    EXPECT_TRUE(Inside.contains(C)) << C.left() << " " << C.top() << " " << C.bottom();
    EXPECT_FALSE(C.intersects(E));
  }
}

TEST(Graph, ATooSmallGraphHasAnEmptyDrawingArea)
{
  TGvGraphFixture F(30, 20);
  auto* S = F.Series(F.Vector({0, 1, 2}), F.Vector({0, 1, 2}));
  F.Paint();
  EXPECT_GE(F.Graph->DrawingArea().width(), 0);
  EXPECT_GE(F.Graph->DrawingArea().height(), 0);
  EXPECT_EQ(S->Graph(), F.Graph);
}

// The labels of an axis in graph coordinates, with their texts.
std::vector<std::pair<QString, QRectF>> LabelBoxes(const TGvAxis* A)
{
  std::vector<std::pair<QString, QRectF>> R;
  for (int I = 0; I < A->LabelCount(); ++I)
    R.emplace_back(A->Label(I)->PlainText(),
                   A->Label(I)->RotatedBounds().translated(A->Left(), A->Top()));
  return R;
}

bool HasLabel(const TGvAxis* A, const QString& Text)
{
  for (const auto& [T, Box] : LabelBoxes(A))
    if (T == Text) return true;
  return false;
}

// With ZeroOrigin the axes cross at the 0 of each other: each line stands at
// the other's pixel of 0, without its label and tick at 0, and no label of
// one axis runs into one of the other. An axis whose other range holds no 0
// stays at the border, and the label at its corner goes instead.
TEST(Graph, ZeroOriginCrossesTheAxesAtZero)
{
  struct TCase
  {
    const char* Name;
    double X0, X1, Y0, Y1;
    bool XAtZero, YAtZero; // the X (Y) axis line stands at the 0 of the other
  };
  const TCase Cases[] = {
      {"both ranges hold 0", -4, 6, -3, 7, true, true},
      {"only X holds 0", -4, 6, 1, 9, false, true},
      {"only Y holds 0", 1, 9, -3, 7, true, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TGvGraphFixture F(400, 400);
    GvFixAxis(F.X(), C.X0, C.X1);
    GvFixAxis(F.Y(), C.Y0, C.Y1);
    F.Series(F.Vector({C.X0, C.X1}), F.Vector({C.Y0, C.Y1}));
    F.Graph->SetZeroOrigin(true);
    F.Paint();
    const QRectF A = F.Graph->DrawingArea();
    const double YLine = F.Y()->Left() + F.Y()->AxLeft();
    const double XLine = F.X()->Top() + F.X()->AxTop();
    if (C.YAtZero) {
      EXPECT_NEAR(YLine, F.X()->Left() + F.X()->NumberToWorld(0), 0.5);
      EXPECT_GT(YLine, A.left() + 20);
    } else {
      EXPECT_LT(YLine, A.left() + 1);
    }
    if (C.XAtZero) {
      EXPECT_NEAR(XLine, F.Y()->Top() + F.Y()->NumberToWorld(0), 0.5);
      EXPECT_LT(XLine, A.bottom() - 20);
    } else {
      EXPECT_GT(XLine, A.bottom() - 1);
    }
    // An axis that stands at the 0 of the other has no label or tick at its
    // own 0; an axis that stays at the border leaves its corner label out.
    for (auto [Axis, Crossed] : {std::pair{F.X(), C.XAtZero}, std::pair{F.Y(), C.YAtZero}}) {
      if (!Crossed || Axis->Start() >= 0) continue;
      EXPECT_FALSE(HasLabel(Axis, "0"));
      for (const TGvAxisTick& T : Axis->Ticks()) EXPECT_GT(std::fabs(T.Value), 1e-9);
    }
    if (!C.YAtZero) { EXPECT_FALSE(HasLabel(F.X(), "1")); }
    if (!C.XAtZero) { EXPECT_FALSE(HasLabel(F.Y(), "1")); }
    for (const auto& [XT, XB] : LabelBoxes(F.X()))
      for (const auto& [YT, YB] : LabelBoxes(F.Y()))
        EXPECT_FALSE(XB.intersects(YB)) << XT.toStdString() << " and " << YT.toStdString();
  }
  // Without it the axes stay at the border.
  TGvGraphFixture F(400, 400);
  GvFixAxis(F.X(), -4, 6);
  GvFixAxis(F.Y(), -3, 7);
  F.Paint();
  EXPECT_LT(F.Y()->Left() + F.Y()->AxLeft(), F.Graph->DrawingArea().left() + 1);
  EXPECT_TRUE(HasLabel(F.X(), "0"));
}

// The graph publishes its name and caption to caption fields, as series do,
// and takes them away when it goes; a caption that shows them follows.
TEST(Graph, PublishesItsNameAndCaption)
{
  TGvGraphFixture F;
  F.Graph->SetCaption("Pressure");
  EXPECT_EQ(ParseVariables("<%GraphFixtureForm.Graph1.Caption%>", nullptr), "Pressure");
  EXPECT_EQ(ParseVariables("<%GraphFixtureForm.Graph1.Name%> here", nullptr), "Graph1 here");
  auto* Other = new TGvGraph2D(F.Form.get());
  Other->setObjectName("Graph2");
  Other->SetCaption("Graph of <%GraphFixtureForm.Graph1.Caption%>");
  Other->SetCaptionVisible(true);
  Other->AsImage();
  EXPECT_EQ(Other->TitleObject().PlainText(), "Graph of Pressure");
  F.Graph->SetCaption("Flow");
  Other->AsImage();
  EXPECT_EQ(Other->TitleObject().PlainText(), "Graph of Flow");
  delete F.Graph;
  EXPECT_THROW(ParseVariables("<%GraphFixtureForm.Graph1.Caption%>", nullptr), EGvError);
}

// A legend that only reports its size and remembers where it was placed.
class TFakeLegend : public QObject, public IGvGraphLegend
{
public:
  TGvLegendPosition Position = TGvLegendPosition::RightCenterOfAxis;
  QSizeF Size{90, 40};
  QPointF Placed{-1, -1};
  int Refreshes = 0;
  bool LegendVisible() const override { return true; }
  TGvLegendPosition LegendPosition() const override { return Position; }
  QSizeF LegendSize() override { return Size; }
  void PlaceLegend(QPointF TopLeft) override { Placed = TopLeft; }
  void PaintLegend(QPainter&) override {}
  void LegendRefresh() override { ++Refreshes; }
};

TEST(Graph, DockedLegendsGetTheirSide)
{
  TGvGraphFixture F;
  F.Paint();
  const double Right = F.Graph->DrawingArea().left() + F.Graph->DrawingArea().width();
  TFakeLegend L;
  F.Graph->RegisterLegend(&L, &L);
  F.Paint();
  const QRectF A = F.Graph->DrawingArea();
  EXPECT_LE(A.left() + A.width(), Right - 90 + 1);
  EXPECT_EQ(L.Placed.x(), 600 - 90);
  EXPECT_NEAR(L.Placed.y(), A.top() + A.height() / 2 - 20, 0.5);
  // Legend refreshes wait for the next poll or paint.
  const int Before = L.Refreshes;
  F.Graph->LegendsModified();
  EXPECT_EQ(L.Refreshes, Before);
  F.Graph->PollTick();
  EXPECT_EQ(L.Refreshes, Before + 1);
  L.Position = TGvLegendPosition::FreeFloating;
  F.Graph->Modified();
  F.Paint();
  EXPECT_NEAR(F.Graph->DrawingArea().left() + F.Graph->DrawingArea().width(), Right, 0.5);
  F.Graph->UnregisterLegend(&L);
}

// The graph's published settings: its font (which labels that take their
// parent's font follow), the single border (4 pixels more at the bottom),
// the scroll increments.
TEST(Graph, PublishedSettings)
{
  TGvGraphFixture F;
  const QMetaObject* M = F.Graph->metaObject();
  for (const char* Name : {"Font", "BorderStyle"})
    EXPECT_GE(M->indexOfProperty(Name), 0) << Name;
  for (const char* Name : {"ScrollSmallIncrement", "ScrollLargeIncrement"})
    EXPECT_GE(F.Graph->Zoom()->metaObject()->indexOfProperty(Name), 0) << Name;

  auto* Label = new TGvRichLabel(F.Graph);
  Label->SetCaption("note");
  Label->SetParentFont(true);
  TGvFont Big;
  Big.Assign(*F.Graph->Font());
  Big.SetSize(21);
  F.Graph->setProperty("Font", QVariant::fromValue(&Big));
  EXPECT_EQ(F.Graph->Font()->Size(), 21);
  EXPECT_EQ(Label->Font()->Size(), 21);

  F.Paint();
  const QRectF Plain = F.Graph->DrawingArea();
  F.Graph->setProperty("BorderStyle", QVariant::fromValue(TGvBorderStyle::Single));
  EXPECT_EQ(F.Graph->BorderStyle(), TGvBorderStyle::Single);
  const QImage I = F.Paint();
  const QRectF Framed = F.Graph->DrawingArea();
  EXPECT_EQ(Framed.top(), Plain.top());
  EXPECT_EQ(Framed.top() + Framed.height(), Plain.top() + Plain.height() - 4);
  EXPECT_EQ(I.pixelColor(300, 0), QColor(0x80, 0x80, 0x80));

  TGvZoomSettings* Z = F.Graph->Zoom();
  EXPECT_EQ(Z->property("ScrollSmallIncrement").value<TGvScrollIncrement>(),
            TGvScrollIncrement::MinorTick);
  Z->setProperty("ScrollSmallIncrement", QVariant::fromValue(TGvScrollIncrement::Pixel));
  Z->setProperty("ScrollLargeIncrement", QVariant::fromValue(TGvScrollIncrement::MajorTick));
  EXPECT_EQ(Z->ScrollSmallIncrement(), TGvScrollIncrement::Pixel);
  EXPECT_EQ(Z->ScrollLargeIncrement(), TGvScrollIncrement::MajorTick);
}

// A series' Invalidate reaches every graph that shows it: its own and the
// graphs coupled to it.
TEST(CoupledGraphs, ASeriesRepaintsTheGraphsCoupledToIt)
{
  QWidget Form;
  Form.setObjectName("InvalidateForm");
  Form.resize(400, 400);
  auto* Child = new TGvGraph2D(&Form);
  Child->setGeometry(0, 0, 400, 200);
  auto* Master = new TGvGraph2D(&Form);
  Master->setGeometry(0, 200, 400, 200);
  Master->TestPrimaryAxis();
  Child->SetPrimaryXAxis(Master->PrimaryXAxis());
  Child->TestPrimaryAxis();
  auto* X = new TGvDoubleVector(&Form);
  X->AddRange({0, 1, 2});
  std::vector<TGvLineSeries*> S;
  for (TGvGraph2D* G : {Master, Child}) {
    S.push_back(new TGvLineSeries(&Form));
    S.back()->SetXAxis(Master->PrimaryXAxis());
    S.back()->SetYAxis(G->PrimaryYAxis());
    S.back()->SetXData(X);
    S.back()->SetYData(X);
  }
  Form.show();
  QApplication::processEvents();
  for (TGvLineSeries* One : S) {
    Master->repaint();
    Child->repaint();
    const int M = Master->RenderCount(), C = Child->RenderCount();
    One->Invalidate();
    Master->repaint();
    Child->repaint();
    EXPECT_GT(Master->RenderCount(), M);
    EXPECT_GT(Child->RenderCount(), C);
  }
}

TEST(Graph, ThePollShowsAppendedValuesWithoutAnyCall)
{
  TGvGraphFixture F;
  auto* X = F.Vector({0, 1, 2});
  auto* Y = F.Vector({0, 1, 0});
  auto* S = F.Series(X, Y);
  F.Form->show();
  QApplication::processEvents();
  F.Graph->repaint();
  const int Renders = F.Graph->RenderCount();
  EXPECT_GE(Renders, 1);
  // Nothing appended: the poll changes nothing and nothing is rendered.
  F.Graph->PollTick();
  QApplication::processEvents();
  EXPECT_EQ(F.Graph->RenderCount(), Renders);
  X->Add(3);
  Y->Add(5);
  // The 50 ms timer runs in the event loop.
  QTest::qWait(150);
  QApplication::processEvents();
  EXPECT_EQ(S->Count(), 4);
  EXPECT_EQ(S->YStop(), 5);
  EXPECT_GT(F.Graph->RenderCount(), Renders);
  EXPECT_EQ(S->ScreenPoint(S->PointCount() - 1).Index, 3);
}

TEST(Graph, AnExposeDoesNotRenderTheChartAgain)
{
  TGvGraphFixture F;
  F.Series(F.Vector({0, 1, 2}), F.Vector({0, 1, 0}));
  F.Form->show();
  QApplication::processEvents();
  F.Graph->repaint();
  const int Renders = F.Graph->RenderCount();
  F.Graph->repaint(QRect(10, 10, 30, 20)); // a tooltip went away
  F.Graph->repaint();
  EXPECT_EQ(F.Graph->RenderCount(), Renders);
  // The rubber band is drawn over the cached chart.
  QTest::mousePress(F.Graph, Qt::LeftButton, {}, QPoint(200, 100));
  QTest::mouseMove(F.Graph, QPoint(260, 150));
  F.Graph->repaint();
  EXPECT_EQ(F.Graph->RenderCount(), Renders);
  QTest::mouseRelease(F.Graph, Qt::LeftButton, {}, QPoint(202, 102));
  F.Graph->SetDataAreaColor(0xFFEEEEEE);
  F.Graph->repaint();
  EXPECT_GT(F.Graph->RenderCount(), Renders);
}

struct TZoomFixture : TGvGraphFixture
{
  TGvLineSeries* S;
  TZoomFixture()
  {
    GvFixAxis(X(), 0, 100);
    GvFixAxis(Y(), 0, 100);
    S = Series(Vector({0, 30, 60, 100}), Vector({0, 30, 60, 100}));
    Paint();
  }
  // The pixel rectangle of a value rectangle.
  QPointF At(double XV, double YV) const
  {
    return {X()->NumberToWorld(XV), Y()->NumberToWorld(YV)};
  }
};

TEST(GraphZoom, TwoZoomsBackTwiceAndNoFurther)
{
  TZoomFixture F;
  EXPECT_FALSE(F.Graph->CanZoomBack());
  F.Graph->ZoomTo(F.At(10, 90), F.At(60, 40));
  F.Paint();
  EXPECT_NEAR(F.X()->Start(), 10, 0.5);
  EXPECT_NEAR(F.X()->Stop(), 60, 0.5);
  EXPECT_NEAR(F.Y()->Start(), 40, 0.5);
  EXPECT_NEAR(F.Y()->Stop(), 90, 0.5);
  const double S1 = F.X()->Start();
  F.Graph->ZoomTo(F.At(20, 80), F.At(30, 50));
  F.Paint();
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 3);
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 2);
  EXPECT_FALSE(F.Graph->CanRedoZoom());
  F.Graph->ZoomBack();
  EXPECT_DOUBLE_EQ(F.X()->Start(), S1);
  EXPECT_TRUE(F.Graph->CanRedoZoom());
  F.Graph->ZoomBack();
  EXPECT_DOUBLE_EQ(F.X()->Start(), 0);
  EXPECT_DOUBLE_EQ(F.X()->Stop(), 100);
  EXPECT_FALSE(F.Graph->CanZoomBack());
  F.Graph->ZoomBack(); // AsStack: nothing more
  EXPECT_DOUBLE_EQ(F.X()->Start(), 0);
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 0);
  F.Graph->RedoZoom();
  EXPECT_DOUBLE_EQ(F.X()->Start(), S1);
  F.Graph->ZoomToStage(2);
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 2);
  F.Graph->ZoomReset();
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 0);
  // A circular buffer goes round.
  F.Graph->Zoom()->SetBufferType(TGvZoomBufferType::AsCircularBuffer);
  F.Paint();
  F.Graph->ZoomTo(F.At(10, 90), F.At(60, 40));
  F.Graph->ZoomBack();
  EXPECT_TRUE(F.Graph->CanZoomBack());
  F.Graph->ZoomBack();
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 1);
}

TEST(GraphZoom, OptimizedZoomTakesTheBoundsOfThePointsInside)
{
  TZoomFixture F;
  F.Graph->Zoom()->SetOptimizeSeries(true);
  F.Graph->ZoomTo(F.At(20, 70), F.At(70, 20));
  EXPECT_DOUBLE_EQ(F.X()->Start(), 30);
  EXPECT_DOUBLE_EQ(F.X()->Stop(), 60);
  EXPECT_DOUBLE_EQ(F.Y()->Start(), 30);
  // One point alone gives no range: the axes keep theirs.
  F.Graph->ZoomBack();
  F.Paint();
  F.Graph->ZoomTo(F.At(20, 40), F.At(40, 20));
  EXPECT_DOUBLE_EQ(F.X()->Start(), 0);
  EXPECT_DOUBLE_EQ(F.X()->Stop(), 100);
}

TEST(GraphZoom, TheMouseZoomsBacksAndResets)
{
  TZoomFixture F;
  F.Form->show();
  QApplication::processEvents();
  const QRectF A = F.Graph->DrawingArea();
  const QPoint P0 = A.center().toPoint();
  // A band of 3 x 100 pixels does not zoom.
  QTest::mousePress(F.Graph, Qt::LeftButton, {}, P0);
  QTest::mouseMove(F.Graph, P0 + QPoint(3, 100));
  QTest::mouseRelease(F.Graph, Qt::LeftButton, {}, P0 + QPoint(3, 100));
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 0);
  // A real band zooms.
  QTest::mousePress(F.Graph, Qt::LeftButton, {}, P0 - QPoint(50, 40));
  QTest::mouseMove(F.Graph, P0 + QPoint(50, 40));
  QTest::mouseRelease(F.Graph, Qt::LeftButton, {}, P0 + QPoint(50, 40));
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 2);
  QTest::mousePress(F.Graph, Qt::LeftButton, {}, P0 - QPoint(20, 20));
  QTest::mouseRelease(F.Graph, Qt::LeftButton, {}, P0 + QPoint(20, 20));
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 2);
  // A click beside the drawing area zooms back.
  const QPoint Beside(2, 2);
  QTest::mouseClick(F.Graph, Qt::LeftButton, {}, Beside);
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 1);
  // A double click beside it resets.
  QTest::mouseDClick(F.Graph, Qt::LeftButton, {}, Beside);
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 0);
  EXPECT_THROW(F.Graph->Zoom()->SetStartPanning(F.Graph->Zoom()->StartZoom()), EGvError);
}

TEST(GraphPan, PanningNeedsAZoomAndFollowsThePointer)
{
  TZoomFixture F;
  F.Form->show();
  QApplication::processEvents();
  const QPoint P0 = F.Graph->DrawingArea().center().toPoint();
  // Before the first zoom there is nothing to pan within.
  QTest::mousePress(F.Graph, Qt::LeftButton, Qt::ShiftModifier, P0);
  QTest::mouseMove(F.Graph, P0 + QPoint(40, 0));
  QTest::mouseRelease(F.Graph, Qt::LeftButton, Qt::ShiftModifier, P0 + QPoint(40, 0));
  EXPECT_DOUBLE_EQ(F.X()->Start(), 0);
  F.Graph->ZoomTo(F.At(20, 80), F.At(60, 40));
  F.Paint();
  const double S = F.X()->Start(), E = F.X()->Stop(), YS = F.Y()->Start();
  const double PerPixel = (E - S) / F.X()->AxLength();
  // A purely horizontal drag pans.
  QTest::mousePress(F.Graph, Qt::LeftButton, Qt::ShiftModifier, P0);
  QTest::mouseMove(F.Graph, P0 + QPoint(40, 0));
  EXPECT_TRUE(F.Graph->IsPanning());
  QTest::mouseRelease(F.Graph, Qt::LeftButton, Qt::ShiftModifier, P0 + QPoint(40, 0));
  EXPECT_FALSE(F.Graph->IsPanning());
  EXPECT_NEAR(F.X()->Start(), S - 40 * PerPixel, 1e-9);
  EXPECT_NEAR(F.X()->Stop(), E - 40 * PerPixel, 1e-9);
  EXPECT_DOUBLE_EQ(F.Y()->Start(), YS);
  // The pan is a zoom stage of its own.
  EXPECT_EQ(F.Graph->CurrentZoomStage(), 2);
  F.Graph->ZoomBack();
  EXPECT_DOUBLE_EQ(F.X()->Start(), S);
}

TEST(GraphScroll, TheScrollBarsAppearWhenZoomedAndMoveTheAxis)
{
  TZoomFixture F;
  F.Form->show();
  QApplication::processEvents();
  EXPECT_FALSE(F.Graph->HorizontalScrollBar()->isVisible());
  F.Graph->ZoomTo(F.At(20, 80), F.At(40, 20));
  F.Paint();
  QScrollBar* H = F.Graph->HorizontalScrollBar();
  ASSERT_TRUE(H->isVisible());
  EXPECT_EQ(H->pageStep(), int(std::lround(10000 * (F.X()->Stop() - F.X()->Start()) / 100)));
  EXPECT_NEAR(H->value(), 10000 * F.X()->Start() / 100, 1);
  // One line step to the right moves by the minor increment (the ends of
  // the fixture's axes are not rounded, nor is the shift).
  const double S = F.X()->Start(), Step = F.X()->MinorIncrement();
  H->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_NEAR(F.X()->Start(), S + Step, 1e-9);
  // The vertical bar runs against the values: adding moves the range down.
  const double YS = F.Y()->Start();
  F.Paint();
  ASSERT_TRUE(F.Graph->VerticalScrollBar()->isVisible());
  F.Graph->VerticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_LT(F.Y()->Start(), YS);
  EXPECT_GE(F.Y()->Start(), 0);
}

// A scroll shift rounds the new start as the axis rounds its ends: not at
// all, to the minor step or to the major step (0.5 and 0.1 here).
TEST(GraphScroll, TheShiftRoundsAsTheAxisEndsDo)
{
  using R = TGvAxisEndRounding;
  struct TCase
  {
    R Rounding;
    double Shift, Start;
  };
  const TCase Cases[] = {
      {R::RndNothing, 0.37, 2.67},
      {R::RndToMajorZoomToNothing, 0.37, 2.67},
      {R::RndToMinorZoomToNothing, 0.37, 2.67},
      {R::RndToMinor, 0.37, 2.7},
      {R::RndToMajorZoomToMinor, 0.37, 2.7},
      {R::RndToMinor, 0.1, 2.4},
      {R::RndToMajor, 0.1, 2.5},
      // To smaller values the start rounds down: a step shorter than the
      // rounding still goes the way it was asked to.
      {R::RndToMajor, -0.1, 2.0},
      {R::RndToMinor, -0.37, 1.9},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << int(C.Rounding) << " by " << C.Shift);
    TGvGraphFixture F(400, 400);
    TGvAxis* A = F.X();
    GvFixAxis(A, 0, 10);
    A->SetAutoTickParts(false);
    A->ScaleData().RangeExponent = 0;
    A->SetMajorTickPart(0.5);
    A->SetTickPart(0.1);
    A->SetEndRounding(C.Rounding);
    ASSERT_DOUBLE_EQ(A->MajorIncrement(), 0.5);
    ASSERT_DOUBLE_EQ(A->MinorIncrement(), 0.1);
    A->ZoomIn(2.3, 5.3);
    F.Graph->ShiftAxis(A, C.Shift, true);
    EXPECT_NEAR(A->Start(), C.Start, 1e-9);
    EXPECT_NEAR(A->Stop() - A->Start(), 3, 1e-9);
  }
}

TEST(GraphZoom, TheWheelZoomsAroundThePointer)
{
  TZoomFixture F;
  F.Form->show();
  QApplication::processEvents();
  const QPointF At = F.At(25, 75);
  auto Wheel = [&](int Delta) {
    QWheelEvent E(At, F.Graph->mapToGlobal(At), QPoint(), QPoint(0, Delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(F.Graph, &E);
    F.Paint();
  };
  Wheel(120);
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 2);
  // The value under the pointer stays where it was.
  EXPECT_NEAR(F.X()->Start(), 25 - 25 * 0.8, 1e-6);
  EXPECT_NEAR(F.X()->Stop(), 25 + 75 * 0.8, 1e-6);
  EXPECT_NEAR(F.Y()->Start(), 75 - 75 * 0.8, 1e-6);
  Wheel(-120);
  Wheel(-120); // never beyond the range before the first zoom
  EXPECT_DOUBLE_EQ(F.X()->Start(), 0);
  EXPECT_DOUBLE_EQ(F.X()->Stop(), 100);
  F.Graph->ZoomBack();
  EXPECT_NEAR(F.X()->Stop(), 25 + 75 * 0.8, 1e-6);
}

TEST(GraphPan, AppendingWhileZoomedKeepsTheZoom)
{
  TGvGraphFixture F;
  auto* X = F.Vector({0, 1, 2, 3});
  auto* Y = F.Vector({0, 1, 0, 1});
  F.Series(X, Y);
  F.Paint();
  F.Graph->ZoomTo(QPointF(F.X()->NumberToWorld(1), F.Y()->NumberToWorld(1)),
                  QPointF(F.X()->NumberToWorld(2), F.Y()->NumberToWorld(0)));
  const double S = F.X()->Start();
  X->Add(4);
  Y->Add(2);
  F.Graph->PollTick();
  F.Paint();
  EXPECT_EQ(F.Graph->ZoomBufferSize(), 2);
  EXPECT_DOUBLE_EQ(F.X()->Start(), S);
  F.Graph->ZoomReset();
  F.Paint();
  EXPECT_GE(F.X()->Stop(), 4);
}

// Two graphs stacked on one form, the lower (master) one owning the X axis.
struct TCoupledFixture
{
  QWidget Form;
  TGvGraph2D* Master;
  TGvGraph2D* Child;
  TGvDoubleVector *X, *Y1, *Y2;
  TCoupledFixture()
  {
    Form.setObjectName("CoupledForm");
    Form.resize(600, 600);
    Child = new TGvGraph2D(&Form);
    Child->setGeometry(0, 0, 600, 300);
    Master = new TGvGraph2D(&Form);
    Master->setGeometry(0, 300, 600, 300);
    Master->TestPrimaryAxis();
    Child->SetPrimaryXAxis(Master->PrimaryXAxis());
    Child->TestPrimaryAxis();
    X = new TGvDoubleVector(&Form);
    Y1 = new TGvDoubleVector(&Form);
    Y2 = new TGvDoubleVector(&Form);
    for (int I = 0; I <= 100; ++I) {
      X->Add(I);
      Y1->Add(std::sin(I / 10.0));
      Y2->Add(I * I);
    }
    GvFixAxis(Master->PrimaryXAxis(), 0, 100);
    for (auto [G, Y] : {std::pair{Master, Y1}, std::pair{Child, Y2}}) {
      auto* S = new TGvLineSeries(&Form);
      S->SetXAxis(Master->PrimaryXAxis());
      S->SetYAxis(G->PrimaryYAxis());
      S->SetXData(X);
      S->SetYData(Y);
    }
    Paint();
  }
  void Paint()
  {
    QImage I(Master->ImageSize(), QImage::Format_ARGB32_Premultiplied);
    Master->PaintToImage(I);
  }
};

TEST(CoupledGraphs, ZoomActsOncePerAxisOverBothGraphs)
{
  TCoupledFixture F;
  EXPECT_TRUE(F.Child->IsCoupled());
  ASSERT_EQ(F.Master->ChildGraphs().size(), 1u);
  EXPECT_EQ(F.Master->ImageSize(), QSize(600, 600));
  // The drawing areas share one horizontal extent.
  EXPECT_EQ(F.Master->DrawingArea().left(), F.Child->DrawingArea().left());
  EXPECT_EQ(F.Master->DrawingArea().width(), F.Child->DrawingArea().width());
  TGvAxis* X = F.Master->PrimaryXAxis();
  const QRectF A = F.Master->DrawingArea();
  F.Master->ZoomTo(QPointF(X->NumberToWorld(20), A.top()),
                   QPointF(X->NumberToWorld(60), A.top() + A.height()));
  F.Paint();
  F.Child->ZoomTo(QPointF(X->NumberToWorld(30), F.Child->DrawingArea().top()),
                  QPointF(X->NumberToWorld(40), F.Child->DrawingArea().top() + 50));
  F.Paint();
  // Every axis has the same history: three stages.
  for (TGvAxis* Ax : {X, F.Master->PrimaryYAxis(), F.Child->PrimaryYAxis()})
    EXPECT_EQ(Ax->ZoomBufferSize(), 3);
  EXPECT_NEAR(X->Start(), 30, 0.5);
  // One ZoomBack from the child takes the shared axis back one stage, not two.
  F.Child->ZoomBack();
  EXPECT_NEAR(X->Start(), 20, 0.5);
  EXPECT_EQ(F.Child->PrimaryYAxis()->CurrentZoomStage(), 1);
  EXPECT_EQ(F.Master->PrimaryYAxis()->CurrentZoomStage(), 1);
  F.Master->RedoZoom();
  EXPECT_NEAR(X->Start(), 30, 0.5);
  F.Child->ZoomToStage(0);
  EXPECT_NEAR(X->Start(), 0, 1e-9);
  F.Master->ZoomReset();
  EXPECT_EQ(F.Child->PrimaryYAxis()->ZoomBufferSize(), 0);
}

TEST(GraphUpdate, UpdatingEndsAlsoWhenAZoomRaises)
{
  TGvGraphFixture F;
  try {
    TGvUpdateScope Scope(F.Graph);
    TGvGraphLoadingScope Loading(F.Graph);
    EXPECT_TRUE(F.Graph->Updating());
    EXPECT_TRUE(F.Graph->IsLoading());
    throw EGvError("a failing read");
  } catch (const EGvError&) {
  }
  EXPECT_FALSE(F.Graph->Updating());
  EXPECT_FALSE(F.Graph->IsLoading());

  // A function that fails is asked for its values by an optimized zoom.
  class TFailing : public TGvFunctionSeries
  {
  public:
    using TGvFunctionSeries::TGvFunctionSeries;
    bool Fail = false;
    double GetY(double X) override
    {
      if (Fail) throw EGvError("no value");
      return X;
    }
  };
  auto* S = F.Series<TFailing>(F.Vector({0, 1, 2}), F.Vector({0, 1, 2}));
  F.Paint();
  ASSERT_GT(S->PointCount(), 0);
  S->Fail = true;
  F.Graph->Zoom()->SetOptimizeSeries(true);
  EXPECT_THROW(F.Graph->ZoomTo(QPointF(0, 0), QPointF(600, 400)), EGvError);
  EXPECT_FALSE(F.Graph->Updating());
}

// ---- Images --------------------------------------------------------------------------

struct TImageFixture : TGvGraphFixture
{
  QTemporaryDir Dir;
  TImageFixture() : TGvGraphFixture(300, 200, "ImageForm")
  {
    GvFixAxis(X(), 0, 10);
    GvFixAxis(Y(), 0, 10);
    auto* S = Series(Vector({0, 10}), Vector({0, 10}));
    S->Line()->SetColor(0xFFFF0000);
    S->Line()->SetWidth(3);
    Graph->SetDataAreaColor(0xFF00FF00);
  }
  QString File(const char* Name) const { return Dir.filePath(Name); }
};

TEST(GraphImages, FormatsAreWrittenAndReadBack)
{
  TImageFixture F;
  struct TCase
  {
    TGvImageFileFormat Format;
    const char* Name;
    bool Alpha;
  };
  for (const TCase& C : {TCase{TGvImageFileFormat::Png, "g.png", true},
                         TCase{TGvImageFileFormat::Bmp, "g.bmp", false},
                         TCase{TGvImageFileFormat::Jpeg, "g.jpg", false},
                         TCase{TGvImageFileFormat::Tiff, "g.tif", true},
                         TCase{TGvImageFileFormat::Gif, "g.gif", true}}) {
    F.Graph->SaveImage(F.File(C.Name), C.Format);
    QImageReader R(F.File(C.Name));
    const QImage I = R.read();
    ASSERT_FALSE(I.isNull()) << C.Name << ": " << R.errorString().toStdString();
    EXPECT_EQ(I.size(), QSize(300, 200)) << C.Name;
    // The corner is transparent where the format keeps alpha, else white
    // (never black from premultiplied transparent pixels).
    const QColor Corner = I.pixelColor(1, 1);
    if (C.Alpha) {
      EXPECT_EQ(Corner.alpha(), 0) << C.Name;
    } else {
      EXPECT_GT(Corner.red(), 240) << C.Name;
      EXPECT_GT(Corner.green(), 240) << C.Name;
      EXPECT_GT(Corner.blue(), 240) << C.Name;
    }
    // The drawing area is green.
    const QPoint Mid = F.Graph->DrawingArea().topLeft().toPoint() + QPoint(5, 30);
    EXPECT_GT(I.pixelColor(Mid).green(), 200) << C.Name;
    EXPECT_LT(I.pixelColor(Mid).red(), 60) << C.Name;
  }
  // Without transparency on a given colour.
  F.Graph->SaveImage(F.File("b.png"), TGvImageFileFormat::Png, true, 0xFF0000FF);
  EXPECT_EQ(QImage(F.File("b.png")).pixelColor(1, 1), QColor(0, 0, 255));
}

TEST(GraphImages, VectorFormatsArePaintedAsDrawing)
{
  TImageFixture F;
  F.Graph->SaveImage(F.File("g.svg"), TGvImageFileFormat::Svg);
  QFile Svg(F.File("g.svg"));
  ASSERT_TRUE(Svg.open(QIODevice::ReadOnly));
  const QByteArray S = Svg.readAll();
  EXPECT_TRUE(S.contains("<svg"));
  EXPECT_TRUE(S.contains("polyline") || S.contains("path"));
  F.Graph->SaveImage(F.File("g.pdf"), TGvImageFileFormat::Pdf);
  QFile Pdf(F.File("g.pdf"));
  ASSERT_TRUE(Pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(Pdf.readAll().startsWith("%PDF"));

  QPrinter Printer(QPrinter::HighResolution);
  Printer.setOutputFormat(QPrinter::PdfFormat);
  Printer.setOutputFileName(F.File("print.pdf"));
  F.Graph->PrintTo(Printer, QRect(0, 0, 3000, 2000));
  EXPECT_GT(QFile(F.File("print.pdf")).size(), 500);
}

// SVG, PDF and print paint as vector drawing: the graph tells its axes so,
// and the ticks keep their fractional positions instead of the screen's
// whole pixels.
TEST(GraphImages, VectorOutputKeepsFractionalPositions)
{
  TImageFixture F;
  std::vector<bool> Metafile;
  TGvSeries* S = F.Graph->RelatedSeries().front();
  S->OnGetPen = [&](TGvSeries*, TGvPenEventArgs&) {
    Metafile.push_back(F.Graph->GraphDoingMetafile());
  };
  F.Graph->SaveImage(F.File("g.png"), TGvImageFileFormat::Png);
  ASSERT_FALSE(Metafile.empty());
  EXPECT_FALSE(Metafile.back());
  for (auto [Format, Name] : {std::pair{TGvImageFileFormat::Svg, "g.svg"},
                              std::pair{TGvImageFileFormat::Pdf, "g.pdf"}}) {
    Metafile.clear();
    F.Graph->SaveImage(F.File(Name), Format);
    ASSERT_FALSE(Metafile.empty()) << Name;
    EXPECT_TRUE(Metafile.back()) << Name;
  }
  Metafile.clear();
  QPrinter Printer(QPrinter::HighResolution);
  Printer.setOutputFormat(QPrinter::PdfFormat);
  Printer.setOutputFileName(F.File("print.pdf"));
  F.Graph->PrintTo(Printer, QRect(0, 0, 3000, 2000));
  ASSERT_FALSE(Metafile.empty());
  EXPECT_TRUE(Metafile.back());
  EXPECT_FALSE(F.Graph->GraphDoingMetafile());

  // The X axis' ticks in the SVG stand where they are, between pixels.
  QFile Svg(F.File("g.svg"));
  ASSERT_TRUE(Svg.open(QIODevice::ReadOnly));
  const QByteArray Text = Svg.readAll();
  std::vector<double> Numbers;
  const QRegularExpression Number(QStringLiteral("-?\\d+\\.\\d+|-?\\d+"));
  for (auto It = Number.globalMatch(QString::fromUtf8(Text)); It.hasNext();)
    Numbers.push_back(It.next().captured().toDouble());
  int Fractional = 0;
  for (const TGvAxisTick& T : F.X()->Ticks()) {
    const double Frac = T.Pixel - std::floor(T.Pixel);
    if (Frac < 0.2 || Frac > 0.8) continue;
    ++Fractional;
    const bool Found = std::any_of(Numbers.begin(), Numbers.end(),
                                   [&](double V) { return std::fabs(V - T.Pixel) < 0.01; });
    EXPECT_TRUE(Found) << T.Pixel;
  }
  EXPECT_GT(Fractional, 0);
}

TEST(GraphImages, RefusalsRaise)
{
  TImageFixture F;
  for (auto Format : {TGvImageFileFormat::Emf, TGvImageFileFormat::Exif, TGvImageFileFormat::Icon})
    EXPECT_THROW(F.Graph->SaveImage(F.File("x.img"), Format), EGvError);
  EXPECT_FALSE(QFile::exists(F.File("x.img")));
  EXPECT_THROW(F.Graph->SaveImage(F.File("no/such/folder/g.png"), TGvImageFileFormat::Png),
               EGvError);
  QBuffer ReadOnly;
  ReadOnly.open(QIODevice::ReadOnly);
  EXPECT_THROW(F.Graph->SaveImage(ReadOnly, TGvImageFileFormat::Png), EGvError);
}

TEST(GraphImages, TheClipboardGetsThePicture)
{
  TImageFixture F;
  F.Graph->CopyToClipboard();
  const QMimeData* M = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(M, nullptr);
  EXPECT_TRUE(M->hasImage());
  const QImage I = qvariant_cast<QImage>(M->imageData());
  EXPECT_EQ(I.size(), QSize(300, 200));
  EXPECT_TRUE(M->data("image/svg+xml").contains("<svg"));
}

} // namespace
