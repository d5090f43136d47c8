#include "chart/GvMath.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace {

// The exponent and the mantissa digits of |x| in exponent notation with
// Digits significant digits (to_chars rounds correctly, ties to even).
int Scientific(double x, int Digits, char* Mantissa, int& MantissaLength)
{
  char Buffer[64];
  const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, std::fabs(x),
                               std::chars_format::scientific, Digits - 1);
  MantissaLength = 0;
  const char* P = Buffer;
  for (; P < R.ptr && *P != 'e'; ++P)
    if (*P >= '0' && *P <= '9') Mantissa[MantissaLength++] = *P;
  int Exponent = 0;
  if (P < R.ptr) std::from_chars(P + (P[1] == '+' ? 2 : 1), R.ptr, Exponent);
  return Exponent;
}

} // namespace

int Real10thExponent(double x)
{
  if (x == 0 || !std::isfinite(x)) return 0;
  char Mantissa[32];
  int Length;
  return Scientific(x, 7, Mantissa, Length);
}

int LastSignificant(double x)
{
  if (x == 0 || !std::isfinite(x)) return 0;
  char Mantissa[32];
  int Length;
  Scientific(x, 15, Mantissa, Length);
  while (Length > 1 && Mantissa[Length - 1] == '0') --Length;
  return Length;
}

double Power10(int e)
{
  static constexpr double Exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (e >= 0 && e <= 22) return Exact[e];
  if (e < 0 && e >= -22) return 1.0 / Exact[-e];
  return std::pow(10.0, double(e));
}

double RoundHalfEvenF(double Value)
{
  // nearbyint rounds in the current rounding mode, which is to nearest with
  // ties to even unless someone changed it; do it by hand to be independent.
  if (!std::isfinite(Value)) return Value;
  const double Floor = std::floor(Value);
  const double Diff = Value - Floor;
  if (Diff > 0.5) return Floor + 1;
  if (Diff < 0.5) return Floor;
  return std::fmod(Floor, 2.0) == 0 ? Floor : Floor + 1;
}

namespace {

double RoundTo(int RangeExponent, double Step, double Value, double Bias)
{
  const double S = Step * Power10(RangeExponent);
  if (S == 0 || !std::isfinite(S) || !std::isfinite(Value)) return Value;
  const double Q = Value / S;
  // Beyond 2^52 every double is an integer already.
  if (!std::isfinite(Q) || std::fabs(Q) > 4.5e15) return Value;
  const double R = S * RoundHalfEvenF(Q + Bias);
  return std::isfinite(R) ? R : Value;
}

} // namespace

double RoundUp(int RangeExponent, double Step, double Value)
{
  return RoundTo(RangeExponent, Step, Value, 0.499999);
}

double RoundDown(int RangeExponent, double Step, double Value)
{
  return RoundTo(RangeExponent, Step, Value, -0.499999);
}

double ClampFinite(double Value, double Lo, double Hi)
{
  if (std::isnan(Value)) return Lo;
  return Value < Lo ? Lo : Value > Hi ? Hi : Value;
}

// ---- Calculation data, solvers, sorting and smoothing ----

// ---- TGvCalculationData ----------------------------------------------------

std::size_t TGvCalculationData::Count() const
{
  std::size_t N = std::min(X.size(), Y.size());
  if (!Weight.empty()) N = std::min(N, Weight.size());
  if (!Valid.empty()) N = std::min(N, Valid.size());
  return N;
}

void TGvCalculationData::CheckVectors() const
{
  if (!HasX) throw EMathError(QString::fromLatin1(GvCalcMessages::NoXVector));
  if (!HasY) throw EMathError(QString::fromLatin1(GvCalcMessages::NoYVector));
}

// ---- Solvers ---------------------------------------------------------------

void SolveTridiagonalEquationSystem(std::size_t N, std::span<const double> Sub,
                                    std::span<const double> Diag, std::span<double> Rhs,
                                    std::span<const double> Super)
{
  if (N < 2) throw EMathError(QStringLiteral("Not enough data, matrix is to small to solve"));
  if (Sub.size() < N || Diag.size() < N || Rhs.size() < N || Super.size() < N)
    throw std::invalid_argument("SolveTridiagonalEquationSystem: arrays shorter than n");
  // Forward sweep: U holds the reduced super-diagonal.
  std::vector<double> U(N);
  const auto Pivot = [](double P) {
    if (!(std::fabs(P) >= 4.9e-323)) throw EMathError(QStringLiteral("Matrix is not tridiagonal"));
    return P;
  };
  double P = Pivot(Diag[0]);
  U[0] = Super[0] / P;
  Rhs[0] = Rhs[0] / P;
  for (std::size_t I = 1; I < N; ++I) {
    P = Pivot(Diag[I] - Sub[I] * U[I - 1]);
    U[I] = I + 1 < N ? Super[I] / P : 0.0;
    Rhs[I] = (Rhs[I] - Sub[I] * Rhs[I - 1]) / P;
  }
  for (std::size_t I = N - 1; I-- > 0;) Rhs[I] -= U[I] * Rhs[I + 1];
}

