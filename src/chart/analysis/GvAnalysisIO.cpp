// The saved forms of the analysis series: the fields each one adds after
// those of the function series (GvSeriesIO.cpp), in the binary stream, the
// XML element and the ini section.
//
// The readers follow the series base: every field of a group is read and
// checked before any is applied, values go through the setters (the series is
// loading, so nothing is recorded on the undo stack), references go through
// GvLinkRef. A form that is cut short, holds a value outside its enumeration
// or range, or an unknown extension raises EGvReadError; the public readers
// and the graph check the whole form on scratch objects first, so the series
// keeps its settings then.
#include "chart/GvIO.h"
#include "chart/analysis/GvFFT.h"
#include "chart/analysis/GvFitting.h"
#include "chart/analysis/GvGeneralLinearLeastSquares.h"
#include "chart/analysis/GvInterpolation.h"
#include "chart/analysis/GvLinearRegression.h"
#include "chart/analysis/GvMovingAverage.h"

#include <QDomDocument>
#include <QList>
#include <vector>

namespace {

using namespace GvForms;

} // namespace

// ---- Moving average -------------------------------------------------------------

namespace {

struct TAveragingForm
{
  int Method, Direction, Range;
  double N, Factor;

  explicit TAveragingForm(const TGvMovingAverage& S)
      : Method(int(S.AveragingMethod())), Direction(int(S.AveragingDirection())),
        Range(int(S.AveragingRangeMethod())), N(S.N()), Factor(S.ExponentialFactorForN())
  {
  }
  void Check() const
  {
    CheckedValue(Method, 3, "averaging method", "series");
    CheckedValue(Direction, 2, "averaging direction", "series");
    CheckedValue(Range, 2, "averaging range method", "series");
  }
  void Apply(TGvMovingAverage& S) const
  {
    S.SetAveragingMethod(TGvAveragingMethod(Method));
    S.SetAveragingDirection(TGvAveragingDirection(Direction));
    S.SetAveragingRangeMethod(TGvAveragingRangeMethod(Range));
    S.SetN(N);
    S.SetExponentialFactorForN(Factor);
  }
};

const char* const AveragingKeys[5] = {"AveragingMethod", "AveragingDirection",
                                      "AveragingRangeMethod", "N", "ExponentialFactorForN"};

} // namespace

void TGvMovingAverage::WriteFields(TGvStreamWriter& W) const
{
  TGvFunctionSeries::WriteFields(W);
  W.WriteByte(uint8_t(AveragingMethod()));
  W.WriteByte(uint8_t(AveragingDirection()));
  W.WriteByte(uint8_t(AveragingRangeMethod()));
  W.WriteFloat64(N());
  W.WriteFloat64(ExponentialFactorForN());
  W.WriteByte(0);
}

void TGvMovingAverage::ReadFields(TGvStreamReader& R)
{
  TGvFunctionSeries::ReadFields(R);
  TAveragingForm F(*this);
  F.Method = R.ReadByte();
  F.Direction = R.ReadByte();
  F.Range = R.ReadByte();
  F.N = R.ReadFloat64();
  F.Factor = R.ReadFloat64();
  F.Check();
  ReadEndByte(R, "series");
  F.Apply(*this);
}

void TGvMovingAverage::WriteToInner(QDomElement& E) const
{
  TGvFunctionSeries::WriteToInner(E);
  QDomElement M = Child(E, "MovingAverage");
  XmlWrite(M, Str(AveragingKeys[0]), int(AveragingMethod()));
  XmlWrite(M, Str(AveragingKeys[1]), int(AveragingDirection()));
  XmlWrite(M, Str(AveragingKeys[2]), int(AveragingRangeMethod()));
  XmlWrite(M, Str(AveragingKeys[3]), N());
  XmlWrite(M, Str(AveragingKeys[4]), ExponentialFactorForN());
}

