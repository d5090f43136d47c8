// The analysis series through their public API: over vectors on a graph,
// with outliers and calculation ranges, registered values in captions, the
// errors of their calculations, and their setters.
#include "ParserTestSupport.h"
#include "chart/GraphTestSupport.h"
#include "chart/RecordingUndoStack.h"
#include "chart/analysis/GvFFT.h"
#include "chart/analysis/GvFitting.h"
#include "chart/analysis/GvGeneralLinearLeastSquares.h"
#include "chart/analysis/GvInterpolation.h"
#include "chart/analysis/GvLinearRegression.h"
#include "chart/analysis/GvMovingAverage.h"
#include "chart/analysis/GvPolynomial.h"

#include <QColor>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr double Pi = 3.14159265358979323846;

std::vector<double> Range(int N, double From = 0, double Step = 1)
{
  std::vector<double> V;
  for (int I = 0; I < N; ++I) V.push_back(From + I * Step);
  return V;
}

// A noisy but fixed signal: the sine with a small deterministic wobble.
std::vector<double> Wobbly(const std::vector<double>& X)
{
  std::vector<double> Y;
  for (double V : X) Y.push_back(std::sin(V) + 0.1 * std::sin(37.0 * V));
  return Y;
}

// ---- Every kind on a graph ---------------------------------------------------

struct TKind
{
  const char* Name;
  std::function<TGvFunctionSeries*(TGvGraphFixture&, TGvCustomDoubleVector*,
                                   TGvCustomDoubleVector*)>
      Make;
};

template <class T> TKind Kind(const char* Name, std::function<void(T*)> Setup = {})
{
  return {Name, [Setup](TGvGraphFixture& F, TGvCustomDoubleVector* X, TGvCustomDoubleVector* Y) {
            T* S = F.Series<T>(X, Y);
            if (Setup) Setup(S);
            return S;
          }};
}

TEST(AnalysisSeries, EveryKindCalculatesAndPaintsOverVectorsOnAGraph)
{
  const TKind Kinds[] = {
      Kind<TGvMovingAverage>("TGvMovingAverage"),
      Kind<TGvInterpolation>("TGvInterpolation"),
      Kind<TGvDiscreteFourier>("TGvDiscreteFourier"),
      Kind<TGvLinearRegression>("TGvLinearRegression"),
      Kind<TGvGeneralLinearLeastSquares>(
          "TGvGeneralLinearLeastSquares",
          [](TGvGeneralLinearLeastSquares* S) {
            S->SetBasisFunction([](TGvSeries*, const TGvGeneralLinearFittingArgs& A) {
              return A.Index == 0 ? 1.0 : A.Index == 1 ? std::sin(A.X) : std::cos(A.X);
            });
          }),
      Kind<TGvPolynomial>("TGvPolynomial"),
      Kind<TGvFittedLine>("TGvFittedLine",
                          [](TGvFittedLine* S) { S->SetExpression("A*SIN(B*X)+C"); }),
  };
  const std::vector<double> X = Range(64, 0, 0.1);
  for (const TKind& K : Kinds) {
    SCOPED_TRACE(K.Name);
    TGvGraphFixture F;
    TGvFunctionSeries* S = K.Make(F, F.Vector(X), F.Vector(Wobbly(X)));
    EXPECT_TRUE(TGvClassRegistry<TGvSeries>::Instance().Contains(K.Name));
    EXPECT_EQ(S->metaObject()->className(), std::string(K.Name));
    EXPECT_NO_THROW(S->GetFormula());
    F.Paint();
    EXPECT_EQ(S->Graph(), F.Graph);
    EXPECT_GT(S->PointCount(), 1);
    EXPECT_LE(S->YStart(), S->YStop());
    for (const TGvScreenPoint& P : S->ScreenPoints()) {
      ASSERT_TRUE(std::isfinite(P.X));
      ASSERT_TRUE(std::isfinite(P.Y));
    }
  }
}

TEST(AnalysisSeries, TheCurveIsDrawnThroughItsPoints)
{
  // A spline through a parabola on fixed axes: the pixel of a point between
  // the nodes carries the line colour.
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 4);
  GvFixAxis(F.Y(), 0, 16);
  const std::vector<double> X = {0, 1, 2, 3, 4};
  auto* S = F.Series<TGvInterpolation>(F.Vector(X), F.Vector({0, 1, 4, 9, 16}));
  S->SetInterpolationMethod(TGvInterpolationMethod::CubicSpline);
  S->Line()->SetColor(0xFFFF0000);
  S->Line()->SetWidth(3);
  const QImage I = F.Paint();
  EXPECT_DOUBLE_EQ(S->GetY(2.5), 6.25);
  const int Px = int(std::lround(F.X()->NumberToWorld(2.5)));
  const int Py = int(std::lround(F.Y()->NumberToWorld(6.25)));
  const QColor C = I.pixelColor(Px, Py);
  EXPECT_GT(C.red(), 200);
  EXPECT_LT(C.green(), 80);
  // Far from the curve the data area shows.
  EXPECT_GT(I.pixelColor(Px, int(std::lround(F.Y()->NumberToWorld(14)))).green(), 200);
}

