// Series: binding, ranges, screen points after reduction, painting of what is
// there, hit tests, error bars and function series.
#include "GraphTestSupport.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

// The entry of the colour cycle a series has (its line colour names it).
int ColorEntry(const TGvSeries* S)
{
  for (int E = 0; E < 6; ++E)
    if (GvSeriesColors(E).Line == S->Line()->Color()) return E;
  return -1;
}

// One counter for the whole program picks the colours: a series made after
// another was deleted does not take the colour of one still shown, and
// another form goes on with the same cycle.
TEST(Series, ColoursCycleOverTheProgram)
{
  QObject Form;
  Form.setObjectName("CycleForm");
  std::vector<TGvLineSeries*> S;
  for (int I = 0; I < 7; ++I) S.push_back(new TGvLineSeries(&Form));
  const int First = ColorEntry(S[0]);
  ASSERT_GE(First, 0);
  for (int I = 1; I < 7; ++I) {
    EXPECT_EQ(ColorEntry(S[I]), (First + I) % 6) << I;
    EXPECT_EQ(S[I]->PointSymbol()->PointSymbol(), GvSeriesColors(First + I).Symbol) << I;
    EXPECT_EQ(S[I]->PointSymbol()->FillColor(), GvSeriesColors(First + I).SymbolFill) << I;
  }
  // The seventh has the colours of the first again.
  EXPECT_EQ(S[6]->Line()->Color(), S[0]->Line()->Color());
  EXPECT_EQ(GvSeriesColors(0).Line, 0xFFFF0000u);
  EXPECT_EQ(GvSeriesColors(5).Symbol, TGvPointSymbol::Nabla);

  // Two series on a form, the first deleted, a new one: not the colour of
  // the one still shown (a count per form gave it exactly that one).
  QObject Other;
  auto* A = new TGvLineSeries(&Other);
  auto* B = new TGvLineSeries(&Other);
  EXPECT_EQ(ColorEntry(A), (First + 7) % 6);
  delete A;
  auto* C = new TGvPointSeries(&Other);
  EXPECT_NE(C->Line()->Color(), B->Line()->Color());
  EXPECT_EQ(ColorEntry(C), (ColorEntry(B) + 1) % 6);

  EXPECT_FALSE(S[0]->PointSymbol()->Visible());
  EXPECT_TRUE(S[0]->Line()->Visible());
  EXPECT_FALSE(S[0]->Area()->Visible());
  EXPECT_EQ(S[0]->OutOfRangePointSymbol()->BorderColor(), 0xFF696969u);
}

// The default caption is numbered when the series is made, by the class it
// is made as: reading the second one first does not give it the first number.
TEST(Series, DefaultCaptionsAreNumberedWhenMade)
{
  QObject Form;
  Form.setObjectName("CaptionForm");
  auto* A = new TGvLineSeries(&Form);
  auto* B = new TGvLineSeries(&Form);
  auto* P = new TGvPointSeries(&Form);
  EXPECT_EQ(B->Caption(), "GvLineSeries2");
  EXPECT_EQ(A->Caption(), "GvLineSeries1");
  EXPECT_EQ(P->Caption(), "GvPointSeries1");
  // A name taken by another component of the owner is skipped.
  auto* V = new TGvDoubleVector(&Form);
  V->setObjectName("GvLineSeries3");
  EXPECT_EQ((new TGvLineSeries(&Form))->Caption(), "GvLineSeries4");
  // Every registered series class numbers by its own name.
  QObject Kinds;
  for (const QString& Class : TGvClassRegistry<TGvSeries>::Instance().ClassNames()) {
    TGvSeries* First = TGvClassRegistry<TGvSeries>::Instance().Create(Class, &Kinds);
    TGvSeries* Second = TGvClassRegistry<TGvSeries>::Instance().Create(Class, &Kinds);
    EXPECT_EQ(Second->Caption(), Class.mid(1) + "2");
    EXPECT_EQ(First->Caption(), Class.mid(1) + "1");
  }
}

