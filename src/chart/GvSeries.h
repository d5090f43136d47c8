// The series model: a series binds an X and a Y data vector to an X and a Y
// axis inside a graph and turns the values into a polyline, a filled area or
// band, point symbols, error bars or a computed curve.
//
//   TGvSeries                the base: data range, screen points, painting,
//                            hit tests, the links to vectors, axes and graph
//   TGvLineSeries            publishes line, area and band
//   TGvPointSeries           adds the point symbols
//   TGvPointWithErrorSeries  adds error bars from four delta vectors
//   TGvFunctionSeries        a computed curve, one sample per axis pixel; the
//                            base of the analysis series
//   TGvCalculation           the calculation object of a function series
//
// Notes on the data path:
//  - Ranges fold in only the elements appended since the last calculation;
//    with a value transformation every transformed value counts (a
//    transformation may be non-monotone or depend on the index).
//  - Screen points are converted only when flagged and, for ascending X, only
//    for the visible part (found by binary search). Appended elements are
//    folded into the screen points while the axes' mapping stays as it was.
//  - Elements whose values (or transformed values) are not finite count as
//    elements without values.
//  - The line is reduced per pixel column (entry, lowest, highest and exit
//    point), so its cost follows the plot's width, not the vector's length;
//    symbols are drawn once per rounded pixel unless an OnGetPointSymbol
//    handler may make them differ.
//  - Symbols are drawn once, above the axes, by the graph (DrawSymbols).
#pragma once

#include "chart/GvAxis.h"
#include "chart/GvComponent.h"
#include "chart/GvGraph2D.h"
#include "chart/GvMath.h"
#include "chart/GvSeriesPoints.h"
#include "chart/GvStyles.h"
#include "chart/GvVectors.h"
#include "chart/analysis/GvParseFkt.h"

#include <QBrush>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

class QPainter;
class TGvFunctionSeries;
class TGvSeries;

// ---- Event arguments -------------------------------------------------------

struct TGvTransformEventArgs
{
  double Value = 0;
  int Index = 0;
};
// A value transformation; unassigned means identity.
using TGvValueTransformation =
    std::function<double(QObject* Sender, const TGvTransformEventArgs& Args)>;

struct TGvPenEventArgs
{
  int Index = 0;
  double X = 0, Y = 0;
  QPen Pen;
  bool Visible = true;
};
using TGvPenEventHandler = std::function<void(TGvSeries* Sender, TGvPenEventArgs& Args)>;

struct TGvBrushEventArgs
{
  int Index = 0;
  double X = 0, Y = 0;
  QBrush Brush;
  bool Visible = true;
};
using TGvBrushEventHandler = std::function<void(TGvSeries* Sender, TGvBrushEventArgs& Args)>;

struct TGvPointSymbolEventArgs
{
  int Index = 0;
  double X = 0, Y = 0;
  float Size = 11;
  QPen Pen;
  QBrush Brush;
  TGvPointSymbol Symbol = TGvPointSymbol::Circle;
  bool Visible = true;
};
using TGvPointSymbolEventHandler =
    std::function<void(TGvSeries* Sender, TGvPointSymbolEventArgs& Args)>;

using TGvNotifyEvent = std::function<void(TGvSeries* Sender)>;
using TGvCalculationErrorEvent = std::function<void(TGvSeries* Sender, const std::exception& E)>;
// A message for the user (a setting refused or corrected).
using TGvMessageEvent = std::function<void(TGvSeries* Sender, const QString& Message)>;

struct TGvNearestPointResult
{
  bool Found = false;
  float Distance = 3.4028235e38f;
  int Index = -1;
  double X = 0, Y = 0;
  QPointF ThePoint;
};

// The entry of the six-step colour and symbol cycle of new series.
struct TGvSeriesColors
{
  TGvColor Line;
  TGvColor SymbolBorder;
  TGvColor SymbolFill;
  TGvPointSymbol Symbol;
};
const TGvSeriesColors& GvSeriesColors(int Entry);
// The entry for the next series made: one counter for the whole program,
// from 0 up to 5 and round again.
int GvNextSeriesColorEntry();

// The "no range" marks of a series' data range.
constexpr double GvNoRangeStart = 1.7976931348623157e308;
constexpr double GvNoRangeStop = -1.7976931348623157e308;

// ---- TGvSeries -------------------------------------------------------------

