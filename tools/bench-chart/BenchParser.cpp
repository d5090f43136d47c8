// Evaluating a parsed expression a million times with its variable changing,
// beside muparser.
#include "BenchChart.h"

#include "chart/analysis/GvParseFkt.h"

#ifdef VERDANE_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {
constexpr int cEvaluations = 1000000;
const char* const cFormula = "sin(x)*exp(-x/10)+x^2/3";
} // namespace

static void parse_eval_verdane(benchmark::State& State)
{
  for (auto _ : State) {
    double X = 0;
    TGvFunctionParser P;
    P.BindVariable("x", &X);
    P.SetExpression(cFormula);
    double Sum = 0;
    for (int I = 0; I < cEvaluations; ++I) {
      X = I * 1E-4;
      Sum += P.GetResult();
    }
    benchmark::DoNotOptimize(Sum);
  }
}
BENCHMARK(parse_eval_verdane)
    ->Name("parse_eval/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#ifdef VERDANE_HAVE_MUPARSER
static void parse_eval_anchor(benchmark::State& State)
{
  for (auto _ : State) {
    double X = 0;
    mu::Parser P;
    P.DefineVar("x", &X);
    P.SetExpr(cFormula);
    double Sum = 0;
    for (int I = 0; I < cEvaluations; ++I) {
      X = I * 1E-4;
      Sum += P.Eval();
    }
    benchmark::DoNotOptimize(Sum);
  }
}
BENCHMARK(parse_eval_anchor)
    ->Name("parse_eval/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#else
VERDANE_ANCHOR_SKIPPED("parse_eval",
                       "muparser was not found when the benchmark was built (libmuparser-dev)");
#endif
