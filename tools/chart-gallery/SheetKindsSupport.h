// Helpers of the sheets of the series kinds and legends: a graph rendered
// after its layout has settled, and a grid of graphs on one picture.
#pragma once

#include "GalleryText.h"
#include "SheetGraphSupport.h"

#include <QCoreApplication>
#include <QPainter>

// Renders a graph after the layouts its series ask for (room for labels and
// 3-D depth) have run.
inline QImage SettledImage(TGvGraph2D* G)
{
  for (int I = 0; I < 3; ++I) {
    G->AsImage(true);
    QCoreApplication::processEvents();
  }
  return G->AsImage(true);
}

// A picture of Columns x Rows cells of W x H pixels, each framed in grey.
struct TSheetGrid
{
  int Columns, Rows, W, H;
  QImage Image;
  TSheetGrid(int C, int R, int CellW, int CellH)
      : Columns(C), Rows(R), W(CellW), H(CellH), Image(GalleryImage(C * CellW, R * CellH))
  {
  }
  void Put(int Column, int Row, const QImage& Cell)
  {
    QPainter P(&Image);
    P.drawImage(Column * W, Row * H, Cell);
    P.setPen(QColor(0xC0, 0xC0, 0xC0));
    P.drawRect(Column * W, Row * H, W - 1, H - 1);
  }
};
