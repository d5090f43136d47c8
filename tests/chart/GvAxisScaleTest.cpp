// The arithmetic of an axis: ends, partitions, ticks, labels, the pixel
// mapping, auto-range, slave axes, the moving slit and the zoom history.
#include "AxisTestSupport.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double cNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double cInf = std::numeric_limits<double>::infinity();

class AxisScale : public ::testing::Test
{
protected:
  TFormatSettingsOverride Settings{AxisTestSettings()};

  static TGvAxisScale Make(TGvAxisPosition Position = TGvAxisPosition::Bottom, double Length = 600)
  {
    TGvAxisScale S;
    S.Position = Position;
    S.AxLength = Length;
    S.ControlLength = Length;
    return S;
  }
  // What the layout pass does: round the ends once, then the ticks.
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
  static int CountMajor(const TGvAxisScale& S)
  {
    int N = 0;
    for (const TGvAxisTick& T : S.Ticks) N += T.Major ? 1 : 0;
    return N;
  }
};

// ---- Degenerate ranges ----

TEST_F(AxisScale, DegenerateRangesAreRepaired)
{
  using E = TGvAxisEnd;
  using Sc = TGvAxisScaling;
  struct TCase
  {
    Sc Scaling;
    E StartEnd, StopEnd;
    double Start, Stop, WantStart, WantStop;
  };
  const TCase Cases[] = {
      {Sc::Normal, E::AutoRange, E::AutoRange, 5, 5, 4, 6},
      {Sc::Normal, E::AutoRange, E::AutoRange, 0, 0, -1, 1},
      {Sc::Normal, E::AutoRange, E::AutoRange, -250, -250, -350, -150},
      {Sc::Normal, E::Fixed, E::Fixed, 5, 5, 5, 6},
      {Sc::Normal, E::AutoRange, E::Fixed, 5, 5, 4, 5},
      {Sc::Normal, E::Fixed, E::AutoRange, 5, 5, 5, 6},
      {Sc::Normal, E::AutoRange, E::AutoRange, 7, 3, 0, 100},
      {Sc::Log, E::AutoRange, E::AutoRange, 7, 3, 1, 10},
      {Sc::DateTime, E::AutoRange, E::AutoRange, 10, 5, 5, 10},
      {Sc::DateTime, E::AutoRange, E::AutoRange, 100, 100, 100, 100 + 1.0 / 1440},
      {Sc::DateTime, E::AutoRange, E::AutoRange, -1e9, 1e9, cGvAxisMinDateTime, cGvAxisMaxDateTime},
      {Sc::Seconds, E::AutoRange, E::AutoRange, -5, -3, 0, 1},
      {Sc::Rubrics, E::AutoRange, E::AutoRange, -5, 4, 0, 4},
      // Not finite: the other end stands for both, or the default range.
      {Sc::Normal, E::AutoRange, E::AutoRange, cNaN, cNaN, 0, 100},
      {Sc::Normal, E::AutoRange, E::AutoRange, cNaN, 5, 4, 6},
      {Sc::Normal, E::AutoRange, E::AutoRange, 5, cInf, 4, 6},
      {Sc::Normal, E::AutoRange, E::AutoRange, -cInf, cInf, 0, 100},
      {Sc::Normal, E::AutoRange, E::AutoRange, -cGvMaxDouble, cGvMaxDouble, -1e300, 1e300},
  };
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make();
    S.Scaling = C.Scaling;
    S.StartEnd = C.StartEnd;
    S.StopEnd = C.StopEnd;
    S.EndRounding = TGvAxisEndRounding::RndNothing;
    double A = C.Start, B = C.Stop;
    S.RoundEnds(A, B);
    EXPECT_DOUBLE_EQ(A, C.WantStart) << C.Start << " " << C.Stop;
    EXPECT_DOUBLE_EQ(B, C.WantStop) << C.Start << " " << C.Stop;
  }
}

TEST_F(AxisScale, ZeroSpanMapsToTheMiddle)
{
  // Equal ends set directly, without the repair of the layout pass.
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 400);
  S.Start = S.Stop = 3;
  EXPECT_FLOAT_EQ(S.NumberToWorld(3), 200);
  EXPECT_FLOAT_EQ(S.NumberToWorld(1e300), 200);
  S.CalculateTicks();
  EXPECT_LE(S.Ticks.size(), 1u);
  for (const TGvAxisTick& T : S.Ticks) EXPECT_TRUE(std::isfinite(T.Pixel));
}

TEST_F(AxisScale, ConversionNeverReturnsNonFinitePixels)
{
  for (TGvAxisScaling Scaling : {TGvAxisScaling::Normal, TGvAxisScaling::Log,
                                 TGvAxisScaling::DateTime, TGvAxisScaling::Seconds}) {
    TGvAxisScale S = Make();
    S.Scaling = Scaling;
    S.Start = 1;
    S.Stop = 1000;
    S.CalculateTicks();
    for (double X : {cNaN, cInf, -cInf, 0.0, -5.0, 1e308, -1e308, 5e-324}) {
      EXPECT_TRUE(std::isfinite(S.NumberToWorld(X))) << int(Scaling) << " " << X;
      EXPECT_LE(std::fabs(S.NumberToWorld(X)), 100000 + 600);
    }
  }
}

// ---- Pixels ----

