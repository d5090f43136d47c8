// Akima, the not-a-knot cubic spline and the smoothing spline.
//
// References: closed forms (parabolas, straight lines) and tables computed
// once with scipy 1.10 / numpy 1.24 by reference/make_reference.py (section
// GvInterpolationTest.cpp), on the 12 points of SplinePoints:
//   AkimaRef            scipy.interpolate.Akima1DInterpolator, extrapolate=True
//   CubicSplineRef      scipy.interpolate.CubicSpline, bc_type="not-a-knot"
//   SmoothingSplineRef  scipy.interpolate.make_smoothing_spline(x, y + noise,
//                       w, lam = 1/ElasticityFactor), ElasticityFactor 2
//   NaturalSplineRef    CubicSpline(bc_type="natural"): the smoothing spline
//                       for an elasticity towards infinity
//   LineSlope/Intercept numpy.polyfit(x, y, 1, w=sqrt(w)): the smoothing
//                       spline for an elasticity towards 0
// Each table holds 25 points from half a unit below the first node to half a
// unit above the last (scipy's pieces extrapolate like ours).
#include "chart/analysis/GvInterpolation.h"
#include "chart/analysis/GvInterpolationCalculations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace {

using M = TGvInterpolationMethod;

struct TRefPoint
{
  double X, Y;
};

// The interpolation over plain arrays.
struct TCurve
{
  std::vector<double> X, Y, W;
  std::vector<std::uint8_t> Valid;
  TGvInterpolationCalculation Calc;

  TCurve(M Method, std::vector<double> Xs, std::vector<double> Ys, std::vector<double> Ws = {})
      : X(std::move(Xs)), Y(std::move(Ys)), W(std::move(Ws))
  {
    Calc.SetInterpolationMethod(Method);
  }
  TCurve& Run()
  {
    TGvCalculationData D;
    D.X = X;
    D.Y = Y;
    D.Weight = W;
    D.Valid = Valid;
    Calc.Calculate(D);
    return *this;
  }
  double operator()(double At) const { return Calc.Interpolate(At); }
};

// The twelve points of the reference tables.
void SplinePoints(std::vector<double>& X, std::vector<double>& Y,
                  std::vector<double>* Noisy = nullptr, std::vector<double>* W = nullptr)
{
  for (int I = 0; I < 12; ++I) {
    const double T = I;
    const double Xi = T + 0.3 * std::sin(1.7 * T);
    X.push_back(Xi);
    Y.push_back(std::sin(0.9 * Xi) + 0.1 * Xi);
    if (Noisy) Noisy->push_back(Y.back() + 0.2 * std::cos(5.3 * T));
    if (W) W->push_back(1 + 0.5 * std::sin(T));
  }
}

QString MessageOf(const std::function<void()>& F)
{
  try {
    F();
  } catch (const EMathError& E) {
    return E.Message();
  }
  return QStringLiteral("(no error)");
}

