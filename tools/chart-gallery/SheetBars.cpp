// Bar series: each shape (flat, cuboid, cylinder) shifted and stacked, with
// each label kind; horizontal bars of each shape.
#include "GallerySheet.h"
#include "SheetKindsSupport.h"

#include "chart/GvBars.h"

namespace {

const std::vector<std::vector<double>> Values = {{3, 5, 2, 6, 4}, {2, 3, 4, 2, 5}, {4, 2, 3, 3, 2}};
const TGvColor Fills[] = {0xFF4169E1, 0xFFFF8C00, 0xFF2E8B57};

QImage BarsGraph(TGvBarStyle Style, TGvBarsOverlayStyle Overlay, TGvLabelStyle Labels,
                 bool Horizontal, int W, int H)
{
  const QString Title =
      QStringLiteral("%1, %2, %3")
          .arg(GalleryEnumName(Style), GalleryEnumName(Overlay), GalleryEnumName(Labels));
  TSheetGraph G(W, H, Title);
  G.Graph->CaptionFont()->SetSize(9);
  G.Graph->SetDataAreaColor(0xFFF0F0F8);
  G.Graph->SetDistanceBorderAxisTop(4);
  for (size_t K = 0; K < Values.size(); ++K) {
    auto* V = G.Vector(Values[K]);
    auto* B = new TGvBars(G.Form.get());
    B->SetXAxis(G.Graph->PrimaryXAxis());
    B->SetYAxis(G.Graph->PrimaryYAxis());
    if (Horizontal)
      B->SetXData(V);
    else
      B->SetYData(V);
    B->SetCaption(QStringLiteral("Series %1").arg(K + 1));
    B->Area()->SetForeColor(Fills[K]);
    B->Line()->SetColor(0xFF202020);
    B->SetBarStyle(Style);
    B->SetOverlayStyle(Overlay);
    B->SetBarsHorizontal(Horizontal);
    B->SetClassesDistance(25);
    B->SetDepth3D(Overlay == TGvBarsOverlayStyle::Shift ? 25 : 40);
    B->SetCaptions({"Jan", "Feb", "Mar", "Apr", "May"});
    B->SetLabelFrom(Labels);
    B->SetLabelFormat(Labels == TGvLabelStyle::Percent || Labels == TGvLabelStyle::CaptionAndPercent
                          ? QStringLiteral("0")
                          : QString());
    B->Font()->SetStyle({});
    B->SetLabelColor(Overlay == TGvBarsOverlayStyle::Stack ? 0xFFFFFFFF : 0xFF000000);
    if (Overlay == TGvBarsOverlayStyle::Shift) {
      // Side by side the bars are narrow: the labels stand upright on top.
      B->SetLabelPosition(TGvBarLabelPosition::OnTopOfBar);
      B->SetLabelVertical(!Horizontal);
      B->SetLabelSize(Horizontal ? 32 : 13);
    } else {
      // Stacked: the lower series show them inside their bars.
      B->SetLabelPosition(TGvBarLabelPosition::OnTopOfBar);
      B->SetLabelSize(Horizontal ? 30 : 16);
      if (K + 1 == Values.size()) B->SetLabelColor(0xFF000000);
    }
  }
  return SettledImage(G.Graph);
}

void ShapeSheet(TGallerySheet& Sheet, TGvBarStyle Style, const char* Name)
{
  const TGvLabelStyle Labels[] = {TGvLabelStyle::Value, TGvLabelStyle::CaptionsList,
                                  TGvLabelStyle::Percent, TGvLabelStyle::CaptionAndValue,
                                  TGvLabelStyle::CaptionAndPercent};
  const int W = 440, H = 300;
  TSheetGrid Grid(5, 2, W, H);
  for (int Row = 0; Row < 2; ++Row)
    for (int C = 0; C < 5; ++C)
      Grid.Put(C, Row,
               BarsGraph(Style, Row ? TGvBarsOverlayStyle::Stack : TGvBarsOverlayStyle::Shift,
                         Labels[C], false, W, H));
  Sheet.Save(Grid.Image, Name);
}

} // namespace

GV_GALLERY_SHEET(bars_flat)
{
  ShapeSheet(Sheet, TGvBarStyle::Flat, "bars_flat");
}

GV_GALLERY_SHEET(bars_cuboid)
{
  ShapeSheet(Sheet, TGvBarStyle::Cuboid, "bars_cuboid");
}

GV_GALLERY_SHEET(bars_cylinder)
{
  ShapeSheet(Sheet, TGvBarStyle::Cylinder, "bars_cylinder");
}

GV_GALLERY_SHEET(bars_horizontal)
{
  const TGvBarStyle Styles[] = {TGvBarStyle::Flat, TGvBarStyle::Cuboid, TGvBarStyle::Cylinder};
  const int W = 460, H = 340;
  TSheetGrid Grid(3, 2, W, H);
  for (int Row = 0; Row < 2; ++Row)
    for (int C = 0; C < 3; ++C)
      Grid.Put(C, Row,
               BarsGraph(Styles[C], Row ? TGvBarsOverlayStyle::Stack : TGvBarsOverlayStyle::Shift,
                         Row ? TGvLabelStyle::Percent : TGvLabelStyle::Value, true, W, H));
  Sheet.Save(Grid.Image, "bars_horizontal");
}
