// The simplex fit: certified nonlinear datasets, the worked cases, the letter
// check, the stopping rules and the failures.
#include "chart/analysis/GvFitting.h"

#include "FitNistData.h"
#include "FitTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

using FitTest::ExpectDigits;
using FitTest::Points;

double Misra1a(const TGvFittingFunctionArgs& A)
{
  return A.Coefficients[0] * (1 - std::exp(-A.Coefficients[1] * A.X));
}

double Thurber(const TGvFittingFunctionArgs& A)
{
  const auto& B = A.Coefficients;
  const double X = A.X;
  return (B[0] + X * (B[1] + X * (B[2] + X * B[3]))) / (1 + X * (B[4] + X * (B[5] + X * B[6])));
}

// Stands in for the parser: the few expressions the tests type, as C++.
TGvFittingFunctionHandler CompileForTest(const QString& E)
{
  static const std::map<QString, TGvFittingFunctionHandler> Models = {
      {"A+B*X",
       [](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] + A.Coefficients[1] * A.X; }},
      {"A+[B]*X",
       [](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] + A.Coefficients[1] * A.X; }},
      {"2*X", [](const TGvFittingFunctionArgs& A) { return 2 * A.X; }},
      {"C*X", [](const TGvFittingFunctionArgs& A) { return A.Coefficients[2] * A.X; }},
  };
  auto It = Models.find(E);
  if (It == Models.end()) throw EGvError("Parsing error in function:\r" + E);
  return It->second;
}

std::string ErrorOf(const std::function<void()>& F)
{
  try {
    F();
  } catch (const EGvError& E) {
    return E.what();
  }
  return "";
}

// ---- Certified datasets -----------------------------------------------------

TEST(FittingCertified, Misra1aFromBothStarts)
{
  const std::vector<double> X(std::begin(Nist::Misra1aX), std::end(Nist::Misra1aX));
  const std::vector<double> Y(std::begin(Nist::Misra1aY), std::end(Nist::Misra1aY));
  const double* Starts[] = {Nist::Misra1aStart1, Nist::Misra1aStart2};
  for (int S = 0; S < 2; ++S) {
    const std::string Name = "Misra1a start " + std::to_string(S + 1);
    TGvSimplexFit F;
    F.SetFittingFunction(Misra1a);
    F.SetCoefs(std::span<const double>(Starts[S], 2));
    F.SetIterations(1000);
    F.Calculate(Points(X, Y));
    ExpectDigits(Name + " b1", F.Coefs()[0], Nist::Misra1aB[0], 8);
    ExpectDigits(Name + " b2", F.Coefs()[1], Nist::Misra1aB[1], 8);
    ExpectDigits(Name + " residual SS", F.SumOfResiduals(), Nist::Misra1aResidualSS, 10);
  }
}

TEST(FittingCertified, ThurberFromBothStarts)
{
  const std::vector<double> X(std::begin(Nist::ThurberX), std::end(Nist::ThurberX));
  const std::vector<double> Y(std::begin(Nist::ThurberY), std::end(Nist::ThurberY));
  const double* Starts[] = {Nist::ThurberStart1, Nist::ThurberStart2};
  for (int S = 0; S < 2; ++S) {
    const std::string Name = "Thurber start " + std::to_string(S + 1);
    TGvSimplexFit F;
    F.SetFittingFunction(Thurber);
    F.SetCoefs(std::span<const double>(Starts[S], 7));
    F.SetIterations(6000);
    F.Calculate(Points(X, Y));
    for (int I = 0; I < 7; ++I)
      ExpectDigits(Name + " b" + std::to_string(I + 1), F.Coefs()[I], Nist::ThurberB[I], 7);
    ExpectDigits(Name + " residual SS", F.SumOfResiduals(), Nist::ThurberResidualSS, 10);
  }
}

// ---- The letter check and the order -------------------------------------------