// ---- Outliers and the calculation range -------------------------------------

// Points on Y = 1 + 2X with one wild point at X = 4 (index 4).
struct TWildPoint
{
  TGvGraphFixture F;
  TGvDoubleVector* X = F.Vector({0, 1, 2, 3, 4});
  TGvDoubleVector* Y = F.Vector({1, 3, 5, 7, 100});
};

struct TFitKind
{
  const char* Name;
  std::function<TGvFunctionSeries*(TWildPoint&)> Make;
  // The slope the series found.
  std::function<double(TGvFunctionSeries*)> Slope;
};

TEST(AnalysisSeries, FitsLeaveOutOutliersAndPointsBeyondTheCalculationRange)
{
  const TFitKind Kinds[] = {
      {"regression", [](TWildPoint& W) { return W.F.Series<TGvLinearRegression>(W.X, W.Y); },
       [](TGvFunctionSeries* S) { return static_cast<TGvLinearRegression*>(S)->Slope(); }},
      {"polynomial", [](TWildPoint& W) { return W.F.Series<TGvPolynomial>(W.X, W.Y); },
       [](TGvFunctionSeries* S) { return static_cast<TGvPolynomial*>(S)->Coefficients(1); }},
      {"fitted line",
       [](TWildPoint& W) {
         auto* S = W.F.Series<TGvFittedLine>(W.X, W.Y);
         S->SetExpression("A+B*X");
         S->SetIterations(2000);
         return S;
       },
       [](TGvFunctionSeries* S) { return static_cast<TGvFittedLine*>(S)->Coefficient(1); }},
  };
  for (const TFitKind& K : Kinds) {
    SCOPED_TRACE(K.Name);
    {
      // The wild point is an outlier: left out unless outliers are shown.
      TWildPoint W;
      W.Y->AddOutlier(4);
      TGvFunctionSeries* S = K.Make(W);
      S->Calculate();
      EXPECT_NEAR(K.Slope(S), 2.0, 1e-4);
      S->SetOutliersVisible(true);
      S->Calculate();
      EXPECT_GT(std::fabs(K.Slope(S) - 2.0), 1.0);
    }
    {
      // The calculation stops before it.
      TWildPoint W;
      TGvFunctionSeries* S = K.Make(W);
      S->SetAutoStop(false);
      S->SetCalculationStop(3.5);
      S->Calculate();
      EXPECT_NEAR(K.Slope(S), 2.0, 1e-4);
      EXPECT_EQ(S->CalculationStop(), 3.5);
    }
  }
}

TEST(AnalysisSeries, SmoothingSeriesHonourOutliersToo)
{
  // A spike marked as outlier does not bend the spline nor the average.
  TGvGraphFixture F;
  const std::vector<double> X = Range(11);
  std::vector<double> Y(11, 1.0);
  Y[5] = 50;
  TGvDoubleVector* YV = F.Vector(Y);
  YV->AddOutlier(5);
  auto* Spline = F.Series<TGvInterpolation>(F.Vector(X), YV);
  auto* Avg = F.Series<TGvMovingAverage>(F.Vector(X), YV);
  Spline->Calculate();
  Avg->Calculate();
  EXPECT_NEAR(Spline->GetY(5), 1.0, 1e-12);
  EXPECT_NEAR(Avg->GetY(5), 1.0, 1e-12);
}

// ---- Registered values ------------------------------------------------------

TEST(AnalysisSeries, RegisteredValuesReadFromCaptions)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvLinearRegression>(F.Vector({0, 1, 2}), F.Vector({1, 3, 5}));
  S->setObjectName("Reg");
  S->SetCaption("Calibration");
  S->Calculate();
  auto Field = [](const char* Text) { return ParseVariables(QString::fromUtf8(Text), nullptr); };
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.Slope;0.00%>"), "2.00");
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.Offset;0.0%>"), "1.0");
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.Probability;0.0%>"), "1.0");
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.Formula%>"), "Y=a+b(X)");
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.Caption%>"), "Calibration");
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.Name%>"), "Reg");
  EXPECT_EQ(Field("<%GraphFixtureForm.Reg.CalculationStop%>"), "2");
  EXPECT_EQ(Field("<%2*GraphFixtureForm.Reg.Slope+1%>"), "5");

  // A new name: the values follow it.
  S->setObjectName("Line");
  EXPECT_EQ(Field("<%GraphFixtureForm.Line.Slope%>"), "2");
  EXPECT_NE(ErrorOf([&] { Field("<%GraphFixtureForm.Reg.Slope%>"); }), "<no error>");
  // Gone with the series.
  delete S;
  EXPECT_NE(ErrorOf([&] { Field("<%GraphFixtureForm.Line.Slope%>"); }), "<no error>");
}

