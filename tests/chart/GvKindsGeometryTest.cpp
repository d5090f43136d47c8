// The arithmetic of OHLC bars, candlesticks, bubbles and arrows.
#include "chart/GvArrows.h"
#include "chart/GvBubbles.h"
#include "chart/GvOHLC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

} // namespace

// ---- OHLC and candles -----------------------------------------------------

TEST(OHLCGeometry, BarWidthOfZeroOrLessIsOne)
{
  for (double W : {0.0, -3.0, NaN, Inf}) EXPECT_DOUBLE_EQ(GvOHLCBarWidth(W), 1) << W;
  EXPECT_DOUBLE_EQ(GvOHLCBarWidth(4), 4);
  EXPECT_DOUBLE_EQ(GvOHLCBarWidth(0.5), 0.5);
}

TEST(OHLCGeometry, BarAndTicks)
{
  // Open 60, high 40, low 90, close 70 (pixels), at X 100, width 4, ticks 5.
  TGvOHLCGeometry G = GvOHLCGeometry(100, 4, 60, 40, 90, 70, 5);
  EXPECT_EQ(G.Bar, QRectF(98, 40, 4, 50));
  EXPECT_EQ(G.OpenTick, QLineF(93, 60, 98, 60));
  EXPECT_EQ(G.CloseTick, QLineF(102, 70, 107, 70));
  // A high below the low still gives the bar between the two.
  G = GvOHLCGeometry(100, 4, 60, 90, 40, 70, 5);
  EXPECT_EQ(G.Bar, QRectF(98, 40, 4, 50));
}

TEST(CandleGeometry, TrendColoursCompareTheValues)
{
  EXPECT_EQ(GvCandleTrend(10, 12), TGvCandleTrend::Bull);
  EXPECT_EQ(GvCandleTrend(12, 10), TGvCandleTrend::Bear);
  EXPECT_EQ(GvCandleTrend(10, 10), TGvCandleTrend::Even);
}

TEST(CandleGeometry, BodyAndShadows)
{
  struct TCase
  {
    double Open, High, Low, Close; // pixels
    QRectF Body;
    bool Line, Upper, Lower;
    double UpperEnd, LowerEnd;
  } Cases[] = {
      // Rising: the close above the open on the screen.
      {60, 30, 80, 50, QRectF(97, 50, 6, 10), false, true, true, 30, 80},
      // Even, and a body of half a pixel: drawn as a line at its top.
      {55, 30, 80, 55, QRectF(97, 55, 6, 0), true, true, true, 30, 80},
      {55.5, 30, 80, 55, QRectF(97, 55, 6, 0.5), true, true, true, 30, 80},
      // A high inside the body has no upper shadow.
      {50, 55, 80, 60, QRectF(97, 50, 6, 10), false, false, true, 0, 80},
      // High and low swapped (or a twisted axis): the shadows still go out.
      {60, 80, 30, 50, QRectF(97, 50, 6, 10), false, true, true, 30, 80},
  };
  for (const TCase& C : Cases) {
    const TGvCandleGeometry G = GvCandleGeometry(100, 6, C.Open, C.High, C.Low, C.Close);
    EXPECT_EQ(G.Body, C.Body) << C.Open << " " << C.Close;
    EXPECT_EQ(G.BodyIsLine, C.Line) << C.Open << " " << C.Close;
    EXPECT_EQ(G.HasUpperShadow, C.Upper) << C.Open << " " << C.Close;
    EXPECT_EQ(G.HasLowerShadow, C.Lower) << C.Open << " " << C.Close;
    if (C.Line) {
      EXPECT_EQ(G.BodyLine, QLineF(97, C.Body.top(), 103, C.Body.top()));
    }
    if (C.Upper) {
      EXPECT_EQ(G.UpperShadow, QLineF(100, C.Body.top(), 100, C.UpperEnd));
    }
    if (C.Lower) {
      EXPECT_EQ(G.LowerShadow, QLineF(100, C.Body.bottom(), 100, C.LowerEnd));
    }
  }
}

TEST(OHLCGeometry, RangeCoversLowsAndHighsInEitherOrder)
{
  TGvMinMax R;
  GvAddOHLCRange(R, 3, 5);
  GvAddOHLCRange(R, 8, 6);
  GvAddOHLCRange(R, NaN, 7);
  EXPECT_DOUBLE_EQ(R.Min, 3);
  EXPECT_DOUBLE_EQ(R.Max, 8);
}

// ---- Bubbles --------------------------------------------------------------

