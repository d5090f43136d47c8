#include "chart/analysis/GvFitting.h"

#include "chart/analysis/GvParseFkt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>

namespace {

const char* NoModel = "No FittingFunction or Expression defined";
const char* CovarianceFailed = "SimplexFit: DoCovariance, reciprocal indefinite!";

bool IsOperator(QChar C)
{
  return C == '+' || C == '-' || C == '*' || C == '/' || C == '^';
}

// Restores the current corner to the coefficients when a search ends,
// normally or by an error.
class TCornerGuard
{
public:
  TCornerGuard(std::vector<double>& Corner, const std::vector<double>& Coefs)
      : FCorner(Corner), FCoefs(Coefs)
  {
  }
  ~TCornerGuard() { FCorner = FCoefs; }
  TCornerGuard(const TCornerGuard&) = delete;
  TCornerGuard& operator=(const TCornerGuard&) = delete;

private:
  std::vector<double>& FCorner;
  const std::vector<double>& FCoefs;
};

struct TDataPoint
{
  double X, Y;
  std::size_t Index;
};

} // namespace

// ---- The letter check --------------------------------------------------------

TGvExpressionLetters ExpressionLetters(const QString& Expression)
{
  QString T = Expression.toUpper();
  T.remove(' ');
  T.replace('[', '(');
  T.replace(']', ')');
  TGvExpressionLetters L;
  for (qsizetype I = 0; I < T.size(); ++I) {
    const QChar C = T[I];
    if (C != 'X' && (C < 'A' || C > 'P')) continue;
    const bool Before = I == 0 || IsOperator(T[I - 1]) || T[I - 1] == '(';
    const bool After = I + 1 == T.size() || IsOperator(T[I + 1]) || T[I + 1] == ')';
    if (!Before || !After) continue;
    if (C == 'X') {
      L.UsesX = true;
    } else {
      const int Pos = C.unicode() - 'A';
      L.Coefficients |= 1u << Pos;
      L.Order = std::max(L.Order, Pos + 1);
    }
  }
  return L;
}

// ---- The fit -----------------------------------------------------------------

TGvSimplexFit::TGvSimplexFit() = default;

void TGvSimplexFit::SetOrder(int N)
{
  N = std::clamp(N, 0, MaxOrder);
  FSimplex.assign(std::size_t(N) + 1, std::vector<double>(std::size_t(N), 0.0));
  FChiSqrs.assign(std::size_t(N) + 1, 0.0);
  FCenter.assign(std::size_t(N) + 1, 0.0);
  FDCoefs.assign(std::size_t(N), 0.0);
  FCoefs.resize(std::size_t(N), 0.5);
  FOrder = N;
  FCurrentCorner = FCoefs;
}

void TGvSimplexFit::SetCoefs(std::span<const double> Values)
{
  if (Values.size() > std::size_t(MaxOrder)) Values = Values.first(MaxOrder);
  if (int(Values.size()) != FOrder) SetOrder(int(Values.size()));
  std::copy(Values.begin(), Values.end(), FCoefs.begin());
  FCurrentCorner = FCoefs;
}

void TGvSimplexFit::SetExpression(const QString& S)
{
  // The same text again is checked again when its check failed.
  if (S == FExpression && !ExpressionFailed()) return;
  FExpression = S;
  FParsedFn = nullptr;
  FExpressionOrder = 0;
  FExpressionChecked = false;
  if (!FFittingFkt && !S.isEmpty()) CheckExpression();
}

bool TGvSimplexFit::ExpressionFailed() const
{
  return !FFittingFkt && !FExpression.isEmpty() && !FExpressionChecked;
}

void TGvSimplexFit::SetExpressionCompiler(TGvExpressionCompiler Compiler)
{
  FCompiler = std::move(Compiler);
  FParsedFn = nullptr;
  if (!FFittingFkt && !FExpression.isEmpty()) CheckExpression();
}

void TGvSimplexFit::SetFittingFunction(TGvFittingFunctionHandler Handler)
{
  FFittingFkt = std::move(Handler);
  if (!FFittingFkt && !FExpression.isEmpty()) CheckExpression();
}

