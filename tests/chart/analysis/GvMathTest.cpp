// The solvers, the sort and the smoothing kernel that the analysis
// calculations share.
#include "chart/GvMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace {

QString MessageOf(const std::function<void()>& F)
{
  try {
    F();
  } catch (const EMathError& E) {
    return E.Message();
  }
  return QStringLiteral("(no error)");
}

TEST(GvMathSolvers, TridiagonalSystem)
{
  // 2x - y = 1, -x + 2y - z = 0, -y + 2z = 1: x = y = z = 1.
  std::vector<double> Sub = {0, -1, -1}, Diag = {2, 2, 2}, Super = {-1, -1, 0}, Rhs = {1, 0, 1};
  SolveTridiagonalEquationSystem(3, Sub, Diag, Rhs, Super);
  for (double V : Rhs) EXPECT_NEAR(V, 1.0, 1e-15);

  std::vector<double> One = {1};
  EXPECT_EQ(MessageOf([&] { SolveTridiagonalEquationSystem(1, One, One, One, One); }),
            "Not enough data, matrix is to small to solve");
  std::vector<double> Z = {0, 0}, R = {1, 1};
  std::vector<double> Zero = {0, 1};
  EXPECT_EQ(MessageOf([&] { SolveTridiagonalEquationSystem(2, Z, Zero, R, Z); }),
            "Matrix is not tridiagonal");
}

TEST(GvMathSolvers, BandSystemAgainstAKnownSolution)
{
  // A symmetric five-band matrix, diagonally dominant; b = A·x for a known x.
  const std::size_t N = 9;
  std::vector<double> Band(N * 5, 0.0), X(N), B(N, 0.0);
  const auto A = [&](std::size_t I, std::size_t J) -> double& { return Band[I * 5 + J + 2 - I]; };
  for (std::size_t I = 0; I < N; ++I) {
    X[I] = 1.0 + 0.5 * double(I);
    A(I, I) = 6 + double(I % 3);
    if (I + 1 < N) A(I, I + 1) = A(I + 1, I) = -1.5;
    if (I + 2 < N) A(I, I + 2) = A(I + 2, I) = 0.25 * double(I + 1);
  }
  for (std::size_t I = 0; I < N; ++I)
    for (std::size_t J = I >= 2 ? I - 2 : 0; J <= std::min(N - 1, I + 2); ++J)
      B[I] += A(I, J) * X[J];
  SolveBandMatrix(N, 2, 2, B, Band);
  for (std::size_t I = 0; I < N; ++I) EXPECT_NEAR(B[I], X[I], 1e-14) << I;
}

TEST(GvMathSolvers, BandSystemErrors)
{
  std::vector<double> Rhs(4, 1.0), M(4 * 5, 0.0);
  EXPECT_EQ(MessageOf([&] { SolveBandMatrix(4, -1, 2, Rhs, M); }),
            "The dimension of the matrix must be positive");
  EXPECT_EQ(MessageOf([&] { SolveBandMatrix(2, 1, 1, Rhs, M); }),
            "Not enough data points to calculate function");
  EXPECT_EQ(MessageOf([&] { SolveBandMatrix(3, 2, 2, Rhs, M); }),
            "Not enough data points to calculate function");
  // A zero row: its pivot stays 0.
  EXPECT_EQ(MessageOf([&] { SolveBandMatrix(4, 2, 2, Rhs, M); }),
            "Floating point division by zero");
}

TEST(GvMathSort, CarriesCompanionsInOrderOnHardPatterns)
{
  const std::size_t N = 50000;
  std::mt19937_64 Gen(11);
  const std::vector<std::function<double(std::size_t)>> Patterns = {
      [](std::size_t I) { return double(I); },                      // sorted
      [N](std::size_t I) { return double(N - I); },                 // reversed
      [](std::size_t) { return 4.0; },                              // all equal
      [N](std::size_t I) { return double(I < N / 2 ? I : N - I); }, // organ pipe
      [&Gen](std::size_t) { return double(Gen() % 100); },          // many duplicates
  };
  for (std::size_t P = 0; P < Patterns.size(); ++P) {
    std::vector<double> X(N), W(N), Y(N);
    for (std::size_t I = 0; I < N; ++I) {
      X[I] = Patterns[P](I);
      W[I] = -double(I);
      Y[I] = double(I); // the original position
    }
    const std::vector<double> Original = X;
    QuickSortYWtoX(0, std::ptrdiff_t(N) - 1, X, W, Y);
    bool Ok = true;
    for (std::size_t I = 0; I < N && Ok; ++I) {
      const std::size_t From = std::size_t(Y[I]);
      Ok = X[I] == Original[From] && W[I] == -Y[I] &&
           (I == 0 || X[I - 1] < X[I] || (X[I - 1] == X[I] && Y[I - 1] < Y[I]));
    }
    EXPECT_TRUE(Ok) << "pattern " << P;
  }
}

TEST(GvMathSort, SubRangeAndNaN)
{
  std::vector<double> X = {9, 3, NAN, 1, 2, 0}, Y = {0, 1, 2, 3, 4, 5};
  QuickSortYtoX(1, 4, X, Y);
  EXPECT_EQ(X[0], 9);
  EXPECT_EQ(X[1], 1);
  EXPECT_EQ(X[2], 2);
  EXPECT_EQ(X[3], 3);
  EXPECT_TRUE(std::isnan(X[4]));
  EXPECT_EQ(X[5], 0);
  EXPECT_EQ(Y, (std::vector<double>{0, 3, 4, 1, 2, 5}));
}

TEST(GvMathSmooth, TriangularKernel)
{
  std::vector<double> X = {0, 1, 2, 3, 4}, Y = {0, 0, 3, 0, 0};
  Smooth(2, X, Y);
  const double Expected[] = {0, 0.75, 1.5, 0.75, 0};
  for (int I = 0; I < 5; ++I) EXPECT_NEAR(Y[I], Expected[I], 1e-15);
  // Nothing with a range of 0 or fewer than 3 points.
  std::vector<double> Y2 = {0, 0, 3, 0, 0};
  Smooth(0, X, Y2);
  EXPECT_EQ(Y2[2], 3);
  std::vector<double> X3 = {0, 1}, Y3 = {0, 4};
  Smooth(5, X3, Y3);
  EXPECT_EQ(Y3[1], 4);
}

TEST(GvMathCalculationData, CountValidityAndWeights)
{
  const std::vector<double> X = {0, 1, 2, 3}, Y = {5, 6, 7}, W = {1, -2, 3, 4};
  const std::vector<std::uint8_t> V = {1, 0};
  TGvCalculationData D;
  D.X = X;
  D.Y = Y;
  EXPECT_EQ(D.Count(), 3u);
  EXPECT_TRUE(D.IsValid(2));
  EXPECT_EQ(D.Wi(1), 1.0);
  D.Weight = std::span<const double>(W).first(2);
  D.Valid = V;
  EXPECT_EQ(D.Count(), 2u);
  EXPECT_EQ(D.Wi(1), 2.0);
  EXPECT_TRUE(D.IsValid(0));
  EXPECT_FALSE(D.IsValid(1));
  EXPECT_FALSE(D.IsValid(2)); // beyond the given selection
  D.HasX = false;
  EXPECT_EQ(MessageOf([&] { D.CheckVectors(); }), "No X vector defined for calculation");
}

} // namespace
