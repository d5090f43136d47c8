// Bar series on a graph: placement of shifted and stacked bars, counts,
// ranges, stacking with holes and changes below, labels, walls, settings
// shared by the bar series of a graph.
#include "GraphTestSupport.h"
#include "RecordingUndoStack.h"

#include "chart/GvBars.h"
#include "chart/GvUndoStack.h"
#include "controls/GvStringFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// A graph with fixed axes: classes 0..1 and 1..2 along X, values 0..20.
struct TBarsFixture : TGvGraphFixture
{
  TBarsFixture()
  {
    GvFixAxis(X(), 0, 2);
    GvFixAxis(Y(), 0, 20);
  }
  TGvBars* Bars(std::vector<double> Values, std::vector<double> Boundaries = {})
  {
    return Series<TGvBars>(Boundaries.empty() ? nullptr : Vector(Boundaries), Vector(Values));
  }
  double PX(double V) const { return X()->NumberToWorld(V); }
  double PY(double V) const { return Y()->NumberToWorld(V); }
};

QRectF Bar(const TGvBars* B, int K)
{
  return B->BarCorners(K).Rect();
}

} // namespace

TEST(Bars, ShiftedSeriesShareEachClass)
{
  TBarsFixture F;
  TGvBars* A = F.Bars({4, 6});
  TGvBars* B = F.Bars({2, 8});
  A->SetClassesDistance(20);
  EXPECT_EQ(B->ClassesDistance(), 20); // shared by the bar series of the graph
  F.Paint();
  ASSERT_EQ(A->BarCount(), 2);
  ASSERT_EQ(B->BarCount(), 2);
  // Class 0 is Z pixels wide: a gap of Z/10 at each side, two bars of 0.4 Z.
  const double L = F.PX(0), Z = F.PX(1) - F.PX(0);
  EXPECT_NEAR(Bar(A, 0).left(), L + 0.1 * Z, 0.01);
  EXPECT_NEAR(Bar(A, 0).right(), L + 0.5 * Z, 0.01);
  EXPECT_NEAR(Bar(B, 0).left(), L + 0.5 * Z, 0.01);
  EXPECT_NEAR(Bar(B, 0).right(), L + 0.9 * Z, 0.01);
  EXPECT_NEAR(Bar(A, 0).top(), F.PY(4), 0.01);
  EXPECT_NEAR(Bar(A, 0).bottom(), F.PY(0), 0.01);
  EXPECT_NEAR(Bar(B, 1).top(), F.PY(8), 0.01);
  EXPECT_NEAR(A->GroupWidth(), 0.8 * Z, 0.01);
}

// Bars shift and stack in the order of the graph's series list: a new order
// of the layers places them anew.
TEST(Bars, ANewLayerOrderPlacesTheBarsAnew)
{
  TBarsFixture F;
  TGvBars* A = F.Bars({4, 6});
  TGvBars* B = F.Bars({2, 8});
  F.Paint();
  const QRectF First = Bar(A, 0), Second = Bar(B, 0);
  ASSERT_LT(First.left(), Second.left());
  A->SetLayer(5);
  F.Paint();
  EXPECT_EQ(F.Graph->RelatedSeries().front(), B);
  EXPECT_NEAR(Bar(B, 0).left(), First.left(), 0.01);
  EXPECT_NEAR(Bar(A, 0).left(), Second.left(), 0.01);
  // Stacked: the lower one is the first in the list.
  A->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  F.Paint();
  EXPECT_NEAR(Bar(A, 0).bottom(), F.PY(2), 0.01);
  B->SetLayer(7);
  F.Paint();
  EXPECT_NEAR(Bar(A, 0).bottom(), F.PY(0), 0.01);
  EXPECT_NEAR(Bar(B, 0).bottom(), F.PY(4), 0.01);
}

TEST(Bars, StackedSeriesStartWhereTheOnesBelowEnd)
{
  TBarsFixture F;
  TGvBars* A = F.Bars({4, 6});
  TGvBars* B = F.Bars({2, 8});
  A->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  EXPECT_TRUE(B->Stacked());
  F.Paint();
  EXPECT_EQ(B->SeriesBelow(), std::vector<TGvBars*>{A});
  EXPECT_TRUE(B->TopMost());
  EXPECT_FALSE(A->TopMost());
  // Both stand in the whole class; B's bars start at A's tops.
  const double Z = F.PX(1) - F.PX(0);
  EXPECT_NEAR(Bar(B, 0).width(), Z, 0.01);
  EXPECT_NEAR(Bar(B, 0).bottom(), F.PY(4), 0.01);
  EXPECT_NEAR(Bar(B, 0).top(), F.PY(6), 0.01);
  EXPECT_NEAR(Bar(B, 1).top(), F.PY(14), 0.01);
  // The value range holds the sums.
  EXPECT_EQ(B->YStart(), 0);
  EXPECT_EQ(B->YStop(), 14);
  EXPECT_EQ(A->YStop(), 6);
}

