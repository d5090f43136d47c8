#include "controls/GvDateTime.h"

#include "controls/GvStringFunctions.h"

#include <algorithm>
#include <cmath>

namespace {
const QDate cEpoch(1899, 12, 30);
constexpr double cMSecsPerDay = 86400000.0;
constexpr long long cWholeDayMSecs = 86400000LL;

double Combine(long long days, double dayFraction)
{
  // For days before the epoch the magnitude of the fraction is the time of day.
  return days >= 0 ? double(days) + dayFraction : double(days) - dayFraction;
}

// A date-time split into calendar fields, the time of day rounded to whole
// milliseconds first (so 0.999 ms short of a second is the next second).
struct TParts
{
  QDate Date;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int MilliSecond = 0;
  bool IsMidnight() const { return Hour == 0 && Minute == 0 && Second == 0 && MilliSecond == 0; }
};

TParts Split(double value)
{
  if (!std::isfinite(value) || std::fabs(value) > 1e9)
    throw EConvertError(QStringLiteral("Invalid date-time value"));
  long long days = (long long)std::trunc(value);
  long long ms = std::llround(std::fabs(value - double(days)) * cMSecsPerDay);
  if (ms >= cWholeDayMSecs) {
    // Rounded up to the next midnight: the next calendar day on either side.
    ms -= cWholeDayMSecs;
    ++days;
  }
  TParts p;
  p.Date = cEpoch.addDays(days);
  p.MilliSecond = int(ms % 1000);
  ms /= 1000;
  p.Second = int(ms % 60);
  ms /= 60;
  p.Minute = int(ms % 60);
  p.Hour = int(ms / 60);
  return p;
}

QString Padded(int value, int width)
{
  return QString::number(value).rightJustified(width, u'0');
}

bool IsAsciiLetter(QChar c)
{
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool StartsWithNoCase(const QString& s, int at, const QLatin1String& what)
{
  return QStringView(s).mid(at).startsWith(what, Qt::CaseInsensitive);
}

// True when the pattern asks for a 12-hour clock ("am/pm", "a/p", "ampm"
// outside quotes).
bool HasAmPm(const QString& format)
{
  QChar quote;
  for (int i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == u'\'' || c == u'"') {
      quote = c;
    } else if ((c == u'a' || c == u'A') && (StartsWithNoCase(format, i, QLatin1String("am/pm")) ||
                                            StartsWithNoCase(format, i, QLatin1String("a/p")) ||
                                            StartsWithNoCase(format, i, QLatin1String("ampm")))) {
      return true;
    }
  }
  return false;
}

// The long time pattern without its seconds (and the separator before them).
QString ShortTimeFormat(const QString& longTime)
{
  QString s = longTime;
  const int i = int(s.indexOf(QLatin1String("s"), 0, Qt::CaseInsensitive));
  if (i < 0) return s;
  int end = i;
  while (end < s.size() && (s[end] == u's' || s[end] == u'S')) ++end;
  int begin = i;
  while (begin > 0 && !IsAsciiLetter(s[begin - 1])) --begin;
  s.remove(begin, end - begin);
  return s;
}

void AppendFormat(QString& out, const QString& format, const TParts& p, int level)
{
  const TFormatSettings& fs = FormatSettings();
  const bool twelveHour = HasAmPm(format);
  const int n = int(format.size());
  QChar lastToken = u' ';
  int i = 0;
  auto nested = [&](const QString& f) {
    if (level < 2) AppendFormat(out, f, p, level + 1);
  };
  while (i < n) {
    const QChar c = format[i];
    if (c == u'\'' || c == u'"') {
      int end = int(format.indexOf(c, i + 1));
      if (end < 0) end = n;
      out += format.mid(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (c == u'/') {
      out += fs.DateSeparator;
      ++i;
      continue;
    }
    if (c == u':') {
      out += fs.TimeSeparator;
      ++i;
      continue;
    }
    if (!IsAsciiLetter(c)) {
      out += c;
      ++i;
      continue;
    }
    char token = char(c.toUpper().unicode());
    if (token == 'M' && lastToken == u'H') token = 'N';
    lastToken = QChar(token);
    int count = 1;
    while (i + count < n && format[i + count] == c) ++count;
    switch (token) {
    case 'Y':
      out += count <= 2 ? Padded(p.Date.year() % 100, 2) : Padded(p.Date.year(), 4);
      break;
    case 'M':
      if (count <= 2)
        out += Padded(p.Date.month(), count);
      else if (count == 3)
        out += fs.ShortMonthNames[p.Date.month() - 1];
      else
        out += fs.LongMonthNames[p.Date.month() - 1];
      break;
    case 'D':
      if (count <= 2)
        out += Padded(p.Date.day(), count);
      else if (count == 3)
        out += fs.ShortDayNames[p.Date.dayOfWeek() % 7];
      else if (count == 4)
        out += fs.LongDayNames[p.Date.dayOfWeek() % 7];
      else
        nested(fs.ShortDateFormat);
      break;
    case 'H': {
      int h = p.Hour;
      if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
      out += Padded(h, std::min(count, 2));
      break;
    }
    case 'N':
      out += Padded(p.Minute, std::min(count, 2));
      break;
    case 'S':
      out += Padded(p.Second, std::min(count, 2));
      break;
    case 'Z':
      out += Padded(p.MilliSecond, count == 1 ? 1 : 3);
      break;
    case 'T':
      nested(count == 1 ? ShortTimeFormat(fs.LongTimeFormat) : fs.LongTimeFormat);
      break;
    case 'C':
      nested(fs.ShortDateFormat);
      if (!p.IsMidnight()) {
        out += u' ';
        nested(fs.LongTimeFormat);
      }
      break;
    case 'A': {
      const bool pm = p.Hour >= 12;
      if (StartsWithNoCase(format, i, QLatin1String("am/pm"))) {
        out += format.mid(pm ? i + 3 : i, 2);
        count = 5;
      } else if (StartsWithNoCase(format, i, QLatin1String("a/p"))) {
        out += format.mid(pm ? i + 2 : i, 1);
        count = 3;
      } else if (StartsWithNoCase(format, i, QLatin1String("ampm"))) {
        out += pm ? fs.TimePMString : fs.TimeAMString;
        count = 4;
      } else {
        out += c;
        count = 1;
      }
      break;
    }
    default:
      // Letters without a meaning are copied.
      out += c;
      count = 1;
      break;
    }
    i += count;
  }
}

QString FormatParts(const QString& format, const TParts& p)
{
  QString out;
  AppendFormat(out, format.isEmpty() ? QStringLiteral("c") : format, p, 0);
  return out;
}

[[noreturn]] void InvalidDateTime(const QString& s)
{
  throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(s));
}

// Reads text along a date or time pattern in the "yyyy/mm/dd hh:nn:ss"
// notation: numeric fields take 1 or 2 digits (years up to 4, milliseconds up
// to 3), name fields the locale's names, blanks match any run of blanks.
class TDateTimeScanner
{
public:
  explicit TDateTimeScanner(const QString& text) : FText(text) {}

  int Year = -1, Month = -1, Day = -1, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
  int YearDigits = 0;
  int AmPm = 0; // 0 none, 1 AM, 2 PM

  bool AtEnd()
  {
    SkipFormatChars();
    return FPos >= FText.size();
  }

  // Whitespace between the date and the time: at least one blank.
  bool SkipRequiredBlank()
  {
    SkipFormatChars();
    const int start = FPos;
    SkipBlanks();
    return FPos > start;
  }

  // allowEarlyEnd: the text may stop after any numeric field (time part).
  bool Scan(const QString& format, bool allowEarlyEnd)
  {
    const TFormatSettings& fs = FormatSettings();
    const int n = int(format.size());
    QChar lastToken = u' ';
    bool afterField = false;
    int i = 0;
    while (i < n) {
      if (allowEarlyEnd && afterField && AtEnd()) return true;
      const QChar c = format[i];
      if (c.category() == QChar::Other_Format) {
        ++i;
        continue;
      }
      if (c.isSpace()) {
        SkipFormatChars();
        SkipBlanks();
        ++i;
        continue;
      }
      if (c == u'\'' || c == u'"') {
        int end = int(format.indexOf(c, i + 1));
        if (end < 0) end = n;
        if (!MatchLiteral(format.mid(i + 1, end - i - 1))) return false;
        i = end + 1;
        continue;
      }
      if (c == u'/' || c == u':') {
        if (!MatchLiteral(QString(c == u'/' ? fs.DateSeparator : fs.TimeSeparator))) return false;
        ++i;
        continue;
      }
      if (!IsAsciiLetter(c)) {
        if (!MatchLiteral(QString(c))) return false;
        ++i;
        continue;
      }
      char token = char(c.toUpper().unicode());
      if (token == 'M' && lastToken == u'H') token = 'N';
      lastToken = QChar(token);
      int count = 1;
      while (i + count < n && format[i + count] == c) ++count;
      SkipFormatChars();
      bool ok = true;
      afterField = true;
      switch (token) {
      case 'Y':
        ok = Number(4, Year, &YearDigits);
        break;
      case 'M':
        ok = count <= 2 ? Number(2, Month) : MonthName();
        break;
      case 'D':
        if (count <= 2)
          ok = Number(2, Day);
        else if (count <= 4)
          ok = DayName();
        else
          ok = Scan(fs.ShortDateFormat, false);
        break;
      case 'H':
        ok = Number(2, Hour);
        break;
      case 'N':
        ok = Number(2, Minute);
        break;
      case 'S':
        ok = Number(2, Second);
        break;
      case 'Z': {
        // Digits of a fraction of a second.
        const int start = FPos;
        int value = 0;
        ok = Number(3, value);
        for (int k = FPos - start; k < 3; ++k) value *= 10;
        MilliSecond = value;
        break;
      }
      case 'A':
        if (StartsWithNoCase(format, i, QLatin1String("am/pm")))
          count = 5;
        else if (StartsWithNoCase(format, i, QLatin1String("a/p")))
          count = 3;
        else if (StartsWithNoCase(format, i, QLatin1String("ampm")))
          count = 4;
        else {
          ok = MatchLiteral(QString(c));
          count = 1;
          afterField = false;
          break;
        }
        // The designator may be left out (a 24-hour time).
        ScanAmPm();
        break;
      default:
        ok = MatchLiteral(QString(c));
        count = 1;
        afterField = false;
        break;
      }
      if (!ok) return false;
      i += count;
    }
    return true;
  }

private:
  void SkipFormatChars()
  {
    while (FPos < FText.size() && FText[FPos].category() == QChar::Other_Format) ++FPos;
  }
  void SkipBlanks()
  {
    while (FPos < FText.size() && FText[FPos].isSpace()) ++FPos;
  }

  bool MatchLiteral(const QString& literal)
  {
    for (QChar c : literal) {
      if (c.category() == QChar::Other_Format) continue;
      SkipFormatChars();
      if (c.isSpace()) {
        SkipBlanks();
        continue;
      }
      if (FPos >= FText.size() || FText[FPos].toCaseFolded() != c.toCaseFolded()) return false;
      ++FPos;
    }
    return true;
  }

  bool Number(int maxDigits, int& value, int* digits = nullptr)
  {
    int k = 0;
    value = 0;
    while (k < maxDigits && FPos < FText.size() && FText[FPos] >= u'0' && FText[FPos] <= u'9') {
      value = value * 10 + (FText[FPos].unicode() - u'0');
      ++FPos;
      ++k;
    }
    if (digits) *digits = k;
    return k > 0;
  }

  // Longest of the given names at the current position; its index or -1.
  int MatchName(const QString* names, int count)
  {
    int best = -1;
    qsizetype bestLength = 0;
    const QStringView rest = QStringView(FText).mid(FPos);
    for (int k = 0; k < count; ++k) {
      if (!names[k].isEmpty() && names[k].size() > bestLength &&
          rest.startsWith(names[k], Qt::CaseInsensitive)) {
        best = k;
        bestLength = names[k].size();
      }
    }
    FPos += int(bestLength);
    return best;
  }

  bool MonthName()
  {
    const TFormatSettings& fs = FormatSettings();
    const int start = FPos;
    const int longIndex = MatchName(fs.LongMonthNames, 12);
    const int longEnd = FPos;
    FPos = start;
    const int shortIndex = MatchName(fs.ShortMonthNames, 12);
    if (longIndex >= 0 && longEnd >= FPos) {
      FPos = longEnd;
      Month = longIndex + 1;
    } else if (shortIndex >= 0) {
      Month = shortIndex + 1;
    } else {
      return Number(2, Month);
    }
    return true;
  }

  bool DayName()
  {
    const TFormatSettings& fs = FormatSettings();
    if (MatchName(fs.LongDayNames, 7) >= 0) return true;
    return MatchName(fs.ShortDayNames, 7) >= 0;
  }

  void ScanAmPm()
  {
    SkipBlanks();
    const TFormatSettings& fs = FormatSettings();
    const QString names[4] = {fs.TimeAMString, fs.TimePMString, QStringLiteral("AM"),
                              QStringLiteral("PM")};
    const int k = MatchName(names, 4);
    if (k >= 0) AmPm = k % 2 == 0 ? 1 : 2;
  }

  const QString& FText;
  int FPos = 0;
};

} // namespace

double EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second,
                      int MilliSecond)
{
  const QDate date(Year, Month, Day);
  if (!date.isValid()) throw EConvertError(QStringLiteral("Invalid argument to date encode"));
  const double ms = ((Hour * 60.0 + Minute) * 60.0 + Second) * 1000.0 + MilliSecond;
  return Combine(cEpoch.daysTo(date), ms / 86400000.0);
}

