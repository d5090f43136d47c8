#include "chart/analysis/GvFFT.h"

#include "chart/analysis/GvInterpolationCalculations.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

// ---- Roots of unity --------------------------------------------------------

TComplex UnitRoot(std::uint64_t J, std::uint64_t N)
{
  if (N == 0) return {1.0, 0.0};
  J %= N;
  // The angle in extended precision, so that the rounded cosine and sine are
  // (almost always) the correctly rounded doubles.
  constexpr long double TwoPi = 6.283185307179586476925286766559005768L;
  const long double A = TwoPi * static_cast<long double>(J) / static_cast<long double>(N);
  return {static_cast<double>(std::cos(A)), static_cast<double>(std::sin(A))};
}

namespace {

constexpr unsigned LargestDirectPrime = GvFFTLargestDirectPrime;

// Radices of N (a single 2 first, then the fours, then odd primes ascending),
// or an empty list when N has a prime factor above LargestDirectPrime.
std::vector<unsigned> Factorise(std::size_t N)
{
  std::vector<unsigned> F;
  while (N % 4 == 0) {
    F.push_back(4);
    N /= 4;
  }
  // A single 2 goes to the front so that the leaves stay radix 4.
  if (N % 2 == 0) {
    F.insert(F.begin(), 2);
    N /= 2;
  }
  for (unsigned P = 3; N > 1 && P <= LargestDirectPrime; P += 2)
    while (N % P == 0) {
      F.push_back(P);
      N /= P;
    }
  if (N > 1) return {};
  return F;
}

// The smallest 2^a·3^b·5^c at or above N.
std::size_t SmoothLength(std::size_t N)
{
  std::size_t Best = std::size_t(1) << 62;
  for (std::size_t P5 = 1; P5 < Best; P5 *= 5)
    for (std::size_t P35 = P5; P35 < Best; P35 *= 3) {
      std::size_t V = P35;
      while (V < N) V *= 2;
      Best = std::min(Best, V);
    }
  return Best;
}

// Lengths from which a smooth transform is split into rows and columns.
constexpr std::size_t FourStepFrom = std::size_t(1) << 16;
// Columns handled together by the split transform.
constexpr std::size_t Block = 32;
// Rows of the long strides asked for ahead of their use.
constexpr std::size_t Ahead = 8;

} // namespace

// ---- Plan ------------------------------------------------------------------

void TGvFFTPlan::TRootTable::Init(std::uint64_t N)
{
  Shift = 0;
  while ((std::uint64_t(1) << (2 * Shift)) < N) ++Shift;
  Mask = (std::uint64_t(1) << Shift) - 1;
  Fine.resize(Mask + 1);
  for (std::uint64_t R = 0; R <= Mask; ++R) Fine[R] = UnitRoot(R, N);
  Coarse.resize((N >> Shift) + 1);
  for (std::uint64_t Q = 0; Q < Coarse.size(); ++Q) Coarse[Q] = UnitRoot(Q << Shift, N);
}

