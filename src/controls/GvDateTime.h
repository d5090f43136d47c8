// Date-times and time spans as text. A date-time is a double counting days
// since 1899-12-30 00:00; the fraction is the time of day (for negative values
// its magnitude is). A time span is a non-negative number of days.
#pragma once

#include <QDateTime>
#include <QString>

constexpr double cDateEpsilon = 1.1574074074074074e-09; // 0.1 ms in days
constexpr double cMinDateTime = -693593.0;              // 0001-01-01
constexpr double cMaxDateTime = 2958465.99998843;       // 9999-12-31 23:59:59

enum class TGvSecondsFormatRange
{
  Second,
  Minute,
  Hour,
  Day
};

// ---- Conversions between the day count and calendar values ----
double EncodeDateTime(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0,
                      int MilliSecond = 0);
void DecodeDateTime(double Value, int& Year, int& Month, int& Day, int& Hour, int& Minute,
                    int& Second, int& MilliSecond);
double DateTimeFromQDateTime(const QDateTime& dt); // local wall-clock fields
QDateTime QDateTimeFromDateTime(double Value);

// Date-time text with a pattern in the usual notation: "yyyy", "yy", "m",
// "mm", "mmm" (short month name), "mmmm", "d", "dd", "ddd", "dddd", "ddddd"
// (short date), "h", "hh", "n", "nn", "s", "ss", "z", "zzz", "am/pm" and "a/p"
// (written in the pattern's case), "ampm" (the locale's designators; any of
// the three makes the hours 12-hour), "c" (DateTimeToStr), "t"/"tt" (short and
// long time), "/" (date separator), ":" (time separator), quoted text; "m"
// right after an hour means minutes; letters without a meaning (such as "f")
// and other characters are copied. An empty pattern means "c". The time of
// day is rounded to whole milliseconds before it is split. Examples:
// "hh:mm:ss", "hh:nn:ss.zzz", "mmm dd @ hh:mm:ss", "yyyy-mm-dd hh_mm".
QString FormatDateTime(const QString& Format, double Value);
// Locale short date, a blank and the long time; the time is left out at
// exactly midnight.
QString DateTimeToStr(double Value);
// Parses the form DateTimeToStr writes (date alone, or date and time; the
// time may stop after its hours or minutes, blanks may vary, an AM/PM
// designator may be left out, two-digit years fall into the 100 years around
// now); raises EConvertError "'text' is not a valid date and time" otherwise.
double StrToDateTime(const QString& S);

// ---- The library's own helpers ----
// Negative durations are written as "-" and the text of their magnitude.
QString SecondsToString(double Value, TGvSecondsFormatRange Format);
double TotalMilliSeconds(double Value);
double TotalSeconds(double Value);
double TotalMinutes(double Value);
double TotalHours(double Value);
// Add Count units along the time line, for either sign of Value and Count; a
// result on 1899-12-30 reached from before it keeps the negative form
// (MyIncHours(-1.75, 12) == -0.25).
double MyIncMilliSeconds(double Value, long long Count);
double MyIncSeconds(double Value, long long Count);
double MyIncMinutes(double Value, long long Count);
double MyIncHours(double Value, long long Count);
QString MyDateTimeToString(const QString& Format, double Value);
double DateTimeSpan(double One, double Two);
QString DoubleToTimeSpanStr(double Value);
double DoubleFomTimeSpanStr(const QString& Text);