void DecodeDateTime(double Value, int& Year, int& Month, int& Day, int& Hour, int& Minute,
                    int& Second, int& MilliSecond)
{
  const TParts p = Split(Value);
  Year = p.Date.year();
  Month = p.Date.month();
  Day = p.Date.day();
  Hour = p.Hour;
  Minute = p.Minute;
  Second = p.Second;
  MilliSecond = p.MilliSecond;
}

double DateTimeFromQDateTime(const QDateTime& dt)
{
  return Combine(cEpoch.daysTo(dt.date()), dt.time().msecsSinceStartOfDay() / 86400000.0);
}

QDateTime QDateTimeFromDateTime(double Value)
{
  const TParts p = Split(Value);
  return QDateTime(p.Date, QTime(p.Hour, p.Minute, p.Second, p.MilliSecond));
}

QString FormatDateTime(const QString& Format, double Value)
{
  return FormatParts(Format, Split(Value));
}

QString DateTimeToStr(double Value)
{
  return FormatParts(QStringLiteral("c"), Split(Value));
}

double StrToDateTime(const QString& S)
{
  const TFormatSettings& fs = FormatSettings();
  const QString text = S.trimmed();
  TDateTimeScanner scanner(text);
  if (text.isEmpty() || !scanner.Scan(fs.ShortDateFormat, false)) InvalidDateTime(S);
  if (!scanner.AtEnd()) {
    if (!scanner.SkipRequiredBlank() || !scanner.Scan(fs.LongTimeFormat, true) || !scanner.AtEnd())
      InvalidDateTime(S);
  }
  int year = scanner.Year;
  if (scanner.YearDigits > 0 && scanner.YearDigits <= 2) {
    // Two-digit years fall into the 100 years around now.
    const int window = QDate::currentDate().year() - 50;
    year += window / 100 * 100;
    if (year < window) year += 100;
  }
  int hour = scanner.Hour;
  if (scanner.AmPm != 0) {
    if (hour < 1 || hour > 12) InvalidDateTime(S);
    hour = hour % 12 + (scanner.AmPm == 2 ? 12 : 0);
  }
  if (year < 1 || scanner.Month < 1 || scanner.Day < 1 || hour > 23 || scanner.Minute > 59 ||
      scanner.Second > 59 || !QDate(year, scanner.Month, scanner.Day).isValid())
    InvalidDateTime(S);
  return EncodeDateTime(year, scanner.Month, scanner.Day, hour, scanner.Minute, scanner.Second,
                        scanner.MilliSecond);
}

