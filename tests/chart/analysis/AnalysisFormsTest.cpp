// The analysis series in saved graphs: a graph with every analysis kind over
// data, written in each form, read into an empty form and written again (the
// same bytes), painting the same picture and giving the same results; cut and
// corrupted forms refused without a change; the bounds a file cannot pass;
// and undo over their settings.
#include "../GraphFormsIO.h"
#include "chart/GvGraph2D.h"
#include "chart/GvIO.h"
#include "chart/GvSeries.h"
#include "chart/GvUndoStack.h"
#include "chart/GvVectors.h"
#include "chart/analysis/GvFFT.h"
#include "chart/analysis/GvFitting.h"
#include "chart/analysis/GvGeneralLinearLeastSquares.h"
#include "chart/analysis/GvInterpolation.h"
#include "chart/analysis/GvLinearRegression.h"
#include "chart/analysis/GvMovingAverage.h"
#include "chart/analysis/GvPolynomial.h"

#include <QBuffer>
#include <QDomDocument>
#include <QPointer>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace GvFormsTest;

class AnalysisForms : public ::testing::Test
{
protected:
  void SetUp() override { NewForm(); }

  // An empty form with an empty graph of the same names.
  void NewForm()
  {
    Form.reset();
    Form = std::make_unique<QWidget>();
    Form->setObjectName(QStringLiteral("AnalysisForms1"));
    Form->resize(640, 480);
    Graph = new TGvGraph2D(Form.get());
    Graph->setObjectName(QStringLiteral("Graph1"));
    Graph->setGeometry(0, 0, 640, 480);
  }

  TGvAxis* NewAxis(const char* Name, TGvAxisPosition Position)
  {
    auto* A = new TGvAxis(Graph);
    A->setObjectName(QLatin1String(Name));
    A->SetPosition(Position);
    A->SetGraph(Graph);
    return A;
  }
  TGvDoubleVector* NewVector(const char* Name, const std::vector<double>& Values)
  {
    auto* V = new TGvDoubleVector(Form.get());
    V->setObjectName(QLatin1String(Name));
    V->AddRange(std::span<const double>(Values));
    return V;
  }
  template <class T>
  T* NewSeries(const char* Name, TGvAxis* X, TGvAxis* Y, TGvCustomDoubleVector* XData,
               TGvCustomDoubleVector* YData)
  {
    auto* S = new T(Form.get());
    S->setObjectName(QLatin1String(Name));
    S->SetCaption(QStringLiteral("Caption of ") + QLatin1String(Name));
    S->SetXData(XData);
    S->SetYData(YData);
    S->SetXAxis(X);
    S->SetYAxis(Y);
    return S;
  }
  template <class T> T* Find(const char* Name) const
  {
    return Form->findChild<T*>(QLatin1String(Name));
  }

