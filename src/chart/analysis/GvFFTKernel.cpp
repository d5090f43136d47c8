// The butterflies of the transform for one complex number at a time and for
// pairs of them (see GvFFTKernel.h). GvFFTKernelWide.cpp includes this file
// once more, with GV_FFT_KERNEL_WIDE defined, to build it for 256-bit vector
// instructions with fused multiply-add.
#include "chart/analysis/GvFFTKernel.h"

#if defined(__GNUC__) && !defined(__clang__)
// The vector values never cross the borders of this file.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace {

// ---- Elements of a transform ------------------------------------------------
//
// The butterflies are written once for two kinds of element: one complex
// number, and a pair of complex numbers that stand at the same place in two
// neighbouring transforms (the long transforms run two columns at once, so
// that every arithmetic operation works on two values). The twiddles are
// always single complex numbers, the same for both halves of a pair.

inline TComplex Add(TComplex A, TComplex B)
{
  return {A.Re + B.Re, A.Im + B.Im};
}
inline TComplex Sub(TComplex A, TComplex B)
{
  return {A.Re - B.Re, A.Im - B.Im};
}
inline TComplex Scale(TComplex A, double F)
{
  return {A.Re * F, A.Im * F};
}
// i·A
inline TComplex MulI(TComplex A)
{
  return {-A.Im, A.Re};
}
// A·W
inline TComplex MulTw(TComplex A, TComplex W)
{
  return {A.Re * W.Re - A.Im * W.Im, A.Re * W.Im + A.Im * W.Re};
}

// Four doubles (re, im of the first complex, re, im of the second) that need
// only the alignment of a double.
typedef double TFourDoubles __attribute__((vector_size(32), aligned(8)));

struct TComplexPair
{
  TFourDoubles V;
};
static_assert(sizeof(TComplexPair) == 2 * sizeof(TComplex));

inline TFourDoubles SwapReIm(TFourDoubles A)
{
  return __builtin_shufflevector(A, A, 1, 0, 3, 2);
}
inline TComplexPair Add(TComplexPair A, TComplexPair B)
{
  return {A.V + B.V};
}
inline TComplexPair Sub(TComplexPair A, TComplexPair B)
{
  return {A.V - B.V};
}
inline TComplexPair Scale(TComplexPair A, double F)
{
  return {A.V * F};
}
inline TComplexPair MulI(TComplexPair A)
{
  const TFourDoubles Sign = {-1.0, 1.0, -1.0, 1.0};
  return {SwapReIm(A.V) * Sign};
}
inline TComplexPair MulTw(TComplexPair A, TComplex W)
{
  const TFourDoubles Re = {W.Re, W.Re, W.Re, W.Re}, Im = {-W.Im, W.Im, -W.Im, W.Im};
  return {A.V * Re + SwapReIm(A.V) * Im};
}

// Small transforms with the + sign.
template <class E> inline void Dft4(E A0, E A1, E A2, E A3, E& X0, E& X1, E& X2, E& X3)
{
  const E T0 = Add(A0, A2), T1 = Sub(A0, A2);
  const E T2 = Add(A1, A3), T3 = MulI(Sub(A1, A3));
  X0 = Add(T0, T2);
  X2 = Sub(T0, T2);
  X1 = Add(T1, T3);
  X3 = Sub(T1, T3);
}

constexpr double Sin60 = 0.86602540378443864676372317075294;

template <class E> inline void Dft3(E A0, E A1, E A2, E& X0, E& X1, E& X2)
{
  const E S = Add(A1, A2), D = Sub(A1, A2);
  X0 = Add(A0, S);
  const E M = Sub(A0, Scale(S, 0.5));
  const E R = Scale(MulI(D), Sin60); // i·sin60·D
  X1 = Add(M, R);
  X2 = Sub(M, R);
}

constexpr double C5a = 0.30901699437494742410229341718282;  // cos 2π/5
constexpr double C5b = -0.80901699437494742410229341718282; // cos 4π/5
constexpr double S5a = 0.95105651629515357211643933337938;  // sin 2π/5
constexpr double S5b = 0.58778525229247312916870595463907;  // sin 4π/5

template <class E> inline void Dft5(E A0, E A1, E A2, E A3, E A4, E& X0, E& X1, E& X2, E& X3, E& X4)
{
  const E S14 = Add(A1, A4), D14 = Sub(A1, A4);
  const E S23 = Add(A2, A3), D23 = Sub(A2, A3);
  X0 = Add(Add(A0, S14), S23);
  const E M1 = Add(Add(A0, Scale(S14, C5a)), Scale(S23, C5b));
  const E M2 = Add(Add(A0, Scale(S14, C5b)), Scale(S23, C5a));
  // i·(S5a·D14 + S5b·D23) and i·(S5b·D14 - S5a·D23)
  const E R1 = MulI(Add(Scale(D14, S5a), Scale(D23, S5b)));
  const E R2 = MulI(Sub(Scale(D14, S5b), Scale(D23, S5a)));
  X1 = Add(M1, R1);
  X4 = Sub(M1, R1);
  X2 = Add(M2, R2);
  X3 = Sub(M2, R2);
}

// Generic odd radix: X[q] = Σ_j A[j]·Root[jq mod P].
template <class E> inline void DftGeneric(unsigned P, const E* A, E* X, const TComplex* Root)
{
  for (unsigned Q = 0; Q < P; ++Q) {
    E Sum = A[0];
    unsigned T = 0;
    for (unsigned J = 1; J < P; ++J) {
      T += Q;
      if (T >= P) T -= P;
      Sum = Add(Sum, MulTw(A[J], Root[T]));
    }
    X[Q] = Sum;
  }
}

