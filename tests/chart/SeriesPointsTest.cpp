// The screen-point arithmetic of series over plain data: line and symbol
// reduction, the visible part, interpolation, function sampling, clipping.
#include "chart/GvSeriesPoints.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace {

std::vector<TGvScreenPoint> Reduce(const std::vector<TGvScreenPoint>& In)
{
  std::vector<TGvScreenPoint> Out;
  auto Push = [&](const TGvScreenPoint& P) { Out.push_back(P); };
  TGvLineReducer R;
  for (const auto& P : In) R.Feed(P, Push);
  R.Finish(Push);
  return Out;
}

std::vector<int> Indices(const std::vector<TGvScreenPoint>& P)
{
  std::vector<int> I;
  for (const auto& Q : P) I.push_back(Q.Index);
  return I;
}

std::vector<TGvScreenPoint> Points(std::initializer_list<std::pair<float, float>> XY)
{
  std::vector<TGvScreenPoint> P;
  int I = 0;
  for (auto [X, Y] : XY) P.push_back({X, Y, I++});
  return P;
}

TEST(LineReduction, SmallFixturesKeepTheSeriesRule)
{
  struct TCase
  {
    const char* What;
    std::vector<TGvScreenPoint> In;
    std::vector<int> Kept;
  };
  const TCase Cases[] = {
      {"two elements keep both", Points({{0, 0}, {0.2f, 0.1f}}), {0, 1}},
      {"one element", Points({{3, 3}}), {0}},
      {"points within a pixel of the kept one are dropped, the last stays",
       Points({{0, 0}, {0.3f, 0.2f}, {0.6f, 0.5f}, {0.9f, 0.7f}}),
       {0, 3}},
      {"a steady line keeps one point per pixel step",
       Points({{0, 0}, {0.5f, 0}, {1.0f, 0}, {1.5f, 0}, {2.0f, 0}, {2.5f, 0}}),
       {0, 2, 4, 5}},
      {"a run downwards in one column merges to its end",
       Points({{0.1f, 0}, {0.3f, 3}, {0.5f, 6}, {0.7f, 9}, {2.5f, 9}}),
       {0, 3, 4}},
      {"a run that turns keeps the turning point",
       Points({{0.1f, 0}, {0.3f, 4}, {0.5f, 8}, {0.7f, 2}, {3, 2}}),
       {0, 2, 3, 4}},
      {"a column holding every element keeps its entry and exit",
       Points({{0.1f, 0}, {0.3f, 3}, {0.5f, 6}, {0.7f, 9}}),
       {0, 3}},
  };
  for (const TCase& C : Cases) EXPECT_EQ(Indices(Reduce(C.In)), C.Kept) << C.What;
}

TEST(LineReduction, NoisyColumnsAreBoundedAndKeepTheirExtent)
{
  // 10 000 alternating points in one pixel column, then 100 000 noisy points
  // over 100 columns: at most 4 points per column, first and last kept, and
  // each column's vertical extent unchanged.
  std::mt19937 Rng(7);
  std::uniform_real_distribution<float> Noise(0, 300);
  std::vector<TGvScreenPoint> In;
  for (int I = 0; I < 10000; ++I) In.push_back({5.5f, I % 2 ? 10.0f : 200.0f, I});
  for (int I = 0; I < 100000; ++I) In.push_back({6.0f + I / 1000.0f, Noise(Rng), 10000 + I});
  const auto Out = Reduce(In);
  ASSERT_FALSE(Out.empty());
  EXPECT_EQ(Out.front().Index, 0);
  EXPECT_EQ(Out.back().Index, In.back().Index);
  EXPECT_LE(Out.size(), size_t(4 * 101));
  std::map<int, std::pair<float, float>> Full, Kept;
  auto Extent = [](std::map<int, std::pair<float, float>>& M, const TGvScreenPoint& P) {
    auto [It, New] = M.try_emplace(int(std::floor(P.X)), P.Y, P.Y);
    It->second.first = std::min(It->second.first, P.Y);
    It->second.second = std::max(It->second.second, P.Y);
  };
  for (const auto& P : In) Extent(Full, P);
  for (const auto& P : Out) Extent(Kept, P);
  EXPECT_EQ(Full, Kept);
  for (size_t I = 1; I < Out.size(); ++I) EXPECT_LT(Out[I - 1].Index, Out[I].Index);
}

