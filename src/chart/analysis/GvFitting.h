// Nonlinear fitting: a model y = f(x; a, b, ...) with up to 16 coefficients,
// fitted to the points by a downhill-simplex search that minimises the
// weighted sum of squared residuals (or, in covariance mode, of the products
// of the horizontal and vertical distances to the data curve).
//
//   TGvSimplexFit  the search over plain arrays; a model typed as text
//                  reaches it through an expression compiler
//   TGvFittedLine  the function series that fits and draws the model: it
//                  owns one fit, parses the expression once (the letters A..P
//                  are the coefficients, X the variable) and publishes the
//                  coefficients and statistics to the expression parser
#pragma once

#include "chart/GvMath.h"
#include "chart/GvSeries.h"
#include "chart/analysis/GvInterpolationCalculations.h"

#include <QList>
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
  // stored; setting the same text again checks it again.
  QString Expression() const { return FExpression; }
  void SetExpression(const QString& S);
  // The model is to come from the expression stored, which did not pass its
  // check (or has not been checked): the search then raises EExternal "No
  // valid expression defined".
  bool ExpressionFailed() const;
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
  // is fitted. Raises EMathError with the fixed messages; a model that raises
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
  const TGvFittingFunctionHandler& Model() const;
  // Raises when there is no model: EMathError "No FittingFunction or
  // Expression defined" without an expression, else the parser's EExternal
  // "No valid expression defined".
  void CheckModel() const;
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
  // Covariance mode: the runs (each the data's X as an Akima curve over its
  // Y), and for each point index the run it belongs to (-1 for a point that
  // takes no part).
  std::vector<TGvInterpolationCalculation> FRuns;
  std::vector<int> FPointRun;
  QString FExpression;
  bool FExpressionChecked = false;
  int FExpressionOrder = 0;
  TGvNotifyHandler FOnIteration;
  TGvFittingCornerHandler FOnNewCorner;
  TGvFittingFunctionHandler FFittingFkt;
  TGvFittingFunctionHandler FParsedFn;
  TGvExpressionCompiler FCompiler;
};

// ---- The series ---------------------------------------------------------------

// The model of the series: its value at Args.X for Args.Coefficients, with
// the series as sender.
using TGvFittingFunctionEvent =
    std::function<double(TGvSeries* Sender, const TGvFittingFunctionArgs& Args)>;
using TGvFittingCornerEvent =
    std::function<void(TGvSeries* Sender, std::span<const double> Corner)>;

// Fits Expression (or the FittingFunction of the program) to the points of
// its data from the current coefficients, Iterations steps of the simplex
// search per calculation, and draws it. A new line has no order (-1), no
// expression and 300 iterations; MinCount is 0. Published beyond the function
// series: Order, Iterations, Expression, Coefficients, DoCovariance.
// Read-only: AverageX, AverageY, VarianceX, VarianceY, Probability,
// SumOfResiduals, registered as parser variables with the array
// "Coefficients".
class TGvFittedLine : public TGvFunctionSeries
{
  Q_OBJECT
  Q_PROPERTY(int Order READ Order WRITE SetOrder)
  Q_PROPERTY(int Iterations READ Iterations WRITE SetIterations)
  Q_PROPERTY(QString Expression READ Expression WRITE SetExpression)
  Q_PROPERTY(QList<double> Coefficients READ Coefficients WRITE SetCoefficients)
  Q_PROPERTY(bool DoCovariance READ DoCovariance WRITE SetDoCovariance)
public:
  explicit TGvFittedLine(QObject* Owner = nullptr);
  ~TGvFittedLine() override;

  // Bounded to 0 .. 16 (the letters A..P).
  int Order() const { return FFit->Calc.Order(); }
  void SetOrder(int Value);
  int Iterations() const { return FFit->Calc.Iterations(); }
  void SetIterations(int Value);
  // Checked and parsed at once (EMathError for an expression without X, or
  // without a coefficient while Iterations > 0, and the parser's errors; the
  // text is stored all the same, and the line then shows no curve).
  QString Expression() const { return FFit->Calc.Expression(); }
  void SetExpression(const QString& Value);
  QList<double> Coefficients() const;
  void SetCoefficients(const QList<double>& Value);
  bool DoCovariance() const { return FFit->Calc.DoCovariance(); }
  void SetDoCovariance(bool Value);

  const TGvFittingFunctionEvent& FittingFunction() const { return FFittingFunction; }
  void SetFittingFunction(TGvFittingFunctionEvent Handler);
  void SetOnIteration(TGvNotifyEvent Handler);
  void SetOnNewCorner(TGvFittingCornerEvent Handler);
  void StopIterations() { FFit->Calc.StopIterations(); }
  bool FromExpression() const { return FFit->Calc.FromExpression(); }
  int CurrentIteration() const { return FFit->Calc.CurrentIteration(); }

  // The coefficient Index (0 .. Order - 1) of the current set; any other
  // raises EGvRangeError "Fitted line: Index of variable out of range".
  double Coefficient(int Index) const { return FFit->Calc.Coefficient(Index); }
  double AverageX() const { return FFit->Calc.AverageX(); }
  double AverageY() const { return FFit->Calc.AverageY(); }
  double VarianceX() const { return FFit->Calc.VarianceX(); }
  double VarianceY() const { return FFit->Calc.VarianceY(); }
  double Probability() const { return FFit->Calc.Probability(); }
  double SumOfResiduals() const { return FFit->Calc.SumOfResiduals(); }
  const TGvSimplexFit& Fit() const { return FFit->Calc; }

  void CalculateFunction() override;
  double GetY(double AtX) override;
  // The expression (empty with a FittingFunction).
  QString GetFormula() const override;
  void RegisterVariables() override;

  // Saved forms (GvAnalysisIO.cpp), after the function series' fields:
  // DoCovariance byte, Iterations int32, the count and the doubles of the
  // current coefficients, Expression string, byte 0; the XML child "Fit"
  // (attributes "DoCovariance", "Iterations", "Expression"; a child
  // "Coefficients" with "Count" and one "Item" per value); the ini keys
  // "DoCovariance", "Iterations", "Expression", "Order" and "Coefficients"
  // ("None", or the values separated by blanks). More than 16 coefficients
  // are refused; an expression the parser refuses is kept as the setter
  // keeps it (the line shows no curve) and noted among the read warnings.
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

private:
  TGvCalculationOf<TGvSimplexFit>* FFit;
  TGvFittingFunctionEvent FFittingFunction;
  TGvNotifyEvent FOnIteration;
  TGvFittingCornerEvent FOnNewCorner;
};
