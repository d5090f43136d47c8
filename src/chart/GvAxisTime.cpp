#include "chart/GvAxisTime.h"

#include "chart/GvMath.h"
#include "controls/GvStringFunctions.h"

#include <QDate>
#include <algorithm>
#include <cmath>

namespace {

bool IsLetter(QChar C)
{
  return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
}

double ClampDate(double Value)
{
  return ClampFinite(Value, cGvAxisMinDateTime, cGvAxisMaxDateTime);
}

} // namespace

// ---------------------------------------------------------------------------
// Label formats
// ---------------------------------------------------------------------------

QString ShortenDatePattern(const QString& Pattern)
{
  QString Out;
  const int N = int(Pattern.size());
  int I = 0;
  while (I < N) {
    const QChar C = Pattern[I];
    if (C == u'\'' || C == u'"') {
      int End = int(Pattern.indexOf(C, I + 1));
      End = End < 0 ? N : End + 1;
      Out += Pattern.mid(I, End - I);
      I = End;
      continue;
    }
    int Run = 1;
    while (I + Run < N && Pattern[I + Run].toLower() == C.toLower()) ++Run;
    const QChar L = C.toLower();
    if (L == u'y' && Run == 4)
      Out += QString(2, C);
    else if ((L == u'd' || L == u'm') && Run == 2)
      Out += C;
    else
      Out += Pattern.mid(I, Run);
    I += Run;
  }
  return Out;
}

QString RemoveSecondsFromPattern(const QString& Pattern)
{
  // Find the seconds run outside quotes.
  const int N = int(Pattern.size());
  int Begin = -1, End = -1;
  QChar Quote;
  for (int I = 0; I < N; ++I) {
    const QChar C = Pattern[I];
    if (!Quote.isNull()) {
      if (C == Quote) Quote = QChar();
    } else if (C == u'\'' || C == u'"') {
      Quote = C;
    } else if (C.toLower() == u's') {
      Begin = I;
      End = I;
      while (End < N && Pattern[End].toLower() == u's') ++End;
      break;
    }
  }
  if (Begin < 0) return Pattern;
  // A fraction of a second after it goes too (".zzz").
  int After = End;
  while (After < N && !IsLetter(Pattern[After]) && Pattern[After] != u' ' &&
         Pattern[After] != u'\'' && Pattern[After] != u'"')
    ++After;
  if (After > End && After < N && Pattern[After].toLower() == u'z') {
    End = After;
    while (End < N && Pattern[End].toLower() == u'z') ++End;
  }
  // The separator before it.
  while (Begin > 0 && !IsLetter(Pattern[Begin - 1]) && Pattern[Begin - 1] != u' ' &&
         Pattern[Begin - 1] != u'\'' && Pattern[Begin - 1] != u'"')
    --Begin;
  QString Out = Pattern;
  Out.remove(Begin, End - Begin);
  return Out;
}

TGvDateTimeFormats TGvDateTimeFormats::Defaults()
{
  const TFormatSettings& FS = FormatSettings();
  TGvDateTimeFormats F;
  F.ShortMonthFormat = QStringLiteral("MMM yy");
  F.LongMonthFormat = QStringLiteral("MMMM yyyy");
  F.DayFormat = ShortenDatePattern(FS.ShortDateFormat);
  F.MinuteFormat = RemoveSecondsFromPattern(FS.LongTimeFormat);
  F.DayAndHourFormat = F.DayFormat + u' ' + F.MinuteFormat;
  F.SecondFormat = FS.LongTimeFormat;
  F.MilliSecondFormat = QStringLiteral("s") + FS.DecimalSeparator + QStringLiteral("fff");
  return F;
}

// ---------------------------------------------------------------------------
// Calendar helpers
// ---------------------------------------------------------------------------

