// verdane-bench-chart: Google Benchmark runs of the chart engine, printed as
// one line per comparison after Google Benchmark's own report:
//
//   name verdane_ms=<x> anchor_ms=<y> ratio=<x/y> verdane_min_ms=<a> verdane_max_ms=<b>
//        anchor_min_ms=<c> anchor_max_ms=<d> repetitions=<n>
//
// (on one line). Every benchmark runs five times unless the command line asks
// for another --benchmark_repetitions; x and y are the medians of the
// repetitions, the min and max figures their spread.
//
// A comparison is a pair of benchmarks named "<name>/verdane" and
// "<name>/anchor" (the anchor being a peer library, built only when it is
// installed); a benchmark "<name>/verdane" without an anchor prints
// "name verdane_ms=<x> verdane_min_ms=<a> verdane_max_ms=<b> repetitions=<n>".
// Where a peer is missing, the file that would have used it says so with
// VERDANE_ANCHOR_SKIPPED(name, why), and the run prints
// "name anchor skipped: <why>" after the line of our side.
// Each benchmark should do one whole operation per iteration and use real
// time (->UseRealTime()->Unit(benchmark::kMillisecond)).
#pragma once

#include <benchmark/benchmark.h>

// Records that the anchor of the comparison Name was not built, and why.
int RegisterSkippedAnchor(const char* Name, const char* Why);

#define VERDANE_ANCHOR_SKIPPED_CAT2(A, B) A##B
#define VERDANE_ANCHOR_SKIPPED_CAT(A, B) VERDANE_ANCHOR_SKIPPED_CAT2(A, B)
#define VERDANE_ANCHOR_SKIPPED(Name, Why)                                                          \
  static const int VERDANE_ANCHOR_SKIPPED_CAT(SkippedAnchor, __LINE__) =                           \
      RegisterSkippedAnchor(Name, Why)