  // Every analysis kind, each with settings away from its defaults.
  void Build()
  {
    TGvAxis* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
    TGvAxis* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
    TGvAxis* F = NewAxis("XAxis2", TGvAxisPosition::Top);
    TGvAxis* A = NewAxis("YAxis2", TGvAxisPosition::Right);
    TGvAxis* P = NewAxis("YAxis3", TGvAxisPosition::Left);
    Graph->SetPrimaryXAxis(X);
    Graph->SetPrimaryYAxis(Y);
    std::vector<double> Xs, Ys, Ws;
    for (int I = 0; I < 64; ++I) {
      Xs.push_back(I * 0.25);
      Ys.push_back(2 + 0.3 * I * 0.25 + std::sin(I * 0.8) + 0.2 * std::sin(I * 2.9));
      Ws.push_back(1 + (I % 3));
    }
    TGvDoubleVector* X1 = NewVector("X1", Xs);
    TGvDoubleVector* Y1 = NewVector("Y1", Ys);
    TGvDoubleVector* W1 = NewVector("W1", Ws);
    Y1->AddOutlier(5);

    auto* Avg = NewSeries<TGvMovingAverage>("Avg1", X, Y, X1, Y1);
    Avg->SetAveragingMethod(TGvAveragingMethod::ExponentiallyWeighted);
    Avg->SetAveragingDirection(TGvAveragingDirection::UpAndDownwards);
    Avg->SetAveragingRangeMethod(TGvAveragingRangeMethod::NasXDistance);
    Avg->SetN(1.25);
    Avg->SetExponentialFactorForN(0.4);
    Avg->Line()->SetColor(GvColors::Navy);

    auto* Spline = NewSeries<TGvInterpolation>("Interp1", X, Y, X1, Y1);
    Spline->SetInterpolationMethod(TGvInterpolationMethod::CubicSpline);
    Spline->SetSmoothPoints(true);
    Spline->SetSmoothingRange(0.75);
    Spline->SetElasticityFactor(3.5);
    auto* Approx = NewSeries<TGvInterpolation>("Interp2", X, Y, X1, Y1);
    Approx->SetInterpolationMethod(TGvInterpolationMethod::ApproximativeSpline);
    Approx->SetElasticityFactor(0.25);
    Approx->SetAutoStart(false);
    Approx->SetCalculationStart(2.5);

    auto* Reg = NewSeries<TGvLinearRegression>("Reg1", X, Y, X1, Y1);
    Reg->SetWeight(W1);
    Reg->ConfidenceIntervalLine()->SetVisible(true);
    Reg->ConfidenceIntervalArea()->SetVisible(true);
    Reg->ConfidenceIntervalArea()->SetForeColor(0x3000A000);
    auto* Fixed = NewSeries<TGvLinearRegression>("Reg2", X, Y, X1, Y1);
    Fixed->SetFixedOffset(true);
    Fixed->SetOffset(1.5);
    Fixed->ConfidenceIntervalLine()->SetDashStyle(TGvDashStyle::Dot);

    auto* Poly = NewSeries<TGvPolynomial>("Poly1", X, Y, X1, Y1);
    Poly->SetOrder(5);
    auto* General = NewSeries<TGvGeneralLinearLeastSquares>("Glls1", X, Y, X1, Y1);
    General->SetOrder(3);

    auto* Fit = NewSeries<TGvFittedLine>("Fit1", X, Y, X1, Y1);
    Fit->SetIterations(0);
    Fit->SetExpression(QStringLiteral("A+B*X+C*SIN(D*X)"));
    Fit->SetCoefficients({2.0, 0.3, 1.0 / 3.0, 3.2});
    auto* Search = NewSeries<TGvFittedLine>("Fit2", X, Y, X1, Y1);
    Search->SetIterations(200);
    Search->SetDoCovariance(false);
    Search->SetExpression(QStringLiteral("A+B*X"));
    Search->SetCoefficients({1.0, 1.0});

    // The phase on an axis of its own from the start.
    auto* Spectrum = new TGvDiscreteFourier(Form.get());
    Spectrum->setObjectName(QStringLiteral("Spectrum1"));
    TGvChildSeries* Phase = Spectrum->Phase();
    Phase->SetYAxis(P);
    Phase->SetVisible(true);
    Spectrum->SetXData(X1);
    Spectrum->SetYData(Y1);
    Spectrum->SetXAxis(F);
    Spectrum->SetYAxis(A);
    Spectrum->PointSymbol()->SetVisible(true);
    Spectrum->PointSymbol()->SetPointSymbol(TGvPointSymbol::Cross);
    Phase->SetCaption(QStringLiteral("Phase of the spectrum"));
    Phase->Line()->SetWidth(2);
    Phase->PointSymbol()->SetVisible(true);
    Phase->SetIncludeInLegend(false);
  }

  // The first auto-range of an axis picks its tick partition before the
  // axis knows its length; ranging once more after a paint gives the
  // partition that a graph read from a file (whose axes come with their
  // lengths) picks.
  void Settle()
  {
    Paint();
    for (TGvAxis* A : Graph->Axes()) A->RangeModified();
    Paint();
  }