TEST(LineReduction, FedInChunksGivesTheSameAsAtOnce)
{
  std::mt19937 Rng(3);
  std::uniform_real_distribution<float> Step(0, 0.4f), Noise(-3, 3);
  std::vector<TGvScreenPoint> In;
  float X = 0, Y = 100;
  for (int I = 0; I < 5000; ++I) {
    X += Step(Rng);
    Y += Noise(Rng);
    In.push_back({X, Y, I});
  }
  const auto Whole = Reduce(In);

  std::vector<TGvScreenPoint> Out;
  auto Push = [&](const TGvScreenPoint& P) { Out.push_back(P); };
  TGvLineReducer R;
  size_t Committed = 0;
  for (size_t From = 0; From < In.size(); From += 37) {
    Out.resize(Committed);
    for (size_t I = From; I < std::min(In.size(), From + 37); ++I) R.Feed(In[I], Push);
    Committed = Out.size();
    R.Finish(Push);
    ASSERT_EQ(Out.back().Index, int(std::min(In.size(), From + 37)) - 1);
  }
  EXPECT_EQ(Indices(Out), Indices(Whole));
}

TEST(SymbolReduction, OnePerPixelStepAndPixel)
{
  TGvSymbolRule Rule;
  EXPECT_TRUE(Rule.Keep({10, 10, 0}));
  EXPECT_FALSE(Rule.Keep({10.8f, 10.5f, 1})); // within a pixel in both
  EXPECT_TRUE(Rule.Keep({11.5f, 10, 2}));     // more than one in X
  EXPECT_TRUE(Rule.Keep({11.5f, 12, 3}));     // more than one in Y

  TGvSymbolPixels Pixels;
  EXPECT_TRUE(Pixels.Add(10.2f, 10.4f, 0));
  EXPECT_FALSE(Pixels.Add(9.6f, 9.8f, 0)); // rounds to the same pixel
  EXPECT_TRUE(Pixels.Add(9.6f, 9.8f, 1));  // another symbol kind
  EXPECT_TRUE(Pixels.Add(-10.2f, 10.4f, 0));
  EXPECT_EQ(Pixels.Size(), 3u);
}

// The walk the series would do without binary search.
TGvIndexRange Walk(const std::vector<double>& X, int Last, bool Ascending, double A, double B)
{
  const int Count = int(X.size());
  TGvIndexRange R;
  if (Count == 0) return {0, 0};
  int Start = Last, Stop = Count - 1;
  if (Ascending && Stop - Start > 20) {
    while (Start + 1 < Stop && X[Start + 1] < A) ++Start;
    while (Start < Stop - 1 && X[Stop - 1] > B) --Stop;
  }
  if (Stop < Start) Start = Stop;
  R.Start = Start;
  R.Stop = Stop;
  return R;
}

TEST(VisiblePart, BinarySearchMatchesTheWalk)
{
  std::mt19937 Rng(11);
  for (int Case = 0; Case < 300; ++Case) {
    const int N = std::uniform_int_distribution<int>(0, 80)(Rng);
    std::vector<double> X;
    double V = std::uniform_real_distribution<double>(-10, 10)(Rng);
    for (int I = 0; I < N; ++I)
      X.push_back(V += std::uniform_real_distribution<double>(0.01, 1)(Rng));
    const int Last = N ? std::uniform_int_distribution<int>(0, N - 1)(Rng) : 0;
    const double A = std::uniform_real_distribution<double>(-15, 40)(Rng);
    const double B = A + std::uniform_real_distribution<double>(0, 30)(Rng);
    const auto Got = GvCalcPointsStartStop(
        N, Last, true, A, B, [&](int I) { return X[size_t(I)]; }, [](int) { return true; });
    const auto Want = Walk(X, Last, true, A, B);
    ASSERT_EQ(Got.Start, Want.Start) << "case " << Case;
    ASSERT_EQ(Got.Stop, Want.Stop) << "case " << Case;
  }
}

