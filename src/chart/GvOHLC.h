// Open-high-low-close series: one element per time step, from four value
// vectors. An OHLC bar is a high-low bar with a tick to the left at the open
// and one to the right at the close; a candlestick is a body between open and
// close, coloured by whether the price rose or fell, with thin shadows up to
// the high and down to the low.
//
// The arithmetic comes first, as plain functions over pixels and values.
#pragma once

#include "chart/GvMinMax.h"
#include "chart/GvSeries.h"

#include <QLineF>
#include <QPointer>
#include <QRectF>
#include <vector>

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

// ---- The series -------------------------------------------------------------

// The base of both kinds: the X vector holds the time (or position) of each
// element, the Y vector the close values; LowData, OpenData and HighData hold
// the rest, each with its own value transformation. The series joins its
// axes and graph only when both axes and all four value vectors are set.
//
// Choices made here:
// - An element has values when all five values are finite and none is an
//   outlier (unless outliers are shown).
// - A gradient of the area is not used for the bars (they are too small to
//   show one); the setting itself is left as it is.
class TGvCustomOHLC : public TGvSeries
{
  Q_OBJECT
  Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
  Q_PROPERTY(bool OutliersVisible READ OutliersVisible WRITE SetOutliersVisible)
  Q_PROPERTY(TGvAxis* XAxis READ XAxis WRITE SetXAxis)
  Q_PROPERTY(TGvAxis* YAxis READ YAxis WRITE SetYAxis)
  Q_PROPERTY(TGvCustomDoubleVector* XData READ XData WRITE SetXData)
  Q_PROPERTY(TGvCustomDoubleVector* CloseData READ CloseData WRITE SetCloseData)
  Q_PROPERTY(TGvCustomDoubleVector* LowData READ LowData WRITE SetLowData)
  Q_PROPERTY(TGvCustomDoubleVector* OpenData READ OpenData WRITE SetOpenData)
  Q_PROPERTY(TGvCustomDoubleVector* HighData READ HighData WRITE SetHighData)
  Q_PROPERTY(TGvLineSettings* Line READ Line WRITE SetLine)
  Q_PROPERTY(TGvAreaSettings* Area READ Area WRITE SetArea)
  Q_PROPERTY(float BarWidth READ BarWidth WRITE SetBarWidth)

public:
  explicit TGvCustomOHLC(QObject* Owner = nullptr);
  ~TGvCustomOHLC() override;

  TGvCustomDoubleVector* CloseData() const { return YData(); }
  void SetCloseData(TGvCustomDoubleVector* Value);
  TGvCustomDoubleVector* LowData() const { return FLow.data(); }
  void SetLowData(TGvCustomDoubleVector* Value);
  TGvCustomDoubleVector* OpenData() const { return FOpen.data(); }
  void SetOpenData(TGvCustomDoubleVector* Value);
  TGvCustomDoubleVector* HighData() const { return FHigh.data(); }
  void SetHighData(TGvCustomDoubleVector* Value);
  // Pixels; a value of 0 or less is stored as 1.
  float BarWidth() const { return FBarWidth; }
  void SetBarWidth(float Value);

  const TGvValueTransformation& CloseValueTransformation() const { return YValueTransformation(); }
  void SetCloseValueTransformation(TGvValueTransformation T) { SetYValueTransformation(T); }
  const TGvValueTransformation& LowValueTransformation() const { return FTransform[0]; }
  void SetLowValueTransformation(TGvValueTransformation T);
  const TGvValueTransformation& OpenValueTransformation() const { return FTransform[1]; }
  void SetOpenValueTransformation(TGvValueTransformation T);
  const TGvValueTransformation& HighValueTransformation() const { return FTransform[2]; }
  void SetHighValueTransformation(TGvValueTransformation T);

  // The four values of element I as used (transformed); false when the
  // element has no values.
  struct TOHLCValues
  {
    double X = 0, Open = 0, High = 0, Low = 0, Close = 0;
  };
  bool ElementOHLC(int I, TOHLCValues& V) const;
  // The screen Y of low, open and high of screen point K (the close is the
  // point's own Y).
  float LowPixel(int K) const { return FLowY.at(size_t(K)); }
  float OpenPixel(int K) const { return FOpenY.at(size_t(K)); }
  float HighPixel(int K) const { return FHighY.at(size_t(K)); }

  int GetCount() override;
  bool HasValuesAt(int Idx) const override;
  void Calculate() override;
  void CalculatePoints() override;
  void TestAllAssigned() override;
  bool SeriesVisible() const override;
  void DrawSymbols(QPainter& Painter) override {}
  float ExtraSpaceAt(TGvAxisPosition Border) const override;
  void ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount) override;

protected:
  // ---- Saved forms (GvKindsIO.cpp) ----
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

  // The vector, the property and the undo description of low (0), open (1)
  // and high (2).
  void SetValueVector(int K, TGvCustomDoubleVector* Value);
  bool AllAssigned() const;
  double Extra() const;
  void ResetFolds() override;

  QPointer<TGvCustomDoubleVector> FLow, FOpen, FHigh;
  TGvValueTransformation FTransform[3];
  float FBarWidth = 4;
  std::vector<float> FLowY, FOpenY, FHighY;
  TFold FLowFold, FHighFold;
};

// High-low bars with a tick to the left at the open and one to the right at
// the close.
class TGvOHLC : public TGvCustomOHLC
{
  Q_OBJECT
  Q_PROPERTY(float IndicatorLength READ IndicatorLength WRITE SetIndicatorLength)
public:
  explicit TGvOHLC(QObject* Owner = nullptr);

  float IndicatorLength() const { return FIndicatorLength; }
  void SetIndicatorLength(float Value);

  void PaintGr(QPainter& Painter) override;
  void DrawListItem(QPainter& Painter, const QRectF& Rect) override;

  // ---- Saved forms (GvKindsIO.cpp) ----
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  friend class TGvCustomOHLC;
  float FIndicatorLength = 5;
};

// Candlesticks: a body between open and close in the bull or bear colour,
// with shadows to the high and the low.
class TGvCandleSticks : public TGvCustomOHLC
{
  Q_OBJECT
  Q_PROPERTY(TGvColor BullColor READ BullColor WRITE SetBullColor)
  Q_PROPERTY(TGvColor BearColor READ BearColor WRITE SetBearColor)
  Q_PROPERTY(
      bool ShadowsSameColorAsFill READ ShadowsSameColorAsFill WRITE SetShadowsSameColorAsFill)
public:
  explicit TGvCandleSticks(QObject* Owner = nullptr);

  TGvColor BullColor() const { return FBullColor; }
  void SetBullColor(TGvColor Value);
  TGvColor BearColor() const { return FBearColor; }
  void SetBearColor(TGvColor Value);
  bool ShadowsSameColorAsFill() const { return FShadowsSameColorAsFill; }
  void SetShadowsSameColorAsFill(bool Value);

  // The fill colour of element I: bull, bear, or opaque black when even.
  TGvColor CandleColor(int I) const;

  void PaintGr(QPainter& Painter) override;
  void DrawListItem(QPainter& Painter, const QRectF& Rect) override;

  // ---- Saved forms (GvKindsIO.cpp) ----
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  TGvColor FBullColor = 0xFF008000;
  TGvColor FBearColor = GvColors::Red;
  bool FShadowsSameColorAsFill = false;
};