TEST(Series, RangesFromTheCommonCountOutliersAndTheIndex)
{
  TGvGraphFixture F;
  auto* Y = F.Vector({5, 1, 7, 3, 9});
  // Y without X: plotted against the index 0 .. 4.
  auto* S = F.Series(nullptr, Y);
  S->Calculate();
  EXPECT_EQ(S->Count(), 5);
  EXPECT_EQ(S->XStart(), 0);
  EXPECT_EQ(S->XStop(), 4);
  EXPECT_EQ(S->YStart(), 1);
  EXPECT_EQ(S->YStop(), 9);

  // Different lengths: only the common count.
  auto* X = F.Vector({10, 20, 30});
  S->SetXData(X);
  S->Calculate();
  EXPECT_EQ(S->Count(), 3);
  EXPECT_EQ(S->XStop(), 30);
  EXPECT_EQ(S->YStart(), 1);
  EXPECT_EQ(S->YStop(), 7);

  // An outlier counts for neither range unless outliers are shown.
  Y->AddOutlier(2);
  S->Calculate();
  EXPECT_EQ(S->YStop(), 5);
  EXPECT_EQ(S->XStop(), 20);
  S->SetOutliersVisible(true);
  S->Calculate();
  EXPECT_EQ(S->YStop(), 7);
  EXPECT_EQ(S->XStop(), 30);
}

TEST(Series, LogarithmicAxesStartAtTheLeastPositiveValue)
{
  TGvGraphFixture F;
  F.X()->SetScaling(TGvAxisScaling::Log);
  auto* S = F.Series(F.Vector({-3, 0, 0.5, 2, 8}), F.Vector({1, 2, 3, 4, 5}));
  S->Calculate();
  EXPECT_EQ(S->XStart(), 0.5);
  EXPECT_EQ(S->XStop(), 8);
  EXPECT_EQ(S->AxisLeastPositive(true), 0.5);
  // No positive value at all: no range on the log axis.
  auto* T = F.Series(F.Vector({-3, 0, -1}), F.Vector({1, 2, 3}));
  T->Calculate();
  double A, B;
  EXPECT_FALSE(T->AxisDataRange(true, A, B));
  EXPECT_TRUE(T->AxisDataRange(false, A, B));
}

TEST(Series, TransformationsFoldEveryValueOnlyOnce)
{
  TGvGraphFixture F;
  auto* X = F.Vector({-3, 0, -1, 1, 2});
  auto* S = F.Series(X, F.Vector({1, 2, 3, 4, 5}));
  int Calls = 0;
  // Not monotone: x^2 of -3 .. 2 spans 0 .. 9 (the two ends alone give 4 .. 9).
  S->SetXValueTransformation([&](QObject*, const TGvTransformEventArgs& A) {
    ++Calls;
    return A.Value * A.Value;
  });
  S->Calculate();
  EXPECT_EQ(S->XStart(), 0);
  EXPECT_EQ(S->XStop(), 9);
  // An element changed in place between the raw extremes still moves the
  // transformed range.
  X->SetValue(1, 1.5);
  S->Calculate();
  EXPECT_EQ(S->XStart(), 1);
  X->SetValue(1, 0);
  S->Calculate();
  EXPECT_EQ(S->XStart(), 0);
  F.Paint();
  ASSERT_FALSE(S->RecalculatePoints());
  // Ten appended values cost ten transformations for the range and the
  // points, not the whole vector again.
  for (int I = 0; I < 1000; ++I) X->Add(0.001 * I);
  auto* Y = qobject_cast<TGvDoubleVector*>(S->YData());
  for (int I = 0; I < 1000; ++I) Y->Add(3);
  S->Calculate();
  F.Paint();
  Calls = 0;
  for (int I = 0; I < 10; ++I) {
    X->Add(1);
    Y->Add(3);
  }
  S->Calculate();
  S->CalculatePoints();
  EXPECT_LE(Calls, 3 * 10 + 4);
  EXPECT_EQ(S->LastPointsCount(), 1015);
}

