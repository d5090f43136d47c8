// Legends: docked in each of the ten positions and floating; the samples of
// every series kind in one legend.
#include "GallerySheet.h"
#include "SheetKindsSupport.h"

#include "chart/GvArrows.h"
#include "chart/GvBars.h"
#include "chart/GvBubbles.h"
#include "chart/GvLegend.h"
#include "chart/GvOHLC.h"

#include <cmath>

namespace {

void ThreeSeries(TSheetGraph& G)
{
  std::vector<double> X, A, B, C;
  for (int I = 0; I <= 40; ++I) {
    const double T = I / 4.0;
    X.push_back(T);
    A.push_back(2 + std::sin(T));
    B.push_back(1 + 0.5 * std::cos(T * 0.8));
    C.push_back(3 + 0.3 * T - 0.02 * T * T);
  }
  auto* S1 = G.Series<TGvPointSeries>(X, A);
  S1->SetCaption("Signal");
  S1->PointSymbol()->SetVisible(true);
  S1->PointSymbol()->SetSize(7);
  auto* S2 = G.Line(X, B);
  S2->SetCaption("Baseline");
  S2->Area()->SetVisible(true);
  S2->Area()->SetForeColor(0x6090EE90);
  auto* S3 = G.Line(X, C);
  S3->SetCaption("Trend \\i(fit)\\i");
  S3->Line()->SetDashStyle(TGvDashStyle::Dash);
  S3->Line()->SetWidth(2);
}

QImage LegendGraph(TGvLegendPosition Position, int W, int H)
{
  TSheetGraph G(W, H, GalleryEnumName(Position));
  G.Graph->CaptionFont()->SetSize(9);
  ThreeSeries(G);
  auto* L = new TGvLegend(G.Form.get());
  L->SetName("Legend1");
  L->SetGraph(G.Graph);
  L->SetBackColor(0xFFFFFFF0);
  L->SetFrame(L->Frame());
  L->SetItemWidth(36);
  L->SetDistanceToBorder(5);
  L->SetPosition(Position);
  if (Position == TGvLegendPosition::FreeFloating) {
    L->SetCaption("Floating");
    L->SetCaptionVisible(true);
    L->SetDropShadow(true);
    L->SetCornerRounding(8);
    L->SetBounds(W - 190, 60, 0, 0);
  }
  return SettledImage(G.Graph);
}

} // namespace

GV_GALLERY_SHEET(legend_positions)
{
  const TGvLegendPosition Positions[] = {
      TGvLegendPosition::TopCenterOfGraph,    TGvLegendPosition::TopCenterOfAxis,
      TGvLegendPosition::BottomCenterOfGraph, TGvLegendPosition::BottomCenterOfAxis,
      TGvLegendPosition::LeftCenterOfGraph,   TGvLegendPosition::LeftCenterOfAxis,
      TGvLegendPosition::LeftTopOfAxis,       TGvLegendPosition::RightCenterOfGraph,
      TGvLegendPosition::RightCenterOfAxis,   TGvLegendPosition::RightTopOfAxis,
      TGvLegendPosition::FreeFloating};
  const int W = 520, H = 340;
  TSheetGrid Grid(3, 4, W, H);
  for (int I = 0; I < 11; ++I) Grid.Put(I % 3, I / 3, LegendGraph(Positions[I], W, H));
  Sheet.Save(Grid.Image, "legend_positions");
}

GV_GALLERY_SHEET(legend_samples)
{
  TSheetGraph G(900, 560, "The samples of every kind in one legend");
  TGvAxis* X = G.Graph->PrimaryXAxis();
  TGvAxis* Y = G.Graph->PrimaryYAxis();
  auto Bind = [&](TGvSeries* S, const std::vector<double>& XV, const std::vector<double>& YV) {
    S->SetXAxis(X);
    S->SetYAxis(Y);
    S->SetXData(G.Vector(XV));
    S->SetYData(G.Vector(YV));
  };
  auto* Bars = new TGvBars(G.Form.get());
  Bind(Bars, {0, 1, 2, 3}, {2, 3, 1.5});
  Bars->SetCaption("Bars (flat)");
  Bars->Area()->SetForeColor(0xFF87CEEB);
  auto* Cubes = new TGvBars(G.Form.get());
  Bind(Cubes, {0, 1, 2, 3}, {1, 2, 2.5});
  Cubes->SetCaption("Bars (cuboid)");
  Cubes->SetBarStyle(TGvBarStyle::Cuboid);
  Cubes->Area()->SetForeColor(0xFFFFA500);
  auto* O = new TGvOHLC(G.Form.get());
  O->SetXAxis(X);
  O->SetYAxis(Y);
  O->SetXData(G.Vector({4, 4.5, 5}));
  O->SetOpenData(G.Vector({3, 3.5, 3.2}));
  O->SetHighData(G.Vector({4, 4.2, 4}));
  O->SetLowData(G.Vector({2.5, 3, 2.8}));
  O->SetCloseData(G.Vector({3.6, 3.1, 3.8}));
  O->SetCaption("OHLC");
  auto* C = new TGvCandleSticks(G.Form.get());
  C->SetXAxis(X);
  C->SetYAxis(Y);
  C->SetXData(G.Vector({5.5, 6, 6.5}));
  C->SetOpenData(G.Vector({3, 3.5, 3.2}));
  C->SetHighData(G.Vector({4, 4.2, 4}));
  C->SetLowData(G.Vector({2.5, 3, 2.8}));
  C->SetCloseData(G.Vector({3.6, 3.1, 3.8}));
  C->SetCaption("Candlesticks");
  auto* B = G.Series<TGvBubbles>({7, 8}, {1, 2});
  B->SetRadiusData(G.Vector({0.3, 0.5}));
  B->Area()->SetVisible(true);
  B->Area()->SetForeColor(0x80DA70D6);
  B->SetCaption("Bubbles");
  auto* A = G.Series<TGvArrows>({9, 9.5}, {1, 2});
  A->SetDeltaX(G.Vector({0.5, 0.4}));
  A->SetDeltaY(G.Vector({0.5, -0.5}));
  A->SetCaption("Arrows");
  auto* P = G.Series<TGvPointSeries>({0, 2, 4, 6, 8, 10}, {0.5, 1, 0.8, 1.6, 1.2, 2});
  P->PointSymbol()->SetVisible(true);
  P->PointSymbol()->SetFillColor(0x80FFFF00);
  P->SetCaption("Points and line");
  auto* Band = G.Line({0, 10}, {4.5, 5});
  Band->Area()->SetVisible(true);
  Band->Area()->SetForeColor(0x604169E1);
  Band->SetCaption("A band and its lines, merged in one sample");
  auto* Second = G.Line({0, 10}, {5, 4.6});
  Band->SetDrawBandTo(Second);
  Second->SetIncludeInLegend(false);
  Band->SetMergeLegendItemWith(Second);
  auto* L = new TGvLegend(G.Form.get());
  L->SetName("Legend1");
  L->SetGraph(G.Graph);
  L->SetCaption("Legend \\b(all kinds)\\b");
  L->SetCaptionVisible(true);
  L->SetBackColor(0xFFFFFFFF);
  L->SetDropShadow(true);
  L->SetCornerRounding(6);
  L->SetColumns(2);
  L->SetItemHeight(16);
  L->SetPosition(TGvLegendPosition::BottomCenterOfAxis);
  L->SetItemsOrder(TGvItemsOrder::ByColumn);
  Sheet.Save(SettledImage(G.Graph), "legend_samples");
}