// ---- The library's own helpers ----

QString SecondsToString(double Value, TGvSecondsFormatRange Format)
{
  if (Format != TGvSecondsFormatRange::Second && std::fabs(Value) < 1e15)
    Value = double(RoundHalfEven((long double)Value * 1000)) / 1000.0;
  // A negative duration is its magnitude with a sign (unless it shows as zero).
  if (Value < 0) {
    const bool zero = Format == TGvSecondsFormatRange::Second && -Value <= 1e-6;
    return (zero ? QString() : QStringLiteral("-")) + SecondsToString(-Value, Format);
  }
  QString text;
  double rest = Value;
  if (Format == TGvSecondsFormatRange::Day) {
    const double days = std::trunc(Value / 86400);
    rest -= days * 86400;
    if (days > 0) text += QString::number(days, 'f', 0) + u'.';
  }
  if (Format == TGvSecondsFormatRange::Hour || Format == TGvSecondsFormatRange::Day) {
    const double h = std::trunc(rest / 3600);
    rest -= h * 3600;
    text += QString::number(h, 'f', 0).rightJustified(2, u'0') + u':';
  }
  if (Format != TGvSecondsFormatRange::Second) {
    const double m = std::trunc(rest / 60);
    rest -= m * 60;
    text += QString::number(m, 'f', 0).rightJustified(2, u'0') + u':';
  }
  if (rest < 9.999999 && !text.isEmpty()) text += u'0';
  if (rest <= 1e-6)
    text += u'0';
  else
    text += RealToStrDigits(rest, 6);
  return text;
}

