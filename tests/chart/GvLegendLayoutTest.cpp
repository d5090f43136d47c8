// The arithmetic of legends: entries in rows and columns, the box, sample
// styles and shapes, docking, dragging.
#include "chart/GvLegend.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// B 8, G 4, L 3, C 10, item height 12, item width 80 (S = 84); three
// entries with captions 40, 50 and 60 wide and 14 high.
TGvLegendLayoutInput ThreeItems(TGvItemsOrder Order)
{
  TGvLegendLayoutInput In;
  In.ItemHeight = 12;
  In.ItemsOrder = Order;
  In.Items = {{40, 14}, {50, 14}, {60, 14}};
  return In;
}

std::vector<int> Xs(const TGvLegendLayout& L)
{
  std::vector<int> X;
  for (const QRect& R : L.SampleRects) X.push_back(R.x());
  return X;
}
std::vector<int> Ys(const TGvLegendLayout& L)
{
  std::vector<int> Y;
  for (const QRect& R : L.SampleRects) Y.push_back(R.y());
  return Y;
}

} // namespace

TEST(LegendLayout, OneRowIsCentredAndAsWideAsItsEntries)
{
  const TGvLegendLayout L = GvLegendLayout(ThreeItems(TGvItemsOrder::ByRow));
  // W = sum of (caption width + S + C) - C + 2B.
  EXPECT_EQ(L.Width, (40 + 50 + 60 + 3 * 94) - 10 + 16);
  EXPECT_EQ(L.Height, 8 + 14 + 8);
  EXPECT_EQ(L.Lines, 1);
  // The row (422 wide) is centred in 438: moved right by 8.
  EXPECT_EQ(Xs(L), (std::vector<int>{8, 142, 286}));
  EXPECT_EQ(Ys(L), (std::vector<int>{9, 9, 9}));
  EXPECT_EQ(L.SampleRects[0].size(), QSize(80, 12));
  EXPECT_EQ(L.CaptionPoints[0], QPointF(92, 15));
  EXPECT_EQ(L.CaptionPoints[2], QPointF(370, 15));
  EXPECT_EQ(L.ControlSize, QSize(438, 30));
  EXPECT_EQ(L.CaptionPoint, QPointF(219, 8));
}

TEST(LegendLayout, RowsAreFilledWithTheItemCountRoundedUp)
{
  struct TCase
  {
    int Rows, Lines;
  } Cases[] = {
      {1, 1},  {2, 2}, // 3 items in at most 2 rows: 2 and 1 (not 3 rows of 1)
      {3, 3},  {5, 3}, // more rows than items: one item per row
      {0, 1},          // 0 rows is 1
      {-4, 1},
  };
  for (const TCase& C : Cases) {
    TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByRow);
    In.Rows = C.Rows;
    EXPECT_EQ(GvLegendLayout(In).Lines, C.Lines) << "Rows " << C.Rows;
  }
  TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByRow);
  In.Rows = 2;
  const TGvLegendLayout L = GvLegendLayout(In);
  // Row 1 (268 wide) and row 2 (144 wide), each centred in 284.
  EXPECT_EQ(L.Width, 284);
  EXPECT_EQ(Xs(L), (std::vector<int>{8, 142, 70}));
  EXPECT_EQ(Ys(L), (std::vector<int>{9, 9, 26}));
  EXPECT_EQ(L.Height, 8 + 17 + 14 + 8);
}

TEST(LegendLayout, RowsWithoutAutoSizeCentreInTheControl)
{
  TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByRow);
  In.AutoSize = false;
  In.ControlWidth = 500;
  EXPECT_EQ(Xs(GvLegendLayout(In)), (std::vector<int>{39, 173, 317}));
}

TEST(LegendLayout, ColumnsCloseAtTheirShareOfTheHeight)
{
  TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByColumn);
  In.Columns = 2;
  TGvLegendLayout L = GvLegendLayout(In);
  // The first column closes where its heights reach 1.5 entries: two items
  // in the first column, one in the second.
  EXPECT_EQ(L.Lines, 2);
  EXPECT_EQ(Xs(L), (std::vector<int>{8, 8, 152}));
  EXPECT_EQ(Ys(L), (std::vector<int>{9, 26, 9}));
  EXPECT_EQ(L.CaptionPoints[1], QPointF(92, 32));
  EXPECT_EQ(L.Width, 8 + 84 + 50 + 10 + 84 + 60 + 8);
  EXPECT_EQ(L.Height, 8 + 17 + 14 + 8);

  for (int Columns : {1, 0, -1}) {
    In.Columns = Columns;
    L = GvLegendLayout(In);
    EXPECT_EQ(L.Lines, 1) << Columns;
    EXPECT_EQ(Xs(L), (std::vector<int>{8, 8, 8}));
    EXPECT_EQ(Ys(L), (std::vector<int>{9, 26, 43}));
    EXPECT_EQ(L.Width, 16 + 60 + 84);
    EXPECT_EQ(L.Height, 8 + 17 + 17 + 14 + 8);
  }
}