TEST(FittingExpression, LettersThatStandAlone)
{
  struct TCase
  {
    const char* Expression;
    bool UsesX;
    uint32_t Letters;
    int Order;
  };
  const TCase Cases[] = {
      {"A*EXP(-B*X)", true, 0b11, 2},
      {"A*X^2", true, 0b1, 1},
      {"C*X", true, 0b100, 3},
      {"A * X", true, 0b1, 1},
      {"a*exp(-b*x)", true, 0b11, 2},
      {"2*X", true, 0, 0},
      {"1.5E-3*X+A", true, 0b1, 1}, // the E of a number's exponent is no letter
      {"A*E+X", true, 0b10001, 5},  // E alone is a coefficient
      {"PI*X+A", true, 0b1, 1},     // P inside a name is no letter
      {"A+[B]*X", true, 0b11, 2},   // read as the parser reads it: (B)
      {"SIN([X])*[P]", true, 1u << 15, 16},
      {"A+B", false, 0b11, 2},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Expression);
    const TGvExpressionLetters L = ExpressionLetters(C.Expression);
    EXPECT_EQ(L.UsesX, C.UsesX);
    EXPECT_EQ(L.Coefficients, C.Letters);
    EXPECT_EQ(L.Order, C.Order);
  }
}

TEST(FittingExpression, ExpressionSetsTheOrderOrIsRefused)
{
  TGvSimplexFit F;
  F.SetExpressionCompiler(CompileForTest);
  F.SetExpression("C*X");
  EXPECT_EQ(F.Order(), 3); // A and B are coefficients too
  EXPECT_EQ(ErrorOf([&] { F.SetExpression("2*A"); }),
            "Expression must contain the independent variable X!");
  EXPECT_EQ(F.Expression(), "2*A"); // stored all the same
  EXPECT_EQ(ErrorOf([&] { F.SetExpression("2*X"); }), "Expression must contain a variable a..p!");

  TGvSimplexFit Plain;
  Plain.SetExpressionCompiler(CompileForTest);
  Plain.SetIterations(0);
  Plain.SetExpression("2*X");
  EXPECT_EQ(Plain.Order(), 0);
  Plain.Calculate(TGvCalculationData{}); // no search, no vector checks
  EXPECT_DOUBLE_EQ(Plain.GetY(3), 6);
}

TEST(FittingExpression, LettersBeyondTheOrderAreRefused)
{
  // [B] counts for the letter check as it does for the parser, so the order
  // covers it.
  TGvSimplexFit F;
  F.SetExpressionCompiler(CompileForTest);
  F.SetExpression("A+[B]*X");
  EXPECT_EQ(F.Order(), 2);

  // Lowering the order below the letters used refuses to evaluate instead of
  // reading past the coefficients.
  F.SetOrder(1);
  const std::vector<double> X = {0, 1, 2}, Y = {1, 3, 5};
  EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }),
            "Fitted line: the expression uses coefficient B beyond Order");
  EXPECT_EQ(ErrorOf([&] { F.GetY(1); }),
            "Fitted line: the expression uses coefficient B beyond Order");
  F.SetOrder(2);
  EXPECT_NO_THROW(F.GetY(1));
}

TEST(FittingOrder, BoundedAndKeptAcrossChanges)
{
  TGvSimplexFit F;
  EXPECT_EQ(F.Order(), -1);
  F.SetOrder(2);
  EXPECT_EQ(std::vector<double>(F.Coefs().begin(), F.Coefs().end()),
            (std::vector<double>{0.5, 0.5}));
  const double Two[] = {1, 2};
  F.SetCoefs(Two);
  F.SetOrder(3); // earlier coefficients keep their values, the new one starts at 0.5
  EXPECT_EQ(std::vector<double>(F.Coefs().begin(), F.Coefs().end()),
            (std::vector<double>{1, 2, 0.5}));
  F.SetOrder(1000000);
  EXPECT_EQ(F.Order(), TGvSimplexFit::MaxOrder);
  F.SetOrder(-4);
  EXPECT_EQ(F.Order(), 0);
  const std::vector<double> Many(40, 1.5); // as from a corrupted saved form
  F.SetCoefs(Many);
  EXPECT_EQ(F.Order(), TGvSimplexFit::MaxOrder);
  EXPECT_EQ(int(F.Coefs().size()), TGvSimplexFit::MaxOrder);
}