// Computed once by reference/make_reference.py.
const TRefPoint AkimaRef[] = {
    {-0.5, -0.6088113488415176},
    {-0.00186248782267745, -0.0020674687160119353},
    {0.4962750243546451, 0.49534766070143443},
    {0.9944125365319676, 0.8769167552897424},
    {1.4925500487092902, 1.130210116586511},
    {1.9906875608866126, 1.1702780889849587},
    {2.488825073063935, 1.0253816961696864},
    {2.986962585241258, 0.7389094381332876},
    {3.4851000974185804, 0.3438478063537414},
    {3.9832376095959026, -0.040031116047253235},
    {4.481375121773225, -0.3079405826258458},
    {4.979512633950548, -0.4535083344624399},
    {5.47765014612787, -0.452616174680338},
    {5.975787658305193, -0.15110308808420564},
    {6.473925170482516, 0.2526767885620638},
    {6.972062682659838, 0.6622246892980356},
    {7.470200194837161, 1.0819621548291118},
    {7.9683377070144825, 1.501092297342101},
    {8.466475219191805, 1.8604075809489995},
    {8.964612731369128, 1.884159904401368},
    {9.46275024354645, 1.7348172344362933},
    {9.960887755723773, 1.443517424701855},
    {10.459025267901096, 1.0893412900234904},
    {10.957162780078418, 0.6724267474573552},
    {11.45530029225574, 0.17323860405457459},
};
const TRefPoint CubicSplineRef[] = {
    {-0.5, -0.5917273270546789},
    {-0.00186248782267745, -0.0020627745388925333},
    {0.4962750243546451, 0.5013634656664078},
    {0.9944125365319676, 0.8866210774770358},
    {1.4925500487092902, 1.1217797448088052},
    {1.9906875608866126, 1.1749414545762824},
    {2.488825073063935, 1.0331995565789003},
    {2.986962585241258, 0.7356593076332556},
    {3.4851000974185804, 0.3511686836713424},
    {3.9832376095959026, -0.03180932816328122},
    {4.481375121773225, -0.32641747447187713},
    {4.979512633950548, -0.47277261562848455},
    {5.47765014612787, -0.4295167179339326},
    {5.975787658305193, -0.18721844980850774},
    {6.473925170482516, 0.2097944057978642},
    {6.972062682659838, 0.6866805179526901},
    {7.470200194837161, 1.1659716307908485},
    {7.9683377070144825, 1.5694210867641272},
    {8.466475219191805, 1.8196917297697979},
    {8.964612731369128, 1.873614120668539},
    {9.46275024354645, 1.7337700430712157},
    {9.960887755723773, 1.4430871020525542},
    {10.459025267901096, 1.067358585453431},
    {10.957162780078418, 0.6726976844643398},
    {11.45530029225574, 0.32521759027577296},
};
const TRefPoint SmoothingSplineRef[] = {
    {-0.5, 0.15765669452869677},
    {-0.00186248782267745, 0.4252538946815034},
    {0.4962750243546451, 0.6930602586984017},
    {0.9944125365319676, 0.905133210403899},
    {1.4925500487092902, 1.0061536053322833},
    {1.9906875608866126, 0.9663101275330522},
    {2.488825073063935, 0.8003278789386487},
    {2.986962585241258, 0.554065319748253},
    {3.4851000974185804, 0.2810172022861895},
    {3.9832376095959026, 0.037333970016096715},
    {4.481375121773225, -0.12269887273101866},
    {4.979512633950548, -0.16745479979543587},
    {5.47765014612787, -0.08053796151469776},
    {5.975787658305193, 0.1361811518102454},
    {6.473925170482516, 0.44893145357525815},
    {6.972062682659838, 0.8047561552401138},
    {7.470200194837161, 1.1500734704415099},
    {7.9683377070144825, 1.4324916622130173},
    {8.466475219191805, 1.600582875317979},
    {8.964612731369128, 1.6327072442913815},
    {9.46275024354645, 1.5450987102955691},
    {9.960887755723773, 1.3674716129980986},
    {10.459025267901096, 1.1324873621152545},
    {10.957162780078418, 0.8689635531419554},
    {11.45530029225574, 0.6055468512701618},
};
const TRefPoint NaturalSplineRef[] = {
    {-0.5, -0.2829382458111712},
    {-0.00186248782267745, 0.1981277865211274},
    {0.4962750243546451, 0.679630237052917},
    {0.9944125365319676, 1.044845509787275},
    {1.4925500487092902, 1.1797395123138592},
    {1.9906875608866126, 1.0801838079561448},
    {2.488825073063935, 0.8542830387404602},
    {2.986962585241258, 0.5311552739907222},
    {3.4851000974185804, 0.15780607656162043},
    {3.9832376095959026, -0.18840753203087335},
    {4.481375121773225, -0.42956477996019815},
    {4.979512633950548, -0.4943154880013171},
    {5.47765014612787, -0.3207529938134193},
    {5.975787658305193, 0.021240820298905963},
    {6.473925170482516, 0.40901416710862665},
    {6.972062682659838, 0.8364464251389702},
    {7.470200194837161, 1.2696701597731377},
    {7.9683377070144825, 1.6148612882190678},
    {8.466475219191805, 1.7748769341146726},
    {8.964612731369128, 1.7280569423223466},
    {9.46275024354645, 1.5442773522836988},
    {9.960887755723773, 1.2801033294246242},
    {10.459025267901096, 0.9698980076482534},
    {10.957162780078418, 0.6369563503625436},
    {11.45530029225574, 0.30410002106220574},
};
const double LineSlope = 0.07166309909132948, LineIntercept = 0.5012812304060763;

