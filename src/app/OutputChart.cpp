#include "app/OutputChart.h"

#include "app/OutputPlot.h"
#include "app/OutputStepMarks.h"
#include "chart/GvAxis.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QEvent>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double cNaN = std::numeric_limits<double>::quiet_NaN();

QColor ToQColor(TGvColor C)
{
  return QColor(GetR(C), GetG(C), GetB(C), GetAlpha(C));
}

// The chart's small texts: the window's font family at 8 points.
QFont SmallFont(const QWidget* W)
{
  QFont F = W->font();
  F.setPointSizeF(8);
  return F;
}

void StyleAxis(TGvAxis* A, const QString& Caption, const QFont& Font)
{
  A->SetCaption(Caption);
  A->CaptionFont()->AssignQFont(Font);
  A->CaptionFont()->SetSize(9);
  A->CaptionFont()->SetStyle(TGvFontStyle::Bold);
  A->SetCaptionColor(0xFF404040);
  A->Font()->AssignQFont(Font);
  A->Font()->SetSize(8);
  A->SetNumbersColor(0xFF303030);
  A->SetForeColor(0xFF606060);
  A->SetMajorTickColor(0xFF606060);
  A->SetTickColor(0xFF909090);
  A->SetMajorTickLength(6);
  A->SetTickLength(3);
  A->SetDistanceAxisLabels(2);
}
} // namespace

bool OutputSegmentSpansGap(const TGvSeries& Series, int From)
{
  const std::vector<TGvScreenPoint>& L = Series.LinePoints();
  const auto It = std::lower_bound(
      L.begin(), L.end(), From, [](const TGvScreenPoint& P, int Index) { return P.Index < Index; });
  if (It == L.end() || It->Index != From || It + 1 == L.end()) return false;
  const int To = (It + 1)->Index;
  double X, Y;
  for (int I = From + 1; I < To; ++I)
    if (!Series.ElementValues(I, X, Y)) return true;
  return false;
}

TGvImageFileFormat ChartImageFormat(QString& Path)
{
  const QString Suffix = QFileInfo(Path).suffix().toLower();
  if (Suffix == QLatin1String("svg")) return TGvImageFileFormat::Svg;
  if (Suffix == QLatin1String("pdf")) return TGvImageFileFormat::Pdf;
  if (Suffix != QLatin1String("png")) Path += QStringLiteral(".png");
  return TGvImageFileFormat::Png;
}

namespace {
// The band above the data area where the mode changes are named: the legend
// reserves it below its own row (two legends on one side do not stack).
double ModeBandHeight(const QWidget* W)
{
  return std::ceil(QFontMetricsF(SmallFont(W)).height() + 4);
}
} // namespace

// ---- The legend: a line sample and the caption of each curve, docked above
// the data area, and below them the band of the mode names.
class TOutputChart::TLegend : public QObject, public IGvGraphLegend
{
public:
  TLegend(TOutputChart& Chart) : QObject(&Chart), FChart(Chart) {}

  bool LegendVisible() const override { return true; }
  TGvLegendPosition LegendPosition() const override { return TGvLegendPosition::TopCenterOfAxis; }
  QSizeF LegendSize() override
  {
    const QFontMetricsF M(Font());
    double W = 0;
    for (const TGvSeries* S : Curves()) W += cSample + cGap + M.horizontalAdvance(S->Caption());
    W += cSpacing * (Curves().size() - 1) + 2 * cMargin;
    return {std::ceil(W), std::ceil(M.height() + 2 * cMargin) + ModeBandHeight(FChart.Graph())};
  }
  void PlaceLegend(QPointF TopLeft) override { FAt = TopLeft; }
  void PaintLegend(QPainter& P) override
  {
    P.save();
    P.setRenderHint(QPainter::Antialiasing);
    const QFont F = Font();
    const QFontMetricsF M(F);
    P.setFont(F);
    double X = FAt.x() + cMargin;
    const double Mid = FAt.y() + cMargin + M.height() / 2;
    for (const TGvPointSeries* S : Curves()) {
      const QColor C = ToQColor(S->Line()->Color());
      P.setPen(QPen(C, S->Line()->Width()));
      P.drawLine(QPointF(X, Mid), QPointF(X + cSample, Mid));
      P.setPen(Qt::NoPen);
      P.setBrush(C);
      P.drawEllipse(QPointF(X + cSample / 2, Mid), 2.5, 2.5);
      X += cSample + cGap;
      P.setPen(QColor(0x30, 0x30, 0x30));
      P.drawText(QPointF(X, Mid - M.height() / 2 + M.ascent()), S->Caption());
      X += M.horizontalAdvance(S->Caption()) + cSpacing;
    }
    P.restore();
  }
  void LegendRefresh() override {}

private:
  static constexpr double cSample = 22, cGap = 5, cSpacing = 18, cMargin = 3;
  QFont Font() const
  {
    QFont F = SmallFont(FChart.Graph());
    F.setPointSizeF(9);
    return F;
  }
  std::vector<TGvPointSeries*> Curves() const { return {FChart.FSeriesA, FChart.FSeriesH2O}; }