TEST(FittingOrder, CoefficientReader)
{
  TGvSimplexFit F;
  const double C[] = {1, 2, 3};
  F.SetCoefs(C);
  EXPECT_EQ(F.Coefficient(2), 3);
  EXPECT_THROW(F.Coefficient(3), EGvRangeError);
  EXPECT_THROW(F.Coefficient(-1), EGvRangeError);
  EXPECT_EQ(ErrorOf([&] { F.Coefficient(3); }), "Fitted line: Index of variable out of range");
  F.SetDesignTime(true);
  EXPECT_EQ(F.Coefficient(3), 0);
}

// ---- The search ------------------------------------------------------------------

TEST(FittingSearch, StraightLineThroughThreePoints)
{
  TGvSimplexFit F;
  F.SetExpressionCompiler(CompileForTest);
  F.SetExpression("A+B*X");
  EXPECT_EQ(std::vector<double>(F.Coefs().begin(), F.Coefs().end()),
            (std::vector<double>{0.5, 0.5}));
  const std::vector<double> X = {0, 1, 2}, Y = {1, 3, 5};
  F.Calculate(Points(X, Y));
  EXPECT_NEAR(F.Coefs()[0], 1, 1e-6);
  EXPECT_NEAR(F.Coefs()[1], 2, 1e-6);
  EXPECT_NEAR(F.Probability(), 1, 1e-10);
  EXPECT_DOUBLE_EQ(F.AverageX(), 1);
  EXPECT_DOUBLE_EQ(F.AverageY(), 3);
  EXPECT_DOUBLE_EQ(F.VarianceX(), 1);
  EXPECT_DOUBLE_EQ(F.VarianceY(), 4);
  EXPECT_NEAR(F.GetY(10), 21, 1e-5);
}

TEST(FittingSearch, StoppingRules)
{
  const std::vector<double> X = {1, 2, 3, 4}, Y = {2.1, 3.9, 6.2, 7.8};
  auto Line = [](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] * A.X; };

  // The iteration limit holds: Iterations + 1 iterations at most.
  {
    TGvSimplexFit F;
    F.SetFittingFunction(Line);
    F.SetOrder(1);
    F.SetIterations(50);
    int Calls = 0;
    F.SetOnIteration([&] { ++Calls; });
    F.Calculate(Points(X, Y));
    EXPECT_EQ(Calls, 51);
    EXPECT_EQ(F.CurrentIteration(), -1);
  }
  // StopIterations from OnIteration ends the search after the first one.
  {
    TGvSimplexFit F;
    F.SetFittingFunction(Line);
    F.SetOrder(1);
    int Calls = 0;
    F.SetOnIteration([&] {
      ++Calls;
      F.StopIterations();
    });
    F.Calculate(Points(X, Y));
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(F.CurrentIteration(), F.Iterations() - 1);
  }
  // A residual sum of exactly 0 stops at once.
  {
    const std::vector<double> Exact = {2, 4, 6, 8};
    TGvSimplexFit F;
    F.SetFittingFunction(Line);
    const double Start[] = {2};
    F.SetCoefs(Start);
    int Calls = 0;
    F.SetOnIteration([&] { ++Calls; });
    F.Calculate(Points(X, Exact));
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(F.SumOfResiduals(), 0);
    EXPECT_EQ(F.Coefs()[0], 2);
  }
  // Iterations 0: no search; the curve uses the coefficients as they are and
  // the statistics keep their values.
  {
    TGvSimplexFit F;
    F.SetFittingFunction(Line);
    const double Start[] = {3};
    F.SetCoefs(Start);
    F.SetIterations(0);
    TGvCalculationData NoVectors;
    NoVectors.HasX = NoVectors.HasY = false;
    F.Calculate(NoVectors);
    EXPECT_EQ(F.GetY(2), 6);
    EXPECT_EQ(F.SumOfResiduals(), 1.0);
    EXPECT_EQ(F.Probability(), 1.0);
  }
}