TEST(AnalysisSeries, RegisteredArraysOfEachKind)
{
  TGvGraphFixture F;
  // y = x^3 - 3x: one maximum at (-1, 2), one minimum at (1, -2).
  const std::vector<double> X = Range(25, -3, 0.25);
  std::vector<double> Y;
  for (double V : X) Y.push_back(V * V * V - 3 * V);
  auto* Spline = F.Series<TGvInterpolation>(F.Vector(X), F.Vector(Y));
  Spline->setObjectName("Spline");
  auto* Poly = F.Series<TGvPolynomial>(F.Vector(X), F.Vector(Y));
  Poly->setObjectName("Poly");
  Poly->SetOrder(3);
  auto* Fit = F.Series<TGvFittedLine>(F.Vector(X), F.Vector(Y));
  Fit->setObjectName("Fit");
  Fit->SetExpression("A*X^3+B*X");
  Fit->SetCoefficients({1, -3});
  Fit->SetIterations(0); // drawn from the coefficients as given
  F.Paint();

  ASSERT_EQ(Spline->Maxima().size(), 1u);
  ASSERT_EQ(Spline->Minima().size(), 1u);
  auto Field = [](const char* Text) { return ParseVariables(QString::fromUtf8(Text), nullptr); };
  EXPECT_EQ(Field("<%GraphFixtureForm.Spline.Maxima.X(0);0.0%> <%GraphFixtureForm.Spline.Maxima.Y("
                  "0);0.0%>"),
            "-1.0 2.0");
  EXPECT_EQ(Field("<%GraphFixtureForm.Spline.Minima.X(0);0.0%>"), "1.0");
  EXPECT_EQ(Field("<%GraphFixtureForm.Poly.Coefficients(3);0.000%>"), "1.000");
  EXPECT_EQ(Field("<%GraphFixtureForm.Poly.Coefficients(1);0.000%>"), "-3.000");
  EXPECT_EQ(Field("<%GraphFixtureForm.Fit.Coefficients(1)%>"), "-3");
  // Indices beyond the arrays are refused.
  for (const char* Text :
       {"<%GraphFixtureForm.Spline.Maxima.X(1)%>", "<%GraphFixtureForm.Poly.Coefficients(4)%>",
        "<%GraphFixtureForm.Poly.Coefficients(-1)%>", "<%GraphFixtureForm.Fit.Coefficients(2)%>"})
    EXPECT_NE(ErrorOf([&] { Field(Text); }), "<no error>") << Text;
}

TEST(AnalysisSeries, ACaptionShowingAValueFollowsTheRecalculation)
{
  // The title shows the slope; the data change but no range does, so only
  // the series' update list tells the graph to expand its title again.
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 3);
  GvFixAxis(F.Y(), 0, 3);
  TGvDoubleVector* X = F.Vector({0, 1, 2, 3});
  TGvDoubleVector* Y = F.Vector({0, 0, 0, 3});
  F.Series(X, Y); // the data themselves
  auto* S = F.Series<TGvLinearRegression>(X, Y);
  S->setObjectName("Reg");
  F.Graph->SetCaption("Slope <%GraphFixtureForm.Reg.Slope;0.00%>");
  F.Graph->SetCaptionVisible(true);
  F.Y()->SetCaption("Offset <%GraphFixtureForm.Reg.Offset;0.00%>");
  F.Paint();
  EXPECT_EQ(F.Graph->TitleObject().PlainText(), "Slope 0.90");
  EXPECT_EQ(F.Y()->CaptionObject().PlainText(), "Offset -0.60");
  Y->SetValue(1, 3);
  F.Paint();
  EXPECT_NEAR(S->Slope(), 0.6, 1e-12);
  EXPECT_EQ(F.Graph->TitleObject().PlainText(), "Slope 0.60");
  EXPECT_EQ(F.Y()->CaptionObject().PlainText(), "Offset 0.60");
}

// ---- Errors -------------------------------------------------------------------

