// verdane-bench-chart: Google Benchmark runs of the chart engine, printed as
// one line per comparison:
//
//   name verdane_ms=<x> anchor_ms=<y> ratio=<x/y>
//
// A comparison is a pair of benchmarks named "<name>/verdane" and
// "<name>/anchor" (the anchor being a peer library, built only when it is
// installed); a benchmark "<name>/verdane" without an anchor prints
// "name verdane_ms=<x>". Each benchmark should do one whole operation per
// iteration and use real time (->UseRealTime()->Unit(benchmark::kMillisecond)).
#pragma once

#include <benchmark/benchmark.h>