TGvFFTPlan::TGvFFTPlan(std::size_t N, bool AllowFourStep, const TGvFFTColumnKernel& Columns)
    : FN(N), FColumns(Columns)
{
  if (N <= 1) return;
  const std::vector<unsigned> Radices = Factorise(N);
  if (Radices.empty()) {
    // Chirp convolution: X[k] = c[k]·Σ_n (x[n]·c[n])·conj(c[k-n]), c[n] = e^(+πi·n²/N).
    const std::size_t M = SmoothLength(2 * N - 1);
    FInner = std::unique_ptr<TGvFFTPlan>(new TGvFFTPlan(M, true, Columns));
    TRootTable Roots2N;
    Roots2N.Init(2 * std::uint64_t(N));
    FChirp.resize(N);
    std::uint64_t Sq = 0; // n² mod 2N, by (n+1)² = n² + 2n + 1
    for (std::size_t I = 0; I < N; ++I) {
      FChirp[I] = Roots2N(Sq);
      Sq = (Sq + 2 * std::uint64_t(I) + 1) % (2 * std::uint64_t(N));
    }
    FKernel.assign(M, TComplex{});
    const double Scale = 1.0 / double(M);
    for (std::size_t I = 0; I < N; ++I) {
      const TComplex B = {FChirp[I].Re * Scale, -FChirp[I].Im * Scale};
      FKernel[I] = B;
      if (I > 0) FKernel[M - I] = B;
    }
    FInner->Execute(FKernel);
    FInnerWork.resize(M);
    return;
  }

  if (AllowFourStep && N >= FourStepFrom) {
    // N1: the largest divisor of N up to sqrt(N).
    std::vector<std::size_t> Divisors = {1};
    for (unsigned P : Radices) {
      const std::size_t Count = Divisors.size();
      for (std::size_t I = 0; I < Count; ++I) Divisors.push_back(Divisors[I] * P);
      std::sort(Divisors.begin(), Divisors.end());
      Divisors.erase(std::unique(Divisors.begin(), Divisors.end()), Divisors.end());
    }
    FN1 = 1;
    for (std::size_t D : Divisors)
      if (double(D) * double(D) <= double(N)) FN1 = D;
    FN2 = N / FN1;
    FCols = std::unique_ptr<TGvFFTPlan>(new TGvFFTPlan(FN1, false, Columns));
    FRows = std::unique_ptr<TGvFFTPlan>(new TGvFFTPlan(FN2, false, Columns));
    FRoots.Init(N);
    FWork.resize(N);
    FBuf.resize(Block * std::max(FN1, FN2));
    FBufOut.resize(Block * std::max(FN1, FN2));
    return;
  }

  TRootTable Roots;
  Roots.Init(N);
  std::size_t Len = N, Stride = 1; // Stride = N / Len
  for (unsigned P : Radices) {
    TLevel L;
    L.P = P;
    L.N = Len;
    L.M = Len / P;
    if (L.M > 1) {
      L.Tw.resize(L.M * (P - 1));
      for (std::size_t K = 0; K < L.M; ++K)
        for (unsigned J = 1; J < P; ++J)
          L.Tw[K * (P - 1) + (J - 1)] = Roots((std::uint64_t(J) * K * Stride) % N);
    }
    if (P != 2 && P != 3 && P != 4 && P != 5) {
      L.Root.resize(P);
      for (unsigned T = 0; T < P; ++T) L.Root[T] = UnitRoot(T, P);
    }
    FLevels.push_back(std::move(L));
    Len /= P;
    Stride *= P;
  }
  for (const TLevel& L : FLevels) FLevelViews.push_back({L.P, L.M, L.Tw.data(), L.Root.data()});
  FWork.resize(N);
}

TGvFFTPlan::~TGvFFTPlan() = default;

namespace {

// Where element K of column J of a block of B columns lies in the output of
// a column kernel of the given width (see TGvFFTColumnKernel).
struct TColumnLayout
{
  std::size_t Width, Grouped, Len; // Grouped: the columns that ran in groups
  TColumnLayout(std::size_t W, std::size_t B, std::size_t L) : Width(W), Grouped(B - B % W), Len(L)
  {
  }
  std::size_t Start(std::size_t J) const
  {
    return J < Grouped ? (J - J % Width) * Len + J % Width : J * Len;
  }
  std::size_t Step(std::size_t J) const { return J < Grouped ? Width : 1; }
};

// Asks for the cache lines of B complex numbers (for reading or, with Write,
// for writing), a few rows before they are needed.
inline void PrefetchRow(const TComplex* Row, std::size_t B, bool Write = false)
{
  const char* P = reinterpret_cast<const char*>(Row);
  for (std::size_t Byte = 0; Byte < B * sizeof(TComplex); Byte += 64) {
    if (Write)
      __builtin_prefetch(P + Byte, 1);
    else
      __builtin_prefetch(P + Byte, 0);
  }
}

// Copies B complex numbers, inline for the usual whole block.
inline void CopyRow(const TComplex* From, std::size_t B, TComplex* To)
{
  if (B == Block) {
    for (std::size_t J = 0; J < Block; ++J) To[J] = From[J];
  } else {
    for (std::size_t J = 0; J < B; ++J) To[J] = From[J];
  }
}

// Columns C .. C+B-1 of the Rows×Stride matrix Src into Buf (row r at
// Buf + r·Pitch); the rows ahead are asked for on the way.
inline void GatherColumns(const TComplex* Src, std::size_t Rows, std::size_t Stride, std::size_t C,
                          std::size_t B, std::size_t Pitch, TComplex* Buf)
{
  for (std::size_t R = 0; R < Rows; ++R) {
    const TComplex* Row = Src + R * Stride + C;
    if (R + Ahead < Rows) PrefetchRow(Row + Ahead * Stride, B);
    CopyRow(Row, B, Buf + R * Pitch);
  }
}

} // namespace