// A series keeps the list of objects that show one of its registered values
// (TGvUpdateListOwner): they are expanded again after it recalculated.
class TGvSeries : public TGvComponent,
                  public TGvVectorClient,
                  public IGvAxisSeries,
                  public TGvUpdateListOwner
{
  Q_OBJECT
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool IncludeInLegend READ IncludeInLegend WRITE SetIncludeInLegend)
  Q_PROPERTY(TGvSeries* MergeLegendItemWith READ MergeLegendItemWith WRITE SetMergeLegendItemWith)
  Q_PROPERTY(int Layer READ Layer WRITE SetLayer)

public:
  explicit TGvSeries(QObject* Owner = nullptr);
  ~TGvSeries() override;

  // ---- Properties ----
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  // The default is the class name without its leading letter and the first
  // free number in the owner (GvLineSeries1), given when the series is made.
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& Value);
  bool IncludeInLegend() const { return FIncludeInLegend; }
  void SetIncludeInLegend(bool Value);
  TGvSeries* MergeLegendItemWith() const { return FMergeLegendItemWith.data(); }
  void SetMergeLegendItemWith(TGvSeries* Value);
  int Layer() const { return FLayer; }
  void SetLayer(int Value);

  bool AutoUpdate() const { return FAutoUpdate; }
  void SetAutoUpdate(bool Value);
  bool OutliersVisible() const { return FOutliersVisible; }
  void SetOutliersVisible(bool Value);
  TGvAxis* XAxis() const { return FXAxis.data(); }
  virtual void SetXAxis(TGvAxis* Value);
  TGvAxis* YAxis() const { return FYAxis.data(); }
  virtual void SetYAxis(TGvAxis* Value);
  TGvCustomDoubleVector* XData() const { return FXData.data(); }
  void SetXData(TGvCustomDoubleVector* Value);
  TGvCustomDoubleVector* YData() const { return FYData.data(); }
  void SetYData(TGvCustomDoubleVector* Value);

  TGvLineSettings* Line() const { return FLine; }
  void SetLine(TGvLineSettings* Value);
  TGvAreaSettings* Area() const { return FArea; }
  void SetArea(TGvAreaSettings* Value);
  TGvSeries* DrawBandTo() const { return FDrawBandTo.data(); }
  // Refuses the series itself and any series whose band leads back to this
  // one (EGvError), which would otherwise recurse for ever.
  void SetDrawBandTo(TGvSeries* Value);
  TGvPointSymbolSettings* PointSymbol() const { return FPointSymbol; }
  void SetPointSymbol(TGvPointSymbolSettings* Value);
  TGvPointSymbolSettings* OutOfRangePointSymbol() const { return FOutOfRangeSymbol; }
  void SetOutOfRangePointSymbol(TGvPointSymbolSettings* Value);
  TGvFunctionSeries* RangeFromFunction() const;
  void SetRangeFromFunction(TGvFunctionSeries* Value);

  const TGvValueTransformation& XValueTransformation() const { return FXTransform; }
  void SetXValueTransformation(TGvValueTransformation Value);
  const TGvValueTransformation& YValueTransformation() const { return FYTransform; }
  void SetYValueTransformation(TGvValueTransformation Value);

  TGvPenEventHandler OnGetPen;
  TGvBrushEventHandler OnGetBrush;
  TGvPointSymbolEventHandler OnGetPointSymbol;

  // ---- State ----
  TGvGraph2D* Graph() const { return FGraph.data(); }
  // The vectors as used: the indexer stands in for a missing one.
  TGvCustomDoubleVector* XVector() const;
  TGvCustomDoubleVector* YVector() const;
  TGvIndexer* Indexer() const { return FIndexer; }
  int Count() const { return FCount; }
  int MinCount() const { return FMinCount; }
  int LastCount() const { return FLastCount; }
  int LastPointsCount() const { return FLastPointsCount; }
  double XStart() const { return FXStart; }
  double XStop() const { return FXStop; }
  double YStart() const { return FYStart; }
  double YStop() const { return FYStop; }
  bool RecalculatePoints() const { return FRecalcPoints; }

  // The screen points (pixels) with the data index of each, and the points of
  // the area polygon (the line points, then the band or the baseline).
  int PointCount() const { return int(FPoints.size()); }
  const TGvScreenPoint& ScreenPoint(int I) const { return FPoints.at(size_t(I)); }
  const std::vector<TGvScreenPoint>& ScreenPoints() const { return FPoints; }
  // The points the line and the area are drawn through (the screen points,
  // or with symbols shown their reduction per pixel column).
  const std::vector<TGvScreenPoint>& LinePoints() const;
  int AreaPointCount() const { return int(FAreaPoints.size()); }
  const std::vector<QPointF>& AreaPoints() const { return FAreaPoints; }
  // The screen points that get a symbol when no handler decides (positions
  // into the screen points).
  const std::vector<int>& SymbolPositions() const { return FSymbolPos; }

  // ---- Virtual operations ----
  virtual int GetCount();
  virtual void Calculate();
  virtual void CalculatePoints();
  virtual void TestVisibleChanged();
  virtual bool HasValuesAt(int Idx) const;
  virtual double GetY(double AtX);
  virtual int FindPoint(double X, double Y, double Delta);
  int FindPoint(double X, double Y);
  float ExtraSpaceAt(TGvAxisPosition Border) const override;
  virtual bool SeriesVisible() const;
  virtual void PaintGr(QPainter& Painter);
  virtual void DrawSymbols(QPainter& Painter);
  virtual void TestAllAssigned();
  virtual void CheckDBVectors();
  virtual bool IsFunction() const { return false; }
  virtual bool SymbolsVisible() const;
  // The least number of points the series draws: 1 with symbols, else 2.
  virtual int MinimumCount() const { return SymbolsVisible() ? 1 : 2; }
  // The screen points need converting (flagged, or the axes map otherwise).
  bool PointsStale() const;
  // The area (or band) is filled.
  bool AreaShown() const;
  // A legend's sample of the series: area, line and symbol in Rect.
  virtual void DrawListItem(QPainter& Painter, const QRectF& Rect);
  // Whether the graph draws 3-D walls behind its data area for this series
  // (3-D bars), and their depth in pixels (right and up).
  virtual bool DataAreaWalls(double& DepthX, double& DepthY) const { return false; }
  // Publishes the series' values to the expression parser under its dotted
  // name (strings "Name" and "Caption"; derived series add theirs), and
  // removes them again. A series registers when it is created and again when
  // it is renamed; what it registered goes when it is destroyed.
  virtual void RegisterVariables();
  virtual void DeRegisterVariables();

  double TransformX(int Idx, double Value) const;
  double TransformY(int Idx, double Value) const;
  // The element's values as used (transformed); false when it has none.
  bool ElementValues(int Idx, double& X, double& Y) const;

  TGvNearestPointResult NearestPoint(QPointF FromPosition);
  TGvNearestPointResult NearestX(double FromX);
  TGvNearestPointResult NearestY(double FromY);

  // ---- Change notifications ----
  void RangesModified() override;
  // Values changed in place: ranges and screen points are taken again.
  void PointsModified() override;
  // The axes map otherwise: only the screen points are converted again.
  void InvalidatePoints();
  void SetLastCount(int Value) override;
  void Modified() override;
  // Repaints every graph that shows the series: its own and the graphs
  // coupled to it.
  void Invalidate();
  void ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount) override;

  // ---- What vectors and axes ask ----
  bool IsSeries() const override { return true; }
  bool IsFunctionSeries() const override { return IsFunction(); }
  bool IsYData(const TGvCustomDoubleVector* Vector) const override;
  bool AxisSeriesVisible() const override { return SeriesVisible(); }
  bool AxisDataRange(bool Horizontal, double& Start, double& Stop) const override;
  double AxisLeastPositive(bool Horizontal) const override;

  // The graph's hook: joins or leaves the graph and its undo stack.
  void SetGraph(TGvGraph2D* Graph);
  void SetUndoStack(TGvUndoStackBase* Stack) override;

  QString ToString() const;

  // ---- Saved forms (GvSeriesIO.cpp) ----
  // The stream form starts with the class name and the series' reference;
  // the XML form is a child of Node named after the class; the ini form is
  // the keys of one section ("Type" holds the class name). The public
  // readers check the whole form first (on a scratch series of the same
  // class, with nothing resolved): a form that cannot be read raises
  // EGvReadError and leaves the series as it was. Reading records nothing on
  // the undo stack. References go through GvLinkRef and are type-checked.
  void WriteTo(TGvStreamWriter& W) const;
  void ReadFrom(QIODevice& Stream);
  void WriteTo(QIODevice& Stream) const;
  void WriteTo(const QString& FileName) const;
  void ReadFrom(const QString& FileName);
  void WriteTo(QDomElement& Node) const;
  void ReadFrom(const QDomElement& Node);
  void WriteTo(TGvIniFile& Ini, const QString& Section) const;
  void ReadFrom(const TGvIniFile& Ini, const QString& Section);
  // The readers without the check (a saved graph checks all of its form
  // before it reads it): the stream form from its class name on, the XML
  // element, the ini section.
  void ReadUnchecked(TGvStreamReader& R);
  void ReadUnchecked(const QDomElement& Node);
  void ReadUnchecked(const TGvIniFile& Ini, const QString& Section);

  // The fields of each class, the base's first; derived classes append
  // theirs after calling the base.
  virtual void WriteFields(TGvStreamWriter& W) const;
  virtual void ReadFields(TGvStreamReader& R);
  virtual void WriteToInner(QDomElement& E) const;
  virtual void ReadFromInner(const QDomElement& E);
  virtual void WriteIni(TGvIniFile& Ini, const QString& Section) const;
  virtual void ReadIni(const TGvIniFile& Ini, const QString& Section);