TEST_F(AxisScale, ValuesToPixelsAndBack)
{
  struct TCase
  {
    TGvAxisPosition Position;
    bool Twisted;
    double PixelOfStart, PixelOfStop;
  };
  // The axis line starts at 50 (AxLeft or AxTop) and is 400 long.
  const TCase Cases[] = {
      {TGvAxisPosition::Bottom, false, 50, 450}, {TGvAxisPosition::Bottom, true, 450, 50},
      {TGvAxisPosition::Top, false, 50, 450},    {TGvAxisPosition::Left, false, 450, 50},
      {TGvAxisPosition::Left, true, 50, 450},    {TGvAxisPosition::Right, false, 450, 50},
  };
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make(C.Position, 400);
    S.AxLeft = S.AxTop = 50;
    S.Twisted = C.Twisted;
    S.Start = -2;
    S.Stop = 6;
    EXPECT_FLOAT_EQ(S.NumberToWorld(-2), C.PixelOfStart) << int(C.Position) << C.Twisted;
    EXPECT_FLOAT_EQ(S.NumberToWorld(6), C.PixelOfStop) << int(C.Position) << C.Twisted;
    EXPECT_NEAR(S.WorldToNumber(S.NumberToWorld(1.5)), 1.5, 1e-5);
    // Far outside: clamped to 100000 pixels beyond the origin.
    const float Far = S.NumberToWorld(1e12);
    EXPECT_FLOAT_EQ(std::fabs(Far - 50), 100000);
  }
}

TEST_F(AxisScale, LogarithmicPixels)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 300);
  S.Scaling = TGvAxisScaling::Log;
  S.Start = 1;
  S.Stop = 1000;
  S.CalculateTicks(); // takes the logarithms of the ends
  EXPECT_FLOAT_EQ(S.NumberToWorld(10), 100);
  EXPECT_FLOAT_EQ(S.NumberToWorld(100), 200);
  EXPECT_FLOAT_EQ(S.NumberToWorld(0), -100); // at or below 0: 100 pixels before the start
  EXPECT_FLOAT_EQ(S.NumberToWorld(-3), -100);
  EXPECT_NEAR(S.WorldToNumber(150), std::sqrt(10.0) * 10, 1e-9);
}

TEST_F(AxisScale, DateTimePixelsAreLinearInTimeBeforeTheEpoch)
{
  // 1899-12-28 00:00 .. 1900-01-01 00:00: four days across the epoch.
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 400);
  S.Scaling = TGvAxisScaling::DateTime;
  S.Start = -2;
  S.Stop = 2;
  // 1899-12-29 06:00 is -1.25 and lies 1.25 days after the start.
  EXPECT_FLOAT_EQ(S.NumberToWorld(-1.25), 125);
  EXPECT_FLOAT_EQ(S.NumberToWorld(0.5), 250);
  EXPECT_NEAR(S.WorldToNumber(125), -1.25, 1e-9);
  EXPECT_NEAR(S.WorldToNumber(250), 0.5, 1e-9);
}

// ---- Linear partition and labels ----

TEST_F(AxisScale, LinearLabelsForALongAndAShortAxis)
{
  struct TCase
  {
    double Start, Stop, Length;
    const char* Labels;
  };
  const TCase Cases[] = {
      {0, 10, 1000, "0 1 2 3 4 5 6 7 8 9 10"},
      {0, 10, 150, "0 5 10"},
      // The candidates whose step is larger than the range are skipped: two
      // labels, not a lone "0".
      {0, 10, 100, "0 10"},
      {0, 1, 600, "0.0 0.2 0.4 0.6 0.8 1.0"},
      {-1, 1, 600, "-1.0 -0.5 0.0 0.5 1.0"},
      {1000, 2000, 600, "1000 1200 1400 1600 1800 2000"},
      {0, 0.01, 600, "0.000 0.002 0.004 0.006 0.008 0.010"},
  };
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make(TGvAxisPosition::Bottom, C.Length);
    S.Start = C.Start;
    S.Stop = C.Stop;
    Layout(S);
    EXPECT_EQ(Texts(S).join(u' '), QString::fromLatin1(C.Labels)) << C.Start << ".." << C.Stop;
    EXPECT_FALSE(S.ShowsExtraExponent);
  }
}

TEST_F(AxisScale, ExtraExponentLabelsTimesThePowerAreTheTickValues)
{
  // With the extra exponent, the labels times 10^(the shown exponent) are the
  // values at their ticks: 0 .. 10000 is labelled 0.0 .. 1.0 with "·10\+4".
  struct TCase
  {
    double Start, Stop;
    bool Exponent;
    int Shown;
    const char* First;
    const char* Last;
  };
  const TCase Cases[] = {
      {0, 10000, true, 4, "0.0", "1.0"},     {10000, 20000, true, 4, "1.0", "2.0"},
      {0, 1e12, true, 12, "0.0", "1.0"},     {0, 1e-12, true, -12, "0.0", "1.0"},
      {0, 1e-4, true, -4, "0.0", "1.0"},     {-3e6, 5e6, true, 6, "-3", "5"},
      {0, 0.01, false, 0, "0.000", "0.010"}, {0, 999, false, 0, "0", "1000"},
  };
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make(TGvAxisPosition::Bottom, 600);
    S.Start = C.Start;
    S.Stop = C.Stop;
    Layout(S);
    ASSERT_GE(S.Labels.size(), 2u) << C.Stop;
    EXPECT_EQ(S.ShowsExtraExponent, C.Exponent) << C.Stop;
    EXPECT_EQ(S.Labels.front().Text, C.First) << C.Stop;
    EXPECT_EQ(S.Labels.back().Text, C.Last) << C.Stop;
    if (C.Exponent) {
      EXPECT_EQ(S.ExtraExponentText, QStringLiteral("\u00B710\\+%1").arg(C.Shown));
      EXPECT_EQ(S.MaxExponent, C.Shown);
    }
    const double Power = C.Exponent ? std::pow(10.0, C.Shown) : 1;
    for (const TGvAxisLabelMark& M : S.Labels) {
      const double Shown = StrToFloat(M.Text) * Power;
      EXPECT_NEAR(Shown, M.Value, std::fabs(C.Stop - C.Start) * 1e-9) << M.Text.toStdString();
    }
  }
}

