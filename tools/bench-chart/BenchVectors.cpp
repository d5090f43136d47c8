// Appending to a vector while its statistics are asked for now and then, as a
// graph's poll does while values stream in: ten million doubles with a query
// of minimum, maximum and sum after every thousand. The anchor appends to a
// std::vector and keeps a running minimum, maximum and sum by hand.
#include "BenchChart.h"

#include "chart/GvVectors.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr int AppendCount = 10000000;
constexpr int QueryEvery = 1000;

// A cheap, varying value (no library call inside the timed loop).
inline double Sample(int I)
{
  return double((qint64(I) * 7919) % 10007) * 0.01 - 50.0;
}

} // namespace

static void append_10M_verdane(benchmark::State& State)
{
  for (auto _ : State) {
    TGvDoubleVector V;
    double Seen = 0;
    for (int I = 0; I < AppendCount; ++I) {
      V.Add(Sample(I));
      if (I % QueryEvery == QueryEvery - 1) Seen += V.Minimum() + V.Maximum() + V.Sum();
    }
    benchmark::DoNotOptimize(Seen);
  }
}
BENCHMARK(append_10M_verdane)
    ->Name("append_10M/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

static void append_10M_anchor(benchmark::State& State)
{
  for (auto _ : State) {
    std::vector<double> V;
    double Min = std::numeric_limits<double>::max(), Max = -Min, Sum = 0, Seen = 0;
    for (int I = 0; I < AppendCount; ++I) {
      const double X = Sample(I);
      V.push_back(X);
      Min = std::min(Min, X);
      Max = std::max(Max, X);
      Sum += X;
      if (I % QueryEvery == QueryEvery - 1) Seen += Min + Max + Sum;
    }
    benchmark::DoNotOptimize(Seen);
    benchmark::DoNotOptimize(V.data());
  }
}
BENCHMARK(append_10M_anchor)
    ->Name("append_10M/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
