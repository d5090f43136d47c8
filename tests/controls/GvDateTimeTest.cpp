#include "controls/GvDateTime.h"

#include "TextTestSupport.h"
#include "controls/GvStringFunctions.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double cMs = 1.0 / 86400000.0; // one millisecond in days

// The notation's own defaults: "yyyy/mm/dd", "hh:nn:ss", "/" and ":".
TFormatSettings Plain(QChar decimal = u'.')
{
  TFormatSettings s;
  s.DecimalSeparator = decimal;
  s.ThousandSeparator = decimal == u',' ? u'.' : u',';
  return s;
}

TEST(DateTime, EncodeAndDecode)
{
  struct Case
  {
    int y, m, d, h, n, s, ms;
    double value;
  };
  const Case cases[] = {
      {1899, 12, 30, 0, 0, 0, 0, 0.0},
      {1899, 12, 29, 6, 0, 0, 0, -1.25}, // the fraction's magnitude is the time
      {1899, 12, 28, 18, 0, 0, 0, -2.75},
      {1900, 1, 1, 12, 0, 0, 0, 2.5},
      {1, 1, 1, 0, 0, 0, 0, cMinDateTime},
      {2026, 3, 9, 14, 5, 0, 0, 46090 + (14 * 60 + 5) / 1440.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.ms), c.value);
    int y, m, d, h, n, s, ms;
    DecodeDateTime(c.value, y, m, d, h, n, s, ms);
    EXPECT_EQ(QDate(y, m, d), QDate(c.y, c.m, c.d)) << c.value;
    EXPECT_EQ(QTime(h, n, s, ms), QTime(c.h, c.n, c.s, c.ms)) << c.value;
  }
  EXPECT_THROW(EncodeDateTime(2026, 2, 30), EConvertError);

  // Milliseconds come out whole: no 0.999 truncation, and a time just short of
  // midnight is the next day.
  int y, m, d, h, n, s, ms;
  const double late = EncodeDateTime(2026, 3, 9, 14, 5, 7, 999);
  DecodeDateTime(late, y, m, d, h, n, s, ms);
  EXPECT_EQ(QTime(h, n, s, ms), QTime(14, 5, 7, 999));
  DecodeDateTime(late + 0.6 * cMs, y, m, d, h, n, s, ms);
  EXPECT_EQ(QTime(h, n, s, ms), QTime(14, 5, 8, 0));
  DecodeDateTime(46091 - 0.3 * cMs, y, m, d, h, n, s, ms);
  EXPECT_EQ(QDateTime(QDate(y, m, d), QTime(h, n, s, ms)),
            QDateTime(QDate(2026, 3, 10), QTime(0, 0)));

  const QDateTime qt(QDate(1850, 7, 1), QTime(8, 30, 15, 250));
  EXPECT_EQ(QDateTimeFromDateTime(DateTimeFromQDateTime(qt)), qt);
}

TEST(DateTime, FormatDateTimePatterns)
{
  TFormatSettingsOverride o(Plain());
  const double t = EncodeDateTime(2026, 3, 9, 14, 5, 0, 7);
  const std::pair<const char*, const char*> cases[] = {
      {"hh:mm:ss", "14:05:00"},
      {"hh:nn:ss.zzz", "14:05:00.007"},
      {"hh:nn:ss,zzz", "14:05:00,007"},
      {"mmm dd @ hh:mm:ss", "Mar 09 @ 14:05:00"},
      {"yyyy-mm-dd hh_mm", "2026-03-09 14_05"},
      {"mm-dd hh_mm", "03-09 14_05"},
      {"mm-dd hh:mm", "03-09 14:05"},
      {"d/m/yy", "9/3/26"},
      {"dddd, mmmm d", "Monday, March 9"},
      {"ddd h:n:s.z", "Mon 14:5:0.7"},
      {"h:nn am/pm", "2:05 pm"},
      {"h ampm", "2 PM"},
      {"h A/P", "2 P"},
      {"'hh' hh \"at\" n", "hh 14 at 5"},
      {"s.fff", "0.fff"}, // "f" has no meaning
      {"c", "2026/03/09 14:05:00"},
      {"", "2026/03/09 14:05:00"},
  };
  for (const auto& [pattern, text] : cases) EXPECT_EQ(FormatDateTime(pattern, t), text) << pattern;

  EXPECT_EQ(FormatDateTime("hh:nn AM/PM", EncodeDateTime(2026, 3, 9, 0, 30)), "12:30 AM");
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", EncodeDateTime(2026, 3, 9, 14, 5, 7, 999) + 0.6 * cMs),
            "14:05:08.000");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -0.5), "1899-12-30 12:00");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", cMinDateTime), "0001-01-01");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", cMaxDateTime), "9999-12-31 23:59:59");

  // ":" and "/" are the locale's separators.
  TFormatSettings other = Plain();
  other.TimeSeparator = u'.';
  other.DateSeparator = u'-';
  TFormatSettingsOverride o2(other);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:mm:ss", t), "2026-03-09 14.05.00");
}

