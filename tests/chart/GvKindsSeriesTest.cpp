// OHLC bars, candlesticks, bubbles and arrows on a graph: binding, counts,
// ranges, what is drawn and what is left out.
#include "GraphTestSupport.h"
#include "RecordingUndoStack.h"

#include "chart/GvArrows.h"
#include "chart/GvBubbles.h"
#include "chart/GvOHLC.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

struct TOHLCFixture : TGvGraphFixture
{
  template <class T>
  T* OHLC(std::vector<double> X, std::vector<double> Open, std::vector<double> High,
          std::vector<double> Low, std::vector<double> Close)
  {
    auto* S = new T(Form.get());
    S->SetXAxis(this->X());
    S->SetYAxis(Y());
    S->SetXData(Vector(X));
    S->SetOpenData(Vector(Open));
    S->SetHighData(Vector(High));
    S->SetLowData(Vector(Low));
    S->SetCloseData(Vector(Close));
    return S;
  }
  bool InGraph(const TGvSeries* S) const
  {
    const auto& L = Graph->RelatedSeries();
    return std::find(L.begin(), L.end(), S) != L.end();
  }
};

bool White(const QImage& I, double X, double Y)
{
  return I.pixel(int(std::floor(X)), int(std::floor(Y))) == qRgb(255, 255, 255);
}

} // namespace

// ---- OHLC and candles -----------------------------------------------------

TEST(OHLC, CountIsTheSmallestOfTheFiveVectors)
{
  TOHLCFixture F;
  std::vector<double> Ten(10, 5.0), Nine(9, 4.0), X(10);
  for (int I = 0; I < 10; ++I) X[size_t(I)] = I;
  auto* S = F.OHLC<TGvOHLC>(X, Ten, Ten, Nine, Ten);
  S->Calculate();
  EXPECT_EQ(S->Count(), 9);
  F.Paint();
  EXPECT_EQ(S->PointCount(), 9);
}

TEST(OHLC, RangeRunsFromTheLowestLowToTheHighestHigh)
{
  TOHLCFixture F;
  auto* S = F.OHLC<TGvOHLC>({1, 2, 3}, {10, 11, 12}, {15, 18, 14}, {7, 9, 8}, {11, 12, 13});
  S->Calculate();
  EXPECT_EQ(S->XStart(), 1);
  EXPECT_EQ(S->XStop(), 3);
  EXPECT_EQ(S->YStart(), 7);
  EXPECT_EQ(S->YStop(), 18);
  // A high below its low still widens the range to both.
  auto* T = F.OHLC<TGvOHLC>({1}, {10}, {5}, {20}, {12});
  T->Calculate();
  EXPECT_EQ(T->YStart(), 5);
  EXPECT_EQ(T->YStop(), 20);
}

TEST(OHLC, JoinsTheGraphOnlyWithAllFourValueVectors)
{
  TOHLCFixture F;
  auto* S = new TGvCandleSticks(F.Form.get());
  S->SetXAxis(F.X());
  S->SetYAxis(F.Y());
  S->SetCloseData(F.Vector({1, 2}));
  S->SetOpenData(F.Vector({1, 2}));
  S->SetHighData(F.Vector({3, 4}));
  EXPECT_FALSE(F.InGraph(S));
  S->SetLowData(F.Vector({0, 1}));
  EXPECT_TRUE(F.InGraph(S));
  S->SetHighData(nullptr);
  EXPECT_FALSE(F.InGraph(S));
  F.Paint(); // draws nothing, and does not fail
  EXPECT_EQ(S->PointCount(), 0);
}

TEST(OHLC, SingleElementIsDrawn)
{
  TOHLCFixture F;
  GvFixAxis(F.X(), 0, 2);
  GvFixAxis(F.Y(), 0, 20);
  auto* S = F.OHLC<TGvOHLC>({1}, {8}, {16}, {4}, {12});
  const QImage I = F.Paint();
  ASSERT_EQ(S->PointCount(), 1);
  const double X = F.X()->NumberToWorld(1), Mid = F.Y()->NumberToWorld(10);
  EXPECT_FALSE(White(I, X, Mid));
}

