#include "chart/analysis/GvInterpolationCalculations.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

[[noreturn]] void NotEnoughPoints()
{
  throw EMathError(QStringLiteral("Not enough data points to calculate function"));
}

// No infinity and no NaN: the exponent bits (in the upper half of each
// value) are never all set. A test on 32-bit words, which the compiler runs
// on several values at once.
bool AllFinite(const std::vector<double>& V)
{
  std::uint32_t Special = 0;
  for (const double E : V) {
    const std::uint32_t High = std::uint32_t(std::bit_cast<std::uint64_t>(E) >> 32);
    Special |= std::uint32_t((High & 0x7ff00000u) == 0x7ff00000u);
  }
  return Special == 0;
}

bool StrictlyDescending(const std::vector<double>& X)
{
  for (std::size_t I = 1; I < X.size(); ++I)
    if (!(X[I] < X[I - 1])) return false;
  return true;
}

void Permute(std::vector<double>& V, const std::vector<std::size_t>& Order)
{
  std::vector<double> T(Order.size());
  for (std::size_t I = 0; I < Order.size(); ++I) T[I] = V[Order[I]];
  V.swap(T);
}

} // namespace

// ---- Parameters --------------------------------------------------------------

bool TGvInterpolationCalculation::SetInterpolationMethod(TGvInterpolationMethod M)
{
  if (M == FInterpolationMethod) return false;
  FInterpolationMethod = M;
  bool Box = false;
  if (M == TGvInterpolationMethod::ApproximativeSpline && FDoSmoothing) {
    FDoSmoothing = false;
    Box = true;
  }
  FRecalculate = true;
  FSearchExtrema = true;
  return Box;
}

bool TGvInterpolationCalculation::SetSmoothPoints(bool B)
{
  if (B == FDoSmoothing) return true;
  if (B && FInterpolationMethod == TGvInterpolationMethod::ApproximativeSpline) return false;
  FDoSmoothing = B;
  FRecalculate = true;
  return true;
}

void TGvInterpolationCalculation::SetSmoothingRange(double X)
{
  if (X == FSmoothM) return;
  FSmoothM = X;
  if (FInterpolationMethod != TGvInterpolationMethod::ApproximativeSpline) FRecalculate = true;
}

void TGvInterpolationCalculation::SetElasticityFactor(double X)
{
  if (X == FElasticityFactor) return;
  FElasticityFactor = X > 0 ? X : 1e-300;
  if (FInterpolationMethod == TGvInterpolationMethod::ApproximativeSpline) FRecalculate = true;
}

QString TGvInterpolationCalculation::ApproximativeSmoothingMessage()
{
  return QStringLiteral("Approximative spline does not need the smoothing function!\n"
                        "Use the ElasticityFactor to adjust the elasticity of the spline.");
}

std::size_t TGvInterpolationCalculation::MinimumPoints(TGvInterpolationMethod M)
{
  return M == TGvInterpolationMethod::ApproximativeSpline ? 6 : 3;
}

// ---- Calculation ---------------------------------------------------------------

void TGvInterpolationCalculation::Clear()
{
  FX.clear();
  FA.clear();
  FB.clear();
  FC.clear();
  FD.clear();
  FMinima.clear();
  FMaxima.clear();
  FSearchExtrema = true;
  FLastIntK = 0;
}

void TGvInterpolationCalculation::Calculate(const TGvCalculationData& Data)
{
  Clear();
  FRecalculate = true;
  try {
    Build(Data);
  } catch (...) {
    Clear();
    throw;
  }
  FRecalculate = false;
}