TEST(Series, EmptyNanAndSinglePointSeriesPaintWithoutHarm)
{
  TGvGraphFixture F;
  const double NaN = std::nan("");
  auto* Empty = F.Series(F.Vector({}), F.Vector({}));
  auto* AllNan = F.Series(F.Vector({NaN, NaN, NaN}), F.Vector({1, NaN, 2}));
  auto* One = F.Series<TGvPointSeries>(F.Vector({1}), F.Vector({1}));
  One->PointSymbol()->SetVisible(true);
  auto* Inf = F.Series(F.Vector({0, 1, 2, 3}), F.Vector({1, INFINITY, -INFINITY, 2}));
  // A long line with values far beyond the axes: converted to clamped pixels,
  // cut in floating point and drawn in whole pixels.
  std::vector<double> HX, HY;
  for (int I = 0; I < 300; ++I) {
    HX.push_back(I);
    HY.push_back(I % 3 == 0 ? 1e300 : (I % 3 == 1 ? -1e300 : NaN));
  }
  auto* Huge = F.Series(F.Vector(HX), F.Vector(HY));
  F.Graph->SetSmoothingMode(TGvSmoothingMode::None);
  F.Paint();
  for (const auto& P : Huge->ScreenPoints()) EXPECT_LE(std::fabs(P.Y), GvMaxPixel);
  EXPECT_EQ(Empty->PointCount(), 0);
  EXPECT_EQ(AllNan->PointCount(), 0);
  EXPECT_EQ(One->PointCount(), 1);
  // The infinite values count as elements without values.
  EXPECT_EQ(Inf->PointCount(), 2);
  EXPECT_EQ(Inf->YStart(), 1);
  EXPECT_EQ(Inf->YStop(), 2);
  EXPECT_GT(Huge->PointCount(), 0);
}

TEST(Series, AVectorOrAnAxisFreedWhileInUse)
{
  TGvGraphFixture F;
  auto* X = F.Vector({1, 2, 3});
  auto* Y = F.Vector({3, 1, 2});
  auto* S = F.Series(X, Y);
  F.Paint();
  delete Y;
  F.Paint(); // the indexer stands in for the Y vector
  EXPECT_EQ(S->YData(), nullptr);
  EXPECT_EQ(S->Graph(), F.Graph);
  delete X;
  F.Paint(); // no vector left: detached
  EXPECT_EQ(S->Graph(), nullptr);
  S->SetXData(F.Vector({1, 2}));
  EXPECT_EQ(S->Graph(), F.Graph);
  delete F.Graph->PrimaryYAxis();
  F.Paint(); // a new primary axis is not made; the series is detached
  EXPECT_EQ(S->YAxis(), nullptr);
  EXPECT_EQ(S->Graph(), nullptr);
}

TEST(Series, TenThousandPointsInOneColumnCollapse)
{
  TGvGraphFixture F;
  std::vector<double> X(10000), Y(10000);
  for (int I = 0; I < 10000; ++I) {
    X[size_t(I)] = 5 + I * 1e-7;
    Y[size_t(I)] = I % 2 ? 1 : 9;
  }
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), 0, 10);
  auto* S = F.Series(F.Vector(X), F.Vector(Y));
  F.Paint();
  ASSERT_GE(S->PointCount(), 2);
  EXPECT_LE(S->PointCount(), 4);
  EXPECT_EQ(S->ScreenPoint(0).Index, 0);
  EXPECT_EQ(S->ScreenPoint(S->PointCount() - 1).Index, 9999);
}