TGvDateParts DecodeDateParts(double Value)
{
  TGvDateParts D;
  DecodeDateTime(ClampDate(Value), D.Year, D.Month, D.Day, D.Hour, D.Minute, D.Second,
                 D.MilliSecond);
  const QDate Date(D.Year, D.Month, D.Day);
  D.DayOfYear = Date.dayOfYear();
  D.DayOfWeek = Date.dayOfWeek() % 7 + 1; // Qt: Monday 1 .. Sunday 7
  return D;
}

int DaysInMonth(int Year, int Month)
{
  return QDate(Year, Month, 1).daysInMonth();
}

double IncMonth(double Value, int Months)
{
  if (Months == 0) return Value;
  const TGvDateParts D = DecodeDateParts(Value);
  long long Index = (long long)D.Year * 12 + (D.Month - 1) + Months;
  Index = std::clamp<long long>(Index, 12, 9999LL * 12 + 11);
  const int Year = int(Index / 12);
  const int Month = int(Index % 12) + 1;
  const int Day = std::min(D.Day, DaysInMonth(Year, Month));
  return EncodeDateTime(Year, Month, Day, D.Hour, D.Minute, D.Second, D.MilliSecond);
}

double DateTimeToLinear(double Value)
{
  const double Whole = std::trunc(Value);
  return Whole + std::fabs(Value - Whole);
}

double DateTimeFromLinear(double Linear)
{
  const double Day = std::floor(Linear);
  const double Fraction = Linear - Day;
  return Day >= 0 ? Day + Fraction : Day - Fraction;
}

// ---------------------------------------------------------------------------
// Date/time partition
// ---------------------------------------------------------------------------

double DtRegionScrollDays(TGvDtRegion Region)
{
  switch (Region) {
  case TGvDtRegion::Year:
    return 365;
  case TGvDtRegion::Month:
    return 28;
  case TGvDtRegion::Day:
    return 0.99;
  case TGvDtRegion::Hour:
    return 1.0 / 24;
  case TGvDtRegion::Minute:
    return 1.0 / 1440;
  case TGvDtRegion::Second:
    return 1.0 / 86400;
  case TGvDtRegion::MilliSecond:
    return 1.0 / 86400000;
  }
  return 1;
}

double DtMajorScrollDays(const TGvDtParameters& P)
{
  if (P.MajorRgn == TGvDtRegion::Day && P.MajorMod == 7) return 7;
  if (P.MajorRgn == TGvDtRegion::Month && P.MinorRgn == TGvDtRegion::Day) return 28;
  return std::max(1, P.MajorMod) * DtRegionScrollDays(P.MinorRgn);
}