void TGvInterpolationCalculation::Build(const TGvCalculationData& Data)
{
  Data.CheckVectors();
  const bool Approx = FInterpolationMethod == TGvInterpolationMethod::ApproximativeSpline;

  // The points straight into the node arrays (their storage is kept from one
  // calculation to the next), noting on the way whether X ascends.
  const std::size_t Count = Data.Count();
  std::vector<double> W;
  FX.reserve(Count);
  FA.reserve(Count);
  if (Approx) W.reserve(Count);
  bool Ascending = true;
  double Last = -std::numeric_limits<double>::infinity();
  for (std::size_t I = 0; I < Count; ++I) {
    // IsValid: X and Y finite and within the calculation range.
    if (!Data.IsValid(I)) continue;
    const double Wi = Data.Wi(I);
    if (!(Wi > 0)) continue;
    const double Xi = Data.X[I];
    Ascending = Ascending && Xi > Last;
    Last = Xi;
    FX.push_back(Xi);
    FA.push_back(Data.Y[I]);
    if (Approx) W.push_back(Wi);
  }
  std::vector<double>& X = FX;
  std::vector<double>& Y = FA;

  if (!Ascending) {
    if (StrictlyDescending(X)) {
      std::reverse(X.begin(), X.end());
      std::reverse(Y.begin(), Y.end());
      std::reverse(W.begin(), W.end());
    } else {
      const std::vector<std::size_t> Order = SortedOrder(X);
      Permute(X, Order);
      Permute(Y, Order);
      if (Approx) Permute(W, Order);
      // Equal X, now neighbours in input order, fold into one node.
      std::size_t Out = 0;
      for (std::size_t I = 0; I < X.size(); ++I) {
        if (Out > 0 && X[I] == X[Out - 1]) {
          Y[Out - 1] = 0.5 * Y[Out - 1] + 0.5 * Y[I];
          if (Approx) W[Out - 1] = 0.5 * W[Out - 1] + 0.5 * W[I];
          continue;
        }
        X[Out] = X[I];
        Y[Out] = Y[I];
        if (Approx) W[Out] = W[I];
        ++Out;
      }
      X.resize(Out);
      Y.resize(Out);
      if (Approx) W.resize(Out);
    }
  }
  if (X.size() < MinimumPoints(FInterpolationMethod)) NotEnoughPoints();
  if (FDoSmoothing && !Approx) Smooth(FSmoothM, X, Y);

  // The interpolating methods keep the ordinates as A.
  switch (FInterpolationMethod) {
  case TGvInterpolationMethod::Akima:
    CalcAkima();
    break;
  case TGvInterpolationMethod::CubicSpline:
    CalcCubicSpline();
    break;
  case TGvInterpolationMethod::ApproximativeSpline: {
    const std::vector<double> Ys = std::move(FA);
    FA = {};
    CalcApproximativeSpline(Ys, W);
    break;
  }
  }
  ContinueLastPiece();
  if (!AllFinite(FA) || !AllFinite(FB) || !AllFinite(FC) || !AllFinite(FD))
    throw EMathError(QStringLiteral("Floating point overflow"));
}

TGvInterpolationCalculation::TPieces TGvInterpolationCalculation::PiecesToFill()
{
  const std::size_t N = FX.size();
  FB.resize(N);
  FC.resize(N);
  FD.resize(N);
  return {N, FX.data(), FA.data(), FB.data(), FC.data(), FD.data()};
}