void TGvMovingAverage::ReadFromInner(const QDomElement& E)
{
  TGvFunctionSeries::ReadFromInner(E);
  const QDomElement M = E.firstChildElement(Str("MovingAverage"));
  if (M.isNull()) return;
  TAveragingForm F(*this);
  XmlRead(M, Str(AveragingKeys[0]), F.Method);
  XmlRead(M, Str(AveragingKeys[1]), F.Direction);
  XmlRead(M, Str(AveragingKeys[2]), F.Range);
  XmlRead(M, Str(AveragingKeys[3]), F.N);
  XmlRead(M, Str(AveragingKeys[4]), F.Factor);
  F.Check();
  F.Apply(*this);
}

void TGvMovingAverage::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvFunctionSeries::WriteIni(Ini, Sec);
  Ini.WriteInteger(Sec, Str(AveragingKeys[0]), int(AveragingMethod()));
  Ini.WriteInteger(Sec, Str(AveragingKeys[1]), int(AveragingDirection()));
  Ini.WriteInteger(Sec, Str(AveragingKeys[2]), int(AveragingRangeMethod()));
  Ini.WriteFloat(Sec, Str(AveragingKeys[3]), N());
  Ini.WriteFloat(Sec, Str(AveragingKeys[4]), ExponentialFactorForN());
}

void TGvMovingAverage::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvFunctionSeries::ReadIni(Ini, Sec);
  TAveragingForm F(*this);
  IniRead(Ini, Sec, Str(AveragingKeys[0]), F.Method);
  IniRead(Ini, Sec, Str(AveragingKeys[1]), F.Direction);
  IniRead(Ini, Sec, Str(AveragingKeys[2]), F.Range);
  IniRead(Ini, Sec, Str(AveragingKeys[3]), F.N);
  IniRead(Ini, Sec, Str(AveragingKeys[4]), F.Factor);
  F.Check();
  F.Apply(*this);
}

// ---- Interpolation ---------------------------------------------------------------

namespace {

struct TInterpolationForm
{
  int Method;
  bool Smooth;
  double Range, Elasticity;

  explicit TInterpolationForm(const TGvInterpolation& S)
      : Method(int(S.InterpolationMethod())), Smooth(S.SmoothPoints()), Range(S.SmoothingRange()),
        Elasticity(S.ElasticityFactor())
  {
  }
  void Check() const { CheckedValue(Method, 3, "interpolation method", "series"); }
  // Smoothing goes off before the method changes and on after it, so that
  // no step meets the approximative spline with smoothing on.
  void Apply(TGvInterpolation& S) const
  {
    if (!Smooth) S.SetSmoothPoints(false);
    S.SetInterpolationMethod(TGvInterpolationMethod(Method));
    if (Smooth) S.SetSmoothPoints(true);
    S.SetSmoothingRange(Range);
    S.SetElasticityFactor(Elasticity);
  }
};

const char* const InterpolationKeys[4] = {"Method", "SmoothPoints", "SmoothingRange",
                                          "ElasticityFactor"};

} // namespace

void TGvInterpolation::WriteFields(TGvStreamWriter& W) const
{
  TGvFunctionSeries::WriteFields(W);
  W.WriteByte(uint8_t(InterpolationMethod()));
  W.WriteBool(SmoothPoints());
  W.WriteFloat64(SmoothingRange());
  W.WriteFloat64(ElasticityFactor());
  W.WriteByte(0);
}

void TGvInterpolation::ReadFields(TGvStreamReader& R)
{
  TGvFunctionSeries::ReadFields(R);
  TInterpolationForm F(*this);
  F.Method = R.ReadByte();
  F.Smooth = R.ReadBool();
  F.Range = R.ReadFloat64();
  F.Elasticity = R.ReadFloat64();
  F.Check();
  ReadEndByte(R, "series");
  F.Apply(*this);
}

void TGvInterpolation::WriteToInner(QDomElement& E) const
{
  TGvFunctionSeries::WriteToInner(E);
  QDomElement I = Child(E, "Interpolation");
  XmlWrite(I, Str(InterpolationKeys[0]), int(InterpolationMethod()));
  XmlWrite(I, Str(InterpolationKeys[1]), SmoothPoints());
  XmlWrite(I, Str(InterpolationKeys[2]), SmoothingRange());
  XmlWrite(I, Str(InterpolationKeys[3]), ElasticityFactor());
}