TEST(BubblesGeometry, Radius)
{
  EXPECT_DOUBLE_EQ(GvBubbleRadius(-2), 2);
  EXPECT_DOUBLE_EQ(GvBubbleRadius(2), 2);
  EXPECT_TRUE(std::isnan(GvBubbleRadius(NaN)));
  EXPECT_TRUE(std::isnan(GvBubbleRadius(Inf)));
  // The transformation gets the absolute value; its result is made absolute.
  EXPECT_DOUBLE_EQ(GvBubbleRadius(-2, [](double R) { return -3 * R; }), 6);
  EXPECT_TRUE(std::isnan(GvBubbleRadius(2, [](double) { return Inf; })));
}

TEST(BubblesGeometry, RoundBubbleFactorIsOneWhenAnyFactorIsNotPositive)
{
  struct TCase
  {
    double XExtent, YAxisLength, YExtent, XAxisLength, Expected;
  } Cases[] = {
      {10, 200, 5, 400, 1},  {4, 300, 2, 100, 6},
      {0, 300, 2, 100, 1}, // a single bubble, or all at one X
      {4, 300, 0, 100, 1}, // flat data
      {4, 0, 2, 100, 1},   // an axis before its first layout
      {4, 300, 2, 0, 1},     {-4, 300, 2, 100, 1},
      {4, 300, -2, -100, 1}, // two negative factors do not make a positive one
      {NaN, 300, 2, 100, 1}, {4, Inf, 2, 100, 1},
  };
  for (const TCase& C : Cases)
    EXPECT_DOUBLE_EQ(GvRoundBubbleFactor(C.XExtent, C.YAxisLength, C.YExtent, C.XAxisLength),
                     C.Expected)
        << C.XExtent << " " << C.YAxisLength << " " << C.YExtent << " " << C.XAxisLength;

  EXPECT_DOUBLE_EQ(GvBubblePixelFactor(0.1, 0.05), 2);
  EXPECT_DOUBLE_EQ(GvBubblePixelFactor(0.1, 0), 1);
  EXPECT_DOUBLE_EQ(GvBubblePixelFactor(0, 0.1), 1);
  EXPECT_DOUBLE_EQ(GvBubblePixelFactor(NaN, 0.1), 1);
}

TEST(BubblesGeometry, RectanglesFromBothCorners)
{
  auto Ten = [](double V) { return 10 * V; };
  auto TenUp = [](double V) { return 400 - 10 * V; };
  auto TwentyUp = [](double V) { return 400 - 20 * V; };
  auto Twisted = [](double V) { return 500 - 10 * V; };
  auto Log = [](double V) { return 100 * std::log10(V); };
  // Radius 1 at (5, 5), 10 pixels per unit both ways: a circle of 20 pixels.
  EXPECT_EQ(*GvBubbleRect(5, 5, 1, 1, Ten, TenUp), QRectF(40, 340, 20, 20));
  // Elliptical on 10 pixels per X unit and 20 per Y unit: 20 wide, 40 high.
  EXPECT_EQ(*GvBubbleRect(5, 5, 1, 1, Ten, TwentyUp), QRectF(40, 280, 20, 40));
  // Round on the same axes: b = (1/10) / (1/20) = 2.
  EXPECT_EQ(*GvBubbleRect(5, 5, 1, GvBubblePixelFactor(0.1, 0.05), Ten, TwentyUp),
            QRectF(30, 280, 40, 40));
  // A twisted X axis gives the corners the other way round.
  EXPECT_EQ(*GvBubbleRect(5, 5, 1, 1, Twisted, TenUp), QRectF(440, 340, 20, 20));
  // On a log axis the bubble is not symmetric about its centre.
  const QRectF L = *GvBubbleRect(10, 5, 5, 1, Log, TenUp);
  EXPECT_NEAR(L.left(), 100 * std::log10(5.0), 1e-9);
  EXPECT_NEAR(L.right(), 100 * std::log10(15.0), 1e-9);
  // A corner without a pixel (below 0 on the log axis): no bubble.
  EXPECT_FALSE(GvBubbleRect(1, 5, 2, 1, Log, TenUp).has_value());
}