TEST_F(AxisScale, ExtraExponentStandsBetweenTheLastTwoLabels)
{
  TGvAxisScale S = Make(TGvAxisPosition::Left, 400);
  S.AxLeft = 80;
  S.Start = 0;
  S.Stop = 1e6;
  Layout(S);
  ASSERT_TRUE(S.ShowsExtraExponent);
  const size_t N = S.Labels.size();
  EXPECT_FLOAT_EQ(S.ExtraExponentPixel, (S.Labels[N - 1].Pixel + S.Labels[N - 2].Pixel) / 2);
  EXPECT_DOUBLE_EQ(S.ExtraExponentLine, 80 - S.DistanceAxisExtraExponent);
}

TEST_F(AxisScale, ExtraDigitsAddDecimals)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 150);
  S.Start = 0;
  S.Stop = 10;
  S.ExtraDigits = 2;
  Layout(S);
  EXPECT_EQ(Texts(S).join(u' '), "0.00 10.00");
  S.ControlLength = 1000;
  Layout(S);
  EXPECT_EQ(Texts(S).join(u' '), "0.00 1.00 2.00 3.00 4.00 5.00 6.00 7.00 8.00 9.00 10.00");
}

TEST_F(AxisScale, TicksOfTheLinearPartition)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 150);
  S.Start = 0;
  S.Stop = 10;
  Layout(S);
  // Labels every 5, majors every 5, minors every 1.
  EXPECT_DOUBLE_EQ(S.LabelPart * std::pow(10, S.RangeExponent), 5);
  ASSERT_EQ(S.Ticks.size(), 11u);
  EXPECT_EQ(CountMajor(S), 3);
  EXPECT_TRUE(S.Ticks[5].Major && S.Ticks[5].Grid);
  EXPECT_FALSE(S.Ticks[4].Major || S.Ticks[4].Grid);
  EXPECT_FLOAT_EQ(S.Ticks[4].Pixel, 60);
  EXPECT_DOUBLE_EQ(S.MajorIncrement(), 5);
  EXPECT_DOUBLE_EQ(S.MinorIncrement(), 1);
}

TEST_F(AxisScale, EndRoundingModes)
{
  using R = TGvAxisEndRounding;
  struct TCase
  {
    R Mode;
    bool Zoomed;
    double Start, Stop;
  };
  // 0.3 .. 9.7 on a short axis: majors every 5, minors every 1.
  const TCase Cases[] = {
      {R::RndToMajorZoomToMinor, false, 0, 10},
      {R::RndToMajorZoomToMinor, true, 0, 10},
      {R::RndToMajorZoomToNothing, false, 0, 10},
      {R::RndToMajorZoomToNothing, true, 0.3, 9.7},
      {R::RndToMajor, true, 0, 10},
      {R::RndToMinorZoomToNothing, false, 0, 10},
      {R::RndToMinorZoomToNothing, true, 0.3, 9.7},
      {R::RndToMinor, false, 0, 10},
      {R::RndNothing, false, 0.3, 9.7},
  };
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make(TGvAxisPosition::Bottom, 150);
    S.EndRounding = C.Mode;
    S.Zoomed = C.Zoomed;
    double A = 0.3, B = 9.7;
    S.RoundEnds(A, B);
    EXPECT_DOUBLE_EQ(A, C.Start) << int(C.Mode) << C.Zoomed;
    EXPECT_DOUBLE_EQ(B, C.Stop) << int(C.Mode) << C.Zoomed;
  }
  // Majors and minors differ on 2.3 .. 7.7 (major 5, minor 1).
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 150);
  double A = 2.3, B = 17.7;
  S.RoundEnds(A, B);
  EXPECT_DOUBLE_EQ(A, 0);
  EXPECT_DOUBLE_EQ(B, 20);
  S.Zoomed = true;
  A = 2.3, B = 17.7;
  S.RoundEnds(A, B);
  EXPECT_DOUBLE_EQ(A, 2);
  EXPECT_DOUBLE_EQ(B, 18);
}

