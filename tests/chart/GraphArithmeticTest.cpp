// The layout, zoom, pan and scroll arithmetic of graphs over plain numbers.
#include "chart/GvGraphLayout.h"
#include "chart/GvGraphZoom.h"

#include <gtest/gtest.h>

namespace {

TEST(GraphLayout, BordersFromDistancesScrollBarsAndTitle)
{
  TGvBorderSettings S;
  S.DistanceLeft = 2.2f;
  S.DistanceTop = 3;
  S.DistanceRight = 0.5f;
  S.DistanceBottom = 1;
  auto B = GvResetBorders(S);
  EXPECT_EQ(B.Left, 3);
  EXPECT_EQ(B.Top, 3);
  EXPECT_EQ(B.Right, 1);
  EXPECT_EQ(B.Bottom, 1);
  S.SingleBorder = true;
  S.HScrollHeight = 16;
  S.VScrollWidth = 15;
  S.TitleShown = true;
  S.TitleHeight = 20.2;
  S.CaptionDistanceBefore = 4;
  S.CaptionDistanceAfter = 2;
  B = GvResetBorders(S);
  EXPECT_EQ(B.Left, 3 + 15);
  EXPECT_EQ(B.Bottom, 1 + 4 + 16);
  EXPECT_EQ(B.Top, 3 + 27);
}

TEST(GraphLayout, AxisLineInItsControl)
{
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Bottom, false, 10, 1, 40), 1);
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Bottom, false, 10, 0.5f, 40), 0);
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Bottom, true, 10, 1, 40), 10);
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Left, false, 10, 1, 40), 40);
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Left, true, 10, 1, 40), 30);
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Top, false, 10, 3, 40), 39);
  EXPECT_EQ(GvAxisLineOffset(TGvGraphSide::Right, false, 10, 3, 40), 2);
}

TEST(GraphLayout, InnerBorders)
{
  double Shift;
  // Edge axis line 40 pixels in, 2 pixels between line and data.
  EXPECT_EQ(GvInnerBorder(45, true, 40, 2, 7, Shift), 42);
  EXPECT_EQ(Shift, 0);
  // The overhang needs more room than the axis gives: the axis moves.
  EXPECT_EQ(GvInnerBorder(5, true, 3, 0, 9, Shift), 9);
  EXPECT_EQ(Shift, 6);
  EXPECT_EQ(GvInnerBorder(5, false, 0, 0, 8.5, Shift), 14);
}

TEST(GraphLayout, DrawingAreaIsNeverNegative)
{
  TGvGraphBorders B{50, 10, 20, 40};
  EXPECT_EQ(GvDrawingArea(B, 600, 400), QRectF(50, 10, 531, 351));
  EXPECT_EQ(GvDrawingArea(B, 30, 20), QRectF(50, 10, 0, 0));
}

TEST(GraphLayout, CoupledAreasShareOneExtent)
{
  std::vector<QRectF> A = {{50, 10, 500, 100}, {62, 5, 510, 80}, {40, 0, 505, 80}};
  const QPointF LR = GvAlignCoupledAreas(A);
  EXPECT_EQ(LR, QPointF(62, 545));
  for (const QRectF& R : A) {
    EXPECT_EQ(R.left(), 62);
    EXPECT_EQ(R.width(), 545 - 62);
  }
  EXPECT_EQ(A[1].top(), 5);
  EXPECT_EQ(A[1].height(), 80);
  // No common extent: width 0.
  std::vector<QRectF> B = {{0, 0, 10, 10}, {20, 0, 10, 10}};
  GvAlignCoupledAreas(B);
  EXPECT_EQ(B[0].width(), 0);
}

TEST(GraphLayout, LegendSidesAndPlaces)
{
  struct TCase
  {
    TGvLegendPosition P;
    TGvGraphSide Side;
  };
  for (auto C : {TCase{TGvLegendPosition::BottomCenterOfGraph, TGvGraphSide::Bottom},
                 TCase{TGvLegendPosition::BottomCenterOfAxis, TGvGraphSide::Bottom},
                 TCase{TGvLegendPosition::LeftTopOfAxis, TGvGraphSide::Left},
                 TCase{TGvLegendPosition::TopCenterOfAxis, TGvGraphSide::Top},
                 TCase{TGvLegendPosition::RightCenterOfGraph, TGvGraphSide::Right}}) {
    TGvGraphSide S;
    ASSERT_TRUE(GvLegendSide(C.P, S));
    EXPECT_EQ(S, C.Side);
  }
  TGvGraphSide S;
  EXPECT_FALSE(GvLegendSide(TGvLegendPosition::FreeFloating, S));
  const QRectF Area(100, 20, 400, 300);
  EXPECT_EQ(GvLegendPlace(TGvLegendPosition::BottomCenterOfAxis, {80, 30}, 5, Area, 600, 400),
            QPointF(260, 365));
  EXPECT_EQ(GvLegendPlace(TGvLegendPosition::RightTopOfAxis, {80, 30}, 5, Area, 600, 400),
            QPointF(515, 20));
  EXPECT_EQ(GvLegendPlace(TGvLegendPosition::LeftCenterOfGraph, {80, 30}, 0, Area, 600, 400),
            QPointF(0, 185));
  EXPECT_EQ(GvTitleX(0, 5, 7, 600), 300);
  EXPECT_EQ(GvTitleX(-1, 5, 7, 600), 5);
  EXPECT_EQ(GvTitleX(1, 5, 7, 600), 593);
  EXPECT_EQ(GvScrollBarPosition(2500, 5000, false), 2500);
  EXPECT_EQ(GvScrollBarPosition(2500, 5000, true), 5000);
  EXPECT_EQ(GvScrollBarPosition(-30, 12000, true), 0);
}