TEST(BubblesGeometry, Ranges)
{
  // Elliptical: X and Y widened by the radius alone.
  TGvBubbleRanges R = GvBubbleRanges({0, 10}, {0, 10}, {1, 1}, true, 200, 240);
  EXPECT_DOUBLE_EQ(R.Y.Min, -1);
  EXPECT_DOUBLE_EQ(R.Y.Max, 11);
  EXPECT_DOUBLE_EQ(R.X.Min, -1);
  EXPECT_DOUBLE_EQ(R.X.Max, 11);
  // Round: e = 10 * 480 / (12 * 200) = 2.
  R = GvBubbleRanges({0, 10}, {0, 10}, {1, 1}, false, 200, 480);
  EXPECT_DOUBLE_EQ(R.X.Min, -2);
  EXPECT_DOUBLE_EQ(R.X.Max, 12);
  // A single bubble: no X extent, e = 1.
  R = GvBubbleRanges({5}, {5}, {1}, false, 200, 480);
  EXPECT_DOUBLE_EQ(R.X.Min, 4);
  EXPECT_DOUBLE_EQ(R.X.Max, 6);
  EXPECT_DOUBLE_EQ(R.Y.Min, 4);
  EXPECT_DOUBLE_EQ(R.Y.Max, 6);
  // Elements without values (a NaN radius) and vectors of unequal length.
  R = GvBubbleRanges({0, 100, 10}, {0, 100, 10}, {1, NaN}, true, 200, 240);
  EXPECT_DOUBLE_EQ(R.X.Max, 1);
  EXPECT_DOUBLE_EQ(R.Y.Max, 1);
  R = GvBubbleRanges({}, {}, {}, false, 0, 0);
  EXPECT_FALSE(R.X.Valid());
  EXPECT_FALSE(R.Y.Valid());
}

// ---- Arrows ---------------------------------------------------------------

TEST(ArrowsGeometry, CountAndRanges)
{
  EXPECT_EQ(GvArrowCount(5, 6, 7, 8), 5);
  EXPECT_EQ(GvArrowCount(5, 6, 3, 8), 3);
  EXPECT_EQ(GvArrowCount(5, 6, -1, 8), 0); // delta X unset
  EXPECT_EQ(GvArrowCount(5, 6, 7, -1), 0);
  // From (0, 0) with delta (2, -1): X 0 to 2, Y -1 to 0.
  TGvArrowRanges R = GvArrowRanges({0}, {0}, {2}, {-1});
  EXPECT_DOUBLE_EQ(R.X.Min, 0);
  EXPECT_DOUBLE_EQ(R.X.Max, 2);
  EXPECT_DOUBLE_EQ(R.Y.Min, -1);
  EXPECT_DOUBLE_EQ(R.Y.Max, 0);
  R = GvArrowRanges({0, 50}, {0, 50}, {2, NaN}, {-1, 1});
  EXPECT_DOUBLE_EQ(R.X.Max, 2);
  EXPECT_DOUBLE_EQ(R.Y.Max, 0);
}

TEST(ArrowsGeometry, GradientRectangleIsAtLeastOnePixelEachWay)
{
  struct TCase
  {
    QPointF Tail, Tip;
    QRectF Expected;
  } Cases[] = {
      {{0, 0}, {10, 10}, QRectF(0, 0, 10, 10)},  {{10, 10}, {0, 0}, QRectF(0, 0, 10, 10)},
      {{0, 0}, {10, 0}, QRectF(0, -0.5, 10, 1)}, {{3, 8}, {3, 0}, QRectF(2.5, 0, 1, 8)},
      {{5, 5}, {5, 5}, QRectF(4.5, 4.5, 1, 1)},
  };
  for (const TCase& C : Cases) EXPECT_EQ(GvArrowGradientRect(C.Tail, C.Tip), C.Expected);
}

TEST(ArrowsGeometry, ShaftAndHead)
{
  const TGvArrowCap Cap = ArrowPointCap(5, 3, 2);
  TGvArrowGeometry G = GvArrowGeometry({0, 0}, {10, 0}, Cap);
  ASSERT_TRUE(G.Visible);
  EXPECT_EQ(G.Shaft, QLineF(0, 0, 7, 0));
  ASSERT_EQ(G.Head.size(), 5);
  const QPointF Head[] = {{5, 2}, {10, 0}, {5, -2}, {7, 0}, {5, 2}};
  for (int I = 0; I < 5; ++I) {
    EXPECT_NEAR(G.Head[I].x(), Head[I].x(), 1e-12) << I;
    EXPECT_NEAR(G.Head[I].y(), Head[I].y(), 1e-12) << I;
  }
  EXPECT_EQ(G.GradientRect, QRectF(0, -0.5, 10, 1));
  // Shorter than the head's inset: the shaft has no length, the head shows.
  G = GvArrowGeometry({0, 0}, {0, 2}, Cap);
  EXPECT_TRUE(G.Visible);
  EXPECT_EQ(G.Shaft.length(), 0);
  // No length, or no finite end: nothing is drawn.
  EXPECT_FALSE(GvArrowGeometry({4, 4}, {4, 4}, Cap).Visible);
  EXPECT_FALSE(GvArrowGeometry({4, 4}, {NaN, 4}, Cap).Visible);
  EXPECT_FALSE(GvArrowGeometry({4, Inf}, {4, 4}, Cap).Visible);
}