void TGvInterpolation::ReadFromInner(const QDomElement& E)
{
  TGvFunctionSeries::ReadFromInner(E);
  const QDomElement I = E.firstChildElement(Str("Interpolation"));
  if (I.isNull()) return;
  TInterpolationForm F(*this);
  XmlRead(I, Str(InterpolationKeys[0]), F.Method);
  XmlRead(I, Str(InterpolationKeys[1]), F.Smooth);
  XmlRead(I, Str(InterpolationKeys[2]), F.Range);
  XmlRead(I, Str(InterpolationKeys[3]), F.Elasticity);
  F.Check();
  F.Apply(*this);
}

void TGvInterpolation::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvFunctionSeries::WriteIni(Ini, Sec);
  Ini.WriteInteger(Sec, Str(InterpolationKeys[0]), int(InterpolationMethod()));
  Ini.WriteBool(Sec, Str(InterpolationKeys[1]), SmoothPoints());
  Ini.WriteFloat(Sec, Str(InterpolationKeys[2]), SmoothingRange());
  Ini.WriteFloat(Sec, Str(InterpolationKeys[3]), ElasticityFactor());
}

void TGvInterpolation::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvFunctionSeries::ReadIni(Ini, Sec);
  TInterpolationForm F(*this);
  IniRead(Ini, Sec, Str(InterpolationKeys[0]), F.Method);
  IniRead(Ini, Sec, Str(InterpolationKeys[1]), F.Smooth);
  IniRead(Ini, Sec, Str(InterpolationKeys[2]), F.Range);
  IniRead(Ini, Sec, Str(InterpolationKeys[3]), F.Elasticity);
  F.Check();
  F.Apply(*this);
}

// ---- Linear regression --------------------------------------------------------------

// The band's blocks check themselves before they change; the offset is the
// one the line is held to, so it is taken only with a fixed offset.
void TGvLinearRegression::WriteFields(TGvStreamWriter& W) const
{
  TGvFunctionSeries::WriteFields(W);
  W.WriteBool(FixedOffset());
  if (FixedOffset()) W.WriteFloat64(Offset());
  ToStream(W, *ConfidenceIntervalLine());
  ToStream(W, *ConfidenceIntervalArea());
  W.WriteByte(0);
}

void TGvLinearRegression::ReadFields(TGvStreamReader& R)
{
  TGvFunctionSeries::ReadFields(R);
  const bool Fixed = R.ReadBool();
  const double At = Fixed ? R.ReadFloat64() : Offset();
  SetFixedOffset(Fixed);
  if (Fixed) SetOffset(At);
  FromStream(R, *ConfidenceIntervalLine());
  FromStream(R, *ConfidenceIntervalArea());
  ReadEndByte(R, "series");
}

void TGvLinearRegression::WriteToInner(QDomElement& E) const
{
  TGvFunctionSeries::WriteToInner(E);
  QDomElement L = Child(E, "LinearRegression");
  XmlWrite(L, Str("FixedOffset"), FixedOffset());
  if (FixedOffset()) XmlWrite(L, Str("Offset"), Offset());
  ToNode(L, Str("ConfidenceIntervalLine"), *ConfidenceIntervalLine());
  ToNode(L, Str("ConfidenceIntervalArea"), *ConfidenceIntervalArea());
}

void TGvLinearRegression::ReadFromInner(const QDomElement& E)
{
  TGvFunctionSeries::ReadFromInner(E);
  const QDomElement L = E.firstChildElement(Str("LinearRegression"));
  if (L.isNull()) return;
  bool Fixed = FixedOffset();
  double At = Offset();
  XmlRead(L, Str("FixedOffset"), Fixed);
  XmlRead(L, Str("Offset"), At);
  SetFixedOffset(Fixed);
  if (Fixed) SetOffset(At);
  FromNode(L, Str("ConfidenceIntervalLine"), *ConfidenceIntervalLine());
  FromNode(L, Str("ConfidenceIntervalArea"), *ConfidenceIntervalArea());
}