double TotalMilliSeconds(double Value)
{
  return Value * 86400000.0;
}

double TotalSeconds(double Value)
{
  return Value * 86400.0;
}

double TotalMinutes(double Value)
{
  return Value * 1440.0;
}

double TotalHours(double Value)
{
  return Value * 24.0;
}

namespace {

// Adds count x unitMs milliseconds to a date-time, linearly in time also
// before the epoch.
double IncrementBy(double value, long long count, double unitMs)
{
  if (count == 0) return value;
  const double add = double(count) * unitMs;
  if (value >= 0) {
    const double plain = (value * cMSecsPerDay + add) / cMSecsPerDay;
    if (plain >= 0) return plain;
  }
  // Whole days and the time of day, moved along the time line.
  const double day = std::trunc(value);
  double t = (std::fabs(value - day) * cMSecsPerDay + add) / cMSecsPerDay;
  const double k = std::floor(t + cDateEpsilon);
  t = std::max(0.0, t - k);
  const double newDay = day + k;
  if (newDay < 0) return newDay - t;
  // Landing on the epoch's day from before it keeps the negative form.
  if (newDay == 0 && value < 0) return t == 0 ? 0.0 : -t;
  return newDay + t;
}

} // namespace

double MyIncMilliSeconds(double Value, long long Count)
{
  return IncrementBy(Value, Count, 1.0);
}