TEST(OHLC, AnOutlierInAnyValueLeavesTheElementOut)
{
  TOHLCFixture F;
  auto* Low = F.Vector({1, 2, 3});
  auto* S = new TGvOHLC(F.Form.get());
  S->SetXAxis(F.X());
  S->SetYAxis(F.Y());
  S->SetOpenData(F.Vector({2, 3, 4}));
  S->SetHighData(F.Vector({5, 6, 7}));
  S->SetLowData(Low);
  S->SetCloseData(F.Vector({3, 4, 5}));
  Low->AddOutlier(1);
  EXPECT_TRUE(S->HasValuesAt(0));
  EXPECT_FALSE(S->HasValuesAt(1));
  F.Paint();
  EXPECT_EQ(S->PointCount(), 2);
  S->SetOutliersVisible(true);
  EXPECT_TRUE(S->HasValuesAt(1));
  // A value that is not finite never has values.
  auto* T = F.OHLC<TGvOHLC>({1, 2}, {2, NaN}, {5, 6}, {1, 2}, {3, 4});
  T->SetOutliersVisible(true);
  EXPECT_FALSE(T->HasValuesAt(1));
}

TEST(OHLC, BarWidthOfZeroStoresOneAndDefaults)
{
  TOHLCFixture F;
  TRecordingUndoStack Undo;
  TGvOHLC O(F.Form.get());
  TGvCandleSticks C(F.Form.get());
  EXPECT_EQ(O.BarWidth(), 4);
  EXPECT_EQ(C.BarWidth(), 6);
  EXPECT_EQ(O.IndicatorLength(), 5);
  EXPECT_EQ(O.Line()->Color(), 0xFF00008Bu);
  EXPECT_TRUE(O.Area()->Visible());
  EXPECT_EQ(O.Area()->ForeColor(), O.Line()->Color());
  EXPECT_EQ(C.Line()->Color(), 0xFF000000u);
  EXPECT_EQ(C.BullColor(), 0xFF008000u);
  EXPECT_EQ(C.BearColor(), 0xFFFF0000u);
  O.SetUndoStack(&Undo);
  O.SetBarWidth(0);
  EXPECT_EQ(O.BarWidth(), 1);
  O.SetBarWidth(-3);
  EXPECT_EQ(O.BarWidth(), 1);
  ASSERT_EQ(Undo.Entries.size(), 1u);
  EXPECT_EQ(Undo.Entries[0].Comment, "OHLC/candles bar width");
}

TEST(Candles, BullBearAndEvenCandles)
{
  TOHLCFixture F;
  GvFixAxis(F.X(), 0, 4);
  GvFixAxis(F.Y(), 0, 20);
  // Open 10 close 12 rises, 12/10 falls, 10/10 stays even.
  auto* S = F.OHLC<TGvCandleSticks>({1, 2, 3}, {10, 12, 10}, {16, 16, 16}, {4, 4, 4}, {12, 10, 10});
  S->SetBarWidth(12);
  EXPECT_EQ(S->CandleColor(0), 0xFF008000u);
  EXPECT_EQ(S->CandleColor(1), 0xFFFF0000u);
  EXPECT_EQ(S->CandleColor(2), 0xFF000000u);
  const QImage I = F.Paint();
  const double Mid = F.Y()->NumberToWorld(11);
  EXPECT_EQ(I.pixel(int(F.X()->NumberToWorld(1)) + 3, int(Mid)), qRgb(0, 128, 0));
  EXPECT_EQ(I.pixel(int(F.X()->NumberToWorld(2)) + 3, int(Mid)), qRgb(255, 0, 0));
  // The even candle is a line across the bar width at its level, in the
  // line colour, with its shadows.
  const double Level = F.Y()->NumberToWorld(10);
  const TGvCandleGeometry G = GvCandleGeometry(
      S->ScreenPoint(2).X, 12, Level, F.Y()->NumberToWorld(16), F.Y()->NumberToWorld(4), Level);
  EXPECT_TRUE(G.BodyIsLine);
  EXPECT_FALSE(White(I, S->ScreenPoint(2).X + 4, Level));
  EXPECT_TRUE(White(I, S->ScreenPoint(2).X + 4, Level - 4));
}

// ---- Bubbles --------------------------------------------------------------