// Out[0 .. N-1] = the transform of In[0], In[Stride] ... by the levels from L on.
template <class E>
void RunLevels(const TGvFFTLevel* Levels, const E* In, std::size_t Stride, E* Out)
{
  const TGvFFTLevel& L = *Levels;
  const unsigned P = L.P;
  const std::size_t M = L.M;
  if (M == 1) {
    // Leaf: one radix-P transform of strided input.
    switch (P) {
    case 2:
      Out[0] = Add(In[0], In[Stride]);
      Out[1] = Sub(In[0], In[Stride]);
      break;
    case 3:
      Dft3(In[0], In[Stride], In[2 * Stride], Out[0], Out[1], Out[2]);
      break;
    case 4:
      Dft4(In[0], In[Stride], In[2 * Stride], In[3 * Stride], Out[0], Out[1], Out[2], Out[3]);
      break;
    case 5:
      Dft5(In[0], In[Stride], In[2 * Stride], In[3 * Stride], In[4 * Stride], Out[0], Out[1],
           Out[2], Out[3], Out[4]);
      break;
    default: {
      E A[GvFFTLargestDirectPrime];
      for (unsigned J = 0; J < P; ++J) A[J] = In[J * Stride];
      DftGeneric(P, A, Out, L.Root);
    }
    }
    return;
  }

  // The P sub-transforms of the decimated input, one after the other in Out.
  for (unsigned J = 0; J < P; ++J) RunLevels(Levels + 1, In + J * Stride, Stride * P, Out + J * M);

  // Combine: X[k + qM] = Σ_j W_N^{jk}·W_P^{jq}·Sub_j[k].
  const TComplex* Tw = L.Tw;
  switch (P) {
  case 2:
    for (std::size_t K = 0; K < M; ++K) {
      const E A0 = Out[K], A1 = MulTw(Out[K + M], Tw[K]);
      Out[K] = Add(A0, A1);
      Out[K + M] = Sub(A0, A1);
    }
    break;
  case 3:
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + 2 * K;
      Dft3(Out[K], MulTw(Out[K + M], W[0]), MulTw(Out[K + 2 * M], W[1]), Out[K], Out[K + M],
           Out[K + 2 * M]);
    }
    break;
  case 4:
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + 3 * K;
      Dft4(Out[K], MulTw(Out[K + M], W[0]), MulTw(Out[K + 2 * M], W[1]),
           MulTw(Out[K + 3 * M], W[2]), Out[K], Out[K + M], Out[K + 2 * M], Out[K + 3 * M]);
    }
    break;
  case 5:
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + 4 * K;
      Dft5(Out[K], MulTw(Out[K + M], W[0]), MulTw(Out[K + 2 * M], W[1]),
           MulTw(Out[K + 3 * M], W[2]), MulTw(Out[K + 4 * M], W[3]), Out[K], Out[K + M],
           Out[K + 2 * M], Out[K + 3 * M], Out[K + 4 * M]);
    }
    break;
  default: {
    E A[GvFFTLargestDirectPrime], X[GvFFTLargestDirectPrime];
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + (P - 1) * K;
      A[0] = Out[K];
      for (unsigned J = 1; J < P; ++J) A[J] = MulTw(Out[K + J * M], W[J - 1]);
      DftGeneric(P, A, X, L.Root);
      for (unsigned Q = 0; Q < P; ++Q) Out[K + Q * M] = X[Q];
    }
  }
  }
}

// The transforms of the columns of Buf (see TGvFFTColumnKernel), groups of
// columns as elements of type E.
template <class E>
void RunColumns(const TGvFFTLevel* Levels, const TComplex* Buf, std::size_t B, std::size_t Pitch,
                TComplex* BufOut, std::size_t Len)
{
  constexpr std::size_t Width = sizeof(E) / sizeof(TComplex);
  std::size_t J = 0;
  for (; J + Width <= B; J += Width)
    RunLevels(Levels, reinterpret_cast<const E*>(Buf + J), Pitch / Width,
              reinterpret_cast<E*>(BufOut + J * Len));
  for (; J < B; ++J) RunLevels(Levels, Buf + J, Pitch, BufOut + J * Len);
}

} // namespace

#ifndef GV_FFT_KERNEL_WIDE

void GvFFTRun(const TGvFFTLevel* Levels, const TComplex* In, std::size_t Stride, TComplex* Out)
{
  RunLevels(Levels, In, Stride, Out);
}

#ifdef VERDANE_FFT_WIDE
void GvFFTColumnsWide(const TGvFFTLevel* Levels, const TComplex* Buf, std::size_t B,
                      std::size_t Pitch, TComplex* BufOut, std::size_t Len);
#endif

TGvFFTColumnKernel GvFFTColumnKernel(bool Widest)
{
#ifdef VERDANE_FFT_WIDE
  static const bool Wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  if (Widest && Wide) return {GvFFTColumnsWide, 2};
#endif
  return {RunColumns<TComplexPair>, 2};
}

#else

void GvFFTColumnsWide(const TGvFFTLevel* Levels, const TComplex* Buf, std::size_t B,
                      std::size_t Pitch, TComplex* BufOut, std::size_t Len)
{
  RunColumns<TComplexPair>(Levels, Buf, B, Pitch, BufOut, Len);
}

#endif