TEST(AnalysisSeries, CalculationErrorsGoToTheHandlerOrToTheCaller)
{
  struct TCase
  {
    const char* Name;
    std::function<TGvFunctionSeries*(TGvGraphFixture&)> Make;
    const char* Message;
  };
  const TCase Cases[] = {
      {"one valid point",
       [](TGvGraphFixture& F) {
         TGvDoubleVector* Y = F.Vector({1, 2, 3});
         Y->AddOutlier(0);
         Y->AddOutlier(1);
         return F.Series<TGvLinearRegression>(F.Vector({0, 1, 2}), Y);
       },
       "Not enough data points to calculate function"},
      {"spline through two distinct X",
       [](TGvGraphFixture& F) {
         return F.Series<TGvInterpolation>(F.Vector({0, 1, 1}), F.Vector({0, 1, 2}));
       },
       "Not enough data points to calculate function"},
      {"least squares without a basis",
       [](TGvGraphFixture& F) {
         return F.Series<TGvGeneralLinearLeastSquares>(F.Vector(Range(5)), F.Vector(Range(5)));
       },
       "No BasisFunction defined"},
      {"fitted line without a model",
       [](TGvGraphFixture& F) {
         return F.Series<TGvFittedLine>(F.Vector(Range(5)), F.Vector(Range(5)));
       },
       "No FittingFunction or Expression defined"},
      {"fitted line whose expression failed its check",
       [](TGvGraphFixture& F) {
         auto* S = F.Series<TGvFittedLine>(F.Vector(Range(5)), F.Vector(Range(5)));
         EXPECT_EQ(ErrorOf([&] { S->SetExpression("A*Y"); }),
                   "Expression must contain the independent variable X!");
         // Set again, it is checked again.
         EXPECT_EQ(ErrorOf([&] { S->SetExpression("A*Y"); }),
                   "Expression must contain the independent variable X!");
         return S;
       },
       "No valid expression defined"},
      {"fitted line whose letters go beyond its order",
       [](TGvGraphFixture& F) {
         auto* S = F.Series<TGvFittedLine>(F.Vector(Range(5)), F.Vector(Range(5)));
         S->SetExpression("A+C*X");
         S->SetOrder(2);
         return S;
       },
       "Fitted line: the expression uses coefficient C beyond Order"},
      {"a model that fails everywhere",
       [](TGvGraphFixture& F) {
         auto* S = F.Series<TGvFittedLine>(F.Vector(Range(5, 1)), F.Vector(Range(5)));
         S->SetFittingFunction(
             [](TGvSeries*, const TGvFittingFunctionArgs&) { return std::nan(""); });
         S->SetOrder(1);
         return S;
       },
       "Invalid floating point operation"},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TGvGraphFixture F;
    TGvFunctionSeries* S = C.Make(F);
    // Without a handler the error reaches the caller; the graph paints on.
    EXPECT_EQ(ErrorOf([&] { S->Calculate(); }), C.Message);
    EXPECT_NO_THROW(F.Paint());
    EXPECT_EQ(S->PointCount(), 0);
    std::string Seen;
    S->OnCalculationError = [&](TGvSeries* Sender, const std::exception& E) {
      EXPECT_EQ(Sender, S);
      Seen = E.what();
    };
    S->SetLastCount(0);
    EXPECT_NO_THROW(S->Calculate());
    EXPECT_EQ(Seen, C.Message);
    EXPECT_NO_THROW(F.Paint());
    EXPECT_EQ(S->PointCount(), 0);
  }
}

TEST(AnalysisSeries, ExpressionsAreCheckedWhenSet)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvFittedLine>(F.Vector({0, 1, 2}), F.Vector({1, 3, 5}));
  EXPECT_EQ(S->Order(), -1);
  EXPECT_EQ(S->Iterations(), 300);
  EXPECT_EQ(S->MinCount(), 0);
  EXPECT_EQ(ErrorOf([&] { S->SetExpression("A*2"); }),
            "Expression must contain the independent variable X!");
  EXPECT_EQ(ErrorOf([&] { S->SetExpression("2*X"); }), "Expression must contain a variable a..p!");
  EXPECT_EQ(S->Expression(), "2*X"); // kept all the same
  EXPECT_NE(ErrorOf([&] { S->SetExpression("A*(X"); }), "<no error>");
  // The letter check and the parser read "[B]" alike; E is a coefficient.
  EXPECT_EQ(ErrorOf([&] { S->SetExpression("A+[B]*X"); }), "<no error>");
  EXPECT_EQ(S->Order(), 2);
  EXPECT_EQ(ErrorOf([&] { S->SetExpression("E*X"); }), "<no error>");
  EXPECT_EQ(S->Order(), 5);
  EXPECT_EQ(S->GetFormula(), "E*X");
  // With no iterations a model without coefficients is drawn as it is.
  S->SetIterations(0);
  EXPECT_EQ(ErrorOf([&] { S->SetExpression("2*X"); }), "<no error>");
  F.Paint();
  EXPECT_EQ(S->GetY(3), 6);
}

