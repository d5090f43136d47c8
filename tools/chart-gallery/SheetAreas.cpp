// Every area style: the 53 hatches and the solid fill, fore colour on back
// colour; neighbouring fills line up.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvDrawing.h"
#include "chart/GvStyles.h"

GV_GALLERY_SHEET(areas)
{
  const int Cols = 6, TileW = 168, TileH = 46, Gap = 22, Top = 40;
  const int Styles = int(TGvAreaStyle::Total) + 1;
  const int Rows = (Styles + Cols - 1) / Cols;
  QImage Image = GalleryImage(10 + Cols * TileW, Top + Rows * (TileH + Gap) + 80);
  QPainter P(&Image);
  GalleryText(P, "\\bArea styles\\b (navy on light yellow)", 10, 8, 11);
  TGvAreaSettings Area;
  Area.SetForeColor(0xFF000080);
  Area.SetBackColor(0xFFFFFFE0);
  TGvHatchBrushCache Cache;
  for (int S = 0; S < Styles; ++S) {
    const int X = 10 + (S % Cols) * TileW, Y = Top + (S / Cols) * (TileH + Gap);
    Area.SetAreaStyle(TGvAreaStyle(S));
    const QRect Tile(X, Y + 14, TileW - 12, TileH);
    P.fillRect(Tile, Area.GetBrush(Tile, &Cache));
    P.setPen(Qt::gray);
    P.drawRect(Tile.adjusted(0, 0, -1, -1));
    GalleryText(P, QStringLiteral("%1 %2").arg(S).arg(GalleryEnumName(TGvAreaStyle(S))), X, Y,
                7.5f);
  }
  // Neighbouring fills of different sizes line up (the pattern repeats from
  // the picture's origin).
  const int Y = Top + Rows * (TileH + Gap) + 6;
  GalleryText(P, "Neighbouring fills: Weave, DiagonalBrick, ZigZag", 10, Y, 8);
  const TGvAreaStyle Shown[] = {TGvAreaStyle::Weave, TGvAreaStyle::DiagonalBrick,
                                TGvAreaStyle::ZigZag};
  for (int I = 0; I < 3; ++I) {
    const QBrush B = GetAreaBrush(Shown[I], 0xFF8B0000, 0xFFFFFFFF);
    const int X0 = 10 + I * 300;
    P.fillRect(QRect(X0, Y + 16, 93, 45), B);
    P.fillRect(QRect(X0 + 93, Y + 16, 61, 45), B);
    P.fillRect(QRect(X0 + 154, Y + 16, 77, 45), B);
  }
  P.end();
  Sheet.Save(Image, "areas");

  // The hatches magnified four times, each pixel of the pattern a 4 x 4 block.
  const int ZoomW = 4 * 24, ZoomH = 4 * 16, ZoomCols = 9;
  const int ZoomRows = (GvHatchStyleCount + ZoomCols - 1) / ZoomCols;
  QImage Zoom = GalleryImage(10 + ZoomCols * (ZoomW + 10), 40 + ZoomRows * (ZoomH + 24));
  QPainter Z(&Zoom);
  GalleryText(Z, "\\bHatches magnified\\b (4 x)", 10, 8, 11);
  for (int S = 0; S < GvHatchStyleCount; ++S) {
    const int X = 10 + (S % ZoomCols) * (ZoomW + 10), Y = 40 + (S / ZoomCols) * (ZoomH + 24);
    GalleryText(Z, QString::number(S), X, Y, 8);
    Z.save();
    Z.translate(X, Y + 14);
    Z.scale(4, 4);
    Z.fillRect(QRect(0, 0, 24, 16), GetAreaBrush(TGvAreaStyle(S), 0xFF000080, 0xFFFFFFE0));
    Z.restore();
  }
  Z.end();
  Sheet.Save(Zoom, "areas-zoom");
}
