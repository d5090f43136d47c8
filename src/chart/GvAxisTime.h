// The calendar and duration arithmetic of the time axes: the partition of a
// seconds axis (durations in seconds) and of a date/time axis (date-times in
// days), the rounding of values to their steps, the tick counters, and the
// label formats. Plain functions over plain data; the axis (GvAxisScale) calls
// them from its end rounding and its tick generation.
//
// Every calendar step goes through the date-time helpers of GvDateTime
// (MyIncHours and its kin, IncMonth below), never through x + n/24: before
// 1899-12-30 a date-time is not linear in time.
#pragma once

#include "controls/GvDateTime.h"

#include <QString>
#include <cstdint>
#include <functional>

// The units of the time partitions (stored 0 to 6).
enum class TGvDtRegion
{
  Year,
  Month,
  Day,
  Hour,
  Minute,
  Second,
  MilliSecond
};

// The date-times a date/time axis shows: the years 100 to 9999.
constexpr double cGvAxisMinDateTime = -657434.0;
constexpr double cGvAxisMaxDateTime = 2958465.99999;

// The partition of a date/time axis. It starts at the one-day row of the
// candidate table (daily ticks, weekly majors, every Sunday labelled), so an
// axis that never computed a partition (automatic partition off, or read from
// a saved form, which does not store it) still advances its ticks.
struct TGvDtParameters
{
  TGvDtRegion MajorRgn = TGvDtRegion::Day;
  TGvDtRegion MinorRgn = TGvDtRegion::Day;
  int32_t Increment = 1; // tick step in MinorRgn units
  int32_t MajorMod = 7;  // a tick is major when its counter is a multiple
  int32_t LabelMod = 1;  // a major tick is labelled when its counter is a multiple
  QString Format;        // one of the label formats below; empty: the day format
  bool operator==(const TGvDtParameters&) const = default;
};

// The partition of a seconds axis: the label, major and minor parts count in
// units of 10^Exponent of Rgn (Day, Hour, Minute or Second); the labels are
// written with SecondsToString in Format.
struct TGvSecParameters
{
  TGvDtRegion Rgn = TGvDtRegion::Second;
  int32_t Exponent = 0;
  TGvSecondsFormatRange Format = TGvSecondsFormatRange::Second;
  bool operator==(const TGvSecParameters&) const = default;
};

// The seven label formats of a date/time axis (patterns of MyDateTimeToString).
struct TGvDateTimeFormats
{
  QString ShortMonthFormat;
  QString LongMonthFormat;
  QString DayFormat;
  QString DayAndHourFormat;
  QString MinuteFormat;
  QString SecondFormat;
  QString MilliSecondFormat;

  // The defaults, from the process-wide locale settings: short month
  // "MMM yy", long month "MMMM yyyy", day = the short date pattern with
  // "yyyy" made "yy", "dd" made "d" and "MM" made "M", minute = the long time
  // pattern without its seconds, day-and-hour = day + " " + minute, second =
  // the long time pattern, millisecond = "s" + decimal separator + "fff".
  static TGvDateTimeFormats Defaults();
};

// The short date pattern shortened for axis labels. Date patterns are not
// case-sensitive ("MM" and "mm" are both months): runs of exactly four y
// become two, runs of exactly two d or m become one, whatever their case;
// quoted text is kept.
QString ShortenDatePattern(const QString& Pattern);
// A time pattern without its seconds field (any case) and the separator
// before it, and without a fraction of a second that follows it.
QString RemoveSecondsFromPattern(const QString& Pattern);

// ---- Calendar helpers ----

// A date-time split into its fields (the time of day rounded to whole
// milliseconds, as DecodeDateTime does). DayOfWeek counts Sunday as 1.
struct TGvDateParts
{
  int Year = 1899, Month = 12, Day = 30, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
  int DayOfYear = 1;
  int DayOfWeek = 1;
};
TGvDateParts DecodeDateParts(double Value);
int DaysInMonth(int Year, int Month);
// Value plus Months whole months: the day is clamped to the length of the
// target month (31 January + 1 month = the last day of February), the time
// of day is kept. The year stays within 1 .. 9999.
double IncMonth(double Value, int Months);
// The date-time as a linear count of days (equal steps of time are equal
// steps of the count also before 1899-12-30), and back.
double DateTimeToLinear(double Value);
double DateTimeFromLinear(double Linear);

// ---- Partitions ----

// How long an approximate label is along the axis, in pixels (the axis'
// ApproxLen: the label's text first passes the axis' label event).
using TGvLabelLengthFn = std::function<double(const QString& Caption, double Value)>;

// The length of one unit of a region in days, as used for the minor scroll
// increment: Year 365, Month 28, Day 0.99, Hour 1/24, Minute 1/1440, Second
// 1/86400, MilliSecond 1/86400000 (slightly short months and days, so that a
// scroll step never jumps a unit).
double DtRegionScrollDays(TGvDtRegion Region);
// The length of one major interval of the partition in days, for the scroll
// bars: weekly majors 7 days, monthly majors (MajorRgn Month over days) 28,
// otherwise MajorMod units of the minor region (DtRegionScrollDays).
double DtMajorScrollDays(const TGvDtParameters& P);

// The automatic partition of a date/time axis over Start .. Stop (days), for
// an axis L pixels long: the first of the 43 candidates whose labels fit, the
// last one when none does.
TGvDtParameters GetDtParameters(double Start, double Stop, double L, double LabelDistanceFactor,
                                const TGvDateTimeFormats& Formats,
                                const TGvLabelLengthFn& ApproxLen);

// Value (a date-time) rounded up or down to the partition's minor step
// (Major false) or major step (Major true). Increments below 1 count as 1.
double DateTimeRound(const TGvDtParameters& P, bool Up, bool Major, double Value);

// The tick counter of a date-time in the minor region (year; year * 12 +
// month - 1; day of the month - 1; hour, minute, second or millisecond of the
// year).
int64_t DtCounter(TGvDtRegion MinorRgn, const TGvDateParts& D);
// The next tick after X: Increment units of the minor region later.
double DtNextTick(const TGvDtParameters& P, double X);
// A millisecond label without up to two trailing "0" characters ("1.500" is
// shown as "1.5", "1.520" as "1.52").
QString CutMilliSecondZeros(QString Text);

// The length of one unit of a seconds region in seconds (86400, 3600, 60, 1).
double SecRegionSeconds(TGvDtRegion Rgn);
// The label unit of a seconds axis by the larger end: seconds, minutes from
// 60 s, hours from 3600 s, days from 86400 s.
TGvSecondsFormatRange SecondsLabelFormat(double Start, double Stop);

struct TGvSecPartition
{
  TGvSecParameters Params;
  double LabelPart = 1, MajorTickPart = 0.5, TickPart = 0.1;
  int RangeExponent = 0;
};
// The automatic partition of a seconds axis over Start .. Stop (seconds) for
// an axis L pixels long. A factor at or below 0 counts as a small positive
// one; the refinement ends before a label step falls below a pixel's worth of
// time, or after a fixed number of candidates.
TGvSecPartition GetSecParameters(double Start, double Stop, double L, double LabelDistanceFactor,
                                 const TGvLabelLengthFn& ApproxLen);
// A seconds value rounded up or down to a step of Step * 10^Exponent units of
// Rgn.
double SecondsRound(double Value, double Step, int Exponent, TGvDtRegion Rgn, bool Up);