double MyIncSeconds(double Value, long long Count)
{
  return IncrementBy(Value, Count, 1000.0);
}

double MyIncMinutes(double Value, long long Count)
{
  return IncrementBy(Value, Count, 60000.0);
}

double MyIncHours(double Value, long long Count)
{
  return IncrementBy(Value, Count, 3600000.0);
}

QString MyDateTimeToString(const QString& Format, double Value)
{
  if (!Format.contains(QLatin1String("fff"))) return FormatDateTime(Format, Value);
  TParts p = Split(Value);
  const int ms = p.MilliSecond;
  p.MilliSecond = 0;
  QString text = FormatParts(Format, p);
  const qsizetype at = text.indexOf(QLatin1String("fff"));
  if (at >= 0) text.replace(at, 3, Padded(ms, 3));
  return text;
}

double DateTimeSpan(double One, double Two)
{
  auto split = [](double v, double& whole, double& fraction) {
    whole = std::trunc(v);
    fraction = std::fabs(v - whole);
    if (v < 0 && fraction > 0.99999999999999) fraction = 0;
  };
  double wholeOne, fracOne, wholeTwo, fracTwo;
  split(One, wholeOne, fracOne);
  split(Two, wholeTwo, fracTwo);
  return (fracTwo - fracOne) + (wholeTwo - wholeOne);
}

QString DoubleToTimeSpanStr(double Value)
{
  if (Value < 0) throw EConvertError(QStringLiteral("Error no negative Time Span allowed"));
  // Rounded to whole milliseconds first, so that a time just short of a whole
  // day counts as the next day rather than as "24:00:00".
  double days = std::trunc(Value);
  long long ms = std::llround((Value - days) * cMSecsPerDay);
  if (ms >= cWholeDayMSecs) {
    ms -= cWholeDayMSecs;
    days += 1;
  }
  QString text;
  if (days > 0) text += QString::number(days, 'f', 0) + u'.';
  if (ms > 0) {
    TParts p;
    p.Date = cEpoch;
    p.MilliSecond = int(ms % 1000);
    p.Second = int(ms / 1000 % 60);
    p.Minute = int(ms / 60000 % 60);
    p.Hour = int(ms / 3600000);
    text += FormatParts(
        QStringLiteral("hh:nn:ss") + FormatSettings().DecimalSeparator + QStringLiteral("zzz"), p);
  }
  return text;
}

double DoubleFomTimeSpanStr(const QString& Text)
{
  double days = 0, hours = 0, minutes = 0, seconds = 0;
  QString s = Text;
  if (s.isEmpty()) return 0;
  const QChar timeSep = FormatSettings().TimeSeparator;
  const qsizetype p = s.indexOf(u'.');
  const qsizetype q = s.indexOf(timeSep);
  if (p >= 0 && (q < 0 || p < q)) {
    days = StrToInt(s.left(p));
    s.remove(0, p + 1);
  }
  // Takes the part after the last time separator (or all) off the end.
  auto oneChunk = [&s, timeSep]() {
    const qsizetype at = s.lastIndexOf(timeSep);
    const QString chunk = s.mid(at + 1);
    s.truncate(at < 0 ? 0 : at);
    return chunk;
  };
  if (!s.isEmpty()) {
    seconds = StrToFloat(oneChunk());
    if (!s.isEmpty()) {
      minutes = StrToInt(oneChunk());
      if (!s.isEmpty()) hours = StrToInt(s);
    }
  }
  return hours / 24 + days + minutes / 1440 + seconds / 86400;
}
