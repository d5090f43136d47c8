// The shapes of bars, legends and markers: 3-D cuboids, standing and lying
// cylinders, rounded boxes with bevels and shadows.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvDrawing.h"

GV_GALLERY_SHEET(primitives)
{
  QImage Image = GalleryImage(880, 700);
  QPainter P(&Image);
  P.setRenderHint(QPainter::Antialiasing);
  GalleryText(P, "\\bCuboids\\b (depth x / y)", 10, 8, 11);
  const TGvColor Colors[] = {0xFF000080, 0xFFDC143C, 0xFF2E8B57,
                             0xFFFFD700, 0xFFFFFFFF, 0x804169E1};
  const double Depths[][2] = {{1, 1}, {6, 4}, {12, 8}, {20, 12}, {12, 8}, {12, 8}};
  const double Base = 190;
  P.setPen(Qt::gray);
  P.drawLine(QPointF(10, Base), QPointF(750, Base));
  for (int I = 0; I < 6; ++I) {
    const double X = 30 + I * 120, H = 50 + I * 20;
    Draw3DBar(P, 0xFF000000, Colors[I], Depths[I][0], Depths[I][1],
              OrderedRect(QPointF(X, Base), QPointF(X + 50, Base - H)));
    GalleryText(P, QStringLiteral("%1 / %2").arg(Depths[I][0]).arg(Depths[I][1]), X + 25, Base + 4,
                8, TGvContentAlignment::TopCenter);
  }

  GalleryText(P, "\\bCylinders\\b standing and lying", 10, 220, 11);
  const double Base2 = 400;
  P.setPen(Qt::gray);
  P.drawLine(QPointF(10, Base2), QPointF(370, Base2));
  for (int I = 0; I < 4; ++I) {
    const double X = 30 + I * 85, H = 60 + I * 25;
    DrawCylinderVertical(P, 0xFF000000, Colors[I], 10 + 4 * I, 6 + 3 * I,
                         OrderedRect(QPointF(X, Base2), QPointF(X + 45, Base2 - H)));
  }
  P.setPen(Qt::gray);
  P.drawLine(QPointF(400, 250), QPointF(400, 410));
  for (int I = 0; I < 4; ++I) {
    const double Y = 265 + I * 38, L = 120 + I * 60;
    DrawCylinderHorizontal(P, 0xFF000000, Colors[I], 6 + 3 * I, 8 + 2 * I,
                           OrderedRect(QPointF(401, Y), QPointF(401 + L, Y + 20)));
  }

  GalleryText(P, "\\bBoxes\\b: radius 0 / 6 / 15, raised, lowered, shadow, frame", 10, 430, 11);
  struct TBox
  {
    const char* Title;
    bool Lowered, Raised, Shadow, Frame;
    double Radius;
    TGvColor Fill;
  };
  const TBox Boxes[] = {
      {"plain", false, false, false, true, 0, 0xFFF5F5F5},
      {"radius 6", false, false, false, true, 6, 0xFFF5F5F5},
      {"radius 15", false, false, false, true, 15, 0xFFF5F5F5},
      {"shadow", false, false, true, true, 6, 0xFFFFFFFF},
      {"raised", false, true, false, true, 6, 0xFFB0C4DE},
      {"lowered", true, false, false, true, 6, 0xFFB0C4DE},
      {"raised, shadow", false, true, true, true, 10, 0xFFB0C4DE},
      {"no frame, shadow", false, false, true, false, 10, 0xFFFFFFE0},
  };
  for (int I = 0; I < 8; ++I) {
    const QRectF R(20.5 + (I % 4) * 185, 460.5 + (I / 4) * 110, 150, 80);
    DrawRoundRect(P, QBrush(GvQColor(Boxes[I].Fill)), QPen(GvQColor(0xFF000080), 1),
                  Boxes[I].Lowered, Boxes[I].Raised, Boxes[I].Shadow, Boxes[I].Frame,
                  Boxes[I].Radius, R);
    GalleryText(P, Boxes[I].Title, R.center().x(), R.center().y(), 9,
                TGvContentAlignment::MiddleCenter);
  }
  GalleryText(P, "Shadow of a shape:", 745, 220, 9);
  QPainterPath Star;
  Star.addPath(PointSymbolPath(TGvPointSymbol::FiveStar, 50, 800, 320));
  DrawShadow(P, Star, 5, 4);
  P.fillPath(Star, QColor(0xFFD700));
  P.end();
  Sheet.Save(Image, "primitives");
}
