// Numeric helpers that the axes and the analysis series share: decimal
// exponents and significant digits of a value, powers of ten, rounding a value
// to a multiple of a step; the points a calculation reads, the linear solvers,
// the sort that carries companion arrays along, and the triangular smoothing
// kernel.
//
// How a calculation gets its points. A function series hands its calculation
// the values through its transformations (Xi, Yi, Wi), which elements take
// part (outliers) and the calculation range. The series layer fills plain
// arrays once per calculation and passes them here as spans:
//
//   std::vector<double> X(n), Y(n), W(n);  std::vector<uint8_t> V(n);
//   for i: X[i] = Calc.Xi(i); Y[i] = Calc.Yi(i); W[i] = Calc.Wi(i); V[i] = Calc.IsValid(i);
//   TGvCalculationData D{X, Y, W, V};
//   D.Start = CalculationStart;  D.Stop = CalculationStop;
//   D.HasX = XVector != nullptr;  D.HasY = YVector != nullptr;
//
// An empty Weight means every weight is 1, an empty Valid means every point
// takes part. The arrays may differ in length: the calculation uses the
// common count, as the series does with its vectors. The same structure
// feeds the Fourier transform, the interpolations, the moving average and
// the fits.
#pragma once

#include "chart/GvComponent.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The largest finite double, the "no value yet" marks of ranges.
constexpr double cGvMaxDouble = 1.7976931348623157e308;

// The decimal exponent of x written in exponent notation with 7 significant
// digits: 9.9999999 is 1.000000E+1 and has exponent 1. 0 for 0 and for values
// that are not finite.
int Real10thExponent(double x);

// The number of mantissa digits of |x| in exponent notation without its
// trailing zeros: 0.25 has 2, 0.1 and 100 have 1. 0 for 0 and for values that
// are not finite. The notation has 15 digits, as many as every double holds
// exactly (with 16, 9.999999 would show its binary error as 9.999999000000001).
int LastSignificant(double x);

// 10 to the power e (exact for |e| <= 22, 0 or infinity far outside the
// double range).
double Power10(int e);

// Value rounded up or down to a multiple of s = Step * 10^RangeExponent:
// up = s * Round(Value / s + 0.499999), down = s * Round(Value / s - 0.499999),
// rounding to nearest with ties to even. The rounding happens in floating
// point, so that large values with a fine step do not overflow an integer. A
// step that is 0 or not finite, or a quotient too large to round, returns the
// value itself.
double RoundUp(int RangeExponent, double Step, double Value);
double RoundDown(int RangeExponent, double Step, double Value);

// Round to nearest, ties to even, in floating point (no integer range limit).
double RoundHalfEvenF(double Value);

// Value limited to [Lo, Hi]; NaN gives Lo.
double ClampFinite(double Value, double Lo, double Hi);

struct TGvCalculationData
{
  std::span<const double> X;
  std::span<const double> Y;
  std::span<const double> Weight;      // empty: every weight is 1; a weight counts by |w|
  std::span<const std::uint8_t> Valid; // empty: every point takes part; else nonzero = takes part
  // The calculation range, compared with X (it also spans the resampling of
  // the Fourier transform).
  double Start = -cGvMaxDouble;
  double Stop = cGvMaxDouble;
  // False when the series has no X (Y) vector at all; a series whose vector
  // is stood in for by its indexer passes the index values and true.
  bool HasX = true;
  bool HasY = true;

  // The smallest count among X, Y and (when given) the weights and the flags.
  std::size_t Count() const;
  double Xi(std::size_t I) const { return X[I]; }
  double Yi(std::size_t I) const { return Y[I]; }
  // |weight| of element i, 1 without weights.
  double Wi(std::size_t I) const { return Weight.empty() ? 1.0 : std::fabs(Weight[I]); }
  // Element i takes part: its flag is set (an element beyond the end of a
  // given Valid array does not), its X, Y and weight are finite (a missing
  // value never reaches a sum) and Start <= X <= Stop.
  bool IsValid(std::size_t I) const
  {
    if (!Valid.empty() && (I >= Valid.size() || Valid[I] == 0)) return false;
    if (I >= X.size() || I >= Y.size()) return false;
    const double Xv = X[I];
    if (!std::isfinite(Xv) || !std::isfinite(Y[I])) return false;
    if (!Weight.empty() && (I >= Weight.size() || !std::isfinite(Weight[I]))) return false;
    return Xv >= Start && Xv <= Stop;
  }
  // Raises EMathError "No X vector defined for calculation" or "No Y vector
  // defined for calculation" for a missing vector.
  void CheckVectors() const;
};

// Messages shared by the calculations.
namespace GvCalcMessages {
inline const char* NoXVector = "No X vector defined for calculation";
inline const char* NoYVector = "No Y vector defined for calculation";
inline const char* NotEnoughPoints = "Not enough data points to calculate function";
} // namespace GvCalcMessages

// Solves the tridiagonal system in place (Thomas algorithm, no pivoting): row i
// reads Sub[i]·x[i-1] + Diag[i]·x[i] + Super[i]·x[i+1] = Rhs[i] (Sub[0] and
// Super[n-1] are not used). The solution replaces Rhs. EMathError: n < 2 "Not
// enough data, matrix is to small to solve"; a pivot of magnitude below 4.9e-323
// "Matrix is not tridiagonal".
void SolveTridiagonalEquationSystem(std::size_t N, std::span<const double> Sub,
                                    std::span<const double> Diag, std::span<double> Rhs,
                                    std::span<const double> Super);

// Solves a band system in place by LU decomposition without pivoting. Matrix
// holds N rows of Lower + 1 + Upper entries each, the diagonal at column
// Lower: A[i][j] is Matrix[i*(Lower+1+Upper) + j - i + Lower]. It is
// overwritten by the decomposition; the solution replaces Rhs. A row whose
// pivot is 0 is left unreduced. EMathError: a negative band width "The
// dimension of the matrix must be positive"; N < 3 or N < Lower + Upper "Not
// enough data points to calculate function"; a zero pivot met in the back
// substitution "Floating point division by zero".
void SolveBandMatrix(std::size_t N, int Lower, int Upper, std::span<double> Rhs,
                     std::span<double> Matrix);

// Sorts X[Lo..Hi] (inclusive) ascending and moves Y (and W) with it. The sort
// is O(n log n) in the worst case, its recursion depth is bounded, and equal X
// keep their order; NaN sorts last.
void QuickSortYtoX(std::ptrdiff_t Lo, std::ptrdiff_t Hi, std::span<double> X, std::span<double> Y);
void QuickSortYWtoX(std::ptrdiff_t Lo, std::ptrdiff_t Hi, std::span<double> X, std::span<double> W,
                    std::span<double> Y);
// The permutation that sorts X ascending, equal values in input order, NaN last.
std::vector<std::size_t> SortedOrder(std::span<const double> X);

// Triangular smoothing of Y over ascending X: every Y[i] becomes the mean of
// the Y[j] with |X[i] - X[j]| < M, weighted by 1 - |X[i] - X[j]|/M. Nothing
// happens with fewer than 3 points or M <= 0.
void Smooth(double M, std::span<const double> X, std::span<double> Y);
