// Bubble series: a circle or ellipse around each point, sized by a radius
// vector.
//
// The arithmetic comes first, as plain functions over values and pixels.
#pragma once

#include "chart/GvMinMax.h"
#include "chart/GvSeries.h"

#include <QPointer>
#include <QRectF>
#include <functional>
#include <optional>
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
// it right. None when a corner has no finite pixel.
std::optional<QRectF> GvBubbleRect(double X, double Y, double R, double B,
                                   const std::function<double(double)>& XToPixel,
                                   const std::function<double(double)>& YToPixel);

// ---- TGvBubbles -------------------------------------------------------------

// Bubbles around the points of a series, sized by a radius vector (Y units;
// |value|, through RadiusTransformation, absolute again). A bubble is round
// on the screen unless Elliptical, where its radius counts in the units of
// both axes.
class TGvBubbles : public TGvSeries
{
  Q_OBJECT
  Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
  Q_PROPERTY(bool OutliersVisible READ OutliersVisible WRITE SetOutliersVisible)
  Q_PROPERTY(TGvAxis* XAxis READ XAxis WRITE SetXAxis)
  Q_PROPERTY(TGvAxis* YAxis READ YAxis WRITE SetYAxis)
  Q_PROPERTY(TGvCustomDoubleVector* XData READ XData WRITE SetXData)
  Q_PROPERTY(TGvCustomDoubleVector* YData READ YData WRITE SetYData)
  Q_PROPERTY(TGvCustomDoubleVector* RadiusData READ RadiusData WRITE SetRadiusData)
  Q_PROPERTY(bool Elliptical READ Elliptical WRITE SetElliptical)
  Q_PROPERTY(TGvLineSettings* Line READ Line WRITE SetLine)
  Q_PROPERTY(TGvAreaSettings* Area READ Area WRITE SetArea)

public:
  explicit TGvBubbles(QObject* Owner = nullptr);
  ~TGvBubbles() override;

  TGvCustomDoubleVector* RadiusData() const { return FRadius.data(); }
  void SetRadiusData(TGvCustomDoubleVector* Value);
  bool Elliptical() const { return FElliptical; }
  void SetElliptical(bool Value);
  const TGvValueTransformation& RadiusTransformation() const { return FRadiusTransform; }
  void SetRadiusTransformation(TGvValueTransformation Value);

  // The radius of element I as used; NaN when it has none.
  double Radius(int I) const;
  // The screen rectangle of screen point K.
  QRectF BubbleRect(int K) const { return FRects.at(size_t(K)); }

  int GetCount() override;
  bool HasValuesAt(int Idx) const override;
  void Calculate() override;
  void CalculatePoints() override;
  void PaintGr(QPainter& Painter) override;
  void DrawSymbols(QPainter& Painter) override {}
  int FindPoint(double X, double Y, double Delta) override;
  float ExtraSpaceAt(TGvAxisPosition Border) const override;
  void DrawListItem(QPainter& Painter, const QRectF& Rect) override;
  void ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount) override;

  // ---- Saved forms (GvKindsIO.cpp) ----
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  QPointer<TGvCustomDoubleVector> FRadius;
  bool FElliptical = false;
  TGvValueTransformation FRadiusTransform;
  std::vector<QRectF> FRects;
};
