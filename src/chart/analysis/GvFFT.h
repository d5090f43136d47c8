// The discrete Fourier transform and the amplitude and phase spectrum that
// the Fourier series shows.
//
//   DiscreteFourierTransform(Data)   X[k] = Σ_n x[n]·e^(+2πi·kn/N), k = 0 … N-1, in
//                                    natural order, not normalised; every length
//                                    in O(N log N) with twiddles in double precision
//   TGvFFTPlan                       the same transform for one length, prepared
//                                    once and run many times
//   TGvDiscreteFourierCalculation    the spectrum of a series' points
//
// How TGvDiscreteFourier will use the calculation (it owns one as FCalc):
//  - CalculateFunction, with at least 2 points: after SetLimits, fill a
//    TGvCalculationData (chart/GvMath.h) from the series' calculation object
//    (Xi, Yi, Wi, IsValid), call FCalc.SetRange(CalculationStart,
//    CalculationStop) and FCalc.Calculate(Data). Errors propagate as
//    EMathError to the function series' error handling.
//  - Then the X extent is Frequency(0) … Frequency(PointsN() - 1) and the Y
//    extent the least and greatest of Amplitude() (no range when PointsN() is 0).
//  - Drawing: one point per bin, (Frequency(i), Amplitude()[i]); the "Phase"
//    child series takes Phase() as its Y data and maps point index i to
//    Frequency(i) for X.
//  - GetY(AtX): 0 while the points need recalculation, else FCalc.GetY(AtX).
//  - GetFormula: FormulaText().
#pragma once

#include "chart/GvMath.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

struct TComplex
{
  double Re = 0;
  double Im = 0;
};
using TComplexArray = std::vector<TComplex>;

inline TComplex ComplexMake(double Re, double Im)
{
  return {Re, Im};
}
inline TComplex ComplexAdd(TComplex A, TComplex B)
{
  return {A.Re + B.Re, A.Im + B.Im};
}
inline TComplex ComplexSub(TComplex A, TComplex B)
{
  return {A.Re - B.Re, A.Im - B.Im};
}
inline TComplex ComplexMul(TComplex A, TComplex B)
{
  return {A.Re * B.Re - A.Im * B.Im, A.Re * B.Im + A.Im * B.Re};
}

// e^(+2πi·J/N) to double precision (J taken modulo N; N > 0).
TComplex UnitRoot(std::uint64_t J, std::uint64_t N);

// The transform of one length. Lengths whose prime factors are all small run
// as a recursive mixed-radix transform (radices 4, 2, 3, 5 and the odd primes
// up to 61), from 2^16 points on split into rows and columns that fit in the
// cache; any other length by Bluestein's chirp convolution over a length
// 2^a·3^b·5^c of at least 2N - 1. The twiddles are products of two correctly
// rounded roots of unity. A plan keeps its work space, so one plan serves one
// caller at a time.
class TGvFFTPlan
{
public:
  explicit TGvFFTPlan(std::size_t N) : TGvFFTPlan(N, true) {}
  ~TGvFFTPlan();
  TGvFFTPlan(const TGvFFTPlan&) = delete;
  TGvFFTPlan& operator=(const TGvFFTPlan&) = delete;

  std::size_t Size() const { return FN; }
  // True when the length is done by the chirp convolution.
  bool UsesBluestein() const { return FInner != nullptr; }