namespace {

enum class TQuantity
{
  MilliSeconds,
  Seconds,
  Minutes,
  Hours,
  Days,
  Months,
  Years,
  None
};

enum class TFormatChange
{
  Keep,
  MilliSecond,
  Second,
  MinuteOrDayAndHour,
  DayAndHour,
  Day,
  LongMonth, // w from "February 9999"
  ShortMonth,
  YearNumber, // format kept, w from the year of Stop
};

struct TDtCandidate
{
  int MajorRgn; // -1: keep
  int MinorRgn; // -1: keep
  int Increment, MajorMod, LabelMod;
  TFormatChange Format;
  TQuantity Quantity;
  double Divisor;
};

constexpr int K = -1;
using R = TGvDtRegion;
using F = TFormatChange;
using Q = TQuantity;
constexpr int Ms = int(R::MilliSecond), Sec = int(R::Second), Min = int(R::Minute),
              Hr = int(R::Hour), Dy = int(R::Day), Mo = int(R::Month), Yr = int(R::Year);

// The candidates, finest first.
constexpr TDtCandidate cDtCandidates[] = {
    {Ms, Ms, 1, 5, 5, F::MilliSecond, Q::MilliSeconds, 5},
    {K, K, 1, 5, 10, F::Keep, Q::MilliSeconds, 10},
    {K, K, 2, 10, 20, F::Keep, Q::MilliSeconds, 20},
    {K, K, 5, 20, 50, F::Keep, Q::MilliSeconds, 50},
    {K, K, 10, 50, 100, F::Keep, Q::MilliSeconds, 100},
    {K, K, 20, 200, 200, F::Keep, Q::MilliSeconds, 200},
    {K, K, 50, 200, 500, F::Keep, Q::MilliSeconds, 500},
    {Sec, Ms, 100, 500, 1000, F::Second, Q::Seconds, 1},
    {K, K, 100, 1000, 2000, F::Keep, Q::Seconds, 2},
    {K, K, 500, 2500, 5000, F::Keep, Q::Seconds, 5},
    {Sec, Sec, 1, 5, 10, F::Keep, Q::Seconds, 10},
    {K, K, 1, 10, 20, F::Keep, Q::Seconds, 20},
    {K, K, 2, 10, 30, F::Keep, Q::Seconds, 30},
    {Min, Sec, 5, 30, 60, F::MinuteOrDayAndHour, Q::Seconds, 60},
    {K, K, 10, 60, 120, F::Keep, Q::Seconds, 120},
    {K, K, 30, 300, 300, F::Keep, Q::Seconds, 300},
    {Min, Min, 1, 5, 10, F::Keep, Q::Minutes, 10},
    {K, K, 1, 5, 15, F::Keep, Q::Minutes, 15},
    {K, K, 5, 15, 30, F::Keep, Q::Minutes, 30},
    {K, K, 5, 15, 60, F::Keep, Q::Minutes, 60},
    {K, K, 15, 60, 180, F::Keep, Q::Minutes, 180},
    {Hr, Hr, 1, 3, 6, F::Keep, Q::Hours, 6},
    {K, K, 1, 6, 12, F::DayAndHour, Q::Hours, 12},
    {K, K, 3, 12, 24, F::Day, Q::Hours, 24},
    {K, K, 6, 24, 48, F::Keep, Q::Hours, 48},
    {Dy, Dy, 1, 7, 1, F::Keep, Q::Days, 7},
    {K, K, 1, 7, 2, F::Keep, Q::Days, 14},
    {Mo, Dy, 1, 1, 1, F::LongMonth, Q::Months, 1},
    {K, K, 1, 1, 1, F::ShortMonth, Q::Months, 1},
    {Mo, Mo, 1, 3, 3, F::Keep, Q::Months, 3},
    {K, K, 1, 3, 6, F::Keep, Q::Months, 6},
    {Yr, Mo, 1, 12, 1, F::YearNumber, Q::Months, 12},
    {K, K, 3, 12, 2, F::Keep, Q::Months, 24},
    {Yr, Yr, 1, 5, 5, F::Keep, Q::Years, 5},
    {K, K, 1, 5, 10, F::Keep, Q::Years, 10},
    {K, K, 2, 10, 20, F::Keep, Q::Years, 20},
    {K, K, 5, 25, 25, F::Keep, Q::Years, 25},
    {K, K, 5, 25, 50, F::Keep, Q::Years, 50},
    {K, K, 10, 50, 100, F::Keep, Q::Years, 100},
    {K, K, 25, 100, 200, F::Keep, Q::Years, 200},
    {K, K, 50, 250, 500, F::Keep, Q::Years, 500},
    {K, K, 100, 500, 1000, F::Keep, Q::Years, 1000},
    {K, K, 100, 1000, 2000, F::Keep, Q::None, 1},
};

} // namespace