TEST(DateTime, DateTimeTextRoundTrips)
{
  const double values[] = {EncodeDateTime(2026, 3, 9, 14, 5, 30), EncodeDateTime(2026, 3, 9),
                           EncodeDateTime(2030, 12, 1, 23, 59, 59),
                           EncodeDateTime(2001, 1, 1, 0, 0, 1)};
  const TFormatSettings settings[] = {Plain(),
                                      TFormatSettings::FromLocale(QLocale::c()),
                                      TFormatSettings::FromLocale(QLocale("en_US")),
                                      TFormatSettings::FromLocale(QLocale("de_DE")),
                                      TFormatSettings::FromLocale(QLocale("fi_FI")),
                                      TFormatSettings::FromLocale(QLocale("ko_KR"))};
  for (const TFormatSettings& s : settings) {
    TFormatSettingsOverride o(s);
    for (double v : values) {
      const QString text = DateTimeToStr(v);
      EXPECT_EQ(StrToDateTime(text), v) << text.toStdString();
    }
  }
}

TEST(DateTime, DateTimeText)
{
  TFormatSettingsOverride o(Plain());
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 3, 9, 14, 5)), "2026/03/09 14:05:00");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 3, 9)), "2026/03/09"); // midnight: no time
  EXPECT_EQ(StrToDateTime(" 2026/3/9 14:05 "), EncodeDateTime(2026, 3, 9, 14, 5));
  EXPECT_EQ(StrToDateTime("1899/12/29 06:00:00"), -1.25);
  for (const char* bad : {"", "abc", "2026/13/01", "2026/02/30", "2026/03/09 25:00:00",
                          "2026/03/09 14:05:00 junk", "2026/03", "2026/03/0914:05"})
    EXPECT_EQ(ErrorOf([bad] { StrToDateTime(bad); }),
              QStringLiteral("'%1' is not a valid date and time").arg(bad));

  TFormatSettingsOverride us(TFormatSettings::FromLocale(QLocale("en_US")));
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 3, 9, 14, 5)), "3/9/26 2:05:00 PM");
  EXPECT_EQ(StrToDateTime("3/9/26 12:00:00 AM"), EncodeDateTime(2026, 3, 9));
  EXPECT_EQ(StrToDateTime("3/9/2026 12:30:00 pm"), EncodeDateTime(2026, 3, 9, 12, 30));
}

TEST(DateTime, SecondsToString)
{
  struct Case
  {
    double seconds;
    TGvSecondsFormatRange range;
    const char* point;
    const char* comma;
  };
  using R = TGvSecondsFormatRange;
  const Case cases[] = {
      {3725.5, R::Hour, "01:02:05.5", "01:02:05,5"},
      {59, R::Second, "59", "59"},
      {90061, R::Day, "1.01:01:01", "1.01:01:01"},
      {90061.5, R::Day, "1.01:01:01.5", "1.01:01:01,5"},
      {3600, R::Day, "01:00:00", "01:00:00"},
      {5.25, R::Minute, "00:05.25", "00:05,25"},
      {12.5, R::Minute, "00:12.5", "00:12,5"},
      {0, R::Minute, "00:00", "00:00"},
      {0, R::Second, "0", "0"},
      {0.0004, R::Minute, "00:00", "00:00"}, // rounded to milliseconds
      {59.9996, R::Minute, "01:00", "01:00"},
      {1.25, R::Second, "1.25", "1,25"},
      {-30, R::Minute, "-00:30", "-00:30"}, // a sign, not a garbled text
      {-5.5, R::Second, "-5.5", "-5,5"},
  };
  for (const Case& c : cases) {
    for (QChar decimal : {u'.', u','}) {
      TFormatSettingsOverride o(Plain(decimal));
      EXPECT_EQ(SecondsToString(c.seconds, c.range), decimal == u'.' ? c.point : c.comma)
          << c.seconds;
    }
  }
}

