// Small helpers of the sheets: captions drawn as rich text, the names of
// enumeration values.
#pragma once

#include "chart/GvRichLabel.h"

#include <QMetaEnum>
#include <QPainter>

// Draws Text (rich text) with its anchor at (X, Y).
inline void GalleryText(QPainter& P, const QString& Text, double X, double Y, float Size = 9,
                        TGvContentAlignment Align = TGvContentAlignment::TopLeft,
                        TGvColor Color = GvColors::Black, double Angle = 0)
{
  TGvRichCaptionObject C(Text);
  C.Font()->SetSize(Size);
  C.Font()->SetFillColor(Color);
  C.SetAlignment(Align);
  C.SetAngle(Angle);
  C.SetPosition(X, Y);
  C.PaintGr(P);
}

template <class E> QString GalleryEnumName(E Value)
{
  return QString::fromLatin1(QMetaEnum::fromType<E>().valueToKey(int(Value)));
}

inline QImage GalleryImage(int W, int H)
{
  QImage Image(W, H, QImage::Format_ARGB32_Premultiplied);
  Image.fill(Qt::white);
  return Image;
}