TGvDtParameters GetDtParameters(double Start, double Stop, double L, double LabelDistanceFactor,
                                const TGvDateTimeFormats& Formats,
                                const TGvLabelLengthFn& ApproxLen)
{
  Start = ClampDate(Start);
  Stop = ClampDate(Stop);
  if (Start > Stop) std::swap(Start, Stop);
  const double Span = DateTimeSpan(Start, Stop);
  const double Quantities[] = {TotalMilliSeconds(Span),
                               TotalSeconds(Span),
                               TotalMinutes(Span),
                               TotalHours(Span),
                               Span,
                               Span / 30.5,
                               Span / 365};
  if (!std::isfinite(L)) L = 0;
  auto Length = [&](const QString& Text) {
    const double W = ApproxLen ? ApproxLen(Text, Stop) : 0;
    return std::isfinite(W) ? W : 0.0;
  };

  TGvDtParameters P;
  double W = 0;
  for (const TDtCandidate& C : cDtCandidates) {
    if (C.MajorRgn != K) P.MajorRgn = TGvDtRegion(C.MajorRgn);
    if (C.MinorRgn != K) P.MinorRgn = TGvDtRegion(C.MinorRgn);
    P.Increment = C.Increment;
    P.MajorMod = C.MajorMod;
    P.LabelMod = C.LabelMod;
    auto SetFormat = [&](const QString& Format) {
      P.Format = Format;
      W = Length(MyDateTimeToString(Format, Stop));
    };
    switch (C.Format) {
    case F::Keep:
      break;
    case F::MilliSecond:
      SetFormat(Formats.MilliSecondFormat);
      break;
    case F::Second:
      SetFormat(Formats.SecondFormat);
      break;
    case F::MinuteOrDayAndHour:
      SetFormat(Span <= 1 ? Formats.MinuteFormat : Formats.DayAndHourFormat);
      break;
    case F::DayAndHour:
      SetFormat(Formats.DayAndHourFormat);
      break;
    case F::Day:
      SetFormat(Formats.DayFormat);
      break;
    case F::LongMonth:
      P.Format = Formats.LongMonthFormat;
      W = 1.5 * Length(QStringLiteral("February 9999"));
      break;
    case F::ShortMonth:
      SetFormat(Formats.ShortMonthFormat);
      break;
    case F::YearNumber:
      W = Length(QString::number(DecodeDateParts(Stop).Year));
      break;
    }
    if (C.Quantity == Q::None) break; // the last row stands without a test
    const double N = Quantities[int(C.Quantity)] / C.Divisor;
    if (N >= 1000) continue;
    const double Whole = std::trunc(N + 0.5);
    if ((Whole + 1) * W * 0.48 + Whole * 120 * LabelDistanceFactor > L) continue;
    break;
  }
  return P;
}

namespace {

// step - (q mod step) when q is not a multiple of step, else 0.
int64_t UpBy(int64_t Q, int64_t Step)
{
  const int64_t R = Q % Step;
  return R != 0 ? Step - R : 0;
}

int64_t SecondOfYear(const TGvDateParts& D)
{
  return ((int64_t(D.DayOfYear - 1) * 24 + D.Hour) * 60 + D.Minute) * 60 + D.Second;
}

} // namespace

int64_t DtCounter(TGvDtRegion MinorRgn, const TGvDateParts& D)
{
  switch (MinorRgn) {
  case TGvDtRegion::Year:
    return D.Year;
  case TGvDtRegion::Month:
    return int64_t(D.Year) * 12 + D.Month - 1;
  case TGvDtRegion::Day:
    return D.Day - 1;
  case TGvDtRegion::Hour:
    return int64_t(D.DayOfYear - 1) * 24 + D.Hour;
  case TGvDtRegion::Minute:
    return (int64_t(D.DayOfYear - 1) * 24 + D.Hour) * 60 + D.Minute;
  case TGvDtRegion::Second:
    return SecondOfYear(D);
  case TGvDtRegion::MilliSecond:
    return SecondOfYear(D) * 1000 + D.MilliSecond;
  }
  return 0;
}

double DtNextTick(const TGvDtParameters& P, double X)
{
  const int Inc = std::max(1, P.Increment);
  switch (P.MinorRgn) {
  case TGvDtRegion::Year:
    return IncMonth(X, 12 * Inc);
  case TGvDtRegion::Month:
    return IncMonth(X, Inc);
  case TGvDtRegion::Day:
    return MyIncHours(X, 24LL * Inc);
  case TGvDtRegion::Hour:
    return MyIncHours(X, Inc);
  case TGvDtRegion::Minute:
    return MyIncMinutes(X, Inc);
  case TGvDtRegion::Second:
    return MyIncSeconds(X, Inc);
  case TGvDtRegion::MilliSecond:
    return MyIncMilliSeconds(X, Inc);
  }
  return X;
}

