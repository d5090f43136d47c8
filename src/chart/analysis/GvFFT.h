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
//   TGvChildSeries                   a plain series owned by another one
//   TGvDiscreteFourier               the function series of the amplitude
//                                    spectrum, with the phase spectrum as its
//                                    child series "Phase"
#pragma once

#include "chart/GvMath.h"
#include "chart/GvSeries.h"
#include "chart/analysis/GvFFTKernel.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

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
// cache and are transformed two at a time (GvFFTKernel.h); any other length by
// Bluestein's chirp convolution over the shortest length 2^a·3^b·5^c of at
// least 2N - 1, whose plan is made once with the plan. The twiddles are
// products of two correctly rounded roots of unity. A plan keeps its work
// space, so one plan serves one caller at a time.
class TGvFFTPlan
{
public:
  explicit TGvFFTPlan(std::size_t N) : TGvFFTPlan(N, true, GvFFTColumnKernel()) {}
  // The same with the given kernel for the columns of long lengths instead of
  // the widest that the processor runs (to compare the kernels).
  TGvFFTPlan(std::size_t N, const TGvFFTColumnKernel& Columns) : TGvFFTPlan(N, true, Columns) {}
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
  TGvFFTPlan(std::size_t N, bool AllowFourStep, const TGvFFTColumnKernel& Columns);
  void Run(const TComplex* In, std::size_t Stride, TComplex* Out) const
  {
    GvFFTRun(FLevelViews.data(), In, Stride, Out);
  }
  void FourStep(const TComplex* In, TComplex* Out);

  std::size_t FN = 0;
  std::vector<TLevel> FLevels;
  std::vector<TGvFFTLevel> FLevelViews; // FLevels as the kernels read them
  TComplexArray FWork;
  // Long smooth lengths, N = N1·N2: N2 transforms of length N1 over the
  // columns of x read as an N1×N2 matrix, twiddles e^(+2πi·n2·k1/N), then N1
  // transforms of length N2, each done on a block of columns copied into a
  // small buffer (the rows of the long strides asked for ahead), so that the
  // long strides stay out of the inner loops; FColumns transforms a block.
  std::size_t FN1 = 0, FN2 = 0;
  std::unique_ptr<TGvFFTPlan> FCols, FRows;
  TRootTable FRoots;
  TComplexArray FBuf, FBufOut;
  TGvFFTColumnKernel FColumns;
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

// ---- The series ---------------------------------------------------------------

// A plain series owned by another series (the phase of the Fourier series):
// it draws the Y data it is given against the X its owner maps the index to.
class TGvChildSeries : public TGvSeries
{
  Q_OBJECT
  Q_PROPERTY(TGvPointSymbolSettings* PointSymbol READ PointSymbol WRITE SetPointSymbol)
  Q_PROPERTY(TGvAxis* YAxis READ YAxis WRITE SetYAxis)
  Q_PROPERTY(TGvLineSettings* Line READ Line WRITE SetLine)
  Q_PROPERTY(TGvAreaSettings* Area READ Area WRITE SetArea)
  Q_PROPERTY(TGvSeries* DrawBandTo READ DrawBandTo WRITE SetDrawBandTo)
public:
  explicit TGvChildSeries(QObject* Owner = nullptr) : TGvSeries(Owner) { NumberCaption(); }
};

// The amplitude spectrum of the points of its data, one point per frequency
// bin (2|X[k]|/N at k/(N dt)); the phase spectrum (atan2 of the bin, in
// radians) is the child series Phase, invisible until shown, drawn on the
// spectrum's X axis and, unless given another, its Y axis. Uneven data are
// resampled to 1024 points first. ClipYValues is off.
class TGvDiscreteFourier : public TGvFunctionSeries
{
  Q_OBJECT
  Q_PROPERTY(TGvChildSeries* Phase READ Phase)
  Q_PROPERTY(TGvPointSymbolSettings* PointSymbol READ PointSymbol WRITE SetPointSymbol)
public:
  explicit TGvDiscreteFourier(QObject* Owner = nullptr);
  ~TGvDiscreteFourier() override;

  TGvChildSeries* Phase() const { return FPhaseSeries; }
  const TGvDiscreteFourierCalculation& Spectrum() const { return FCalc->Calc; }
  // The frequency of bin I.
  double Frequency(int I) const { return FCalc->Calc.Frequency(std::size_t(std::max(I, 0))); }

  void SetXAxis(TGvAxis* Value) override;
  void SetYAxis(TGvAxis* Value) override;

  void CalculateFunction() override;
  // One point per bin over the visible frequencies (reduced per pixel column).
  void CalculatePoints() override;
  // The amplitude at a frequency, linear between bins; 0 while the points
  // wait to be converted.
  double GetY(double AtX) override;
  // The bin of the first drawn point within Delta of (X, Y); -1 for none or
  // while the points wait to be converted.
  int FindPoint(double X, double Y, double Delta) override;
  QString GetFormula() const override;

  // Saved forms (GvAnalysisIO.cpp), after the function series' fields: the
  // point symbol, then the phase series' own settings (it is saved with this
  // series, never on its own): Caption string, Visible, OutliersVisible,
  // IncludeInLegend bytes, Layer int32, line, area and point symbol blocks,
  // Y axis, MergeLegendItemWith and DrawBandTo references, byte 0. The XML
  // children "PointSymbol" and "Phase"; the ini keys "PointSymbol.*" and
  // "Phase.*".
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  TGvCalculationOf<TGvDiscreteFourierCalculation>* FCalc;
  TGvDoubleVector* FPhaseData;
  TGvChildSeries* FPhaseSeries;
};