// N = N1·N2, x read as an N1×N2 matrix (x[n1·N2 + n2]): the N2 columns are
// transformed (over n1) Block at a time, copied into a small buffer first and
// multiplied by the twiddles e^(+2πi·n2·k1/N) on the way out into the work
// matrix T (row n2, T[n2·N1 + k1]); then the N1 columns of T (over n2), whose
// results k2 go to Out[k1 + N1·k2].
void TGvFFTPlan::FourStep(const TComplex* In, TComplex* Out)
{
  const std::size_t N1 = FN1, N2 = FN2, W = FColumns.Width;
  TComplex* T = FWork.data();
  TComplex* Buf = FBuf.data();
  TComplex* BufOut = FBufOut.data();
  const std::size_t PitchOf = Block % W == 0 ? W : 1;
  for (std::size_t C = 0; C < N2; C += Block) {
    const std::size_t B = std::min(Block, N2 - C);
    const std::size_t Pitch = (B + PitchOf - 1) / PitchOf * PitchOf;
    GatherColumns(In, N1, N2, C, B, Pitch, Buf);
    FColumns.Run(FCols->FLevelViews.data(), Buf, B, Pitch, BufOut, N1);
    const TColumnLayout Layout(W, B, N1);
    for (std::size_t J = 0; J < B; ++J) {
      const std::uint64_t N2i = C + J;
      TComplex* Row = T + N2i * N1;
      const TComplex* Src = BufOut + Layout.Start(J);
      const std::size_t Step = Layout.Step(J);
      for (std::size_t K = 0; K < N1; ++K) {
        const TComplex A = Src[K * Step], Tw = FRoots(N2i * K);
        Row[K] = {A.Re * Tw.Re - A.Im * Tw.Im, A.Re * Tw.Im + A.Im * Tw.Re};
      }
    }
  }
  for (std::size_t C = 0; C < N1; C += Block) {
    const std::size_t B = std::min(Block, N1 - C);
    const std::size_t Pitch = (B + PitchOf - 1) / PitchOf * PitchOf;
    GatherColumns(T, N2, N1, C, B, Pitch, Buf);
    FColumns.Run(FRows->FLevelViews.data(), Buf, B, Pitch, BufOut, N2);
    const TColumnLayout Layout(W, B, N2);
    if (Layout.Grouped == B) {
      // Each output row takes Width neighbours from each group.
      for (std::size_t K = 0; K < N2; ++K) {
        TComplex* To = Out + C + N1 * K;
        if (K + Ahead < N2) PrefetchRow(To + Ahead * N1, B, true);
        for (std::size_t G = 0; G < B; G += W)
          for (std::size_t L = 0; L < W; ++L) To[G + L] = BufOut[G * N2 + W * K + L];
      }
    } else {
      for (std::size_t J = 0; J < B; ++J) {
        const TComplex* Src = BufOut + Layout.Start(J);
        const std::size_t Step = Layout.Step(J);
        for (std::size_t K = 0; K < N2; ++K) Out[C + J + N1 * K] = Src[K * Step];
      }
    }
  }
}

void TGvFFTPlan::Execute(const TComplex* In, TComplex* Out)
{
  if (FN == 0) return;
  if (FN == 1) {
    Out[0] = In[0];
    return;
  }
  if (FCols) {
    FourStep(In, Out);
    return;
  }
  if (!FInner) {
    Run(In, 1, Out);
    return;
  }
  const std::size_t M = FInnerWork.size();
  for (std::size_t I = 0; I < FN; ++I) FInnerWork[I] = ComplexMul(In[I], FChirp[I]);
  std::fill(FInnerWork.begin() + std::ptrdiff_t(FN), FInnerWork.end(), TComplex{});
  FInner->Execute(FInnerWork);
  // The inverse transform as conj(F(conj(·))).
  for (std::size_t I = 0; I < M; ++I) {
    const TComplex C = ComplexMul(FInnerWork[I], FKernel[I]);
    FInnerWork[I] = {C.Re, -C.Im};
  }
  FInner->Execute(FInnerWork);
  for (std::size_t I = 0; I < FN; ++I)
    Out[I] = ComplexMul({FInnerWork[I].Re, -FInnerWork[I].Im}, FChirp[I]);
}

void TGvFFTPlan::Execute(TComplexArray& Data)
{
  if (Data.size() != FN)
    throw std::invalid_argument("TGvFFTPlan: data length differs from the plan");
  if (FN <= 1) return;
  if (FInner || FCols) {
    // Both read all of the input before they write the output.
    Execute(Data.data(), Data.data());
    return;
  }
  Run(Data.data(), 1, FWork.data());
  Data.swap(FWork);
}

void DiscreteFourierTransform(TComplexArray& Data)
{
  if (Data.size() <= 1) return;
  TGvFFTPlan Plan(Data.size());
  Plan.Execute(Data);
}

// ---- Spectrum --------------------------------------------------------------

