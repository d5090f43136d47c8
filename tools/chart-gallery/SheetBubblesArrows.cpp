// Bubbles sized by a radius vector (round on axes of unequal scales, and
// elliptical), and a field of arrows displaced by delta vectors.
#include "GallerySheet.h"
#include "SheetKindsSupport.h"

#include "chart/GvArrows.h"
#include "chart/GvBubbles.h"

#include <cmath>

namespace {

QImage BubbleGraph(bool Elliptical, int W, int H)
{
  TSheetGraph G(W, H,
                Elliptical ? "Elliptical bubbles: the radius counts in both axes' units"
                           : "Round bubbles on axes of unequal scales (one radius negative)");
  G.Graph->PrimaryXAxis()->SetCaption("Weight (kg)");
  G.Graph->PrimaryYAxis()->SetCaption("Height (m)");
  const std::vector<double> X = {2, 5, 9, 12, 15, 18}, Y = {0.5, 1.2, 0.8, 1.8, 1.1, 0.6},
                            R = {0.15, 0.3, -0.2, 0.25, 0.1, 0.35};
  auto* S = G.Series<TGvBubbles>(X, Y);
  S->SetRadiusData(G.Vector(R));
  S->SetElliptical(Elliptical);
  S->Area()->SetVisible(true);
  S->Area()->SetForeColor(0x804682B4);
  S->Line()->SetColor(0xFF1E3A5F);
  S->Line()->SetWidth(1.5f);
  // A second series: one bubble alone, with a gradient.
  auto* One = G.Series<TGvBubbles>({10}, {1.5});
  One->SetRadiusData(G.Vector({0.2}));
  One->SetElliptical(Elliptical);
  One->Area()->SetVisible(true);
  One->Area()->Gradient()->SetVisible(true);
  One->Area()->Gradient()->SetStyle(TGvGradientStyle::Radial);
  One->Area()->Gradient()->SetFirstColor(0xFFFFFFE0);
  One->Area()->Gradient()->SetLastColor(0xFFFF8C00);
  One->Line()->SetColor(0xFF8B4513);
  return SettledImage(G.Graph);
}

} // namespace

GV_GALLERY_SHEET(bubbles)
{
  TSheetGrid Grid(2, 1, 640, 460);
  Grid.Put(0, 0, BubbleGraph(false, 640, 460));
  Grid.Put(1, 0, BubbleGraph(true, 640, 460));
  Sheet.Save(Grid.Image, "bubbles");
}

GV_GALLERY_SHEET(arrows)
{
  TSheetGraph G(820, 640, "An arrow field: a vortex around (0, 0), the arrows' length its speed");
  std::vector<double> X, Y, DX, DY;
  for (int I = -6; I <= 6; ++I)
    for (int J = -6; J <= 6; ++J) {
      const double Px = I, Py = J, D = std::hypot(Px, Py);
      const double Speed = D > 0 ? 0.9 * std::exp(-D / 6) : 0;
      X.push_back(Px);
      Y.push_back(Py);
      // The centre has no motion: a zero-length arrow draws nothing.
      DX.push_back(D > 0 ? -Py / D * Speed : 0);
      DY.push_back(D > 0 ? Px / D * Speed : 0);
    }
  auto* S = G.Series<TGvArrows>(X, Y);
  S->SetDeltaX(G.Vector(DX));
  S->SetDeltaY(G.Vector(DY));
  S->Arrow()->SetColor(0xFF1F4E79);
  S->Arrow()->SetWidth(1.5f);
  S->Arrow()->SetPointLength(7);
  S->Arrow()->SetInnerLength(5);
  S->Arrow()->SetPointHeight(3);
  // A horizontal and a vertical arrow with a gradient along them.
  auto* T = G.Series<TGvArrows>({-6.5, 7.2}, {7.3, -6});
  T->SetDeltaX(G.Vector({4, 0}));
  T->SetDeltaY(G.Vector({0, 4}));
  T->Arrow()->SetWidth(4);
  T->Arrow()->SetPointLength(12);
  T->Arrow()->SetInnerLength(8);
  T->Arrow()->SetPointHeight(6);
  T->Arrow()->Gradient()->SetVisible(true);
  T->Arrow()->Gradient()->SetFirstColor(0xFF00C000);
  T->Arrow()->Gradient()->SetMiddleColor(0xFFFFD700);
  T->Arrow()->Gradient()->SetLastColor(0xFFC00000);
  Sheet.Save(SettledImage(G.Graph), "arrows");
}