  QImage Paint()
  {
    QImage I(Graph->size(), QImage::Format_ARGB32_Premultiplied);
    I.fill(Qt::white);
    Graph->PaintToImage(I);
    return I;
  }

  // The results a reader of the restored graph sees.
  std::vector<double> Results()
  {
    std::vector<double> R;
    auto* Reg = Find<TGvLinearRegression>("Reg1");
    auto* Fixed = Find<TGvLinearRegression>("Reg2");
    auto* Poly = Find<TGvPolynomial>("Poly1");
    auto* Fit = Find<TGvFittedLine>("Fit1");
    auto* Search = Find<TGvFittedLine>("Fit2");
    auto* Spectrum = Find<TGvDiscreteFourier>("Spectrum1");
    auto* Avg = Find<TGvMovingAverage>("Avg1");
    auto* Spline = Find<TGvInterpolation>("Interp1");
    if (!Reg || !Fixed || !Poly || !Fit || !Search || !Spectrum || !Avg || !Spline) return R;
    R = {Reg->Slope(),           Reg->Offset(),  Reg->DeltaSlope(), Fixed->Slope(),
         Fixed->Offset(),        Poly->QRel(),   Fit->GetY(3.0),    Search->Coefficient(0),
         Search->Coefficient(1), Avg->GetY(7.3), Spline->GetY(4.1), Spline->GetY(12.6)};
    for (int I = 0; I <= Poly->Order(); ++I) R.push_back(Poly->Coefficients(I));
    for (double V : Spectrum->Spectrum().Amplitude()) R.push_back(V);
    for (double V : Spectrum->Spectrum().Phase()) R.push_back(V);
    return R;
  }

  std::unique_ptr<QWidget> Form;
  TGvGraph2D* Graph = nullptr;
};

class AnalysisFormsEach : public AnalysisForms, public ::testing::WithParamInterface<int>
{
};

INSTANTIATE_TEST_SUITE_P(Forms, AnalysisFormsEach, ::testing::Values(Stream, Xml, Ini),
                         [](const auto& Info) { return FormName(Info.param); });