void TGvDiscreteFourierCalculation::Calculate(const TGvCalculationData& Data)
{
  Data.CheckVectors();
  FCalcArr.clear();
  FPhase.clear();
  FAmplitude.clear();
  FDelta = 0;
  FTransformed = 0;
  FResampled = false;

  const std::size_t Count = Data.Count();
  std::vector<double> Xs, Ys;
  Xs.reserve(Count);
  Ys.reserve(Count);
  for (std::size_t I = 0; I < Count; ++I) {
    if (!Data.IsValid(I) || !(Data.Wi(I) > 0)) continue;
    Xs.push_back(Data.Xi(I));
    Ys.push_back(Data.Yi(I));
  }
  if (Xs.size() < 2) return; // no spectrum

  bool Ascending = true;
  for (std::size_t I = 1; I < Xs.size() && Ascending; ++I) Ascending = Xs[I] > Xs[I - 1];

  double Dt;
  if (Ascending) {
    FTransformed = Xs.size();
    FCalcArr.resize(FTransformed);
    for (std::size_t I = 0; I < FTransformed; ++I) FCalcArr[I] = {Ys[I], 0.0};
    Dt = (Xs.back() - Xs.front()) / double(FTransformed - 1);
  } else {
    FResampled = true;
    double Lo = Data.Start, Hi = Data.Stop;
    if (!std::isfinite(Hi - Lo) || !(Hi > Lo)) {
      const auto [MinIt, MaxIt] = std::minmax_element(Xs.begin(), Xs.end());
      Lo = *MinIt;
      Hi = *MaxIt;
    }
    TGvInterpolationCalculation Akima;
    Akima.SetInterpolationMethod(TGvInterpolationMethod::Akima);
    Akima.Calculate(Data);
    FTransformed = ResampledPoints;
    Dt = (Hi - Lo) / double(ResampledPoints - 1);
    FCalcArr.resize(FTransformed);
    for (std::size_t R = 0; R < FTransformed; ++R)
      FCalcArr[R] = {Akima.Interpolate(Lo + double(R) * Dt), 0.0};
  }

  if (!FPlan || FPlan->Size() != FTransformed) FPlan = std::make_unique<TGvFFTPlan>(FTransformed);
  FPlan->Execute(FCalcArr);

  const std::size_t Bins = FTransformed / 2;
  FAmplitude.resize(Bins);
  FPhase.resize(Bins);
  const double Scale = 2.0 / double(FTransformed);
  for (std::size_t R = 0; R < Bins; ++R) {
    const TComplex X = FCalcArr[R];
    FAmplitude[R] = std::hypot(X.Re, X.Im) * Scale;
    // + 0.0 turns -0 into +0, so that a negative real bin has the phase +π.
    FPhase[R] = (X.Re == 0 && X.Im == 0) ? 0.0 : std::atan2(X.Im + 0.0, X.Re);
  }
  FDelta = Dt > 0 && std::isfinite(Dt) ? 1.0 / (double(FTransformed) * Dt) : 0.0;
}

double TGvDiscreteFourierCalculation::GetY(double AtX) const
{
  const std::size_t Bins = FAmplitude.size();
  if (Bins == 0 || std::isnan(AtX)) return 0;
  if (!(FDelta > 0)) return FAmplitude[0];
  const double Pos = std::floor(AtX / FDelta);
  const std::size_t Last = Bins - 1;
  const std::size_t A = Pos <= 0 ? 0 : Pos >= double(Last) ? Last : std::size_t(Pos);
  const std::size_t B = std::min(A + 1, Last);
  if (A == B || AtX < 0) return FAmplitude[A];
  return FAmplitude[A] + (AtX - Frequency(A)) * (FAmplitude[B] - FAmplitude[A]) / FDelta;
}

QString TGvDiscreteFourierCalculation::FormulaText()
{
  return QStringLiteral("Y\\-k\\- = ") + QChar(0x03A3) + QStringLiteral("y\\-n\\- e\\+(-2") +
         QChar(0x03C0) + QStringLiteral("i/n kn)");
}

// ---- TGvDiscreteFourier --------------------------------------------------------

TGvDiscreteFourier::TGvDiscreteFourier(QObject* Owner) : TGvFunctionSeries(Owner)
{
  auto C = std::make_unique<TGvCalculationOf<TGvDiscreteFourierCalculation>>();
  FCalc = C.get();
  SetCalculation(std::move(C));
  SetClipYValues(false);
  // The phase values are the series' own results: unnamed, a saved graph
  // leaves them out (the series calculates them again).
  FPhaseData = new TGvDoubleVector(this);
  FPhaseSeries = new TGvChildSeries(this);
  FPhaseSeries->setObjectName("Phase");
  FPhaseSeries->SetCaption("Phase");
  FPhaseSeries->SetVisible(false);
  FPhaseSeries->Line()->SetColor(0xFF008000);
  FPhaseSeries->SetXValueTransformation(
      [this](QObject*, const TGvTransformEventArgs& A) { return Frequency(A.Index); });
  FPhaseSeries->SetYData(FPhaseData);
  RegisterVariables();
  NumberCaption();
}