TEST(VisiblePart, KeepsOneOutsideAndSkipsElementsWithoutValues)
{
  std::vector<double> X(1000);
  for (int I = 0; I < 1000; ++I) X[size_t(I)] = I;
  auto XAt = [&](int I) { return X[size_t(I)]; };
  auto R = GvCalcPointsStartStop(1000, 0, true, 100.5, 200.5, XAt, [](int) { return true; });
  EXPECT_EQ(R.Start, 100);
  EXPECT_EQ(R.Stop, 201);
  // Not ascending: everything from LastPointsCount on.
  R = GvCalcPointsStartStop(1000, 10, false, 100.5, 200.5, XAt, [](int) { return true; });
  EXPECT_EQ(R.Start, 10);
  EXPECT_EQ(R.Stop, 999);
  // The ends move inwards past elements without values.
  R = GvCalcPointsStartStop(1000, 0, true, 100.5, 200.5, XAt,
                            [](int I) { return I != 100 && I != 201 && I != 200; });
  EXPECT_EQ(R.Start, 101);
  EXPECT_EQ(R.Stop, 199);
  // None with values: empty.
  R = GvCalcPointsStartStop(5, 0, false, 0, 1, XAt, [](int) { return false; });
  EXPECT_TRUE(R.Empty());
  R = GvCalcPointsStartStop(0, 0, true, 0, 1, XAt, [](int) { return true; });
  EXPECT_EQ(R.Start, 0);
  EXPECT_EQ(R.Stop, 0);
}

TEST(Interpolation, BinarySearchAndEdges)
{
  const std::vector<double> X = {0, 1, 2, 4, 8};
  const std::vector<double> Y = {0, 10, 20, 100, 80};
  auto XAt = [&](int I) { return X[size_t(I)]; };
  auto YAt = [&](int I) { return Y[size_t(I)]; };
  auto All = [](int) { return true; };
  struct TCase
  {
    double AtX, Want;
  };
  for (const TCase C : {TCase{0.5, 5}, TCase{2, 20}, TCase{3, 60}, TCase{8, 80}, TCase{-1, 0},
                        TCase{100, 80}, TCase{6, 90}}) {
    EXPECT_DOUBLE_EQ(GvInterpolateY(5, true, C.AtX, XAt, YAt, All), C.Want) << C.AtX;
    EXPECT_DOUBLE_EQ(GvInterpolateY(5, false, C.AtX, XAt, YAt, All), C.Want) << C.AtX;
  }
  // Element 3 without values: interpolated between 2 and 4.
  EXPECT_DOUBLE_EQ(GvInterpolateY(5, true, 3, XAt, YAt, [](int I) { return I != 3; }), 30);
  EXPECT_DOUBLE_EQ(GvInterpolateY(0, true, 3, XAt, YAt, All), 0);
  EXPECT_DOUBLE_EQ(GvInterpolateY(1, true, 3, XAt, YAt, All), 0);

  // Two elements with the same X (not ascending): the first one's Y, no
  // division by zero.
  const std::vector<double> X2 = {0, 5, 5, 9};
  const std::vector<double> Y2 = {0, 7, 3, 9};
  auto X2At = [&](int I) { return X2[size_t(I)]; };
  auto Y2At = [&](int I) { return Y2[size_t(I)]; };
  EXPECT_DOUBLE_EQ(GvInterpolateY(4, false, 5, X2At, Y2At, All), 7);
  // Unsorted X: the nearest neighbours below and above.
  const std::vector<double> X3 = {4, 0, 2};
  const std::vector<double> Y3 = {40, 0, 20};
  EXPECT_DOUBLE_EQ(GvInterpolateY(
                       3, false, 3, [&](int I) { return X3[size_t(I)]; },
                       [&](int I) { return Y3[size_t(I)]; }, All),
                   30);
}