void TGvSimplexFit::CheckExpression()
{
  FExpressionChecked = false;
  const TGvExpressionLetters L = ExpressionLetters(FExpression);
  if (!L.UsesX) throw EMathError("Expression must contain the independent variable X!");
  if (L.Order == 0 && FIterations > 0) throw EMathError("Expression must contain a variable a..p!");
  FExpressionOrder = L.Order;
  SetOrder(L.Order);
  FParsedFn = nullptr;
  if (FCompiler) FParsedFn = FCompiler(FExpression);
  FExpressionChecked = true;
}

void TGvSimplexFit::CheckModel() const
{
  if (Model()) return;
  // An expression that did not pass its check (or has no parser) cannot be
  // evaluated: the parser's own message.
  if (FromExpression() && !FExpression.isEmpty()) throw EExternal::NoValidExpression();
  throw EMathError(NoModel);
}

const TGvFittingFunctionHandler& TGvSimplexFit::Model() const
{
  return FFittingFkt ? FFittingFkt : FParsedFn;
}

// An expression reads its letters from the coefficients handed to it: one
// beyond their count is refused rather than read past them.
void TGvSimplexFit::CheckModelLetters() const
{
  if (!FFittingFkt && FExpressionOrder > int(FCoefs.size()))
    throw EMathError("Fitted line: the expression uses coefficient " +
                     QString(QChar('A' + FExpressionOrder - 1)) + " beyond Order");
}

double TGvSimplexFit::Evaluate(std::span<const double> Corner, double X) const
{
  const double Y = Model()(TGvFittingFunctionArgs{X, Corner});
  if (std::isnan(Y)) throw EMathError("Invalid floating point operation");
  if (!std::isfinite(Y)) throw EMathError("Floating point overflow");
  return Y;
}

double TGvSimplexFit::GetY(double AtX) const
{
  CheckModel();
  CheckModelLetters();
  return Evaluate(FCurrentCorner, AtX);
}

double TGvSimplexFit::Coefficient(int Index) const
{
  if (Index >= 0 && Index < FOrder && std::size_t(Index) < FCurrentCorner.size())
    return FCurrentCorner[Index];
  if (FDesignTime) return 0.0;
  throw EGvRangeError("Fitted line: Index of variable out of range");
}

double TGvSimplexFit::ChiSquare(std::span<const double> Corner, const TGvCalculationData& Points)
{
  FCurrentCorner.assign(Corner.begin(), Corner.end());
  if (FOnNewCorner) FOnNewCorner(Corner);
  const std::size_t N = Points.Count();
  double Sum = 0;
  for (std::size_t I = 0; I < N; ++I) {
    if (!Points.IsValid(I)) continue;
    const double Y = Evaluate(Corner, Points.Xi(I));
    const double Dy = Points.Yi(I) - Y;
    if (FDoCovariance) {
      const double Dx = Points.Xi(I) - CovarAt(I, Y);
      Sum += Points.Wi(I) * std::fabs(Dx * Dy);
    } else {
      Sum += Points.Wi(I) * Dy * Dy;
    }
  }
  if (std::isnan(Sum)) throw EMathError("Invalid floating point operation");
  if (!std::isfinite(Sum)) throw EMathError("Floating point overflow");
  return Sum;
}

double TGvSimplexFit::CovarAt(std::size_t I, double Y) const
{
  return FRuns[std::size_t(FPointRun[I])].Interpolate(Y);
}

