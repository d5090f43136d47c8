// Every point symbol in several sizes and pen widths, with translucent fills
// over a line, once with the symbols' space cut from the clip and once not.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvDrawing.h"

GV_GALLERY_SHEET(symbols)
{
  struct TColumn
  {
    const char* Title;
    double Size, PenWidth;
    TGvColor Fill;
    int Holes; // 0: no line, 1: line through, 2: line with holes
  };
  const TColumn Columns[] = {
      {"5 / 1", 5, 1, 0xFF4169E1, 0},        {"9 / 1", 9, 1, 0xFF4169E1, 0},
      {"13 / 1", 13, 1, 0xFF4169E1, 0},      {"21 / 1", 21, 1, 0xFF4169E1, 0},
      {"13 / 0", 13, 0, 0xFF4169E1, 0},      {"13 / 3", 13, 3, 0xFFFFD700, 0},
      {"2 / 4 (dot)", 2, 4, 0xFFFFD700, 0},  {"40 % fill", 21, 1, 0x664169E1, 1},
      {"40 %, holes", 21, 1, 0x664169E1, 2},
  };
  const int Left = 110, ColW = 80, Top = 50, RowH = 44;
  QImage Image = GalleryImage(Left + ColW * int(std::size(Columns)) + 10,
                              Top + RowH * GvPointSymbolCount + 10);
  QPainter P(&Image);
  P.setRenderHint(QPainter::Antialiasing);
  GalleryText(P, "\\bPoint symbols\\b  (size / pen width)", 10, 8, 11);
  for (int C = 0; C < int(std::size(Columns)); ++C)
    GalleryText(P, Columns[C].Title, Left + C * ColW + ColW / 2.0, Top - 6, 7,
                TGvContentAlignment::BottomCenter);
  for (int S = 0; S < GvPointSymbolCount; ++S) {
    const double Y = Top + S * RowH + RowH / 2.0;
    GalleryText(P, GalleryEnumName(TGvPointSymbol(S)), 10, Y, 9, TGvContentAlignment::MiddleLeft);
    for (int C = 0; C < int(std::size(Columns)); ++C) {
      const TColumn& Col = Columns[C];
      const double X = Left + C * ColW + ColW / 2.0;
      if (Col.Holes) {
        P.save();
        QPainterPath Holes;
        if (Col.Holes == 2) AddSymbolSpace(Holes, TGvPointSymbol(S), Col.Size, X, Y);
        ExcludeFromClip(P, Holes);
        P.setPen(QPen(Qt::red, 2));
        P.drawLine(QPointF(X - 30, Y - 12), QPointF(X + 30, Y + 12));
        P.restore();
      }
      QPen Pen(GvQColor(0xFF000080), Col.PenWidth);
      DrawPointSymbol(P, Pen, QBrush(GvQColor(Col.Fill)), TGvPointSymbol(S), Col.Size, X, Y);
    }
  }
  P.end();
  Sheet.Save(Image, "symbols");
}
