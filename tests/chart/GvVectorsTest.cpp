// Data vectors: the small arrays, statistics, outliers, changes and what the
// users of a vector hear of them.
#include "chart/GvVectors.h"

#include "VectorTestSupport.h"

#include <QCoreApplication>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <numeric>
#include <random>
#include <set>

namespace {

constexpr double NoMin = 1.7976931348623157e308;
constexpr double NoMax = -1.7976931348623157e308;
const double NaN = std::numeric_limits<double>::quiet_NaN();

// ---- Small arrays ---------------------------------------------------------

TEST(SmallVectors, GrowByIncrementAndReadBackZerosInTheGap)
{
  TGvIntegerVector V;
  EXPECT_EQ(V.Count(), 0);
  EXPECT_EQ(V.Capacity(), 128);
  EXPECT_EQ(V.Increment(), 128);
  EXPECT_EQ(TGvSingleVector(0).Increment(), 128);
  EXPECT_EQ(TGvSingleVector(-3).Increment(), 128);

  TGvSingleVector S(16);
  EXPECT_EQ(S.Capacity(), 16);
  for (int I = 0; I < 15; ++I) S.Add(float(I));
  EXPECT_EQ(S.Capacity(), 16);
  S.Add(15); // Count 16 reaches the capacity: one step more
  EXPECT_EQ(S.Capacity(), 32);
  S.SetValue(100, 1.5f);
  EXPECT_EQ(S.Count(), 101);
  EXPECT_EQ(S.Capacity(), 112);
  EXPECT_EQ(S[50], 0.0f);
  EXPECT_EQ(S[100], 1.5f);
  S.CheckCount(10); // never shrinks
  EXPECT_EQ(S.Count(), 101);

  S.Delete(0);
  EXPECT_EQ(S.Count(), 100);
  EXPECT_EQ(S[0], 1.0f);
  S.Delete(100);
  S.Delete(-1);
  EXPECT_EQ(S.Count(), 100);
  S.Clear();
  EXPECT_EQ(S.Count(), 0);
  EXPECT_EQ(S.Capacity(), 112);
}

TEST(SmallVectors, CountAndCapacityRulesOfEachKind)
{
  TGvBooleanVector B;
  B.SetCount(5);
  EXPECT_EQ(B.Count(), 5);
  EXPECT_EQ(B.Capacity(), 5);
  EXPECT_FALSE(B[4]);
  B.SetValue(2, true);
  EXPECT_TRUE(B[2]);

  TGvIntegerVector I;
  I.SetCapacity(100); // below the capacity: ignored
  EXPECT_EQ(I.Capacity(), 128);
  I.SetCapacity(128);
  I.SetCapacity(300);
  EXPECT_EQ(I.Capacity(), 300);

  TGvSingleVector S;
  S.SetCapacity(128); // must be above
  EXPECT_EQ(S.Capacity(), 128);
  S.SetCapacity(129);
  EXPECT_EQ(S.Capacity(), 129);

  TGvPointVector P;
  P.SetX(3, 1.5f);
  P.SetY(3, -2.0f);
  EXPECT_EQ(P.Count(), 4);
  EXPECT_EQ(P.GetX(3), 1.5f);
  EXPECT_EQ(P.GetY(3), -2.0f);
  EXPECT_EQ(P[0], TGvPoint());
  EXPECT_THROW(P.GetX(4), EGvRangeError);
  P.SetCount(2);
  EXPECT_EQ(P.Count(), 2);
}

TEST(SmallVectors, IndicesOutsideTheElementsRaiseTheRangeError)
{
  TGvIntegerVector V;
  V.Add(7);
  try {
    V.Value(1);
    FAIL();
  } catch (const EGvRangeError& E) {
    EXPECT_EQ(E.Message(), "i=1 index out of range");
  }
  try {
    V.Value(-1);
    FAIL();
  } catch (const EGvRangeError& E) {
    EXPECT_EQ(E.Message(), "i=-1 index out of range");
  }
  EXPECT_THROW(V.SetValue(-2, 1), EGvRangeError);
  TGvPointVector P;
  EXPECT_THROW(P.SetX(-1, 0), EGvRangeError);
  EXPECT_THROW(P.GetY(-1), EGvRangeError);
}

TEST(SmallVectors, EnumeratorAndRangeFor)
{
  TGvPointVector P;
  P.Add({1, 2});
  P.Add({3, 4});
  auto E = P.GetEnumerator();
  std::vector<TGvPoint> Seen;
  while (E.MoveNext()) Seen.push_back(E.GetCurrent());
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[1], (TGvPoint{3, 4}));