TEST_F(AxisScale, UnroundedEndsTickOnTheSteps)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 150);
  S.EndRounding = TGvAxisEndRounding::RndNothing;
  S.Start = 0.3;
  S.Stop = 9.7;
  Layout(S);
  ASSERT_FALSE(S.Ticks.empty());
  EXPECT_DOUBLE_EQ(S.Ticks.front().Value, 1);
  EXPECT_DOUBLE_EQ(S.Ticks.back().Value, 9);
  EXPECT_EQ(Texts(S).join(u' '), "5");
  // A stored step larger than the range: no tick lies on the axis (none is
  // drawn beyond its ends).
  S.AutoTickParts = false;
  S.TickPart = S.MajorTickPart = S.LabelPart = 10; // 0.1: the range exponent is -2
  S.Start = 0.31;
  S.Stop = 0.39;
  S.CalculateTicks();
  EXPECT_TRUE(S.Ticks.empty());
}

// The partition searches end for every input, and a pass never makes more
// ticks than 4 per pixel.
TEST_F(AxisScale, PartitionSearchesAlwaysEnd)
{
  struct TCase
  {
    double Length, Factor, LabelWidth, Start, Stop;
  };
  const TCase Cases[] = {
      {0, 1, -1, 0, 10},       {-50, 1, -1, 0, 10},         {cNaN, 1, -1, 0, 10},
      {1e9, 1, -1, 0, 10},     {600, -100, -1, 0, 10},      {600, 0, 0, 0, 10},
      {600, -100, 0, 0, 10},   {600, 1, cNaN, 0, 10},       {1e9, -1e9, 0, 0, 1},
      {600, 1, -1, 0, 1e-300}, {600, 1, -1, -1e300, 1e300}, {1e9, 0, 0, 1e15, 1e15 + 1},
  };
  for (TGvAxisScaling Scaling : {TGvAxisScaling::Normal, TGvAxisScaling::Log,
                                 TGvAxisScaling::Seconds, TGvAxisScaling::DateTime}) {
    for (const TCase& C : Cases) {
      TGvAxisScale S = Make(TGvAxisPosition::Bottom, 600);
      S.Scaling = Scaling;
      S.ControlLength = C.Length;
      S.LabelDistanceFactor = float(C.Factor);
      if (C.LabelWidth >= 0 || std::isnan(C.LabelWidth)) {
        const double W = C.LabelWidth;
        S.LabelLength = [W](const QString&, double) { return W; };
      }
      S.Start = C.Start;
      S.Stop = C.Stop;
      Layout(S);
      EXPECT_LE(int(S.Ticks.size()), S.MaxTicks()) << int(Scaling) << " " << C.Length;
      EXPECT_LE(S.Labels.size(), S.Ticks.size() + 1);
      EXPECT_TRUE(std::isfinite(S.Start) && std::isfinite(S.Stop));
      EXPECT_LT(S.Start, S.Stop);
    }
  }
}

TEST_F(AxisScale, BadCandidatePartsAreNotSteps)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 600);
  for (double& P : S.LabelParts) P = 0;
  S.MinorParts[1] = -1;
  S.Start = 0;
  S.Stop = 1;
  Layout(S);
  EXPECT_GT(S.LabelPart, 0);
  EXPECT_GE(S.Labels.size(), 2u);
}

TEST_F(AxisScale, FixedPartitionsDropTicksBeyondTheCap)
{
  // A stored minor step of 1e-5 (times 10^3) over 0 .. 1000 would ask for
  // 10^5 ticks.
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 500);
  S.AutoTickParts = false;
  S.TickPart = 1e-5;
  S.MajorTickPart = 1e-5;
  S.LabelPart = 1e-5;
  S.EndRounding = TGvAxisEndRounding::RndNothing;
  S.Start = 0;
  S.Stop = 1000;
  Layout(S);
  EXPECT_EQ(int(S.Ticks.size()), S.MaxTicks());
  EXPECT_EQ(S.MaxTicks(), 2000);
}

// ---- Logarithmic axes ----

TEST_F(AxisScale, LogarithmicDecadesAndMantissas)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 600);
  S.Scaling = TGvAxisScaling::Log;
  S.Start = 1;
  S.Stop = 1000;
  Layout(S);
  EXPECT_EQ(Texts(S).join(u' '), "1 10 100 1000");
  // 1 .. 9, 10 .. 90, 100 .. 900 and 1000; majors at the decades.
  ASSERT_EQ(S.Ticks.size(), 28u);
  EXPECT_EQ(CountMajor(S), 4);
  EXPECT_DOUBLE_EQ(S.Ticks[1].Value, 2);
  EXPECT_DOUBLE_EQ(S.Ticks[10].Value, 20);
  EXPECT_DOUBLE_EQ(S.MajorIncrement(), 1);
  EXPECT_DOUBLE_EQ(S.MinorIncrement(), 0.04);

  S.Scaling = TGvAxisScaling::LogEE;
  Layout(S);
  EXPECT_EQ(Texts(S).join(u' '), "10\\+0 10\\+1 10\\+2 10\\+3");
}

TEST_F(AxisScale, LogarithmicAxisDrawnLinearlyBelowTheSwitchingLevel)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 600);
  S.Scaling = TGvAxisScaling::Log;
  S.LogToNormalScalingLevel = 5;
  S.Start = 1;
  S.Stop = 1000;
  Layout(S);
  EXPECT_FALSE(S.HasLogScaling);
  EXPECT_NEAR(S.NumberToWorld(500), 300, 1);
  EXPECT_EQ(Texts(S).join(u' '), "0 200 400 600 800 1000");
}