// ---- Against scipy ---------------------------------------------------------------

void ExpectTable(const TCurve& C, std::span<const TRefPoint> Ref, double Tol, const char* Name)
{
  for (const TRefPoint& P : Ref) EXPECT_NEAR(C(P.X), P.Y, Tol) << Name << " at x=" << P.X;
}

TEST(Interpolation, AkimaAndCubicSplineMatchScipy)
{
  std::vector<double> X, Y;
  SplinePoints(X, Y);
  // Tolerance 1e-13 absolute on values within ±2 (reached: 4e-16 and 1.3e-15).
  ExpectTable(TCurve(M::Akima, X, Y).Run(), AkimaRef, 1e-13, "Akima");
  ExpectTable(TCurve(M::CubicSpline, X, Y).Run(), CubicSplineRef, 1e-13, "cubic spline");
}

TEST(Interpolation, SmoothingSplineMatchesScipy)
{
  std::vector<double> X, Y, Noisy, W;
  SplinePoints(X, Y, &Noisy, &W);
  TCurve C(M::ApproximativeSpline, X, Noisy, W);
  C.Calc.SetElasticityFactor(2.0);
  // Tolerance 1e-13 absolute (reached: 1.1e-15; scipy solves in a B-spline basis).
  ExpectTable(C.Run(), SmoothingSplineRef, 1e-13, "smoothing spline");
}

TEST(Interpolation, SmoothingSplineLimitsStayFinite)
{
  std::vector<double> X, Y, Noisy, W;
  SplinePoints(X, Y, &Noisy, &W);
  // A huge elasticity: the natural spline through the points. Tolerance 1e-9
  // (the curve differs from it by about 1/elasticity; reached: 5e-12).
  TCurve Stiff(M::ApproximativeSpline, X, Noisy, W);
  Stiff.Calc.SetElasticityFactor(1e12);
  ExpectTable(Stiff.Run(), NaturalSplineRef, 1e-9, "elasticity 1e12");
  // Elasticity 0 (stored as 1e-300): the weighted least-squares line, for
  // any scale of X; with X in thousandths the plain system's 6/(w·1e-300)
  // times 1/h² would overflow. Tolerance 1e-12 (reached: 1e-14).
  std::vector<double> Xm = X;
  for (double& V : Xm) V *= 1e-3;
  TCurve Line(M::ApproximativeSpline, Xm, Noisy, W);
  Line.Calc.SetElasticityFactor(0);
  EXPECT_EQ(Line.Calc.ElasticityFactor(), 1e-300);
  Line.Run();
  for (double At : {X.front(), 2.5, 7.0, X.back()})
    EXPECT_NEAR(Line(At * 1e-3), LineIntercept + LineSlope * At, 1e-12) << "line at " << At;
}

TEST(Interpolation, SmoothingSplineOfExtremeScales)
{
  // The reference problem with X scaled by 1e-160, Y by 1e-200 and the
  // weights by 1e240 (elasticity 2e240, so that weight·elasticity·X³ stays
  // the same): its curve fits in doubles, but in the plain system 1/h² and
  // weight·elasticity overflow.
  std::vector<double> X, Y, Noisy, W;
  SplinePoints(X, Y, &Noisy, &W);
  TCurve Plain(M::ApproximativeSpline, X, Noisy, W);
  Plain.Calc.SetElasticityFactor(2.0);
  Plain.Run();
  std::vector<double> Xs = X, Ys = Noisy, Ws = W;
  for (double& V : Xs) V *= 1e-160;
  for (double& V : Ys) V *= 1e-200;
  for (double& V : Ws) V *= 1e240;
  TCurve Scaled(M::ApproximativeSpline, Xs, Ys, Ws);
  Scaled.Calc.SetElasticityFactor(2e240);
  Scaled.Run();
  // Tolerance 1e-12 relative to the scale (reached: 4e-14).
  for (const TRefPoint& P : SmoothingSplineRef)
    EXPECT_NEAR(Scaled(P.X * 1e-160) * 1e200, Plain(P.X), 1e-12) << "at x=" << P.X;
}