TEST(Series, NoisyDataCostTheWidthNotTheLength)
{
  TGvGraphFixture F;
  const int N = 200000;
  std::vector<double> X(N), Y(N);
  std::mt19937 Rng(5);
  std::normal_distribution<double> Step(0, 1);
  double V = 0;
  for (int I = 0; I < N; ++I) {
    X[size_t(I)] = I;
    Y[size_t(I)] = V += Step(Rng);
  }
  auto* S = F.Series(F.Vector(X), F.Vector(Y));
  F.Paint();
  const int Width = int(F.X()->AxLength()) + 2;
  EXPECT_LE(S->PointCount(), 4 * Width);
  EXPECT_GE(S->PointCount(), Width / 2);
  EXPECT_EQ(S->ScreenPoint(0).Index, 0);
  EXPECT_EQ(S->ScreenPoint(S->PointCount() - 1).Index, N - 1);
}

TEST(Series, TheColumnWisePathGivesThePointsOfTheGeneralOne)
{
  // Many elements per pixel column, with gaps (NaN) and infinities: the
  // plain series takes the column-wise path, the one with an identity
  // transformation the general one.
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 50000);
  GvFixAxis(F.Y(), -300, 300);
  std::vector<double> X, Y;
  std::mt19937 Rng(21);
  std::normal_distribution<double> Step(0, 3);
  double V = 0;
  for (int I = 0; I < 60000; ++I) {
    X.push_back(I);
    V += Step(Rng);
    Y.push_back(I % 997 == 0 ? std::nan("") : I % 1301 == 0 ? INFINITY : V);
  }
  auto* Fast = F.Series(F.Vector(X), F.Vector(Y));
  auto* General = F.Series(F.Vector(X), F.Vector(Y));
  General->SetYValueTransformation(
      [](QObject*, const TGvTransformEventArgs& A) { return A.Value; });
  F.Paint();
  ASSERT_EQ(Fast->PointCount(), General->PointCount());
  for (int I = 0; I < Fast->PointCount(); ++I) {
    EXPECT_EQ(Fast->ScreenPoint(I).X, General->ScreenPoint(I).X) << I;
    EXPECT_EQ(Fast->ScreenPoint(I).Y, General->ScreenPoint(I).Y) << I;
  }
}

TEST(Series, AppendedValuesAreFoldedIntoTheScreenPoints)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 2000);
  GvFixAxis(F.Y(), -100, 100);
  std::vector<double> X, Y;
  std::mt19937 Rng(9);
  std::uniform_real_distribution<double> Noise(-50, 50);
  for (int I = 0; I < 1000; ++I) {
    X.push_back(I);
    Y.push_back(Noise(Rng));
  }
  auto* XV = F.Vector(X);
  auto* YV = F.Vector(Y);
  auto* S = F.Series(XV, YV);
  F.Paint();
  for (int I = 1000; I < 1500; ++I) {
    X.push_back(I);
    Y.push_back(Noise(Rng));
    XV->Add(X.back());
    YV->Add(Y.back());
  }
  EXPECT_EQ(S->LastPointsCount(), 1000); // the appended values kept what was converted
  F.Graph->PollTick();
  F.Paint();
  EXPECT_EQ(S->LastPointsCount(), 1500);
  // The same as converting everything at once.
  auto* Fresh = F.Series(F.Vector(X), F.Vector(Y));
  F.Paint();
  ASSERT_EQ(S->PointCount(), Fresh->PointCount());
  for (int I = 0; I < S->PointCount(); ++I) {
    EXPECT_EQ(S->ScreenPoint(I).Index, Fresh->ScreenPoint(I).Index);
    EXPECT_EQ(S->ScreenPoint(I).Y, Fresh->ScreenPoint(I).Y);
  }
  // A changed old value converts everything again.
  YV->SetValue(10, 99);
  EXPECT_EQ(S->LastPointsCount(), 0);
}

