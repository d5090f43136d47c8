// Bubble series: a circle or ellipse around each point, sized by a radius
// vector.
//
// The arithmetic comes first, as plain functions over values and pixels.
#pragma once

#include "chart/GvMinMax.h"

#include <QRectF>
#include <functional>
#include <vector>

// The radius of a bubble from its raw value: |Raw|, then Transform when given,
// made absolute again; NaN (no bubble) when it is not finite.
double GvBubbleRadius(double Raw, const std::function<double(double)>& Transform = {});

// The factor e that turns a radius in Y units into X units so that a bubble
// is round on the screen: XExtent * YAxisLength / (YExtent * XAxisLength),
// where the extents are the data's and the lengths the axes' in pixels. It is
// 1 when any of the four is not positive or not finite (a single bubble, flat
// data, an axis before its first layout), and when the result is not finite.
double GvRoundBubbleFactor(double XExtent, double YAxisLength, double YExtent, double XAxisLength);

// The factor b of the screen points: the X axis' value units per pixel over
// the Y axis'; 1 when either is not positive or not finite.
double GvBubblePixelFactor(double XUnitsPerPixel, double YUnitsPerPixel);

// The data ranges of a bubble series. X, Y and R are the transformed values
// and radii by element, NaN where an element has no values. Y runs from the
// least y - r to the greatest y + r; X from the least x - e * r to the
// greatest x + e * r (and over the x themselves), with e = 1 for elliptical
// bubbles and GvRoundBubbleFactor otherwise.
struct TGvBubbleRanges
{
  TGvMinMax X;
  TGvMinMax Y;
};
TGvBubbleRanges GvBubbleRanges(const std::vector<double>& X, const std::vector<double>& Y,
                               const std::vector<double>& R, bool Elliptical, double XAxisLength,
                               double YAxisLength);

// The screen rectangle of a bubble at (X, Y) with radius R (Y units) and
// pixel factor B: from the pixel of (X - B * R, Y + R) to the pixel of
// (X + B * R, Y - R), normalised, so that twisted and logarithmic axes place
// it right. An empty rectangle when a corner has no finite pixel.
QRectF GvBubbleRect(double X, double Y, double R, double B,
                    const std::function<double(double)>& XToPixel,
                    const std::function<double(double)>& YToPixel);