TEST(LegendLayout, TallItemsAndCaptionsSetTheLineHeight)
{
  TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByColumn);
  In.ItemHeight = 20;             // taller than the captions: c = 20
  In.Items[1].CaptionHeight = 30; // taller than the item: c = 30, sample centred
  const TGvLegendLayout L = GvLegendLayout(In);
  EXPECT_EQ(Ys(L), (std::vector<int>{8, 31 + 5, 31 + 33}));
  EXPECT_EQ(L.SampleRects[1].height(), 20);
  EXPECT_EQ(L.CaptionPoints[1].y(), 31 + 15);
}

TEST(LegendLayout, WideCaptionMovesTheEntriesByItsAlignment)
{
  struct TCase
  {
    TGvAlignment Alignment;
    int ItemX;
    QPointF Caption;
  } Cases[] = {
      {TGvAlignment::Center, 8 + 128, {208, 10}},
      {TGvAlignment::RightJustify, 8 + 256, {408, 10}},
      {TGvAlignment::LeftJustify, 8, {8, 10}},
  };
  for (const TCase& C : Cases) {
    TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByColumn);
    In.CaptionShown = true;
    In.CaptionWidth = 400;
    In.CaptionHeight = 16;
    In.CaptionDistanceBefore = 2;
    In.CaptionDistanceAfter = 3;
    In.CaptionAlignment = C.Alignment;
    const TGvLegendLayout L = GvLegendLayout(In);
    EXPECT_EQ(L.Width, 416);
    EXPECT_EQ(L.Height, 8 + 21 + 17 + 17 + 14 + 8);
    EXPECT_EQ(L.SampleRects[0].x(), C.ItemX);
    EXPECT_EQ(L.CaptionPoints[0].x(), C.ItemX + 84);
    EXPECT_EQ(L.SampleRects[0].y(), 8 + 21 + 1);
    EXPECT_EQ(L.CaptionPoint, C.Caption);
  }
}

TEST(LegendLayout, ShadowEnlargesTheControlOnlyWhenDrawn)
{
  TGvLegendLayoutInput In = ThreeItems(TGvItemsOrder::ByRow);
  In.ShadowDrawn = true;
  EXPECT_EQ(GvLegendLayout(In).ControlSize, QSize(438 + 5, 30 + 4));
  // A shadow is not drawn under a transparent box without a gradient.
  EXPECT_FALSE(GvLegendShadowDrawn(true, 0x00FFFFFF, false));
  EXPECT_FALSE(GvLegendShadowDrawn(true, 0xC7FFFFFF, false));
  EXPECT_TRUE(GvLegendShadowDrawn(true, 0xC8FFFFFF, false));
  EXPECT_TRUE(GvLegendShadowDrawn(true, 0x10FFFFFF, true));
  EXPECT_FALSE(GvLegendShadowDrawn(false, 0xFFFFFFFF, true));
}

TEST(LegendLayout, EmptyLegendAndRounding)
{
  TGvLegendLayoutInput In;
  const TGvLegendLayout L = GvLegendLayout(In);
  EXPECT_EQ(L.Width, 16);
  EXPECT_EQ(L.Height, 16);
  EXPECT_EQ(L.Lines, 0);
  EXPECT_TRUE(L.SampleRects.empty());
  // Halves go to the even neighbour; what is not finite is 0.
  EXPECT_EQ(GvLegendRound(2.5), 2);
  EXPECT_EQ(GvLegendRound(3.5), 4);
  EXPECT_EQ(GvLegendRound(-2.5), -2);
  EXPECT_EQ(GvLegendRound(std::nan("")), 0);
  EXPECT_EQ(GvLegendRowsOrColumns(0), 1);
  EXPECT_EQ(GvLegendRowsOrColumns(-3), 1);
  EXPECT_EQ(GvLegendRowsOrColumns(4), 4);
}

TEST(LegendLayout, BoxRectangle)
{
  EXPECT_EQ(GvLegendBoxRect(QRect(0, 0, 100, 50), 1, false), QRectF(0.5, 0.5, 98, 48));
  EXPECT_EQ(GvLegendBoxRect(QRect(0, 0, 100, 50), 3, false), QRectF(1.5, 1.5, 96, 46));
  EXPECT_EQ(GvLegendBoxRect(QRect(0, 0, 100, 50), 0, false), QRectF(0.5, 0.5, 98, 48));
  EXPECT_EQ(GvLegendBoxRect(QRect(0, 0, 100, 50), 1, true), QRectF(0.5, 0.5, 93, 44));
  EXPECT_EQ(GvLegendBoxRect(QRect(0, 0, 3, 3), 1, true).size(), QSizeF(0, 0));
}

