// Arrow series: an arrow from each point to the point displaced by a delta-X
// and a delta-Y vector.
//
// The arithmetic comes first, as plain functions over pixels.
#pragma once

#include "chart/GvMinMax.h"
#include "chart/GvSeries.h"
#include "chart/GvStyles.h"

#include <QLineF>
#include <QPointer>
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

// ---- TGvArrows ----------------------------------------------------------------

// Arrows from each point (x, y) to (x + dx, y + dy). The arrow settings take
// the place of the series' line settings (Line() is the same object).
class TGvArrows : public TGvSeries
{
  Q_OBJECT
  Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
  Q_PROPERTY(bool OutliersVisible READ OutliersVisible WRITE SetOutliersVisible)
  Q_PROPERTY(TGvAxis* XAxis READ XAxis WRITE SetXAxis)
  Q_PROPERTY(TGvAxis* YAxis READ YAxis WRITE SetYAxis)
  Q_PROPERTY(TGvCustomDoubleVector* XData READ XData WRITE SetXData)
  Q_PROPERTY(TGvCustomDoubleVector* YData READ YData WRITE SetYData)
  Q_PROPERTY(TGvCustomDoubleVector* DeltaX READ DeltaX WRITE SetDeltaX)
  Q_PROPERTY(TGvCustomDoubleVector* DeltaY READ DeltaY WRITE SetDeltaY)
  Q_PROPERTY(TGvArrowSettings* Arrow READ Arrow WRITE SetArrow)

public:
  explicit TGvArrows(QObject* Owner = nullptr);
  ~TGvArrows() override;

  TGvArrowSettings* Arrow() const { return static_cast<TGvArrowSettings*>(FLine); }
  void SetArrow(TGvArrowSettings* Value);
  TGvCustomDoubleVector* DeltaX() const { return FDeltaX.data(); }
  void SetDeltaX(TGvCustomDoubleVector* Value);
  TGvCustomDoubleVector* DeltaY() const { return FDeltaY.data(); }
  void SetDeltaY(TGvCustomDoubleVector* Value);
  const TGvValueTransformation& XDeltaTransformation() const { return FDXTransform; }
  void SetXDeltaTransformation(TGvValueTransformation Value);
  const TGvValueTransformation& YDeltaTransformation() const { return FDYTransform; }
  void SetYDeltaTransformation(TGvValueTransformation Value);

  // The displacement of element I as used; false when it has none.
  bool Delta(int I, double& DX, double& DY) const;
  // The tip of screen point K (its tail is the point itself).
  QPointF Tip(int K) const { return FTips.at(size_t(K)); }

  int GetCount() override;
  bool HasValuesAt(int Idx) const override;
  bool SeriesVisible() const override;
  void Calculate() override;
  void CalculatePoints() override;
  void PaintGr(QPainter& Painter) override;
  void DrawSymbols(QPainter& Painter) override {}
  float ExtraSpaceAt(TGvAxisPosition Border) const override;
  void DrawListItem(QPainter& Painter, const QRectF& Rect) override;
  void ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount) override;
  void TestVisibleChanged() override;

  // ---- Saved forms (GvKindsIO.cpp) ----
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  void SetDelta(QPointer<TGvCustomDoubleVector>& Slot, TGvCustomDoubleVector* Value,
                const char* Prop, const char* Comment);
  void DrawArrow(QPainter& Painter, const QPen& Pen, const QPointF& Tail, const QPointF& Tip) const;

  QPointer<TGvCustomDoubleVector> FDeltaX, FDeltaY;
  TGvValueTransformation FDXTransform, FDYTransform;
  std::vector<QPointF> FTips;
  bool FLastArrowVisible = true;
};
