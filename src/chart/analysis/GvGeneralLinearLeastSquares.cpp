#include "chart/analysis/GvGeneralLinearLeastSquares.h"

#include "chart/analysis/GvLeastSquaresCore.h"

#include <algorithm>
#include <cmath>

bool ReduceMatrix(TGvMatrix& Base, std::vector<double>& SingularValues, TGvMatrix& Solution)
{
  if (Base.Rows < Base.Cols)
    throw EMathError("SingularValueDecomposition: Matrix has wrong dimension");
  if (int(SingularValues.size()) < Base.Cols)
    throw EMathError("SingularValueDecomposition: Output vector has wrong dimension");
  if (Solution.Rows != Base.Cols || Solution.Cols != Base.Cols)
    throw EMathError("SingularValueDecomposition: Output matrix has wrong dimension");
  return GvLsq::SingularValueDecomposition<double>(Base.Data.data(), Base.Rows, Base.Cols,
                                                   SingularValues.data(), Solution.Data.data());
}

TGvCustomGeneralLinearLeastSquaresCalculation::TGvCustomGeneralLinearLeastSquaresCalculation(
    bool Polynomial)
    : FPolynomial(Polynomial)
{
  SetOrder(2);
}

void TGvCustomGeneralLinearLeastSquaresCalculation::SetOrder(int N)
{
  const int Lowest = FPolynomial ? 2 : 0;
  FOrder = std::clamp(N, Lowest, MaxOrder);
  FCoeffs.assign(std::size_t(FOrder) + 1, 1.0);
  FDeltaCoeffs.assign(std::size_t(FOrder) + 1, 1.0);
}

double TGvCustomGeneralLinearLeastSquaresCalculation::Basis(double X, int Index) const
{
  if (FBasis) return FBasis(TGvGeneralLinearFittingArgs{X, Index});
  double P = 1.0;
  for (int I = 0; I < Index; ++I) P *= X;
  return P;
}

double TGvCustomGeneralLinearLeastSquaresCalculation::GetY(double AtX) const
{
  if (!FBasis) {
    // Horner's scheme from the last coefficient down.
    double Y = 0.0;
    for (std::size_t I = FCoeffs.size(); I-- > 0;) Y = Y * AtX + FCoeffs[I];
    return Y;
  }
  double Y = 0.0;
  for (int I = 0; I <= FOrder; ++I) Y += FBasis(TGvGeneralLinearFittingArgs{AtX, I}) * FCoeffs[I];
  return Y;
}

double TGvCustomGeneralLinearLeastSquaresCalculation::Coefficient(int Index) const
{
  if (Index >= 0 && Index <= FOrder) return FCoeffs[Index];
  if (FDesignTime) return 0.0;
  throw EGvRangeError("General Linear Least Squares: Index of variable out of range");
}

double TGvCustomGeneralLinearLeastSquaresCalculation::DeltaCoefficient(int Index) const
{
  if (Index >= 0 && Index <= FOrder) return FDeltaCoeffs[Index];
  if (FDesignTime) return 0.0;
  throw EGvRangeError("General Linear Least Squares: Index of variable out of range");
}

