// Every dash style in several widths, a gradient line, and arrow heads.
#include "GallerySheet.h"
#include "GalleryText.h"

#include "chart/GvDrawing.h"
#include "chart/GvStyles.h"

GV_GALLERY_SHEET(lines)
{
  const double Widths[] = {0.5, 1, 2, 4, 8};
  const int Left = 110, ColW = 130, Top = 50, RowH = 30;
  QImage Image = GalleryImage(Left + ColW * 5 + 10, Top + RowH * GvDashStyleCount + 230);
  QPainter P(&Image);
  P.setRenderHint(QPainter::Antialiasing);
  GalleryText(P, "\\bLine dash styles and widths\\b", 10, 8, 11);
  for (int W = 0; W < 5; ++W)
    GalleryText(P, QStringLiteral("width %1").arg(Widths[W]), Left + W * ColW + 5, Top - 6, 8,
                TGvContentAlignment::BottomLeft);
  TGvLineSettings Line;
  Line.SetColor(0xFF000080);
  for (int D = 0; D < GvDashStyleCount; ++D) {
    const double Y = Top + D * RowH + RowH / 2.0;
    GalleryText(P, GalleryEnumName(TGvDashStyle(D)), 10, Y, 9, TGvContentAlignment::MiddleLeft);
    Line.SetDashStyle(TGvDashStyle(D));
    for (int W = 0; W < 5; ++W) {
      Line.SetWidth(float(Widths[W]));
      P.setPen(Line.GetPen());
      P.drawLine(QPointF(Left + W * ColW + 5, Y), QPointF(Left + (W + 1) * ColW - 15, Y));
    }
  }
  // Gradient lines: the gradient runs along the line's bounding rectangle.
  double Y = Top + GvDashStyleCount * RowH + 25;
  GalleryText(P, "\\bGradient lines\\b (first red, middle gold, last blue)", 10, Y - 14, 9);
  Line.SetDashStyle(TGvDashStyle::Solid);
  Line.SetWidth(6);
  Line.Gradient()->SetVisible(true);
  Line.Gradient()->SetFirstColor(0xFFFF0000);
  Line.Gradient()->SetMiddleColor(0xFFFFD700);
  Line.Gradient()->SetLastColor(0xFF0000FF);
  const QPointF A(Left, Y + 10), B(Left + 600, Y + 10);
  P.setPen(Line.GetPen(OrderedRect(A, B)));
  P.drawLine(A, B);
  const QPointF C(Left, Y + 30), D(Left + 600, Y + 70);
  P.setPen(Line.GetPen(OrderedRect(C, D)));
  P.drawLine(C, D);
  // A polyline with miter joins (limit 1) beside round corners.
  Y += 90;
  GalleryText(P, "\\bJoins\\b (miter limit 0 counts as 1)", 10, Y, 9);
  Line.Gradient()->SetVisible(false);
  Line.SetWidth(8);
  P.setPen(Line.GetPen());
  const QPolygonF Zig{{Left + 0.0, Y + 50},
                      {Left + 60.0, Y + 10},
                      {Left + 120.0, Y + 50},
                      {Left + 150.0, Y + 10},
                      {Left + 170.0, Y + 50}};
  P.drawPolyline(Zig);
  // Arrow heads of several sizes and pen widths.
  GalleryText(P, "\\bArrow heads\\b", Left + 230, Y, 9);
  TGvArrowSettings Arrow;
  Arrow.SetColor(0xFF006400);
  const float Sizes[][4] = {{5, 3, 2, 1}, {10, 6, 4, 1}, {14, 10, 6, 2}, {20, 12, 8, 3}};
  for (int I = 0; I < 4; ++I) {
    Arrow.SetPointLength(Sizes[I][0]);
    Arrow.SetInnerLength(Sizes[I][1]);
    Arrow.SetPointHeight(Sizes[I][2]);
    Arrow.SetWidth(Sizes[I][3]);
    const TGvPen Pen = Arrow.GetArrowPen(QRectF());
    const double X0 = Left + 240 + I * 100;
    Pen.DrawLine(P, QPointF(X0, Y + 60), QPointF(X0 + 70, Y + 20));
  }
  P.end();
  Sheet.Save(Image, "lines");
}
