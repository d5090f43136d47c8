// Nonlinear fitting: a model y = f(x; a, b, ...) with up to 16 coefficients,
// fitted to the points by a downhill-simplex search that minimises the
// weighted sum of squared residuals (or, in covariance mode, of the products
// of the horizontal and vertical distances to the data curve).
//
// How the series calls it. TGvFittedLine owns one TGvSimplexFit (FFit). Its
// writers forward to SetOrder, SetIterations, SetExpression, SetCoefs,
// SetDoCovariance, SetFittingFunction, SetOnIteration and SetOnNewCorner; a
// FittingFunction, OnIteration or OnNewCorner of the series is wrapped in a
// function object that passes the series as sender. A model typed as text
// reaches the fit through the expression compiler (SetExpressionCompiler):
// a function that parses the expression once, binds X to the args' X and the
// letters A..P to the args' coefficients, and returns the model to evaluate
// many times; until one is set, an expression is checked but cannot be
// evaluated. CalculateFunction fills a TGvCalculationData (Xi, Yi, Wi, the outlier
// flags and the calculation range) and calls Calculate (not at design time);
// GetY draws the curve from the current coefficients; Coefficient is the
// reader of the published array and of the parser array "Coefficients"; the
// statistics are plain readers for the registered variables; the formula text
// is Expression() (empty with a FittingFunction). The saved forms store
// DoCovariance, Iterations, the coefficients and the expression, and read them
// back through SetDoCovariance, SetIterations, SetCoefs and SetExpression,
// which bound what they are given.
#pragma once

#include "chart/GvMath.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// What the model is handed: the X and one value per coefficient.
struct TGvFittingFunctionArgs
{
  double X = 0;
  std::span<const double> Coefficients;
};
// The model: its value at Args.X for Args.Coefficients. A result that is not
// a finite number counts as a failed evaluation.
using TGvFittingFunctionHandler = std::function<double(const TGvFittingFunctionArgs&)>;
// Told of every coefficient set that is evaluated.
using TGvFittingCornerHandler = std::function<void(std::span<const double> Corner)>;
using TGvNotifyHandler = std::function<void()>;
// Turns an expression (already checked) into a model; raises on a parsing
// error.
using TGvExpressionCompiler = std::function<TGvFittingFunctionHandler(const QString& Expression)>;

// Which of X and the coefficient letters A..P an expression uses. A letter
// counts as used when it stands alone: at the start or after one of "+-*/^(",
// and at the end or before one of "+-*/^)", in the expression upper-cased,
// without spaces and with "[" and "]" read as "(" and ")" (as the parser reads
// them). So A*EXP(-B*X) uses A, B and X, and [B] uses B.
struct TGvExpressionLetters
{
  bool UsesX = false;
  // Bit i set: letter A + i used.
  uint32_t Coefficients = 0;
  // Position of the highest letter used (A = 1 ... P = 16), 0 for none.
  int Order = 0;
};
TGvExpressionLetters ExpressionLetters(const QString& Expression);

class TGvSimplexFit
{
public:
  // The most coefficients a model has (A..P).
  static constexpr int MaxOrder = 16;

  TGvSimplexFit();

  // Number of coefficients; -1 until one is set. Bounded to [0, MaxOrder];
  // coefficients beyond the previous count start at 0.5, the others keep
  // their values.
  int Order() const { return FOrder; }
  void SetOrder(int N);
  // The coefficients (start values, then the best vertex). A count other than
  // the order sets the order first (at most MaxOrder values are taken).
  std::span<const double> Coefs() const { return FCoefs; }
  void SetCoefs(std::span<const double> Values);
  // The coefficient set being evaluated; equals Coefs outside a fit.
  std::span<const double> CurrentCorner() const { return FCurrentCorner; }

  int Iterations() const { return FIterations; }
  void SetIterations(int N) { FIterations = N; }
  // Iterations left in the running search.
  int CurrentIteration() const { return FIteration; }

  bool DoCovariance() const { return FDoCovariance; }
  void SetDoCovariance(bool B) { FDoCovariance = B; }