protected:
  friend class TGvGraph2D;
  // Gives the default caption for the class being constructed: every series
  // constructor ends with it, so that the most derived class names it.
  void NumberCaption();
  // A running range over elements 0 .. Count - 1 with values (transformed).
  struct TFold
  {
    double Lo = GvNoRangeStart, Hi = GvNoRangeStop;
    double LeastPositive = std::numeric_limits<double>::infinity();
    int Count = 0;
    void Reset() { *this = TFold(); }
    void Add(double V)
    {
      if (!(V - V == 0)) return; // not finite
      if (V < Lo) Lo = V;
      if (V > Hi) Hi = V;
      if (V > 0 && V < LeastPositive) LeastPositive = V;
    }
  };

  // The elements from LastPointsCount on that are to be converted.
  TGvIndexRange GetCalcPointsStartStop();
  // X values as used grow strictly with the index: the vector says so, has no
  // outliers and no transformation applies.
  bool XAscending() const;
  // Converts a value pair to pixels.
  TGvScreenPoint GetCalcPoint(int Idx, double X, double Y) const;
  void AddBandPoints();
  // The baseline pixel of the area.
  double BaselinePixel() const;
  void DrawLine(QPainter& Painter);
  virtual void DrawIndicators(QPainter& Painter) {}
  // Whether the line may take the fast integer path.
  bool FastLine(const QPainter& Painter, const QPen& Pen) const;
  void DrawPolyline(QPainter& Painter, const QPen& Pen, const std::vector<TGvScreenPoint>& P);
  // Points whose symbols have a translucent fill (the holes in the line).
  bool NeedsHoles() const;
  void AddHoles(QPainterPath& Holes) const;
  // Which symbol a screen point gets: 0 normal, 1 out of range, -1 none.
  int SymbolKind(int DataIndex) const;
  // The rectangle lines are clipped to before they are drawn.
  QRectF LineClip(double Margin) const;

  // Folds X (or Y) values of elements [From, To) into a range.
  void FoldX(TFold& F, int To) const;
  void FoldY(TFold& F, int To) const;
  // Stores a range; tells the axis when it changed.
  void StoreXRange(double Lo, double Hi);
  void StoreYRange(double Lo, double Hi);
  virtual void ResetFolds();
  // Whether HasValuesAt comes down to finite values (no outliers to look up).
  virtual bool PlainValues() const { return true; }
  // The values a pen or brush handler gets for the segment starting at P.
  void SegmentValues(const TGvScreenPoint& P, int& Index, double& X, double& Y);
  // Runs OnGetPointSymbol once per screen point for this paint.
  void PrepareSymbols();

  void CheckUndo(const char* Prop, const QString& Comment) { RecordUndo(this, Prop, Comment); }
  void AttachVector(QPointer<TGvCustomDoubleVector>& Slot, TGvCustomDoubleVector* Value);
  void OnSettingsChanged();
  void OnLinkedDestroyed(QObject* Object);

  QPointer<TGvGraph2D> FGraph;
  QPointer<TGvAxis> FXAxis, FYAxis;
  QPointer<TGvCustomDoubleVector> FXData, FYData;
  TGvIndexer* FIndexer = nullptr;

  bool FVisible = true;
  QString FCaption;
  bool FIncludeInLegend = true;
  bool FAutoUpdate = true;
  bool FOutliersVisible = false;
  QPointer<TGvSeries> FMergeLegendItemWith;
  QPointer<TGvSeries> FDrawBandTo;
  QPointer<TGvSeries> FRangeFromFunction;
  int FLayer = 0;

  TGvLineSettings* FLine = nullptr;
  TGvAreaSettings* FArea = nullptr;
  TGvPointSymbolSettings* FPointSymbol = nullptr;
  TGvPointSymbolSettings* FOutOfRangeSymbol = nullptr;
  TGvValueTransformation FXTransform, FYTransform;

  int FCount = 0;
  int FMinCount = 2;
  int FLastCount = 0;
  int FLastPointsCount = 0;
  // The calculation under way only folds in appended elements.
  bool FAppending = false;
  double FXStart = GvNoRangeStart, FXStop = GvNoRangeStop;
  double FYStart = GvNoRangeStart, FYStop = GvNoRangeStop;
  // The running ranges behind XStart .. YStop.
  TFold FXFold, FYFold;
  mutable TFold FXPositive, FYPositive; // least positive values, folded when asked

  // Screen points: committed ones, then the tail the reducer adds for the
  // current last element.
  std::vector<TGvScreenPoint> FPoints;
  size_t FCommitted = 0;
  TGvLineReducer FLineReducer;
  TGvSymbolRule FSymbolRule;
  // With symbols shown: the line through their points, reduced per column.
  std::vector<TGvScreenPoint> FLinePts;
  size_t FLineCommitted = 0;
  size_t FLineFed = 0;
  TGvLineReducer FLineOfSymbols;
  TGvSymbolPixels FSymbolPixels;
  std::vector<int> FSymbolPos;
  std::vector<QPointF> FAreaPoints;
  std::vector<TGvPointSymbolEventArgs> FHandlerSymbols;
  // The first screen point that changed in the last calculation.
  size_t FFirstChangedPoint = 0;
  bool FRecalcPoints = true;
  bool FPointsWithSymbols = false;
  bool FPointsWithDedup = false;
  // The axes' mapping the screen points were converted with.
  struct TMapKey
  {
    float P0 = 0, P1 = 0;
    double Start = 0, Stop = 0;
    int Scaling = -1;
    friend bool operator==(const TMapKey&, const TMapKey&) = default;
  };
  TMapKey FMapX, FMapY;
  TMapKey MapKeyOf(const TGvAxis* Axis) const;
};