// ---- Closed forms and the rules of the calculation --------------------------------

TEST(Interpolation, ParabolaAndLineAreReproducedAlsoBeyondTheEnds)
{
  // Three points of x²: the cubic spline is the parabola; beyond the last
  // node the last piece goes on (9 at x = 3), as below the first.
  TCurve Spline(M::CubicSpline, {0, 1, 2}, {0, 1, 4});
  Spline.Run();
  // Akima reproduces x² on equal steps too.
  TCurve Akima(M::Akima, {0, 1, 2}, {0, 1, 4});
  Akima.Run();
  for (const TCurve* C : {&Spline, &Akima}) {
    for (double At : {-1.0, 0.5, 1.5, 2.0, 3.0}) EXPECT_NEAR((*C)(At), At * At, 1e-14) << At;
  }
  EXPECT_NEAR(Spline.Calc.Curvature(3.0), 2.0, 1e-14);

  // Akima through collinear points: the line, also beyond both ends.
  const std::vector<double> X = {0, 0.5, 2, 2.2, 4, 7};
  std::vector<double> Y;
  for (double V : X) Y.push_back(2 * V + 1);
  for (M Method : {M::Akima, M::CubicSpline}) {
    TCurve C(Method, X, Y);
    C.Run();
    for (double At : {-5.0, 0.3, 2.1, 6.0, 20.0}) EXPECT_NEAR(C(At), 2 * At + 1, 1e-12) << At;
  }
}

TEST(Interpolation, OrderAndEqualXOfTheInput)
{
  const std::vector<double> X = {0, 1, 2.5, 3, 4.5, 6}, Y = {1, 3, 2, 5, 4, 0};
  for (M Method : {M::Akima, M::CubicSpline, M::ApproximativeSpline}) {
    TCurve Ascending(Method, X, Y);
    Ascending.Run();
    // Descending order gives the same curve.
    TCurve Descending(Method, {X.rbegin(), X.rend()}, {Y.rbegin(), Y.rend()});
    Descending.Run();
    // Shuffled order with equal X anywhere: x = 2.5 twice (y 1 and 3, not
    // neighbours) is one node with the mean 2, x = 6 three times (0, 2, -2)
    // folds pairwise from the left: ((0 + 2)/2 + (-2))/2 = -0.5.
    TCurve Merged(Method, {6, 2.5, 0, 4.5, 6, 3, 1, 2.5, 6}, {0, 1, 1, 4, 2, 5, 3, 3, -2});
    Merged.Run();
    std::vector<double> Ym = Y;
    Ym.back() = -0.5;
    TCurve Expected(Method, X, Ym);
    Expected.Run();
    EXPECT_EQ(Merged.Calc.IntCount(), 6u);
    for (double At : {-1.0, 0.0, 0.7, 2.5, 3.9, 6.0, 7.0}) {
      EXPECT_NEAR(Descending(At), Ascending(At), 1e-12) << int(Method) << " at " << At;
      EXPECT_NEAR(Merged(At), Expected(At), 1e-12) << int(Method) << " at " << At;
    }
  }
  // Two neighbours with the same X become one node with their mean.
  TCurve Pair(M::Akima, {0, 1, 1, 2, 3}, {0, 1, 3, 4, 9});
  Pair.Run();
  EXPECT_EQ(Pair.Calc.IntCount(), 4u);
  EXPECT_DOUBLE_EQ(Pair(1.0), 2.0);
}

TEST(Interpolation, PointsThatAreNotUsed)
{
  // Invalid points, weights of 0 and non-finite values do not count.
  TCurve C(M::CubicSpline, {0, 1, 9, 2, 3, 4, NAN, 5}, {0, 1, 100, 4, 9, -7, 1, 25},
           {1, 1, 1, 1, 1, 0, 1, 1});
  C.Valid = {1, 1, 0, 1, 1, 1, 1, 1};
  C.Run();
  EXPECT_EQ(C.Calc.IntCount(), 5u);
  EXPECT_NEAR(C(4.0), 16.0, 1e-12);
}

