#include "chart/GvOHLC.h"

#include <algorithm>
#include <cmath>

double GvOHLCBarWidth(double Value)
{
  return std::isfinite(Value) && Value > 0 ? Value : 1.0;
}

TGvOHLCGeometry GvOHLCGeometry(double X, double W, double OpenY, double HighY, double LowY,
                               double CloseY, double IndicatorLength)
{
  TGvOHLCGeometry G;
  const double L = X - W / 2, R = X + W / 2;
  const double T = std::min(HighY, LowY), B = std::max(HighY, LowY);
  G.Bar = QRectF(L, T, R - L, B - T);
  G.OpenTick = QLineF(L - IndicatorLength, OpenY, L, OpenY);
  G.CloseTick = QLineF(R, CloseY, R + IndicatorLength, CloseY);
  return G;
}

TGvCandleTrend GvCandleTrend(double Open, double Close)
{
  if (Close > Open) return TGvCandleTrend::Bull;
  if (Close < Open) return TGvCandleTrend::Bear;
  return TGvCandleTrend::Even;
}

TGvCandleGeometry GvCandleGeometry(double X, double W, double OpenY, double HighY, double LowY,
                                   double CloseY)
{
  TGvCandleGeometry G;
  const double L = X - W / 2, R = X + W / 2;
  const double Top = std::min(OpenY, CloseY), Bottom = std::max(OpenY, CloseY);
  G.Body = QRectF(L, Top, R - L, Bottom - Top);
  G.BodyIsLine = Bottom - Top < 1;
  G.BodyLine = QLineF(L, Top, R, Top);
  const double Upper = std::min(HighY, LowY), Lower = std::max(HighY, LowY);
  G.HasUpperShadow = Upper < Top;
  G.UpperShadow = QLineF(X, Top, X, Upper);
  G.HasLowerShadow = Lower > Bottom;
  G.LowerShadow = QLineF(X, Bottom, X, Lower);
  return G;
}

void GvAddOHLCRange(TGvMinMax& Range, double Low, double High)
{
  Range.Add(Low);
  Range.Add(High);
}