  // In place. Data must hold Size() elements; its storage may be exchanged
  // with the plan's work space (pointers into Data do not stay valid).
  void Execute(TComplexArray& Data);
  // Out of place: Out[k] = Σ_n In[n]·e^(+2πi·kn/N); In and Out must not overlap.
  void Execute(const TComplex* In, TComplex* Out);

private:
  // e^(+2πi·j/N) for 0 <= j < N as Coarse[j >> Shift]·Fine[j & Mask]: two
  // correctly rounded tables of about sqrt(N) entries each.
  struct TRootTable
  {
    void Init(std::uint64_t N);
    TComplex operator()(std::uint64_t J) const
    {
      const TComplex A = Coarse[J >> Shift], B = Fine[J & Mask];
      return {A.Re * B.Re - A.Im * B.Im, A.Re * B.Im + A.Im * B.Re};
    }
    unsigned Shift = 0;
    std::uint64_t Mask = 0;
    std::vector<TComplex> Fine, Coarse;
  };
  struct TLevel
  {
    unsigned P = 1;             // radix
    std::size_t N = 1;          // transform length at this level
    std::size_t M = 1;          // N / P
    std::vector<TComplex> Tw;   // Tw[k*(P-1) + j-1] = e^(+2πi·jk/N)
    std::vector<TComplex> Root; // generic radix: e^(+2πi·t/P)
  };
  TGvFFTPlan(std::size_t N, bool AllowFourStep);
  void Run(const TComplex* In, std::size_t Stride, TComplex* Out, std::size_t Level) const;
  void FourStep(const TComplex* In, TComplex* Out);

  std::size_t FN = 0;
  std::vector<TLevel> FLevels;
  TComplexArray FWork;
  // Long smooth lengths, N = N1·N2: N2 transforms of length N1 over the
  // columns of x read as an N1×N2 matrix, twiddles e^(+2πi·n2·k1/N), then N1
  // transforms of length N2, each done on a few columns at a time copied into
  // a small buffer, so that the long strides stay out of the inner loops.
  std::size_t FN1 = 0, FN2 = 0;
  std::unique_ptr<TGvFFTPlan> FCols, FRows;
  TRootTable FRoots;
  TComplexArray FBuf, FBufOut;
  // Chirp convolution (FInner set): the chirp e^(+πi·n²/N), the transformed
  // kernel divided by the inner length, and the inner transform.
  std::unique_ptr<TGvFFTPlan> FInner;
  TComplexArray FChirp, FKernel, FInnerWork;
};

// Transforms Data in place (see TGvFFTPlan::Execute).
void DiscreteFourierTransform(TComplexArray& Data);

class TGvDiscreteFourierCalculation
{
public:
  // Points an uneven series is resampled to.
  static constexpr std::size_t ResampledPoints = 1024;

  // The spectrum of the valid points with positive weight (non-finite values
  // are not used). Points in strictly ascending X order are transformed as
  // they are, with the frequency step 1/(N·dt), dt their mean spacing; any
  // other order is first resampled by Akima interpolation to 1024 points over
  // the calculation range Data.Start .. Data.Stop (over the points' own X span
  // when that range is not finite), dt = range/1023. Fewer than 2 usable points give an empty
  // spectrum. EMathError for a missing vector and the interpolation's errors.
  void Calculate(const TGvCalculationData& Data);

  // Number of frequency bins: N div 2 of the N transformed points.
  std::size_t PointsN() const { return FAmplitude.size(); }
  std::size_t TransformedPoints() const { return FTransformed; }
  bool Resampled() const { return FResampled; }
  double Delta() const { return FDelta; }
  double Frequency(std::size_t I) const { return double(I) * FDelta; }
  // Per bin: 2|X[r]|/N, and the phase atan2(Im, Re) in (-π, π] (0 for a zero bin).
  const std::vector<double>& Amplitude() const { return FAmplitude; }
  const std::vector<double>& Phase() const { return FPhase; }
  // The transformed array (N values) of the last calculation.
  const TComplexArray& CalcArr() const { return FCalcArr; }

  // The amplitude at frequency AtX, linear between bins; below 0 the first
  // bin's, beyond the last bin the last bin's; 0 without bins.
  double GetY(double AtX) const;

  // "Y\-k\- = Σy\-n\- e\+(-2πi/n kn)" in rich-caption markup.
  static QString FormulaText();

private:
  TComplexArray FCalcArr;
  double FDelta = 0;
  std::size_t FTransformed = 0;
  bool FResampled = false;
  std::vector<double> FPhase, FAmplitude;
  std::unique_ptr<TGvFFTPlan> FPlan;
};