// Akima: node slopes from the two chord slopes on each side, with two chords
// added at each end by extending the chord slopes linearly. One pass over the
// nodes with the four chord slopes around the node in hand: the slope of node
// i + 1 finishes the piece of node i.
void TGvInterpolationCalculation::CalcAkima()
{
  const TPieces Pieces = PiecesToFill();
  const std::size_t N = Pieces.N;
  const double *X = Pieces.X, *Y = Pieces.Y;
  double *B = Pieces.B, *C = Pieces.C, *D = Pieces.D;
  const auto Chord = [&](std::size_t I) { return (Y[I + 1] - Y[I]) / (X[I + 1] - X[I]); };
  // m(n-3) and m(n-2), for the two chords added at the end.
  const double MEnd3 = Chord(N - 3), MEnd2 = Chord(N - 2);
  const double MEnd1 = 2 * MEnd2 - MEnd3;
  const double MEnd0 = 2 * MEnd1 - MEnd2;
  // The chord slope m(i) for -2 <= i <= n.
  const auto Slope = [&](std::ptrdiff_t I) {
    if (I <= std::ptrdiff_t(N) - 2) return Chord(std::size_t(I));
    return I == std::ptrdiff_t(N) - 1 ? MEnd1 : MEnd0;
  };
  const double M0 = Chord(0), M1 = Chord(1);
  const double Mm1 = 2 * M0 - M1;
  double Mw[4] = {2 * Mm1 - M0, Mm1, M0, M1}; // m(i-2), m(i-1), m(i), m(i+1)
  double TPrev = 0;
  for (std::size_t I = 0; I < N; ++I) {
    const double W1 = std::fabs(Mw[3] - Mw[2]), W2 = std::fabs(Mw[1] - Mw[0]);
    const double T = W1 + W2 == 0 ? 0.5 * (Mw[2] + Mw[3]) : (W1 * Mw[1] + W2 * Mw[2]) / (W1 + W2);
    B[I] = T;
    if (I > 0) {
      // The piece of node i-1, whose chord slope m(i-1) is Mw[1].
      const double H = X[I] - X[I - 1];
      C[I - 1] = (3 * Mw[1] - 2 * TPrev - T) / H;
      D[I - 1] = (TPrev + T - 2 * Mw[1]) / (H * H);
    }
    TPrev = T;
    Mw[0] = Mw[1];
    Mw[1] = Mw[2];
    Mw[2] = Mw[3];
    if (I + 1 < N) Mw[3] = Slope(std::ptrdiff_t(I) + 2);
  }
  C[N - 1] = D[N - 1] = 0;
}

// Not-a-knot cubic spline: the second and the last-but-one node are no knots
// (the third derivative is continuous there). The tridiagonal system for C at
// the inner nodes is built and reduced in one forward pass (Thomas algorithm,
// no pivoting), with the reduced super-diagonal kept in D until the back
// substitution; a last pass makes B and D. No array beyond the coefficients.
void TGvInterpolationCalculation::CalcCubicSpline()
{
  const TPieces Pieces = PiecesToFill();
  const std::size_t N = Pieces.N;
  const double *X = Pieces.X, *Y = Pieces.Y;
  double *B = Pieces.B, *C = Pieces.C, *D = Pieces.D;
  const double H0 = X[1] - X[0], M0 = (Y[1] - Y[0]) / H0;
  const double H1 = X[2] - X[1], M1 = (Y[2] - Y[1]) / H1;
  if (N == 3) {
    // One parabola: C = the second divided difference.
    const double Rhs = 3 * (M1 - M0), Diag = 2 * (H0 + H1);
    C[1] = (Rhs / 3) / (Diag / 2);
    C[0] = C[2] = C[1];
  } else {
    const auto Pivot = [](double P) {
      if (!(std::fabs(P) >= 4.9e-323))
        throw EMathError(QStringLiteral("Matrix is not tridiagonal"));
      return P;
    };
    // Row of node 1: diagonal and upper entry reduced by H0, the right-hand
    // side weighted by H1/(H0 + H1).
    double P = Pivot(2 * (H0 + H1) - H0);
    double U = (H1 - H0) / P;
    double R = 3 * (M1 - M0) * (H1 / (H0 + H1)) / P;
    D[1] = U;
    C[1] = R;
    double Hp = H1, Mp = M1;
    for (std::size_t I = 2; I + 1 < N; ++I) {
      const double H = X[I + 1] - X[I], M = (Y[I + 1] - Y[I]) / H;
      double Sub = Hp, Diag = 2 * (Hp + H), Rhs = 3 * (M - Mp);
      if (I + 2 == N) {
        // Row of node n-2: diagonal and lower entry reduced by h(n-2), the
        // right-hand side weighted by h(n-3)/(h(n-3) + h(n-2)).
        Diag -= H;
        Sub -= H;
        Rhs *= Hp / (Hp + H);
      }
      P = Pivot(Diag - Sub * U);
      U = H / P;
      R = (Rhs - Sub * R) / P;
      D[I] = U;
      C[I] = R;
      Hp = H;
      Mp = M;
    }
    for (std::size_t I = N - 3; I >= 1; --I) C[I] -= D[I] * C[I + 1];
    C[0] = C[1] + (C[1] - C[2]) * H0 / H1;
    C[N - 1] = C[N - 2] + (C[N - 2] - C[N - 3]) * (X[N - 1] - X[N - 2]) / (X[N - 2] - X[N - 3]);
  }
  for (std::size_t I = 0; I + 1 < N; ++I) {
    const double H = X[I + 1] - X[I];
    B[I] = (Y[I + 1] - Y[I]) / H - H * (2 * C[I] + C[I + 1]) / 3;
    D[I] = (C[I + 1] - C[I]) / (3 * H);
  }
  B[N - 1] = D[N - 1] = 0;
}

