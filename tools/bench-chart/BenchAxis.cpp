// An axis partitioning and ticking random ranges: end rounding, the partition
// search and the ticks with their label texts, 100 000 times per iteration.
#include "BenchChart.h"

#include "chart/GvAxisScale.h"

#include <random>
#include <vector>

namespace {

struct TRange
{
  TGvAxisScaling Scaling;
  double Start, Stop;
};

// Ranges from 1e-12 to 1e12 wide at random offsets; one in five logarithmic,
// one in ten in seconds.
std::vector<TRange> RandomRanges(int Count)
{
  std::mt19937_64 Random(20261210);
  std::uniform_real_distribution<double> Unit(0, 1);
  std::vector<TRange> Ranges;
  Ranges.reserve(size_t(Count));
  for (int I = 0; I < Count; ++I) {
    const double Width = std::pow(10.0, -12 + 24 * Unit(Random));
    const double Start = (Unit(Random) - 0.5) * 20 * Width;
    const int Kind = I % 10;
    if (Kind < 2)
      Ranges.push_back({TGvAxisScaling::Log, std::pow(10.0, -12 + 12 * Unit(Random)),
                        std::pow(10.0, 12 * Unit(Random))});
    else if (Kind == 2)
      Ranges.push_back({TGvAxisScaling::Seconds, 0, 1 + 1e6 * Unit(Random)});
    else
      Ranges.push_back({TGvAxisScaling::Normal, Start, Start + Width});
  }
  return Ranges;
}

} // namespace

static void axis_ticks_verdane(benchmark::State& State)
{
  const std::vector<TRange> Ranges = RandomRanges(100000);
  TGvAxisScale Axis;
  Axis.AxLength = Axis.ControlLength = 600;
  size_t Ticks = 0;
  for (auto _ : State) {
    for (const TRange& R : Ranges) {
      Axis.Scaling = R.Scaling;
      double A = R.Start, B = R.Stop;
      Axis.RoundEnds(A, B);
      Axis.Start = A;
      Axis.Stop = B;
      Axis.CalculateTicks();
      Ticks += Axis.Ticks.size();
    }
    benchmark::DoNotOptimize(Ticks);
  }
}
BENCHMARK(axis_ticks_verdane)
    ->Name("axis_ticks/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
