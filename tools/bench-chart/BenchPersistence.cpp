// Saving and restoring charts and the undo stack (an anchor only for XML).
//
//   save_load_10M  a graph with two ten-million-value vectors written to a
//                  buffer as a stream with its values and read back into it
//                  (the reading checks the whole form first)
//   xml_1M         the same as XML text, with a million values, beside Qt's
//                  own stream writer and reader writing and reading the same
//                  million values as XML text
//   ini_1M         the same as ini text, with a million values
//   undo_push_10M  1000 recorded changes on a stack with a limit of 20 that
//                  holds the state of a ten-million-value vector: every push
//                  beyond the limit drops the oldest group.
#include "BenchChart.h"

#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvSeries.h"
#include "chart/GvStyles.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

#include <QBuffer>
#include <QDomDocument>
#include <QWidget>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <memory>
#include <vector>

namespace {

constexpr int BigCount = 10000000;

std::vector<double> BigValues(int N)
{
  std::vector<double> V(size_t(N), 0.0);
  for (int I = 0; I < N; ++I) V[size_t(I)] = double((qint64(I) * 7919) % 10007) * 0.01 - 50.0;
  return V;
}

// A form with a graph and one line series over two vectors of N values.
struct TSavedChart
{
  QWidget Form;
  TGvGraph2D* Graph;

  explicit TSavedChart(int N)
  {
    Form.setObjectName(QStringLiteral("BenchForm"));
    Graph = new TGvGraph2D(&Form);
    Graph->setObjectName(QStringLiteral("Graph1"));
    Graph->TestPrimaryAxis();
    std::vector<double> Xs(static_cast<size_t>(N));
    for (int I = 0; I < N; ++I) Xs[size_t(I)] = I * 0.001;
    auto* X = new TGvDoubleVector(&Form);
    X->setObjectName(QStringLiteral("X1"));
    X->SetValues(Xs);
    auto* Y = new TGvDoubleVector(&Form);
    Y->setObjectName(QStringLiteral("Y1"));
    Y->SetValues(BigValues(N));
    auto* S = new TGvLineSeries(&Form);
    S->setObjectName(QStringLiteral("Series1"));
    S->SetXData(X);
    S->SetYData(Y);
    S->SetXAxis(Graph->PrimaryXAxis());
    S->SetYAxis(Graph->PrimaryYAxis());
    S->Calculate();
  }
};

} // namespace

static void save_load_10M_verdane(benchmark::State& State)
{
  TSavedChart Chart(BigCount);
  for (auto _ : State) {
    QBuffer B;
    B.open(QIODevice::ReadWrite);
    Chart.Graph->WriteTo(static_cast<QIODevice&>(B), true);
    B.seek(0);
    Chart.Graph->ReadFrom(static_cast<QIODevice&>(B));
    benchmark::DoNotOptimize(B.size());
  }
}
BENCHMARK(save_load_10M_verdane)
    ->Name("save_load_10M/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

static void xml_1M_verdane(benchmark::State& State)
{
  TSavedChart Chart(500000); // two vectors: a million values
  for (auto _ : State) {
    QByteArray Text;
    {
      QDomDocument Doc;
      QDomElement Root = Doc.createElement(QStringLiteral("Chart"));
      Doc.appendChild(Root);
      Chart.Graph->WriteTo(Root, true);
      Text = GvXmlText(Doc);
    }
    QDomDocument Back;
    GvParseXml(Text, Back);
    Chart.Graph->ReadFrom(Back.documentElement().firstChildElement());
    benchmark::DoNotOptimize(Text.size());
  }
}
BENCHMARK(xml_1M_verdane)->Name("xml_1M/verdane")->UseRealTime()->Unit(benchmark::kMillisecond);

// The values of the chart above (two vectors of half a million) written by
// QXmlStreamWriter as one element per value, indented as our text is, each the
// shortest text that reads back exactly, and read back by QXmlStreamReader
// into two arrays.
static void xml_1M_anchor(benchmark::State& State)
{
  constexpr int N = 500000;
  const std::vector<double> Xs = [] {
    std::vector<double> V(size_t(N), 0.0);
    for (int I = 0; I < N; ++I) V[size_t(I)] = I * 0.001;
    return V;
  }();
  const std::vector<double> Ys = BigValues(N);
  std::vector<double> BackX, BackY;
  for (auto _ : State) {
    QByteArray Text;
    {
      QXmlStreamWriter W(&Text);
      W.setAutoFormatting(true);
      W.setAutoFormattingIndent(1);
      W.writeStartDocument();
      W.writeStartElement(QStringLiteral("Chart"));
      for (const std::vector<double>* V : {&Xs, &Ys}) {
        W.writeStartElement(QStringLiteral("Values"));
        W.writeAttribute(QStringLiteral("Count"), QString::number(V->size()));
        for (double X : *V)
          W.writeTextElement(QStringLiteral("Item"),
                             QString::number(X, 'g', QLocale::FloatingPointShortest));
        W.writeEndElement();
      }
      W.writeEndElement();
      W.writeEndDocument();
    }
    BackX.clear();
    BackY.clear();
    QXmlStreamReader R(Text);
    std::vector<double>* Into = nullptr;
    while (!R.atEnd()) {
      if (R.readNext() != QXmlStreamReader::StartElement) continue;
      if (R.name() == QLatin1String("Values"))
        Into = Into ? &BackY : &BackX;
      else if (R.name() == QLatin1String("Item") && Into)
        Into->push_back(R.readElementText().toDouble());
    }
    if (R.hasError() || BackY.size() != Ys.size()) State.SkipWithError("XML not read back");
    benchmark::DoNotOptimize(BackY.data());
  }
}
BENCHMARK(xml_1M_anchor)->Name("xml_1M/anchor")->UseRealTime()->Unit(benchmark::kMillisecond);

static void ini_1M_verdane(benchmark::State& State)
{
  TSavedChart Chart(500000);
  for (auto _ : State) {
    QByteArray Text;
    {
      TGvIniFile Ini;
      Chart.Graph->WriteTo(Ini, QStringLiteral("Graph"), true);
      Text = Ini.ToText();
    }
    TGvIniFile Back;
    Back.FromText(Text);
    Chart.Graph->ReadFrom(Back, QStringLiteral("Graph"));
    benchmark::DoNotOptimize(Text.size());
  }
}
BENCHMARK(ini_1M_verdane)->Name("ini_1M/verdane")->UseRealTime()->Unit(benchmark::kMillisecond);

static void undo_push_10M_verdane(benchmark::State& State)
{
  TGvDoubleVector Big;
  Big.SetValues(BigValues(BigCount));
  for (auto _ : State) {
    State.PauseTiming();
    auto Stack = std::make_unique<TGvUndoStack>();
    Stack->SetLimit(20);
    TGvLineSettings Line;
    Line.SetUndoStack(Stack.get());
    // 19 small groups, then the vector's state: the stack is full.
    for (int I = 0; I < 19; ++I) Line.SetWidth(float(I + 2));
    Stack->PushVectorState(&Big, QStringLiteral("Graph series data"));
    State.ResumeTiming();
    for (int I = 0; I < 1000; ++I) Line.SetColor(TGvColor(0xFF000000u + uint32_t(I)));
    benchmark::DoNotOptimize(Stack->StoredBytes());
    State.PauseTiming();
    Stack.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(undo_push_10M_verdane)
    ->Name("undo_push_10M/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