// Smoothing spline: minimises Σ w_i·(y_i − f(x_i))² + ∫ f''² with
// w = weight·ElasticityFactor, natural at both ends (C = 0). In the usual
// form the five-band system for the inner C reads
//   (T + Qᵀ·P·Q)·c = 3·Qᵀ·y,   a = y − P·Q·c/3,   P = diag(6/w),
// T the spline's tridiagonal matrix and Q the second-difference matrix. With
// weights or an elasticity near 0 (down to 1e-300), or X and Y far from 1,
// its entries overflow. So it is solved here with X mapped to [0, 1] (span L),
// Y divided by its largest magnitude S, and the two terms balanced: with
// P̃ = diag(w_min/w) and μ = w_min·ElasticityFactor·L³/6 the system becomes
//   (α·T + β·Qᵀ·P̃·Q)·ĉ = 3·Qᵀ·y,   α = min(1, μ), β = min(1, 1/μ),
//   c = α·ĉ,   a = y − β·P̃·Q·ĉ/3,
// where every entry is bounded; the coefficients are scaled back at the end.
void TGvInterpolationCalculation::CalcApproximativeSpline(std::span<const double> Y,
                                                          std::span<const double> W)
{
  const std::size_t N = FX.size();
  const double L = FX[N - 1] - FX[0];
  double S = 0;
  for (double V : Y) S = std::max(S, std::fabs(V));
  FA.assign(N, 0.0);
  FB.assign(N, 0.0);
  FC.assign(N, 0.0);
  FD.assign(N, 0.0);
  if (S == 0) return; // all zero: the zero line

  std::vector<double> H(N - 1), R(N - 1), Yn(N), Pt(N);
  for (std::size_t I = 0; I + 1 < N; ++I) {
    H[I] = (FX[I + 1] - FX[I]) / L;
    R[I] = 1.0 / H[I];
  }
  for (std::size_t I = 0; I < N; ++I) Yn[I] = Y[I] / S;
  const double WMin = *std::min_element(W.begin(), W.end());
  for (std::size_t I = 0; I < N; ++I) Pt[I] = WMin / W[I];
  const double LogMu =
      std::log(WMin) + std::log(FElasticityFactor) - std::log(6.0) + 3 * std::log(L);
  const double Alpha = std::exp(std::min(0.0, LogMu)), Beta = std::exp(std::min(0.0, -LogMu));
  const auto Q = [&](std::size_t I) { return R[I - 1] + R[I]; }; // 1 <= I <= N-2

  const std::size_t K = N - 2;
  std::vector<double> Band(K * 5, 0.0), Rhs(K);
  const auto A = [&](std::size_t Row, std::size_t Col) -> double& {
    return Band[Row * 5 + Col + 2 - Row];
  };
  for (std::size_t Row = 0; Row < K; ++Row) {
    const std::size_t Ln = Row; // row Row belongs to node Ln + 1
    A(Row, Row) = Alpha * 2 * (H[Ln] + H[Ln + 1]) +
                  Beta * (Pt[Ln] * R[Ln] * R[Ln] + Q(Ln + 1) * Q(Ln + 1) * Pt[Ln + 1] +
                          Pt[Ln + 2] * R[Ln + 1] * R[Ln + 1]);
    if (Row + 1 < K) {
      const std::size_t Kn = Ln + 1;
      const double V =
          Alpha * H[Kn] - Beta * (Pt[Kn] * R[Kn] * Q(Kn) + R[Kn] * Pt[Kn + 1] * Q(Kn + 1));
      A(Row, Row + 1) = V;
      A(Row + 1, Row) = V;
    }
    if (Row + 2 < K) {
      const std::size_t Jn = Ln + 2;
      const double V = Beta * Pt[Jn] * R[Jn - 1] * R[Jn];
      A(Row, Row + 2) = V;
      A(Row + 2, Row) = V;
    }
    Rhs[Row] = 3 * ((Yn[Ln + 2] - Yn[Ln + 1]) * R[Ln + 1] - (Yn[Ln + 1] - Yn[Ln]) * R[Ln]);
  }
  SolveBandMatrix(K, 2, 2, Rhs, Band);

  std::vector<double> Ch(N, 0.0); // ĉ, natural ends
  for (std::size_t Row = 0; Row < K; ++Row) Ch[Row + 1] = Rhs[Row];
  std::vector<double> An(N);
  An[0] = Yn[0] + Beta * Pt[0] / 3 * R[0] * (Ch[0] - Ch[1]);
  for (std::size_t I = 1; I + 1 < N; ++I)
    An[I] = Yn[I] - Beta * Pt[I] / 3 * (Ch[I - 1] * R[I - 1] - Q(I) * Ch[I] + Ch[I + 1] * R[I]);
  An[N - 1] = Yn[N - 1] - Beta * Pt[N - 1] / 3 * (Ch[N - 2] - Ch[N - 1]) * R[N - 2];

  // Back to the units of X and Y.
  const double FbScale = S / L, FcScale = FbScale / L, FdScale = FcScale / L;
  for (std::size_t I = 0; I < N; ++I) {
    const double Cn = Alpha * Ch[I];
    FA[I] = S * An[I];
    FC[I] = FcScale * Cn;
    if (I + 1 < N) {
      const double Cn1 = Alpha * Ch[I + 1];
      FB[I] = FbScale * ((An[I + 1] - An[I]) * R[I] - H[I] / 3 * (2 * Cn + Cn1));
      FD[I] = FdScale * (R[I] / 3 * (Cn1 - Cn));
    }
  }
}