void SolveBandMatrix(std::size_t N, int Lower, int Upper, std::span<double> Rhs,
                     std::span<double> Matrix)
{
  if (Lower < 0 || Upper < 0)
    throw EMathError(QStringLiteral("The dimension of the matrix must be positive"));
  if (N < 3 || N < std::size_t(Lower) + std::size_t(Upper))
    throw EMathError(QStringLiteral("Not enough data points to calculate function"));
  const std::size_t L = std::size_t(Lower), R = std::size_t(Upper), W = L + 1 + R;
  if (Rhs.size() < N || Matrix.size() / W < N)
    throw std::invalid_argument("SolveBandMatrix: arrays shorter than the matrix");
  const auto A = [&](std::size_t I, std::size_t J) -> double& { return Matrix[I * W + J + L - I]; };

  // Elimination below the diagonal, carried into the right-hand side.
  for (std::size_t K = 0; K < N; ++K) {
    const double Pivot = A(K, K);
    if (Pivot == 0.0) continue; // left unreduced
    const std::size_t IEnd = std::min(N - 1, K + L), JEnd = std::min(N - 1, K + R);
    for (std::size_t I = K + 1; I <= IEnd; ++I) {
      const double F = A(I, K) / Pivot;
      if (F == 0.0) continue;
      A(I, K) = 0.0;
      for (std::size_t J = K + 1; J <= JEnd; ++J) A(I, J) -= F * A(K, J);
      Rhs[I] -= F * Rhs[K];
    }
  }
  // Back substitution over the upper band.
  for (std::size_t I = N; I-- > 0;) {
    double S = Rhs[I];
    const std::size_t JEnd = std::min(N - 1, I + R);
    for (std::size_t J = I + 1; J <= JEnd; ++J) S -= A(I, J) * Rhs[J];
    const double Pivot = A(I, I);
    if (Pivot == 0.0) throw EMathError(QStringLiteral("Floating point division by zero"));
    Rhs[I] = S / Pivot;
  }
}

// ---- Sorting ---------------------------------------------------------------

namespace {

// Ascending with NaN after every number: a strict weak order also with NaN.
inline bool LessNaNLast(double A, double B)
{
  return A < B || (!std::isnan(A) && std::isnan(B));
}

void CheckSortRange(std::ptrdiff_t Lo, std::ptrdiff_t Hi, std::size_t Size)
{
  if (Lo < 0 || Hi >= std::ptrdiff_t(Size))
    throw std::invalid_argument("QuickSort: range outside the arrays");
}

// Applies the order to V[Lo .. Lo+Order.size()-1].
void Permute(std::span<double> V, std::ptrdiff_t Lo, const std::vector<std::size_t>& Order,
             std::vector<double>& Tmp)
{
  Tmp.resize(Order.size());
  for (std::size_t I = 0; I < Order.size(); ++I) Tmp[I] = V[std::size_t(Lo) + Order[I]];
  std::copy(Tmp.begin(), Tmp.end(), V.begin() + Lo);
}

void SortCarrying(std::ptrdiff_t Lo, std::ptrdiff_t Hi, std::span<double> X,
                  std::initializer_list<std::span<double>> Others)
{
  if (Hi <= Lo) return;
  CheckSortRange(Lo, Hi, X.size());
  for (const auto& O : Others) CheckSortRange(Lo, Hi, O.size());
  const auto Order = SortedOrder(X.subspan(std::size_t(Lo), std::size_t(Hi - Lo + 1)));
  std::vector<double> Tmp;
  Permute(X, Lo, Order, Tmp);
  for (const auto& O : Others) Permute(O, Lo, Order, Tmp);
}

} // namespace

std::vector<std::size_t> SortedOrder(std::span<const double> X)
{
  std::vector<std::size_t> Order(X.size());
  std::iota(Order.begin(), Order.end(), std::size_t(0));
  // Introsort on (value, index): O(n log n) at worst, stable through the index.
  std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) {
    if (LessNaNLast(X[A], X[B])) return true;
    if (LessNaNLast(X[B], X[A])) return false;
    return A < B;
  });
  return Order;
}

void QuickSortYtoX(std::ptrdiff_t Lo, std::ptrdiff_t Hi, std::span<double> X, std::span<double> Y)
{
  SortCarrying(Lo, Hi, X, {Y});
}

void QuickSortYWtoX(std::ptrdiff_t Lo, std::ptrdiff_t Hi, std::span<double> X, std::span<double> W,
                    std::span<double> Y)
{
  SortCarrying(Lo, Hi, X, {W, Y});
}

// ---- Smoothing kernel ------------------------------------------------------

void Smooth(double M, std::span<const double> X, std::span<double> Y)
{
  const std::size_t N = std::min(X.size(), Y.size());
  if (N < 3 || !(M > 0)) return;
  std::vector<double> Out(N);
  std::size_t Lo = 0, Hi = 0;
  for (std::size_t I = 0; I < N; ++I) {
    while (Lo < I && X[I] - X[Lo] >= M) ++Lo;
    if (Hi < I) Hi = I;
    while (Hi + 1 < N && X[Hi + 1] - X[I] < M) ++Hi;
    double Sum = 0, SumG = 0;
    for (std::size_t J = Lo; J <= Hi; ++J) {
      const double G = 1.0 - std::fabs(X[I] - X[J]) / M;
      if (G > 0) {
        Sum += G * Y[J];
        SumG += G;
      }
    }
    // The point itself always has G = 1.
    Out[I] = SumG > 0 ? Sum / SumG : Y[I];
  }
  std::copy(Out.begin(), Out.end(), Y.begin());
}