  TOutputChart& FChart;
  QPointF FAt;
};

// ---- The mode changes: a dashed line across the data area at the time of
// each change, a triangle on the time axis and the mode's name in the band
// above the data area. The graph paints it with its legends, last, so that it
// also shows in saved images; it takes no room of its own.
class TOutputChart::TModeMarks : public QObject, public IGvGraphLegend
{
public:
  TModeMarks(TOutputChart& Chart) : QObject(&Chart), FChart(Chart) {}

  bool LegendVisible() const override { return true; }
  TGvLegendPosition LegendPosition() const override { return TGvLegendPosition::FreeFloating; }
  QSizeF LegendSize() override { return {}; }
  void PlaceLegend(QPointF) override {}
  void LegendRefresh() override {}
  void PaintLegend(QPainter& P) override
  {
    const TGvGraph2D* G = FChart.Graph();
    const TGvAxis* X = G->PrimaryXAxis();
    const QRectF A = G->DrawingArea();
    if (!X || A.width() <= 0 || A.height() <= 0) return;
    P.save();
    P.setRenderHint(QPainter::Antialiasing);
    const QFont F = SmallFont(G);
    const QFontMetricsF M(F);
    P.setFont(F);
    const double Band = ModeBandHeight(G);
    double LabelEnd = -1e9; // right end of the last name written
    for (const TOutputPlotData::TModeChange& C : FChart.FData.ModeChanges()) {
      const double Px = X->NumberToWorld(C.Time);
      if (!std::isfinite(Px) || Px < A.left() - 0.5 || Px > A.right() + 0.5) continue;
      const QColor Color = ToQColor(ModeColor(C.Mode));
      P.setPen(QPen(QColor(Color.red(), Color.green(), Color.blue(), 150), 1, Qt::DashLine));
      P.drawLine(QPointF(Px, A.top() - Band + 2), QPointF(Px, A.bottom()));
      // The triangle stands on the time axis, pointing up at the change.
      QPainterPath T;
      T.moveTo(Px, A.bottom() - 7);
      T.lineTo(Px - 4.5, A.bottom());
      T.lineTo(Px + 4.5, A.bottom());
      T.closeSubpath();
      P.setPen(Qt::NoPen);
      P.setBrush(Color);
      P.drawPath(T);
      // The name right of the line (left of it at the right end), unless it
      // would run into the one before.
      const QString Text = C.Mode.isEmpty() ? QStringLiteral("?") : C.Mode;
      const double W = M.horizontalAdvance(Text);
      const double Left = Px + 3 + W <= G->width() - 2 ? Px + 3 : Px - 3 - W;
      if (Left < LabelEnd + 6) continue;
      P.setPen(Color.darker(120));
      P.drawText(QPointF(Left, A.top() - Band + 1 + M.ascent()), Text);
      LabelEnd = Left + W;
    }
    P.restore();
  }

private:
  TOutputChart& FChart;
};

// ---- The chart ----------------------------------------------------------------

TGvColor TOutputChart::ModeColor(const QString& Mode)
{
  if (Mode == QLatin1String("Dilution")) return 0xFF2E7D32;
  if (Mode == QLatin1String("Bypass")) return 0xFFE65100;
  if (Mode == QLatin1String("Flushing")) return 0xFF6A1B9A;
  return 0xFF616161; // Standby, Unknown
}

