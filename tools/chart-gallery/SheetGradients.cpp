// Gradient settings: linear at several angles and centres, radial and
// elliptical with several centres, and the colours as the settings name them.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvStyles.h"

GV_GALLERY_SHEET(gradients)
{
  const int TileW = 130, TileH = 80, Gap = 34, Left = 10, Top = 40;
  QImage Image = GalleryImage(Left + 6 * (TileW + 12), Top + 4 * (TileH + Gap) + 10);
  QPainter P(&Image);
  P.setRenderHint(QPainter::Antialiasing);
  GalleryText(P, "\\bGradients\\b (first red, middle white, last blue)", 10, 8, 11);
  TGvGradientSettings G;
  G.SetVisible(true);
  G.SetFirstColor(0xFFDC143C);
  G.SetMiddleColor(0xFFFFFFFF);
  G.SetLastColor(0xFF1E90FF);
  auto Tile = [&](int Row, int Col, const QString& Title) {
    const QRectF R(Left + Col * (TileW + 12), Top + Row * (TileH + Gap) + 14, TileW, TileH);
    P.fillRect(R, G.GetBrush(R));
    P.setPen(Qt::gray);
    P.drawRect(R);
    GalleryText(P, Title, R.left(), R.top() - 14, 8);
  };
  const float Angles[] = {0, 45, 90, 135, 180, 270};
  G.SetStyle(TGvGradientStyle::Linear);
  for (int I = 0; I < 6; ++I) {
    G.SetLinearAngle(Angles[I]);
    Tile(0, I, QStringLiteral("Linear %1\\+o\\+").arg(Angles[I]));
  }
  const float Centers[] = {0, 0.2f, 0.5f, 0.8f, 1};
  G.SetLinearAngle(0);
  for (int I = 0; I < 5; ++I) {
    G.SetLinearCenter(Centers[I]);
    Tile(1, I, QStringLiteral("Linear 0\\+o\\+, center %1").arg(Centers[I]));
  }
  G.SetLinearCenter(0.5f);
  G.SetLinearAngle(30);
  Tile(1, 5, "Linear 30\\+o\\+ + 60\\+o\\+");
  {
    // The extra angle a caller adds (a rotated text, a bar direction).
    const QRectF R(Left + 5 * (TileW + 12), Top + 1 * (TileH + Gap) + 14, TileW, TileH);
    P.fillRect(R, G.GetBrush(R, 60));
    P.setPen(Qt::gray);
    P.drawRect(R);
  }
  const QPointF Points[] = {{0.5, 0.5}, {0.25, 0.25}, {0.8, 0.3}, {0.5, 1}, {0, 0}, {1, 0.5}};
  for (int Row = 2; Row < 4; ++Row) {
    G.SetStyle(Row == 2 ? TGvGradientStyle::Radial : TGvGradientStyle::Elliptical);
    for (int I = 0; I < 6; ++I) {
      G.SetRadialCenterX(float(Points[I].x()));
      G.SetRadialCenterY(float(Points[I].y()));
      Tile(Row, I,
           QStringLiteral("%1 (%2, %3)")
               .arg(GalleryEnumName(G.Style()))
               .arg(Points[I].x())
               .arg(Points[I].y()));
    }
  }
  P.end();
  Sheet.Save(Image, "gradients");
}