// ---- The kinds one by one -----------------------------------------------------

TEST(FittedLineSeries, FitsItsExpressionAndContinuesFromItsCoefficients)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvFittedLine>(F.Vector({0, 1, 2, 3}), F.Vector({1.1, 2.9, 5.1, 6.9}));
  S->SetExpression("A+B*X");
  EXPECT_EQ(S->Coefficients(), QList<double>({0.5, 0.5}));
  int Iterations = 0;
  S->SetOnIteration([&](TGvSeries* Sender) {
    EXPECT_EQ(Sender, S);
    ++Iterations;
  });
  F.Paint();
  EXPECT_EQ(Iterations, 301);
  // The least-squares line: offset 1.06, slope 1.96.
  EXPECT_NEAR(S->Coefficient(0), 1.06, 1e-3);
  EXPECT_NEAR(S->Coefficient(1), 1.96, 1e-3);
  EXPECT_GT(S->Probability(), 0.99);
  const double First = S->SumOfResiduals();
  // Every calculation searches on from where the last one ended.
  S->SetLastCount(0);
  S->Calculate();
  EXPECT_LE(S->SumOfResiduals(), First);
  // A handler that stops ends the search after one iteration.
  Iterations = 0;
  S->SetOnIteration(
      [](TGvSeries* Sender) { static_cast<TGvFittedLine*>(Sender)->StopIterations(); });
  S->SetCoefficients({0.5, 0.5});
  S->Calculate();
  EXPECT_NE(S->Coefficients(), QList<double>({0.5, 0.5}));
  EXPECT_EQ(S->CurrentIteration(), 299);
}

TEST(FittedLineSeries, OrderIsBoundedAndTheModelMayComeFromTheProgram)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvFittedLine>(F.Vector(Range(20)), F.Vector(Range(20)));
  S->SetOrder(100);
  EXPECT_EQ(S->Order(), 16);
  S->SetOrder(-4);
  EXPECT_EQ(S->Order(), 0);
  S->SetCoefficients(QList<double>(40, 1.0));
  EXPECT_EQ(S->Order(), 16);
  // A model of the program, with the series as sender.
  S->SetFittingFunction([&](TGvSeries* Sender, const TGvFittingFunctionArgs& A) {
    EXPECT_EQ(Sender, S);
    return A.Coefficients[0] * A.X;
  });
  S->SetOrder(1);
  EXPECT_TRUE(S->GetFormula().isEmpty());
  F.Paint();
  EXPECT_NEAR(S->Coefficient(0), 1, 1e-4);
  EXPECT_THROW(S->Coefficient(1), EGvRangeError);
}

TEST(LeastSquaresSeries, OrderIsBoundedWhenSetThroughTheSeries)
{
  TGvGraphFixture F;
  auto* P = F.Series<TGvPolynomial>(F.Vector(Range(8)), F.Vector(Range(8)));
  auto* G = F.Series<TGvGeneralLinearLeastSquares>(F.Vector(Range(8)), F.Vector(Range(8)));
  EXPECT_EQ(P->Order(), 2);
  EXPECT_EQ(P->MinCount(), 3);
  P->SetOrder(100000);
  EXPECT_EQ(P->Order(), TGvCustomGeneralLinearLeastSquaresCalculation::MaxOrder);
  EXPECT_EQ(P->MinCount(), P->Order() + 1);
  P->SetOrder(-3);
  EXPECT_EQ(P->Order(), 2);
  G->SetOrder(-3);
  EXPECT_EQ(G->Order(), 0);
  EXPECT_EQ(G->MinCount(), 1);
  // More coefficients than points: a clear error, not a wild curve.
  P->SetOrder(9);
  std::string Seen;
  P->OnCalculationError = [&](TGvSeries*, const std::exception& E) { Seen = E.what(); };
  F.Paint();
  EXPECT_EQ(P->PointCount(), 0);
  P->SetOrder(7);
  F.Paint();
  EXPECT_GT(P->PointCount(), 0);
  EXPECT_EQ(P->GetFormula(), "Y=a+bX+cX\\+2\\++dX\\+3\\++eX\\+4\\++...+hX\\+7\\+");
  EXPECT_THROW(P->Coefficients(8), EGvRangeError);
}

