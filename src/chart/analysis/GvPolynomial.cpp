#include "chart/analysis/GvPolynomial.h"

#include "controls/GvStringFunctions.h"

double Polynom(double X, std::span<const double> C)
{
  double Y = 0.0;
  for (std::size_t I = C.size(); I-- > 0;) Y = Y * X + C[I];
  return Y;
}

namespace {
QString PowerTerm(int P)
{
  return IndexToAlphabet(P + 1).toLower() + "X\\+" + QString::number(P) + "\\+";
}
} // namespace

QString PolynomialFormula(int Order)
{
  QString F = "Y=a+bX";
  const int Last = Order > 5 ? 4 : Order;
  for (int P = 2; P <= Last; ++P) F += "+" + PowerTerm(P);
  if (Order > 5) F += "+...+" + PowerTerm(Order);
  return F;
}

// ---- TGvPolynomial ---------------------------------------------------------------

TGvPolynomial::TGvPolynomial(QObject* Owner)
    : TGvCustomGeneralLinearLeastSquares(Owner, std::make_unique<TGvPolynomialCalculation>())
{
  RegisterVariables();
  NumberCaption();
}

QString TGvPolynomial::GetFormula() const
{
  return PolynomialFormula(Order());
}