TEST(Series, GetYInterpolatesAndFindsNeighboursFast)
{
  TGvGraphFixture F;
  auto* S = F.Series(F.Vector({0, 1, 2, 4}), F.Vector({0, 10, 20, 0}));
  EXPECT_DOUBLE_EQ(S->GetY(0.5), 5);
  EXPECT_DOUBLE_EQ(S->GetY(3), 10);
  EXPECT_DOUBLE_EQ(S->GetY(-5), 0);
  EXPECT_DOUBLE_EQ(S->GetY(9), 0);
  // Equal X (not ascending): the first one's Y, no division by zero.
  auto* T = F.Series(F.Vector({0, 1, 1, 2}), F.Vector({0, 4, 8, 2}));
  EXPECT_DOUBLE_EQ(T->GetY(1), 4);
  auto* Empty = F.Series(F.Vector({}), F.Vector({}));
  EXPECT_EQ(Empty->GetY(1), 0);
}

TEST(Series, BandsRefuseThemselvesAndCycles)
{
  TGvGraphFixture F;
  auto* A = F.Series(F.Vector({0, 1}), F.Vector({0, 1}));
  auto* B = F.Series(F.Vector({0, 1}), F.Vector({1, 2}));
  auto* C = F.Series(F.Vector({0, 1}), F.Vector({2, 3}));
  EXPECT_THROW(A->SetDrawBandTo(A), EGvError);
  A->SetDrawBandTo(B);
  B->SetDrawBandTo(C);
  EXPECT_THROW(C->SetDrawBandTo(A), EGvError);
  EXPECT_EQ(C->DrawBandTo(), nullptr);
  F.Paint();
  // A's area runs along A and back along B.
  EXPECT_EQ(A->AreaPointCount(), A->PointCount() + B->PointCount());
  EXPECT_EQ(C->AreaPointCount(), 0);
  C->Area()->SetVisible(true);
  F.Paint();
  EXPECT_EQ(C->AreaPointCount(), C->PointCount() + 2);
}

TEST(Series, HitTestsAnswerFromTheScreenPoints)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), 0, 10);
  auto* S = F.Series<TGvPointSeries>(F.Vector({2, 5, 8}), F.Vector({2, 5, 8}));
  S->PointSymbol()->SetVisible(true);
  EXPECT_EQ(S->FindPoint(0, 0), -1); // nothing while points are pending
  F.Paint();
  const float PX = F.X()->NumberToWorld(5), PY = F.Y()->NumberToWorld(5);
  EXPECT_EQ(S->FindPoint(PX + 3, PY - 3), 1);
  EXPECT_EQ(S->FindPoint(PX + 30, PY), -1);
  const TGvNearestPointResult N = S->NearestPoint(QPointF(PX + 40, PY + 40));
  ASSERT_TRUE(N.Found);
  EXPECT_EQ(N.Index, 1);
  EXPECT_EQ(N.X, 5);
  const TGvNearestPointResult NX = S->NearestX(F.X()->NumberToWorld(7.9));
  EXPECT_EQ(NX.Index, 2);
  int Index;
  double X, Y;
  EXPECT_EQ(F.Graph->FindSeriesPoint(PX, PY, Index, X, Y), S);
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(Y, 5);
}

TEST(Series, SymbolsOncePerPixelAndTheHandlerOncePerPaint)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), 0, 10);
  std::vector<double> X, Y;
  for (int I = 0; I < 1000; ++I) {
    X.push_back(5 + (I % 2) * 3 + I * 1e-6);
    Y.push_back(5);
  }
  auto* S = F.Series<TGvPointSeries>(F.Vector(X), F.Vector(Y));
  S->PointSymbol()->SetVisible(true);
  S->Line()->SetVisible(false);
  F.Paint();
  // The points alternate between two pixels: every one is a screen point,
  // two get a symbol.
  EXPECT_EQ(S->PointCount(), 1000);
  EXPECT_EQ(S->SymbolPositions().size(), 2u);
  int Calls = 0;
  S->OnGetPointSymbol = [&](TGvSeries*, TGvPointSymbolEventArgs& A) {
    ++Calls;
    A.Brush = QBrush(QColor(0, 0, 255, 100));
  };
  S->PointsModified();
  F.Paint();
  EXPECT_EQ(Calls, 1000);
}