void TGvLinearRegression::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvFunctionSeries::WriteIni(Ini, Sec);
  Ini.WriteBool(Sec, Str("FixedOffset"), FixedOffset());
  Ini.WriteFloat(Sec, Str("Offset"), Offset());
  ToIni(Ini, Sec, Str("ConfidenceIntervalLine"), *ConfidenceIntervalLine());
  ToIni(Ini, Sec, Str("ConfidenceIntervalArea"), *ConfidenceIntervalArea());
}

void TGvLinearRegression::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvFunctionSeries::ReadIni(Ini, Sec);
  bool Fixed = FixedOffset();
  double At = Offset();
  IniRead(Ini, Sec, Str("FixedOffset"), Fixed);
  IniRead(Ini, Sec, Str("Offset"), At);
  SetFixedOffset(Fixed);
  if (Fixed) SetOffset(At);
  FromIni(Ini, Sec, Str("ConfidenceIntervalLine"), *ConfidenceIntervalLine());
  FromIni(Ini, Sec, Str("ConfidenceIntervalArea"), *ConfidenceIntervalArea());
}

// ---- General linear least squares and polynomial -----------------------------------

namespace {

// A saved order outside what the setter accepts is refused: the arrays are
// sized by it.
int CheckedOrder(const TGvCustomGeneralLinearLeastSquares& S, int Order)
{
  const int Lowest = S.Fit().IsPolynomial() ? 2 : 0;
  const int Highest = TGvCustomGeneralLinearLeastSquaresCalculation::MaxOrder;
  if (Order < Lowest || Order > Highest)
    throw EGvReadError(QStringLiteral("Invalid order %1 in series: %2 to %3 are allowed")
                           .arg(Order)
                           .arg(Lowest)
                           .arg(Highest));
  return Order;
}

const char* LeastSquaresElement(const TGvCustomGeneralLinearLeastSquares& S)
{
  return S.Fit().IsPolynomial() ? "Polynomial" : "GeneralLinearLeastSquares";
}

} // namespace

void TGvCustomGeneralLinearLeastSquares::WriteFields(TGvStreamWriter& W) const
{
  TGvFunctionSeries::WriteFields(W);
  W.WriteInt32(Order());
  W.WriteByte(0);
}

void TGvCustomGeneralLinearLeastSquares::ReadFields(TGvStreamReader& R)
{
  TGvFunctionSeries::ReadFields(R);
  const int N = CheckedOrder(*this, R.ReadInt32());
  ReadEndByte(R, "series");
  SetOrder(N);
}

void TGvCustomGeneralLinearLeastSquares::WriteToInner(QDomElement& E) const
{
  TGvFunctionSeries::WriteToInner(E);
  QDomElement L = Child(E, LeastSquaresElement(*this));
  XmlWrite(L, Str("Order"), Order());
}

void TGvCustomGeneralLinearLeastSquares::ReadFromInner(const QDomElement& E)
{
  TGvFunctionSeries::ReadFromInner(E);
  const QDomElement L = E.firstChildElement(QLatin1String(LeastSquaresElement(*this)));
  if (L.isNull()) return;
  int N = Order();
  XmlRead(L, Str("Order"), N);
  SetOrder(CheckedOrder(*this, N));
}

void TGvCustomGeneralLinearLeastSquares::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvFunctionSeries::WriteIni(Ini, Sec);
  Ini.WriteInteger(Sec, Str("Order"), Order());
}

void TGvCustomGeneralLinearLeastSquares::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvFunctionSeries::ReadIni(Ini, Sec);
  int N = Order();
  IniRead(Ini, Sec, Str("Order"), N);
  SetOrder(CheckedOrder(*this, N));
}

// ---- Fitted line -------------------------------------------------------------------------

namespace {

struct TFitForm
{
  bool DoCovariance;
  int Iterations;
  QString Expression;
  QList<double> Coefficients;

  explicit TFitForm(const TGvFittedLine& S)
      : DoCovariance(S.DoCovariance()), Iterations(S.Iterations()), Expression(S.Expression()),
        Coefficients(S.Coefficients())
  {
  }

  static void CheckCount(qint64 N)
  {
    if (N < 0 || N > TGvSimplexFit::MaxOrder)
      throw EGvReadError(
          QStringLiteral("Invalid number of coefficients %1 in fitted line: at most %2")
              .arg(N)
              .arg(TGvSimplexFit::MaxOrder));
  }

