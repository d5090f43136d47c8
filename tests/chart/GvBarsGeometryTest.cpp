// The arithmetic of bar series: slots within a class, counts, corners, 3-D
// depth and walls, stacking sums, ranges, label texts and label places.
#include "chart/GvBars.h"

#include "controls/GvStringFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

void ExpectPoly(const QPolygonF& P, std::initializer_list<QPointF> Expected)
{
  ASSERT_EQ(P.size(), qsizetype(Expected.size()));
  int I = 0;
  for (const QPointF& E : Expected) {
    EXPECT_DOUBLE_EQ(P[I].x(), E.x()) << "point " << I;
    EXPECT_DOUBLE_EQ(P[I].y(), E.y()) << "point " << I;
    ++I;
  }
}

} // namespace

TEST(BarsGeometry, SlotsOfShiftedBars)
{
  struct TCase
  {
    double E1, E2, Distance;
    int N, A;
    bool Horizontal;
    double Lo, Hi, L;
  } Cases[] = {
      // Two shifted vertical series, distance 20, a class 100 pixels wide:
      // each bar is 40 wide, the first from 10 to 50, the second from 50 to 90.
      {100, 200, 20, 2, 1, false, 110, 150, 80},
      {100, 200, 20, 2, 2, false, 150, 190, 80},
      // A twisted axis gives the edges the other way round.
      {200, 100, 20, 2, 1, false, 110, 150, 80},
      // Horizontal bars count from the class's bottom (the greater pixel) up.
      {300, 400, 20, 2, 1, true, 350, 390, 80},
      {300, 400, 20, 2, 2, true, 310, 350, 80},
      // One series fills the group; no gap with distance 0.
      {0, 60, 0, 1, 1, false, 0, 60, 60},
      // N below 1 counts as 1, A is kept within 1..N.
      {0, 60, 0, 0, 1, false, 0, 60, 60},
      {0, 60, 0, 2, 5, false, 30, 60, 60},
      // The distance is a share of 0..100 percent: beyond, the group has no
      // width left but its bars do not turn inside out.
      {0, 100, 100, 1, 1, false, 50, 50, 0},
      {0, 100, 250, 1, 1, false, 50, 50, 0},
      {0, 100, NaN, 1, 1, false, 0, 100, 100},
      {0, 100, -20, 1, 1, false, 0, 100, 100},
  };
  for (const TCase& C : Cases) {
    const TGvBarSlot S = GvBarSlot(C.E1, C.E2, C.Distance, C.N, C.A, C.Horizontal);
    EXPECT_DOUBLE_EQ(S.Lo, C.Lo) << C.E1 << " " << C.E2 << " a=" << C.A;
    EXPECT_DOUBLE_EQ(S.Hi, C.Hi) << C.E1 << " " << C.E2 << " a=" << C.A;
    EXPECT_DOUBLE_EQ(S.GroupWidth, C.L);
  }
}

