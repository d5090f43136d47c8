// Helpers shared by the chart tests.
#pragma once

#include <QImage>
#include <QPainter>

// A white ARGB image to paint on.
inline QImage GvTestImage(int W, int H)
{
  QImage Image(W, H, QImage::Format_ARGB32_Premultiplied);
  Image.fill(Qt::white);
  return Image;
}
