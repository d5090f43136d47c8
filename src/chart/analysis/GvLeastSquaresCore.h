// The numerical core shared by the linear fits: the singular value
// decomposition and an orthogonal least-squares solver that takes its rows one
// at a time.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace GvLsq {

// The working precision of the solver: the extended precision of the
// platform's long double where it has one.
using TReal = long double;

// |Magnitude| with the sign of SignOf.
template <class Real> inline Real WithSignOf(Real Magnitude, Real SignOf)
{
  return SignOf >= 0 ? std::fabs(Magnitude) : -std::fabs(Magnitude);
}

// sqrt(a^2 + b^2) without overflow or underflow on the way.
template <class Real> inline Real Pythag(Real A, Real B)
{
  const Real Aa = std::fabs(A), Ab = std::fabs(B);
  if (Aa > Ab) {
    const Real R = Ab / Aa;
    return Aa * std::sqrt(1 + R * R);
  }
  if (Ab == 0) return 0;
  const Real R = Aa / Ab;
  return Ab * std::sqrt(1 + R * R);
}

// Golub-Reinsch singular value decomposition of the M x N matrix A (row by
// row, M >= N) in place: A becomes U, W the N singular values (non-negative),
// V (N x N, row by row) the right singular vectors. At most 31 sweeps per
// singular value; false when one of them did not converge.
template <class Real> bool SingularValueDecomposition(Real* A, int M, int N, Real* W, Real* V)
{
  auto a = [&](int R, int C) -> Real& { return A[std::size_t(R) * N + C]; };
  auto v = [&](int R, int C) -> Real& { return V[std::size_t(R) * N + C]; };
  std::vector<Real> Rv1(std::size_t(N), 0);
  bool Converged = true;
  Real G = 0, Scale = 0, ANorm = 0;
  int L = 0;

  // Householder reduction to bidiagonal form.
  for (int I = 0; I < N; ++I) {
    L = I + 1;
    Rv1[I] = Scale * G;
    G = 0;
    Real S = 0;
    Scale = 0;
    if (I < M) {
      for (int K = I; K < M; ++K) Scale += std::fabs(a(K, I));
      if (Scale != 0) {
        for (int K = I; K < M; ++K) {
          a(K, I) /= Scale;
          S += a(K, I) * a(K, I);
        }
        const Real F = a(I, I);
        G = -WithSignOf(std::sqrt(S), F);
        const Real H = F * G - S;
        a(I, I) = F - G;
        for (int J = L; J < N; ++J) {
          Real Sum = 0;
          for (int K = I; K < M; ++K) Sum += a(K, I) * a(K, J);
          const Real Fk = Sum / H;
          for (int K = I; K < M; ++K) a(K, J) += Fk * a(K, I);
        }
        for (int K = I; K < M; ++K) a(K, I) *= Scale;
      }
    }
    W[I] = Scale * G;
    G = 0;
    S = 0;
    Scale = 0;
    if (I < M && I != N - 1) {
      for (int K = L; K < N; ++K) Scale += std::fabs(a(I, K));
      if (Scale != 0) {
        for (int K = L; K < N; ++K) {
          a(I, K) /= Scale;
          S += a(I, K) * a(I, K);
        }
        const Real F = a(I, L);
        G = -WithSignOf(std::sqrt(S), F);
        const Real H = F * G - S;
        a(I, L) = F - G;
        for (int K = L; K < N; ++K) Rv1[K] = a(I, K) / H;
        for (int J = L; J < M; ++J) {
          Real Sum = 0;
          for (int K = L; K < N; ++K) Sum += a(J, K) * a(I, K);
          for (int K = L; K < N; ++K) a(J, K) += Sum * Rv1[K];
        }
        for (int K = L; K < N; ++K) a(I, K) *= Scale;
      }
    }
    ANorm = std::max(ANorm, std::fabs(W[I]) + std::fabs(Rv1[I]));
  }

  // Accumulation of the right-hand transformations.
  for (int I = N - 1; I >= 0; --I) {
    if (I < N - 1) {
      if (G != 0) {
        for (int J = L; J < N; ++J) v(J, I) = (a(I, J) / a(I, L)) / G;
        for (int J = L; J < N; ++J) {
          Real Sum = 0;
          for (int K = L; K < N; ++K) Sum += a(I, K) * v(K, J);
          for (int K = L; K < N; ++K) v(K, J) += Sum * v(K, I);
        }
      }
      for (int J = L; J < N; ++J) v(I, J) = v(J, I) = 0;
    }
    v(I, I) = 1;
    G = Rv1[I];
    L = I;
  }

  // Accumulation of the left-hand transformations.
  for (int I = std::min(M, N) - 1; I >= 0; --I) {
    L = I + 1;
    G = W[I];
    for (int J = L; J < N; ++J) a(I, J) = 0;
    if (G != 0) {
      G = 1 / G;
      for (int J = L; J < N; ++J) {
        Real Sum = 0;
        for (int K = L; K < M; ++K) Sum += a(K, I) * a(K, J);
        const Real F = (Sum / a(I, I)) * G;
        for (int K = I; K < M; ++K) a(K, J) += F * a(K, I);
      }
      for (int J = I; J < M; ++J) a(J, I) *= G;
    } else {
      for (int J = I; J < M; ++J) a(J, I) = 0;
    }
    a(I, I) += 1;
  }

  // Diagonalisation of the bidiagonal form by implicitly shifted QR sweeps.
  for (int K = N - 1; K >= 0; --K) {
    for (int Its = 0; Its <= 30; ++Its) {
      bool Flag = true;
      int Nm = 0;
      for (L = K; L >= 0; --L) {
        Nm = L - 1;
        if (std::fabs(Rv1[L]) + ANorm == ANorm) {
          Flag = false;
          break;
        }
        if (std::fabs(W[Nm]) + ANorm == ANorm) break;
      }
      if (Flag) {
        // Cancellation of Rv1[L].
        Real C = 0, S = 1;
        for (int I = L; I <= K; ++I) {
          const Real F = S * Rv1[I];
          Rv1[I] = C * Rv1[I];
          if (std::fabs(F) + ANorm == ANorm) break;
          const Real Gi = W[I];
          Real H = Pythag(F, Gi);
          W[I] = H;
          H = 1 / H;
          C = Gi * H;
          S = -F * H;
          for (int J = 0; J < M; ++J) {
            const Real Y = a(J, Nm), Z = a(J, I);
            a(J, Nm) = Y * C + Z * S;
            a(J, I) = Z * C - Y * S;
          }
        }
      }
      Real Z = W[K];
      if (L == K) {
        if (Z < 0) {
          W[K] = -Z;
          for (int J = 0; J < N; ++J) v(J, K) = -v(J, K);
        }
        break;
      }
      if (Its == 30) {
        Converged = false;
        break;
      }
      // Shift from the bottom 2 x 2 minor.
      Real X = W[L];
      Nm = K - 1;
      Real Y = W[Nm];
      Real Gs = Rv1[Nm];
      Real H = Rv1[K];
      Real F = ((Y - Z) * (Y + Z) + (Gs - H) * (Gs + H)) / (2 * H * Y);
      Gs = Pythag(F, Real(1));
      F = ((X - Z) * (X + Z) + H * ((Y / (F + WithSignOf(Gs, F))) - H)) / X;
      // The next QR transformation.
      Real C = 1, S = 1;
      for (int J = L; J <= Nm; ++J) {
        const int I = J + 1;
        Gs = Rv1[I];
        Y = W[I];
        H = S * Gs;
        Gs = C * Gs;
        Z = Pythag(F, H);
        Rv1[J] = Z;
        C = F / Z;
        S = H / Z;
        F = X * C + Gs * S;
        Gs = Gs * C - X * S;
        H = Y * S;
        Y *= C;
        for (int Jj = 0; Jj < N; ++Jj) {
          const Real Xv = v(Jj, J), Zv = v(Jj, I);
          v(Jj, J) = Xv * C + Zv * S;
          v(Jj, I) = Zv * C - Xv * S;
        }
        Z = Pythag(F, H);
        W[J] = Z;
        if (Z != 0) {
          Z = 1 / Z;
          C = F * Z;
          S = H * Z;
        }
        F = C * Gs + S * Y;
        X = C * Y - S * Gs;
        for (int Jj = 0; Jj < M; ++Jj) {
          const Real Ya = a(Jj, J), Za = a(Jj, I);
          a(Jj, J) = Ya * C + Za * S;
          a(Jj, I) = Za * C - Ya * S;
        }
      }
      Rv1[L] = 0;
      Rv1[K] = F;
      W[K] = X;
    }
  }
  return Converged;
}

// The result of a least-squares solve.
struct TSolution
{
  std::vector<TReal> Coeffs;
  // Square roots of the diagonal of (A^T A)^-1 (pseudo-inverse where rank
  // deficient).
  std::vector<TReal> Deltas;
  int Rank = 0;
  bool Converged = true;
};

// Least squares min |A c - b| over rows added one at a time. The rows are
// gathered in blocks and reduced by Householder reflections into the upper
// triangular R and Q^T b, so memory stays at a few blocks whatever the number
// of rows. Solve scales the columns of R to unit length and solves through the
// singular value decomposition of the scaled R; singular values below
// (P + 1) * DBL_EPSILON times the largest count as 0.
class TLeastSquares
{
public:
  explicit TLeastSquares(int P);

  void AddRow(const TReal* Row, TReal B);
  TSolution Solve();

private:
  void Reduce();

  int FP;
  int FBlockRows = 0;
  std::vector<TReal> FR;     // P x P, upper triangular
  std::vector<TReal> FQtb;   // P
  std::vector<TReal> FBlock; // block rows x P
  std::vector<TReal> FBlockB;
};

} // namespace GvLsq