TEST(BarsGeometry, CountFromValueAndBoundaryVectors)
{
  struct TCase
  {
    int Values;
    bool IsVector;
    int Boundaries, Expected;
  } Cases[] = {
      {5, true, 6, 5},                   // 6 boundaries around 5 bars
      {5, true, 5, 4},                   // one boundary short: 4 bars
      {5, true, 9, 5}, {5, false, 0, 5}, // an indexer gives i and i + 1
      {5, true, 1, 0}, {5, true, 0, 0},  // an empty boundary vector: no bars (not -1)
      {0, true, 0, 0}, {-1, false, 0, 0},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(GvBarCount(C.Values, C.IsVector, C.Boundaries), C.Expected)
        << C.Values << " values, " << C.Boundaries << " boundaries";
}

TEST(BarsGeometry, CornersAndNormalisedRectangles)
{
  const TGvBarSlot V{110, 150, 80};
  TGvBarCorners C = GvBarCorners(V, 50, 200, false, true);
  EXPECT_EQ(C.TopLeft, QPointF(110, 50));
  EXPECT_EQ(C.BottomRight, QPointF(150, 200));
  EXPECT_EQ(C.Rect(), QRectF(110, 50, 40, 150));
  // A negative bar extends downwards from the zero line: its stored "top" is
  // below the bottom, the rectangle is normalised.
  C = GvBarCorners(V, 250, 200, false, true);
  EXPECT_EQ(C.TopLeft, QPointF(110, 250));
  EXPECT_EQ(C.Rect(), QRectF(110, 200, 40, 50));

  // Horizontal bars start one pixel right of the zero line, or right at the
  // end of the bar below when stacked.
  const TGvBarSlot H{350, 390, 80};
  C = GvBarCorners(H, 300, 100, true, true);
  EXPECT_EQ(C.TopLeft, QPointF(101, 350));
  EXPECT_EQ(C.BottomRight, QPointF(300, 390));
  C = GvBarCorners(H, 300, 100, true, false);
  EXPECT_EQ(C.TopLeft, QPointF(100, 350));
}

TEST(BarsGeometry, DepthOfCuboidsAndCylinders)
{
  TGvBarDepth D = GvBarDepth(80, 50, TGvBarStyle::Cuboid, false);
  EXPECT_DOUBLE_EQ(D.DepthX, 80 * 50 / 240.0);
  EXPECT_DOUBLE_EQ(D.DepthY, 10);
  EXPECT_DOUBLE_EQ(D.CylinderShift, 0);
  D = GvBarDepth(80, 50, TGvBarStyle::Cylinder, false);
  EXPECT_DOUBLE_EQ(D.CylinderShift, D.DepthX);
  D = GvBarDepth(80, 50, TGvBarStyle::Cylinder, true);
  EXPECT_DOUBLE_EQ(D.CylinderShift, 10);
  // Each offset is at least one pixel, also for narrow groups, no depth or a
  // depth that is not a number.
  for (double Depth : {50.0, 0.0, NaN}) {
    D = GvBarDepth(2, Depth, TGvBarStyle::Flat, false);
    EXPECT_DOUBLE_EQ(D.DepthX, 1);
    EXPECT_DOUBLE_EQ(D.DepthY, 1);
  }
}

TEST(BarsGeometry, WallsBehindThreeDimensionalBars)
{
  const TGvBarWalls W = GvBarWalls(QRectF(50, 20, 400, 300), 16, 10);
  ExpectPoly(W.Back, {{66, 10}, {466, 10}, {466, 310}, {66, 310}});
  ExpectPoly(W.Left, {{50, 20}, {66, 10}, {66, 310}, {50, 320}});
  ExpectPoly(W.Floor, {{50, 320}, {66, 310}, {466, 310}, {450, 320}});
  const TGvBarWallColors C = GvBarWallColors(0xFF4080C0);
  EXPECT_EQ(C.Back, 0xFF4080C0u);
  EXPECT_EQ(C.Left, Brighten(0xFF4080C0, 0.85));
  EXPECT_EQ(C.Floor, Brighten(0xFF4080C0, 0.75));
}

TEST(BarsGeometry, StackSumsTakeOnlyPartnersWithValues)
{
  // Level 0 has a hole at index 2; level 1 is shorter and has a hole at 1;
  // level 2 is longer than both.
  const TGvStackLevel L0 = GvStackLevel({1, 2, NaN, 4}, nullptr);
  const TGvStackLevel L1 = GvStackLevel({10, NaN, 30}, &L0);
  const TGvStackLevel L2 = GvStackLevel({100, 100, 100, 100, 100}, &L1);
  struct TRow
  {
    const TGvStackLevel& Level;
    std::vector<double> Base, Top, Running;
  } Rows[] = {
      {L0, {0, 0, 0, 0}, {1, 2, NaN, 4}, {1, 2, 0, 4}},
      {L1, {1, 2, 0}, {11, NaN, 30}, {11, 2, 30, 4}},
      {L2, {11, 2, 30, 4, 0}, {111, 102, 130, 104, 100}, {111, 102, 130, 104, 100}},
  };
  int Level = 0;
  for (const TRow& R : Rows) {
    ASSERT_EQ(R.Level.Base.size(), R.Base.size());
    ASSERT_EQ(R.Level.Running.size(), R.Running.size());
    for (size_t I = 0; I < R.Base.size(); ++I) {
      EXPECT_DOUBLE_EQ(R.Level.Base[I], R.Base[I]) << "level " << Level << " index " << I;
      if (std::isnan(R.Top[I]))
        EXPECT_TRUE(std::isnan(R.Level.Top[I])) << "level " << Level << " index " << I;
      else
        EXPECT_DOUBLE_EQ(R.Level.Top[I], R.Top[I]) << "level " << Level << " index " << I;
    }
    for (size_t I = 0; I < R.Running.size(); ++I)
      EXPECT_DOUBLE_EQ(R.Level.Running[I], R.Running[I]) << "level " << Level << " index " << I;
    ++Level;
  }
  // Where no level so far has a bar, the next one grows from the zero line.
  EXPECT_EQ(L0.Covered, (std::vector<bool>{true, true, false, true}));
  EXPECT_EQ(L1.Covered, (std::vector<bool>{true, true, true, true}));
  const TGvStackLevel Hole = GvStackLevel({NaN}, nullptr);
  EXPECT_EQ(Hole.Covered, (std::vector<bool>{false}));
  // A negative bar on a positive one ends below its base; an infinite value
  // counts as a hole.
  const TGvStackLevel Neg = GvStackLevel({-5, Inf}, &L0);
  EXPECT_DOUBLE_EQ(Neg.Base[0], 1);
  EXPECT_DOUBLE_EQ(Neg.Top[0], -4);
  EXPECT_TRUE(std::isnan(Neg.Top[1]));
  EXPECT_DOUBLE_EQ(Neg.Running[1], 2);
}

TEST(BarsGeometry, ValueRangeIncludesZero)
{
  struct TCase
  {
    std::vector<double> Values;
    double Min, Max;
  } Cases[] = {
      {{2, 5}, 0, 5}, {{-1, -4}, -4, 0}, {{3, -2, NaN}, -2, 3}, {{}, 0, 0}, {{NaN, Inf}, 0, 0},
  };
  for (const TCase& C : Cases) {
    const TGvMinMax R = GvBarValueRange(C.Values);
    EXPECT_DOUBLE_EQ(R.Min, C.Min);
    EXPECT_DOUBLE_EQ(R.Max, C.Max);
  }
}

TEST(BarsGeometry, LabelTexts)
{
  const TFormatSettingsOverride Dot(FormatSettingsWithDecimal(u'.'));
  using S = TGvLabelStyle;
  struct TCase
  {
    S From;
    double R, Total;
    const char *Caption, *Format, *Expected;
  } Cases[] = {
      // Values 1, 1, 2 with an empty format.
      {S::Percent, 1, 4, "", "", "25%"},
      {S::Percent, 2, 4, "", "", "50%"},
      {S::Percent, 1, 3, "", "", "33.33%"},
      {S::Percent, 1, 4, "", "0.0", "25.0%"},
      {S::Percent, 1, 4, "", "0%", "25%"},
      // A negative total still gives percentages.
      {S::Percent, 1, -2, "", "", "-50%"},
      // A zero or non-finite total, or a value that is not finite: no number.
      {S::Percent, 1, 0, "", "", ""},
      {S::Percent, 0, 0, "", "", ""},
      {S::Percent, 1, NaN, "", "", ""},
      {S::Percent, 1, Inf, "", "", ""},
      {S::Percent, NaN, 4, "", "", ""},
      {S::Value, 2.5, 0, "", "", "2.5"},
      {S::Value, 2.5, 0, "", "0.00", "2.50"},
      {S::Value, NaN, 0, "", "", ""},
      {S::CaptionsList, 2.5, 0, "Jan", "", "Jan"},
      {S::CaptionAndValue, 2, 0, "Jan", "", "Jan 2"},
      {S::CaptionAndValue, 2, 0, "", "", "2"},
      {S::CaptionAndPercent, 1, 4, "Jan", "", "Jan 25%"},
      {S::CaptionAndPercent, 1, 0, "Jan", "", "Jan"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(GvBarLabelText(C.From, C.R, C.Total, C.Caption, C.Format), C.Expected)
        << int(C.From) << " " << C.R << " of " << C.Total << " format '" << C.Format << "'";
}

TEST(BarsGeometry, LabelPositionOfStackedSeriesAndFontSize)
{
  using P = TGvBarLabelPosition;
  EXPECT_EQ(GvEffectiveLabelPosition(P::OnTopOfBar, true, false), P::InTop);
  EXPECT_EQ(GvEffectiveLabelPosition(P::OnTopOfBar, true, true), P::OnTopOfBar);
  EXPECT_EQ(GvEffectiveLabelPosition(P::OnTopOfBar, false, false), P::OnTopOfBar);
  EXPECT_EQ(GvEffectiveLabelPosition(P::Centered, true, false), P::Centered);

  EXPECT_DOUBLE_EQ(GvBarLabelFontSize(80, false, 20), 16);
  EXPECT_DOUBLE_EQ(GvBarLabelFontSize(0, true, 20), 20);
  // Never below 1 point.
  EXPECT_DOUBLE_EQ(GvBarLabelFontSize(2, false, 20), 1);
  EXPECT_DOUBLE_EQ(GvBarLabelFontSize(80, false, 0), 1);
  EXPECT_DOUBLE_EQ(GvBarLabelFontSize(80, false, -5), 1);
  EXPECT_DOUBLE_EQ(GvBarLabelFontSize(NaN, false, 20), 1);
}

TEST(BarsGeometry, LabelPlacesOfVerticalBars)
{
  using P = TGvBarLabelPosition;
  const TGvBarDepth Depth{16, 10, 0};
  const TGvBarDepth CylinderDepth{16, 10, 16};
  struct TCase
  {
    QRectF Bar;
    P Position;
    TGvBarStyle Style;
    TGvBarDepth Depth;
    bool BelowTop;
    double X, Y;
  } Cases[] = {
      {QRectF(110, 50, 40, 150), P::OnBottom, TGvBarStyle::Flat, Depth, false, 130, 192.5},
      {QRectF(110, 50, 40, 150), P::Centered, TGvBarStyle::Flat, Depth, false, 130, 125},
      {QRectF(110, 50, 40, 150), P::GoldenCut, TGvBarStyle::Flat, Depth, false, 130,
       50 + 0.381966 * 150},
      {QRectF(110, 50, 40, 150), P::ThreeFourth, TGvBarStyle::Flat, Depth, false, 130, 87.5},
      {QRectF(110, 50, 40, 150), P::InTop, TGvBarStyle::Flat, Depth, false, 130, 57.5},
      {QRectF(110, 50, 40, 150), P::OnTopOfBar, TGvBarStyle::Flat, Depth, false, 130, 45},
      // Above a cuboid: right by DepthX / 2 and up by DepthY.
      {QRectF(110, 50, 40, 150), P::OnTopOfBar, TGvBarStyle::Cuboid, Depth, false, 138, 35},
      // Above a cylinder: up by DepthY, and every cylinder label right by half
      // the shift.
      {QRectF(110, 50, 40, 150), P::OnTopOfBar, TGvBarStyle::Cylinder, CylinderDepth, false, 138,
       35},
      {QRectF(110, 50, 40, 150), P::Centered, TGvBarStyle::Cylinder, CylinderDepth, false, 138,
       125},
      // A bar too short for its label: above it, or in its middle for a stacked
      // series below the top one.
      {QRectF(110, 192, 40, 8), P::Centered, TGvBarStyle::Flat, Depth, false, 130, 187},
      {QRectF(110, 192, 40, 8), P::Centered, TGvBarStyle::Flat, Depth, true, 130, 196},
      // A negative bar (normalised) keeps InTop inside, under the zero line.
      {QRectF(110, 200, 40, 50), P::InTop, TGvBarStyle::Flat, Depth, false, 130, 207.5},
  };
  for (const TCase& C : Cases) {
    TGvBarLabelInput In;
    In.Bar = C.Bar;
    In.Position = C.Position;
    In.Style = C.Style;
    In.Depth = C.Depth;
    In.K = 20;
    In.J = 10;
    In.StackedBelowTop = C.BelowTop;
    const QPointF Pt = GvBarLabelPoint(In);
    EXPECT_NEAR(Pt.x(), C.X, 1e-9) << int(C.Position) << " style " << int(C.Style);
    EXPECT_NEAR(Pt.y(), C.Y, 1e-9) << int(C.Position) << " style " << int(C.Style);
  }
}

TEST(BarsGeometry, LabelPlacesOfHorizontalBars)
{
  using P = TGvBarLabelPosition;
  const TGvBarDepth Depth{16, 10, 0};
  const TGvBarDepth CylinderDepth{16, 10, 10};
  struct TCase
  {
    QRectF Bar;
    P Position;
    TGvBarStyle Style;
    TGvBarDepth Depth;
    bool Vertical;
    double X, Y;
  } Cases[] = {
      {QRectF(100, 350, 200, 40), P::OnBottom, TGvBarStyle::Flat, Depth, false, 115, 370},
      {QRectF(100, 350, 200, 40), P::OnBottom, TGvBarStyle::Flat, Depth, true, 120, 370},
      {QRectF(100, 350, 200, 40), P::Centered, TGvBarStyle::Flat, Depth, false, 200, 370},
      {QRectF(100, 350, 200, 40), P::GoldenCut, TGvBarStyle::Flat, Depth, false,
       100 + 0.6180339 * 200, 370},
      {QRectF(100, 350, 200, 40), P::ThreeFourth, TGvBarStyle::Flat, Depth, false, 250, 370},
      {QRectF(100, 350, 200, 40), P::InTop, TGvBarStyle::Flat, Depth, false, 285, 370},
      {QRectF(100, 350, 200, 40), P::InTop, TGvBarStyle::Flat, Depth, true, 280, 370},
      {QRectF(100, 350, 200, 40), P::OnTopOfBar, TGvBarStyle::Flat, Depth, false, 312.5, 370},
      {QRectF(100, 350, 200, 40), P::OnTopOfBar, TGvBarStyle::Flat, Depth, true, 310, 370},
      // Beside a cuboid: up by DepthY / 2, right by DepthX.
      {QRectF(100, 350, 200, 40), P::OnTopOfBar, TGvBarStyle::Cuboid, Depth, false, 328.5, 365},
      // Beside a cylinder: right by DepthX, every label up by half the shift.
      {QRectF(100, 350, 200, 40), P::OnTopOfBar, TGvBarStyle::Cylinder, CylinderDepth, false, 328.5,
       365},
      // Too short: beside the bar.
      {QRectF(100, 350, 15, 40), P::Centered, TGvBarStyle::Flat, Depth, false, 127.5, 370},
  };
  for (const TCase& C : Cases) {
    TGvBarLabelInput In;
    In.Bar = C.Bar;
    In.Horizontal = true;
    In.Position = C.Position;
    In.Style = C.Style;
    In.Depth = C.Depth;
    In.K = 20;
    In.J = 10;
    In.LabelVertical = C.Vertical;
    const QPointF Pt = GvBarLabelPoint(In);
    EXPECT_NEAR(Pt.x(), C.X, 1e-9) << int(C.Position) << " style " << int(C.Style);
    EXPECT_NEAR(Pt.y(), C.Y, 1e-9) << int(C.Position) << " style " << int(C.Style);
  }
}