TEST_F(AxisScale, LogarithmicAxisOverTwentyFourDecades)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 400);
  S.Scaling = TGvAxisScaling::Log;
  S.Start = 1e-12;
  S.Stop = 1e12;
  Layout(S);
  EXPECT_GT(S.MajorTickPart, 1);
  EXPECT_EQ(std::fmod(S.LabelPart, 3), 0);
  // Decade ticks only; every label a power of ten whose exponent is a
  // multiple of the label part.
  ASSERT_GE(S.Labels.size(), 3u);
  for (const TGvAxisLabelMark& M : S.Labels) {
    const double E = std::log10(M.Value);
    EXPECT_NEAR(E, std::round(E), 1e-9);
    EXPECT_EQ(std::fmod(std::round(E), S.LabelPart), 0) << M.Text.toStdString();
  }
  // The labels show the value as plain float text.
  EXPECT_EQ(Texts(S).join(u' '), "1E-9 1 1000000000");
}

TEST_F(AxisScale, LogarithmicPartitionEndsAtOneLabel)
{
  // Labels longer than the axis: the search stops at one label instead of
  // counting on for ever.
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 10);
  S.Scaling = TGvAxisScaling::Log;
  S.LabelLength = [](const QString&, double) { return 1000.0; };
  S.Start = 1;
  S.Stop = 1e6;
  Layout(S);
  EXPECT_GE(S.LabelPart, 6);
  S.ControlLength = 0;
  S.Start = 2;
  S.Stop = 3; // within a decade
  Layout(S);
  EXPECT_LE(int(S.Ticks.size()), S.MaxTicks());
}

TEST_F(AxisScale, LogarithmicAxisRefusesValuesAtOrBelowZero)
{
  TFakeAxisSeries Series(-5, 1000, 0, 1);
  Series.LeastPositiveX = 0.5;
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 600);
  S.Scaling = TGvAxisScaling::Log;
  S.EndRounding = TGvAxisEndRounding::RndNothing;
  S.Series = {&Series};
  S.RedoRange = true;
  ASSERT_TRUE(S.GetNewRanges());
  EXPECT_DOUBLE_EQ(S.Start, 0.5);
  EXPECT_DOUBLE_EQ(S.Stop, 1000);
  EXPECT_EQ(S.Status, TGvAxisRangeStatus::LogNonPositive);
  EXPECT_FALSE(AxisRangeStatusText(S.Status).isEmpty());
  // The least positive value comes from the series; rounding to decades.
  S.EndRounding = TGvAxisEndRounding::RndToMajor;
  S.RedoRange = true;
  S.ValuesStart = cGvNoValuesStart;
  ASSERT_TRUE(S.GetNewRanges());
  EXPECT_DOUBLE_EQ(S.Start, 0.1);
  EXPECT_DOUBLE_EQ(S.Stop, 1000);

  // Nothing positive at all: 0.01 .. 1.
  TFakeAxisSeries Negative(-5, -1, 0, 1);
  S.Series = {&Negative};
  S.EndRounding = TGvAxisEndRounding::RndNothing;
  S.RedoRange = true;
  ASSERT_TRUE(S.GetNewRanges());
  EXPECT_DOUBLE_EQ(S.Start, 0.01);
  EXPECT_DOUBLE_EQ(S.Stop, 1);

  // A positive data start is taken as it is, and the status clears.
  TFakeAxisSeries Positive(2, 50, 0, 1);
  S.Series = {&Positive};
  S.RedoRange = true;
  ASSERT_TRUE(S.GetNewRanges());
  EXPECT_DOUBLE_EQ(S.Start, 2);
  EXPECT_EQ(S.Status, TGvAxisRangeStatus::Ok);
}

// ---- Auto-range ----

TEST_F(AxisScale, AutoRangeFromTheVisibleSeries)
{
  TFakeAxisSeries A(1, 5, 10, 20), B(-2, 3, 0, 1), Hidden(-100, 100, -100, 100);
  Hidden.Visible = false;
  TGvAxisScale X = Make(TGvAxisPosition::Bottom, 150);
  X.Series = {&A, &B, &Hidden};
  X.RedoRange = true;
  ASSERT_TRUE(X.GetNewRanges());
  EXPECT_DOUBLE_EQ(X.ValuesStart, -2);
  EXPECT_DOUBLE_EQ(X.ValuesStop, 5);
  EXPECT_FALSE(X.RedoRange);
  // The range last set is the data's, unrounded: a new length rounds it again.
  EXPECT_DOUBLE_EQ(X.LastSetStart, -2);
  EXPECT_DOUBLE_EQ(X.LastSetStop, 5);
  EXPECT_LE(X.Start, -2);
  EXPECT_GE(X.Stop, 5);
  // Nothing changed: nothing to do.
  X.RedoRange = true;
  EXPECT_FALSE(X.GetNewRanges());

  TGvAxisScale Y = Make(TGvAxisPosition::Left, 150);
  Y.Series = {&A, &B};
  Y.EndRounding = TGvAxisEndRounding::RndNothing;
  Y.RedoRange = true;
  ASSERT_TRUE(Y.GetNewRanges());
  EXPECT_DOUBLE_EQ(Y.Start, 0);
  EXPECT_DOUBLE_EQ(Y.Stop, 20);

  // Without series: the initial range.
  TGvAxisScale Z = Make();
  Z.Start = 3, Z.Stop = 4;
  Z.RedoRange = true;
  ASSERT_TRUE(Z.GetNewRanges());
  EXPECT_DOUBLE_EQ(Z.Start, 0);
  EXPECT_DOUBLE_EQ(Z.Stop, 10);
}