TEST_P(AnalysisFormsEach, ReadIntoAnEmptyFormWritesTheSamePaintsTheSameAndCalculatesTheSame)
{
  Build();
  Settle();
  const QImage Before = Paint();
  const std::vector<double> Values = Results();
  ASSERT_FALSE(Values.empty());
  const QByteArray Saved = Save(*Graph, GetParam());
  NewForm();
  Load(*Graph, GetParam(), Saved);
  EXPECT_EQ(Save(*Graph, GetParam()), Saved);

  // The least-squares series without its basis handler cannot calculate:
  // that is the only note of the reading.
  const QStringList Warnings = Graph->ReadWarnings();
  for (const QString& W : Warnings) EXPECT_TRUE(W.contains("Glls1")) << W.toStdString();

  auto* Avg = Find<TGvMovingAverage>("Avg1");
  auto* Spline = Find<TGvInterpolation>("Interp1");
  auto* Approx = Find<TGvInterpolation>("Interp2");
  auto* Fixed = Find<TGvLinearRegression>("Reg2");
  auto* Reg = Find<TGvLinearRegression>("Reg1");
  auto* Poly = Find<TGvPolynomial>("Poly1");
  auto* General = Find<TGvGeneralLinearLeastSquares>("Glls1");
  auto* Fit = Find<TGvFittedLine>("Fit1");
  auto* Spectrum = Find<TGvDiscreteFourier>("Spectrum1");
  ASSERT_TRUE(Avg && Spline && Approx && Reg && Fixed && Poly && General && Fit && Spectrum);
  EXPECT_EQ(Avg->AveragingMethod(), TGvAveragingMethod::ExponentiallyWeighted);
  EXPECT_EQ(Avg->AveragingDirection(), TGvAveragingDirection::UpAndDownwards);
  EXPECT_EQ(Avg->AveragingRangeMethod(), TGvAveragingRangeMethod::NasXDistance);
  EXPECT_EQ(Avg->N(), 1.25);
  EXPECT_EQ(Avg->ExponentialFactorForN(), 0.4);
  EXPECT_EQ(Spline->InterpolationMethod(), TGvInterpolationMethod::CubicSpline);
  EXPECT_TRUE(Spline->SmoothPoints());
  EXPECT_EQ(Spline->SmoothingRange(), 0.75);
  EXPECT_EQ(Approx->InterpolationMethod(), TGvInterpolationMethod::ApproximativeSpline);
  EXPECT_EQ(Approx->ElasticityFactor(), 0.25);
  EXPECT_TRUE(Fixed->FixedOffset());
  EXPECT_EQ(Fixed->Offset(), 1.5);
  EXPECT_FALSE(Reg->FixedOffset());
  EXPECT_TRUE(Reg->ConfidenceIntervalArea()->Visible());
  EXPECT_EQ(Reg->ConfidenceIntervalArea()->ForeColor(), 0x3000A000u);
  ASSERT_NE(Reg->Weight(), nullptr);
  EXPECT_EQ(Reg->Weight()->Value(2), 3);
  EXPECT_EQ(Poly->Order(), 5);
  EXPECT_EQ(General->Order(), 3);
  EXPECT_EQ(Fit->Expression(), "A+B*X+C*SIN(D*X)");
  EXPECT_EQ(Fit->Iterations(), 0);
  EXPECT_EQ(Fit->Coefficients(), QList<double>({2.0, 0.3, 1.0 / 3.0, 3.2}));
  EXPECT_EQ(Find<TGvFittedLine>("Fit2")->Iterations(), 200);
  // The phase came back inside its spectrum, with its own axis.
  EXPECT_EQ(Spectrum->PointSymbol()->PointSymbol(), TGvPointSymbol::Cross);
  TGvChildSeries* Phase = Spectrum->Phase();
  EXPECT_TRUE(Phase->Visible());
  EXPECT_EQ(Phase->YAxis(), Find<TGvAxis>("YAxis3"));
  EXPECT_EQ(Phase->XAxis(), Find<TGvAxis>("XAxis2"));
  EXPECT_EQ(Phase->Caption(), "Phase of the spectrum");
  EXPECT_EQ(Phase->Line()->Width(), 2);
  EXPECT_FALSE(Phase->IncludeInLegend());
  EXPECT_EQ(Form->findChildren<TGvChildSeries*>().size(), 1);

  EXPECT_EQ(Paint(), Before);
  EXPECT_EQ(Results(), Values);
}

// Read over the graph it came from: the same objects, nothing new.
TEST_P(AnalysisFormsEach, ReadIntoTheSameGraphKeepsItsObjects)
{
  Build();
  Settle();
  const QImage Before = Paint();
  const QByteArray Saved = Save(*Graph, GetParam());
  QPointer<TGvDiscreteFourier> Spectrum = Find<TGvDiscreteFourier>("Spectrum1");
  QPointer<TGvChildSeries> Phase = Spectrum->Phase();
  const QStringList Objects = Tree(Form.get());
  Load(*Graph, GetParam(), Saved);
  EXPECT_EQ(Save(*Graph, GetParam()), Saved);
  EXPECT_EQ(Tree(Form.get()), Objects);
  ASSERT_TRUE(Spectrum && Phase);
  EXPECT_EQ(Spectrum->Phase(), Phase.data());
  EXPECT_EQ(Paint(), Before);
}

TEST_F(AnalysisForms, CutStreamsAreRefusedAndLeaveEverythingAsItWas)
{
  Build();
  Paint();
  const QByteArray Saved = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  // Cuts every 37 bytes, through every series' part of the form.
  for (qsizetype N = 0; N < Saved.size(); N += 37) {
    EXPECT_THROW(Load(*Graph, Stream, Saved.left(N)), EGvReadError) << N;
    ASSERT_EQ(Save(*Graph, Stream), Saved) << N;
    ASSERT_EQ(Tree(Form.get()), Objects) << N;
  }
}