TEST(Interpolation, TooFewPointsAndMissingVectors)
{
  const QString NotEnough = "Not enough data points to calculate function";
  EXPECT_EQ(MessageOf([] { TCurve(M::Akima, {0, 1}, {0, 1}).Run(); }), NotEnough);
  EXPECT_EQ(MessageOf([] { TCurve(M::CubicSpline, {0, 1, 1, 0}, {0, 1, 2, 3}).Run(); }), NotEnough);
  EXPECT_EQ(MessageOf([] {
              TCurve(M::ApproximativeSpline, {0, 1, 2, 3, 4}, {0, 1, 0, 1, 0}).Run();
            }),
            NotEnough);
  EXPECT_EQ(MessageOf([] {
              TCurve(M::ApproximativeSpline, {0, 1, 2, 3, 4, 5}, {0, 1, 0, 1, 0, 1}).Run();
            }),
            "(no error)");
  TGvInterpolationCalculation Calc;
  TGvCalculationData D;
  D.HasY = false;
  EXPECT_EQ(MessageOf([&] { Calc.Calculate(D); }), "No Y vector defined for calculation");
  EXPECT_EQ(InterpolationMinCount(M::ApproximativeSpline), 6);
  EXPECT_EQ(InterpolationMinCount(M::Akima), 3);
  EXPECT_EQ(InterpolationFormula(M::CubicSpline), "Interpolation (cubic spline)");
}

TEST(Interpolation, WithoutACurveNothingIsRead)
{
  // Never calculated, and after a failed calculation: no coefficients.
  TCurve Fresh(M::Akima, {}, {});
  TCurve Failed(M::Akima, {0, 1, 2}, {0, 1, 4});
  Failed.Run();
  Failed.X = {0, 1};
  Failed.Y = {0, 1};
  EXPECT_THROW(Failed.Run(), EMathError);
  for (const TCurve* C : {&Fresh, &Failed}) {
    EXPECT_EQ(C->Calc.IntCount(), 0u);
    EXPECT_EQ(C->Calc.Interpolate(1.0), 0.0);
    EXPECT_EQ(C->Calc.Curvature(1.0), 0.0);
    EXPECT_EQ(C->Calc.FindIndex(1.0), 0u);
    EXPECT_TRUE(C->Calc.Minima().empty());
    EXPECT_TRUE(C->Calc.Maxima().empty());
    EXPECT_TRUE(C->Calc.NeedsRecalculation());
  }
}

TEST(Interpolation, FindIndexIsTheNodeBelow)
{
  std::mt19937_64 Gen(3);
  std::uniform_real_distribution<double> U(0.0, 1.0);
  std::vector<double> X(1000), Y(1000);
  double At = 0;
  for (std::size_t I = 0; I < X.size(); ++I) {
    At += 0.01 + U(Gen);
    X[I] = At;
    Y[I] = U(Gen);
  }
  TCurve C(M::Akima, X, Y);
  C.Run();
  // The reference: the last node at or below the value, 0 below the first.
  const auto Linear = [&](double V) {
    std::size_t K = 0;
    while (K + 1 < X.size() && X[K + 1] <= V) ++K;
    return K;
  };
  std::vector<double> Queries = {-1.0, X[0], X[1], X[500], X.back(), X.back() + 5};
  for (int I = 0; I < 2000; ++I) Queries.push_back(U(Gen) * (At + 2) - 1);
  for (double V = -1; V < At + 1; V += 0.37) Queries.push_back(V); // ascending runs
  for (double V = At + 1; V > -1; V -= 0.53) Queries.push_back(V); // descending runs
  for (double V = -1; V < At + 1; V += 41.3) Queries.push_back(V); // long strides
  for (double V = At + 1; V > -1; V -= 97.1) Queries.push_back(V);
  for (double V : Queries) EXPECT_EQ(C.Calc.FindIndex(V), Linear(V)) << V;
}