  TGvIntegerVector I;
  for (int K = 1; K <= 4; ++K) I.Add(K);
  int Sum = 0;
  for (int X : I) Sum += X;
  EXPECT_EQ(Sum, 10);
}

// ---- Statistics -----------------------------------------------------------

struct TStatsCase
{
  const char* Name;
  std::vector<double> Values;
  std::vector<int> Outliers;
  double Min;
  int MinIdx;
  double Max;
  int MaxIdx;
  double Sum;
  bool Ascending;
  double MinInc;
  int MinIdxInc;
  double MaxInc;
  int MaxIdxInc;
  double SumInc;
};

const TStatsCase StatsCases[] = {
    {"empty", {}, {}, NoMin, -1, NoMax, -1, 0, true, NoMin, -1, NoMax, -1, 0},
    {"one", {4}, {}, 4, 0, 4, 0, 4, true, 4, 0, 4, 0, 4},
    {"3 1 2", {3, 1, 2}, {}, 1, 1, 3, 0, 6, false, 1, 1, 3, 0, 6},
    {"ascending", {1, 2, 3}, {}, 1, 0, 3, 2, 6, true, 1, 0, 3, 2, 6},
    {"equal is not ascending", {1, 2, 2}, {}, 1, 0, 2, 1, 5, false, 1, 0, 2, 1, 5},
    {"equal extremes keep the first", {2, 5, 5, 2}, {}, 2, 0, 5, 1, 14, false, 2, 0, 5, 1, 14},
    {"outlier maximum", {1, 10, 3}, {1}, 1, 0, 3, 2, 4, true, 1, 0, 10, 1, 14},
    {"outlier breaks no order", {5, 1, 6}, {1}, 5, 0, 6, 2, 11, true, 1, 1, 6, 2, 12},
    {"leading outlier", {9, 1, 2}, {0}, 1, 1, 2, 2, 3, true, 1, 1, 9, 0, 12},
    {"only outliers", {1, 2}, {0, 1}, NoMin, -1, NoMax, -1, 0, true, 1, 0, 2, 1, 3},
    {"not a number is never an extreme", {1, NaN, 2}, {}, 1, 0, 2, 2, NaN, false, 1, 0, 2, 2, NaN},
    {"negative values", {-1, -5, -3}, {}, -5, 1, -1, 0, -9, false, -5, 1, -1, 0, -9},
    // The pass keeps two running extremes (even and odd elements); the index
    // is the first element equal to the extreme, wherever it came.
    {"extremes among even and odd elements",
     {5, 4, 3, 1, 2, 1, 7, 0.5, 7},
     {},
     0.5,
     7,
     7,
     6,
     30.5,
     false,
     0.5,
     7,
     7,
     6,
     30.5},
    {"zeros of both signs", {0, -0.0, -0.0, 0}, {}, 0, 0, 0, 0, 0, false, 0, 0, 0, 0, 0},
};

void ExpectSame(double Expected, double Actual, const char* What, const char* Name)
{
  if (std::isnan(Expected))
    EXPECT_TRUE(std::isnan(Actual)) << What << " of " << Name;
  else
    EXPECT_EQ(Expected, Actual) << What << " of " << Name;
}

void ExpectStats(const TGvCustomDoubleVector& V, const TStatsCase& C)
{
  ExpectSame(C.Min, V.Minimum(), "Minimum", C.Name);
  EXPECT_EQ(C.MinIdx, V.MinimumIdx()) << C.Name;
  ExpectSame(C.Max, V.Maximum(), "Maximum", C.Name);
  EXPECT_EQ(C.MaxIdx, V.MaximumIdx()) << C.Name;
  ExpectSame(C.Sum, V.Sum(), "Sum", C.Name);
  EXPECT_EQ(C.Ascending, V.OnlyAscending()) << C.Name;
  ExpectSame(C.MinInc, V.MinimumIncludingOutliers(), "MinimumIncludingOutliers", C.Name);
  EXPECT_EQ(C.MinIdxInc, V.MinimumIdxIncludingOutliers()) << C.Name;
  ExpectSame(C.MaxInc, V.MaximumIncludingOutliers(), "MaximumIncludingOutliers", C.Name);
  EXPECT_EQ(C.MaxIdxInc, V.MaximumIdxIncludingOutliers()) << C.Name;
  ExpectSame(C.SumInc, V.SumIncludingOutliers(), "SumIncludingOutliers", C.Name);
  EXPECT_FALSE(V.IsChanged()) << C.Name;
}