double DateTimeRound(const TGvDtParameters& P, bool Up, bool Major, double Value)
{
  double V = ClampDate(Value);
  TGvDateParts D = DecodeDateParts(V);
  const TGvDtRegion Minor = P.MinorRgn;

  // Clear the fields finer than the minor region, finest first.
  if (Minor < TGvDtRegion::MilliSecond && D.MilliSecond != 0) {
    V = MyIncMilliSeconds(V, Up ? 1000 - D.MilliSecond : -D.MilliSecond);
    D = DecodeDateParts(V);
  }
  if (Minor < TGvDtRegion::Second && D.Second != 0) {
    V = MyIncSeconds(V, Up ? 60 - D.Second : -D.Second);
    D = DecodeDateParts(V);
  }
  if (Minor < TGvDtRegion::Minute && D.Minute != 0) {
    V = MyIncMinutes(V, Up ? 60 - D.Minute : -D.Minute);
    D = DecodeDateParts(V);
  }
  if (Minor < TGvDtRegion::Hour && D.Hour != 0) {
    V = MyIncHours(V, Up ? 24 - D.Hour : -D.Hour);
    D = DecodeDateParts(V);
  }
  if (Minor < TGvDtRegion::Day && D.Day > 1) {
    const int Days = Up ? DaysInMonth(D.Year, D.Month) - D.Day + 1 : 1 - D.Day;
    V = MyIncHours(V, 24LL * Days);
    D = DecodeDateParts(V);
  }
  if (Minor == TGvDtRegion::Year && D.Month > 1) {
    V = IncMonth(V, Up ? 13 - D.Month : 1 - D.Month);
    D = DecodeDateParts(V);
  }

  // Align to the step.
  if (Major && P.MajorRgn == TGvDtRegion::Month && Minor == TGvDtRegion::Day) {
    if (D.Day > 1) {
      V = EncodeDateTime(D.Year, D.Month, 1, D.Hour, D.Minute, D.Second, D.MilliSecond);
      if (Up) V = IncMonth(V, 1);
    }
  } else if (Major && P.MajorRgn == TGvDtRegion::Year && Minor == TGvDtRegion::Month) {
    if (D.Month > 1) V = IncMonth(V, Up ? 13 - D.Month : 1 - D.Month);
  } else {
    const int64_t Step = Major ? P.MajorMod : std::max(1, P.Increment);
    if (Step > 1) {
      switch (Minor) {
      case TGvDtRegion::Year:
        if (Up) {
          if (D.Year < 9999 - Step) V = IncMonth(V, int(12 * UpBy(D.Year, Step)));
        } else if (Step < D.Year) {
          V = IncMonth(V, int(-12 * (D.Year % Step)));
        }
        break;
      case TGvDtRegion::Month:
        V = IncMonth(V, int(Up ? UpBy(D.Month - 1, Step) : -((D.Month - 1) % Step)));
        break;
      case TGvDtRegion::Day:
        if (Step == 7) {
          if (D.DayOfWeek >= 2) V = MyIncHours(V, 24LL * (Up ? 8 - D.DayOfWeek : 1 - D.DayOfWeek));
        } else {
          V = MyIncHours(V, 24 * (Up ? UpBy(D.Day - 1, Step) : -((D.Day - 1) % Step)));
        }
        break;
      case TGvDtRegion::Hour:
        V = MyIncHours(V, Up ? UpBy(D.Hour, Step) : -(D.Hour % Step));
        break;
      case TGvDtRegion::Minute:
        V = MyIncMinutes(V, Up ? UpBy(D.Minute, Step) : -(D.Minute % Step));
        break;
      case TGvDtRegion::Second: {
        const int64_t Q = SecondOfYear(D);
        V = MyIncSeconds(V, Up ? UpBy(Q, Step) : -(Q % Step));
        break;
      }
      case TGvDtRegion::MilliSecond: {
        // Counted within the year, as the ticks count them: a major step of
        // 2500 ms does not divide a second.
        const int64_t Q = DtCounter(TGvDtRegion::MilliSecond, D);
        V = MyIncMilliSeconds(V, Up ? UpBy(Q, Step) : -(Q % Step));
        break;
      }
      }
    }
  }
  return ClampDate(V);
}

