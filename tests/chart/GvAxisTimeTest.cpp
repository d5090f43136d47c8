// The time axes: label formats, calendar steps, the seconds and date/time
// partitions, rounding to their steps, and their ticks and labels.
#include "AxisTestSupport.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

double Dt(int Y, int Mo, int D, int H = 0, int Mi = 0, int S = 0, int Ms = 0)
{
  return EncodeDateTime(Y, Mo, D, H, Mi, S, Ms);
}

std::string Text(double V)
{
  return MyDateTimeToString(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), V).toStdString();
}

class AxisTime : public ::testing::Test
{
protected:
  TFormatSettingsOverride Settings{AxisTestSettings()};

  static TGvAxisScale Make(TGvAxisScaling Scaling, double Start, double Stop, double Length = 600)
  {
    TGvAxisScale S;
    S.Scaling = Scaling;
    S.AxLength = S.ControlLength = Length;
    S.Start = Start;
    S.Stop = Stop;
    return S;
  }
  static void Layout(TGvAxisScale& S)
  {
    double A = S.Start, B = S.Stop;
    S.RoundEnds(A, B);
    S.Start = A;
    S.Stop = B;
    S.CalculateTicks();
  }
  static QStringList Texts(const TGvAxisScale& S)
  {
    QStringList L;
    for (const TGvAxisLabelMark& M : S.Labels) L << M.Text;
    return L;
  }
  static TGvDtParameters Row(TGvDtRegion Major, TGvDtRegion Minor, int Inc, int MajorMod,
                             int LabelMod, const QString& Format = QString())
  {
    TGvDtParameters P;
    P.MajorRgn = Major, P.MinorRgn = Minor, P.Increment = Inc, P.MajorMod = MajorMod,
    P.LabelMod = LabelMod, P.Format = Format;
    return P;
  }
};

// ---- Formats ----

TEST_F(AxisTime, DatePatternsShortenInAnyCase)
{
  const char* Cases[][2] = {
      {"yyyy/mm/dd", "yy/m/d"},
      {"dd.MM.yyyy", "d.M.yy"},
      {"MM/dd/yyyy", "M/d/yy"},
      {"d-MMM-yyyy", "d-MMM-yy"},
      {"YYYY-MM-DD", "YY-M-D"},
      {"yyyy'dd'mm", "yy'dd'm"},
      {"dddd, MMMM d, yyyy", "dddd, MMMM d, yy"},
  };
  for (const auto& C : Cases) EXPECT_EQ(ShortenDatePattern(C[0]), C[1]) << C[0];
  const char* Times[][2] = {
      {"hh:nn:ss", "hh:nn"}, {"h:mm:ss AM/PM", "h:mm AM/PM"},
      {"HH:MM:SS", "HH:MM"}, {"hh:nn:ss.zzz", "hh:nn"},
      {"hh:nn", "hh:nn"},    {"hh'h'nn'm'ss's'", "hh'h'nn'm''s'"},
  };
  for (const auto& C : Times) EXPECT_EQ(RemoveSecondsFromPattern(C[0]), C[1]) << C[0];
}

TEST_F(AxisTime, DefaultFormatsFollowTheLocale)
{
  TGvDateTimeFormats F = TGvDateTimeFormats::Defaults();
  EXPECT_EQ(F.ShortMonthFormat, "MMM yy");
  EXPECT_EQ(F.LongMonthFormat, "MMMM yyyy");
  EXPECT_EQ(F.DayFormat, "yy/m/d");
  EXPECT_EQ(F.MinuteFormat, "hh:nn");
  EXPECT_EQ(F.DayAndHourFormat, "yy/m/d hh:nn");
  EXPECT_EQ(F.SecondFormat, "hh:nn:ss");
  EXPECT_EQ(F.MilliSecondFormat, "s.fff");
  const double V = Dt(2024, 3, 5, 14, 7, 9, 250);
  EXPECT_EQ(MyDateTimeToString(F.DayAndHourFormat, V), "24-3-5 14:07");
  EXPECT_EQ(MyDateTimeToString(F.ShortMonthFormat, V), "Mar 24");
  EXPECT_EQ(MyDateTimeToString(F.LongMonthFormat, V), "March 2024");
  EXPECT_EQ(MyDateTimeToString(F.MilliSecondFormat, V), "9.250");

  // A locale in the other case: "MM" is the month, "mm" after an hour the
  // minutes.
  TFormatSettings German = AxisTestSettings();
  German.DecimalSeparator = u',';
  German.DateSeparator = u'.';
  German.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
  German.LongTimeFormat = QStringLiteral("HH:mm:ss");
  TFormatSettingsOverride O(German);
  F = TGvDateTimeFormats::Defaults();
  EXPECT_EQ(F.DayFormat, "d.M.yy");
  EXPECT_EQ(F.MinuteFormat, "HH:mm");
  EXPECT_EQ(F.MilliSecondFormat, "s,fff");
  EXPECT_EQ(MyDateTimeToString(F.DayAndHourFormat, V), "5.3.24 14:07");
}