TEST(VectorStatistics, TableOfCasesAllAtOnceAndOneByOne)
{
  for (const TStatsCase& C : StatsCases) {
    // All values, then the outliers, then one query.
    TGvDoubleVector A;
    A.AddRange(std::span<const double>(C.Values));
    for (int O : C.Outliers) A.AddOutlier(O);
    ExpectStats(A, C);

    // Outliers first, then one value at a time with a query after each: the
    // incremental passes give the same as one pass.
    TGvDoubleVector B;
    for (int O : C.Outliers) B.AddOutlier(O);
    for (double X : C.Values) {
      B.Add(X);
      EXPECT_TRUE(B.IsChanged());
      B.Minimum();
      EXPECT_EQ(B.LastCount(), B.Count());
    }
    ExpectStats(B, C);
  }
}

TEST(VectorStatistics, OfEqualExtremesTheFirstKeepsItsSign)
{
  for (const bool NegativeFirst : {false, true}) {
    TGvDoubleVector V;
    const double First = NegativeFirst ? -0.0 : 0.0;
    V.AddRange({1.0, First, -First, -First});
    EXPECT_EQ(std::signbit(V.Minimum()), NegativeFirst);
    EXPECT_EQ(V.MinimumIdx(), 1);
  }
}

TEST(VectorStatistics, OutliersLeaveAndRejoinTheStatistics)
{
  TGvDoubleVector V;
  V.AddRange({1, 10, 3});
  EXPECT_EQ(V.Maximum(), 10);
  V.AddOutlier(1);
  EXPECT_TRUE(V.IsOutlier(1));
  EXPECT_EQ(V.Maximum(), 3);
  EXPECT_EQ(V.MaximumIncludingOutliers(), 10);
  EXPECT_EQ(V.Sum(), 4);
  V.ClearOutlieres();
  EXPECT_FALSE(V.AnyOutliers());
  EXPECT_EQ(V.Maximum(), 10);
  EXPECT_EQ(V.MaximumIdx(), 1);
  EXPECT_EQ(V.Sum(), 14);
  V.SetOutlier(2, true);
  EXPECT_EQ(V.Sum(), 11);
  V.SetOutlier(2, false);
  EXPECT_EQ(V.Sum(), 14);
  EXPECT_THROW(V.AddOutlier(-1), EGvRangeError);
}

TEST(VectorStatistics, OverwritingAnExtremeGivesTheTrueNewOne)
{
  TGvDoubleVector V;
  V.AddRange({1, 9, 5, 2});
  EXPECT_EQ(V.Maximum(), 9);
  V.SetValue(1, 0); // the maximum becomes the new minimum
  EXPECT_EQ(V.Maximum(), 5);
  EXPECT_EQ(V.MaximumIdx(), 2);
  EXPECT_EQ(V.Minimum(), 0);
  EXPECT_EQ(V.MinimumIdx(), 1);
  EXPECT_EQ(V.Sum(), 8);
}

TEST(VectorStatistics, OverwritingAValueThatIsNotFiniteRecountsTheSums)
{
  const double Inf = std::numeric_limits<double>::infinity();
  TGvDoubleVector V;
  V.AddRange({1, NaN, 5, 3, Inf, Inf, 0});
  EXPECT_TRUE(std::isnan(V.Sum()));
  V.SetValue(1, 2); // an inner value where a NaN was: the NaN leaves the sum
  EXPECT_EQ(V.Sum(), Inf);
  V.SetValue(5, 4); // the second infinity holds no extreme
  EXPECT_EQ(V.Sum(), Inf);
  V.SetValue(4, 4);
  EXPECT_EQ(V.Sum(), 19);
  EXPECT_EQ(V.Maximum(), 5);
}