void TGvSimplexFit::SetupCovariance(const TGvCalculationData& Points)
{
  FRuns.clear();
  FPointRun.clear();
  try {
    const std::size_t N = Points.Count();
    std::vector<TDataPoint> Raw;
    for (std::size_t I = 0; I < N; ++I)
      if (Points.IsValid(I)) Raw.push_back({Points.Xi(I), Points.Yi(I), I});
    if (Raw.size() < 3) throw EMathError(GvCalcMessages::NotEnoughPoints);
    std::stable_sort(Raw.begin(), Raw.end(),
                     [](const TDataPoint& A, const TDataPoint& B) { return A.X < B.X; });

    // Each input point remembers the kept point it was merged into.
    std::vector<std::size_t> Owner(Raw.size());
    // Equal X: the later point is dropped; the kept point's Y becomes the mean
    // of the two input Ys.
    std::vector<TDataPoint> ByX;
    for (std::size_t I = 0; I < Raw.size(); ++I) {
      if (I > 0 && Raw[I].X == Raw[I - 1].X) {
        ByX.back().Y = (Raw[I].Y + Raw[I - 1].Y) / 2;
      } else {
        ByX.push_back(Raw[I]);
      }
      Owner[I] = ByX.size() - 1;
    }
    // Equal Y on the result likewise, with the mean of the two Xs.
    std::vector<std::size_t> Owner2(ByX.size());
    std::vector<TDataPoint> Nodes;
    for (std::size_t I = 0; I < ByX.size(); ++I) {
      if (I > 0 && ByX[I].Y == ByX[I - 1].Y) {
        Nodes.back().X = (ByX[I].X + ByX[I - 1].X) / 2;
      } else {
        Nodes.push_back(ByX[I]);
      }
      Owner2[I] = Nodes.size() - 1;
    }
    if (Nodes.size() < 3) throw EMathError(GvCalcMessages::NotEnoughPoints);

    // Monotone runs of Y; the point that breaks a run starts the next one.
    std::vector<std::size_t> RunEnd; // one past the last node of each run
    std::size_t Start = 0;
    bool Rising = Nodes[0].Y < Nodes[1].Y;
    while (Nodes.size() - Start >= 2) {
      std::size_t End = Start + 1;
      while (End < Nodes.size() &&
             (Rising ? Nodes[End].Y > Nodes[End - 1].Y : Nodes[End].Y < Nodes[End - 1].Y))
        ++End;
      std::vector<double> Ys, Xs;
      for (std::size_t I = Start; I < End; ++I) {
        Ys.push_back(Nodes[I].Y);
        Xs.push_back(Nodes[I].X);
      }
      if (Ys.size() < 3) {
        // One point more, continuing from the point before the last.
        const TDataPoint& Last = Nodes[End - 1];
        const TDataPoint& Before = Nodes[End - 2];
        Ys.push_back(2 * Last.Y - Before.Y);
        Xs.push_back(2 * Last.X - Before.X);
      }
      if (Ys.size() < 3) throw EMathError(GvCalcMessages::NotEnoughPoints);
      for (const double V : Xs)
        if (!std::isfinite(V)) throw EMathError(GvCalcMessages::NotEnoughPoints);
      // The X of the run as an Akima curve over its Y: the interpolation of
      // the smoothing series (its slope rule, its ends).
      TGvCalculationData Run;
      Run.X = Ys;
      Run.Y = Xs;
      FRuns.emplace_back().Calculate(Run);
      RunEnd.push_back(End);
      Start = End;
      Rising = !Rising;
    }

    // Every valid point takes the run of the node it became; a last node
    // that belongs to no run takes the last run.
    FPointRun.assign(N, -1);
    for (std::size_t I = 0; I < Raw.size(); ++I) {
      const std::size_t Node = Owner2[Owner[I]];
      std::size_t K = 0;
      while (K + 1 < RunEnd.size() && RunEnd[K] <= Node) ++K;
      FPointRun[Raw[I].Index] = int(K);
    }
  } catch (const EGvError&) {
    FRuns.clear();
    FPointRun.clear();
    FDoCovariance = false;
    throw EMathError(CovarianceFailed);
  }
}

void TGvSimplexFit::MaxMin()
{
  FMax = FMin = 0;
  for (int I = 0; I <= FOrder; ++I) {
    if (FChiSqrs[I] >= FChiSqrs[FMax])
      FMax = I;
    else if (FChiSqrs[I] <= FChiSqrs[FMin])
      FMin = I;
  }
  FTwo = FMin;
  for (int I = 0; I <= FOrder; ++I)
    if (I != FMax && FChiSqrs[I] >= FChiSqrs[FTwo]) FTwo = I;
}