TOutputChart::TOutputChart(TOutputPlotData& Data, QWidget* Parent, double Now)
    : QObject(Parent), FData(Data), FGraph(new TGvGraph2D(Parent))
{
  setObjectName(QStringLiteral("OutputChart"));
  FGraph->setObjectName(QStringLiteral("GraphOutput"));
  FGraph->TestPrimaryAxis();
  FGraph->SetBackColor(GvColors::White);
  FGraph->SetDataAreaColor(0xFFFBFCFE);
  FGraph->DataAreaFrame()->SetVisible(true);
  FGraph->DataAreaFrame()->SetColor(0xFFA0A0A0);
  for (TGvLineSettings* Grid : {FGraph->MajorGridHorizontal(), FGraph->MajorGridVertical()}) {
    Grid->SetVisible(true);
    Grid->SetColor(0xFFE2E2E2);
  }
  FGraph->SetDistanceBorderAxisRight(14);
  FGraph->SetDistanceBorderAxisTop(2);

  const QFont Font = SmallFont(FGraph);
  TGvAxis* X = FGraph->PrimaryXAxis();
  X->setObjectName(QStringLiteral("AxisOutputTime"));
  StyleAxis(X, QStringLiteral("Time"), Font);
  X->SetScaling(TGvAxisScaling::DateTime);
  // The empty chart shows the minute the window opened.
  X->ScaleData().InitialStart = Now;
  X->ScaleData().InitialStop = Now + 1.0 / 1440;
  X->SetStartStop(Now, Now + 1.0 / 1440);

  TGvAxis* Y = FGraph->PrimaryYAxis();
  Y->setObjectName(QStringLiteral("AxisOutputPpm"));
  StyleAxis(Y, QStringLiteral("ppm"), Font);
  // Plain numbers up to 1 000 000 ppm, no power of ten beside them.
  Y->SetMaxForExtraExponent(1e7);
  Y->ScaleData().InitialStart = 1;
  Y->ScaleData().InitialStop = 1000000;
  Y->SetStartStop(1, 1000000);

  FSeriesA = MakeSeries(Data.PpmA(), QStringLiteral("SeriesOutputPpmA"), QStringLiteral("A ppm"),
                        ColorPpmA);
  FSeriesH2O = MakeSeries(Data.PpmH2O(), QStringLiteral("SeriesOutputPpmH2O"),
                          QStringLiteral("H2O ppm"), ColorPpmH2O);
  FLegend = new TLegend(*this);
  FGraph->RegisterLegend(FLegend, FLegend);
  FMarks = new TModeMarks(*this);
  FGraph->RegisterLegend(FMarks, FMarks);
  FStepMarks = new TOutputStepMarks(Data, FGraph, this);
  FGraph->installEventFilter(this);
  SetLogScale(true);
}

TOutputChart::~TOutputChart()
{
  if (FGraph) FGraph->removeEventFilter(this);
}

TGvPointSeries* TOutputChart::MakeSeries(TGvDoubleVector* Y, const QString& Name,
                                         const QString& Caption, TGvColor Color)
{
  auto* S = new TGvPointSeries(this);
  S->setObjectName(Name);
  S->SetCaption(Caption);
  S->Line()->SetColor(Color);
  S->Line()->SetWidth(1.5);
  S->PointSymbol()->SetVisible(true);
  S->PointSymbol()->SetPointSymbol(TGvPointSymbol::Circle);
  S->PointSymbol()->SetSize(4);
  S->PointSymbol()->SetBorderColor(Color);
  S->PointSymbol()->SetFillColor(Color);
  S->PointSymbol()->SetBorderLineWidth(1);
  S->SetXAxis(FGraph->PrimaryXAxis());
  S->SetYAxis(FGraph->PrimaryYAxis());
  S->SetXData(FData.Time());
  S->SetYData(Y);
  // The line is not drawn across rows without a value.
  S->OnGetPen = [](TGvSeries* Sender, TGvPenEventArgs& Args) {
    Args.Visible = !OutputSegmentSpansGap(*Sender, Args.Index);
  };
  return S;
}

void TOutputChart::SetLogScale(bool Log)
{
  FLog = Log;
  TGvAxis* Y = FGraph->PrimaryYAxis();
  Y->SetScaling(Log ? TGvAxisScaling::Log : TGvAxisScaling::Normal);
  // The logarithmic axis ends at the steps within the decade next to the data
  // (200 .. 20000, not 100 .. 100000), the linear one at its major steps.
  Y->SetEndRounding(Log ? TGvAxisEndRounding::RndToMinor
                        : TGvAxisEndRounding::RndToMajorZoomToMinor);
  // On the logarithmic axis a ppm of 0 (no water in a dry mixture) has no
  // place: it is a gap, like a row without a value.
  const TGvValueTransformation Positive = [](QObject*, const TGvTransformEventArgs& A) {
    return A.Value > 0 ? A.Value : cNaN;
  };
  for (TGvPointSeries* S : {FSeriesA, FSeriesH2O})
    S->SetYValueTransformation(Log ? Positive : TGvValueTransformation());
  FGraph->ZoomReset();
  FGraph->Modified();
}

bool TOutputChart::eventFilter(QObject* Watched, QEvent* Event)
{
  if (Watched == FGraph && Event->type() == QEvent::MouseButtonPress && OnMouseDown) {
    const auto* E = static_cast<QMouseEvent*>(Event);
    OnMouseDown(E->button(), E->globalPosition().toPoint());
  }
  return QObject::eventFilter(Watched, Event);
}
