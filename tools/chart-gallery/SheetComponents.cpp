// A title sheet: what the gallery holds.
#include "GallerySheet.h"

#include <QPainter>

GV_GALLERY_SHEET(index)
{
  QImage Image(640, 40 + 22 * int(GallerySheets().size()), QImage::Format_ARGB32_Premultiplied);
  Image.fill(Qt::white);
  QPainter P(&Image);
  P.setRenderHint(QPainter::Antialiasing);
  QFont F = P.font();
  F.setPointSizeF(12);
  P.setFont(F);
  P.drawText(16, 26, QStringLiteral("Verdane chart gallery: sheets"));
  int Y = 52;
  for (const auto& S : GallerySheets()) {
    P.drawText(32, Y, QString::fromLatin1(S.Name));
    Y += 22;
  }
  P.end();
  Sheet.Save(Image, QStringLiteral("index"));
}