TEST(RegressionSeries, BandAroundTheLineOverNoisyData)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), -5, 25);
  const std::vector<double> X = Range(21, 0, 0.5);
  std::vector<double> Y;
  for (std::size_t I = 0; I < X.size(); ++I) Y.push_back(1 + 2 * X[I] + (I % 2 ? 0.8 : -0.8));
  auto* S = F.Series<TGvLinearRegression>(F.Vector(X), F.Vector(Y));
  EXPECT_FALSE(S->ConfidenceIntervalLine()->Visible());
  EXPECT_EQ(S->ConfidenceIntervalLine()->DashStyle(), TGvDashStyle::Dash);
  EXPECT_EQ(S->ConfidenceIntervalLine()->Color(), (S->Line()->Color() & 0xFFFFFF) | 0x64000000u);
  EXPECT_EQ(S->ConfidenceIntervalArea()->ForeColor(),
            (S->Line()->Color() & 0xFFFFFF) | 0x0A000000u);
  F.Paint();
  EXPECT_EQ(S->PointCount(), 2); // the line is straight
  EXPECT_TRUE(S->UpperConfidencePoints().empty());

  S->ConfidenceIntervalLine()->SetVisible(true);
  S->ConfidenceIntervalArea()->SetVisible(true);
  S->ConfidenceIntervalArea()->SetForeColor(0xFF00FF00);
  const QImage I = F.Paint();
  const auto& Up = S->UpperConfidencePoints();
  const auto& Lo = S->LowerConfidencePoints();
  ASSERT_GT(Up.size(), 100u);
  ASSERT_EQ(Up.size(), Lo.size());
  EXPECT_EQ(S->ConfidenceAreaPoints().size(), 2 * Up.size() + 1);
  // Symmetric about the line, narrowest at the mean X.
  std::size_t Narrowest = 0;
  for (std::size_t K = 0; K < Up.size(); ++K) {
    const double Line = F.Y()->NumberToWorld(S->GetY(F.X()->WorldToNumber(Up[K].X)));
    EXPECT_NEAR(Line - Up[K].Y, Lo[K].Y - Line, 0.01);
    if (Lo[K].Y - Up[K].Y < Lo[Narrowest].Y - Up[Narrowest].Y) Narrowest = K;
  }
  EXPECT_NEAR(F.X()->WorldToNumber(Up[Narrowest].X), S->AverageX(), 0.1);
  // The band's half-width at the mean: t * s / sqrt(n).
  const double Half = S->Confidence(S->AverageX());
  const double Sd = std::sqrt(S->SumOfResiduals() / (21 - 2));
  EXPECT_NEAR(Half, T95Percent(19) * Sd / std::sqrt(21.0), 1e-12);
  // The area shows between line and band edge, beside the line.
  const int Px = int(std::lround(F.X()->NumberToWorld(1)));
  const double LinePx = F.Y()->NumberToWorld(S->GetY(1));
  const double EdgePx = F.Y()->NumberToWorld(S->GetY(1) + S->Confidence(1));
  const QColor Inside = I.pixelColor(Px, int(std::lround((LinePx + EdgePx) / 2)));
  EXPECT_GT(Inside.green(), 200);
  EXPECT_LT(Inside.red(), 100);
  // A perfect fit has no band.
  TGvGraphFixture G;
  auto* Perfect = G.Series<TGvLinearRegression>(G.Vector({0, 1, 2}), G.Vector({1, 3, 5}));
  Perfect->Calculate();
  EXPECT_EQ(Perfect->Confidence(0), 0);
  EXPECT_EQ(Perfect->DeltaSlope(), 0);
}

TEST(RegressionSeries, LogarithmicAxesFitTheLogarithms)
{
  TGvGraphFixture F;
  F.Y()->SetScaling(TGvAxisScaling::Log);
  F.Y()->SetLogToNormalScalingLevel(1);
  auto* S = F.Series<TGvLinearRegression>(F.Vector({0, 1, 2, 3}), F.Vector({1, 100, 1e4, 1e6}));
  QString Message;
  S->OnMessage = [&](TGvSeries*, const QString& M) { Message = M; };
  F.Paint();
  EXPECT_EQ(Message, "Log Y-Axis with regression and LogToNormalScalingLevel>0 not possible\n"
                     "Setting to 0");
  EXPECT_EQ(F.Y()->LogToNormalScalingLevel(), 0);
  EXPECT_NEAR(S->Slope(), 2, 1e-12);
  EXPECT_NEAR(S->GetY(1.5), 1000, 1e-9);
  EXPECT_EQ(S->GetFormula(), "lg(Y)=a+b(X)");
}

TEST(RegressionSeries, AllXEqualDrawNoLine)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvLinearRegression>(F.Vector({2, 2, 2}), F.Vector({1, 2, 3}));
  S->ConfidenceIntervalLine()->SetVisible(true);
  F.Paint();
  EXPECT_EQ(S->Slope(), 1.7976931348623157e308);
  EXPECT_EQ(S->PointCount(), 0);
  EXPECT_GT(S->YStart(), S->YStop()); // no range for the axis
}