// The last node takes the last piece re-centred at it: the same cubic goes
// on beyond the last node.
void TGvInterpolationCalculation::ContinueLastPiece()
{
  const std::size_t N = FX.size();
  if (N < 2) return;
  const std::size_t K = N - 2;
  const double H = FX[N - 1] - FX[K];
  FB[N - 1] = FB[K] + H * (2 * FC[K] + 3 * FD[K] * H);
  FC[N - 1] = FC[K] + 3 * FD[K] * H;
  FD[N - 1] = FD[K];
}

// ---- Evaluation ------------------------------------------------------------------

// Walks from the piece of the previous call: ascending (or descending) calls
// such as the samples of a curve across the screen move a step or two, and a
// jump further away is bracketed by doubling steps and then bisected.
std::size_t TGvInterpolationCalculation::FindIndex(double X) const
{
  const std::size_t N = FX.size();
  if (N == 0) return 0;
  const double* P = FX.data();
  if (N < 2 || !(X < P[N - 1])) return FLastIntK = N - 1; // also NaN
  // The piece K, 0 <= K <= N-2, with P[K] <= X (or K = 0) and X < P[K+1].
  std::size_t K = std::min(FLastIntK, N - 2);
  std::size_t Lo, Hi; // P[Lo] <= X or Lo = 0; X < P[Hi]; K in [Lo, Hi)
  if (X < P[K + 1]) {
    if (K == 0 || P[K] <= X) return FLastIntK = K;
    Hi = K;
    for (std::size_t Step = 1;; Step *= 2) {
      if (Step >= Hi) {
        Lo = 0;
        break;
      }
      Lo = Hi - Step;
      if (P[Lo] <= X) break;
      Hi = Lo;
    }
  } else {
    Lo = K + 1;
    if (X < P[Lo + 1]) return FLastIntK = Lo;
    for (std::size_t Step = 2;; Step *= 2) {
      Hi = Lo + Step;
      if (Hi >= N - 1) {
        Hi = N - 1;
        break;
      }
      if (X < P[Hi]) break;
      Lo = Hi;
    }
  }
  return FLastIntK = std::size_t(std::upper_bound(P + Lo + 1, P + Hi, X) - P) - 1;
}