// ---- The published kinds ----------------------------------------------------

class TGvLineSeries : public TGvSeries
{
  Q_OBJECT
  Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
  Q_PROPERTY(bool OutliersVisible READ OutliersVisible WRITE SetOutliersVisible)
  Q_PROPERTY(TGvAxis* XAxis READ XAxis WRITE SetXAxis)
  Q_PROPERTY(TGvAxis* YAxis READ YAxis WRITE SetYAxis)
  Q_PROPERTY(TGvCustomDoubleVector* XData READ XData WRITE SetXData)
  Q_PROPERTY(TGvCustomDoubleVector* YData READ YData WRITE SetYData)
  Q_PROPERTY(TGvLineSettings* Line READ Line WRITE SetLine)
  Q_PROPERTY(TGvAreaSettings* Area READ Area WRITE SetArea)
  Q_PROPERTY(TGvSeries* DrawBandTo READ DrawBandTo WRITE SetDrawBandTo)
public:
  explicit TGvLineSeries(QObject* Owner = nullptr) : TGvSeries(Owner) { NumberCaption(); }
};

class TGvPointSeries : public TGvLineSeries
{
  Q_OBJECT
  Q_PROPERTY(TGvPointSymbolSettings* PointSymbol READ PointSymbol WRITE SetPointSymbol)
  Q_PROPERTY(TGvFunctionSeries* RangeFromFunction READ RangeFromFunction WRITE SetRangeFromFunction)
  Q_PROPERTY(TGvPointSymbolSettings* OutOfRangePointSymbol READ OutOfRangePointSymbol WRITE
                 SetOutOfRangePointSymbol)
public:
  explicit TGvPointSeries(QObject* Owner = nullptr) : TGvLineSeries(Owner) { NumberCaption(); }

  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;
};