  // The expression goes through the setter, and so through the parser with
  // its limits. One the parser refuses is kept as the setter keeps it: the
  // line shows no curve, and the reading notes why.
  static void SetExpression(TGvFittedLine& S, const QString& Text)
  {
    try {
      S.SetExpression(Text);
    } catch (const EGvError& E) {
      TGvReadContext* C = TGvReadContext::Of(&S);
      if (C && !C->Checking()) C->Warn(QStringLiteral("%1: %2").arg(S.ToString(), E.Message()));
    }
  }

  // Reading order of the stream: the coefficients before the expression.
  void ApplyCoefficientsFirst(TGvFittedLine& S) const
  {
    S.SetDoCovariance(DoCovariance);
    S.SetIterations(Iterations);
    ApplyCoefficients(S);
    SetExpression(S, Expression);
  }
  // Of the text forms: the expression before the coefficients.
  void ApplyExpressionFirst(TGvFittedLine& S) const
  {
    S.SetDoCovariance(DoCovariance);
    S.SetIterations(Iterations);
    SetExpression(S, Expression);
    ApplyCoefficients(S);
  }
  // No coefficients for a line that has no order yet leave it without one.
  void ApplyCoefficients(TGvFittedLine& S) const
  {
    if (Coefficients.isEmpty() && S.Order() <= 0) return;
    S.SetCoefficients(Coefficients);
  }
};

} // namespace

void TGvFittedLine::WriteFields(TGvStreamWriter& W) const
{
  TGvFunctionSeries::WriteFields(W);
  W.WriteBool(DoCovariance());
  W.WriteInt32(Iterations());
  const QList<double> C = Coefficients();
  W.WriteInt32(int32_t(C.size()));
  W.WriteDoubles(C.data(), C.size());
  W.WriteString(Expression());
  W.WriteByte(0);
}

void TGvFittedLine::ReadFields(TGvStreamReader& R)
{
  TGvFunctionSeries::ReadFields(R);
  TFitForm F(*this);
  F.DoCovariance = R.ReadBool();
  F.Iterations = R.ReadInt32();
  const int32_t N = R.ReadCount(8);
  TFitForm::CheckCount(N);
  std::vector<double> Values;
  R.ReadDoubles(N, Values);
  F.Coefficients = QList<double>(Values.begin(), Values.end());
  F.Expression = R.ReadString();
  R.ReadByte(); // the end of the group, not used
  F.ApplyCoefficientsFirst(*this);
}

void TGvFittedLine::WriteToInner(QDomElement& E) const
{
  TGvFunctionSeries::WriteToInner(E);
  QDomElement F = Child(E, "Fit");
  XmlWrite(F, Str("DoCovariance"), DoCovariance());
  XmlWrite(F, Str("Iterations"), Iterations());
  XmlWrite(F, Str("Expression"), Expression());
  QDomElement C = Child(F, "Coefficients");
  const QList<double> Values = Coefficients();
  XmlWrite(C, Str("Count"), int(Values.size()));
  for (double V : Values) {
    QDomElement Item = Child(C, "Item");
    Item.appendChild(E.ownerDocument().createTextNode(GvFloatToText(V)));
  }
}

void TGvFittedLine::ReadFromInner(const QDomElement& E)
{
  TGvFunctionSeries::ReadFromInner(E);
  const QDomElement Fit = E.firstChildElement(Str("Fit"));
  if (Fit.isNull()) return;
  TFitForm F(*this);
  XmlRead(Fit, Str("DoCovariance"), F.DoCovariance);
  XmlRead(Fit, Str("Iterations"), F.Iterations);
  XmlRead(Fit, Str("Expression"), F.Expression);
  const QDomElement C = Fit.firstChildElement(Str("Coefficients"));
  if (!C.isNull()) {
    int Count = 0;
    XmlRead(C, Str("Count"), Count);
    TFitForm::CheckCount(Count);
    QList<double> Values;
    for (QDomElement Item = C.firstChildElement(Str("Item")); !Item.isNull();
         Item = Item.nextSiblingElement(Str("Item"))) {
      if (Values.size() == Count)
        throw EGvReadError(QStringLiteral("Fit: more coefficients than their count %1").arg(Count));
      double V = 0;
      if (!GvTextToFloat(Item.text(), V))
        throw EGvReadError(
            QStringLiteral("Fit: coefficient \"%1\" is no number").arg(Item.text().left(64)));
      Values << V;
    }
    if (Values.size() != Count)
      throw EGvReadError(QStringLiteral("Fit: %1 coefficients where their count is %2")
                             .arg(Values.size())
                             .arg(Count));
    F.Coefficients = Values;
  }
  F.ApplyExpressionFirst(*this);
}