TEST_F(AxisScale, EndModes)
{
  using E = TGvAxisEnd;
  struct TCase
  {
    E StartEnd, StopEnd;
    double Start, Stop, WantStart, WantStop;
  };
  // The data range is 2 .. 8.
  const TCase Cases[] = {
      {E::AutoRange, E::AutoRange, 0, 10, 2, 8}, {E::FirstSet, E::FirstSet, 0, 10, 0, 10},
      {E::FirstSet, E::FirstSet, 3, 7, 2, 8},    {E::Fixed, E::Fixed, 3, 7, 3, 7},
      {E::Fixed, E::AutoRange, 3, 7, 3, 8},      {E::AutoRange, E::FirstSet, 3, 9, 2, 9},
  };
  TFakeAxisSeries Data(2, 8, 2, 8);
  for (const TCase& C : Cases) {
    TGvAxisScale S = Make();
    S.StartEnd = C.StartEnd;
    S.StopEnd = C.StopEnd;
    S.EndRounding = TGvAxisEndRounding::RndNothing;
    S.Start = C.Start;
    S.Stop = C.Stop;
    S.Series = {&Data};
    S.RedoRange = true;
    S.GetNewRanges();
    EXPECT_DOUBLE_EQ(S.Start, C.WantStart) << int(C.StartEnd) << int(C.StopEnd);
    EXPECT_DOUBLE_EQ(S.Stop, C.WantStop) << int(C.StartEnd) << int(C.StopEnd);
  }
}

TEST_F(AxisScale, AutoRangeOverEqualAndNonFiniteData)
{
  struct TCase
  {
    double Start, Stop;
    double WantStart, WantStop;
    TGvAxisRangeStatus Status;
  };
  const TCase Cases[] = {
      {5, 5, 4, 6, TGvAxisRangeStatus::Ok},
      {cNaN, cNaN, 0, 10, TGvAxisRangeStatus::Ok}, // no range: the initial one
      {-cInf, 5, 4, 6, TGvAxisRangeStatus::NotFinite},
      {1, cInf, 0, 2, TGvAxisRangeStatus::NotFinite},
      {-cInf, cInf, 0, 10, TGvAxisRangeStatus::NotFinite},
  };
  for (const TCase& C : Cases) {
    TFakeAxisSeries Data(C.Start, C.Stop, 0, 1);
    TGvAxisScale S = Make();
    S.EndRounding = TGvAxisEndRounding::RndNothing;
    S.Series = {&Data};
    S.RedoRange = true;
    S.GetNewRanges();
    EXPECT_DOUBLE_EQ(S.Start, C.WantStart) << C.Start << " " << C.Stop;
    EXPECT_DOUBLE_EQ(S.Stop, C.WantStop) << C.Start << " " << C.Stop;
    EXPECT_EQ(S.Status, C.Status) << C.Start << " " << C.Stop;
  }
}

TEST_F(AxisScale, LeastPositiveValueIsAskedOnlyWhenNeeded)
{
  // A log axis with positive data never asks the series to search for it.
  TFakeAxisSeries Data(3, 300, 0, 1);
  TGvAxisScale S = Make();
  S.Scaling = TGvAxisScaling::Log;
  S.Series = {&Data};
  S.RedoRange = true;
  S.GetNewRanges();
  EXPECT_EQ(Data.LeastPositiveAsked, 0);
}

// ---- Moving slit ----

TEST_F(AxisScale, MovingSlitInClosedForm)
{
  // The loop the closed form replaces, for comparison.
  auto Loop = [](double I0, double I1, double W, double Inc, double V0, double V1, double& Start,
                 double& Stop) {
    if (W <= 0) W = I1 - I0;
    if (Inc > W || Inc <= 0) Inc = W / 3;
    int N = 0;
    while (I0 + W + N * Inc < V1) ++N;
    Stop = I0 + W + N * Inc;
    Start = Stop - W > V0 ? Stop - W : I0;
  };
  const double Cases[][6] = {
      {0, 10, 10, 5, 0, 23},      {0, 10, 10, 5, 0, 25},  {0, 10, 0, 0, 0, 100},
      {0, 10, 4, 9, 0, 37.5},     {5, 15, 10, 2.5, 7, 8}, {0, 10, 10, 5, 17, 18},
      {0, 1, 0.1, 0.03, 0, 0.97},
  };
  for (const auto& C : Cases) {
    double S1, E1, S2, E2;
    ASSERT_TRUE(MovingSlitRange(C[0], C[1], C[2], C[3], C[4], C[5], S1, E1));
    Loop(C[0], C[1], C[2], C[3], C[4], C[5], S2, E2);
    EXPECT_NEAR(S1, S2, 1e-9) << C[5];
    EXPECT_NEAR(E1, E2, 1e-9) << C[5];
  }
  // Epoch seconds with a 10 s window: 10^8 steps of the loop, here at once.
  double Start, Stop;
  ASSERT_TRUE(MovingSlitRange(0, 10, 10, 10, 1.7e9 - 1, 1.7e9 + 3, Start, Stop));
  EXPECT_DOUBLE_EQ(Stop, 1.7e9 + 10);
  EXPECT_DOUBLE_EQ(Start, 1.7e9);
  // An end that is not finite keeps the range.
  Start = 1, Stop = 2;
  EXPECT_FALSE(MovingSlitRange(0, 10, 10, 5, 0, cInf, Start, Stop));
  EXPECT_FALSE(MovingSlitRange(0, 10, 10, 5, 0, cNaN, Start, Stop));
  EXPECT_DOUBLE_EQ(Start, 1);
  EXPECT_DOUBLE_EQ(Stop, 2);

  // Through the auto-range.
  TFakeAxisSeries Data(0, 23, 0, 1);
  TGvAxisScale S = Make();
  S.StopEnd = TGvAxisEnd::MovingSlit;
  S.MovingSlitWidth = 10;
  S.MovingSlitIncrement = 5;
  S.EndRounding = TGvAxisEndRounding::RndNothing;
  S.Series = {&Data};
  S.RedoRange = true;
  ASSERT_TRUE(S.GetNewRanges());
  EXPECT_DOUBLE_EQ(S.Start, 15);
  EXPECT_DOUBLE_EQ(S.Stop, 25);
}