class TGvPointWithErrorSeries : public TGvPointSeries
{
  Q_OBJECT
  Q_PROPERTY(TGvLineSettings* ErrorIndicator READ ErrorIndicator WRITE SetErrorIndicator)
  Q_PROPERTY(TGvCustomDoubleVector* DeltaXPlus READ DeltaXPlus WRITE SetDeltaXPlus)
  Q_PROPERTY(TGvCustomDoubleVector* DeltaXMinus READ DeltaXMinus WRITE SetDeltaXMinus)
  Q_PROPERTY(TGvCustomDoubleVector* DeltaYPlus READ DeltaYPlus WRITE SetDeltaYPlus)
  Q_PROPERTY(TGvCustomDoubleVector* DeltaYMinus READ DeltaYMinus WRITE SetDeltaYMinus)
public:
  explicit TGvPointWithErrorSeries(QObject* Owner = nullptr);
  ~TGvPointWithErrorSeries() override;

  TGvLineSettings* ErrorIndicator() const { return FErrorIndicator; }
  void SetErrorIndicator(TGvLineSettings* Value);
  TGvCustomDoubleVector* DeltaXPlus() const { return FDelta[0].data(); }
  void SetDeltaXPlus(TGvCustomDoubleVector* Value) { SetDelta(0, Value); }
  TGvCustomDoubleVector* DeltaXMinus() const { return FDelta[1].data(); }
  void SetDeltaXMinus(TGvCustomDoubleVector* Value) { SetDelta(1, Value); }
  TGvCustomDoubleVector* DeltaYPlus() const { return FDelta[2].data(); }
  void SetDeltaYPlus(TGvCustomDoubleVector* Value) { SetDelta(2, Value); }
  TGvCustomDoubleVector* DeltaYMinus() const { return FDelta[3].data(); }
  void SetDeltaYMinus(TGvCustomDoubleVector* Value) { SetDelta(3, Value); }