TEST(FittingSearch, StartCoefficientZeroBecomesOne)
{
  TGvSimplexFit F;
  F.SetFittingFunction(
      [](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] + A.Coefficients[1] * A.X; });
  const double Start[] = {0, 0};
  F.SetCoefs(Start);
  F.SetIterations(1);
  std::vector<std::vector<double>> Corners;
  F.SetOnNewCorner([&](std::span<const double> C) { Corners.emplace_back(C.begin(), C.end()); });
  const std::vector<double> X = {0, 1, 2}, Y = {1, 3, 5};
  F.Calculate(Points(X, Y));
  ASSERT_GE(Corners.size(), 3u);
  // The first vertices: each coefficient in turn times 2.05, then the start.
  EXPECT_EQ(Corners[0], (std::vector<double>{2.05, 1}));
  EXPECT_EQ(Corners[1], (std::vector<double>{1, 2.05}));
  EXPECT_EQ(Corners[2], (std::vector<double>{1, 1}));
}

TEST(FittingSearch, ErrorsBeforeTheSearch)
{
  const std::vector<double> X = {1, 2, 3}, Y = {1, 2, 3};
  TGvSimplexFit F;
  EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }),
            "No FittingFunction or Expression defined");
  F.SetFittingFunction([](const TGvFittingFunctionArgs& A) { return A.X; });
  EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }), "SimplexFit: no order set!");
  TGvCalculationData NoX = Points(X, Y);
  NoX.HasX = false;
  EXPECT_EQ(ErrorOf([&] { F.Calculate(NoX); }), "No X vector defined for calculation");
  F.SetOrder(4);
  EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }),
            "Not enough data points to calculate function");
  // An expression without a parser to evaluate it: the parser's message.
  TGvSimplexFit E;
  E.SetExpression("A+B*X");
  EXPECT_EQ(E.Order(), 2);
  EXPECT_EQ(ErrorOf([&] { E.Calculate(Points(X, Y)); }), "No valid expression defined");
}

// An expression that failed its check is checked again when it is set again,
// and until it passes the search reports that there is no valid expression.
TEST(FittingSearch, AFailedExpressionIsCheckedAgain)
{
  const std::vector<double> X = {1, 2, 3}, Y = {1, 2, 3};
  TGvSimplexFit F;
  int Compiled = 0;
  F.SetExpressionCompiler([&](const QString&) -> TGvFittingFunctionHandler {
    ++Compiled;
    return [](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] * A.X; };
  });
  for (int Attempt = 0; Attempt < 2; ++Attempt) {
    SCOPED_TRACE(Attempt);
    EXPECT_EQ(ErrorOf([&] { F.SetExpression("A*Y"); }),
              "Expression must contain the independent variable X!");
    EXPECT_TRUE(F.ExpressionFailed());
    EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }), "No valid expression defined");
    EXPECT_EQ(ErrorOf([&] { F.GetY(1); }), "No valid expression defined");
  }
  EXPECT_EQ(Compiled, 0);
  F.SetExpression("A*X");
  EXPECT_FALSE(F.ExpressionFailed());
  F.SetExpression("A*X"); // passed: not checked (nor compiled) again
  EXPECT_EQ(Compiled, 1);
  EXPECT_NO_THROW(F.Calculate(Points(X, Y)));
  EXPECT_NEAR(F.Coefs()[0], 1, 1e-3);
}

