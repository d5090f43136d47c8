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

constexpr unsigned LargestDirectPrime = 61;

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

inline TComplex MulI(TComplex A)
{
  return {-A.Im, A.Re};
}

// Small transforms with the + sign, on strided input (the leaves) or on the
// M-spaced elements of Out (the combining steps).
inline void Dft2(TComplex& A0, TComplex& A1)
{
  const TComplex T = A0;
  A0 = ComplexAdd(T, A1);
  A1 = ComplexSub(T, A1);
}

inline void Dft4(TComplex A0, TComplex A1, TComplex A2, TComplex A3, TComplex& X0, TComplex& X1,
                 TComplex& X2, TComplex& X3)
{
  const TComplex T0 = ComplexAdd(A0, A2), T1 = ComplexSub(A0, A2);
  const TComplex T2 = ComplexAdd(A1, A3), T3 = MulI(ComplexSub(A1, A3));
  X0 = ComplexAdd(T0, T2);
  X2 = ComplexSub(T0, T2);
  X1 = ComplexAdd(T1, T3);
  X3 = ComplexSub(T1, T3);
}

constexpr double Sin60 = 0.86602540378443864676372317075294;

inline void Dft3(TComplex A0, TComplex A1, TComplex A2, TComplex& X0, TComplex& X1, TComplex& X2)
{
  const TComplex S = ComplexAdd(A1, A2), D = ComplexSub(A1, A2);
  X0 = ComplexAdd(A0, S);
  const TComplex M = {A0.Re - 0.5 * S.Re, A0.Im - 0.5 * S.Im};
  const TComplex R = {-Sin60 * D.Im, Sin60 * D.Re}; // i·sin60·D
  X1 = ComplexAdd(M, R);
  X2 = ComplexSub(M, R);
}

constexpr double C5a = 0.30901699437494742410229341718282;  // cos 2π/5
constexpr double C5b = -0.80901699437494742410229341718282; // cos 4π/5
constexpr double S5a = 0.95105651629515357211643933337938;  // sin 2π/5
constexpr double S5b = 0.58778525229247312916870595463907;  // sin 4π/5

inline void Dft5(TComplex A0, TComplex A1, TComplex A2, TComplex A3, TComplex A4, TComplex& X0,
                 TComplex& X1, TComplex& X2, TComplex& X3, TComplex& X4)
{
  const TComplex S14 = ComplexAdd(A1, A4), D14 = ComplexSub(A1, A4);
  const TComplex S23 = ComplexAdd(A2, A3), D23 = ComplexSub(A2, A3);
  X0 = {A0.Re + S14.Re + S23.Re, A0.Im + S14.Im + S23.Im};
  const TComplex M1 = {A0.Re + C5a * S14.Re + C5b * S23.Re, A0.Im + C5a * S14.Im + C5b * S23.Im};
  const TComplex M2 = {A0.Re + C5b * S14.Re + C5a * S23.Re, A0.Im + C5b * S14.Im + C5a * S23.Im};
  // i·(S5a·D14 + S5b·D23) and i·(S5b·D14 - S5a·D23)
  const TComplex R1 = {-(S5a * D14.Im + S5b * D23.Im), S5a * D14.Re + S5b * D23.Re};
  const TComplex R2 = {-(S5b * D14.Im - S5a * D23.Im), S5b * D14.Re - S5a * D23.Re};
  X1 = ComplexAdd(M1, R1);
  X4 = ComplexSub(M1, R1);
  X2 = ComplexAdd(M2, R2);
  X3 = ComplexSub(M2, R2);
}

// Generic odd radix: X[q] = Σ_j A[j]·Root[jq mod P].
inline void DftGeneric(unsigned P, const TComplex* A, TComplex* X, const TComplex* Root)
{
  for (unsigned Q = 0; Q < P; ++Q) {
    double Re = A[0].Re, Im = A[0].Im;
    unsigned T = 0;
    for (unsigned J = 1; J < P; ++J) {
      T += Q;
      if (T >= P) T -= P;
      Re += A[J].Re * Root[T].Re - A[J].Im * Root[T].Im;
      Im += A[J].Re * Root[T].Im + A[J].Im * Root[T].Re;
    }
    X[Q] = {Re, Im};
  }
}

// Lengths from which a smooth transform is split into rows and columns.
constexpr std::size_t FourStepFrom = std::size_t(1) << 16;
// Columns handled together by the split transform.
constexpr std::size_t Block = 8;

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