TEST(VectorStatistics, ClearKeepsTheCapacityAndEmptiesTheStatistics)
{
  TGvDoubleVector V;
  for (int I = 0; I < 300; ++I) V.Add(300 - I);
  EXPECT_FALSE(V.OnlyAscending());
  const int Capacity = V.Capacity();
  V.AddOutlier(3);
  V.Clear(true);
  EXPECT_EQ(V.Count(), 0);
  EXPECT_EQ(V.Capacity(), Capacity);
  EXPECT_FALSE(V.AnyOutliers());
  ExpectStats(V, StatsCases[0]);
}

// One pass over all values from the reset state, as the caches must give.
struct TOracle
{
  double Min = NoMin, Max = NoMax, MinInc = NoMin, MaxInc = NoMax, Sum = 0, SumInc = 0;
  int MinIdx = -1, MaxIdx = -1, MinIdxInc = -1, MaxIdxInc = -1;
  bool Ascending = true;

  TOracle(const std::vector<double>& V, const std::set<int>& Outliers)
  {
    int Prev = -1;
    for (int I = 0; I < int(V.size()); ++I) {
      const double X = V[size_t(I)];
      if (X < MinInc) MinInc = X, MinIdxInc = I;
      if (X > MaxInc) MaxInc = X, MaxIdxInc = I;
      SumInc += X;
      if (Outliers.count(I)) continue;
      if (X < Min) Min = X, MinIdx = I;
      if (X > Max) Max = X, MaxIdx = I;
      if (Prev >= 0) Ascending = Ascending && X > V[size_t(Prev)];
      Sum += X;
      Prev = I;
    }
  }
};

// Random changes of every kind, with queries in between: the statistics always
// equal a full pass (sums adjusted in place within a tolerance), and the
// outlier membership stays in step with the list.
TEST(VectorStatistics, RandomChangesAgreeWithAFullPass)
{
  std::mt19937 Rng(13);
  TGvDoubleVector V;
  std::vector<double> Model;
  std::set<int> Outliers;
  auto Pick = [&](int N) { return int(Rng() % unsigned(std::max(N, 1))); };
  for (int Step = 0; Step < 4000; ++Step) {
    const int N = int(Model.size());
    const double X = double(Pick(1000)) / 8;
    switch (Pick(10)) {
    case 0:
    case 1:
    case 2:
      V.Add(X);
      Model.push_back(X);
      break;
    case 3:
      if (N > 0) {
        const int I = Pick(N);
        V.SetValue(I, X);
        Model[size_t(I)] = X;
      }
      break;
    case 4: {
      const int I = Pick(N + 1);
      V.Insert(I, X);
      Model.insert(Model.begin() + I, X);
      std::set<int> Moved;
      for (int O : Outliers) Moved.insert(O >= I ? O + 1 : O);
      Outliers = Moved;
      break;
    }
    case 5:
      if (N > 0) {
        const int I = Pick(N);
        V.Delete(I, true);
        Model.erase(Model.begin() + I);
        std::set<int> Moved;
        for (int O : Outliers)
          if (O != I) Moved.insert(O > I ? O - 1 : O);
        Outliers = Moved;
      }
      break;
    case 6:
      if (N > 0) {
        const int I = Pick(N);
        V.AddOutlier(I);
        Outliers.insert(I);
      }
      break;
    case 7:
      if (!Outliers.empty()) {
        const int I = *Outliers.begin();
        V.RemoveOutlier(I);
        Outliers.erase(I);
      }
      break;
    default:
      break; // a query only
    }
    ASSERT_EQ(V.Count(), int(Model.size()));
    if (Pick(3) != 0) continue; // let some changes pile up before a query
    const TOracle O(Model, Outliers);
    ASSERT_EQ(V.Minimum(), O.Min) << Step;
    ASSERT_EQ(V.MinimumIdx(), O.MinIdx) << Step;
    ASSERT_EQ(V.Maximum(), O.Max) << Step;
    ASSERT_EQ(V.MaximumIdx(), O.MaxIdx) << Step;
    ASSERT_EQ(V.MinimumIdxIncludingOutliers(), O.MinIdxInc) << Step;
    ASSERT_EQ(V.MaximumIdxIncludingOutliers(), O.MaxIdxInc) << Step;
    ASSERT_NEAR(V.Sum(), O.Sum, 1e-9 * (1 + std::abs(O.SumInc))) << Step;
    ASSERT_NEAR(V.SumIncludingOutliers(), O.SumInc, 1e-9 * (1 + std::abs(O.SumInc))) << Step;
    // Ascending is the conjunction of the comparisons made since the last
    // reset, so it may stay false where a fresh pass would say true.
    if (V.OnlyAscending()) {
      ASSERT_TRUE(O.Ascending) << Step;
    }
    ASSERT_EQ(V.Outliers().Count(), int(Outliers.size()));
    for (int I = 0; I < N; ++I) ASSERT_EQ(V.IsOutlier(I), Outliers.count(I) != 0) << Step;
  }
}