TEST(FittingSearch, ModelThatFailsForSomeCoefficients)
{
  const std::vector<double> X = {1, 2, 3, 4}, Y = {1, 1.4, 1.7, 2};
  struct TCase
  {
    const char* Name;
    TGvFittingFunctionHandler Model;
    const char* Message;
  };
  // Each model fails once its coefficient passes 1.5; the start (1.2, and
  // 2.46 in the first vertex) reaches that at once.
  const TCase Cases[] = {
      {"NaN",
       [](const TGvFittingFunctionArgs& A) {
         return A.Coefficients[0] > 1.5 ? std::numeric_limits<double>::quiet_NaN()
                                        : A.Coefficients[0] * std::sqrt(A.X);
       },
       "Invalid floating point operation"},
      {"infinite",
       [](const TGvFittingFunctionArgs& A) {
         return A.Coefficients[0] > 1.5 ? std::numeric_limits<double>::infinity()
                                        : A.Coefficients[0] * std::sqrt(A.X);
       },
       "Floating point overflow"},
      {"raises",
       [](const TGvFittingFunctionArgs& A) {
         if (A.Coefficients[0] > 1.5) throw EGvError("Division by zero");
         return A.Coefficients[0] * std::sqrt(A.X);
       },
       "Division by zero"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TGvSimplexFit F;
    F.SetFittingFunction(C.Model);
    const double Start[] = {1.2};
    F.SetCoefs(Start);
    EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }), C.Message);
    // Nothing was taken as a minimum; the coefficients are the start values.
    EXPECT_EQ(F.Coefs()[0], 1.2);
    EXPECT_EQ(F.CurrentCorner()[0], 1.2);
  }
}

TEST(FittingSearch, OnlyValidPointsAreFitted)
{
  // y = 2x, with one outlier left out by its flag and one point outside the
  // calculation range.
  const std::vector<double> X = {1, 2, 3, 4, 5, 50};
  const std::vector<double> Y = {2, 4, 600, 8, 10, -7};
  const std::vector<uint8_t> Use = {1, 1, 0, 1, 1, 1};
  TGvCalculationData P = Points(X, Y);
  P.Valid = Use;
  P.Start = 0;
  P.Stop = 10;
  TGvSimplexFit F;
  F.SetFittingFunction([](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] * A.X; });
  F.SetOrder(1);
  F.SetIterations(500);
  F.Calculate(P);
  EXPECT_NEAR(F.Coefs()[0], 2, 1e-9);
  EXPECT_DOUBLE_EQ(F.AverageX(), 3);
  EXPECT_DOUBLE_EQ(F.AverageY(), 6);
  EXPECT_NEAR(F.Probability(), 1, 1e-12);
}