TEST_F(AnalysisForms, CutTextFormsAreRefusedOrReadWhatIsThere)
{
  Build();
  Paint();
  const QByteArray Saved = Save(*Graph, Xml);
  const QByteArray SavedStream = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  for (qsizetype N = Saved.size() / 3; N < Saved.size() - 1; N += Saved.size() / 7) {
    EXPECT_THROW(Load(*Graph, Xml, Saved.left(N)), EGvReadError) << N;
    ASSERT_EQ(Save(*Graph, Stream), SavedStream) << N;
    ASSERT_EQ(Tree(Form.get()), Objects) << N;
  }
  // An ini file cut before the last series' section names a section that is
  // not there.
  const QByteArray SavedIni = Save(*Graph, Ini);
  const qsizetype Last = SavedIni.lastIndexOf("[Graph.RelatedSeries(");
  ASSERT_GT(Last, 0);
  EXPECT_THROW(Load(*Graph, Ini, SavedIni.left(Last)), EGvReadError);
  EXPECT_EQ(Save(*Graph, Stream), SavedStream);
}

// A single series' form read on its own: checked whole before it applies.
TEST_F(AnalysisForms, ASeriesReadsItsOwnFormOnlyWhenAllOfItCanBeRead)
{
  Build();
  Paint();
  auto* Fit = Find<TGvFittedLine>("Fit1");
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  Fit->WriteTo(static_cast<QIODevice&>(B));
  const QByteArray Saved = B.data();
  auto* Other = new TGvFittedLine(Form.get());
  Other->SetExpression(QStringLiteral("A*X"));
  for (qsizetype N = Saved.size() - 40; N < Saved.size(); ++N) {
    QBuffer Cut;
    Cut.setData(Saved.left(N));
    Cut.open(QIODevice::ReadOnly);
    EXPECT_THROW(Other->ReadFrom(static_cast<QIODevice&>(Cut)), EGvReadError) << N;
    ASSERT_EQ(Other->Expression(), "A*X");
    ASSERT_EQ(Other->Order(), 1);
  }
  QBuffer Whole;
  Whole.setData(Saved);
  Whole.open(QIODevice::ReadOnly);
  Other->ReadFrom(static_cast<QIODevice&>(Whole));
  EXPECT_EQ(Other->Expression(), Fit->Expression());
  EXPECT_EQ(Other->Coefficients(), Fit->Coefficients());
}