void TGvFittedLine::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvFunctionSeries::WriteIni(Ini, Sec);
  Ini.WriteBool(Sec, Str("DoCovariance"), DoCovariance());
  Ini.WriteInteger(Sec, Str("Iterations"), Iterations());
  IniWriteText(Ini, Sec, Str("Expression"), Expression());
  Ini.WriteInteger(Sec, Str("Order"), Order());
  QStringList Values;
  if (Order() >= 1)
    for (double V : Coefficients()) Values << GvFloatToText(V);
  Ini.WriteString(Sec, Str("Coefficients"), Order() < 1 ? Str("None") : Values.join(' '));
}

void TGvFittedLine::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvFunctionSeries::ReadIni(Ini, Sec);
  TFitForm F(*this);
  IniRead(Ini, Sec, Str("DoCovariance"), F.DoCovariance);
  IniRead(Ini, Sec, Str("Iterations"), F.Iterations);
  IniRead(Ini, Sec, Str("Expression"), F.Expression);
  int Order = 0;
  IniRead(Ini, Sec, Str("Order"), Order);
  TFitForm::CheckCount(std::max(Order, 0));
  const QString Text = Ini.ReadString(Sec, Str("Coefficients"), Str("None"));
  QList<double> Values(std::max(Order, 0), 0.0);
  if (Text.trimmed() != QLatin1String("None")) {
    const QStringList Numbers = Text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (Numbers.size() < Values.size())
      throw EGvReadError(QStringLiteral("Coefficients: %1 numbers where the order is %2")
                             .arg(Numbers.size())
                             .arg(Order));
    for (qsizetype I = 0; I < Values.size(); ++I)
      if (!GvTextToFloat(Numbers[I], Values[I]))
        throw EGvReadError(
            QStringLiteral("Coefficients: \"%1\" is no number").arg(Numbers[I].left(64)));
  }
  F.Coefficients = Values;
  F.ApplyExpressionFirst(*this);
}

// ---- Fourier series and its phase ------------------------------------------------------

namespace {

// The settings of the phase series that its owner saves for it. Its X data
// and X axis follow the owner.
struct TPhaseForm
{
  QString Caption;
  bool Visible, OutliersVisible, IncludeInLegend;
  int Layer;
  QString YAxis, Merge, Band;

  explicit TPhaseForm(const TGvChildSeries& P)
      : Caption(P.Caption()), Visible(P.Visible()), OutliersVisible(P.OutliersVisible()),
        IncludeInLegend(P.IncludeInLegend()), Layer(P.Layer()), YAxis(RefOf(P.YAxis())),
        Merge(RefOf(P.MergeLegendItemWith())), Band(RefOf(P.DrawBandTo()))
  {
  }
  void Apply(TGvChildSeries& P) const
  {
    P.SetCaption(Caption);
    P.SetVisible(Visible);
    P.SetOutliersVisible(OutliersVisible);
    P.SetIncludeInLegend(IncludeInLegend);
    P.SetLayer(Layer);
    // Without an axis of its own the phase takes its owner's.
    if (!YAxis.isEmpty())
      Link<TGvAxis>(&P, YAxis, "Phase Y axis", [](TGvChildSeries* S, TGvAxis* A) {
        if (A) S->SetYAxis(A);
      });
    Link<TGvSeries>(&P, Merge, "Phase MergeLegendItemWith",
                    [](TGvChildSeries* S, TGvSeries* M) { S->SetMergeLegendItemWith(M); });
    Link<TGvLineSeries>(&P, Band, "Phase DrawBandTo", [](TGvChildSeries* S, TGvLineSeries* B) {
      try {
        S->SetDrawBandTo(B);
      } catch (const EGvError& E) {
        if (TGvReadContext* C = TGvReadContext::Of(S)) C->Warn(E.Message());
      }
    });
  }
};

// The phase reads with its owner's context and, like its owner, loading
// (nothing recorded, its layer kept when it joins the graph).
struct TPhaseScope
{
  TPhaseScope(TGvChildSeries* Phase, QObject* Owner)
      : Loading(Phase), Context(Phase, TGvReadContext::Of(Owner))
  {
  }
  TGvLoadingScope Loading;
  TGvReadContextScope Context;
};

} // namespace