TEST(FittingSearch, StatisticsNeverDivideByZero)
{
  auto Constant = [](const TGvFittingFunctionArgs& A) { return A.Coefficients[0]; };
  struct TCase
  {
    const char* Name;
    std::vector<double> X, Y, W;
    bool Covariance;
  };
  const TCase Cases[] = {
      {"all Y equal", {1, 2, 3}, {4, 4, 4}, {}, false},
      {"one point", {1}, {4}, {}, false},
      {"weights below 1", {1, 2, 3}, {1, 5, 2}, {0.1, 0.2, 0.1}, false},
      {"all X equal, covariance", {2, 2, 2, 2}, {1, 2, 3, 4}, {}, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TGvSimplexFit F;
    F.SetFittingFunction(Constant);
    const double Start[] = {3};
    F.SetCoefs(Start);
    F.SetIterations(100);
    F.SetDoCovariance(C.Covariance);
    try {
      F.Calculate(Points(C.X, C.Y, C.W));
    } catch (const EGvError& E) {
      // The covariance set-up of data with one X refuses with its message.
      EXPECT_TRUE(C.Covariance);
      EXPECT_STREQ(E.what(), "SimplexFit: DoCovariance, reciprocal indefinite!");
      continue;
    }
    for (double V : {F.SumOfResiduals(), F.Probability(), F.AverageX(), F.AverageY(), F.VarianceX(),
                     F.VarianceY()})
      EXPECT_TRUE(std::isfinite(V)) << V;
  }
}

// ---- Covariance mode -------------------------------------------------------------

TEST(FittingCovariance, SetUpFailsCleanly)
{
  TGvSimplexFit F;
  F.SetFittingFunction([](const TGvFittingFunctionArgs& A) { return A.Coefficients[0] * A.X; });
  F.SetOrder(1);
  F.SetDoCovariance(true);
  const std::vector<double> X = {1, 2}, Y = {1, 2};
  EXPECT_EQ(ErrorOf([&] { F.Calculate(Points(X, Y)); }),
            "SimplexFit: DoCovariance, reciprocal indefinite!");
  EXPECT_FALSE(F.DoCovariance());
}

// The residual of a point in covariance mode is |dx * dy|, dx measured to the
// data's X at the model's height on the Akima curve of the run. A model that
// ignores its coefficient gives every vertex the same sum, which the search
// then reports. The one run X(Y) = 0, 1, 2, 4, 6, 8 at Y = 0 .. 5 has chord
// slopes 1, 1, 2, 2, 2: at Y = 2 both weights of the slope rule are 0 and the
// slope is the mean of the two chords after the node, 2 (the mean around
// the node, 1.5, gave 1.1883). Reference worked out in exact fractions.
TEST(FittingCovariance, ResidualFollowsTheAkimaCurveOfTheRun)
{
  const std::vector<double> X = {0, 1, 2, 4, 6, 8}, Y = {0, 1, 2, 3, 4, 5};
  TGvSimplexFit F;
  F.SetFittingFunction([](const TGvFittingFunctionArgs& A) { return 0.5 * A.X + 0.7; });
  F.SetOrder(1);
  F.SetIterations(2);
  F.SetDoCovariance(true);
  F.Calculate(Points(X, Y));
  EXPECT_TRUE(F.DoCovariance());
  EXPECT_NEAR(F.SumOfResiduals(), 1.1977, 1e-12);
}

TEST(FittingCovariance, RunsFollowTheDataNotTheStorageOrder)
{
  // A parabola: rising to x = 4, then falling; the last point (x = 9) is a
  // single point after the falling run, which belongs to no run of its own.
  std::vector<double> X, Y;
  for (int I = 0; I <= 8; ++I) {
    X.push_back(I);
    Y.push_back(16 - (I - 4.0) * (I - 4.0) + 0.3 * ((I * 7) % 3));
  }
  X.push_back(9);
  Y.push_back(-2);
  auto Model = [](const TGvFittingFunctionArgs& A) {
    return A.Coefficients[0] - A.Coefficients[1] * (A.X - 4) * (A.X - 4);
  };
  auto Fit = [&](const std::vector<double>& Xs, const std::vector<double>& Ys) {
    TGvSimplexFit F;
    F.SetFittingFunction(Model);
    const double Start[] = {10, 0.5};
    F.SetCoefs(Start);
    F.SetIterations(200);
    F.SetDoCovariance(true);
    F.Calculate(Points(Xs, Ys));
    EXPECT_TRUE(F.DoCovariance());
    return std::vector<double>{F.Coefs()[0], F.Coefs()[1], F.SumOfResiduals()};
  };
  const std::vector<double> Forward = Fit(X, Y);
  const std::vector<double> Back = Fit({X.rbegin(), X.rend()}, {Y.rbegin(), Y.rend()});
  for (int I = 0; I < 3; ++I) {
    EXPECT_TRUE(std::isfinite(Forward[I]));
    EXPECT_NEAR(Back[I], Forward[I], 1e-6 * std::fabs(Forward[I]));
  }
  EXPECT_NEAR(Forward[0], 16, 1);
}

} // namespace
