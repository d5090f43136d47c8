// Legends on a graph: the item list and its guarded references, the layout
// through the component, docking, dragging, merged samples, undo entries.
#include "GraphTestSupport.h"
#include "RecordingUndoStack.h"

#include "chart/GvIO.h"
#include "chart/GvLegend.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

struct TLegendFixture : TGvGraphFixture
{
  TGvLegend* Legend;
  std::vector<TGvLineSeries*> S;

  explicit TLegendFixture(int N = 3)
  {
    for (int I = 0; I < N; ++I) {
      S.push_back(Series(Vector({0, 1, 2}), Vector({double(I), double(I + 1), 0})));
      S.back()->SetName(QStringLiteral("S%1").arg(I + 1));
      S.back()->SetCaption(QStringLiteral("Series %1").arg(I + 1));
    }
    Legend = new TGvLegend(Form.get());
    Legend->SetName("Legend1");
    Legend->SetGraph(Graph);
  }
  std::vector<TGvSeries*> Items()
  {
    Legend->PreparePaint();
    std::vector<TGvSeries*> R;
    for (int I = 0; I < Legend->ItemCount(); ++I) R.push_back(Legend->Item(I));
    return R;
  }
  void PaintLegend()
  {
    QImage I(400, 300, QImage::Format_ARGB32_Premultiplied);
    I.fill(Qt::white);
    QPainter P(&I);
    Legend->PaintGr(P);
  }
};

} // namespace

TEST(Legend, ListsTheGraphsSeriesInOneCentredRow)
{
  TLegendFixture F;
  F.Legend->SetItemsOrder(TGvItemsOrder::ByRow);
  F.Legend->PreparePaint();
  ASSERT_EQ(F.Legend->ItemCount(), 3);
  // W = sum of (caption width + S + C) - C + 2B, S = round(ItemWidth + G).
  int Sum = 0;
  for (int I = 0; I < 3; ++I) Sum += GvLegendRound(F.Legend->ItemCaption(I)->Width()) + 84 + 10;
  EXPECT_EQ(F.Legend->ContentWidth(), Sum - 10 + 16);
  EXPECT_EQ(F.Legend->Width(), F.Legend->ContentWidth()); // AutoSize
  const int Y0 = F.Legend->ItemRect(0).y();
  EXPECT_EQ(F.Legend->ItemRect(1).y(), Y0);
  EXPECT_EQ(F.Legend->ItemRect(0).x(), 8); // the widest row is centred by B
  EXPECT_EQ(F.Legend->ItemCaption(1)->Caption(), "Series 2");
}

TEST(Legend, ItemsOrderListComesFirstAndEachSeriesOnce)
{
  TLegendFixture F;
  const QString S3 = GetComponentRef(F.S[2]), S1 = GetComponentRef(F.S[0]);
  ASSERT_FALSE(S3.isEmpty());
  F.Legend->SetItemsOrderList({S3, S1, S3, "NoSuchForm.NoSuchSeries"});
  EXPECT_EQ(F.Items(), (std::vector<TGvSeries*>{F.S[2], F.S[0], F.S[1]}));
  // A series not included in legends is skipped, also when named.
  F.S[2]->SetIncludeInLegend(false);
  F.Legend->Modified();
  EXPECT_EQ(F.Items(), (std::vector<TGvSeries*>{F.S[0], F.S[1]}));
}

TEST(Legend, NeverPaintsSeriesThatAreGone)
{
  TLegendFixture F;
  ASSERT_EQ(F.Items().size(), 3u);
  // Destroyed while listed: the next paint passes over it, the refresh
  // drops it.
  delete F.S[1];
  EXPECT_EQ(F.Legend->Item(1), nullptr);
  F.PaintLegend();
  F.Paint();
  EXPECT_EQ(F.Items(), (std::vector<TGvSeries*>{F.S[0], F.S[2]}));
  // Leaving the graph (its Y axis taken away).
  F.S[2]->SetYAxis(nullptr);
  F.Paint();
  EXPECT_EQ(F.Items(), (std::vector<TGvSeries*>{F.S[0]}));
}

TEST(Legend, DroppingTheGraphClearsTheItems)
{
  TLegendFixture F;
  ASSERT_EQ(F.Items().size(), 3u);
  delete F.Graph;
  EXPECT_EQ(F.Legend->Graph(), nullptr);
  EXPECT_EQ(F.Legend->ItemCount(), 0);
  F.Legend->SetCaption("Only the box ");
  F.Legend->SetCaptionVisible(true);
  F.PaintLegend();
  EXPECT_EQ(F.Legend->Caption(), "Only the box"); // trailing blanks dropped
  EXPECT_EQ(F.Legend->ItemCount(), 0);
}

TEST(Legend, RowsAndColumnsOfZeroAreOne)
{
  TLegendFixture F;
  F.Legend->SetColumns(0);
  F.Legend->SetRows(-2);
  EXPECT_EQ(F.Legend->Columns(), 1);
  EXPECT_EQ(F.Legend->Rows(), 1);
  // Three items in two rows: two rows (the count per row rounded up).
  F.Legend->SetItemsOrder(TGvItemsOrder::ByRow);
  F.Legend->SetRows(2);
  F.Legend->PreparePaint();
  EXPECT_EQ(F.Legend->ItemRect(0).y(), F.Legend->ItemRect(1).y());
  EXPECT_GT(F.Legend->ItemRect(2).y(), F.Legend->ItemRect(1).y());
}