TEST(Series, TranslucentSymbolsLeaveHolesInTheLine)
{
  TGvGraphFixture F;
  GvFixAxis(F.X(), 0, 10);
  GvFixAxis(F.Y(), 0, 10);
  F.Graph->SetSmoothingMode(TGvSmoothingMode::None);
  auto* S = F.Series<TGvPointSeries>(F.Vector({1, 5, 9}), F.Vector({5, 5, 5}));
  S->Line()->SetColor(0xFFFF0000);
  S->Line()->SetWidth(3);
  S->PointSymbol()->SetVisible(true);
  S->PointSymbol()->SetPointSymbol(TGvPointSymbol::Square);
  S->PointSymbol()->SetSize(21);
  S->PointSymbol()->SetFillColor(0x400000FF); // translucent blue
  S->PointSymbol()->SetBorderColor(0xFF0000FF);
  const QImage I = F.Paint();
  const int PX = int(std::lround(F.X()->NumberToWorld(5)));
  const int PY = int(std::lround(F.Y()->NumberToWorld(5)));
  // Inside the symbol the line does not show through: white under a quarter
  // of blue.
  const QColor In = I.pixelColor(PX + 4, PY);
  EXPECT_GT(In.red(), 150);
  EXPECT_GT(In.green(), 150);
  // Between the symbols the line is red.
  const QColor Line = I.pixelColor(int(std::lround(F.X()->NumberToWorld(3))), PY);
  EXPECT_GT(Line.red(), 200);
  EXPECT_LT(Line.green(), 60);
}

TEST(ErrorBars, RangesIncludeTheBarsAndTheEndsAreConverted)
{
  TGvGraphFixture F;
  auto* S = F.Series<TGvPointWithErrorSeries>(F.Vector({1, 2, 3}), F.Vector({10, 20, 30}));
  S->SetDeltaYPlus(F.Vector({1, 2, 3}));
  S->SetDeltaYMinus(F.Vector({-5})); // absolute; only the first element has one
  S->SetDeltaXPlus(F.Vector({0.5, 0.5, 0.5}));
  S->Calculate();
  EXPECT_EQ(S->YStart(), 5);
  EXPECT_EQ(S->YStop(), 33);
  EXPECT_EQ(S->XStart(), 1);
  EXPECT_EQ(S->XStop(), 3.5);
  EXPECT_EQ(S->GetDyMinus(1), 0);
  F.Paint();
  ASSERT_EQ(S->BarEnds().size(), size_t(S->PointCount()));
  EXPECT_TRUE(std::isfinite(S->BarEnds()[0].YMinus));
  EXPECT_FALSE(std::isfinite(S->BarEnds()[1].YMinus));
  EXPECT_FLOAT_EQ(S->BarEnds()[2].YPlus, F.Y()->NumberToWorld(33));
  // A delta vector that grows later widens the range at elements already
  // taken in.
  qobject_cast<TGvDoubleVector*>(S->DeltaYMinus())->Add(30);
  S->Calculate();
  EXPECT_EQ(S->YStart(), -10);
  // An outlier in a delta vector takes the element out.
  S->DeltaYPlus()->AddOutlier(2);
  EXPECT_FALSE(S->HasValuesAt(2));
  S->SetOutliersVisible(true);
  EXPECT_TRUE(S->HasValuesAt(2));
}

// A function series with a formula of its own: y = A sin(x), or failing.
class TSineSeries : public TGvFunctionSeries
{
public:
  using TGvFunctionSeries::TGvFunctionSeries;
  double Amplitude = 1;
  bool FailInCalculation = false;
  double FailFrom = 1e300, FailTo = -1e300;
  int Evaluations = 0;
  double GetY(double X) override
  {
    ++Evaluations;
    if (X > FailFrom && X < FailTo) throw EGvError("outside the domain");
    return Amplitude * std::sin(X);
  }
  void CalculateFunction() override
  {
    if (FailInCalculation) throw EGvError("no fit");
    TGvFunctionSeries::CalculateFunction();
  }
  QString GetFormula() const override { return "y=A sin(x)"; }
};

