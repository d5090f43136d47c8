// Writing and reading doubles through the stream writer and reader, beside a
// plain memcpy of the same bytes.
#include "BenchChart.h"

#include "chart/GvIO.h"

#include <QBuffer>
#include <cstring>
#include <vector>

static void stream_doubles_1M_verdane(benchmark::State& State)
{
  std::vector<double> Values(1000000, 1.5), Back;
  for (auto _ : State) {
    QBuffer B;
    B.open(QIODevice::ReadWrite);
    TGvStreamWriter W(B);
    W.WriteDoubles(Values.data(), qint64(Values.size()));
    B.seek(0);
    TGvStreamReader R(B);
    Back.clear();
    R.ReadDoubles(int32_t(Values.size()), Back);
    benchmark::DoNotOptimize(Back.data());
  }
}
BENCHMARK(stream_doubles_1M_verdane)->Name("stream_doubles_1M/verdane")->UseRealTime()->Unit(benchmark::kMillisecond);

static void stream_doubles_1M_anchor(benchmark::State& State)
{
  std::vector<double> Values(1000000, 1.5), Back;
  for (auto _ : State) {
    QByteArray Bytes(int(Values.size() * 8), Qt::Uninitialized);
    std::memcpy(Bytes.data(), Values.data(), Values.size() * 8);
    Back.resize(Values.size());
    std::memcpy(Back.data(), Bytes.constData(), Values.size() * 8);
    benchmark::DoNotOptimize(Back.data());
  }
}
BENCHMARK(stream_doubles_1M_anchor)->Name("stream_doubles_1M/anchor")->UseRealTime()->Unit(benchmark::kMillisecond);