TEST(Legend, DockedPositionsSetTheOrderAndTheGraphPlacesThem)
{
  TLegendFixture F;
  TRecordingUndoStack Undo;
  F.Legend->SetUndoStack(&Undo);
  F.Legend->SetPosition(TGvLegendPosition::TopCenterOfGraph);
  EXPECT_EQ(F.Legend->ItemsOrder(), TGvItemsOrder::ByRow);
  // Leaving FreeFloating records one group with the place and the order.
  ASSERT_GE(Undo.Entries.size(), 6u);
  EXPECT_EQ(Undo.Entries[0].Kind, "StartGroup");
  EXPECT_EQ(Undo.Entries[0].Comment, "Legend position");
  EXPECT_EQ(Undo.Entries[1].PropName, "Left");
  EXPECT_EQ(Undo.Entries[4].PropName, "Position");
  EXPECT_EQ(Undo.Entries[5].Kind, "StopGroup");
  Undo.Entries.clear();
  F.Legend->SetPosition(TGvLegendPosition::RightCenterOfAxis);
  EXPECT_EQ(F.Legend->ItemsOrder(), TGvItemsOrder::ByColumn);
  ASSERT_EQ(Undo.Entries.size(), 1u);
  EXPECT_EQ(Undo.Entries[0].PropName, "Position");

  F.Legend->SetPosition(TGvLegendPosition::BottomCenterOfGraph);
  F.Paint();
  const QRect B = F.Legend->BoundsRect();
  EXPECT_EQ(B.left(), (F.Graph->width() - B.width()) / 2);
  EXPECT_EQ(B.top() + B.height(), F.Graph->height());
  // The data area ends above the legend.
  EXPECT_LT(F.Graph->DrawingArea().bottom(), B.top());
}

TEST(Legend, DraggedOnlyWhenFloatingAndWithExactlyTheKeys)
{
  TLegendFixture F;
  F.Legend->SetBounds(50, 40, 0, 0);
  F.Legend->PreparePaint();
  const QPoint Inside = F.Legend->BoundsRect().center();
  using GvGraphTypes::ssLeft;
  using GvGraphTypes::ssShift;
  EXPECT_FALSE(F.Legend->MouseDown(ssLeft | ssShift, Inside));
  EXPECT_FALSE(F.Legend->MouseDown(ssLeft, QPoint(1, 1))); // not on the legend
  int Started = 0;
  F.Legend->OnStartFreeFloating = [&](TGvLegend*) { ++Started; };
  ASSERT_TRUE(F.Legend->MouseDown(ssLeft, Inside));
  EXPECT_EQ(Started, 1);
  // Each move places the legend by the travel since the press.
  F.Legend->MouseMove(Inside + QPoint(10, 5));
  EXPECT_EQ(F.Legend->BoundsRect().topLeft(), QPoint(60, 45));
  F.Legend->MouseMove(Inside + QPoint(30, -10));
  EXPECT_EQ(F.Legend->BoundsRect().topLeft(), QPoint(80, 30));
  F.Legend->MouseUp();
  F.Legend->MouseMove(Inside);
  EXPECT_EQ(F.Legend->BoundsRect().topLeft(), QPoint(80, 30));
  // A docked legend never moves with the mouse.
  F.Legend->SetPosition(TGvLegendPosition::LeftTopOfAxis);
  EXPECT_FALSE(F.Legend->MouseDown(ssLeft, F.Legend->BoundsRect().center()));
}

TEST(Legend, MergedSamplesEndInACycle)
{
  TLegendFixture F;
  F.S[0]->SetMergeLegendItemWith(F.S[1]);
  F.S[1]->SetMergeLegendItemWith(F.S[0]);
  EXPECT_EQ(F.Legend->MergedSeries(F.S[0]), (std::vector<TGvSeries*>{F.S[0], F.S[1]}));
  F.PaintLegend(); // does not hang
  // A hidden series named by a visible one is listed.
  F.S[2]->SetVisible(false);
  F.Legend->Modified();
  EXPECT_EQ(F.Items().size(), 2u);
  F.S[0]->SetMergeLegendItemWith(F.S[2]);
  F.Legend->Modified();
  EXPECT_EQ(F.Items().size(), 3u);
}

TEST(Legend, ShadowAndCaptionColours)
{
  TLegendFixture F;
  F.Legend->SetDropShadow(true); // on a transparent box: no shadow
  F.Legend->PreparePaint();
  EXPECT_FALSE(F.Legend->ShadowDrawn());
  EXPECT_EQ(F.Legend->Width(), F.Legend->ContentWidth());
  F.Legend->SetBackColor(0xFFFFFFFF);
  F.Legend->PreparePaint();
  EXPECT_TRUE(F.Legend->ShadowDrawn());
  EXPECT_EQ(F.Legend->Width(), F.Legend->ContentWidth() + 5);
  EXPECT_EQ(F.Legend->Height(), F.Legend->ContentHeight() + 4);
  F.Legend->SetLegendCaptionColorFrom(TGvLegendCaptionColorFrom::SeriesLineColor);
  F.Legend->PreparePaint();
  EXPECT_EQ(F.Legend->ItemCaption(1)->ColorOverride(), F.S[1]->Line()->Color());
}

TEST(Legend, UndoDescriptions)
{
  TLegendFixture F;
  TRecordingUndoStack Undo;
  F.Legend->SetUndoStack(&Undo);
  F.Legend->SetColumns(2);
  F.Legend->SetItemWidth(60);
  F.Legend->SetVisible(false);
  F.Legend->SetItemsOrderList({"a"});
  ASSERT_EQ(Undo.Entries.size(), 4u);
  EXPECT_EQ(Undo.Entries[0].Comment, "Legend number of columns");
  EXPECT_EQ(Undo.Entries[1].Comment, "Legend item width");
  EXPECT_EQ(Undo.Entries[2].Comment, "Legend visible");
  EXPECT_EQ(Undo.Entries[3].Comment, "Legend items order list");
}