TEST(Bars, StackingPassesOverHolesBelow)
{
  TBarsFixture F;
  TGvBars* A = F.Bars({NaN, 6});
  TGvBars* B = F.Bars({2, 8});
  A->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  F.Paint();
  ASSERT_EQ(A->BarCount(), 1); // no bar where A has no value
  ASSERT_EQ(B->BarCount(), 2);
  // Where A has no value B grows from the zero line, and its sum is its own.
  EXPECT_NEAR(Bar(B, 0).bottom(), F.PY(0), 0.01);
  EXPECT_NEAR(Bar(B, 0).top(), F.PY(2), 0.01);
  EXPECT_DOUBLE_EQ(B->Stack().Top[0], 2);
  EXPECT_DOUBLE_EQ(B->Stack().Top[1], 14);
}

TEST(Bars, AChangeBelowMovesTheSeriesAbove)
{
  TBarsFixture F;
  TGvDoubleVector* AV = F.Vector({4, 6});
  TGvBars* A = F.Series<TGvBars>(nullptr, AV);
  TGvBars* B = F.Bars({2, 8});
  A->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  F.Paint();
  EXPECT_EQ(B->YStop(), 14);
  AV->SetValue(1, 10);
  F.Paint();
  // B's bottoms and its value range follow the change of A.
  EXPECT_DOUBLE_EQ(B->Stack().Base[1], 10);
  EXPECT_EQ(B->YStop(), 18);
  EXPECT_NEAR(Bar(B, 1).bottom(), F.PY(10), 0.01);
}

TEST(Bars, CountsFromBoundaryVectors)
{
  TBarsFixture F;
  struct TCase
  {
    std::vector<double> Boundaries;
    int Count;
  } Cases[] = {
      {{0, 1, 2, 3, 4, 5}, 5}, // 6 boundaries around 5 values
      {{0, 1, 2, 3, 4}, 4},    // 5 boundaries: 4 bars
  };
  for (const TCase& C : Cases) {
    TGvBars* B = F.Bars({1, 2, 3, 4, 5}, C.Boundaries);
    B->Calculate();
    EXPECT_EQ(B->Count(), C.Count) << C.Boundaries.size();
    delete B;
  }
  // An empty boundary vector: no bars (and nothing drawn).
  TGvBars* E = F.Series<TGvBars>(F.Vector({}), F.Vector({1, 2, 3}));
  F.Paint();
  EXPECT_EQ(E->Count(), 0);
  EXPECT_EQ(E->BarCount(), 0);
}

TEST(Bars, NegativeValuesGrowDownFromTheZeroLine)
{
  TBarsFixture F;
  GvFixAxis(F.Y(), -5, 5);
  TGvBars* B = F.Bars({-3, 2});
  F.Paint();
  ASSERT_EQ(B->BarCount(), 2);
  EXPECT_NEAR(Bar(B, 0).top(), F.PY(0), 0.01);
  EXPECT_NEAR(Bar(B, 0).bottom(), F.PY(-3), 0.01);
  EXPECT_EQ(B->YStart(), -3);
  EXPECT_EQ(B->YStop(), 2);
  // The negative bar is drawn: its pixels are filled.
  const QImage I = F.Paint();
  const QPointF C = Bar(B, 0).center();
  EXPECT_NE(I.pixel(int(C.x()), int(C.y())), qRgb(255, 255, 255));
  // Positive values: the range still starts at 0.
  TGvBars* P = F.Bars({2, 5});
  P->Calculate();
  EXPECT_EQ(P->YStart(), 0);
}