void TGvCustomGeneralLinearLeastSquaresCalculation::Calculate(const TGvCalculationData& Points)
{
  using namespace GvCalcMessages;
  Points.CheckVectors();
  if (!FBasis && !FPolynomial && !FDesignTime) throw EMathError("No BasisFunction defined");

  const std::size_t N = Points.Count();
  const int P = FOrder + 1;

  // One pass: the weighted rows, reduced a block at a time into R and Q^T b,
  // and the weighted sums of the points that enter the fit.
  GvLsq::TLeastSquares Lsq(P);
  std::vector<GvLsq::TReal> Row(std::size_t(P), 0);
  std::size_t K = 0;
  double SumW = 0, SumWX = 0, SumWY = 0;
  bool NoNumber = false; // reported after the count of points
  for (std::size_t I = 0; I < N; ++I) {
    if (!Points.IsValid(I)) continue;
    const double W = Points.Wi(I);
    if (!(W > 0)) continue;
    const double X = Points.Xi(I), Y = Points.Yi(I);
    ++K;
    SumW += W;
    SumWX += W * X;
    SumWY += W * Y;
    const GvLsq::TReal Sw = W == 1 ? GvLsq::TReal(1) : std::sqrt(GvLsq::TReal(W));
    if (NoNumber) continue;
    if (FBasis) {
      for (int J = 0; J < P; ++J) {
        const double F = FBasis(TGvGeneralLinearFittingArgs{X, J});
        NoNumber = NoNumber || !std::isfinite(F);
        Row[J] = GvLsq::TReal(F) * Sw;
      }
      if (NoNumber) continue;
    } else {
      GvLsq::TReal Pow = Sw;
      for (int J = 0; J < P; ++J) {
        Row[J] = Pow;
        Pow *= X;
      }
    }
    Lsq.AddRow(Row.data(), GvLsq::TReal(Y) * Sw);
  }
  if (K < std::size_t(P) || !(SumW > 0)) throw EMathError(NotEnoughPoints);
  if (K == std::size_t(P)) {
    std::vector<double> Xs;
    Xs.reserve(K);
    for (std::size_t I = 0; I < N; ++I)
      if (Points.IsValid(I) && Points.Wi(I) > 0) Xs.push_back(Points.Xi(I));
    std::sort(Xs.begin(), Xs.end());
    if (std::adjacent_find(Xs.begin(), Xs.end()) != Xs.end()) throw EMathError(NotEnoughPoints);
  }
  if (NoNumber) throw EMathError("General Linear Least Squares: the basis function gave no number");
  const double AverageX = SumWX / SumW;
  const double AverageY = SumWY / SumW;
  GvLsq::TSolution Sol = Lsq.Solve();

  // The statistics over the valid points (a point of weight 0 adds nothing,
  // and its basis values need not be numbers).
  std::vector<GvLsq::TReal> C(Sol.Coeffs.begin(), Sol.Coeffs.end());
  GvLsq::TReal VX = 0, VY = 0, Ssr = 0, SumAllW = 0;
  for (std::size_t I = 0; I < N; ++I) {
    if (!Points.IsValid(I)) continue;
    const double W = Points.Wi(I);
    if (!(W > 0)) continue;
    const double X = Points.Xi(I);
    const double Y = Points.Yi(I);
    GvLsq::TReal Fit = 0;
    if (FBasis) {
      for (int J = 0; J < P; ++J)
        Fit += GvLsq::TReal(FBasis(TGvGeneralLinearFittingArgs{X, J})) * C[J];
    } else {
      for (int J = P; J-- > 0;) Fit = Fit * X + C[J];
    }
    const GvLsq::TReal Dx = GvLsq::TReal(X) - AverageX, Dy = GvLsq::TReal(Y) - AverageY;
    const GvLsq::TReal R = GvLsq::TReal(Y) - Fit;
    VX += W * Dx * Dx;
    VY += W * Dy * Dy;
    Ssr += W * R * R;
    SumAllW += W;
  }

  FDCount = int(std::min<std::size_t>(K, 0x7fffffff));
  FCoeffs.assign(Sol.Coeffs.begin(), Sol.Coeffs.end());
  FDeltaCoeffs.assign(Sol.Deltas.begin(), Sol.Deltas.end());
  FRank = Sol.Rank;
  FConverged = Sol.Converged;
  FAverageX = AverageX;
  FAverageY = AverageY;
  FSumOfResiduals = double(Ssr);
  FProbability = VY <= 0 ? 1.0 : double(1 - Ssr / VY);
  FVarianceX = SumAllW > 1 ? double(VX / (SumAllW - 1)) : 0.0;
  FVarianceY = SumAllW > 1 ? double(VY / (SumAllW - 1)) : 0.0;
  FQRel = SumAllW - FOrder > 0 ? double(std::sqrt(Ssr / (SumAllW - FOrder))) : 0.0;
}

