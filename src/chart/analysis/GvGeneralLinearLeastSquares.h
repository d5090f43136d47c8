// Weighted general linear least squares: Y = sum of a(i) * f(i)(X), i = 0..Order,
// for basis functions f(i) given by a handler (or the powers X^i).
//
//   TGvGeneralLinearLeastSquaresCalculation  the fit over plain arrays
//   TGvCustomGeneralLinearLeastSquares       the function series that draws
//                                            it (Order, the coefficients and
//                                            the statistics)
//   TGvGeneralLinearLeastSquares             with the basis functions of a
//                                            handler (BasisFunction)
// The polynomial (unit GvPolynomial) is the same series with the powers.
//
// The least-squares problem is solved by an orthogonal factorisation: the
// weighted rows are reduced by Householder reflections into a triangular
// factor R (a block at a time, so that no design matrix of all points is kept),
// the columns of R are scaled to unit length, and the singular value
// decomposition of the scaled R (ReduceMatrix) gives the coefficients and their
// covariance. Singular values below a relative threshold count as 0, so that
// rank-deficient data give the minimum-norm solution instead of exploding.
#pragma once

#include "chart/GvMath.h"
#include "chart/GvSeries.h"

#include <QString>
#include <functional>
#include <vector>

// A dense matrix of doubles, row by row.
struct TGvMatrix
{
  int Rows = 0;
  int Cols = 0;
  std::vector<double> Data;

  TGvMatrix() = default;
  TGvMatrix(int R, int C) : Rows(R), Cols(C), Data(std::size_t(R) * std::size_t(C), 0.0) {}
  double& operator()(int R, int C) { return Data[std::size_t(R) * std::size_t(Cols) + C]; }
  double operator()(int R, int C) const { return Data[std::size_t(R) * std::size_t(Cols) + C]; }
};

// Singular value decomposition Base = U * diag(SingularValues) * Solution^T
// (Golub-Reinsch: Householder reduction to bidiagonal form, then implicitly
// shifted QR sweeps). Base (rows x columns, rows >= columns) becomes U;
// SingularValues (at least columns entries) receives the non-negative singular
// values; Solution (columns x columns) becomes V. Each singular value gets at
// most 31 sweeps; the result is false when one of them did not converge (the
// values of the last sweep are kept). Dimension errors raise EMathError.
bool ReduceMatrix(TGvMatrix& Base, std::vector<double>& SingularValues, TGvMatrix& Solution);

// What the basis handler is asked for: f(Index)(X).
struct TGvGeneralLinearFittingArgs
{
  double X = 0;
  int Index = 0;
};
using TGvGeneralLinearFittingHandler = std::function<double(const TGvGeneralLinearFittingArgs&)>;

class TGvCustomGeneralLinearLeastSquaresCalculation
{
public:
  // The highest order accepted; SetOrder bounds larger values to it.
  static constexpr int MaxOrder = 50;

  virtual ~TGvCustomGeneralLinearLeastSquaresCalculation() = default;

  // True for the polynomial: the basis is X^i without a handler and the order
  // is at least 2.
  bool IsPolynomial() const { return FPolynomial; }

  int Order() const { return FOrder; }
  // Bounds the order to [0, MaxOrder] ([2, MaxOrder] for the polynomial),
  // sizes the coefficient arrays to Order + 1 and sets every coefficient to 1.
  void SetOrder(int N);

  void SetBasisFunction(TGvGeneralLinearFittingHandler Handler) { FBasis = std::move(Handler); }
  bool HasBasisFunction() const { return bool(FBasis); }

  // At design time a missing handler is no error (the powers stand in) and
  // coefficient reads out of range give 0.
  void SetDesignTime(bool DesignTime) { FDesignTime = DesignTime; }
  bool DesignTime() const { return FDesignTime; }

  // The fit over the valid points with positive weight. Raises EMathError with
  // "No X vector defined for calculation", "No Y vector defined for
  // calculation", "No BasisFunction defined" or "Not enough data points to
  // calculate function"; on an error the results keep their previous values.
  void Calculate(const TGvCalculationData& Points);

  // The fitted function: sum of f(i)(AtX) * Coeffs[i].
  double GetY(double AtX) const;
  // f(Index)(X): the handler, or X^Index.
  double Basis(double X, int Index) const;

  // Readers of the published arrays: Index in 0..Order; any other index gives
  // 0 at design time and raises EGvRangeError "General Linear Least Squares:
  // Index of variable out of range" otherwise.
  double Coefficient(int Index) const;
  double DeltaCoefficient(int Index) const;