double TGvInterpolationCalculation::Interpolate(double X) const
{
  if (FX.empty()) return 0;
  const std::size_t K = FindIndex(X);
  const double T = X - FX[K];
  const double V = FA[K] + T * (FB[K] + T * (FC[K] + T * FD[K]));
  return std::isfinite(V) ? V : 0.0;
}

double TGvInterpolationCalculation::Curvature(double X) const
{
  if (FX.empty()) return 0;
  const std::size_t K = FindIndex(X);
  const double V = 2 * FC[K] + 6 * FD[K] * (X - FX[K]);
  return std::isfinite(V) ? V : 0.0;
}

const std::vector<TGvDoublePoint>& TGvInterpolationCalculation::Minima() const
{
  if (FSearchExtrema) SearchExtrema();
  return FMinima;
}

const std::vector<TGvDoublePoint>& TGvInterpolationCalculation::Maxima() const
{
  if (FSearchExtrema) SearchExtrema();
  return FMaxima;
}

// Where the derivative B + 2C·t + 3D·t² of a piece vanishes inside it; a
// negative curvature there makes a maximum, any other a minimum. A piece with
// D = 0 is a parabola with its vertex at t = -B/(2C).
void TGvInterpolationCalculation::SearchExtrema() const
{
  FMinima.clear();
  FMaxima.clear();
  FSearchExtrema = false;
  for (std::size_t K = 0; K + 1 < FX.size(); ++K) {
    const double B = FB[K], C = FC[K], D = FD[K], H = FX[K + 1] - FX[K];
    double Roots[2];
    int NRoots = 0;
    if (D == 0) {
      if (C != 0) Roots[NRoots++] = -B / (2 * C);
    } else {
      const double Disc = C * C - 3 * D * B;
      if (Disc < 0) continue;
      const double Sq = std::sqrt(Disc);
      Roots[NRoots++] = (-Sq - C) / (3 * D);
      Roots[NRoots++] = (Sq - C) / (3 * D);
      if (Roots[1] < Roots[0]) std::swap(Roots[0], Roots[1]);
      if (Disc == 0) NRoots = 1;
    }
    for (int I = 0; I < NRoots; ++I) {
      const double T = Roots[I];
      if (!(T >= 0 && T < H)) continue;
      const double X = FX[K] + T;
      if (!(X < FX[K + 1])) continue;
      const double Y = FA[K] + T * (B + T * (C + T * D));
      const TGvDoublePoint P{X, std::isfinite(Y) ? Y : 0.0};
      if (2 * C + 6 * D * T < 0)
        FMaxima.push_back(P);
      else
        FMinima.push_back(P);
    }
  }
}