void TGvSimplexFit::CalcCenter()
{
  for (int J = 0; J < FOrder; ++J) {
    double Sum = 0;
    for (int I = 0; I <= FOrder; ++I)
      if (I != FMax) Sum += FSimplex[I][J];
    FCenter[J] = Sum / FOrder;
  }
}

// Vertex := Center + Factor * (Center - Vertex).
void TGvSimplexFit::ExpandReflectContract(std::vector<double>& Vertex, double Factor)
{
  for (int J = 0; J < FOrder; ++J) Vertex[J] = FCenter[J] + Factor * (FCenter[J] - Vertex[J]);
}

void TGvSimplexFit::InitSimplex(const TGvCalculationData& Points)
{
  for (int I = 0; I <= FOrder; ++I) {
    FSimplex[I] = FCoefs;
    if (I < FOrder) FSimplex[I][I] *= 2.05;
  }
  for (int I = 0; I <= FOrder; ++I) FChiSqrs[I] = ChiSquare(FSimplex[I], Points);
  MaxMin();
}

// Every vertex but the best moves halfway to the best.
void TGvSimplexFit::NewSimplex(const TGvCalculationData& Points)
{
  for (int I = 0; I <= FOrder; ++I) {
    if (I == FMin) continue;
    for (int J = 0; J < FOrder; ++J) FSimplex[I][J] = (FSimplex[I][J] + FSimplex[FMin][J]) / 2;
    FChiSqrs[I] = ChiSquare(FSimplex[I], Points);
  }
}

void TGvSimplexFit::GetStatistics(const TGvCalculationData& Points)
{
  const std::size_t N = Points.Count();
  double SumW = 0, SumWX = 0, SumWY = 0;
  for (std::size_t I = 0; I < N; ++I) {
    if (!Points.IsValid(I)) continue;
    const double W = Points.Wi(I);
    SumW += W;
    SumWX += W * Points.Xi(I);
    SumWY += W * Points.Yi(I);
  }
  FAverageX = SumW > 0 ? SumWX / SumW : 0;
  FAverageY = SumW > 0 ? SumWY / SumW : 0;
  double Qx = 0, Qy = 0;
  for (std::size_t I = 0; I < N; ++I) {
    if (!Points.IsValid(I)) continue;
    const double W = Points.Wi(I), Dx = Points.Xi(I) - FAverageX, Dy = Points.Yi(I) - FAverageY;
    Qx += W * Dx * Dx;
    Qy += W * Dy * Dy;
  }
  if (FDoCovariance) {
    const double Q = std::sqrt(Qx * Qy);
    FProbability = Q > 0 ? 1 - FCurrentChiSquare / Q : 1;
  } else {
    FProbability = Qy > 0 ? 1 - FCurrentChiSquare / Qy : 1;
  }
  FVarianceX = SumW > 1 ? Qx / (SumW - 1) : 0;
  FVarianceY = SumW > 1 ? Qy / (SumW - 1) : 0;
}