QString GeneralLinearLeastSquaresFormula()
{
  return QString::fromUtf8("Y=\u03a3\\-i\\-a\\-i\\-Xf\\-i\\-(X)");
}

// ---- The series ----------------------------------------------------------------

TGvCustomGeneralLinearLeastSquares::TGvCustomGeneralLinearLeastSquares(
    QObject* Owner, std::unique_ptr<TGvCustomGeneralLinearLeastSquaresCalculation> Calc)
    : TGvFunctionSeries(Owner)
{
  auto C = std::make_unique<TGvLeastSquaresCalculationObject>(std::move(Calc));
  FPoly = C.get();
  SetCalculation(std::move(C));
  FitCalc().SetOrder(2);
  SetMinCount(Order() + 1);
}

TGvCustomGeneralLinearLeastSquares::~TGvCustomGeneralLinearLeastSquares()
{
  BeginDestroy();
}

void TGvCustomGeneralLinearLeastSquares::SetOrder(int Value)
{
  // The order as the calculation bounds it (a saved form or a typed value
  // may ask for any).
  const int Lowest = Fit().IsPolynomial() ? 2 : 0;
  const int Bounded =
      std::clamp(Value, Lowest, TGvCustomGeneralLinearLeastSquaresCalculation::MaxOrder);
  if (Bounded == Order()) return;
  CheckUndo("Order", QStringLiteral("General linear least squares order"));
  FitCalc().SetOrder(Bounded);
  SetMinCount(Order() + 1);
  SetLastCount(0);
}

double TGvCustomGeneralLinearLeastSquares::GetY(double AtX)
{
  return Fit().GetY(AtX);
}

void TGvCustomGeneralLinearLeastSquares::RegisterVariables()
{
  TGvFunctionSeries::RegisterVariables();
  using TSelf = TGvCustomGeneralLinearLeastSquares;
  struct TVar
  {
    const char* Id;
    const char* Comment;
    double (TSelf::*Get)() const;
  };
  const TVar Vars[] = {
      {"AverageX", "Mean of X values", &TSelf::AverageX},
      {"AverageY", "Mean of Y values", &TSelf::AverageY},
      {"VarianceX", "Variance of X values", &TSelf::VarianceX},
      {"VarianceY", "Variance of Y values", &TSelf::VarianceY},
      {"Probability", "Probability of the fitted line", &TSelf::Probability},
      {"QRel", "Relative error of coefficients", &TSelf::QRel},
      {"SumOfResiduals", "Sum of squared deviations of data points to fitted line",
       &TSelf::SumOfResiduals},
  };
  for (const TVar& V : Vars) {
    const auto Get = V.Get;
    AddVariableToList(V.Id, V.Comment, this, GlobalVariableList(),
                      [this, Get] { return (this->*Get)(); });
  }
  const auto Count = [this] { return Order() + 1; };
  AddArrayToList(
      "Coefficients", "Coefficients of the general linear least square", this, GlobalArrayList(),
      [this](int I) { return Coefficients(I); }, Count);
  AddArrayToList(
      "DeltaCoefficients", "Standard deviation of coefficients of the general linear least square",
      this, GlobalArrayList(), [this](int I) { return DeltaCoefficient(I); }, Count);
}

TGvGeneralLinearLeastSquares::TGvGeneralLinearLeastSquares(QObject* Owner)
    : TGvCustomGeneralLinearLeastSquares(
          Owner, std::make_unique<TGvGeneralLinearLeastSquaresCalculation>())
{
  RegisterVariables();
  NumberCaption();
}

void TGvGeneralLinearLeastSquares::SetBasisFunction(TGvBasisFunctionEvent Handler)
{
  FBasisFunction = std::move(Handler);
  if (FBasisFunction)
    FitCalc().SetBasisFunction(
        [this](const TGvGeneralLinearFittingArgs& A) { return FBasisFunction(this, A); });
  else
    FitCalc().SetBasisFunction({});
  SetLastCount(0);
}

QString TGvGeneralLinearLeastSquares::GetFormula() const
{
  return GeneralLinearLeastSquaresFormula();
}
