// The butterflies of the mixed-radix Fourier transform (unit GvFFT), apart
// from its plans. The same code is built twice: once for every processor and
// once more (GvFFTKernelWide.cpp) for processors with 256-bit vector
// instructions and fused multiply-add; GvFFTColumnKernel picks the widest that
// the running processor has. The kernel files use plain arrays only, so that
// no library code gets built for the wider instructions and then used
// elsewhere.
#pragma once

#include <cstddef>

struct TComplex
{
  double Re = 0;
  double Im = 0;
};

// The largest prime radix transformed directly.
constexpr unsigned GvFFTLargestDirectPrime = 61;

// One level of the recursive decimation in time of a transform of length
// P·M: radix P (2, 3, 4, 5 or an odd prime up to GvFFTLargestDirectPrime), the
// twiddles Tw[k·(P-1) + j-1] = e^(+2πi·jk/(P·M)) for k < M (none when M = 1),
// and for the other radices the roots Root[t] = e^(+2πi·t/P).
struct TGvFFTLevel
{
  unsigned P = 1;
  std::size_t M = 1;
  const TComplex* Tw = nullptr;
  const TComplex* Root = nullptr;
};

// Out[0 .. N-1] = the transform of In[0], In[Stride], In[2·Stride] ... by
// Levels, N being the product of their radices.
void GvFFTRun(const TGvFFTLevel* Levels, const TComplex* In, std::size_t Stride, TComplex* Out);

// The transforms of the B columns of Buf (row r of column j at
// Buf[r·Pitch + j], Pitch a multiple of Width) into BufOut: Width columns at a
// time, group g's results interleaved at BufOut + g·Width·Len (element k of
// column g·Width + l at index Width·k + l), and the last B mod Width columns
// one by one (column j at BufOut + j·Len).
struct TGvFFTColumnKernel
{
  void (*Run)(const TGvFFTLevel* Levels, const TComplex* Buf, std::size_t B, std::size_t Pitch,
              TComplex* BufOut, std::size_t Len) = nullptr;
  std::size_t Width = 1;
};
// The widest column kernel that the running processor has, or with Widest
// false the one that every processor runs.
TGvFFTColumnKernel GvFFTColumnKernel(bool Widest = true);