  const std::vector<double>& Coeffs() const { return FCoeffs; }
  // Square roots of the diagonal of the inverse of the weighted normal matrix
  // (the standard deviations when the weights are 1/sigma^2).
  const std::vector<double>& DeltaCoeffs() const { return FDeltaCoeffs; }
  int DCount() const { return FDCount; }
  double AverageX() const { return FAverageX; }
  double AverageY() const { return FAverageY; }
  double VarianceX() const { return FVarianceX; }
  double VarianceY() const { return FVarianceY; }
  double Probability() const { return FProbability; }
  double QRel() const { return FQRel; }
  double SumOfResiduals() const { return FSumOfResiduals; }
  // Singular values kept in the last fit (Order + 1 for data of full rank).
  int Rank() const { return FRank; }
  // True when the last decomposition converged within its sweeps.
  bool Converged() const { return FConverged; }

protected:
  explicit TGvCustomGeneralLinearLeastSquaresCalculation(bool Polynomial);

private:
  bool FPolynomial;
  bool FDesignTime = false;
  int FOrder = 2;
  int FDCount = 0;
  TGvGeneralLinearFittingHandler FBasis;
  std::vector<double> FCoeffs;
  std::vector<double> FDeltaCoeffs;
  double FAverageX = 1.0;
  double FAverageY = 1.0;
  double FVarianceX = 1.0;
  double FVarianceY = 1.0;
  double FProbability = 1.0;
  double FQRel = 1.0;
  double FSumOfResiduals = 1.0;
  int FRank = 0;
  bool FConverged = true;
};

class TGvGeneralLinearLeastSquaresCalculation : public TGvCustomGeneralLinearLeastSquaresCalculation
{
public:
  TGvGeneralLinearLeastSquaresCalculation() : TGvCustomGeneralLinearLeastSquaresCalculation(false)
  {
  }
};

// The formula text of the general series, in rich caption markup.
QString GeneralLinearLeastSquaresFormula();

// ---- The series ---------------------------------------------------------------

// The calculation object of the least-squares series: the fit over the
// points the series gathers.
class TGvLeastSquaresCalculationObject : public TGvCalculation
{
public:
  explicit TGvLeastSquaresCalculationObject(
      std::unique_ptr<TGvCustomGeneralLinearLeastSquaresCalculation> Calc)
      : Calc(std::move(Calc))
  {
  }
  std::unique_ptr<TGvCustomGeneralLinearLeastSquaresCalculation> Calc;
  void Calculate() override { Calc->Calculate(Gather()); }
};

// Published beyond the function series: Order (2 at first; bounded, see the
// calculation's SetOrder; MinCount follows as Order + 1). Read-only results:
// Coefficients(Index), DeltaCoefficient(Index), AverageX, AverageY,
// VarianceX, VarianceY, Probability, QRel, SumOfResiduals, registered as
// parser variables, with the arrays "Coefficients" and "DeltaCoefficients".
class TGvCustomGeneralLinearLeastSquares : public TGvFunctionSeries
{
  Q_OBJECT
  Q_PROPERTY(int Order READ Order WRITE SetOrder)
public:
  ~TGvCustomGeneralLinearLeastSquares() override;

  int Order() const { return Fit().Order(); }
  void SetOrder(int Value);

  // Index 0 .. Order; any other raises EGvRangeError "General Linear Least
  // Squares: Index of variable out of range".
  double Coefficients(int Index) const { return Fit().Coefficient(Index); }
  double DeltaCoefficient(int Index) const { return Fit().DeltaCoefficient(Index); }
  double AverageX() const { return Fit().AverageX(); }
  double AverageY() const { return Fit().AverageY(); }
  double VarianceX() const { return Fit().VarianceX(); }
  double VarianceY() const { return Fit().VarianceY(); }
  double Probability() const { return Fit().Probability(); }
  double QRel() const { return Fit().QRel(); }
  double SumOfResiduals() const { return Fit().SumOfResiduals(); }
  const TGvCustomGeneralLinearLeastSquaresCalculation& Fit() const { return *FPoly->Calc; }

  double GetY(double AtX) override;
  void RegisterVariables() override;

  // Saved forms (GvAnalysisIO.cpp), after the function series' fields: Order
  // as int32, byte 0; the XML child "Polynomial" (the polynomial) or
  // "GeneralLinearLeastSquares" with the attribute "Order"; the ini key
  // "Order". An order outside what SetOrder accepts is refused.
  void WriteFields(TGvStreamWriter& W) const override;
  void ReadFields(TGvStreamReader& R) override;
  void WriteToInner(QDomElement& E) const override;
  void ReadFromInner(const QDomElement& E) override;
  void WriteIni(TGvIniFile& Ini, const QString& Section) const override;
  void ReadIni(const TGvIniFile& Ini, const QString& Section) override;

protected:
  TGvCustomGeneralLinearLeastSquares(
      QObject* Owner, std::unique_ptr<TGvCustomGeneralLinearLeastSquaresCalculation> Calc);
  TGvCustomGeneralLinearLeastSquaresCalculation& FitCalc() { return *FPoly->Calc; }

private:
  TGvLeastSquaresCalculationObject* FPoly;
};

// The basis handler of the series: f(Index)(X), with the series as sender.
using TGvBasisFunctionEvent =
    std::function<double(TGvSeries* Sender, const TGvGeneralLinearFittingArgs& Args)>;

// Y = sum of a(i) * f(i)(X) for the basis functions of BasisFunction;
// without one the calculation fails with "No BasisFunction defined".
class TGvGeneralLinearLeastSquares : public TGvCustomGeneralLinearLeastSquares
{
  Q_OBJECT
public:
  explicit TGvGeneralLinearLeastSquares(QObject* Owner = nullptr);

  const TGvBasisFunctionEvent& BasisFunction() const { return FBasisFunction; }
  void SetBasisFunction(TGvBasisFunctionEvent Handler);

  QString GetFormula() const override;

private:
  TGvBasisFunctionEvent FBasisFunction;
};