TEST(FourierSeries, SpectrumAndPhaseOfASampledCosine)
{
  TGvGraphFixture F;
  // 1 + cos(2πt/8) - sin(2πt/4) over t = 0 .. 7.
  std::vector<double> Y;
  for (int T = 0; T < 8; ++T) Y.push_back(1 + std::cos(2 * Pi * T / 8) - std::sin(2 * Pi * T / 4));
  auto* S = F.Series<TGvDiscreteFourier>(F.Vector(Range(8)), F.Vector(Y));
  EXPECT_FALSE(S->ClipYValues());
  TGvChildSeries* Phase = S->Phase();
  EXPECT_EQ(Phase->objectName(), "Phase");
  EXPECT_FALSE(Phase->Visible());
  EXPECT_EQ(Phase->Line()->Color(), 0xFF008000u);
  EXPECT_EQ(Phase->XAxis(), F.X());
  EXPECT_EQ(Phase->YAxis(), F.Y());
  F.Paint();
  ASSERT_EQ(S->Spectrum().PointsN(), 4u);
  EXPECT_NEAR(S->GetY(0), 2, 1e-12);
  EXPECT_NEAR(S->GetY(1.0 / 8), 1, 1e-12);
  EXPECT_NEAR(S->GetY(2.0 / 8), 1, 1e-12);
  EXPECT_NEAR(S->GetY(3.0 / 8), 0, 1e-12);
  EXPECT_DOUBLE_EQ(S->XStop(), 3.0 / 8);
  EXPECT_NEAR(S->YStop(), 2, 1e-12);
  EXPECT_EQ(S->PointCount(), 4);
  EXPECT_EQ(S->FindPoint(S->ScreenPoint(2).X, S->ScreenPoint(2).Y, 1), 2);

  // The phase: the sine of bin 2 lies at -π/2 (the transform's sign is +).
  Phase->SetVisible(true);
  F.Paint();
  ASSERT_EQ(Phase->YData()->Count(), 4);
  EXPECT_NEAR(Phase->YData()->Value(2), -Pi / 2, 1e-12);
  EXPECT_NEAR(Phase->YData()->Value(1), 0, 1e-12);
  ASSERT_EQ(Phase->PointCount(), 4);
  for (int I = 0; I < 4; ++I) EXPECT_FLOAT_EQ(Phase->ScreenPoint(I).X, S->ScreenPoint(I).X) << I;
  // A second Y axis for the phase is kept.
  auto* Y2 = new TGvAxis(F.Graph);
  Y2->SetPosition(TGvAxisPosition::Right);
  Y2->SetGraph(F.Graph);
  Phase->SetYAxis(Y2);
  S->SetYAxis(F.Y());
  EXPECT_EQ(Phase->YAxis(), Y2);
}

TEST(MovingAverageSeries, AveragesAndSetters)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvMovingAverage>(F.Vector({0, 1, 2, 3}), F.Vector({0, 2, 4, 6}));
  S->setObjectName("Avg");
  EXPECT_EQ(S->N(), 10);
  EXPECT_EQ(S->AveragingMethod(), TGvAveragingMethod::LinearWeighted);
  S->SetAveragingMethod(TGvAveragingMethod::Simple);
  S->SetN(-1);
  EXPECT_EQ(S->N(), 1);
  S->SetExponentialFactorForN(-3);
  EXPECT_EQ(S->ExponentialFactorForN(), 1);
  F.Paint();
  const double Expected[] = {0, 1, 3, 5};
  for (int I = 0; I < 4; ++I) EXPECT_NEAR(S->GetY(I), Expected[I], 1e-12) << I;
  EXPECT_EQ(S->GetFormula(), "Simple moving average (all values equally weighted)");
  EXPECT_EQ(ParseVariables("<%GraphFixtureForm.Avg.N%>", nullptr), "1");
}

TEST(InterpolationSeries, TheApproximativeSplineNeedsNoSmoothing)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvInterpolation>(F.Vector(Range(8)), F.Vector(Wobbly(Range(8))));
  QStringList Messages;
  S->OnMessage = [&](TGvSeries*, const QString& M) { Messages << M; };
  EXPECT_EQ(S->MinCount(), 3);
  S->SetSmoothPoints(true);
  S->SetInterpolationMethod(TGvInterpolationMethod::ApproximativeSpline);
  EXPECT_FALSE(S->SmoothPoints());
  EXPECT_EQ(S->MinCount(), 6);
  S->SetSmoothPoints(true);
  EXPECT_FALSE(S->SmoothPoints());
  ASSERT_EQ(Messages.size(), 2);
  EXPECT_EQ(Messages[0], TGvInterpolationCalculation::ApproximativeSmoothingMessage());
  S->SetElasticityFactor(-1);
  EXPECT_EQ(S->ElasticityFactor(), 1e-300);
  EXPECT_EQ(S->GetFormula(), "Interpolation (approximative spline)");
  F.Paint();
  EXPECT_GT(S->PointCount(), 1);
}

