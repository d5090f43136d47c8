// Saving and restoring charts and the undo stack, for the record (no anchor).
//
//   undo_push_10M  1000 recorded changes on a stack with a limit of 20 that
//                  holds the state of a ten-million-value vector: every push
//                  beyond the limit drops the oldest group.
#include "BenchChart.h"

#include "chart/GvStyles.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"

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

} // namespace

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