TEST(VectorStatistics, AppendedSumsAreExactAndInPlaceSumsClose)
{
  TGvDoubleVector V;
  std::vector<double> Values;
  for (int I = 0; I < 5000; ++I) Values.push_back(std::sin(I) * 1e3 + 0.1 * I);
  double Exact = 0;
  for (int I = 0; I < 5000; ++I) {
    V.Add(Values[size_t(I)]);
    Exact += Values[size_t(I)];
    if (I % 97 == 0) {
      EXPECT_EQ(V.Sum(), Exact); // same order, same bits
    }
  }
  EXPECT_EQ(V.Sum(), Exact);

  // Changes to inner values adjust the sums in place: close, not bit-equal.
  for (int I = 10; I < 4990; I += 7) {
    const double X = (V.Minimum() + V.Maximum()) / 2 + std::cos(I);
    V.SetValue(I, X);
    Values[size_t(I)] = X;
  }
  EXPECT_EQ(V.LastCount(), V.Count()); // no reset happened
  const double Full = std::accumulate(Values.begin(), Values.end(), 0.0);
  EXPECT_NEAR(V.Sum(), Full, 1e-9 * std::abs(Full));
  // A reset sums in element order again: exact.
  V.OutOfRange();
  EXPECT_EQ(V.Sum(), Full);
}

// ---- Changes --------------------------------------------------------------

TEST(VectorChanges, GrowthKeepsCapacityAndIncrementButStorageGrowsGeometrically)
{
  TGvDoubleVector V;
  EXPECT_EQ(V.Capacity(), 128);
  EXPECT_EQ(V.Increment(), 128);
  V.SetIncrement(100);
  EXPECT_EQ(V.Increment(), 128);
  V.SetIncrement(256);
  EXPECT_EQ(V.Increment(), 256);
  V.SetIncrement(128);

  std::set<const double*> Blocks;
  for (int I = 0; I < 1000000; ++I) {
    V.Add(I);
    Blocks.insert(V.StoredValues().data());
  }
  // Capacity as the increments give it: the next multiple of 128 above Count.
  EXPECT_EQ(V.Capacity(), (1000000 / 128 + 1) * 128);
  // Steps of 128 would move the storage about 7800 times.
  EXPECT_LT(Blocks.size(), 40u);

  V.SetCapacity(V.Count()); // not above Count: ignored
  EXPECT_EQ(V.Capacity(), (1000000 / 128 + 1) * 128);
  V.SetCapacity(2000000);
  EXPECT_EQ(V.Capacity(), 2000000);
}

TEST(VectorChanges, NegativeIndicesRaiseTheRangeError)
{
  TGvDoubleVector V;
  V.AddRange({1, 2});
  try {
    V.Value(-1);
    FAIL();
  } catch (const EGvRangeError& E) {
    EXPECT_EQ(E.Message(), "i=-1 index out of range");
  }
  EXPECT_THROW(V.Value(2), EGvRangeError);
  EXPECT_THROW(V.SetValue(-1, 0), EGvRangeError);
  EXPECT_THROW(V.Insert(-1, 0), EGvRangeError);
  EXPECT_THROW(V.Insert(3, 0), EGvRangeError);
  V.Delete(-1, true); // like past the end: nothing
  V.Delete(2, true);
  EXPECT_EQ(V.Count(), 2);
}

TEST(VectorChanges, InsertAndDeleteMoveTheOutlierMarks)
{
  TGvDoubleVector V;
  V.AddRange({10, 20, 30, 40});
  V.AddOutlier(2);
  V.Insert(1, 15);
  EXPECT_FALSE(V.IsOutlier(2));
  EXPECT_TRUE(V.IsOutlier(3));
  EXPECT_EQ(V.Value(3), 30);
  V.Delete(0, false);
  EXPECT_TRUE(V.IsOutlier(2));
  EXPECT_EQ(V.Value(2), 30);
  V.Delete(2, false); // the outlier itself
  EXPECT_FALSE(V.AnyOutliers());
  EXPECT_EQ(V.Count(), 3);
  EXPECT_EQ(V.Sum(), 15 + 20 + 40);
}

