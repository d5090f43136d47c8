// The polynomial fit: general linear least squares with the powers X^i as
// basis, i = 0..Order, Order at least 2.
//
// TGvPolynomial is the least-squares series (GvGeneralLinearLeastSquares.h)
// with the powers as basis; its formula text is PolynomialFormula(Order()).
#pragma once

#include "chart/analysis/GvGeneralLinearLeastSquares.h"

#include <QString>
#include <span>

// Sum of C[i] * X^i by Horner's scheme from the last coefficient down.
double Polynom(double X, std::span<const double> C);

class TGvPolynomialCalculation : public TGvCustomGeneralLinearLeastSquaresCalculation
{
public:
  TGvPolynomialCalculation() : TGvCustomGeneralLinearLeastSquaresCalculation(true) {}
};

// "Y=a+bX+cX\+2\+..." in rich caption markup: the powers up to the order, or
// up to 4 followed by "+...+" and the last term for orders above 5.
QString PolynomialFormula(int Order);

// The polynomial fit as a function series: Order 2 .. MaxOrder.
class TGvPolynomial : public TGvCustomGeneralLinearLeastSquares
{
  Q_OBJECT
public:
  explicit TGvPolynomial(QObject* Owner = nullptr);
  QString GetFormula() const override;
};