TEST(Bars, HorizontalBarsStartRightOfTheZeroLine)
{
  TBarsFixture F;
  GvFixAxis(F.X(), 0, 20);
  GvFixAxis(F.Y(), 0, 2);
  // Horizontal bars take their lengths from the X data.
  TGvBars* B = F.Series<TGvBars>(F.Vector({4, 6}), nullptr);
  B->SetBarsHorizontal(true);
  F.Paint();
  ASSERT_EQ(B->BarCount(), 2);
  EXPECT_EQ(B->CategoryAxis(), F.Y());
  EXPECT_NEAR(Bar(B, 0).left(), F.PX(0) + 1, 0.01);
  EXPECT_NEAR(Bar(B, 0).right(), F.PX(4), 0.01);
  // Bar 0 lies in the class from 0 to 1 (the lower one on the screen).
  EXPECT_NEAR(Bar(B, 0).bottom(), F.PY(0), 0.01);
  EXPECT_NEAR(Bar(B, 0).top(), F.PY(1), 0.01);
  EXPECT_EQ(B->XStop(), 6);
  EXPECT_EQ(B->YStop(), 2);
}

TEST(Bars, PercentLabelsAndTheirTotal)
{
  const TFormatSettingsOverride Dot(FormatSettingsWithDecimal(u'.'));
  TBarsFixture F;
  GvFixAxis(F.X(), 0, 3);
  TGvBars* B = F.Bars({1, 1, 2});
  B->SetLabelFrom(TGvLabelStyle::Percent);
  B->SetLabelPosition(TGvBarLabelPosition::Centered);
  F.Paint();
  ASSERT_EQ(B->BarCount(), 3);
  EXPECT_EQ(B->Total(), 4);
  const char* Expected[] = {"25%", "25%", "50%"};
  for (int K = 0; K < 3; ++K) {
    ASSERT_TRUE(B->BarLabel(K)) << K;
    EXPECT_EQ(B->BarLabel(K)->Caption(), Expected[K]);
    // Centred in its bar.
    EXPECT_NEAR(B->BarLabel(K)->X(), Bar(B, K).center().x(), 0.5);
  }
  // A zero total shows no number; captions still show.
  TGvBars* Z = F.Bars({0, 0, 0});
  Z->SetLabelFrom(TGvLabelStyle::CaptionAndPercent);
  Z->SetLabelPosition(TGvBarLabelPosition::Centered);
  Z->SetCaptions({"a", "b"});
  F.Paint();
  EXPECT_EQ(Z->Total(), 0);
  // Zero bars are flat: they have no label place inside, but the text comes.
  ASSERT_TRUE(Z->BarLabel(0));
  EXPECT_EQ(Z->BarLabel(0)->Caption(), "a");
  EXPECT_EQ(Z->BarLabel(2), nullptr);
}

TEST(Bars, LowerStackedLabelsOnTopShowInTopWithoutChangingTheSetting)
{
  TBarsFixture F;
  TRecordingUndoStack Undo;
  TGvBars* A = F.Bars({4, 6});
  TGvBars* B = F.Bars({2, 8});
  A->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  A->SetLabelPosition(TGvBarLabelPosition::OnTopOfBar);
  B->SetLabelPosition(TGvBarLabelPosition::OnTopOfBar);
  A->SetUndoStack(&Undo);
  F.Paint();
  EXPECT_EQ(A->PaintedLabelPosition(), TGvBarLabelPosition::InTop);
  EXPECT_EQ(B->PaintedLabelPosition(), TGvBarLabelPosition::OnTopOfBar);
  EXPECT_EQ(A->LabelPosition(), TGvBarLabelPosition::OnTopOfBar);
  EXPECT_TRUE(Undo.Entries.empty());
  // A's labels stand inside its bars, B's above them.
  ASSERT_TRUE(A->BarLabel(1));
  ASSERT_TRUE(B->BarLabel(1));
  EXPECT_GT(A->BarLabel(1)->Y(), Bar(A, 1).top());
  EXPECT_LT(B->BarLabel(1)->Y(), Bar(B, 1).top());
}

TEST(Bars, LabelFontSizeIsAtLeastOne)
{
  TBarsFixture F;
  TGvBars* B = F.Bars({4, 6});
  B->SetLabelPosition(TGvBarLabelPosition::OnTopOfBar);
  B->SetLabelSize(0.001f);
  F.Paint();
  ASSERT_TRUE(B->BarLabel(0));
  EXPECT_GE(B->BarLabel(0)->Font()->Size(), 1);
  // The size follows the group width: L * 0.01 * LabelSize.
  B->SetLabelSize(20);
  F.Paint();
  EXPECT_NEAR(B->BarLabel(0)->Font()->Size(), B->NarrowestGroupWidth() * 0.2, 0.01);
}