  // The model as text: the letters A..P are the coefficients, X the variable.
  // Without a FittingFunction, a non-empty expression is checked at once: it
  // must use X ("Expression must contain the independent variable X!") and,
  // when Iterations > 0, a coefficient ("Expression must contain a variable
  // a..p!"); the highest letter used sets the order, and the compiler, when
  // there is one, parses it. Errors reach the caller with the text already
  // stored.
  QString Expression() const { return FExpression; }
  void SetExpression(const QString& S);
  void SetExpressionCompiler(TGvExpressionCompiler Compiler);

  // The model supplied by the program; when assigned it is used instead of
  // the expression.
  void SetFittingFunction(TGvFittingFunctionHandler Handler);
  bool FromExpression() const { return !FFittingFkt; }

  void SetOnIteration(TGvNotifyHandler H) { FOnIteration = std::move(H); }
  void SetOnNewCorner(TGvFittingCornerHandler H) { FOnNewCorner = std::move(H); }
  // Ends the search after the current iteration.
  void StopIterations() { FStopIterations = true; }

  // At design time coefficient reads out of range give 0.
  void SetDesignTime(bool B) { FDesignTime = B; }

  // The search from the current coefficients over the valid points, at most
  // Iterations + 1 iterations, then the statistics. Iterations <= 0: nothing
  // is fitted. Raises EGvError with the fixed messages; a model that raises
  // or gives no number ends the search with an error and leaves the
  // coefficients at the best vertex found before.
  void Calculate(const TGvCalculationData& Points);

  // The model at AtX with the current coefficients.
  double GetY(double AtX) const;

  // Reader of the published array: Coefs[Index] for 0 <= Index < Order; any
  // other index gives 0 at design time and raises EGvRangeError "Fitted line:
  // Index of variable out of range" otherwise.
  double Coefficient(int Index) const;

  double SumOfResiduals() const { return FCurrentChiSquare; }
  double AverageX() const { return FAverageX; }
  double AverageY() const { return FAverageY; }
  double VarianceX() const { return FVarianceX; }
  double VarianceY() const { return FVarianceY; }
  double Probability() const { return FProbability; }

private:
  // One monotone run of the data in covariance mode: X as an Akima curve over
  // Y (nodes ascending in Y, cubic a + b*t + c*t^2 + d*t^3 on each interval).
  struct TRun
  {
    std::vector<double> Y, A, B, C, D;
    double Interpolate(double At) const;
  };

  const TGvFittingFunctionHandler& Model() const;
  void CheckExpression();
  void CheckModelLetters() const;
  double Evaluate(std::span<const double> Corner, double X) const;
  double ChiSquare(std::span<const double> Corner, const TGvCalculationData& Points);
  void SetupCovariance(const TGvCalculationData& Points);
  double CovarAt(std::size_t I, double Y) const;
  void InitSimplex(const TGvCalculationData& Points);
  void MaxMin();
  void CalcCenter();
  void ExpandReflectContract(std::vector<double>& Vertex, double Factor);
  void NewSimplex(const TGvCalculationData& Points);
  void GetStatistics(const TGvCalculationData& Points);

  bool FDoCovariance = false;
  bool FStopIterations = false;
  bool FDesignTime = false;
  int FMin = 0, FMax = 0, FTwo = 0;
  int FIteration = 0;
  int FIterations = 300;
  int FOrder = -1;
  std::vector<std::vector<double>> FSimplex;
  double FCurrentChiSquare = 1.0;
  double FAverageX = 1.0, FAverageY = 1.0, FVarianceX = 1.0, FVarianceY = 1.0;
  double FProbability = 1.0;
  std::vector<double> FChiSqrs;
  std::vector<double> FCenter;
  std::vector<double> FDCoefs;
  std::vector<double> FCoefs;
  std::vector<double> FCurrentCorner;
  // Covariance mode: the runs, and for each point index the run it belongs to
  // (-1 for a point that takes no part).
  std::vector<TRun> FRuns;
  std::vector<int> FPointRun;
  QString FExpression;
  int FExpressionOrder = 0;
  TGvNotifyHandler FOnIteration;
  TGvFittingCornerHandler FOnNewCorner;
  TGvFittingFunctionHandler FFittingFkt;
  TGvFittingFunctionHandler FParsedFn;
  TGvExpressionCompiler FCompiler;
};