QString CutMilliSecondZeros(QString Text)
{
  for (int I = 0; I < 2 && Text.endsWith(u'0'); ++I) Text.chop(1);
  return Text;
}

// ---------------------------------------------------------------------------
// Seconds partition
// ---------------------------------------------------------------------------

double SecRegionSeconds(TGvDtRegion Rgn)
{
  switch (Rgn) {
  case TGvDtRegion::Day:
    return 86400;
  case TGvDtRegion::Hour:
    return 3600;
  case TGvDtRegion::Minute:
    return 60;
  default:
    return 1;
  }
}

TGvSecondsFormatRange SecondsLabelFormat(double Start, double Stop)
{
  const double Larger = std::max(std::fabs(Start), std::fabs(Stop));
  if (Larger >= 86400) return TGvSecondsFormatRange::Day;
  if (Larger >= 3600) return TGvSecondsFormatRange::Hour;
  if (Larger >= 60) return TGvSecondsFormatRange::Minute;
  return TGvSecondsFormatRange::Second;
}

namespace {

// One step of a sequence: the factor f and the divisors of the label part
// that give the major and the minor part.
struct TSecStep
{
  double F, Q, U;
};

struct TSecSequence
{
  const TSecStep* First; // the first cycle
  int FirstCount;
  const TSecStep* Cycle; // every further cycle
  int CycleCount;
};

constexpr TSecStep cDecimal1[] = {{1, 2, 10}, {0.5, 1, 5}, {0.2, 2, 10}};
constexpr TSecStep cDecimalHours[] = {{1, 2, 10}, {0.5, 1, 5}, {0.2, 2, 8}};
constexpr TSecStep cDecimalDays[] = {{1, 2, 8}, {0.5, 1, 8}, {0.2, 2, 24}};
constexpr TSecStep cDays4[] = {{1, 2, 8}, {0.4, 2, 8}, {0.2, 2, 8}};
constexpr TSecStep cHours24[] = {{2.4, 2, 24}, {1.2, 2, 12}, {0.6, 2, 12}, {0.3, 3, 18}};
constexpr TSecStep cSeconds60[] = {{0.6, 2, 12}, {0.3, 2, 6}, {0.15, 3, 15}};
constexpr TSecStep cMinutes60First[] = {{0.6, 2, 12}, {0.3, 2, 6}, {0.15, 3, 15}};
constexpr TSecStep cMinutes60[] = {{1, 2, 10}, {0.5, 2, 10}, {0.3, 2, 6}, {0.15, 3, 15}};

template <int N> constexpr TSecSequence Same(const TSecStep (&S)[N])
{
  return {S, N, S, N};
}

// The smallest factor that the refinement uses in place of a label distance
// factor at or below 0.
constexpr double cMinLabelDistanceFactor = 0.01;
// At most this many candidates are tried (about 20 decades).
constexpr int cMaxCandidates = 64;

} // namespace