TEST(Bars, ThreeDimensionalBarsHaveDepthAndWalls)
{
  TBarsFixture F;
  TGvBars* B = F.Bars({4, 6});
  double DX = 0, DY = 0;
  EXPECT_FALSE(B->DataAreaWalls(DX, DY));
  B->SetBarStyle(TGvBarStyle::Cuboid);
  F.Paint();
  ASSERT_TRUE(B->DataAreaWalls(DX, DY));
  EXPECT_NEAR(DX, B->GroupWidth() * 50 / 240, 1e-6);
  EXPECT_NEAR(DY, B->GroupWidth() * 50 / 400, 1e-6);
  // The graph leaves room above and to the right for the depth.
  EXPECT_GE(B->ExtraSpaceAt(TGvAxisPosition::Top), DY);
  EXPECT_GE(B->ExtraSpaceAt(TGvAxisPosition::Right), DX);
  B->SetBarStyle(TGvBarStyle::Cylinder);
  F.Paint();
  EXPECT_NEAR(B->Depth().CylinderShift, B->Depth().DepthX, 1e-9);
}

// A setting the bar series of a graph share is one undo step, however many
// share it: one group with an entry for each series that changed.
TEST(Bars, SharedSettingsAreOneUndoStep)
{
  TBarsFixture F;
  TRecordingUndoStack Undo;
  TGvBars* A = F.Bars({4, 6});
  TGvBars* B = F.Bars({2, 8});
  TGvBars* C = F.Bars({1, 3});
  F.Graph->SetUndoStack(&Undo);
  A->SetDepth3D(30);
  for (TGvBars* S : {B, C}) EXPECT_EQ(S->Depth3D(), 30);
  A->SetLabelFormat("0.0");
  const std::vector<std::pair<QString, QObject*>> Want = {
      {"StartGroup", nullptr}, {"Property", A}, {"Property", B}, {"Property", C},
      {"StopGroup", nullptr},  {"Property", A}};
  ASSERT_EQ(Undo.Entries.size(), Want.size());
  for (size_t I = 0; I < Want.size(); ++I) {
    EXPECT_EQ(Undo.Entries[I].Kind, Want[I].first) << I;
    EXPECT_EQ(Undo.Entries[I].Instance, Want[I].second) << I;
  }
  EXPECT_EQ(Undo.Entries[0].Comment, "Bars 3D depth");
  EXPECT_EQ(Undo.Entries[1].PropName, "Depth3D");
  EXPECT_EQ(Undo.Entries[5].Comment, "Labels output format");

  // On the real stack: each shared setting is undone in one step, for all.
  TGvUndoStack Stack;
  F.Graph->SetUndoStack(&Stack);
  B->SetClassesDistance(20);
  C->SetBarsHorizontal(true);
  A->SetOverlayStyle(TGvBarsOverlayStyle::Stack);
  EXPECT_EQ(Stack.UndoCount(), 3);
  Stack.Undo();
  for (TGvBars* S : {A, B, C}) EXPECT_EQ(S->OverlayStyle(), TGvBarsOverlayStyle::Shift);
  for (TGvBars* S : {A, B, C}) EXPECT_TRUE(S->BarsHorizontal());
  Stack.Undo();
  for (TGvBars* S : {A, B, C}) EXPECT_FALSE(S->BarsHorizontal());
  for (TGvBars* S : {A, B, C}) EXPECT_EQ(S->ClassesDistance(), 20);
  Stack.Undo();
  for (TGvBars* S : {A, B, C}) EXPECT_EQ(S->ClassesDistance(), 0);
  EXPECT_FALSE(Stack.CanUndo());
}

TEST(Bars, CaptionsCannotBeSetWhileBoundToAField)
{
  TBarsFixture F;
  TGvBars* B = F.Bars({4, 6});
  auto* Source = new TGvDataSource(F.Form.get());
  B->SetDataSource(Source);
  B->SetCaptionsField("Name");
  ASSERT_TRUE(B->CaptionsBound());
  try {
    B->SetCaptions({"x"});
    FAIL() << "no error";
  } catch (const EGvError& E) {
    EXPECT_EQ(E.Message(), "Setting captions list not allowed with database binding set");
  }
  EXPECT_TRUE(B->Captions().isEmpty());
}