  void SetDxPlusTransformation(TGvValueTransformation T) { SetDeltaTransform(0, std::move(T)); }
  void SetDxMinusTransformation(TGvValueTransformation T) { SetDeltaTransform(1, std::move(T)); }
  void SetDyPlusTransformation(TGvValueTransformation T) { SetDeltaTransform(2, std::move(T)); }
  void SetDyMinusTransformation(TGvValueTransformation T) { SetDeltaTransform(3, std::move(T)); }

  TGvPenEventHandler OnGetIndicatorsPen;

  // |delta[i]| (0 without the vector or beyond its count), through the
  // transformation, taken absolute again.
  double GetDxPlus(int I) const { return GetDelta(0, I); }
  double GetDxMinus(int I) const { return GetDelta(1, I); }
  double GetDyPlus(int I) const { return GetDelta(2, I); }
  double GetDyMinus(int I) const { return GetDelta(3, I); }
  bool AnyDelta() const;

  bool HasValuesAt(int Idx) const override;
  bool SeriesVisible() const override;
  void Calculate() override;
  void CalculatePoints() override;
  void TestVisibleChanged() override;
  void ValuesAppended(const TGvCustomDoubleVector* Vector, int OldCount) override;

  // The pixel positions of the bar ends of screen point I (NaN where there is
  // none): X plus, X minus, Y plus, Y minus.
  struct TBarEnds
  {
    float XPlus, XMinus, YPlus, YMinus;
  };
  const std::vector<TBarEnds>& BarEnds() const { return FBarEnds; }

  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

protected:
  void DrawIndicators(QPainter& Painter) override;
  void ResetFolds() override;
  bool PlainValues() const override;

private:
  void SetDelta(int K, TGvCustomDoubleVector* Value);
  void SetDeltaTransform(int K, TGvValueTransformation T);
  double GetDelta(int K, int I) const;

  TGvLineSettings* FErrorIndicator = nullptr;
  QPointer<TGvCustomDoubleVector> FDelta[4];
  TGvValueTransformation FDeltaTransform[4];
  std::vector<TBarEnds> FBarEnds;
  bool FLastIndicatorVisible = true;
  // Running ranges with the bars (from the first element on).
  TFold FErrX, FErrXTop, FErrY, FErrYTop;
  int FErrFolded = 0;
};

// ---- Function series --------------------------------------------------------