TEST(FunctionSeries, SamplesOnePointPerPixel)
{
  TGvGraphFixture F;
  auto* S = F.Series<TSineSeries>(F.Vector({0, 10}), F.Vector({0, 0}));
  EXPECT_TRUE(S->ClipYValues());
  EXPECT_TRUE(S->AutoStart());
  EXPECT_TRUE(S->CoupleCalculationAndDisplay());
  F.Paint();
  EXPECT_EQ(S->DisplayStart(), 0);
  EXPECT_EQ(S->DisplayStop(), 10);
  // The only series of its Y axis: the curve's own range.
  EXPECT_NEAR(S->YStop(), 1, 1e-3);
  const int Width = int(std::lround(F.X()->AxLength()));
  EXPECT_EQ(S->PointCount(), std::max(Width, 1) + 1);
  EXPECT_EQ(S->FindPoint(S->ScreenPoint(3).X, S->ScreenPoint(3).Y, 1), 0);
  TGvFunctionSeries Base(nullptr);
  EXPECT_THROW(Base.GetFormula(), EGvError);
}

TEST(FunctionSeries, FewerThanTwoPointsCalculateNothing)
{
  TGvGraphFixture F;
  auto* S = F.Series<TSineSeries>(F.Vector({1}), F.Vector({1}));
  S->Calculate();
  EXPECT_EQ(S->Evaluations, 0);
  F.Paint();
  EXPECT_EQ(S->PointCount(), 0);
}

TEST(FunctionSeries, FailingCalculationsRaiseOrGoToTheHandler)
{
  TGvGraphFixture F;
  auto* S = F.Series<TSineSeries>(F.Vector({0, 1, 2}), F.Vector({0, 1, 2}));
  S->FailInCalculation = true;
  EXPECT_THROW(S->Calculate(), EGvError);
  EXPECT_EQ(S->LastCount(), S->Count()); // not tried again until the data change
  F.Paint();                             // the graph goes on without the curve
  EXPECT_EQ(S->PointCount(), 0);
  QString Seen;
  S->OnCalculationError = [&](TGvSeries*, const std::exception& E) { Seen = E.what(); };
  S->SetLastCount(0);
  EXPECT_NO_THROW(S->Calculate());
  EXPECT_EQ(Seen, "no fit");
}

TEST(FunctionSeries, AFunctionThatRaisesLeavesGaps)
{
  TGvGraphFixture F;
  auto* S = F.Series<TSineSeries>(F.Vector({0, 10}), F.Vector({0, 0}));
  S->OnCalculationError = [](TGvSeries*, const std::exception&) {};
  S->FailFrom = 4;
  S->FailTo = 6;
  F.Paint();
  // Both ends are drawn, with one break between them.
  int Finite = 0, Breaks = 0;
  for (const auto& P : S->ScreenPoints()) (std::isfinite(P.X) ? Finite : Breaks) += 1;
  EXPECT_GT(Finite, 10);
  EXPECT_EQ(Breaks, 1);
  EXPECT_LT(Finite, int(std::lround(F.X()->AxLength())));
}

TEST(FunctionSeries, CalculationObjectHonoursItsRange)
{
  TGvDoubleVector X, Y;
  X.AddRange({0, 1, 2, 3});
  Y.AddRange({0, 1, 2, 3});
  X.AddOutlier(1);
  TGvCalculation C;
  C.X = &X;
  C.Y = &Y;
  C.Start = 0.5;
  C.Stop = 2.5;
  EXPECT_FALSE(C.IsValid(0));
  EXPECT_FALSE(C.IsValid(1)); // an outlier
  EXPECT_TRUE(C.IsValid(2));
  C.OutliersVisible = true;
  EXPECT_TRUE(C.IsValid(1));
  EXPECT_FALSE(C.IsValid(3)); // beyond Stop also when outliers are shown
  EXPECT_EQ(C.Wi(2), 1);
}

} // namespace