void TGvSimplexFit::Calculate(const TGvCalculationData& Points)
{
  if (FIterations > 0) Points.CheckVectors();
  CheckModel();
  CheckModelLetters();
  FIteration = FIterations;
  FStopIterations = false;
  if (FIterations <= 0) return;
  if (FOrder < 1) throw EMathError("SimplexFit: no order set!");

  // Preparation.
  const std::size_t N = Points.Count();
  std::size_t Valid = 0;
  for (std::size_t I = 0; I < N; ++I)
    if (Points.IsValid(I)) ++Valid;
  if (Valid < std::size_t(FOrder)) throw EMathError(GvCalcMessages::NotEnoughPoints);
  if (FDoCovariance) SetupCovariance(Points);
  SetOrder(FOrder);
  for (double& C : FCoefs)
    if (C == 0) C = 1;

  TCornerGuard Guard(FCurrentCorner, FCoefs);
  InitSimplex(Points);
  do {
    CalcCenter();
    std::vector<double>& Worst = FSimplex[FMax];
    ExpandReflectContract(Worst, 1.0);
    FChiSqrs[FMax] = ChiSquare(Worst, Points);
    if (FChiSqrs[FMin] > FChiSqrs[FMax]) {
      // Better than the best: try twice as far.
      FDCoefs = Worst;
      FCurrentChiSquare = FChiSqrs[FMax];
      ExpandReflectContract(Worst, -2.0);
      FChiSqrs[FMax] = ChiSquare(Worst, Points);
      if (!(FChiSqrs[FMax] < FCurrentChiSquare)) {
        Worst = FDCoefs;
        FChiSqrs[FMax] = FCurrentChiSquare;
      }
    } else if (FChiSqrs[FMax] > FChiSqrs[FTwo]) {
      // Worse than the second-worst: halfway back to the centre.
      ExpandReflectContract(Worst, -0.5);
      FChiSqrs[FMax] = ChiSquare(Worst, Points);
      if (FChiSqrs[FTwo] >= FChiSqrs[FMax]) NewSimplex(Points);
    }
    MaxMin();
    FCurrentChiSquare = FChiSqrs[FMin];
    FCoefs = FSimplex[FMin];
    FCurrentCorner = FCoefs;
    if (FOnIteration) FOnIteration();
    --FIteration;
  } while (!FStopIterations && FIteration >= 0 && FCurrentChiSquare != 0);
  GetStatistics(Points);
}

// ---- TGvFittedLine -----------------------------------------------------------

namespace {

// A model typed as text, parsed once: X and the letters A..P read the slots
// that every evaluation fills from its arguments ("E" is a coefficient here,
// not Euler's number).
struct TParsedModel
{
  explicit TParsedModel(const QObject* Owner) : Parser(Owner) {}
  double X = 0;
  std::array<double, TGvSimplexFit::MaxOrder> Coefs{};
  TGvFunctionParser Parser;
};

TGvExpressionCompiler ParserCompiler(const QObject* Owner)
{
  return [Owner](const QString& Expression) -> TGvFittingFunctionHandler {
    auto Model = std::make_shared<TParsedModel>(Owner);
    Model->Parser.BindVariable("X", &Model->X, "X-Value");
    for (int I = 0; I < TGvSimplexFit::MaxOrder; ++I) {
      const QChar Letter('A' + I);
      Model->Parser.BindVariable(QString(Letter), &Model->Coefs[std::size_t(I)],
                                 "Variable " + QString(Letter.toLower()));
    }
    Model->Parser.SetExpression(Expression);
    return [Model](const TGvFittingFunctionArgs& A) {
      Model->X = A.X;
      const std::size_t N = std::min(A.Coefficients.size(), Model->Coefs.size());
      std::copy_n(A.Coefficients.begin(), N, Model->Coefs.begin());
      return Model->Parser.GetResult();
    };
  };
}

} // namespace

TGvFittedLine::TGvFittedLine(QObject* Owner) : TGvFunctionSeries(Owner)
{
  auto C = std::make_unique<TGvCalculationOf<TGvSimplexFit>>();
  FFit = C.get();
  SetCalculation(std::move(C));
  FFit->Calc.SetIterations(300);
  FFit->Calc.SetExpressionCompiler(ParserCompiler(this));
  SetMinCount(0);
  RegisterVariables();
  NumberCaption();
}

TGvFittedLine::~TGvFittedLine()
{
  BeginDestroy();
}

void TGvFittedLine::SetOrder(int Value)
{
  CheckUndo("Coefficients", QStringLiteral("Fitted line coefficients"));
  FFit->Calc.SetOrder(Value);
  SetLastCount(0);
}

void TGvFittedLine::SetIterations(int Value)
{
  if (Value == Iterations()) return;
  CheckUndo("Iterations", QStringLiteral("Fitted line iterations"));
  FFit->Calc.SetIterations(Value);
}

