// Arrow series: an arrow from each point to the point displaced by a delta-X
// and a delta-Y vector.
//
// The arithmetic comes first, as plain functions over pixels.
#pragma once

#include "chart/GvMinMax.h"
#include "chart/GvStyles.h"

#include <QLineF>
#include <QPolygonF>
#include <QRectF>
#include <vector>

// The rectangle a gradient along an arrow is laid over: the arrow's bounding
// rectangle, grown about its centre to at least 1 pixel each way, so that a
// horizontal or vertical arrow still has a gradient to draw with.
QRectF GvArrowGradientRect(const QPointF& Tail, const QPointF& Tip);

// The pieces of an arrow from Tail to Tip with the head Cap at the tip.
struct TGvArrowGeometry
{
  // False for an arrow of no length (or not finite): it draws nothing.
  bool Visible = false;
  // From the tail to the head's base inset (the head covers the rest).
  QLineF Shaft;
  QPolygonF Head;
  QRectF GradientRect;
};
TGvArrowGeometry GvArrowGeometry(const QPointF& Tail, const QPointF& Tip, const TGvArrowCap& Cap);

// The number of arrows: the smallest count of the four vectors; 0 while a
// delta vector is unset (a count below 0 stands for an unset vector).
int GvArrowCount(int XCount, int YCount, int DeltaXCount, int DeltaYCount);

// The data ranges of an arrow series: X over every x and x + dx, Y over every
// y and y + dy (transformed values, NaN where an element has no values).
struct TGvArrowRanges
{
  TGvMinMax X;
  TGvMinMax Y;
};
TGvArrowRanges GvArrowRanges(const std::vector<double>& X, const std::vector<double>& Y,
                             const std::vector<double>& DX, const std::vector<double>& DY);