TEST(DateTime, TotalsAndIncrements)
{
  EXPECT_DOUBLE_EQ(TotalMilliSeconds(0.5), 43200000);
  EXPECT_DOUBLE_EQ(TotalSeconds(0.5), 43200);
  EXPECT_DOUBLE_EQ(TotalMinutes(0.5), 720);
  EXPECT_DOUBLE_EQ(TotalHours(0.5), 12);

  // The increments' own example: 1899-12-29 18:00 plus 12 h.
  EXPECT_DOUBLE_EQ(MyIncHours(-1.75, 12), -0.25);
  EXPECT_EQ(MyIncHours(-1.75, 0), -1.75);

  struct Case
  {
    double value;
    double (*inc)(double, long long);
    long long count;
    const char* when;
  };
  const Case cases[] = {
      {-1.75, MyIncHours, 12, "1899-12-30 06:00:00.000"},
      {-0.75, MyIncHours, 12, "1899-12-31 06:00:00.000"},  // day 0 given in the negative form
      {-2.25, MyIncHours, 48, "1899-12-30 06:00:00.000"},  // several days at once
      {0.25, MyIncHours, -12, "1899-12-29 18:00:00.000"},  // backwards across the epoch
      {-1.25, MyIncHours, -12, "1899-12-28 18:00:00.000"}, // backwards before it
      {-1.5, MyIncMilliSeconds, 1, "1899-12-29 12:00:00.001"},
      {-1.5, MyIncSeconds, -1, "1899-12-29 11:59:59.000"},
      {-1.5, MyIncMinutes, 720, "1899-12-30 00:00:00.000"},
      {46090.5, MyIncMinutes, 90, "2026-03-09 13:30:00.000"},
      {46090.5, MyIncSeconds, -1, "2026-03-09 11:59:59.000"},
  };
  TFormatSettingsOverride o(Plain());
  for (const Case& c : cases) {
    const double result = c.inc(c.value, c.count);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", result), c.when)
        << c.value << " " << c.count;
    // The span agrees with the increment.
    EXPECT_NEAR(TotalMilliSeconds(DateTimeSpan(c.value, result)),
                TotalMilliSeconds(c.inc(0.5, c.count) - 0.5), 1e-3)
        << c.value << " " << c.count;
  }
}

TEST(DateTime, DateTimeSpanIsLinear)
{
  const std::tuple<double, double, double> cases[] = {{-1.75, 0.25, 0.5},  {0.25, -1.75, -0.5},
                                                      {1.5, 3.25, 1.75},   {-1.25, -1.75, 0.5},
                                                      {-2.75, -1.25, 0.5}, {3, 3, 0}};
  for (const auto& [one, two, span] : cases) EXPECT_DOUBLE_EQ(DateTimeSpan(one, two), span);
}

TEST(DateTime, MyDateTimeToString)
{
  TFormatSettingsOverride o(Plain(u','));
  const double t = EncodeDateTime(2026, 3, 9, 14, 5, 3, 7);
  EXPECT_EQ(MyDateTimeToString("hh:nn:ss.fff", t), "14:05:03.007");
  EXPECT_EQ(MyDateTimeToString("s,fff", t), "3,007");
  EXPECT_EQ(MyDateTimeToString("s,fff", t + 0.9996 * cMs - 7 * cMs), "3,001");
  EXPECT_EQ(MyDateTimeToString("mmm yy", t), "Mar 26");
  EXPECT_EQ(MyDateTimeToString("hh:nn", t), FormatDateTime("hh:nn", t));
}

TEST(DateTime, TimeSpanText)
{
  TFormatSettingsOverride o(Plain(u','));
  const std::pair<double, const char*> cases[] = {
      {0, ""},
      {2.0, "2."},
      {1.5, "1.12:00:00,000"},
      {0.5 / 86400, "00:00:00,500"},
      {3 + (3600 + 2 * 60 + 3.25) / 86400, "3.01:02:03,250"},
      {2.0 - 0.3 * cMs, "2."}, // rounds to the next whole day, not "1.24:00:00"
  };
  for (const auto& [days, text] : cases) {
    EXPECT_EQ(DoubleToTimeSpanStr(days), text) << days;
    EXPECT_NEAR(DoubleFomTimeSpanStr(text), days, cMs) << text;
  }
  EXPECT_EQ(ErrorOf([] { DoubleToTimeSpanStr(-0.1); }), "Error no negative Time Span allowed");

  const std::pair<const char*, double> read[] = {
      {"1.12:00:00,5", 1.5 + 0.5 / 86400},
      {"1.12:00:00", 1.5},
      {"90", 90.0 / 86400},
      {"30.5", 30 + 5.0 / 86400}, // "." before any ":" ends the days
      {"12:30", (12 * 60 + 30) / 86400.0},
      {"2:03:04", (2 * 3600 + 3 * 60 + 4) / 86400.0},
      {"", 0},
  };
  for (const auto& [text, days] : read)
    EXPECT_NEAR(DoubleFomTimeSpanStr(text), days, 1e-12) << text;
  for (const char* bad : {"x", "1:2:3:4", "1.12:", "1.5:00:00,0,0"})
    EXPECT_THROW(DoubleFomTimeSpanStr(bad), EConvertError) << bad;

  // Under a "." locale the seconds' separator is "." too.
  TFormatSettingsOverride point(Plain(u'.'));
  EXPECT_EQ(DoubleToTimeSpanStr(1.5), "1.12:00:00.000");
  EXPECT_NEAR(DoubleFomTimeSpanStr("12:00:00.5"), 0.5 + 0.5 / 86400, 1e-12);
}

} // namespace
