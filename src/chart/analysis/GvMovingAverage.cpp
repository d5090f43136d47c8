#include "chart/analysis/GvMovingAverage.h"

#include <algorithm>
#include <cmath>

void TGvMovingAverageCalculation::SetN(double Value)
{
  Value = std::fabs(Value);
  if (Value == FN) return;
  FN = Value;
  FRecalculate = true;
}

void TGvMovingAverageCalculation::SetExponentialFactorForN(double Value)
{
  Value = std::min(std::fabs(Value), 1.0);
  if (Value == FExponentialFactorForN) return;
  FExponentialFactorForN = Value;
  FRecalculate = true;
}

void TGvMovingAverageCalculation::SetAveragingMethod(TGvAveragingMethod M)
{
  if (M == FAveragingMethod) return;
  FAveragingMethod = M;
  FRecalculate = true;
}

void TGvMovingAverageCalculation::SetAveragingDirection(TGvAveragingDirection D)
{
  if (D == FAveragingDirection) return;
  FAveragingDirection = D;
  FRecalculate = true;
}

void TGvMovingAverageCalculation::SetAveragingRangeMethod(TGvAveragingRangeMethod R)
{
  if (R == FAveragingRangeMethod) return;
  FAveragingRangeMethod = R;
  FRecalculate = true;
}

void TGvMovingAverageCalculation::Calculate(const TGvCalculationData& Data)
{
  Data.CheckVectors();
  FIntX.clear();
  FIntA.clear();
  const double N = std::fabs(FN);
  double LnF = 0;
  if (FAveragingMethod == TGvAveragingMethod::ExponentiallyWeighted) {
    double F = std::min(std::fabs(FExponentialFactorForN), 1.0);
    if (F == 0 || std::isnan(F)) F = 1e-300;
    LnF = std::log(F);
  }

  const std::size_t Count = Data.Count();
  std::vector<double> X, Y, W;
  X.reserve(Count);
  Y.reserve(Count);
  W.reserve(Count);
  for (std::size_t I = 0; I < Count; ++I) {
    if (!Data.IsValid(I) || !std::isfinite(Data.X[I]) || !std::isfinite(Data.Y[I])) continue;
    X.push_back(Data.X[I]);
    Y.push_back(Data.Y[I]);
    W.push_back(Data.Wi(I));
  }
  bool Ascending = true;
  for (std::size_t I = 1; I < X.size() && Ascending; ++I) Ascending = X[I] > X[I - 1];
  if (!Ascending) {
    const auto Order = SortedOrder(X);
    const auto Apply = [&](std::vector<double>& V) {
      std::vector<double> T(V.size());
      for (std::size_t I = 0; I < V.size(); ++I) T[I] = V[Order[I]];
      V.swap(T);
    };
    Apply(X);
    Apply(Y);
    Apply(W);
  }

  const std::size_t Cnt = X.size();
  const bool Both = FAveragingDirection == TGvAveragingDirection::UpAndDownwards;
  const bool ByCount = FAveragingRangeMethod == TGvAveragingRangeMethod::NasCount;
  // k = N rounded half to even, no larger than the point count.
  const double KD = std::nearbyint(std::min(N, double(Cnt)));
  const std::size_t K = std::isnan(KD) ? 0 : std::size_t(KD);
  FIntX.reserve(Cnt);
  FIntA.reserve(Cnt);
  std::size_t Lo = 0, Hi = 0;
  for (std::size_t I = 0; I < Cnt; ++I) {
    if (ByCount) {
      Lo = I > K ? I - K : 0;
      Hi = Both ? std::min(I + K, Cnt - 1) : I;
    } else {
      while (Lo + 1 <= I && X[I] - X[Lo + 1] >= N) ++Lo;
      if (Both) {
        Hi = std::max(Hi, I);
        while (Hi + 1 < Cnt && X[Hi] - X[I] < N) ++Hi;
      } else {
        Hi = I;
      }
    }
    double Span = X[Hi] - X[Lo];
    if (Both) Span *= 2;
    const double Scale = Span != 0 ? N / Span : 1.0;
    double Sum = 0, SumW = 0;
    for (std::size_t J = Lo; J <= Hi; ++J) {
      const double Dx = std::fabs(X[J] - X[I]);
      double G = 1.0;
      if (FAveragingMethod == TGvAveragingMethod::LinearWeighted) {
        if (Span != 0) G = 1.0 - Dx / Span;
      } else if (FAveragingMethod == TGvAveragingMethod::ExponentiallyWeighted) {
        G = std::exp(LnF * Scale * Dx);
      }
      if (!(G > 0)) continue;
      Sum += G * W[J] * Y[J];
      SumW += G * W[J];
    }
    if (!(SumW > 0)) continue;
    const double A = Sum / SumW;
    if (!std::isfinite(A)) continue;
    FIntX.push_back(X[I]);
    FIntA.push_back(A);
  }

  TGvCalculationData Avg;
  Avg.X = FIntX;
  Avg.Y = FIntA;
  FInterpolation.Calculate(Avg);
  FRecalculate = false;
}