TEST(VectorChanges, SetValuesReplacesEverythingAndClearsTheOutliers)
{
  TGvDoubleVector V;
  V.AddRange({5, 6, 7});
  V.AddOutlier(1);
  const double New[] = {1, 2};
  V.SetValues(New);
  EXPECT_EQ(V.Count(), 2);
  EXPECT_EQ(V.Capacity(), 2);
  EXPECT_FALSE(V.IsOutlier(1));
  EXPECT_EQ(V.Sum(), 3);
  V.Add(3);
  EXPECT_EQ(V.Capacity(), 130);
}

TEST(VectorChanges, AddRangeForms)
{
  TGvDoubleVector V;
  const float F[] = {0.5f, 1.5f};
  const int32_t I[] = {-2, 7};
  V.AddRange({1.0});
  V.AddRange(std::span<const float>(F));
  V.AddRange(std::span<const int32_t>(I));
  ASSERT_EQ(V.Count(), 5);
  EXPECT_EQ(V.Value(2), 1.5);
  EXPECT_EQ(V.Value(3), -2);
  EXPECT_EQ(V.Sum(), 8);
}

TEST(VectorChanges, EnumeratorAndRangeForReadThroughTheVector)
{
  TGvDoubleVector V;
  V.AddRange({1, 2, 4});
  double Sum = 0;
  for (double X : V) Sum += X;
  EXPECT_EQ(Sum, 7);

  auto E = V.GetEnumerator();
  std::vector<double> Seen;
  while (E.MoveNext()) Seen.push_back(E.GetCurrent());
  EXPECT_EQ(Seen, (std::vector<double>{1, 2, 4}));

  // A vector that shrinks during the loop ends it instead of being read past.
  int Steps = 0;
  for (double X : V) {
    (void)X;
    ++Steps;
    V.Delete(V.Count() - 1, false);
  }
  EXPECT_EQ(Steps, 2);
}

// ---- What the related objects hear ----------------------------------------

struct TNoticeCase
{
  const char* Name;
  std::function<void(TGvDoubleVector&)> Setup; // after counting, before listening
  std::function<void(TGvDoubleVector&)> Action;
  const char* Series;   // a series whose Y data the vector is
  const char* Function; // a function series that uses it otherwise
  const char* Graph;    // a related object that is no series
};

const TNoticeCase NoticeCases[] = {
    {"Add", nullptr, [](auto& V) { V.Add(9); }, "PointsModified", "SetLastCount(0)", "Modified"},
    {"SetValue in place", nullptr, [](auto& V) { V.SetValue(2, 3.5); }, "PointsModified",
     "SetLastCount(0)", "Modified"},
    {"SetValue of the maximum", nullptr, [](auto& V) { V.SetValue(1, 0.5); }, "SetLastCount(0)",
     "SetLastCount(0)", "Modified"},
    {"SetValue to the same value", nullptr, [](auto& V) { V.SetValue(2, 3); }, "", "", ""},
    {"Insert among the counted", nullptr, [](auto& V) { V.Insert(1, 7); },
     "SetLastCount(0) ValueInsertedLinkedMarkers(1)", "SetLastCount(0)", "Modified"},
    {"Insert in the new tail",
     [](auto& V) {
       V.AddRange({6, 7});
     },
     [](auto& V) { V.Insert(6, 9); }, "PointsModified ValueInsertedLinkedMarkers(6)",
     "SetLastCount(0)", "Modified"},
    {"Delete with markers", nullptr, [](auto& V) { V.Delete(1, true); },
     "DeleteLinkedMarkers(1) SetLastCount(0)", "SetLastCount(0)", "Modified"},
    {"Delete without markers", nullptr, [](auto& V) { V.Delete(1, false); }, "SetLastCount(0)",
     "SetLastCount(0)", "Modified"},
    {"Delete in the new tail", [](auto& V) { V.Add(6); }, [](auto& V) { V.Delete(5, true); },
     "DeleteLinkedMarkers(5) SetLastCount(0)", "SetLastCount(0)", "Modified"},
    {"Delete past the end", nullptr, [](auto& V) { V.Delete(5, true); }, "", "", ""},
    {"Clear with markers", nullptr, [](auto& V) { V.Clear(true); },
     "ClearLinkedMarkers RangesModified", "RangesModified", "Modified"},
    {"Clear without markers", nullptr, [](auto& V) { V.Clear(false); }, "RangesModified",
     "RangesModified", "Modified"},
    {"AddOutlier", nullptr, [](auto& V) { V.AddOutlier(2); }, "SetLastCount(0)", "SetLastCount(0)",
     "Modified"},
    {"AddOutlier again", [](auto& V) { V.AddOutlier(2); }, [](auto& V) { V.AddOutlier(2); }, "", "",
     ""},
    {"RemoveOutlier", [](auto& V) { V.AddOutlier(2); }, [](auto& V) { V.RemoveOutlier(2); },
     "SetLastCount(0)", "SetLastCount(0)", "Modified"},
    {"ClearOutlieres without outliers", nullptr, [](auto& V) { V.ClearOutlieres(); }, "", "", ""},
    {"AddRange on valid caches", nullptr,
     [](auto& V) {
       V.AddRange({6, 7});
     },
     "PointsModified", "SetLastCount(0)", "Modified"},
    {"AddRange of nothing", nullptr, [](auto& V) { V.AddRange(std::span<const double>()); }, "", "",
     ""},
    {"SetValues", nullptr,
     [](auto& V) {
       V.SetValues(std::vector<double>{1, 2});
     },
     "SetLastCount(0)", "SetLastCount(0)", "Modified"},
};