// The values a file cannot pass: orders that would size the arrays, counts
// beyond the data, enumerations out of range. Each refusal leaves the graph
// as it was.
TEST_F(AnalysisForms, OrdersCountsAndEnumerationsBeyondTheirBoundsAreRefused)
{
  auto* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
  auto* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
  TGvDoubleVector* X1 = NewVector("X1", {0, 1, 2, 3, 4, 5, 6, 7});
  TGvDoubleVector* Y1 = NewVector("Y1", {1, 3, 2, 5, 4, 6, 5, 8});
  auto* Poly = NewSeries<TGvPolynomial>("Poly1", X, Y, X1, Y1);
  Poly->SetOrder(3);
  auto* Fit = NewSeries<TGvFittedLine>("Fit1", X, Y, X1, Y1);
  Fit->SetExpression(QStringLiteral("A+B*X"));
  Fit->SetCoefficients({0.5, 1.5});
  auto* Avg = NewSeries<TGvMovingAverage>("Avg1", X, Y, X1, Y1);
  Paint();
  const QByteArray Stream0 = Save(*Graph, Stream);
  const QStringList Objects = Tree(Form.get());
  auto Refused = [&](int Kind, const QByteArray& Bad, const char* What) {
    SCOPED_TRACE(What);
    EXPECT_THROW(Load(*Graph, Kind, Bad), EGvReadError);
    EXPECT_EQ(Save(*Graph, Stream), Stream0);
    EXPECT_EQ(Tree(Form.get()), Objects);
  };

  {
    const QByteArray Ini0 = Save(*Graph, Ini);
    QByteArray Huge = Ini0;
    Huge.replace("Order=3", "Order=2000000000");
    Refused(Ini, Huge, "ini polynomial order");
    QByteArray Low = Ini0;
    Low.replace("Order=3", "Order=1");
    Refused(Ini, Low, "ini polynomial order below 2");
    QByteArray FitOrder = Ini0;
    FitOrder.replace("Order=2\r\n", "Order=2000000000\r\n");
    ASSERT_NE(FitOrder, Ini0);
    Refused(Ini, FitOrder, "ini fitted line order");
    QByteArray Short = Ini0;
    const qsizetype C = Short.indexOf("\r\nCoefficients=") + 15;
    ASSERT_GT(C, 15);
    Short.replace(C, Short.indexOf('\r', C) - C, "0.5");
    Refused(Ini, Short, "ini coefficients fewer than the order");
    QByteArray Method = Ini0;
    Method.replace("AveragingMethod=1", "AveragingMethod=7");
    ASSERT_NE(Method, Ini0);
    Refused(Ini, Method, "ini averaging method");
  }
  {
    const QByteArray Xml0 = Save(*Graph, Xml);
    QByteArray Huge = Xml0;
    Huge.replace("<Polynomial Order=\"3\"/>", "<Polynomial Order=\"99999999\"/>");
    ASSERT_NE(Huge, Xml0);
    Refused(Xml, Huge, "xml polynomial order");
    QByteArray Count = Xml0;
    Count.replace("<Coefficients Count=\"2\">", "<Coefficients Count=\"2000000000\">");
    ASSERT_NE(Count, Xml0);
    Refused(Xml, Count, "xml coefficient count");
    QByteArray Seventeen = Xml0;
    Seventeen.replace("<Coefficients Count=\"2\">", "<Coefficients Count=\"17\">");
    Refused(Xml, Seventeen, "xml seventeen coefficients");
    QByteArray Three = Xml0;
    Three.replace("<Coefficients Count=\"2\">", "<Coefficients Count=\"1\">");
    Refused(Xml, Three, "xml more items than the count");
  }
  {
    // The stream: the order int32 and the coefficient count, found by their
    // neighbours.
    // The polynomial's order and end byte, then the next series' class name.
    QByteArray Huge = Stream0;
    const QByteArray Order3("\x03\x00\x00\x00\x00\x0d\x00\x00\x00TGvFittedLine", 22);
    const qsizetype At = Stream0.indexOf(Order3);
    ASSERT_GT(At, 0);
    Huge.replace(At, 4, QByteArray("\xff\xff\xff\x7f", 4));
    Refused(Stream, Huge, "stream polynomial order");
    // DoCovariance 0, Iterations 300, count 2, 0.5.
    QByteArray Count = Stream0;
    QByteArray Fields("\x00\x2c\x01\x00\x00\x02\x00\x00\x00", 9);
    const qsizetype C = Stream0.indexOf(Fields);
    ASSERT_GT(C, 0);
    Count.replace(C + 5, 4, QByteArray("\x11\x00\x00\x00", 4));
    Refused(Stream, Count, "stream seventeen coefficients");
    Count.replace(C + 5, 4, QByteArray("\xff\xff\xff\x7f", 4));
    Refused(Stream, Count, "stream coefficient count beyond the data");
    Count.replace(C + 5, 4, QByteArray("\xfe\xff\xff\xff", 4));
    Refused(Stream, Count, "stream negative coefficient count");
  }
  EXPECT_EQ(Poly->Order(), 3);
  EXPECT_EQ(Fit->Order(), 2);
  EXPECT_EQ(Avg->AveragingMethod(), TGvAveragingMethod::LinearWeighted);
}