TEST(GraphZoom, RectangleAndRelease)
{
  const QRectF Area(50, 10, 500, 300);
  EXPECT_EQ(GvZoomRect({200.5, 100.2}, {100.2, 50.7}, Area), QRectF(100, 50, 101, 51));
  EXPECT_EQ(GvZoomRect({0, 0}, {1000, 1000}, Area), QRectF(50, 10, 500, 300));

  using A = TGvRubberBandAction;
  struct TCase
  {
    QPoint Start, End;
    bool Reset, Back;
    A Want;
  };
  for (const TCase& C : {TCase{{10, 10}, {13, 110}, false, false, A::None},
                         TCase{{10, 10}, {110, 14}, false, false, A::None},
                         TCase{{10, 10}, {110, 110}, true, true, A::Zoom},
                         TCase{{110, 110}, {10, 10}, false, false, A::Zoom},
                         TCase{{110, 110}, {10, 10}, false, true, A::Back},
                         TCase{{110, 110}, {108, 108}, true, false, A::Reset},
                         TCase{{110, 110}, {10, 10}, true, true, A::Reset}})
    EXPECT_EQ(GvRubberBandAction(C.Start, C.End, C.Reset, C.Back), C.Want)
        << C.Start.x() << "," << C.Start.y() << " -> " << C.End.x() << "," << C.End.y();
  EXPECT_TRUE(GvIsClick({10, 10}, {13, 7}));
  EXPECT_FALSE(GvIsClick({10, 10}, {14, 10}));
}

TEST(GraphZoom, HistoryFlags)
{
  EXPECT_FALSE(GvCanZoomBack(false, 0, 0));
  EXPECT_FALSE(GvCanZoomBack(false, 0, 3));
  EXPECT_TRUE(GvCanZoomBack(false, 2, 3));
  EXPECT_TRUE(GvCanRedoZoom(false, 1, 3));
  EXPECT_FALSE(GvCanRedoZoom(false, 2, 3));
  EXPECT_TRUE(GvCanZoomBack(true, 0, 3));
  EXPECT_TRUE(GvCanRedoZoom(true, 2, 3));
  EXPECT_FALSE(GvCanRedoZoom(true, 0, 0));
}

TEST(GraphPan, EachAxisFollowsThePointerInEitherDirection)
{
  TGvPanAxis X{2, 4, 0, 10, 0.01, false, true};
  double S, E;
  // The pointer moved 50 pixels right only: the range moves left by 0.5.
  ASSERT_TRUE(GvPanRange(X, -50, 0, S, E));
  EXPECT_DOUBLE_EQ(S, 1.5);
  EXPECT_DOUBLE_EQ(E, 3.5);
  // A twisted axis moves the other way.
  X.Twisted = true;
  ASSERT_TRUE(GvPanRange(X, -50, 0, S, E));
  EXPECT_DOUBLE_EQ(S, 2.5);
  // A vertical axis takes the vertical movement, with its own constant.
  TGvPanAxis Y{100, 200, 0, 1000, 2, false, false};
  ASSERT_TRUE(GvPanRange(Y, -50, 30, S, E));
  EXPECT_DOUBLE_EQ(S, 160);
  EXPECT_DOUBLE_EQ(E, 260);
  // Leaving the scroll range: not applied.
  EXPECT_FALSE(GvPanRange(Y, 0, -60, S, E));
}

TEST(GraphScroll, ShiftWithinTheScrollRange)
{
  TGvShiftAxis A{2, 4, 0, 10, false, 0};
  double S, E;
  ASSERT_TRUE(GvShiftRange(A, 1.25, S, E));
  EXPECT_DOUBLE_EQ(S, 3.25);
  EXPECT_DOUBLE_EQ(E, 5.25);
  // Rounded up to the step after the fudge factor.
  A.RoundStart = true;
  A.Step = 0.5;
  ASSERT_TRUE(GvShiftRange(A, 0.5, S, E));
  EXPECT_DOUBLE_EQ(S, 2.5);
  ASSERT_TRUE(GvShiftRange(A, -0.5, S, E));
  EXPECT_DOUBLE_EQ(S, 1.5);
  // Past the ends: pushed back.
  ASSERT_TRUE(GvShiftRange(A, 100, S, E));
  EXPECT_DOUBLE_EQ(S, 8);
  EXPECT_DOUBLE_EQ(E, 10);
  ASSERT_TRUE(GvShiftRange(A, -100, S, E));
  EXPECT_DOUBLE_EQ(S, 0);
  EXPECT_DOUBLE_EQ(E, 2);
  A.Start = 0;
  A.Stop = 2;
  EXPECT_FALSE(GvShiftRange(A, -1, S, E));
  EXPECT_FALSE(GvShiftRange(A, std::nan(""), S, E));

  EXPECT_EQ(GvScrollStep(TGvScrollIncrement::Page, 2, 1, 0.2, 0.01), 2);
  EXPECT_EQ(GvScrollStep(TGvScrollIncrement::MinorTick, 2, 1, 0.2, 0.01), 0.2);
  EXPECT_EQ(GvScrollStep(TGvScrollIncrement::Pixel, 2, 1, 0.2, 0.01), 0.01);

  EXPECT_DOUBLE_EQ(GvScrollStartFor(2500, 0, 10, 2, false), 2.5);
  // Inverted: the thumb at the top shows the high end.
  EXPECT_DOUBLE_EQ(GvScrollStartFor(0, 0, 10, 2, true), 8);
  EXPECT_NEAR(GvScrollStartFor(8000, 0, 10, 2, true), 0, 1e-12);
  EXPECT_TRUE(GvScrollInverted(false, false));
  EXPECT_FALSE(GvScrollInverted(true, false));
}

} // namespace
