// Open-high-low-close series: one element per time step, from four value
// vectors. An OHLC bar is a high-low bar with a tick to the left at the open
// and one to the right at the close; a candlestick is a body between open and
// close, coloured by whether the price rose or fell, with thin shadows up to
// the high and down to the low.
//
// The arithmetic comes first, as plain functions over pixels and values.
#pragma once

#include "chart/GvMinMax.h"

#include <QLineF>
#include <QRectF>

// A bar width of 0 or less (or not finite) is stored as 1.
double GvOHLCBarWidth(double Value);

// The shapes of one OHLC element at screen X with bar width W; the Y values
// are the pixels of the four prices.
struct TGvOHLCGeometry
{
  // From X - W/2 to X + W/2 between the high and the low pixel (normalised,
  // so a high below the low still gives the bar between them).
  QRectF Bar;
  QLineF OpenTick;  // (X - W/2 - IndicatorLength, open) to (X - W/2, open)
  QLineF CloseTick; // (X + W/2, close) to (X + W/2 + IndicatorLength, close)
};
TGvOHLCGeometry GvOHLCGeometry(double X, double W, double OpenY, double HighY, double LowY,
                               double CloseY, double IndicatorLength);

// Whether a candle rose (close above open), fell, or stayed even; the values
// are compared untransformed.
enum class TGvCandleTrend
{
  Bull,
  Bear,
  Even,
};
TGvCandleTrend GvCandleTrend(double Open, double Close);

struct TGvCandleGeometry
{
  // From X - W/2 to X + W/2 between the open and the close pixel.
  QRectF Body;
  // A body less than a pixel high is drawn as a horizontal line at its top.
  bool BodyIsLine = false;
  QLineF BodyLine;
  // The shadows at X from the body up to the upper price pixel and down to
  // the lower one; a shadow that would not leave the body is not drawn. The
  // upper and lower extremes are taken from the high and low pixels in screen
  // order, so swapped prices or a twisted axis still give shadows outside the
  // body.
  bool HasUpperShadow = false;
  QLineF UpperShadow;
  bool HasLowerShadow = false;
  QLineF LowerShadow;
};
TGvCandleGeometry GvCandleGeometry(double X, double W, double OpenY, double HighY, double LowY,
                                   double CloseY);

// The value range of one element: its low and its high (either order).
void GvAddOHLCRange(TGvMinMax& Range, double Low, double High);