// A formula read from a file goes through the parser like a typed one: a
// nesting far beyond the parser's limit is refused by the parser (no deep
// recursion), the text is kept as the setter keeps it, and the reading says
// why the line shows no curve.
TEST_F(AnalysisForms, AFormulaFromAFileMeetsTheParsersLimits)
{
  auto* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
  auto* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
  auto* Fit = NewSeries<TGvFittedLine>("Fit1", X, Y, NewVector("X1", {0, 1, 2, 3, 4}),
                                       NewVector("Y1", {1, 3, 5, 7, 9}));
  Fit->SetExpression(QStringLiteral("A+B*X"));
  Paint();
  const QString Deep = QString(100000, '(') + "A+B*X" + QString(100000, ')');
  for (int F : {Stream, Xml, Ini}) {
    SCOPED_TRACE(FormName(F));
    QByteArray Saved = Save(*Graph, F);
    if (F == Stream) {
      // The string's length goes before it.
      QByteArray Old("\x05\x00\x00\x00"
                     "A+B*X",
                     9);
      const int32_t Len = int32_t(Deep.size());
      QByteArray New(reinterpret_cast<const char*>(&Len), 4);
      New += Deep.toLatin1();
      ASSERT_TRUE(Saved.contains(Old));
      Saved.replace(Old, New);
    } else {
      Saved.replace("A+B*X", Deep.toLatin1());
    }
    Load(*Graph, F, Saved);
    EXPECT_EQ(Fit->Expression(), Deep);
    ASSERT_FALSE(Graph->ReadWarnings().isEmpty());
    EXPECT_TRUE(Graph->ReadWarnings().join('\n').contains("Fit1"));
    Paint();
    EXPECT_TRUE(Fit->CalculationFailed());
    Fit->SetExpression(QStringLiteral("A+B*X"));
  }
}

// A crafted file that names the phase series as a series of its own cannot
// free or replace it: it stays inside its spectrum.
TEST_F(AnalysisForms, AFileCannotReplaceThePhaseOfASpectrum)
{
  auto* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
  auto* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
  auto* Spectrum =
      NewSeries<TGvDiscreteFourier>("Spectrum1", X, Y, NewVector("X1", {0, 1, 2, 3, 4, 5, 6, 7}),
                                    NewVector("Y1", {1, 2, 1, 0, 1, 2, 1, 0}));
  auto* Line = NewSeries<TGvLineSeries>("Line1", X, Y, Find<TGvDoubleVector>("X1"),
                                        Find<TGvDoubleVector>("Y1"));
  Paint();
  QPointer<TGvChildSeries> Phase = Spectrum->Phase();
  for (int F : {Stream, Xml, Ini}) {
    SCOPED_TRACE(FormName(F));
    QByteArray Saved = Save(*Graph, F);
    // The line series saved under the phase's name, after the spectrum.
    const QByteArray LineRef = GetComponentRef(Line).toUtf8();
    const QByteArray PhaseRef = GetComponentRef(Phase).toUtf8();
    ASSERT_EQ(LineRef.size(), QByteArray("AnalysisForms1.Line1").size());
    if (F == Stream) {
      QByteArray Old = LineRef;
      Old.prepend(QByteArray(1, char(LineRef.size())) + QByteArray(3, '\0'));
      QByteArray New = PhaseRef;
      New.prepend(QByteArray(1, char(PhaseRef.size())) + QByteArray(3, '\0'));
      ASSERT_TRUE(Saved.contains(Old));
      Saved.replace(Saved.indexOf(Old), Old.size(), New);
    } else {
      const QByteArray Old = (F == Xml ? "Name=\"" : "Name=") + LineRef;
      const QByteArray New = (F == Xml ? "Name=\"" : "Name=") + PhaseRef;
      ASSERT_TRUE(Saved.contains(Old));
      Saved.replace(Old, New);
    }
    Load(*Graph, F, Saved);
    ASSERT_TRUE(Phase);
    EXPECT_EQ(Spectrum->Phase(), Phase.data());
    Paint();
    // Back to the saved graph of the start.
    NewForm();
    X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
    Y = NewAxis("YAxis1", TGvAxisPosition::Left);
    Spectrum =
        NewSeries<TGvDiscreteFourier>("Spectrum1", X, Y, NewVector("X1", {0, 1, 2, 3, 4, 5, 6, 7}),
                                      NewVector("Y1", {1, 2, 1, 0, 1, 2, 1, 0}));
    Line = NewSeries<TGvLineSeries>("Line1", X, Y, Find<TGvDoubleVector>("X1"),
                                    Find<TGvDoubleVector>("Y1"));
    Phase = Spectrum->Phase();
    Paint();
  }
}