// The calculation object of a function series: the data it works on and the
// range it uses. Derived series derive their own, or wrap a calculation over
// plain arrays in a TGvCalculationOf.
class TGvCalculation
{
public:
  TGvCalculation() = default;
  virtual ~TGvCalculation() = default;

  double Start = -1.7976931348623157e308;
  double Stop = 1.7976931348623157e308;
  bool OutliersVisible = false;
  QPointer<TGvCustomDoubleVector> X, Y, W;
  TGvValueTransformation XTransform, YTransform, WTransform;
  QObject* Sender = nullptr;

  int Count() const;
  double Xi(int I) const;
  double Yi(int I) const;
  // |weight| (1 without a weight vector), through the weight transformation,
  // absolute again.
  double Wi(int I) const;
  // Not an outlier in X, Y or weight (unless outliers are shown), and
  // Start <= X <= Stop in every case.
  bool IsValid(int I) const;
  virtual void Calculate() {}

  // The points as plain arrays for the arithmetic: Xi, Yi, Wi (only with a
  // weight vector or transformation) and IsValid of every element, the range
  // Start .. Stop, and whether the vectors exist. Holds until the next Gather.
  const TGvCalculationData& Gather();

private:
  std::vector<double> FXs, FYs, FWs;
  std::vector<std::uint8_t> FValid;
  TGvCalculationData FData;
};

// A calculation over plain arrays (T::Calculate(const TGvCalculationData&))
// as the calculation object of a function series.
template <class T> class TGvCalculationOf : public TGvCalculation
{
public:
  T Calc;
  void Calculate() override { Calc.Calculate(Gather()); }
};

class TGvFunctionSeries : public TGvLineSeries
{
  Q_OBJECT
  Q_PROPERTY(TGvCustomDoubleVector* Weight READ Weight WRITE SetWeight)
  Q_PROPERTY(bool AutoStart READ AutoStart WRITE SetAutoStart)
  Q_PROPERTY(bool AutoStop READ AutoStop WRITE SetAutoStop)
  Q_PROPERTY(double CalculationStart READ CalculationStart WRITE SetCalculationStart)
  Q_PROPERTY(double CalculationStop READ CalculationStop WRITE SetCalculationStop)
  Q_PROPERTY(bool ClipYValues READ ClipYValues WRITE SetClipYValues)
  Q_PROPERTY(bool DisplayAutoStart READ DisplayAutoStart WRITE SetDisplayAutoStart)
  Q_PROPERTY(bool DisplayAutoStop READ DisplayAutoStop WRITE SetDisplayAutoStop)
  Q_PROPERTY(double DisplayStart READ DisplayStart WRITE SetDisplayStart)
  Q_PROPERTY(double DisplayStop READ DisplayStop WRITE SetDisplayStop)
  Q_PROPERTY(bool CoupleCalculationAndDisplay READ CoupleCalculationAndDisplay WRITE
                 SetCoupleCalculationAndDisplay)
public:
  explicit TGvFunctionSeries(QObject* Owner = nullptr);
  ~TGvFunctionSeries() override;

  TGvCustomDoubleVector* Weight() const { return FWeight.data(); }
  void SetWeight(TGvCustomDoubleVector* Value);
  bool AutoStart() const { return FAutoStart; }
  void SetAutoStart(bool Value);
  bool AutoStop() const { return FAutoStop; }
  void SetAutoStop(bool Value);
  double CalculationStart() const { return FCalculationStart; }
  void SetCalculationStart(double Value);
  double CalculationStop() const { return FCalculationStop; }
  void SetCalculationStop(double Value);
  bool ClipYValues() const { return FClipYValues; }
  void SetClipYValues(bool Value);
  bool DisplayAutoStart() const { return FDisplayAutoStart; }
  void SetDisplayAutoStart(bool Value);
  bool DisplayAutoStop() const { return FDisplayAutoStop; }
  void SetDisplayAutoStop(bool Value);
  double DisplayStart() const { return FDisplayStart; }
  void SetDisplayStart(double Value);
  double DisplayStop() const { return FDisplayStop; }
  void SetDisplayStop(double Value);
  bool CoupleCalculationAndDisplay() const { return FCouple; }
  void SetCoupleCalculationAndDisplay(bool Value);

  const TGvValueTransformation& WeightValueTransformation() const { return FWTransform; }
  void SetWeightValueTransformation(TGvValueTransformation Value);