TGvFFTPlan::TGvFFTPlan(std::size_t N, bool AllowFourStep) : FN(N)
{
  if (N <= 1) return;
  const std::vector<unsigned> Radices = Factorise(N);
  if (Radices.empty()) {
    // Chirp convolution: X[k] = c[k]·Σ_n (x[n]·c[n])·conj(c[k-n]), c[n] = e^(+πi·n²/N).
    const std::size_t M = SmoothLength(2 * N - 1);
    FInner = std::make_unique<TGvFFTPlan>(M);
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
    FCols = std::unique_ptr<TGvFFTPlan>(new TGvFFTPlan(FN1, false));
    FRows = std::unique_ptr<TGvFFTPlan>(new TGvFFTPlan(FN2, false));
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
  FWork.resize(N);
}

TGvFFTPlan::~TGvFFTPlan() = default;

void TGvFFTPlan::Run(const TComplex* In, std::size_t Stride, TComplex* Out, std::size_t Level) const
{
  const TLevel& L = FLevels[Level];
  const unsigned P = L.P;
  const std::size_t M = L.M;
  if (M == 1) {
    // Leaf: one radix-P transform of strided input.
    switch (P) {
    case 2:
      Out[0] = ComplexAdd(In[0], In[Stride]);
      Out[1] = ComplexSub(In[0], In[Stride]);
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
      TComplex A[LargestDirectPrime];
      for (unsigned J = 0; J < P; ++J) A[J] = In[J * Stride];
      DftGeneric(P, A, Out, L.Root.data());
    }
    }
    return;
  }

  // The P sub-transforms of the decimated input, one after the other in Out.
  for (unsigned J = 0; J < P; ++J) Run(In + J * Stride, Stride * P, Out + J * M, Level + 1);

  // Combine: X[k + qM] = Σ_j W_N^{jk}·W_P^{jq}·Sub_j[k].
  const TComplex* Tw = L.Tw.data();
  switch (P) {
  case 2:
    for (std::size_t K = 0; K < M; ++K) {
      TComplex& A0 = Out[K];
      TComplex& A1 = Out[K + M];
      A1 = ComplexMul(A1, Tw[K]);
      Dft2(A0, A1);
    }
    break;
  case 3:
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + 2 * K;
      Dft3(Out[K], ComplexMul(Out[K + M], W[0]), ComplexMul(Out[K + 2 * M], W[1]), Out[K],
           Out[K + M], Out[K + 2 * M]);
    }
    break;
  case 4:
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + 3 * K;
      Dft4(Out[K], ComplexMul(Out[K + M], W[0]), ComplexMul(Out[K + 2 * M], W[1]),
           ComplexMul(Out[K + 3 * M], W[2]), Out[K], Out[K + M], Out[K + 2 * M], Out[K + 3 * M]);
    }
    break;
  case 5:
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + 4 * K;
      Dft5(Out[K], ComplexMul(Out[K + M], W[0]), ComplexMul(Out[K + 2 * M], W[1]),
           ComplexMul(Out[K + 3 * M], W[2]), ComplexMul(Out[K + 4 * M], W[3]), Out[K], Out[K + M],
           Out[K + 2 * M], Out[K + 3 * M], Out[K + 4 * M]);
    }
    break;
  default: {
    TComplex A[LargestDirectPrime], X[LargestDirectPrime];
    for (std::size_t K = 0; K < M; ++K) {
      const TComplex* W = Tw + (P - 1) * K;
      A[0] = Out[K];
      for (unsigned J = 1; J < P; ++J) A[J] = ComplexMul(Out[K + J * M], W[J - 1]);
      DftGeneric(P, A, X, L.Root.data());
      for (unsigned Q = 0; Q < P; ++Q) Out[K + Q * M] = X[Q];
    }
  }
  }
}

void TGvFFTPlan::FourStep(const TComplex* In, TComplex* Out)
{
  const std::size_t N1 = FN1, N2 = FN2;
  TComplex* T = FWork.data(); // T[n2·N1 + k1]
  TComplex* Buf = FBuf.data();
  TComplex* BufOut = FBufOut.data();
  // Columns: for each n2, the transform over n1 of In[n1·N2 + n2], times the twiddle.
  for (std::size_t C = 0; C < N2; C += Block) {
    const std::size_t B = std::min(Block, N2 - C);
    for (std::size_t R = 0; R < N1; ++R)
      for (std::size_t J = 0; J < B; ++J) Buf[R * B + J] = In[R * N2 + C + J];
    for (std::size_t J = 0; J < B; ++J) {
      FCols->Run(Buf + J, B, BufOut + J * N1, 0);
      const std::uint64_t N2i = C + J;
      TComplex* Row = T + N2i * N1;
      const TComplex* Src = BufOut + J * N1;
      for (std::size_t K = 0; K < N1; ++K) Row[K] = ComplexMul(Src[K], FRoots(N2i * K));
    }
  }
  // Rows: for each k1, the transform over n2 of T[n2·N1 + k1] into Out[k1 + N1·k2].
  for (std::size_t C = 0; C < N1; C += Block) {
    const std::size_t B = std::min(Block, N1 - C);
    for (std::size_t R = 0; R < N2; ++R)
      for (std::size_t J = 0; J < B; ++J) Buf[R * B + J] = T[R * N1 + C + J];
    for (std::size_t J = 0; J < B; ++J) FRows->Run(Buf + J, B, BufOut + J * N2, 0);
    for (std::size_t K = 0; K < N2; ++K)
      for (std::size_t J = 0; J < B; ++J) Out[C + J + N1 * K] = BufOut[J * N2 + K];
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
    Run(In, 1, Out, 0);
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
  Run(Data.data(), 1, FWork.data(), 0);
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
