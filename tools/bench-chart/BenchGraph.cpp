// The graph beside QCustomPlot and Qt Charts: the same 10 million points of
// a random walk (ascending X, the whole range visible) in one line series of
// pen width 1 without anti-aliasing, painted into the same 1000 x 600 image.
// Each iteration paints the data from scratch (the points are converted
// again), as a change of the data or of the axes would make it.
//
//   paint_10M_qcp, paint_10M_qtcharts  our repaint beside each peer's
//   pan_10M        one repaint after panning a zoomed view by 10 % with the mouse
//   poll_idle      the 50 ms poll with nothing appended
//   append_paint   1000 values appended to the 10 million, then one repaint
#include "BenchChart.h"

#include "chart/GvAxis.h"
#include "chart/GvGraph2D.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <memory>
#include <random>
#include <span>
#include <vector>

#ifdef VERDANE_HAVE_QCUSTOMPLOT
#include <qcustomplot.h>
#endif
#ifdef VERDANE_HAVE_QTCHARTS
#include <QChart>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QValueAxis>
#endif

namespace {

constexpr int Points = 10000000;
constexpr int Width = 1000, Height = 600;

struct TWalk
{
  std::vector<double> X, Y;
  double Lo = 0, Hi = 0;
  TWalk() : X(Points), Y(Points)
  {
    std::mt19937 Gen(42);
    std::normal_distribution<double> Step(0.0, 1.0);
    double V = 0;
    for (int I = 0; I < Points; ++I) {
      X[size_t(I)] = I;
      Y[size_t(I)] = V += Step(Gen);
      Lo = std::min(Lo, V);
      Hi = std::max(Hi, V);
    }
  }
};

const TWalk& Walk()
{
  static const TWalk W;
  return W;
}

// Our graph with the walk on fixed axes.
struct TOurGraph
{
  QWidget Form;
  TGvGraph2D* Graph;
  TGvDoubleVector* X;
  TGvDoubleVector* Y;
  TGvLineSeries* Series;
  QImage Image{Width, Height, QImage::Format_ARGB32_Premultiplied};

  explicit TOurGraph(double XStop = Points - 1)
  {
    Form.setObjectName("BenchGraphForm");
    Form.resize(Width, Height);
    Graph = new TGvGraph2D(&Form);
    Graph->resize(Width, Height);
    Graph->TestPrimaryAxis();
    Graph->SetSmoothingMode(TGvSmoothingMode::None);
    Graph->SetBackColor(0xFFFFFFFF);
    const TWalk& W = Walk();
    for (TGvAxis* A : {Graph->PrimaryXAxis(), Graph->PrimaryYAxis()}) {
      A->SetStartEnd(TGvAxisEnd::Fixed);
      A->SetStopEnd(TGvAxisEnd::Fixed);
      A->SetEndRounding(TGvAxisEndRounding::RndNothing);
    }
    Graph->PrimaryXAxis()->SetStartStop(0, XStop);
    Graph->PrimaryYAxis()->SetStartStop(W.Lo - 100, W.Hi + 100);
    X = new TGvDoubleVector(&Form);
    Y = new TGvDoubleVector(&Form);
    X->AddRange(std::span<const double>(W.X));
    Y->AddRange(std::span<const double>(W.Y));
    Series = new TGvLineSeries(&Form);
    Series->SetXAxis(Graph->PrimaryXAxis());
    Series->SetYAxis(Graph->PrimaryYAxis());
    Series->SetXData(X);
    Series->SetYData(Y);
    Series->Line()->SetWidth(1);
    Series->Line()->SetColor(0xFF0000FF);
    Paint();
  }
  void Paint()
  {
    Image.fill(Qt::white);
    Graph->PaintToImage(Image);
  }
};

void Mouse(QWidget* W, QEvent::Type T, QPointF At, Qt::KeyboardModifiers M)
{
  QMouseEvent E(T, At, W->mapToGlobal(At), Qt::LeftButton,
                T == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, M);
  QApplication::sendEvent(W, &E);
}

} // namespace

static void paint_10M_verdane(benchmark::State& State)
{
  TOurGraph G;
  for (auto _ : State) {
    G.Graph->SeriesModified();
    G.Paint();
    benchmark::DoNotOptimize(G.Image.constBits());
  }
  State.counters["points_drawn"] = G.Series->PointCount();
}
BENCHMARK(paint_10M_verdane)
    ->Name("paint_10M_qcp/verdane")
    ->Iterations(10)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(paint_10M_verdane)
    ->Name("paint_10M_qtcharts/verdane")
    ->Iterations(10)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#ifdef VERDANE_HAVE_QCUSTOMPLOT
static void paint_10M_qcp_anchor(benchmark::State& State)
{
  const TWalk& W = Walk();
  QCustomPlot Plot;
  Plot.resize(Width, Height);
  Plot.setNotAntialiasedElements(QCP::aeAll);
  QCPGraph* Graph = Plot.addGraph();
  Graph->setPen(QPen(Qt::blue, 1));
  Graph->setAdaptiveSampling(true);
  QVector<double> Keys(W.X.begin(), W.X.end()), Values(W.Y.begin(), W.Y.end());
  Graph->setData(Keys, Values, true);
  Plot.xAxis->setRange(0, Points - 1);
  Plot.yAxis->setRange(W.Lo - 100, W.Hi + 100);
  QImage Image(Width, Height, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : State) {
    Image.fill(Qt::white);
    QCPPainter P(&Image);
    Plot.toPainter(&P, Width, Height);
    P.end();
    benchmark::DoNotOptimize(Image.constBits());
  }
}
BENCHMARK(paint_10M_qcp_anchor)
    ->Name("paint_10M_qcp/anchor")
    ->Iterations(10)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#else