void TGvDiscreteFourier::WriteFields(TGvStreamWriter& W) const
{
  TGvFunctionSeries::WriteFields(W);
  PointSymbolToStream(W, *PointSymbol());
  const TGvChildSeries* P = Phase();
  W.WriteString(P->Caption());
  W.WriteBool(P->Visible());
  W.WriteBool(P->OutliersVisible());
  W.WriteBool(P->IncludeInLegend());
  W.WriteInt32(P->Layer());
  ToStream(W, *P->Line());
  ToStream(W, *P->Area());
  PointSymbolToStream(W, *P->PointSymbol());
  W.WriteString(RefOf(P->YAxis()));
  W.WriteString(RefOf(P->MergeLegendItemWith()));
  W.WriteString(RefOf(P->DrawBandTo()));
  W.WriteByte(0);
}

void TGvDiscreteFourier::ReadFields(TGvStreamReader& R)
{
  TGvFunctionSeries::ReadFields(R);
  PointSymbolFromStream(R, *PointSymbol());
  TGvChildSeries* P = Phase();
  TPhaseScope Scope(P, this);
  TPhaseForm F(*P);
  F.Caption = R.ReadString();
  F.Visible = R.ReadBool();
  F.OutliersVisible = R.ReadBool();
  F.IncludeInLegend = R.ReadBool();
  F.Layer = R.ReadInt32();
  FromStream(R, *P->Line());
  FromStream(R, *P->Area());
  PointSymbolFromStream(R, *P->PointSymbol());
  F.YAxis = R.ReadString();
  F.Merge = R.ReadString();
  F.Band = R.ReadString();
  ReadEndByte(R, "series");
  F.Apply(*P);
}

void TGvDiscreteFourier::WriteToInner(QDomElement& E) const
{
  TGvFunctionSeries::WriteToInner(E);
  QDomElement S = Child(E, "PointSymbol");
  PointSymbolToNode(S, *PointSymbol());
  const TGvChildSeries* P = Phase();
  QDomElement Ph = Child(E, "Phase");
  XmlWrite(Ph, Str("Caption"), P->Caption());
  XmlWrite(Ph, Str("Visible"), P->Visible());
  XmlWrite(Ph, Str("OutliersVisible"), P->OutliersVisible());
  XmlWrite(Ph, Str("IncludeInLegend"), P->IncludeInLegend());
  XmlWrite(Ph, Str("Layer"), P->Layer());
  XmlWrite(Ph, Str("YAxis"), RefOf(P->YAxis()));
  XmlWrite(Ph, Str("MergeLegendItemWith"), RefOf(P->MergeLegendItemWith()));
  XmlWrite(Ph, Str("DrawBandTo"), RefOf(P->DrawBandTo()));
  ToNode(Ph, Str("Line"), *P->Line());
  ToNode(Ph, Str("Area"), *P->Area());
  QDomElement PS = Child(Ph, "PointSymbol");
  PointSymbolToNode(PS, *P->PointSymbol());
}