TEST(LegendSamples, MergedStyles)
{
  using F = TGvSampleFlags;
  const F Line{true, false, false}, Area{false, true, false}, Both{true, true, false},
      Symbol{false, false, true};
  struct TCase
  {
    std::vector<F> Series;
    std::vector<int> Styles;
  } Cases[] = {
      {{Line}, {1}},
      {{Area}, {0}},
      {{Symbol}, {1}},
      {{Line, Line}, {1, 2}},
      {{Both, Line, Line}, {3, 1, 2}},
      {{Line, Line, Line, Line}, {3, 1, 2, 1}},
      {{Area, Symbol}, {0, 1}},
      {{Line, Area}, {1, 2}},
      {{Symbol, Line}, {1, 1}},
      {{Area, Area}, {1, 2}},
  };
  for (const TCase& C : Cases) EXPECT_EQ(GvMergedSampleStyles(C.Series), C.Styles);
}

TEST(LegendSamples, ShapesOfTheFourStyles)
{
  const QRectF R(10, 20, 40, 12);
  TGvLegendSampleGeometry S = GvLegendSample(R, 0, false);
  EXPECT_EQ(S.Area.boundingRect(), R);
  EXPECT_FALSE(S.HasLine);
  EXPECT_EQ(S.Symbol, QPointF(30, 26));

  S = GvLegendSample(R, 1, true);
  EXPECT_EQ(S.Area.boundingRect(), QRectF(10, 26, 40, 6));
  EXPECT_EQ(S.Line, QLineF(10, 26, 50, 26));
  EXPECT_EQ(S.Symbol, QPointF(20, 26));
  EXPECT_EQ(S.OutOfRangeSymbol, QPointF(40, 26));

  S = GvLegendSample(R, 2, true);
  EXPECT_FALSE(S.AreaIsRect);
  EXPECT_EQ(S.Area, (QPolygonF{{10, 32}, {50, 20}, {50, 32}}));
  EXPECT_EQ(S.Line, QLineF(10, 32, 50, 20));
  EXPECT_EQ(S.Symbol, QPointF(20, 29));
  EXPECT_EQ(S.OutOfRangeSymbol, QPointF(40, 23));

  S = GvLegendSample(R, 3, true);
  EXPECT_EQ(S.Area, (QPolygonF{{50, 32}, {10, 20}, {10, 32}}));
  EXPECT_EQ(S.Line, QLineF(50, 32, 10, 20));
  EXPECT_EQ(S.Symbol, QPointF(20, 23));
  EXPECT_EQ(S.OutOfRangeSymbol, QPointF(40, 29));
}

TEST(LegendDocking, DockedPositionsSetTheItemsOrder)
{
  using P = TGvLegendPosition;
  const auto Row = TGvItemsOrder::ByRow, Column = TGvItemsOrder::ByColumn;
  struct TCase
  {
    P Position;
    std::optional<TGvItemsOrder> Order;
  } Cases[] = {
      {P::BottomCenterOfGraph, Row},   {P::BottomCenterOfAxis, Row},
      {P::LeftCenterOfGraph, Column},  {P::LeftCenterOfAxis, Column},
      {P::LeftTopOfAxis, Column},      {P::TopCenterOfGraph, Row},
      {P::TopCenterOfAxis, Row},       {P::RightCenterOfGraph, Column},
      {P::RightCenterOfAxis, Column},  {P::RightTopOfAxis, Column},
      {P::FreeFloating, std::nullopt},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(GvDockedItemsOrder(C.Position), C.Order) << int(C.Position);
}

TEST(LegendDrag, FollowsThePointerFromThePlaceAtThePress)
{
  TGvLegendDrag Drag;
  EXPECT_FALSE(Drag.Active());
  Drag.Start(QPoint(100, 100), QPoint(20, 30));
  EXPECT_TRUE(Drag.Active());
  // Every move places the legend by the travel since the press, so a second
  // move does not add the first one's offset again.
  EXPECT_EQ(Drag.Place(QPoint(110, 95)), QPoint(30, 25));
  EXPECT_EQ(Drag.Place(QPoint(130, 120)), QPoint(50, 50));
  EXPECT_EQ(Drag.Place(QPoint(100, 100)), QPoint(20, 30));
  Drag.Stop();
  EXPECT_FALSE(Drag.Active());
}