TEST(Interpolation, MinimaAndMaxima)
{
  // y = x³ − 3x sampled at −3 … 3: a maximum near (−1, 2), a minimum near (1, −2).
  std::vector<double> X, Y;
  for (int I = -3; I <= 3; ++I) {
    X.push_back(I);
    Y.push_back(I * I * I - 3.0 * I);
  }
  // Akima's curve is close to it (its extrema lie at ±1.13, ±2.13); the
  // not-a-knot spline reproduces a cubic exactly.
  struct TCase
  {
    M Method;
    double Tol;
  };
  for (const TCase T : {TCase{M::Akima, 0.15}, TCase{M::CubicSpline, 1e-12}}) {
    TCurve C(T.Method, X, Y);
    C.Run();
    ASSERT_EQ(C.Calc.Maxima().size(), 1u);
    ASSERT_EQ(C.Calc.Minima().size(), 1u);
    EXPECT_NEAR(C.Calc.Maxima()[0].X, -1.0, T.Tol);
    EXPECT_NEAR(C.Calc.Maxima()[0].Y, 2.0, T.Tol);
    EXPECT_NEAR(C.Calc.Minima()[0].X, 1.0, T.Tol);
    EXPECT_NEAR(C.Calc.Minima()[0].Y, -2.0, T.Tol);
  }
  // A piece that is a parabola (D = 0) has its vertex found: (0, 0).
  TCurve P(M::CubicSpline, {-1, 0, 1}, {1, 0, 1});
  P.Run();
  ASSERT_EQ(P.Calc.Minima().size(), 1u);
  EXPECT_NEAR(P.Calc.Minima()[0].X, 0.0, 1e-15);
  EXPECT_NEAR(P.Calc.Minima()[0].Y, 0.0, 1e-15);
  EXPECT_TRUE(P.Calc.Maxima().empty());
}

TEST(Interpolation, ParametersAndThePreSmoothing)
{
  TGvInterpolationCalculation Calc;
  EXPECT_EQ(Calc.InterpolationMethod(), M::Akima);
  EXPECT_FALSE(Calc.SmoothPoints());
  EXPECT_EQ(Calc.SmoothingRange(), 0.0);
  EXPECT_EQ(Calc.ElasticityFactor(), 1.0);
  EXPECT_TRUE(Calc.SetSmoothPoints(true));
  // Switching to the approximative spline switches smoothing off (box).
  EXPECT_TRUE(Calc.SetInterpolationMethod(M::ApproximativeSpline));
  EXPECT_FALSE(Calc.SmoothPoints());
  // and smoothing cannot be switched on with it (box, nothing changes).
  EXPECT_FALSE(Calc.SetSmoothPoints(true));
  EXPECT_FALSE(Calc.SmoothPoints());
  EXPECT_EQ(TGvInterpolationCalculation::ApproximativeSmoothingMessage(),
            "Approximative spline does not need the smoothing function!\n"
            "Use the ElasticityFactor to adjust the elasticity of the spline.");
  EXPECT_FALSE(Calc.SetInterpolationMethod(M::CubicSpline));

  // Triangular pre-smoothing over a range of 2: 0, 0, 3, 0, 0 becomes
  // 0, 0.75, 1.5, 0.75, 0 at the nodes.
  TCurve C(M::Akima, {0, 1, 2, 3, 4}, {0, 0, 3, 0, 0});
  C.Calc.SetSmoothPoints(true);
  C.Calc.SetSmoothingRange(2);
  C.Run();
  const double Expected[] = {0, 0.75, 1.5, 0.75, 0};
  for (int I = 0; I < 5; ++I) EXPECT_NEAR(C(I), Expected[I], 1e-15) << I;
  // The elasticity does not touch Akima's curve; the range does.
  C.Calc.SetElasticityFactor(5);
  EXPECT_FALSE(C.Calc.NeedsRecalculation());
  C.Calc.SetSmoothingRange(1);
  EXPECT_TRUE(C.Calc.NeedsRecalculation());
}

} // namespace