TGvSecPartition GetSecParameters(double Start, double Stop, double L, double LabelDistanceFactor,
                                 const TGvLabelLengthFn& ApproxLen)
{
  TGvSecPartition R;
  if (Start > Stop) std::swap(Start, Stop);
  const double S = Stop - Start;
  const double Minutes = S / 60, Hours = Minutes / 60, Days = Hours / 24;
  R.RangeExponent = Real10thExponent(S);

  TGvDtRegion Rgn;
  double M;
  int Exponent;
  TSecSequence Seq;
  if (Days > 20) {
    Rgn = TGvDtRegion::Day, M = Days, Exponent = Real10thExponent(Days), Seq = Same(cDecimal1);
  } else if (Days > 7) {
    Rgn = TGvDtRegion::Day, M = Days, Exponent = Real10thExponent(Days), Seq = Same(cDays4);
  } else if (Days > 3) {
    Rgn = TGvDtRegion::Day, M = Days, Exponent = Real10thExponent(Days), Seq = Same(cDecimalDays);
  } else if (Hours > 10) {
    Rgn = TGvDtRegion::Hour, M = Hours, Exponent = Real10thExponent(Hours), Seq = Same(cHours24);
  } else if (Hours > 3) {
    Rgn = TGvDtRegion::Hour, M = Hours, Exponent = Real10thExponent(Hours),
    Seq = Same(cDecimalHours);
  } else if (Minutes > 50) {
    Rgn = TGvDtRegion::Minute, M = Minutes, Exponent = Real10thExponent(Minutes),
    Seq = {cMinutes60First, 3, cMinutes60, 4};
  } else if (Minutes > 3) {
    Rgn = TGvDtRegion::Minute, M = Minutes, Exponent = Real10thExponent(Minutes),
    Seq = Same(cDecimal1);
  } else if (S >= 60) {
    Rgn = TGvDtRegion::Second, M = S, Exponent = R.RangeExponent, Seq = Same(cSeconds60);
  } else {
    Rgn = TGvDtRegion::Second, M = S, Exponent = R.RangeExponent, Seq = Same(cDecimal1);
  }
  R.Params.Rgn = Rgn;
  R.Params.Exponent = Exponent;
  R.Params.Format = SecondsLabelFormat(Start, Stop);

  auto Length = [&](double V) {
    const double W = ApproxLen ? ApproxLen(SecondsToString(V, R.Params.Format), V) : 0;
    return std::isfinite(W) ? W : 0.0;
  };
  const double W = std::max(1.0, 1.4 * std::max(Length(Start), Length(Stop)));
  const double Factor = LabelDistanceFactor > 0 ? LabelDistanceFactor : cMinLabelDistanceFactor;
  if (!std::isfinite(L) || L < 0) L = 0;

  const double Unit = Power10(Exponent);
  const double K = M / Unit;
  // A label step below this many units of 10^Exponent is less than a pixel.
  const double PixelParts = L > 0 ? K / L : K;

  double E = 10;
  bool InFirst = true;
  int Index = 0;
  const TSecStep* Step = &Seq.First[0];
  for (int Tries = 0; Tries < cMaxCandidates; ++Tries) {
    const double N = K / (Step->F * E);
    const double Whole = std::trunc(N + 0.5);
    const bool Fits = Whole * W + (Whole - 1) * 70 * Factor < L;
    if (!Fits) break;
    // The next finer step of the sequence.
    const TSecStep* Next;
    double NextE = E;
    bool NextInFirst = InFirst;
    int NextIndex = Index + 1;
    const int Count = InFirst ? Seq.FirstCount : Seq.CycleCount;
    if (NextIndex >= Count) {
      NextIndex = 0;
      NextE = E / 10;
      NextInFirst = false;
    }
    Next = NextInFirst ? &Seq.First[NextIndex] : &Seq.Cycle[NextIndex];
    if (Next->F * NextE < PixelParts || !(S > 0)) break;
    Step = Next, E = NextE, InFirst = NextInFirst, Index = NextIndex;
  }
  R.LabelPart = Step->F * E;
  R.MajorTickPart = R.LabelPart / Step->Q;
  R.TickPart = R.LabelPart / Step->U;
  return R;
}

double SecondsRound(double Value, double Step, int Exponent, TGvDtRegion Rgn, bool Up)
{
  const double Unit = SecRegionSeconds(Rgn);
  const double V = Value / Unit;
  return (Up ? RoundUp(Exponent, Step, V) : RoundDown(Exponent, Step, V)) * Unit;
}
