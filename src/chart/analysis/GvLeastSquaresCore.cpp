#include "chart/analysis/GvLeastSquaresCore.h"

#include "chart/GvComponent.h"

#include <algorithm>
#include <cfloat>
#include <iterator>

namespace GvLsq {

namespace {
constexpr int BlockRows = 64;

// The reduction of TLeastSquares::Reduce for P columns known when compiling:
// column J's running sums are local and the loops over the columns unroll, so
// that the sums stay in registers through the pass over the block rows. The
// same operations in the same order as the general one.
template <int P, int J> void ReduceColumn(TReal* R, TReal* Qtb, TReal* Block, TReal* BlockB, int M)
{
  if constexpr (J < P) {
    constexpr int NS = P - J; // S[0 .. NS-2]: columns J+1 .. P-1; S[NS-1]: the right-hand side
    TReal Norm2 = 0;
    TReal S[NS] = {};
    for (int I = 0; I < M; ++I) {
      const TReal* BRow = Block + std::size_t(I) * P;
      const TReal Vi = BRow[J];
      if (Vi == 0) continue;
      Norm2 += Vi * Vi;
      for (int K = 0; K + 1 < NS; ++K) S[K] += Vi * BRow[J + 1 + K];
      S[NS - 1] += Vi * BlockB[I];
    }
    if (Norm2 != 0) {
      TReal& Rjj = R[std::size_t(J) * P + J];
      const TReal Rv = Rjj;
      const TReal Norm = std::sqrt(Rv * Rv + Norm2);
      const TReal Alpha = Rv >= 0 ? -Norm : Norm;
      const TReal V0 = Rv - Alpha;
      const TReal Beta = Norm * (Norm + std::fabs(Rv));
      TReal* RRow = R + std::size_t(J) * P;
      for (int K = 0; K + 1 < NS; ++K) {
        S[K] = (S[K] + V0 * RRow[J + 1 + K]) / Beta;
        RRow[J + 1 + K] -= S[K] * V0;
      }
      S[NS - 1] = (S[NS - 1] + V0 * Qtb[J]) / Beta;
      Qtb[J] -= S[NS - 1] * V0;
      Rjj = Alpha;
      for (int I = 0; I < M; ++I) {
        TReal* BRow = Block + std::size_t(I) * P;
        const TReal Vi = BRow[J];
        if (Vi == 0) continue;
        for (int K = 0; K + 1 < NS; ++K) BRow[J + 1 + K] -= S[K] * Vi;
        BlockB[I] -= S[NS - 1] * Vi;
        BRow[J] = 0;
      }
    }
    ReduceColumn<P, J + 1>(R, Qtb, Block, BlockB, M);
  }
}

template <int P> void ReduceFixed(TReal* R, TReal* Qtb, TReal* Block, TReal* BlockB, int M)
{
  ReduceColumn<P, 0>(R, Qtb, Block, BlockB, M);
}

} // namespace

TLeastSquares::TLeastSquares(int P)
    : FP(P), FR(std::size_t(P) * P, 0), FQtb(std::size_t(P), 0),
      FBlock(std::size_t(BlockRows) * P, 0), FBlockB(BlockRows, 0)
{
}

void TLeastSquares::AddRow(const TReal* Row, TReal B)
{
  std::copy(Row, Row + FP, FBlock.begin() + std::ptrdiff_t(FBlockRows) * FP);
  FBlockB[FBlockRows] = B;
  if (++FBlockRows == BlockRows) Reduce();
}

// Householder reflections that zero the block below R, column by column. The
// reflection of column j touches row j of R and the block rows only, since
// the rows of R below j are zero in that column.
void TLeastSquares::Reduce()
{
  const int P = FP, M = FBlockRows;
  if (M == 0) return;
  std::vector<TReal> S(std::size_t(P) + 1, 0);
  for (int J = 0; J < P; ++J) {
    // Pass 1: the squared norm of the block column and its products with the
    // columns to the right (and with the right-hand side, kept in S[P]).
    TReal Norm2 = 0;
    std::fill(S.begin() + J + 1, S.end(), TReal(0));
    for (int I = 0; I < M; ++I) {
      const TReal* BRow = &FBlock[std::size_t(I) * P];
      const TReal Vi = BRow[J];
      if (Vi == 0) continue;
      Norm2 += Vi * Vi;
      for (int C = J + 1; C < P; ++C) S[C] += Vi * BRow[C];
      S[P] += Vi * FBlockB[I];
    }
    if (Norm2 == 0) continue; // nothing below R in this column
    TReal& Rjj = FR[std::size_t(J) * P + J];
    const TReal R = Rjj;
    const TReal Norm = std::sqrt(R * R + Norm2);
    const TReal Alpha = R >= 0 ? -Norm : Norm;
    const TReal V0 = R - Alpha;
    const TReal Beta = Norm * (Norm + std::fabs(R)); // half of v^T v
    // S now becomes the factors of the reflection for each column.
    TReal* RRow = &FR[std::size_t(J) * P];
    for (int C = J + 1; C < P; ++C) {
      S[C] = (S[C] + V0 * RRow[C]) / Beta;
      RRow[C] -= S[C] * V0;
    }
    S[P] = (S[P] + V0 * FQtb[J]) / Beta;
    FQtb[J] -= S[P] * V0;
    Rjj = Alpha;
    // Pass 2: the block rows.
    for (int I = 0; I < M; ++I) {
      TReal* BRow = &FBlock[std::size_t(I) * P];
      const TReal Vi = BRow[J];
      if (Vi == 0) continue;
      for (int C = J + 1; C < P; ++C) BRow[C] -= S[C] * Vi;
      FBlockB[I] -= S[P] * Vi;
      BRow[J] = 0;
    }
  }
  FBlockRows = 0;
}

TSolution TLeastSquares::Solve()
{
  Reduce();
  const int P = FP;
  for (const TReal V : FR)
    if (!std::isfinite(V)) throw EGvError("Floating point overflow");
  for (const TReal V : FQtb)
    if (!std::isfinite(V)) throw EGvError("Floating point overflow");

  // Columns scaled to unit length; the scale does not change the solution but
  // makes the threshold on the singular values independent of the units.
  std::vector<TReal> D(std::size_t(P), 1);
  for (int J = 0; J < P; ++J) {
    TReal Sum = 0;
    for (int I = 0; I <= J; ++I) Sum += FR[std::size_t(I) * P + J] * FR[std::size_t(I) * P + J];
    if (Sum > 0) D[J] = std::sqrt(Sum);
  }
  std::vector<TReal> U(std::size_t(P) * P, 0), W(std::size_t(P), 0), V(std::size_t(P) * P, 0);
  for (int I = 0; I < P; ++I)
    for (int J = 0; J < P; ++J) U[std::size_t(I) * P + J] = FR[std::size_t(I) * P + J] / D[J];

  TSolution Sol;
  Sol.Converged = SingularValueDecomposition<TReal>(U.data(), P, P, W.data(), V.data());
  const TReal WMax = *std::max_element(W.begin(), W.end());
  const TReal Threshold = WMax * TReal(P + 1) * TReal(DBL_EPSILON);
  std::vector<TReal> T(std::size_t(P), 0);
  for (int J = 0; J < P; ++J) {
    if (!(W[J] > Threshold)) continue;
    ++Sol.Rank;
    TReal Sum = 0;
    for (int I = 0; I < P; ++I) Sum += U[std::size_t(I) * P + J] * FQtb[I];
    T[J] = Sum / W[J];
  }
  Sol.Coeffs.assign(std::size_t(P), 0);
  Sol.Deltas.assign(std::size_t(P), 0);
  for (int I = 0; I < P; ++I) {
    TReal C = 0, Var = 0;
    for (int J = 0; J < P; ++J) {
      if (!(W[J] > Threshold)) continue;
      const TReal Vij = V[std::size_t(I) * P + J];
      C += Vij * T[J];
      Var += Vij * Vij / (W[J] * W[J]);
    }
    Sol.Coeffs[I] = C / D[I];
    Sol.Deltas[I] = std::sqrt(Var) / D[I];
  }
  return Sol;
}

} // namespace GvLsq
