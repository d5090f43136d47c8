// The transform of 2^20 and of 1 000 000 complex points beside FFTW 3 (plan
// FFTW_ESTIMATE, made before the timing, as our plan is). Both run out of
// place on the same input, so that every iteration transforms the same data.
// Beside them a prime length, and the making of a plan.
#include "BenchChart.h"

#include "chart/analysis/GvFFT.h"

#include <cmath>
#include <cstring>
#include <vector>

#ifdef VERDANE_HAVE_FFTW3
#include <fftw3.h>
#endif

namespace {

TComplexArray BenchSignal(std::size_t N)
{
  TComplexArray X(N);
  for (std::size_t I = 0; I < N; ++I)
    X[I] = {std::sin(0.001 * double(I)) + 0.25 * std::cos(0.37 * double(I)),
            0.5 * std::sin(0.013 * double(I))};
  return X;
}

void FftVerdane(benchmark::State& State, std::size_t N)
{
  const TComplexArray In = BenchSignal(N);
  TComplexArray Out(N);
  TGvFFTPlan Plan(N);
  for (auto _ : State) {
    Plan.Execute(In.data(), Out.data());
    benchmark::DoNotOptimize(Out.data());
    benchmark::ClobberMemory();
  }
}

#ifdef VERDANE_HAVE_FFTW3
void FftAnchor(benchmark::State& State, std::size_t N)
{
  const TComplexArray Signal = BenchSignal(N);
  fftw_complex* In = fftw_alloc_complex(N);
  fftw_complex* Out = fftw_alloc_complex(N);
  // Planning may overwrite the arrays; the input is filled afterwards.
  fftw_plan Plan = fftw_plan_dft_1d(int(N), In, Out, FFTW_BACKWARD, FFTW_ESTIMATE);
  std::memcpy(In, Signal.data(), N * sizeof(fftw_complex));
  for (auto _ : State) {
    fftw_execute(Plan);
    benchmark::DoNotOptimize(Out);
    benchmark::ClobberMemory();
  }
  fftw_destroy_plan(Plan);
  fftw_free(In);
  fftw_free(Out);
}
#endif

// Making a plan (twiddle tables), which the series does once per length.
void FftPlanVerdane(benchmark::State& State, std::size_t N)
{
  for (auto _ : State) {
    TGvFFTPlan Plan(N);
    benchmark::DoNotOptimize(&Plan);
  }
}

} // namespace

// FFTW_BACKWARD is e^(+2πi·kn/N), the sign of our transform.
BENCHMARK_CAPTURE(FftVerdane, 2p20, std::size_t(1) << 20)
    ->Name("fft_2p20/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FftVerdane, 1e6, std::size_t(1000000))
    ->Name("fft_1e6/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#ifdef VERDANE_HAVE_FFTW3
BENCHMARK_CAPTURE(FftAnchor, 2p20, std::size_t(1) << 20)
    ->Name("fft_2p20/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FftAnchor, 1e6, std::size_t(1000000))
    ->Name("fft_1e6/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#endif
// A prime length: the chirp convolution (FFTW uses Rader's or its own
// algorithms there).
BENCHMARK_CAPTURE(FftVerdane, prime, std::size_t(1000003))
    ->Name("fft_prime_1000003/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#ifdef VERDANE_HAVE_FFTW3
BENCHMARK_CAPTURE(FftAnchor, prime, std::size_t(1000003))
    ->Name("fft_prime_1000003/anchor")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
#endif
BENCHMARK_CAPTURE(FftPlanVerdane, 1e6, std::size_t(1000000))
    ->Name("fft_plan_1e6/verdane")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#ifndef VERDANE_HAVE_FFTW3
VERDANE_ANCHOR_SKIPPED("fft_2p20",
                       "FFTW 3 was not found when the benchmark was built (libfftw3-dev)");
VERDANE_ANCHOR_SKIPPED("fft_1e6",
                       "FFTW 3 was not found when the benchmark was built (libfftw3-dev)");
VERDANE_ANCHOR_SKIPPED("fft_prime_1000003",
                       "FFTW 3 was not found when the benchmark was built (libfftw3-dev)");
#endif