TEST(FunctionSampling, ByIndexAndNothingForEmptySpans)
{
  EXPECT_TRUE(GvSampleGrid(1, 1, 100, false).empty());
  EXPECT_TRUE(GvSampleGrid(2, 1, 100, false).empty());
  EXPECT_TRUE(GvSampleGrid(0, std::nan(""), 100, false).empty());
  EXPECT_TRUE(GvSampleGrid(-1, 10, 100, true).empty());
  auto G = GvSampleGrid(0, 1, 0, false); // a width of 0 counts as 1
  ASSERT_EQ(G.size(), 2u);
  EXPECT_EQ(G[0], 0);
  EXPECT_EQ(G[1], 1);
  G = GvSampleGrid(0.1, 0.7, 3, false);
  ASSERT_EQ(G.size(), 4u);
  EXPECT_DOUBLE_EQ(G[1], 0.1 + 1 * 0.6 / 3);
  EXPECT_DOUBLE_EQ(G[2], 0.1 + 2 * 0.6 / 3);
  EXPECT_EQ(G[3], 0.7);
  // A million intervals do not drift: the last but one is exact by index.
  G = GvSampleGrid(0, 0.1, 1000000, false);
  EXPECT_DOUBLE_EQ(G[999999], 0.1 * 999999 / 1000000);
  G = GvSampleGrid(1, 1000, 3, true);
  ASSERT_EQ(G.size(), 4u);
  EXPECT_DOUBLE_EQ(G[1], 10);
  EXPECT_DOUBLE_EQ(G[2], 100);
  EXPECT_EQ(G[3], 1000);
}

TEST(Clipping, PolylineCutToTheRectangle)
{
  const QRectF Clip(0, 0, 100, 100);
  const std::vector<TGvScreenPoint> P = {
      {-50, 50, 0}, {50, 50, 1}, {50, 150, 2}, {60, 150, 3},      {60, 50, 4},
      {NAN, 5, 5},  {10, 10, 6}, {20, 20, 7},  {-1e5f, -1e5f, 8}, {-9e4f, -1e5f, 9}};
  TGvPolylinePieces F;
  GvClipPolyline(P.data(), int(P.size()), Clip, F);
  ASSERT_EQ(F.Sizes.size(), 3u);
  // (-50,50)-(50,50)-(50,150): enters at x = 0, leaves at y = 100.
  EXPECT_EQ(F.Sizes[0], 3);
  EXPECT_EQ(F.Points[0], QPointF(0, 50));
  EXPECT_EQ(F.Points[1], QPointF(50, 50));
  EXPECT_EQ(F.Points[2], QPointF(50, 100));
  // (60,150)-(60,50): enters at y = 100; the NaN point ends it.
  EXPECT_EQ(F.Sizes[1], 2);
  EXPECT_EQ(F.Points[3], QPointF(60, 100));
  EXPECT_EQ(F.Points[4], QPointF(60, 50));
  // (10,10)-(20,20), then a segment towards far outside: cut at the corner.
  EXPECT_EQ(F.Sizes[2], 3);
  EXPECT_EQ(F.Points[7], QPointF(0, 0));
  for (const QPointF& Q : F.Points)
    EXPECT_TRUE(Clip.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(Q));

  TGvIntPolylinePieces I;
  GvClipPolyline(P.data(), int(P.size()), Clip, I);
  EXPECT_EQ(I.Sizes.size(), 3u);
  for (const QPoint& Q : I.Points) {
    EXPECT_GE(Q.x(), 0);
    EXPECT_LE(Q.x(), 100);
  }
  // A segment that collapses to one pixel still draws (as a dot).
  const std::vector<TGvScreenPoint> Dot = {{5.1f, 5.1f, 0}, {5.2f, 5.2f, 1}};
  I.Clear();
  GvClipPolyline(Dot.data(), 2, Clip, I);
  ASSERT_EQ(I.Sizes, std::vector<int>{2});
  EXPECT_EQ(I.Points[0], I.Points[1]);
}

TEST(Clipping, PolygonCutToTheRectangle)
{
  const QRectF Clip(0, 0, 10, 10);
  const auto P = GvClipPolygon({{-10, 5}, {5, -10}, {20, 5}, {5, 20}, {NAN, 1}}, Clip);
  ASSERT_FALSE(P.empty());
  for (const QPointF& Q : P) EXPECT_TRUE(Clip.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(Q));
  EXPECT_TRUE(GvClipPolygon({{20, 20}, {30, 20}, {30, 30}}, Clip).empty());
}

} // namespace