VERDANE_ANCHOR_SKIPPED(
    "paint_10M_qcp", "QCustomPlot was not found when the benchmark was built (libqcustomplot-dev)");
#endif

#ifdef VERDANE_HAVE_QTCHARTS
static void paint_10M_qtcharts_anchor(benchmark::State& State)
{
  const TWalk& W = Walk();
  auto* Chart = new QChart;
  auto* Series = new QLineSeries;
  QList<QPointF> Data;
  Data.reserve(Points);
  for (int I = 0; I < Points; ++I) Data.append(QPointF(W.X[size_t(I)], W.Y[size_t(I)]));
  Series->replace(Data);
  Series->setPen(QPen(Qt::blue, 1));
  Chart->addSeries(Series);
  auto* AX = new QValueAxis;
  auto* AY = new QValueAxis;
  Chart->addAxis(AX, Qt::AlignBottom);
  Chart->addAxis(AY, Qt::AlignLeft);
  Series->attachAxis(AX);
  Series->attachAxis(AY);
  Chart->legend()->hide();
  QGraphicsScene Scene;
  Scene.addItem(Chart);
  Chart->setGeometry(0, 0, Width, Height);
  QImage Image(Width, Height, QImage::Format_ARGB32_Premultiplied);
  bool Odd = false;
  for (auto _ : State) {
    // A range change makes the series convert its points again; the chart
    // lays itself out in the event loop.
    Odd = !Odd;
    AX->setRange(0, Points - (Odd ? 1 : 2));
    AY->setRange(W.Lo - 100, W.Hi + 100);
    QApplication::processEvents();
    Image.fill(Qt::white);
    QPainter P(&Image);
    Scene.render(&P, QRectF(0, 0, Width, Height), QRectF(0, 0, Width, Height));
    P.end();
    benchmark::DoNotOptimize(Image.constBits());
  }
  Scene.removeItem(Chart);
  delete Chart;
}
BENCHMARK(paint_10M_qtcharts_anchor)
    ->Name("paint_10M_qtcharts/anchor")
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#else
VERDANE_ANCHOR_SKIPPED("paint_10M_qtcharts", "Qt Charts was not found when the benchmark was built "
                                             "(qt6-charts-dev with libqt6opengl6-dev)");
#endif

static void pan_10M_verdane(benchmark::State& State)
{
  TOurGraph G;
  // Zoomed to the middle tenth (a million points), then panned by the mouse
  // with Shift held, 10 % of the drawing area back and forth.
  const QRectF A = G.Graph->DrawingArea();
  TGvAxis* X = G.Graph->PrimaryXAxis();
  G.Graph->ZoomTo(QPointF(X->NumberToWorld(Points * 0.45), A.top()),
                  QPointF(X->NumberToWorld(Points * 0.55), A.bottom()));
  G.Paint();
  const QPointF From = A.center();
  const double Step = A.width() * 0.1;
  Mouse(G.Graph, QEvent::MouseButtonPress, From, Qt::ShiftModifier);
  bool Right = false;
  for (auto _ : State) {
    Right = !Right;
    Mouse(G.Graph, QEvent::MouseMove, From + QPointF(Right ? Step : 0, 0), Qt::ShiftModifier);
    G.Paint();
    benchmark::DoNotOptimize(G.Image.constBits());
  }
  Mouse(G.Graph, QEvent::MouseButtonRelease, From, Qt::ShiftModifier);
  State.counters["points_drawn"] = G.Series->PointCount();
}
BENCHMARK(pan_10M_verdane)
    ->Name("pan_10M/verdane")
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

static void poll_idle_verdane(benchmark::State& State)
{
  TOurGraph G;
  for (auto _ : State) G.Graph->PollTick();
  State.counters["renders"] = G.Graph->RenderCount();
}
BENCHMARK(poll_idle_verdane)
    ->Name("poll_idle/verdane")
    ->Iterations(10000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

static void append_paint_verdane(benchmark::State& State)
{
  // The X axis has room for the values that come.
  TOurGraph G(Points * 1.2);
  std::mt19937 Gen(7);
  std::normal_distribution<double> Step(0.0, 1.0);
  double V = Walk().Y.back();
  std::vector<double> NX(1000), NY(1000);
  for (auto _ : State) {
    for (int I = 0; I < 1000; ++I) {
      NX[size_t(I)] = G.X->Count() + I;
      NY[size_t(I)] = V += Step(Gen) * 0.01;
    }
    G.X->AddRange(std::span<const double>(NX));
    G.Y->AddRange(std::span<const double>(NY));
    G.Graph->PollTick();
    G.Paint();
    benchmark::DoNotOptimize(G.Image.constBits());
  }
  State.counters["points"] = G.Series->Count();
}
BENCHMARK(append_paint_verdane)
    ->Name("append_paint/verdane")
    ->Iterations(50)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