TEST(VectorNotices, TableOfChangesAndWhoHearsWhat)
{
  for (const TNoticeCase& C : NoticeCases) {
    TGvDoubleVector V;
    V.AddRange({1, 5, 3, 4, 2});
    V.Minimum(); // every element counted
    if (C.Setup) C.Setup(V);
    TRecorder Series(TRecorder::Series, &V), Function(TRecorder::FunctionSeries),
        Graph(TRecorder::Graph);
    V.AddRelatedObject(&Series);
    V.AddRelatedObject(&Function);
    V.AddRelatedObject(&Graph);
    C.Action(V);
    EXPECT_EQ(Series.Calls(), C.Series) << C.Name;
    EXPECT_EQ(Function.Calls(), C.Function) << C.Name;
    EXPECT_EQ(Graph.Calls(), C.Graph) << C.Name;
  }
}

TEST(VectorNotices, OneVectorInTwoRolesStaysRelatedWhileUsedInOne)
{
  TGvDoubleVector V;
  TRecorder S(TRecorder::Series, &V);
  V.AddRelatedObject(&S); // as X data
  V.AddRelatedObject(&S); // as Y data
  EXPECT_EQ(V.RelatedObjects().size(), 1);
  EXPECT_EQ(S.RelatedVectors().size(), 1u);
  V.Add(1);
  EXPECT_EQ(S.Calls(), "PointsModified"); // once per event
  V.RemoveRelatedObject(&S);              // lets go of the X role
  EXPECT_TRUE(V.IsRelatedObject(&S));
  V.Add(2);
  EXPECT_EQ(S.Calls(), "PointsModified PointsModified");
  V.RemoveRelatedObject(&S);
  EXPECT_FALSE(V.IsRelatedObject(&S));
  EXPECT_TRUE(S.RelatedVectors().empty());
  V.Add(3);
  EXPECT_EQ(S.Log.size(), 2);
}

TEST(VectorNotices, DestroyedUsersAndVectorsLeaveEachOthersLists)
{
  auto V = std::make_unique<TGvDoubleVector>();
  auto S = std::make_unique<TRecorder>();
  TRecorder Graph(TRecorder::Graph);
  V->AddRelatedObject(S.get());
  V->AddRelatedObject(&Graph);
  S.reset();
  EXPECT_EQ(V->RelatedObjects(), QList<TGvVectorClient*>{&Graph});
  V->Add(1);
  EXPECT_EQ(Graph.Calls(), "Modified");
  V.reset();
  EXPECT_TRUE(Graph.RelatedVectors().empty());
  Graph.LeaveRelatedVectors(); // nothing left to leave
}