// On axes with fixed ends the picture follows from the settings and the data
// alone: undoing every change of the analysis series gives the first picture
// back, redoing them the last.
TEST_F(AnalysisForms, UndoAndRedoOverTheAnalysisSettingsGiveBackThePictures)
{
  TGvUndoStack Stack;
  TGvAxis* X = NewAxis("XAxis1", TGvAxisPosition::Bottom);
  TGvAxis* Y = NewAxis("YAxis1", TGvAxisPosition::Left);
  for (TGvAxis* A : {X, Y}) {
    A->SetStartEnd(TGvAxisEnd::Fixed);
    A->SetStopEnd(TGvAxisEnd::Fixed);
    A->SetEndRounding(TGvAxisEndRounding::RndNothing);
    A->SetStartStop(0, 10);
  }
  Graph->SetPrimaryXAxis(X);
  Graph->SetPrimaryYAxis(Y);
  std::vector<double> Xs, Ys;
  for (int I = 0; I < 20; ++I) {
    Xs.push_back(0.5 * I);
    Ys.push_back(4 + 3 * std::sin(0.6 * I) + 0.05 * I * I * 0.25);
  }
  TGvDoubleVector* X1 = NewVector("X1", Xs);
  TGvDoubleVector* Y1 = NewVector("Y1", Ys);
  auto* Avg = NewSeries<TGvMovingAverage>("Avg1", X, Y, X1, Y1);
  auto* Spline = NewSeries<TGvInterpolation>("Interp1", X, Y, X1, Y1);
  auto* Reg = NewSeries<TGvLinearRegression>("Reg1", X, Y, X1, Y1);
  auto* Poly = NewSeries<TGvPolynomial>("Poly1", X, Y, X1, Y1);
  auto* Fit = NewSeries<TGvFittedLine>("Fit1", X, Y, X1, Y1);
  Fit->SetIterations(0);
  Fit->SetExpression(QStringLiteral("A+B*X"));
  Fit->SetCoefficients({1.0, 0.5});
  auto* Spectrum = NewSeries<TGvDiscreteFourier>("Spectrum1", X, Y, X1, Y1);
  Spline->SetSmoothPoints(true);
  Spline->SetSmoothingRange(2);
  Graph->SetUndoStack(&Stack);
  const QImage Before = Paint();

  Avg->SetN(4);
  Avg->SetAveragingMethod(TGvAveragingMethod::Simple);
  Avg->SetAveragingDirection(TGvAveragingDirection::UpAndDownwards);
  Spline->SetInterpolationMethod(TGvInterpolationMethod::ApproximativeSpline);
  Spline->SetElasticityFactor(0.1);
  Reg->SetFixedOffset(true);
  Reg->SetOffset(6);
  Reg->ConfidenceIntervalLine()->SetVisible(true);
  Poly->SetOrder(4);
  Fit->SetExpression(QStringLiteral("A+B*X+C*X^2"));
  Fit->SetCoefficients({8.0, -0.5, 0.02});
  Spectrum->PointSymbol()->SetVisible(true);
  Spectrum->Line()->SetColor(GvColors::Red);
  const QImage After = Paint();
  ASSERT_NE(After, Before);
  while (Stack.CanUndo()) Stack.Undo();
  EXPECT_EQ(Paint(), Before);
  EXPECT_EQ(Avg->N(), 10);
  EXPECT_FALSE(Reg->FixedOffset());
  EXPECT_EQ(Poly->Order(), 2);
  EXPECT_EQ(Fit->Expression(), "A+B*X");
  // The smoothing the approximative spline switched off is back.
  EXPECT_TRUE(Spline->SmoothPoints());
  while (Stack.CanRedo()) Stack.Redo();
  EXPECT_EQ(Paint(), After);
  EXPECT_EQ(Fit->Coefficients(), QList<double>({8.0, -0.5, 0.02}));
}

} // namespace