TGvDiscreteFourier::~TGvDiscreteFourier()
{
  BeginDestroy();
  // The phase maps its points through this series: it goes first.
  delete FPhaseSeries;
  delete FPhaseData;
}

void TGvDiscreteFourier::SetXAxis(TGvAxis* Value)
{
  TGvFunctionSeries::SetXAxis(Value);
  FPhaseSeries->SetXAxis(Value);
}

void TGvDiscreteFourier::SetYAxis(TGvAxis* Value)
{
  TGvFunctionSeries::SetYAxis(Value);
  if (Value && !FPhaseSeries->YAxis()) FPhaseSeries->SetYAxis(Value);
}

void TGvDiscreteFourier::CalculateFunction()
{
  if (FCount < 2) return;
  SetLimits();
  PrepareCalculation(*FCalc);
  FCalc->Calculate();
  const TGvDiscreteFourierCalculation& S = FCalc->Calc;
  const std::size_t Bins = S.PointsN();
  if (Bins > 0) {
    StoreXRange(S.Frequency(0), S.Frequency(Bins - 1));
    const auto [Lo, Hi] = std::minmax_element(S.Amplitude().begin(), S.Amplitude().end());
    FYStart = *Lo;
    FYStop = *Hi;
  } else {
    StoreXRange(GvNoRangeStart, GvNoRangeStop);
    FYStart = GvNoRangeStart;
    FYStop = GvNoRangeStop;
  }
  FPhaseData->SetValues(S.Phase());
  if (OnCalculated) OnCalculated(this);
  if (!FPhaseSeries->YAxis() && FYAxis) FPhaseSeries->SetYAxis(FYAxis);
  if (FPhaseSeries->Visible()) FPhaseSeries->Calculate();
}

void TGvDiscreteFourier::CalculatePoints()
{
  FPoints.clear();
  FAreaPoints.clear();
  FSymbolPos.clear();
  FCommitted = 0;
  FPointsWithSymbols = false;
  const TGvDiscreteFourierCalculation& S = FCalc->Calc;
  const std::size_t Bins = S.PointsN();
  if (FXAxis && FYAxis) {
    FMapX = MapKeyOf(FXAxis);
    FMapY = MapKeyOf(FYAxis);
  }
  if (FXAxis && FYAxis && Bins > 0 && !FCalculationFailed) {
    // The bins the axis shows, and one beyond on each side.
    std::size_t First = 0, Last = Bins - 1;
    const double Delta = S.Delta();
    if (Delta > 0) {
      const double A = std::floor(FXAxis->Start() / Delta) - 1;
      const double B = std::ceil(FXAxis->Stop() / Delta) + 1;
      if (A > 0) First = A >= double(Last) ? Last : std::size_t(A);
      if (B < double(Last)) Last = B <= double(First) ? First : std::size_t(B);
    }
    TGvColumnFilter Columns;
    auto Out = [this](const TGvScreenPoint& P) { FPoints.push_back(P); };
    for (std::size_t I = First; I <= Last; ++I)
      Columns.Feed({GvClampPixel(FXAxis->NumberToWorld(S.Frequency(I))),
                    GvClampPixel(FYAxis->NumberToWorld(S.Amplitude()[I])), int32_t(I)},
                   Out);
    Columns.Flush(Out);
    FCommitted = FPoints.size();
    // Symbols, when shown, mark the bins drawn.
    if (FPointSymbol->Visible())
      for (std::size_t I = 0; I < FPoints.size(); ++I) FSymbolPos.push_back(int(I));
  }
  AddBandPoints();
  FLastPointsCount = FCount;
  FRecalcPoints = false;
}

double TGvDiscreteFourier::GetY(double AtX)
{
  if (FRecalcPoints) return 0;
  return FCalc->Calc.GetY(AtX);
}

int TGvDiscreteFourier::FindPoint(double X, double Y, double Delta)
{
  if (FRecalcPoints) return -1;
  for (const TGvScreenPoint& P : FPoints)
    if (std::fabs(X - P.X) <= Delta && std::fabs(Y - P.Y) <= Delta) return P.Index;
  return -1;
}

QString TGvDiscreteFourier::GetFormula() const
{
  return TGvDiscreteFourierCalculation::FormulaText();
}
