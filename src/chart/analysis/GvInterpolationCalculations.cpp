#include "chart/analysis/GvInterpolationCalculations.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void NotEnoughPoints()
{
  throw EMathError(QStringLiteral("Not enough data points to calculate function"));
}

bool StrictlyAscending(const std::vector<double>& X)
{
  for (std::size_t I = 1; I < X.size(); ++I)
    if (!(X[I] > X[I - 1])) return false;
  return true;
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

  const std::size_t Count = Data.Count();
  std::vector<double> X, Y, W;
  X.reserve(Count);
  Y.reserve(Count);
  if (Approx) W.reserve(Count);
  for (std::size_t I = 0; I < Count; ++I) {
    if (!Data.IsValid(I)) continue;
    const double Wi = Data.Wi(I);
    if (!(Wi > 0) || !std::isfinite(Data.X[I]) || !std::isfinite(Data.Y[I])) continue;
    X.push_back(Data.X[I]);
    Y.push_back(Data.Y[I]);
    if (Approx) W.push_back(Wi);
  }

  if (!StrictlyAscending(X)) {
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

  FX = std::move(X);
  switch (FInterpolationMethod) {
  case TGvInterpolationMethod::Akima:
    FA = std::move(Y); // the interpolating methods keep the ordinates as A
    CalcAkima(FA);
    break;
  case TGvInterpolationMethod::CubicSpline:
    FA = std::move(Y);
    CalcCubicSpline(FA);
    break;
  case TGvInterpolationMethod::ApproximativeSpline:
    CalcApproximativeSpline(Y, W);
    break;
  }
  ContinueLastPiece();
  const auto Finite = [](const std::vector<double>& V) {
    return std::all_of(V.begin(), V.end(), [](double E) { return std::isfinite(E); });
  };
  if (!Finite(FA) || !Finite(FB) || !Finite(FC) || !Finite(FD))
    throw EMathError(QStringLiteral("Floating point overflow"));
}

// Akima: node slopes from the two chord slopes on each side, with two chords
// added at each end by extending the chord slopes linearly.
void TGvInterpolationCalculation::CalcAkima(std::span<const double> Y)
{
  const std::size_t N = FX.size();
  // Sl[i + 2] = m(i), i = -2 … n.
  std::vector<double> Sl(N + 3);
  const auto M = [&](std::ptrdiff_t I) -> double& { return Sl[std::size_t(I + 2)]; };
  const std::ptrdiff_t Last = std::ptrdiff_t(N) - 1;
  for (std::ptrdiff_t I = 0; I < Last; ++I)
    M(I) =
        (Y[std::size_t(I + 1)] - Y[std::size_t(I)]) / (FX[std::size_t(I + 1)] - FX[std::size_t(I)]);
  M(-1) = 2 * M(0) - M(1);
  M(-2) = 2 * M(-1) - M(0);
  M(Last) = 2 * M(Last - 1) - M(Last - 2);
  M(Last + 1) = 2 * M(Last) - M(Last - 1);

  std::vector<double> T(N);
  for (std::ptrdiff_t I = 0; I <= Last; ++I) {
    const double W1 = std::fabs(M(I + 1) - M(I)), W2 = std::fabs(M(I - 1) - M(I - 2));
    T[std::size_t(I)] =
        W1 + W2 == 0 ? 0.5 * (M(I) + M(I + 1)) : (W1 * M(I - 1) + W2 * M(I)) / (W1 + W2);
  }

  FC.assign(N, 0.0);
  FD.assign(N, 0.0);
  for (std::size_t I = 0; I + 1 < N; ++I) {
    const double H = FX[I + 1] - FX[I], Mi = M(std::ptrdiff_t(I));
    FC[I] = (3 * Mi - 2 * T[I] - T[I + 1]) / H;
    FD[I] = (T[I] + T[I + 1] - 2 * Mi) / (H * H);
  }
  FB = std::move(T);
}

// Not-a-knot cubic spline: the second and the last-but-one node are no knots
// (the third derivative is continuous there).
void TGvInterpolationCalculation::CalcCubicSpline(std::span<const double> Y)
{
  const std::size_t N = FX.size();
  std::vector<double> H(N - 1), Mc(N - 1);
  for (std::size_t I = 0; I + 1 < N; ++I) {
    H[I] = FX[I + 1] - FX[I];
    Mc[I] = (Y[I + 1] - Y[I]) / H[I];
  }
  FC.assign(N, 0.0);
  if (N == 3) {
    // One parabola: C = the second divided difference.
    const double Rhs = 3 * (Mc[1] - Mc[0]), Diag = 2 * (H[0] + H[1]);
    FC[1] = (Rhs / 3) / (Diag / 2);
    FC[0] = FC[2] = FC[1];
  } else {
    const std::size_t K = N - 2;
    std::vector<double> Sub(K), Diag(K), Super(K), Rhs(K);
    for (std::size_t R = 0; R < K; ++R) {
      const std::size_t I = R + 1;
      Sub[R] = H[I - 1];
      Diag[R] = 2 * (H[I - 1] + H[I]);
      Super[R] = H[I];
      Rhs[R] = 3 * (Mc[I] - Mc[I - 1]);
    }
    Diag[0] -= H[0];
    Super[0] -= H[0];
    Rhs[0] *= H[1] / (H[0] + H[1]);
    Diag[K - 1] -= H[N - 2];
    Sub[K - 1] -= H[N - 2];
    Rhs[K - 1] *= H[N - 3] / (H[N - 3] + H[N - 2]);
    SolveTridiagonalEquationSystem(K, Sub, Diag, Rhs, Super);
    for (std::size_t R = 0; R < K; ++R) FC[R + 1] = Rhs[R];
    FC[0] = FC[1] + (FC[1] - FC[2]) * H[0] / H[1];
    FC[N - 1] = FC[N - 2] + (FC[N - 2] - FC[N - 3]) * H[N - 2] / H[N - 3];
  }
  FB.assign(N, 0.0);
  FD.assign(N, 0.0);
  for (std::size_t I = 0; I + 1 < N; ++I) {
    FB[I] = Mc[I] - H[I] * (2 * FC[I] + FC[I + 1]) / 3;
    FD[I] = (FC[I + 1] - FC[I]) / (3 * H[I]);
  }
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

std::size_t TGvInterpolationCalculation::FindIndex(double X) const
{
  const std::size_t N = FX.size();
  if (N == 0) return 0;
  if (X >= FX[N - 1]) return N - 1;
  const std::size_t K = FLastIntK;
  if (K + 1 < N && FX[K] <= X && X < FX[K + 1]) return K;
  if (K + 2 < N && FX[K + 1] <= X && X < FX[K + 2]) return FLastIntK = K + 1;
  const auto It = std::upper_bound(FX.begin() + 1, FX.end(), X);
  return FLastIntK = std::size_t(It - FX.begin()) - 1;
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