  TGvNotifyEvent OnCalculated;
  TGvCalculationErrorEvent OnCalculationError;
  // Messages for the user (a setting refused or corrected); without a
  // handler they go to the log.
  TGvMessageEvent OnMessage;

  TGvCalculation* Calculation() const { return FCalculation.get(); }

  bool IsFunction() const override { return true; }
  // The last calculation raised (the series shows no curve until one succeeds).
  bool CalculationFailed() const { return FCalculationFailed; }
  bool ClipsYValues() const override { return FClipYValues; }
  bool HasYRange() const override { return FYStart <= FYStop; }
  bool SymbolsVisible() const override { return false; }
  int MinimumCount() const override { return FFunctionMinCount; }

  void Calculate() override;
  void CalculatePoints() override;
  void PaintGr(QPainter& Painter) override;
  int FindPoint(double X, double Y, double Delta) override;
  virtual void CalculateFunction();
  // Raises: derived series give their formula.
  virtual QString GetFormula() const;

  // The calculation and display ranges from the data range and the flags.
  void SetLimits();

  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;
  // Adds the string "Formula" and the numbers "CalculationStart",
  // "CalculationStop", "DisplayStart" and "DisplayStop".
  void RegisterVariables() override;

protected:
  // The least number of points a calculation needs (2 unless a derived
  // series says otherwise).
  void SetMinCount(int Value);
  // The calculation object a derived series works with (owned).
  void SetCalculation(std::unique_ptr<TGvCalculation> C) { FCalculation = std::move(C); }
  // Hands C the series' data: outlier visibility, the X, Y and weight
  // vectors, the calculation range, the sender, and the X and Y value
  // transformations (the weight transformation too with WithWeightTransform).
  void PrepareCalculation(TGvCalculation& C, bool WithWeightTransform = true);
  // Samples GetY over the display range for the Y range.
  void SampleYRange();
  // True when the curve must not widen its Y axis: ClipYValues is set and
  // the Y axis carries another visible series that is not a function series.
  bool YRangeClipped() const;
  // The X values the curve is drawn at: one per pixel over the part of the
  // display range that the X axis shows.
  std::vector<double> DisplayGrid() const;
  // The width of the X axis in pixels (at least 1).
  int XAxisPixels() const;
  // Hands Message to OnMessage, or to the log without a handler.
  void ShowMessage(const QString& Message);
  // After a calculation: the objects that show one of the series' values
  // expand them again.
  void UpdateVariables();

private:
  QPointer<TGvCustomDoubleVector> FWeight;
  TGvValueTransformation FWTransform;
  std::unique_ptr<TGvCalculation> FCalculation;
  bool FAutoStart = true, FAutoStop = true;
  double FCalculationStart = 0, FCalculationStop = 0;
  bool FClipYValues = true;
  bool FDisplayAutoStart = true, FDisplayAutoStop = true;
  double FDisplayStart = 0, FDisplayStop = 0;
  bool FCouple = true;
  int FFunctionMinCount = 2;

protected:
  // The last calculation raised: the series shows no curve.
  bool FCalculationFailed = false;
};

// ---- Point symbols in the saved forms (GvSeriesIO.cpp) ----------------------
//
// The six symbol fields as the point series write them: Visible byte, Size and
// BorderLineWidth float32, BorderColor and FillColor uint32, Symbol byte; in
// XML the attributes "Visible", "Size", "BorderLineWidth", "BorderColor",
// "FillColor", "Symbol" of E; in an ini section the keys Prefix + ".Visible"
// and so on. The readers check every field before they apply any (a symbol
// outside the enumeration raises EGvReadError); missing XML attributes and
// ini keys keep their values.
class TGvStreamWriter;
class TGvStreamReader;
class TGvIniFile;
class QDomElement;
void PointSymbolToStream(TGvStreamWriter& W, const TGvPointSymbolSettings& P);
void PointSymbolFromStream(TGvStreamReader& R, TGvPointSymbolSettings& P);
void PointSymbolToNode(QDomElement& E, const TGvPointSymbolSettings& P);
void PointSymbolFromNode(const QDomElement& E, TGvPointSymbolSettings& P);
void PointSymbolToIni(TGvIniFile& Ini, const QString& Section, const QString& Prefix,
                      const TGvPointSymbolSettings& P);
void PointSymbolFromIni(const TGvIniFile& Ini, const QString& Section, const QString& Prefix,
                        TGvPointSymbolSettings& P);
