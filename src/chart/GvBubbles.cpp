#include "chart/GvBubbles.h"

#include "chart/GvDrawing.h"

#include <cmath>

double GvBubbleRadius(double Raw, const std::function<double(double)>& Transform)
{
  double R = std::abs(Raw);
  if (Transform) R = std::abs(Transform(R));
  return std::isfinite(R) ? R : std::nan("");
}

namespace {

bool Positive(double V)
{
  return std::isfinite(V) && V > 0;
}

} // namespace

double GvRoundBubbleFactor(double XExtent, double YAxisLength, double YExtent, double XAxisLength)
{
  if (!Positive(XExtent) || !Positive(YAxisLength) || !Positive(YExtent) || !Positive(XAxisLength))
    return 1;
  const double E = XExtent * YAxisLength / (YExtent * XAxisLength);
  return Positive(E) ? E : 1;
}

double GvBubblePixelFactor(double XUnitsPerPixel, double YUnitsPerPixel)
{
  if (!Positive(XUnitsPerPixel) || !Positive(YUnitsPerPixel)) return 1;
  const double B = XUnitsPerPixel / YUnitsPerPixel;
  return Positive(B) ? B : 1;
}

TGvBubbleRanges GvBubbleRanges(const std::vector<double>& X, const std::vector<double>& Y,
                               const std::vector<double>& R, bool Elliptical, double XAxisLength,
                               double YAxisLength)
{
  TGvBubbleRanges Ranges;
  const size_t N = std::min({X.size(), Y.size(), R.size()});
  auto Has = [&](size_t I) {
    return std::isfinite(X[I]) && std::isfinite(Y[I]) && std::isfinite(R[I]);
  };
  TGvMinMax DataX;
  for (size_t I = 0; I < N; ++I) {
    if (!Has(I)) continue;
    Ranges.Y.Add(Y[I] - R[I]);
    Ranges.Y.Add(Y[I] + R[I]);
    DataX.Add(X[I]);
  }
  const double E =
      Elliptical ? 1.0
                 : GvRoundBubbleFactor(DataX.Extent(), YAxisLength, Ranges.Y.Extent(), XAxisLength);
  Ranges.X = DataX;
  for (size_t I = 0; I < N; ++I) {
    if (!Has(I)) continue;
    Ranges.X.Add(X[I] - E * R[I]);
    Ranges.X.Add(X[I] + E * R[I]);
  }
  return Ranges;
}

QRectF GvBubbleRect(double X, double Y, double R, double B,
                    const std::function<double(double)>& XToPixel,
                    const std::function<double(double)>& YToPixel)
{
  const double F = B * R;
  const QPointF P1(XToPixel(X - F), YToPixel(Y + R)), P2(XToPixel(X + F), YToPixel(Y - R));
  if (!GvFinite(P1) || !GvFinite(P2)) return {};
  return OrderedRect(P1, P2);
}