TEST(Bubbles, RoundAndEllipticalBubbles)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), 0, 40);
  auto* S = F.Series<TGvBubbles>(F.Vector({5}), F.Vector({20}));
  S->SetRadiusData(F.Vector({-2})); // drawn with its absolute value
  F.Paint();
  ASSERT_EQ(S->PointCount(), 1); // a single bubble is drawn
  const double PerY = std::abs(F.Y()->NumberToWorld(1) - F.Y()->NumberToWorld(0));
  const double PerX = std::abs(F.X()->NumberToWorld(1) - F.X()->NumberToWorld(0));
  QRectF R = S->BubbleRect(0);
  // Round on the screen: 2 r in Y units high and as wide.
  EXPECT_NEAR(R.height(), 4 * PerY, 0.05);
  EXPECT_NEAR(R.width(), R.height(), 0.05);
  EXPECT_NEAR(R.center().x(), F.X()->NumberToWorld(5), 0.05);
  S->SetElliptical(true);
  F.Paint();
  R = S->BubbleRect(0);
  EXPECT_NEAR(R.width(), 4 * PerX, 0.05);
  EXPECT_NEAR(R.height(), 4 * PerY, 0.05);
}

TEST(Bubbles, RangesAndElementsWithoutRadius)
{
  TGvGraphFixture F;
  auto* R = F.Vector({1, NaN, 2});
  auto* S = F.Series<TGvBubbles>(F.Vector({0, 5, 10}), F.Vector({0, 100, 10}));
  EXPECT_EQ(S->GetCount(), 0); // no radius vector yet
  S->SetRadiusData(R);
  S->SetElliptical(true);
  S->Calculate();
  EXPECT_EQ(S->Count(), 3);
  EXPECT_FALSE(S->HasValuesAt(1));
  EXPECT_EQ(S->YStart(), -1);
  EXPECT_EQ(S->YStop(), 12);
  EXPECT_EQ(S->XStart(), -1);
  EXPECT_EQ(S->XStop(), 12);
  F.Paint();
  EXPECT_EQ(S->PointCount(), 2);
  // One bubble on axes before their first layout: the range is finite.
  TGvGraphFixture G;
  auto* One = G.Series<TGvBubbles>(G.Vector({5}), G.Vector({5}));
  One->SetRadiusData(G.Vector({1}));
  One->Calculate();
  EXPECT_EQ(One->XStart(), 4);
  EXPECT_EQ(One->XStop(), 6);
}

// ---- Arrows ---------------------------------------------------------------

TEST(Arrows, RangeCoversTailsAndTips)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvArrows>(F.Vector({0}), F.Vector({0}));
  EXPECT_EQ(S->GetCount(), 0); // delta vectors unset
  S->SetDeltaX(F.Vector({2}));
  EXPECT_EQ(S->GetCount(), 0);
  S->SetDeltaY(F.Vector({-1}));
  S->Calculate();
  EXPECT_EQ(S->Count(), 1);
  EXPECT_EQ(S->XStart(), 0);
  EXPECT_EQ(S->XStop(), 2);
  EXPECT_EQ(S->YStart(), -1);
  EXPECT_EQ(S->YStop(), 0);
  // Hidden arrow settings: no range.
  S->Arrow()->SetVisible(false);
  S->Calculate();
  EXPECT_GT(S->XStart(), S->XStop());
  EXPECT_EQ(static_cast<TGvLineSettings*>(S->Arrow()), S->Line());
}

TEST(Arrows, ZeroLengthArrowsDrawNothing)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), 0, 10);
  auto* S = F.Series<TGvArrows>(F.Vector({2, 6}), F.Vector({5, 5}));
  S->SetDeltaX(F.Vector({0, 3}));
  S->SetDeltaY(F.Vector({0, 0}));
  // A gradient along a horizontal arrow has a rectangle to work with.
  S->Arrow()->Gradient()->SetVisible(true);
  S->Arrow()->SetWidth(3);
  const QImage I = F.Paint();
  ASSERT_EQ(S->PointCount(), 2);
  const double Y = F.Y()->NumberToWorld(5);
  EXPECT_TRUE(White(I, F.X()->NumberToWorld(2), Y));
  EXPECT_FALSE(White(I, F.X()->NumberToWorld(7), Y));
  EXPECT_EQ(S->Tip(1), QPointF(F.X()->NumberToWorld(9), F.Y()->NumberToWorld(5)));
}