TEST(VectorNotices, UsersThatChangeThingsDuringACallBreakNothing)
{
  TGvDoubleVector V;
  TRecorder A, C(TRecorder::Graph);
  auto B = std::make_unique<TRecorder>();
  auto D = std::make_unique<TRecorder>();
  V.AddRelatedObject(&A);
  V.AddRelatedObject(B.get());
  V.AddRelatedObject(&C);
  bool Once = true;
  A.During = [&] {
    if (!Once) return;
    Once = false;
    B.reset();                   // a series freed meanwhile
    V.AddRelatedObject(D.get()); // one that joins meanwhile
    V.Add(42);                   // a change inside the notice
  };
  V.Add(1);
  // A heard both changes; C heard the inner one and then the outer one; D
  // joined after the outer snapshot was taken.
  EXPECT_EQ(A.Calls(), "PointsModified PointsModified");
  EXPECT_EQ(C.Calls(), "Modified Modified");
  EXPECT_EQ(D->Calls(), "PointsModified");
  EXPECT_EQ(V.Count(), 2);
}

TEST(VectorNotices, AVectorDestroyedDuringACallTellsNobodyMore)
{
  auto* V = new TGvDoubleVector;
  TRecorder A, B;
  V->AddRelatedObject(&A);
  V->AddRelatedObject(&B);
  A.During = [&] { delete V; };
  V->Insert(0, 1); // appends; the insert's second round must not run either
  EXPECT_EQ(A.Calls(), "PointsModified");
  EXPECT_EQ(B.Calls(), "");
  EXPECT_TRUE(A.RelatedVectors().empty());
  EXPECT_TRUE(B.RelatedVectors().empty());
}

// ---- Indexer --------------------------------------------------------------

TEST(Indexer, StandsForTheIndexOfItsReference)
{
  TGvDoubleVector Ref;
  TGvIndexer X;
  EXPECT_EQ(X.Count(), 0);
  EXPECT_EQ(X.Value(3), 0);
  EXPECT_EQ(X.Maximum(), 0);
  EXPECT_EQ(X.MaximumIdx(), -1);
  EXPECT_EQ(X.MinimumIdx(), -1);
  EXPECT_EQ(X.Sum(), 0);
  EXPECT_FALSE(std::signbit(X.Sum())); // +0
  EXPECT_FALSE(X.IsChanged());

  X.SetReferenceVector(&Ref);
  EXPECT_FALSE(std::signbit(X.Sum()));
  Ref.AddRange({7, 7, 7, 7, 7});
  EXPECT_EQ(X.Count(), 5);
  EXPECT_TRUE(X.IsChanged());
  std::vector<double> Seen;
  for (double I : X) Seen.push_back(I);
  EXPECT_EQ(Seen, (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_EQ(X.Sum(), 10);
  EXPECT_EQ(X.Minimum(), 0);
  EXPECT_EQ(X.LastCount(), 5);
  EXPECT_EQ(X.Maximum(), 4);
  EXPECT_EQ(X.MaximumIdx(), 4);
  EXPECT_EQ(X.MaximumIncludingOutliers(), 4);
  EXPECT_TRUE(X.OnlyAscending());
  EXPECT_THROW(X.Value(-1), EGvRangeError);

  try {
    X.SetValue(0, 1);
    FAIL();
  } catch (const EGvError& E) {
    EXPECT_EQ(E.Message(), "TGvIndexer is not supposed to set values!");
  }
  EXPECT_THROW(X.Add(1), EGvError);
  EXPECT_THROW(X.Insert(0, 1), EGvError);
}

// ---- Class registry and published properties ------------------------------

TEST(VectorClasses, RegisteredAndPublished)
{
  QObject Owner;
  auto& Registry = TGvClassRegistry<TGvCustomDoubleVector>::Instance();
  TGvCustomDoubleVector* V = Registry.Create("TGvDoubleVector", &Owner);
  ASSERT_NE(qobject_cast<TGvDoubleVector*>(V), nullptr);
  EXPECT_EQ(V->parent(), &Owner);
  EXPECT_FALSE(Registry.Contains("TGvIndexer"));
  EXPECT_EQ(Registry.Create("TGvDataSource", &Owner), nullptr);

  for (const char* Name : {"PersistentValues", "Capacity", "Increment", "DataField", "DataSource"})
    EXPECT_GE(V->metaObject()->indexOfProperty(Name), 0) << Name;
  EXPECT_TRUE(V->setProperty("Increment", 512));
  EXPECT_EQ(V->Increment(), 512);
  EXPECT_TRUE(V->setProperty("PersistentValues", true));
  EXPECT_TRUE(V->property("PersistentValues").toBool());
}

} // namespace