void TGvDiscreteFourier::ReadFromInner(const QDomElement& E)
{
  TGvFunctionSeries::ReadFromInner(E);
  if (const QDomElement S = E.firstChildElement(Str("PointSymbol")); !S.isNull())
    PointSymbolFromNode(S, *PointSymbol());
  const QDomElement Ph = E.firstChildElement(Str("Phase"));
  if (Ph.isNull()) return;
  TGvChildSeries* P = Phase();
  TPhaseScope Scope(P, this);
  TPhaseForm F(*P);
  XmlRead(Ph, Str("Caption"), F.Caption);
  XmlRead(Ph, Str("Visible"), F.Visible);
  XmlRead(Ph, Str("OutliersVisible"), F.OutliersVisible);
  XmlRead(Ph, Str("IncludeInLegend"), F.IncludeInLegend);
  XmlRead(Ph, Str("Layer"), F.Layer);
  XmlRead(Ph, Str("YAxis"), F.YAxis);
  XmlRead(Ph, Str("MergeLegendItemWith"), F.Merge);
  XmlRead(Ph, Str("DrawBandTo"), F.Band);
  // The symbol is checked before anything of the phase changes.
  TGvPointSymbolSettings Symbol;
  Symbol.Assign(*P->PointSymbol());
  if (const QDomElement S = Ph.firstChildElement(Str("PointSymbol")); !S.isNull())
    PointSymbolFromNode(S, Symbol);
  FromNode(Ph, Str("Line"), *P->Line());
  FromNode(Ph, Str("Area"), *P->Area());
  P->PointSymbol()->Assign(Symbol);
  F.Apply(*P);
}

void TGvDiscreteFourier::WriteIni(TGvIniFile& Ini, const QString& Sec) const
{
  TGvFunctionSeries::WriteIni(Ini, Sec);
  PointSymbolToIni(Ini, Sec, Str("PointSymbol"), *PointSymbol());
  const TGvChildSeries* P = Phase();
  IniWriteText(Ini, Sec, Str("Phase.Caption"), P->Caption());
  Ini.WriteBool(Sec, Str("Phase.Visible"), P->Visible());
  Ini.WriteBool(Sec, Str("Phase.OutliersVisible"), P->OutliersVisible());
  Ini.WriteBool(Sec, Str("Phase.IncludeInLegend"), P->IncludeInLegend());
  Ini.WriteInteger(Sec, Str("Phase.Layer"), P->Layer());
  ToIni(Ini, Sec, Str("Phase.Line"), *P->Line());
  ToIni(Ini, Sec, Str("Phase.Area"), *P->Area());
  PointSymbolToIni(Ini, Sec, Str("Phase.PointSymbol"), *P->PointSymbol());
  IniWriteText(Ini, Sec, Str("Phase.YAxis"), RefOf(P->YAxis()));
  IniWriteText(Ini, Sec, Str("Phase.MergeLegendItemWith"), RefOf(P->MergeLegendItemWith()));
  IniWriteText(Ini, Sec, Str("Phase.DrawBandTo"), RefOf(P->DrawBandTo()));
}

void TGvDiscreteFourier::ReadIni(const TGvIniFile& Ini, const QString& Sec)
{
  TGvFunctionSeries::ReadIni(Ini, Sec);
  PointSymbolFromIni(Ini, Sec, Str("PointSymbol"), *PointSymbol());
  TGvChildSeries* P = Phase();
  TPhaseScope Scope(P, this);
  TPhaseForm F(*P);
  IniRead(Ini, Sec, Str("Phase.Caption"), F.Caption);
  IniRead(Ini, Sec, Str("Phase.Visible"), F.Visible);
  IniRead(Ini, Sec, Str("Phase.OutliersVisible"), F.OutliersVisible);
  IniRead(Ini, Sec, Str("Phase.IncludeInLegend"), F.IncludeInLegend);
  IniRead(Ini, Sec, Str("Phase.Layer"), F.Layer);
  IniRead(Ini, Sec, Str("Phase.YAxis"), F.YAxis);
  IniRead(Ini, Sec, Str("Phase.MergeLegendItemWith"), F.Merge);
  IniRead(Ini, Sec, Str("Phase.DrawBandTo"), F.Band);
  TGvPointSymbolSettings Symbol;
  Symbol.Assign(*P->PointSymbol());
  PointSymbolFromIni(Ini, Sec, Str("Phase.PointSymbol"), Symbol);
  FromIni(Ini, Sec, Str("Phase.Line"), *P->Line());
  FromIni(Ini, Sec, Str("Phase.Area"), *P->Area());
  P->PointSymbol()->Assign(Symbol);
  F.Apply(*P);
}
