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
// "mm", "mmm" (short month name), "mmmm", "d", "dd", "ddd", "dddd", "h", "hh",
// "n", "nn", "s", "ss", "z", "zzz", "am/pm", "/" (date separator), ":" (time
// separator), quoted text; "m" right after an hour means minutes. Examples:
// "hh:mm:ss", "hh:nn:ss.zzz", "mmm dd @ hh:mm:ss", "yyyy-mm-dd hh_mm".
QString FormatDateTime(const QString& Format, double Value);
// Locale short date, a blank and the long time; the time is left out at
// exactly midnight.
QString DateTimeToStr(double Value);
// Parses the form DateTimeToStr writes (date alone, or date and time);
// raises EConvertError on malformed text.
double StrToDateTime(const QString& S);

// ---- The library's own helpers ----
QString SecondsToString(double Value, TGvSecondsFormatRange Format);
double TotalMilliSeconds(double Value);
double TotalSeconds(double Value);
double TotalMinutes(double Value);
double TotalHours(double Value);
double MyIncMilliSeconds(double Value, long long Count);
double MyIncSeconds(double Value, long long Count);
double MyIncMinutes(double Value, long long Count);
double MyIncHours(double Value, long long Count);
QString MyDateTimeToString(const QString& Format, double Value);
double DateTimeSpan(double One, double Two);
QString DoubleToTimeSpanStr(double Value);
double DoubleFomTimeSpanStr(const QString& Text);