void TGvFittedLine::SetExpression(const QString& Value)
{
  // The same text again is checked again when its check failed (no change
  // to record then).
  const bool Same = Value == Expression();
  if (Same && !FFit->Calc.ExpressionFailed()) return;
  if (!Same) CheckUndo("Expression", QStringLiteral("Fitted line expression"));
  try {
    FFit->Calc.SetExpression(Value);
  } catch (...) {
    // The text is kept; the line shows no curve until it is mended.
    SetLastCount(0);
    throw;
  }
  if (FromExpression())
    SetLastCount(0);
  else
    UpdateVariables();
}

QList<double> TGvFittedLine::Coefficients() const
{
  const std::span<const double> C = FFit->Calc.CurrentCorner();
  return QList<double>(C.begin(), C.end());
}

void TGvFittedLine::SetCoefficients(const QList<double>& Value)
{
  CheckUndo("Coefficients", QStringLiteral("Fitted line coefficients"));
  FFit->Calc.SetCoefs(std::span<const double>(Value.data(), std::size_t(Value.size())));
  SetLastCount(0);
}

void TGvFittedLine::SetDoCovariance(bool Value)
{
  CheckUndo("DoCovariance", QStringLiteral("Fitting using covariance/variance"));
  FFit->Calc.SetDoCovariance(Value);
}

void TGvFittedLine::SetFittingFunction(TGvFittingFunctionEvent Handler)
{
  FFittingFunction = std::move(Handler);
  if (FFittingFunction)
    FFit->Calc.SetFittingFunction(
        [this](const TGvFittingFunctionArgs& A) { return FFittingFunction(this, A); });
  else
    FFit->Calc.SetFittingFunction({});
  SetLastCount(0);
}

void TGvFittedLine::SetOnIteration(TGvNotifyEvent Handler)
{
  FOnIteration = std::move(Handler);
  if (FOnIteration)
    FFit->Calc.SetOnIteration([this] { FOnIteration(this); });
  else
    FFit->Calc.SetOnIteration({});
}

void TGvFittedLine::SetOnNewCorner(TGvFittingCornerEvent Handler)
{
  FOnNewCorner = std::move(Handler);
  if (FOnNewCorner)
    FFit->Calc.SetOnNewCorner([this](std::span<const double> C) { FOnNewCorner(this, C); });
  else
    FFit->Calc.SetOnNewCorner({});
}

void TGvFittedLine::CalculateFunction()
{
  if (FCount < MinCount() && Iterations() != 0) return;
  SetLimits();
  if (FromExpression() && Expression().isEmpty())
    throw EMathError(QStringLiteral("No FittingFunction or Expression defined"));
  // The fit reads the points through the X and Y transformations only.
  PrepareCalculation(*FFit, false);
  FFit->Calculate();
  SampleYRange();
  if (OnCalculated) OnCalculated(this);
}

double TGvFittedLine::GetY(double AtX)
{
  return FFit->Calc.GetY(AtX);
}

QString TGvFittedLine::GetFormula() const
{
  return FromExpression() ? Expression() : QString();
}

void TGvFittedLine::RegisterVariables()
{
  TGvFunctionSeries::RegisterVariables();
  struct TVar
  {
    const char* Id;
    const char* Comment;
    double (TGvFittedLine::*Get)() const;
  };
  const TVar Vars[] = {
      {"AverageX", "Mean of X values", &TGvFittedLine::AverageX},
      {"AverageY", "Mean of Y values", &TGvFittedLine::AverageY},
      {"VarianceX", "Variance of X values", &TGvFittedLine::VarianceX},
      {"VarianceY", "Variance of Y values", &TGvFittedLine::VarianceY},
      {"Probability", "Probability of the fitted line", &TGvFittedLine::Probability},
      {"SumOfResiduals", "Sum of squared deviations of data points to fitted line",
       &TGvFittedLine::SumOfResiduals},
  };
  for (const TVar& V : Vars) {
    const auto Get = V.Get;
    AddVariableToList(V.Id, V.Comment, this, GlobalVariableList(),
                      [this, Get] { return (this->*Get)(); });
  }
  AddArrayToList(
      "Coefficients", "Coefficients A..P of the fitted expression", this, GlobalArrayList(),
      [this](int I) { return Coefficient(I); }, [this] { return std::max(Order(), 0); });
}