// ---- Slave axes ----

TEST_F(AxisScale, SlaveAxes)
{
  TGvAxisScale Master = Make(TGvAxisPosition::Bottom, 600);
  Master.Start = 0;
  Master.Stop = 100;
  Layout(Master);

  // Celsius to Fahrenheit: the exact transformed range, own partition.
  TGvAxisScale F = Make(TGvAxisPosition::Top, 600);
  F.IsSlaveAxis = true;
  F.SlaveOffset = 32;
  F.SlaveSlope = 1.8;
  F.TakeMaster(Master);
  EXPECT_DOUBLE_EQ(F.Start, 32);
  EXPECT_DOUBLE_EQ(F.Stop, 212);
  F.CalculateTicks();
  ASSERT_FALSE(F.Labels.empty());
  for (const TGvAxisLabelMark& M : F.Labels) {
    EXPECT_GE(M.Value, 32 - 1e-9);
    EXPECT_LE(M.Value, 212 + 1e-9);
    // Each value lies where the master has (value - 32) / 1.8.
    EXPECT_NEAR(F.NumberToWorld(M.Value), Master.NumberToWorld((M.Value - 32) / 1.8), 1e-3);
  }

  // A negative slope keeps the exact reversed range.
  TGvAxisScale R = Make(TGvAxisPosition::Top, 600);
  R.IsSlaveAxis = true;
  R.SlaveSlope = -1;
  R.TakeMaster(Master);
  EXPECT_DOUBLE_EQ(R.Start, 0);
  EXPECT_DOUBLE_EQ(R.Stop, -100);
  R.CalculateTicks();
  ASSERT_GE(R.Labels.size(), 2u);
  EXPECT_EQ(R.Labels.front().Text, "-100");
  EXPECT_EQ(R.Labels.back().Text, "0");
  EXPECT_FLOAT_EQ(R.NumberToWorld(-100), 600);
  EXPECT_FLOAT_EQ(R.Labels.front().Pixel, 600);

  // Slope 1, offset 0: the master's ends and parts.
  TGvAxisScale C = Make(TGvAxisPosition::Top, 600);
  C.IsSlaveAxis = true;
  C.TakeMaster(Master);
  C.CalculateTicks();
  EXPECT_EQ(Texts(C), Texts(Master));

  // Slope 0: a range of zero width stays sane.
  TGvAxisScale Z = Make(TGvAxisPosition::Top, 600);
  Z.SlaveSlope = 0;
  Z.SlaveOffset = 5;
  Z.TakeMaster(Master);
  Z.CalculateTicks();
  EXPECT_FLOAT_EQ(Z.NumberToWorld(5), 300);
  EXPECT_LE(Z.Ticks.size(), 1u);
}

// ---- Rubrics ----

TEST_F(AxisScale, RubricsStandBetweenTheTicks)
{
  TGvAxisScale S = Make(TGvAxisPosition::Bottom, 300);
  S.Scaling = TGvAxisScaling::Rubrics;
  S.Rubrics = {"Ar", "N2", "H2"};
  S.Start = 0;
  S.Stop = 3;
  Layout(S);
  EXPECT_EQ(Texts(S).join(u' '), "Ar N2 H2");
  ASSERT_EQ(S.Ticks.size(), 4u);
  EXPECT_FLOAT_EQ(S.Labels[0].Pixel, 50);
  EXPECT_FLOAT_EQ(S.Labels[2].Pixel, 250);
  for (const TGvAxisTick& T : S.Ticks) EXPECT_TRUE(T.Major && T.Grid);
}

// ---- Label placement ----