// ---- Undo descriptions ----------------------------------------------------------

// A bare series of kind T with a recording stack, changed by Change.
template <class T> std::function<void(TRecordingUndoStack&)> Step(std::function<void(T*)> Change)
{
  return [Change](TRecordingUndoStack& Stack) {
    T S;
    S.SetUndoStack(&Stack);
    Change(&S);
  };
}

TEST(AnalysisSeries, SettersRecordTheirUndoSteps)
{
  struct TCase
  {
    const char* Comment;
    const char* Property;
    std::function<void(TRecordingUndoStack&)> Change;
  };
  using TAvg = TGvMovingAverage;
  using TInt = TGvInterpolation;
  using TReg = TGvLinearRegression;
  using TFit = TGvFittedLine;
  const TCase Cases[] = {
      {"Moving average averaging method", "AveragingMethod",
       Step<TAvg>([](TAvg* S) { S->SetAveragingMethod(TGvAveragingMethod::Simple); })},
      {"Moving average averaging directions", "AveragingDirection", Step<TAvg>([](TAvg* S) {
         S->SetAveragingDirection(TGvAveragingDirection::UpAndDownwards);
       })},
      {"Moving average by count/diatance", "AveragingRangeMethod", Step<TAvg>([](TAvg* S) {
         S->SetAveragingRangeMethod(TGvAveragingRangeMethod::NasXDistance);
       })},
      {"Moving average N", "N", Step<TAvg>([](TAvg* S) { S->SetN(3); })},
      {"Moving average exponential factor for N", "ExponentialFactorForN",
       Step<TAvg>([](TAvg* S) { S->SetExponentialFactorForN(0.5); })},
      {"Algorithm used for interpolation", "InterpolationMethod",
       Step<TInt>([](TInt* S) { S->SetInterpolationMethod(TGvInterpolationMethod::CubicSpline); })},
      {"Smoothing ON/OFF", "SmoothPoints", Step<TInt>([](TInt* S) { S->SetSmoothPoints(true); })},
      {"Smoothing range", "SmoothingRange", Step<TInt>([](TInt* S) { S->SetSmoothingRange(2); })},
      {"Elasticity of approximative spline", "ElasticityFactor",
       Step<TInt>([](TInt* S) { S->SetElasticityFactor(2); })},
      {"Linear regression fixed offset", "FixedOffset",
       Step<TReg>([](TReg* S) { S->SetFixedOffset(true); })},
      {"Linear regression offset", "Offset", Step<TReg>([](TReg* S) {
         S->SetFixedOffset(true);
         S->SetOffset(3);
       })},
      {"General linear least squares order", "Order",
       Step<TGvPolynomial>([](TGvPolynomial* S) { S->SetOrder(4); })},
      {"General linear least squares order", "Order",
       Step<TGvGeneralLinearLeastSquares>([](TGvGeneralLinearLeastSquares* S) { S->SetOrder(1); })},
      {"Fitted line coefficients", "Coefficients", Step<TFit>([](TFit* S) { S->SetOrder(2); })},
      {"Fitted line coefficients", "Coefficients", Step<TFit>([](TFit* S) {
         S->SetCoefficients({1, 2});
       })},
      {"Fitted line iterations", "Iterations", Step<TFit>([](TFit* S) { S->SetIterations(10); })},
      {"Fitted line expression", "Expression",
       Step<TFit>([](TFit* S) { S->SetExpression("A*X"); })},
      {"Fitting using covariance/variance", "DoCovariance",
       Step<TFit>([](TFit* S) { S->SetDoCovariance(true); })},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Comment);
    TRecordingUndoStack Stack;
    C.Change(Stack);
    ASSERT_FALSE(Stack.Entries.empty());
    const TRecordingUndoStack::TEntry& E = Stack.Entries.back();
    EXPECT_EQ(E.Kind, "Property");
    EXPECT_EQ(E.Comment, C.Comment);
    EXPECT_EQ(E.PropName, C.Property);
  }
  // Setting the value a series already has records nothing; the offset of a
  // free line is no undo step either.
  TRecordingUndoStack Stack;
  TGvPolynomial P;
  P.SetUndoStack(&Stack);
  P.SetOrder(2);
  P.SetOrder(-7); // bounded to the 2 it has
  TGvLinearRegression R;
  R.SetUndoStack(&Stack);
  R.SetOffset(4);
  EXPECT_TRUE(Stack.Entries.empty());
  EXPECT_EQ(R.Offset(), 4);
}

} // namespace