QString TGvMovingAverageCalculation::FormulaText(TGvAveragingMethod M)
{
  switch (M) {
  case TGvAveragingMethod::Simple:
    return QStringLiteral("Simple moving average (all values equally weighted)");
  case TGvAveragingMethod::LinearWeighted:
    return QStringLiteral("Weight the values linear with the distance");
  case TGvAveragingMethod::ExponentiallyWeighted:
    return QStringLiteral("Weight the values exponentially with the distance");
  }
  return {};
}

// ---- TGvMovingAverage ----------------------------------------------------------

TGvMovingAverage::TGvMovingAverage(QObject* Owner) : TGvFunctionSeries(Owner)
{
  auto Calc = std::make_unique<TGvCalculationOf<TGvMovingAverageCalculation>>();
  FAvg = Calc.get();
  SetCalculation(std::move(Calc));
  SetMinCount(2);
  RegisterVariables();
  NumberCaption();
}

TGvMovingAverage::~TGvMovingAverage()
{
  BeginDestroy();
}

void TGvMovingAverage::SetAveragingMethod(TGvAveragingMethod Value)
{
  if (Value == AveragingMethod()) return;
  CheckUndo("AveragingMethod", QStringLiteral("Moving average averaging method"));
  FAvg->Calc.SetAveragingMethod(Value);
  SetLastCount(0);
}

void TGvMovingAverage::SetAveragingDirection(TGvAveragingDirection Value)
{
  if (Value == AveragingDirection()) return;
  CheckUndo("AveragingDirection", QStringLiteral("Moving average averaging directions"));
  FAvg->Calc.SetAveragingDirection(Value);
  SetLastCount(0);
}

void TGvMovingAverage::SetAveragingRangeMethod(TGvAveragingRangeMethod Value)
{
  if (Value == AveragingRangeMethod()) return;
  CheckUndo("AveragingRangeMethod", QStringLiteral("Moving average by count/diatance"));
  FAvg->Calc.SetAveragingRangeMethod(Value);
  SetLastCount(0);
}

void TGvMovingAverage::SetN(double Value)
{
  if (std::fabs(Value) == N()) return;
  CheckUndo("N", QStringLiteral("Moving average N"));
  FAvg->Calc.SetN(Value);
  SetLastCount(0);
}

void TGvMovingAverage::SetExponentialFactorForN(double Value)
{
  if (std::min(std::fabs(Value), 1.0) == ExponentialFactorForN()) return;
  CheckUndo("ExponentialFactorForN", QStringLiteral("Moving average exponential factor for N"));
  FAvg->Calc.SetExponentialFactorForN(Value);
  SetLastCount(0);
}

double TGvMovingAverage::GetY(double AtX)
{
  return FAvg->Calc.GetY(AtX);
}

QString TGvMovingAverage::GetFormula() const
{
  return TGvMovingAverageCalculation::FormulaText(AveragingMethod());
}

void TGvMovingAverage::RegisterVariables()
{
  TGvFunctionSeries::RegisterVariables();
  AddVariableToList("N", "Count/Distance of values used for averaging", this, GlobalVariableList(),
                    [this] { return N(); });
  AddVariableToList(
      "ExponentialFactorForN",
      QString::fromUtf8("Factor (<1) to multiply n±1 th value for exponential decay of weighting"),
      this, GlobalVariableList(), [this] { return ExponentialFactorForN(); });
}