// ---- Calendar steps ----

TEST_F(AxisTime, MonthsClampTheDayAndKeepTheTime)
{
  struct TCase
  {
    double From;
    int Months;
    double Want;
  };
  const TCase Cases[] = {
      {Dt(2024, 1, 31, 13, 45), 1, Dt(2024, 2, 29, 13, 45)},
      {Dt(2023, 1, 31), 1, Dt(2023, 2, 28)},
      {Dt(2024, 3, 31, 6), -1, Dt(2024, 2, 29, 6)},
      {Dt(2024, 5, 15), 12, Dt(2025, 5, 15)},
      {Dt(2024, 5, 15), -17, Dt(2022, 12, 15)},
      {Dt(1899, 1, 31, 12), 1, Dt(1899, 2, 28, 12)},  // before the epoch
      {Dt(1899, 12, 15, 18), 1, Dt(1900, 1, 15, 18)}, // across it
      {Dt(9999, 10, 1), 5, Dt(9999, 12, 1)},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(Text(IncMonth(C.From, C.Months)), Text(C.Want)) << Text(C.From);
  EXPECT_LT(Dt(1899, 2, 28, 12), 0);
}

TEST_F(AxisTime, RoundingToDateTimeSteps)
{
  using R = TGvDtRegion;
  struct TCase
  {
    TGvDtParameters P;
    bool Major;
    double Value, Up, Down;
  };
  const TCase Cases[] = {
      {Row(R::Month, R::Month, 1, 3, 3), false, Dt(2024, 3, 5, 10, 20), Dt(2024, 4, 1),
       Dt(2024, 3, 1)},
      {Row(R::Month, R::Month, 1, 3, 3), true, Dt(2024, 3, 5, 10, 20), Dt(2024, 4, 1),
       Dt(2024, 1, 1)},
      // Weeks: to the next or the last Sunday (2024-03-06 is a Wednesday).
      {Row(R::Day, R::Day, 1, 7, 1), true, Dt(2024, 3, 6, 8), Dt(2024, 3, 10), Dt(2024, 3, 3)},
      {Row(R::Day, R::Day, 1, 7, 1), true, Dt(2024, 3, 10), Dt(2024, 3, 10), Dt(2024, 3, 10)},
      {Row(R::Day, R::Day, 1, 7, 1), false, Dt(2024, 3, 6, 8), Dt(2024, 3, 7), Dt(2024, 3, 6)},
      {Row(R::Year, R::Year, 1, 5, 5), true, Dt(2023, 6, 1), Dt(2025, 1, 1), Dt(2020, 1, 1)},
      {Row(R::Hour, R::Hour, 3, 12, 24), false, Dt(2024, 3, 5, 10, 20), Dt(2024, 3, 5, 12),
       Dt(2024, 3, 5, 9)},
      {Row(R::Minute, R::Minute, 15, 60, 180), false, Dt(2024, 3, 5, 10, 20, 30),
       Dt(2024, 3, 5, 10, 30), Dt(2024, 3, 5, 10, 15)},
      {Row(R::Second, R::Second, 5, 30, 60), false, Dt(2024, 3, 5, 10, 20, 31),
       Dt(2024, 3, 5, 10, 20, 35), Dt(2024, 3, 5, 10, 20, 30)},
      // A major step of 2500 ms counts through the year, as the ticks do.
      {Row(R::Second, R::MilliSecond, 500, 2500, 5000), true, Dt(2024, 1, 1, 0, 0, 1, 300),
       Dt(2024, 1, 1, 0, 0, 2, 500), Dt(2024, 1, 1)},
      {Row(R::Second, R::MilliSecond, 500, 2500, 5000), true, Dt(2024, 1, 1, 0, 0, 3, 700),
       Dt(2024, 1, 1, 0, 0, 5), Dt(2024, 1, 1, 0, 0, 2, 500)},
      {Row(R::Month, R::Day, 1, 1, 1), true, Dt(2024, 3, 5, 10), Dt(2024, 4, 1), Dt(2024, 3, 1)},
      {Row(R::Year, R::Month, 1, 12, 1), true, Dt(2024, 3, 1), Dt(2025, 1, 1), Dt(2024, 1, 1)},
      // Before the epoch: 1899-12-29 06:00.
      {Row(R::Day, R::Day, 1, 7, 1), false, -1.25, 0, -1},
      {Row(R::Hour, R::Hour, 6, 24, 48), false, -1.3, Dt(1899, 12, 29, 12), Dt(1899, 12, 29, 6)},
      // An increment below 1 counts as 1.
      {Row(R::Hour, R::Hour, 0, 6, 12), false, Dt(2024, 3, 5, 10, 20), Dt(2024, 3, 5, 11),
       Dt(2024, 3, 5, 10)},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(Text(DateTimeRound(C.P, true, C.Major, C.Value)), Text(C.Up)) << Text(C.Value);
    EXPECT_EQ(Text(DateTimeRound(C.P, false, C.Major, C.Value)), Text(C.Down)) << Text(C.Value);
  }
}

// ---- Date/time partition ----

TEST_F(AxisTime, DateTimePartitionForASpan)
{
  using R = TGvDtRegion;
  struct TCase
  {
    double Start, Stop, Length;
    R Major, Minor;
    int Inc, MajorMod, LabelMod;
  };
  const TCase Cases[] = {
      {Dt(2024, 3, 5), Dt(2024, 3, 6), 600, R::Hour, R::Hour, 1, 6, 12},
      {Dt(2024, 3, 1), Dt(2024, 4, 1), 600, R::Day, R::Day, 1, 7, 2},
      {Dt(2020, 1, 1), Dt(2030, 1, 1), 600, R::Year, R::Year, 1, 5, 5},
      {Dt(2024, 3, 5), Dt(2024, 3, 5, 0, 0, 1), 600, R::MilliSecond, R::MilliSecond, 50, 200, 500},
      // Nothing fits: labels every 2000 years.
      {Dt(2020, 1, 1), Dt(2030, 1, 1), 0, R::Year, R::Year, 100, 1000, 2000},
  };
  const TGvDateTimeFormats F = TGvDateTimeFormats::Defaults();
  auto Len = [](const QString& T, double) {
    return ApproxLabelLength(int(T.size()), 10, 0, 1, true);
  };
  for (const TCase& C : Cases) {
    const TGvDtParameters P = GetDtParameters(C.Start, C.Stop, C.Length, 1, F, Len);
    EXPECT_EQ(P.MajorRgn, C.Major) << Text(C.Stop);
    EXPECT_EQ(P.MinorRgn, C.Minor) << Text(C.Stop);
    EXPECT_EQ(P.Increment, C.Inc) << Text(C.Stop);
    EXPECT_EQ(P.MajorMod, C.MajorMod) << Text(C.Stop);
    EXPECT_EQ(P.LabelMod, C.LabelMod) << Text(C.Stop);
  }
}

TEST_F(AxisTime, WeeklyMajorsAndEveryOtherSundayLabelled)
{
  TGvAxisScale S = Make(TGvAxisScaling::DateTime, Dt(2024, 3, 1), Dt(2024, 4, 15));
  S.AutoTickParts = false;
  S.DtParameters = Row(TGvDtRegion::Day, TGvDtRegion::Day, 1, 7, 2, S.DateTimeFormats.DayFormat);
  S.CalculateTicks();
  int Sundays = 0;
  for (const TGvAxisTick& T : S.Ticks) {
    const bool Sunday = DecodeDateParts(T.Value).DayOfWeek == 1;
    EXPECT_EQ(T.Major, Sunday) << Text(T.Value);
    Sundays += Sunday ? 1 : 0;
  }
  EXPECT_EQ(Sundays, 7);
  ASSERT_EQ(S.Labels.size(), 4u);
  EXPECT_NEAR(S.Labels[1].Value - S.Labels[0].Value, 14, 1e-9);
  S.DtParameters.LabelMod = 1;
  S.CalculateTicks();
  EXPECT_EQ(S.Labels.size(), 7u);
}

TEST_F(AxisTime, MonthAndYearLabels)
{
  TGvAxisScale M = Make(TGvAxisScaling::DateTime, Dt(2024, 1, 1), Dt(2024, 4, 1));
  M.AutoTickParts = false;
  M.DtParameters =
      Row(TGvDtRegion::Month, TGvDtRegion::Day, 1, 1, 1, M.DateTimeFormats.LongMonthFormat);
  M.CalculateTicks();
  EXPECT_EQ(Texts(M).join(u','), "January 2024,February 2024,March 2024,April 2024");
  for (const TGvAxisLabelMark& L : M.Labels) EXPECT_EQ(DecodeDateParts(L.Value).Day, 1);

  TGvAxisScale Y = Make(TGvAxisScaling::DateTime, Dt(2020, 1, 1), Dt(2030, 1, 1));
  Layout(Y);
  EXPECT_EQ(Texts(Y).join(u' '), "2020 2025 2030");
}

TEST_F(AxisTime, MilliSecondLabelsLoseTrailingZeros)
{
  EXPECT_EQ(CutMilliSecondZeros("1.500"), "1.5");
  EXPECT_EQ(CutMilliSecondZeros("1.520"), "1.52");
  EXPECT_EQ(CutMilliSecondZeros("1.000"), "1.0");
  EXPECT_EQ(CutMilliSecondZeros("1.523"), "1.523");

  TGvAxisScale S =
      Make(TGvAxisScaling::DateTime, Dt(2024, 3, 5, 10, 0, 1, 500), Dt(2024, 3, 5, 10, 0, 1, 560));
  S.AutoTickParts = false;
  S.DtParameters = Row(TGvDtRegion::MilliSecond, TGvDtRegion::MilliSecond, 10, 20, 20,
                       S.DateTimeFormats.MilliSecondFormat);
  S.CalculateTicks();
  EXPECT_EQ(Texts(S).join(u' '), "1.5 1.52 1.54 1.56");
}

TEST_F(AxisTime, DateTimeTicksEndWithinAPixelOfTheStop)
{
  const double Spans[] = {1.0 / 86400, 1.0 / 24, 1, 31, 3652};
  for (double Span : Spans) {
    const double Start = Dt(2024, 3, 5, 10, 17);
    TGvAxisScale S = Make(TGvAxisScaling::DateTime, Start, Start + Span);
    Layout(S);
    ASSERT_FALSE(S.Ticks.empty()) << Span;
    const double K = S.NormalisingConstant();
    EXPECT_GE(DateTimeSpan(S.Ticks.back().Value, S.Stop), -K) << Span;
    EXPECT_LE(int(S.Ticks.size()), S.MaxTicks());
    EXPECT_GE(S.Labels.size(), 2u) << Span;
    for (size_t I = 1; I < S.Labels.size(); ++I)
      EXPECT_GT(S.Labels[I].Pixel - S.Labels[I - 1].Pixel, 20) << Span;
  }
}

TEST_F(AxisTime, DateTimeTicksBeforeTheEpochAreEvenlySpaced)
{
  TGvAxisScale S = Make(TGvAxisScaling::DateTime, Dt(1899, 12, 25), Dt(1900, 1, 4), 1000);
  S.AutoTickParts = false;
  S.DtParameters = Row(TGvDtRegion::Day, TGvDtRegion::Day, 1, 7, 1);
  S.CalculateTicks();
  ASSERT_EQ(S.Ticks.size(), 11u);
  for (size_t I = 0; I < S.Ticks.size(); ++I) {
    const TGvDateParts D = DecodeDateParts(S.Ticks[I].Value);
    EXPECT_EQ(D.Hour, 0) << Text(S.Ticks[I].Value);
    EXPECT_NEAR(S.Ticks[I].Pixel, 100.0 * I, 1e-3);
  }
}

TEST_F(AxisTime, DateTimeTickLoopsAlwaysEnd)
{
  // The stored daily partition over a thousand years, a partition whose
  // increment is 0 (as read from a saved form), reversed ends.
  TGvAxisScale S = Make(TGvAxisScaling::DateTime, Dt(1500, 1, 1), Dt(2500, 1, 1), 400);
  S.AutoTickParts = false;
  S.EndRounding = TGvAxisEndRounding::RndNothing;
  Layout(S);
  EXPECT_EQ(int(S.Ticks.size()), S.MaxTicks());

  TGvAxisScale Z = Make(TGvAxisScaling::DateTime, Dt(2024, 3, 5), Dt(2024, 3, 9), 400);
  Z.AutoTickParts = false;
  Z.DtParameters = Row(TGvDtRegion::Hour, TGvDtRegion::Hour, 0, 0, 0);
  Z.CalculateTicks();
  EXPECT_EQ(Z.Ticks.size(), 97u);

  TGvAxisScale R = Make(TGvAxisScaling::DateTime, Dt(2024, 3, 9), Dt(2024, 3, 5), 400);
  R.AutoTickParts = false;
  R.CalculateTicks();
  EXPECT_LT(R.Start, R.Stop);
  EXPECT_EQ(R.Ticks.size(), 5u);
}

// ---- Seconds ----

TEST_F(AxisTime, SecondsRegionsAndSequences)
{
  struct TCase
  {
    double Stop;
    TGvDtRegion Rgn;
    TGvSecondsFormatRange Format;
  };
  const TCase Cases[] = {
      {45, TGvDtRegion::Second, TGvSecondsFormatRange::Second},
      {100, TGvDtRegion::Second, TGvSecondsFormatRange::Minute},
      {1000, TGvDtRegion::Minute, TGvSecondsFormatRange::Minute},
      {4 * 3600, TGvDtRegion::Hour, TGvSecondsFormatRange::Hour},
      {30 * 86400, TGvDtRegion::Day, TGvSecondsFormatRange::Day},
  };
  for (const TCase& C : Cases) {
    const TGvSecPartition P = GetSecParameters(0, C.Stop, 600, 1, nullptr);
    EXPECT_EQ(P.Params.Rgn, C.Rgn) << C.Stop;
    EXPECT_EQ(P.Params.Format, C.Format) << C.Stop;
  }
  // 0 .. 100 s walks 600, 300, 150, 60, 30, 15, 6 ... seconds as the axis
  // grows.
  const std::set<double> Walk = {150, 60, 30, 15, 6, 3, 1.5, 0.6};
  std::set<double> Seen;
  double Last = 1e9;
  for (double L = 50; L <= 5000; L *= 1.25) {
    auto Len = [](const QString& T, double) { return 10.0 * T.size(); };
    const TGvSecPartition P = GetSecParameters(0, 100, L, 1, Len);
    const double Step = std::round(P.LabelPart * std::pow(10, P.Params.Exponent) * 1e6) / 1e6;
    EXPECT_TRUE(Walk.count(Step)) << L << " " << Step;
    EXPECT_LE(Step, Last);
    Last = Step;
    Seen.insert(Step);
  }
  for (double Step : {60.0, 30.0, 15.0, 6.0}) EXPECT_TRUE(Seen.count(Step)) << Step;
}

TEST_F(AxisTime, SecondsRefinementIsBounded)
{
  // A factor at or below -w/70 would always fit.
  for (double Factor : {-1e9, -10.0, 0.0}) {
    auto Len = [](const QString&, double) { return 0.0; };
    const TGvSecPartition P = GetSecParameters(0, 100, 600, Factor, Len);
    EXPECT_GE(P.LabelPart * std::pow(10, P.Params.Exponent), 100.0 / 600 * 0.99) << Factor;
    EXPECT_GT(P.TickPart, 0);
  }
}

TEST_F(AxisTime, SecondsRoundInTheirRegion)
{
  EXPECT_DOUBLE_EQ(SecondsRound(5000, 1, 0, TGvDtRegion::Hour, true), 7200);
  EXPECT_DOUBLE_EQ(SecondsRound(5000, 1, 0, TGvDtRegion::Hour, false), 3600);
  EXPECT_DOUBLE_EQ(SecondsRound(95, 3, 1, TGvDtRegion::Second, true), 120);
  EXPECT_DOUBLE_EQ(SecondsRound(1000, 0.5, 1, TGvDtRegion::Minute, false), 900);
}

TEST_F(AxisTime, SecondsLabels)
{
  struct TCase
  {
    double Stop, Length;
    const char* First;
    const char* Second;
    const char* Last;
  };
  const TCase Cases[] = {
      {3, 600, "0", "0.2", "3"},
      {180, 600, "00:00", "00:30", "03:00"},
      {3 * 3600, 1000, "00:00:00", "00:30:00", "03:00:00"},
  };
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make(TGvAxisScaling::Seconds, 0, C.Stop, C.Length);
    Layout(S);
    ASSERT_GE(S.Labels.size(), 3u) << C.Stop;
    EXPECT_EQ(S.Labels[0].Text, C.First) << C.Stop;
    EXPECT_EQ(S.Labels[1].Text, C.Second) << C.Stop;
    EXPECT_EQ(S.Labels.back().Text, C.Last) << C.Stop;
    // The last tick lies at most 0.004 of a step beyond the stop.
    const double Step = S.MinorIncrement();
    EXPECT_LE(S.Ticks.back().Value, S.Stop + 0.004 * Step) << C.Stop;
  }
}

TEST_F(AxisTime, SecondsTickLoopsAlwaysEnd)
{
  // A stored minor part of 0 never advanced.
  TGvAxisScale S = Make(TGvAxisScaling::Seconds, 0, 100);
  S.AutoTickParts = false;
  S.TickPart = 0;
  S.CalculateTicks();
  EXPECT_TRUE(S.Ticks.empty());
  S.TickPart = 1e-300;
  S.CalculateTicks();
  EXPECT_LE(int(S.Ticks.size()), S.MaxTicks());
}

} // namespace