TEST_F(AxisScale, LabelPlacement)
{
  using P = TGvAxisPosition;
  struct TCase
  {
    P Position;
    double Angle, X, Y, H, V;
  };
  // A label 40 x 10 at the tick pixel 100 on the label line 20.
  const double S45 = std::sqrt(0.5);
  const double B45 = 50 * S45; // both extents at 45 degrees
  const double F45 = 10 * S45 * 0.8;
  const TCase Cases[] = {
      {P::Bottom, 0, 100, 25, 40, 10},
      {P::Top, 0, 100, 15, 40, 10},
      {P::Left, 0, 0, 100, 40, 10},
      {P::Right, 0, 40, 100, 40, 10},
      {P::Bottom, 90, 100, 40, 10, 40},
      {P::Bottom, 45, 100 + F45 - B45 / 2, 20 + B45 / 2, B45, B45},
      {P::Bottom, 135, 100 + B45 / 2 - F45, 20 + B45 / 2, B45, B45},
      {P::Left, 45, 20 - B45 / 2, 100 + B45 / 2 - F45, B45, B45},
  };
  for (const TCase& C : Cases) {
    const TGvLabelBox B = PlaceAxisLabel(C.Position, C.Angle, 10, 100, 20, 40, 10);
    EXPECT_NEAR(B.X, C.X, 1e-9) << int(C.Position) << " " << C.Angle;
    EXPECT_NEAR(B.Y, C.Y, 1e-9) << int(C.Position) << " " << C.Angle;
    EXPECT_NEAR(B.H, C.H, 1e-9);
    EXPECT_NEAR(B.V, C.V, 1e-9);
  }
}

TEST_F(AxisScale, LabelLengthEstimateAndAngle)
{
  TGvAxisScale S = Make();
  S.FontSize = 10;
  EXPECT_DOUBLE_EQ(S.ApproxLen("100", 100), 48);
  S.Position = TGvAxisPosition::Left;
  EXPECT_DOUBLE_EQ(S.ApproxLen("100", 100), 25);
  S.SetRubricsAngle(-270);
  EXPECT_DOUBLE_EQ(S.RubricsAngle(), 90);
  EXPECT_NEAR(S.ApproxLen("100", 100), 48, 1e-9);
  S.SetRubricsAngle(725);
  EXPECT_DOUBLE_EQ(S.RubricsAngle(), 5);
  EXPECT_TRUE(S.LabelsRotated());
  S.SetRubricsAngle(180);
  EXPECT_FALSE(S.LabelsRotated());
  // The label event changes what is measured and shown.
  S.OnGetScaleLabel = [](double, QString& Caption) { Caption += QStringLiteral(" m"); };
  EXPECT_EQ(S.ScaleLabel("5", 5), "5 m");
}

// ---- Zoom history and scrolling ----

TEST_F(AxisScale, ZoomHistory)
{
  TGvZoomStore Starts, Stops;
  TGvZoomHistory<TGvZoomStore> Z(Starts, Stops);
  // Empty: back and redo do nothing.
  EXPECT_EQ(Z.Back(), -1);
  EXPECT_EQ(Z.Redo(), -1);
  EXPECT_EQ(Z.ToStage(0), -1);
  Z.ZoomIn(0, 100, 10, 50);
  Z.ZoomIn(10, 50, 20, 30);
  EXPECT_EQ(Z.Count(), 3);
  EXPECT_EQ(Z.Index, 2);
  EXPECT_EQ(Z.Back(), 1);
  EXPECT_EQ(Z.Back(), 0);
  EXPECT_DOUBLE_EQ(Z.StartAt(0), 0);
  EXPECT_DOUBLE_EQ(Z.StopAt(0), 100);
  EXPECT_EQ(Z.Back(), 2); // wraps to the last stage
  EXPECT_EQ(Z.Redo(), 0); // and past the last to the first
  // Zooming from an earlier stage drops the later ones.
  EXPECT_EQ(Z.Redo(), 1);
  Z.ZoomIn(10, 50, 40, 45);
  EXPECT_EQ(Z.Count(), 3);
  EXPECT_DOUBLE_EQ(Z.StartAt(2), 40);
  Z.Clear();
  EXPECT_FALSE(Z.Zoomed());
  EXPECT_EQ(Z.Index, 0);
}

TEST_F(AxisScale, ScrollArithmetic)
{
  TGvAxisScale S = Make();
  S.Start = 20;
  S.Stop = 30;
  EXPECT_EQ(S.ScrollRangeSize(20, 30, 0, 100), 1000);
  EXPECT_EQ(S.ScrollPosition(20, 0, 100), 2000);
  EXPECT_EQ(S.ScrollPosition(-50, 0, 100), -5000);
  EXPECT_EQ(S.ScrollRangeSize(-1000, 1000, 0, 100), 10000);
  // No scroll range: the shown range.
  EXPECT_EQ(S.ScrollRangeSize(20, 25, 0, 0), 5000);
  S.Stop = 20;
  EXPECT_EQ(S.ScrollRangeSize(20, 25, 0, 0), 10000);

  S.Scaling = TGvAxisScaling::Log;
  S.Start = 10;
  S.Stop = 100;
  S.CalculateTicks();
  EXPECT_EQ(S.ScrollRangeSize(10, 100, 1, 10000), 2500);

  TGvAxisScale C = Make();
  C.Start = 0, C.Stop = 10;
  C.ValuesStart = -1, C.ValuesStop = 5;
  EXPECT_TRUE(C.IsClipped(true));
  EXPECT_FALSE(C.IsClipped(false));
  C.ValuesStart = 0;
  EXPECT_FALSE(C.IsClipped(true));
  C.RedoRange = true;
  C.ValuesStart = -1;
  EXPECT_FALSE(C.IsClipped(true));
}

} // namespace
