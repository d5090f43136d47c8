#include "controls/GvStringFunctions.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Locale settings
// ---------------------------------------------------------------------------

namespace {

TFormatSettings& SettingsStorage()
{
  static TFormatSettings settings = TFormatSettings::FromSystemLocale();
  return settings;
}

bool IsAsciiLetter(QChar c)
{
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Writes one literal character in the "yyyy/mm/dd hh:nn:ss" notation, quoting
// the characters that notation would otherwise interpret.
void AppendLiteral(QString& out, QChar c)
{
  if (IsAsciiLetter(c) || c == u'/' || c == u':' || c == u'\'')
    out += u'"' + QString(c) + u'"';
  else if (c == u'"')
    out += QStringLiteral("'\"'");
  else
    out += c;
}

// The first character after the first field of a Qt date or time pattern that
// can serve as a separator; a null character when there is none.
QChar FindSeparator(const QString& qtFormat, const QString& fieldLetters)
{
  int i = 0;
  const int n = int(qtFormat.size());
  while (i < n && !fieldLetters.contains(qtFormat[i])) {
    if (qtFormat[i] == u'\'') {
      ++i;
      while (i < n && qtFormat[i] != u'\'') ++i;
    }
    ++i;
  }
  if (i >= n) return QChar();
  const QChar field = qtFormat[i];
  while (i < n && qtFormat[i] == field) ++i;
  while (i < n && qtFormat[i].category() == QChar::Other_Format) ++i;
  if (i >= n) return QChar();
  const QChar c = qtFormat[i];
  if (c.isLetterOrNumber() || c == u'\'') return QChar();
  return c;
}

// Converts a Qt date or time pattern to the "yyyy/mm/dd hh:nn:ss" notation.
// The separator character becomes "/" (dates) or ":" (times).
QString ConvertQtFormat(const QString& qt, bool time, QChar separator)
{
  QString out;
  const int n = int(qt.size());
  int i = 0;
  while (i < n) {
    const QChar c = qt[i];
    if (c == u'\'') {
      // Quoted literal; '' stands for one quote.
      ++i;
      if (i < n && qt[i] == u'\'') {
        AppendLiteral(out, u'\'');
        ++i;
        continue;
      }
      while (i < n) {
        if (qt[i] == u'\'') {
          if (i + 1 < n && qt[i + 1] == u'\'') {
            AppendLiteral(out, u'\'');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        AppendLiteral(out, qt[i]);
        ++i;
      }
      continue;
    }
    int count = 1;
    while (i + count < n && qt[i + count] == c) ++count;
    if (!separator.isNull() && c == separator) {
      for (int k = 0; k < count; ++k) out += time ? u':' : u'/';
    } else if (!time && c == u'd') {
      out += QString(std::min(count, 4), u'd');
    } else if (!time && c == u'M') {
      out += QString(std::min(count, 4), u'm');
    } else if (!time && c == u'y') {
      out += count <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
    } else if (time && (c == u'h' || c == u'H')) {
      out += QString(std::min(count, 2), u'h');
    } else if (time && c == u'm') {
      out += QString(std::min(count, 2), u'n');
    } else if (time && c == u's') {
      out += QString(std::min(count, 2), u's');
    } else if (time && c == u'z') {
      out += count == 1 ? QStringLiteral("z") : QStringLiteral("zzz");
    } else if (time && (c == u'a' || c == u'A')) {
      out += QStringLiteral("ampm");
      if (i + count < n && (qt[i + count] == u'p' || qt[i + count] == u'P')) ++count;
    } else if (time && c == u't') {
      // The time zone has no place in these settings: drop it with the blanks
      // before it.
      while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
    } else {
      for (int k = 0; k < count; ++k) AppendLiteral(out, c);
    }
    i += count;
  }
  return out.trimmed();
}

} // namespace

TFormatSettings TFormatSettings::FromSystemLocale()
{
  return FromLocale(QLocale::system());
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale)
{
  TFormatSettings s;
  const QString decimal = locale.decimalPoint();
  if (decimal.size() == 1) s.DecimalSeparator = decimal[0];
  const QString group = locale.groupSeparator();
  if (group.size() == 1) s.ThousandSeparator = group[0];
  if (s.ThousandSeparator == s.DecimalSeparator)
    s.ThousandSeparator = s.DecimalSeparator == u',' ? u'.' : u',';

  const QString qtDate = locale.dateFormat(QLocale::ShortFormat);
  const QString qtTime = locale.timeFormat(QLocale::LongFormat);
  const QChar dateSep = FindSeparator(qtDate, QStringLiteral("dMy"));
  QChar timeSep = FindSeparator(qtTime, QStringLiteral("hH"));
  if (timeSep.isNull() || timeSep.isSpace())
    timeSep = FindSeparator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral("hH"));
  if (timeSep.isNull() || timeSep.isSpace()) timeSep = u':';
  if (!dateSep.isNull()) s.DateSeparator = dateSep;
  s.TimeSeparator = timeSep;
  s.ShortDateFormat = ConvertQtFormat(qtDate, false, dateSep);
  s.LongTimeFormat = ConvertQtFormat(qtTime, true, timeSep);
  if (s.ShortDateFormat.isEmpty()) s.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
  if (s.LongTimeFormat.isEmpty()) s.LongTimeFormat = QStringLiteral("hh:nn:ss");
  s.TimeAMString = locale.amText();
  s.TimePMString = locale.pmText();
  for (int m = 0; m < 12; ++m) {
    s.ShortMonthNames[m] = locale.monthName(m + 1, QLocale::ShortFormat);
    s.LongMonthNames[m] = locale.monthName(m + 1, QLocale::LongFormat);
  }
  for (int d = 0; d < 7; ++d) {
    const int qtDay = d == 0 ? 7 : d; // Qt counts Monday = 1 .. Sunday = 7
    s.ShortDayNames[d] = locale.dayName(qtDay, QLocale::ShortFormat);
    s.LongDayNames[d] = locale.dayName(qtDay, QLocale::LongFormat);
  }
  return s;
}

const TFormatSettings& FormatSettings()
{
  return SettingsStorage();
}

void SetFormatSettings(const TFormatSettings& settings)
{
  SettingsStorage() = settings;
}

TFormatSettingsOverride::TFormatSettingsOverride(const TFormatSettings& settings)
    : FSaved(FormatSettings())
{
  SetFormatSettings(settings);
}

TFormatSettingsOverride::~TFormatSettingsOverride()
{
  SetFormatSettings(FSaved);
}

TFormatSettings FormatSettingsWithDecimal(QChar decimalSeparator)
{
  TFormatSettings s = FormatSettings();
  s.DecimalSeparator = decimalSeparator;
  if (decimalSeparator == u',')
    s.ThousandSeparator = u'.';
  else if (decimalSeparator == u'.')
    s.ThousandSeparator = u',';
  else if (s.ThousandSeparator == decimalSeparator)
    s.ThousandSeparator = u' ';
  return s;
}

// ---------------------------------------------------------------------------
// Decimal digits of a binary value
// ---------------------------------------------------------------------------

namespace {

// A non-negative value as decimal digits: Digits[0].Digits[1...] x 10^Exponent.
// No digits means zero.
struct TDecimal
{
  std::string Digits;
  int Exponent = 0;
};

// Correctly rounded (to nearest, ties to even) scientific digits of ax > 0 with
// `decimals` digits after the first.
TDecimal ScientificDigits(long double ax, int decimals)
{
  char buffer[128];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, ax, std::chars_format::scientific, decimals);
  TDecimal d;
  const char* p = buffer;
  for (; p < r.ptr && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.Digits += *p;
  if (p < r.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), r.ptr, d.Exponent);
  return d;
}

// True when ax is exactly the decimal digits x 10^(exponent - digits + 1).
// digits has at most 19 digits and ends in 5 (so its value is odd).
bool IsExactly(long double ax, const std::string& digits, int exponent)
{
  uint64_t value = 0;
  for (char c : digits) value = value * 10 + uint64_t(c - '0');
  const int k = exponent - int(digits.size()) + 1;
  if (k >= 0) {
    // value x 5^k x 2^k: the odd part must fit the 64-bit mantissa.
    uint64_t odd = value;
    for (int i = 0; i < k; ++i) {
      if (odd > std::numeric_limits<uint64_t>::max() / 5) return false;
      odd *= 5;
    }
    return std::ldexp((long double)odd, k) == ax;
  }
  // value / 5^m / 2^m: representable only when 5^m divides value.
  const int m = -k;
  if (m > 27) return false;
  uint64_t power = 1;
  for (int i = 0; i < m; ++i) power *= 5;
  if (value % power != 0) return false;
  return std::ldexp((long double)(value / power), -m) == ax;
}

// ax > 0 rounded to n (1..18) significant digits, halves away from zero.
TDecimal RoundSignificant(long double ax, int n)
{
  TDecimal result = ScientificDigits(ax, n - 1);
  const TDecimal longer = ScientificDigits(ax, n);
  if (longer.Digits.back() == '5' && IsExactly(ax, longer.Digits, longer.Exponent)) {
    // An exact half: round up in magnitude.
    result.Digits = longer.Digits.substr(0, longer.Digits.size() - 1);
    result.Exponent = longer.Exponent;
    int i = int(result.Digits.size()) - 1;
    while (i >= 0 && result.Digits[i] == '9') result.Digits[i--] = '0';
    if (i >= 0) {
      ++result.Digits[i];
    } else {
      result.Digits.insert(result.Digits.begin(), '1');
      result.Digits.pop_back();
      ++result.Exponent;
    }
  }
  return result;
}

// ax >= 0 rounded to at most maxSig significant digits and, when decimals >= 0,
// to that many decimals; halves away from zero.
TDecimal RoundDecimal(long double ax, int maxSig, int decimals)
{
  if (ax == 0) return {};
  int n = maxSig;
  if (decimals >= 0) {
    const TDecimal probe = ScientificDigits(ax, 20);
    const long long wanted = (long long)probe.Exponent + 1 + decimals;
    if (wanted <= 0) {
      // Only the next higher power of ten or zero are left.
      if (wanted == 0 && probe.Digits[0] >= '5') return {"1", probe.Exponent + 1};
      return {};
    }
    n = int(std::min<long long>(n, wanted));
  }
  return RoundSignificant(ax, n);
}

void StripTrailingZeros(TDecimal& d)
{
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
}

// Integer digits (empty below 1) of a rounded value.
std::string IntegerDigits(const TDecimal& d)
{
  if (d.Digits.empty() || d.Exponent < 0) return {};
  std::string s = d.Digits.substr(0, size_t(d.Exponent) + 1);
  s.resize(size_t(d.Exponent) + 1, '0');
  return s;
}

// Fraction digits of a rounded value (no padding).
std::string FractionDigits(const TDecimal& d)
{
  if (d.Digits.empty()) return {};
  if (d.Exponent < 0) return std::string(size_t(-d.Exponent - 1), '0') + d.Digits;
  if (d.Digits.size() <= size_t(d.Exponent) + 1) return {};
  return d.Digits.substr(size_t(d.Exponent) + 1);
}

QString NonFiniteText(long double value)
{
  if (std::isnan(value)) return QStringLiteral("NAN");
  return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString PaddedNumber(long long value, int width)
{
  return QString::number(value).rightJustified(width, u'0');
}

} // namespace

// ---------------------------------------------------------------------------
// Formatters
// ---------------------------------------------------------------------------

QString FloatToStrGeneral(long double Value, int Precision, int ExpDigits)
{
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  if (Value == 0) return QStringLiteral("0");
  Precision = std::clamp(Precision, 1, 18);
  ExpDigits = std::clamp(ExpDigits, 0, 4);
  TDecimal d = RoundDecimal(std::fabs(Value), Precision, -1);
  StripTrailingZeros(d);
  const QChar sep = FormatSettings().DecimalSeparator;
  QString text = Value < 0 ? QStringLiteral("-") : QString();
  if (d.Exponent >= -5 && d.Exponent < Precision) {
    const std::string whole = IntegerDigits(d);
    const std::string fraction = FractionDigits(d);
    text += whole.empty() ? QStringLiteral("0") : QString::fromLatin1(whole.c_str());
    if (!fraction.empty()) text += sep + QString::fromLatin1(fraction.c_str());
  } else {
    text += QChar(d.Digits[0]);
    if (d.Digits.size() > 1) text += sep + QString::fromLatin1(d.Digits.c_str() + 1);
    text += u'E';
    if (d.Exponent < 0) text += u'-';
    text += PaddedNumber(std::abs(d.Exponent), ExpDigits);
  }
  return text;
}

QString FloatToStr(long double Value)
{
  return FloatToStrGeneral(Value, 15, 0);
}

QString FloatToStrFixed(long double Value, int Decimals)
{
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  Decimals = std::clamp(Decimals, 0, 18);
  const TDecimal d = RoundDecimal(std::fabs(Value), 18, Decimals);
  // More integer digits than the precision: scientific notation instead.
  if (!d.Digits.empty() && d.Exponent >= 18) return FloatToStrGeneral(Value, 18);
  const std::string whole = IntegerDigits(d);
  std::string fraction = FractionDigits(d);
  fraction.resize(size_t(Decimals), '0');
  QString text = Value < 0 && !d.Digits.empty() ? QStringLiteral("-") : QString();
  text += whole.empty() ? QStringLiteral("0") : QString::fromLatin1(whole.c_str());
  if (Decimals > 0)
    text += FormatSettings().DecimalSeparator + QString::fromLatin1(fraction.c_str());
  return text;
}

namespace {

// One element of a number pattern section.
struct TPatternItem
{
  enum TKind
  {
    Digit,    // "0" (Zero) or "#"
    Point,    // the first "."
    Literal,  // copied text
    Exponent, // "E+", "E-", "e+", "e-" with its "0"s
  };
  explicit TPatternItem(TKind kind) : Kind(kind) {}
  TKind Kind;
  bool Zero = false;       // Digit: "0"
  QString Text;            // Literal
  QChar ExponentChar;      // Exponent: "E" or "e"
  bool AlwaysSign = false; // Exponent: "+"
  int ExponentDigits = 0;  // Exponent: minimum width
};

struct TPattern
{
  std::vector<TPatternItem> Items;
  int IntegerPlaces = 0;   // digit placeholders before the point
  int DecimalPlaces = 0;   // digit placeholders after the point
  int LastZeroDecimal = 0; // 1 + index of the last "0" after the point
  bool Thousands = false;
  bool Scientific = false;
};

QStringList SplitSections(const QString& format)
{
  QStringList sections;
  QString current;
  QChar quote;
  for (QChar c : format) {
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
    } else if (c == u'\'' || c == u'"') {
      quote = c;
    } else if (c == u';') {
      sections << current;
      current.clear();
      continue;
    }
    current += c;
  }
  sections << current;
  return sections;
}

TPattern ParsePattern(const QString& section)
{
  TPattern p;
  bool seenPoint = false;
  const int n = int(section.size());
  auto literal = [&p](const QString& text) {
    TPatternItem item(TPatternItem::Literal);
    item.Text = text;
    p.Items.push_back(item);
  };
  for (int i = 0; i < n; ++i) {
    const QChar c = section[i];
    if (c == u'\'' || c == u'"') {
      const int end = int(section.indexOf(c, i + 1));
      const int stop = end < 0 ? n : end;
      literal(section.mid(i + 1, stop - i - 1));
      i = stop;
    } else if ((c == u'0' || c == u'#') && !p.Scientific) {
      TPatternItem item(TPatternItem::Digit);
      item.Zero = c == u'0';
      p.Items.push_back(item);
      if (seenPoint) {
        ++p.DecimalPlaces;
        if (item.Zero) p.LastZeroDecimal = p.DecimalPlaces;
      } else {
        ++p.IntegerPlaces;
      }
    } else if (c == u'.') {
      // Only the first point counts; later ones are dropped.
      if (!seenPoint && !p.Scientific) {
        seenPoint = true;
        p.Items.push_back(TPatternItem(TPatternItem::Point));
      }
    } else if (c == u',') {
      p.Thousands = true;
    } else if ((c == u'E' || c == u'e') && !p.Scientific && i + 1 < n &&
               (section[i + 1] == u'+' || section[i + 1] == u'-')) {
      TPatternItem item(TPatternItem::Exponent);
      item.ExponentChar = c;
      item.AlwaysSign = section[i + 1] == u'+';
      i += 2;
      while (i < n && section[i] == u'0') {
        ++item.ExponentDigits;
        ++i;
      }
      --i;
      item.ExponentDigits = std::min(item.ExponentDigits, 4);
      p.Items.push_back(item);
      p.Scientific = true;
    } else {
      literal(QString(c));
    }
  }
  return p;
}

// Writes |value| (already rounded into whole and fraction digits) along the
// pattern. fraction has exactly DecimalPlaces digits.
QString ApplyPattern(const TPattern& p, const std::string& whole, const std::string& fraction,
                     int exponent)
{
  const TFormatSettings& fs = FormatSettings();
  int significantDecimals = 0;
  for (int i = 0; i < int(fraction.size()); ++i)
    if (fraction[i] != '0') significantDecimals = i + 1;
  const int writtenDecimals = std::max(p.LastZeroDecimal, significantDecimals);
  const bool thousands = p.Thousands && !p.Scientific;
  const int wholeLength = int(whole.size());

  QString out;
  // Writes the integer digit at position pos (0 = units) and a thousand
  // separator after it where one belongs.
  auto putWholeDigit = [&](int pos, QChar digit) {
    out += digit;
    if (thousands && pos > 0 && pos % 3 == 0) out += fs.ThousandSeparator;
  };
  auto putExtraDigits = [&](int fromPos) {
    for (int pos = wholeLength - 1; pos >= fromPos; --pos)
      putWholeDigit(pos, QChar(whole[size_t(wholeLength - 1 - pos)]));
  };

  int wholeIndex = 0;
  int decimalIndex = 0;
  bool seenPoint = false;
  bool wholeWritten = false;
  for (const TPatternItem& item : p.Items) {
    switch (item.Kind) {
    case TPatternItem::Digit:
      if (!seenPoint) {
        const int pos = p.IntegerPlaces - 1 - wholeIndex;
        if (wholeIndex == 0) putExtraDigits(p.IntegerPlaces);
        if (pos < wholeLength)
          putWholeDigit(pos, QChar(whole[size_t(wholeLength - 1 - pos)]));
        else if (item.Zero)
          putWholeDigit(pos, u'0');
        ++wholeIndex;
        wholeWritten = true;
      } else {
        if (decimalIndex < writtenDecimals) out += QChar(fraction[size_t(decimalIndex)]);
        ++decimalIndex;
      }
      break;
    case TPatternItem::Point:
      if (!wholeWritten) putExtraDigits(0);
      wholeWritten = true;
      seenPoint = true;
      if (writtenDecimals > 0) out += fs.DecimalSeparator;
      break;
    case TPatternItem::Literal:
      out += item.Text;
      break;
    case TPatternItem::Exponent:
      out += item.ExponentChar;
      if (exponent < 0)
        out += u'-';
      else if (item.AlwaysSign)
        out += u'+';
      out += PaddedNumber(std::abs(exponent), item.ExponentDigits);
      break;
    }
  }
  return out;
}

} // namespace

QString FormatFloat(const QString& Format, long double Value)
{
  if (Format.isEmpty()) return FloatToStr(Value);
  if (!std::isfinite(Value)) return NonFiniteText(Value);
  const QStringList sections = SplitSections(Format);
  auto sectionAt = [&sections](int i) { return i < sections.size() ? sections[i] : QString(); };

  int index = 0;
  if (Value < 0 && !sectionAt(1).isEmpty())
    index = 1;
  else if (Value == 0 && !sectionAt(2).isEmpty())
    index = 2;
  bool minus = Value < 0 && index == 0;
  const long double ax = std::fabs(Value);

  TPattern p = ParsePattern(sections[index]);
  if (p.Scientific) {
    const int places = std::clamp(p.IntegerPlaces + p.DecimalPlaces, 1, 18);
    std::string digits;
    int exponent = 0;
    if (ax != 0) {
      const TDecimal d = RoundSignificant(ax, places);
      digits = d.Digits;
      exponent = d.Exponent - (p.IntegerPlaces > 0 ? p.IntegerPlaces - 1 : -1);
    }
    std::string whole = ax != 0 ? digits.substr(0, size_t(p.IntegerPlaces)) : std::string();
    std::string fraction =
        size_t(p.IntegerPlaces) < digits.size() ? digits.substr(size_t(p.IntegerPlaces)) : "";
    fraction.resize(size_t(p.DecimalPlaces), '0');
    return (minus ? QStringLiteral("-") : QString()) + ApplyPattern(p, whole, fraction, exponent);
  }

  TDecimal d = RoundDecimal(ax, 18, p.DecimalPlaces);
  if (d.Digits.empty() && ax != 0) {
    // Rounded to zero: the zero section (or the first), without a sign.
    minus = false;
    const int zeroIndex = sectionAt(2).isEmpty() ? 0 : 2;
    if (zeroIndex != index) {
      index = zeroIndex;
      p = ParsePattern(sections[index]);
      if (p.Scientific) return FormatFloat(sections[index], 0);
      d = RoundDecimal(ax, 18, p.DecimalPlaces);
    }
  }
  std::string fraction = FractionDigits(d);
  fraction.resize(size_t(p.DecimalPlaces), '0');
  return (minus ? QStringLiteral("-") : QString()) + ApplyPattern(p, IntegerDigits(d), fraction, 0);
}

int64_t RoundHalfEven(long double Value)
{
  constexpr long double cLimit = 9223372036854775807.0L; // 2^63 - 1
  if (!std::isfinite(Value) || Value > cLimit || Value < -cLimit - 1)
    throw std::overflow_error("Invalid floating point operation");
  long double result = std::floor(Value);
  const long double rest = Value - result;
  if (rest > 0.5L || (rest == 0.5L && std::fmod(result, 2.0L) != 0)) result += 1;
  if (result > cLimit) throw std::overflow_error("Invalid floating point operation");
  return int64_t(result);
}

// ---------------------------------------------------------------------------
// Parsers
// ---------------------------------------------------------------------------

namespace {

bool IsDigit(QChar c)
{
  return c >= u'0' && c <= u'9';
}

// Integer text in the manner of a Pascal Val: leading blanks, a sign, digits.
// Returns the 1-based position of the first character that does not fit, or
// the position after the end when the text stops short or the number does not
// fit 32 bits; 0 when the whole text is a valid number.
int ValInt(const QString& s, int& value)
{
  value = 0;
  const int n = int(s.size());
  int i = 0;
  while (i < n && s[i] == u' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  long long magnitude = 0;
  bool overflow = false;
  const int firstDigit = i;
  for (; i < n && IsDigit(s[i]); ++i) {
    magnitude = magnitude * 10 + (s[i].unicode() - u'0');
    if (magnitude > 2147483648LL) {
      overflow = true;
      magnitude = 2147483648LL;
    }
  }
  if (i < n) return i + 1;
  if (i == firstDigit || overflow || (!negative && magnitude > 2147483647LL)) return n + 1;
  value = int(negative ? -magnitude : magnitude);
  return 0;
}

// Rough decimal exponent of the nonzero number text [-]digits[.digits][e[+-]digits].
long long DecimalMagnitude(const std::string& ascii)
{
  const size_t e = std::min(ascii.find('e'), ascii.size());
  long long exponent = 0;
  for (size_t i = e + 1; i < ascii.size(); ++i)
    if (ascii[i] >= '0' && ascii[i] <= '9')
      exponent = std::min(exponent * 10 + (ascii[i] - '0'), 1000000LL);
  if (e + 1 < ascii.size() && ascii[e + 1] == '-') exponent = -exponent;
  long long position = 0; // digits before the point, counted down past it
  long long firstNonZero = 0;
  bool found = false;
  bool afterPoint = false;
  long long beforePoint = 0;
  for (size_t i = 0; i < e; ++i) {
    const char c = ascii[i];
    if (c == '.') {
      afterPoint = true;
      continue;
    }
    if (c < '0' || c > '9') continue;
    if (!afterPoint) ++beforePoint;
    if (!found && c != '0') {
      found = true;
      firstNonZero = position;
    }
    ++position;
  }
  return beforePoint - firstNonZero - 1 + exponent;
}

// Floating-point text with "." in the manner of a Pascal Val: leading blanks,
// sign, digits, ".", digits, "E" or "e", sign, digits. Same result convention
// as ValInt; an overflow counts as a number that does not fit.
int ValFloat(const QString& s, double& value)
{
  value = 0;
  const int n = int(s.size());
  int i = 0;
  while (i < n && s[i] == u' ') ++i;
  std::string ascii;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) {
    if (s[i] == u'-') ascii += '-';
    ++i;
  }
  int mantissaDigits = 0;
  for (; i < n && IsDigit(s[i]); ++i, ++mantissaDigits) ascii += char(s[i].unicode());
  if (i < n && s[i] == u'.') {
    ascii += '.';
    for (++i; i < n && IsDigit(s[i]); ++i, ++mantissaDigits) ascii += char(s[i].unicode());
  }
  if (i < n && mantissaDigits == 0) return i + 1;
  bool complete = mantissaDigits > 0;
  if (i < n && (s[i] == u'E' || s[i] == u'e')) {
    ascii += 'e';
    ++i;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) ascii += char(s[i++].unicode());
    int exponentDigits = 0;
    for (; i < n && IsDigit(s[i]); ++i, ++exponentDigits) ascii += char(s[i].unicode());
    complete = exponentDigits > 0;
  }
  if (i < n) return i + 1;
  if (!complete) return n + 1;
  double v = 0;
  const char* begin = ascii.data();
  const auto r = std::from_chars(begin, begin + ascii.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    // Underflow reads as zero, overflow does not fit.
    if (DecimalMagnitude(ascii) >= 0) return n + 1;
    v = ascii[0] == '-' ? -0.0 : 0.0;
  } else if (r.ec != std::errc() || r.ptr != begin + ascii.size()) {
    return n + 1;
  }
  value = v;
  return 0;
}

QString NotValid(const QString& s, const char* what)
{
  return QStringLiteral("'%1' is not a valid %2").arg(s, QString::fromLatin1(what));
}

} // namespace

bool TryStrToInt(const QString& S, int& Value)
{
  if (S.isEmpty() || S[0] == u' ') return false;
  int v = 0;
  if (ValInt(S, v) != 0) return false;
  Value = v;
  return true;
}

int StrToInt(const QString& S)
{
  int v = 0;
  if (!TryStrToInt(S, v)) throw EConvertError(NotValid(S, "integer value"));
  return v;
}

bool TryStrToFloat(const QString& S, double& Value)
{
  const QChar sep = FormatSettings().DecimalSeparator;
  // Only the locale separator is a decimal separator here; a "." under a ","
  // locale is malformed.
  QString ascii;
  ascii.reserve(S.size());
  for (QChar c : S) {
    if (c == sep)
      ascii += u'.';
    else if (c == u'.' || c == u' ')
      return false;
    else
      ascii += c;
  }
  if (ascii.isEmpty()) return false;
  double v = 0;
  if (ValFloat(ascii, v) != 0) return false;
  Value = v;
  return true;
}

double StrToFloat(const QString& S)
{
  double v = 0;
  if (!TryStrToFloat(S, v)) throw EConvertError(NotValid(S, "floating point value"));
  return v;
}

// ---------------------------------------------------------------------------
// The library's own helpers
// ---------------------------------------------------------------------------

int LastPos(QChar From, const QString& Source)
{
  const qsizetype i = Source.lastIndexOf(From);
  return i < 0 ? -1 : int(i) + 1;
}

int LastPointPos(const QString& Source)
{
  return LastPos(u'.', Source);
}

QString RealToStrDigits(long double r, int Digits)
{
  if (Digits <= 0) return FloatToStr(r);
  QString text = FloatToStrGeneral(r, Digits, std::min(Digits, 4));
  int n = Digits;
  while (n > 0 && text.size() > Digits) {
    --n;
    text = FloatToStrGeneral(r, n, 0);
  }
  return text;
}

bool CharIn(QChar Ch, const QString& Source)
{
  return Source.contains(Ch);
}

QString IndexToAlphabet(int i)
{
  QString text;
  while (i > 0) {
    --i;
    text.prepend(QChar(u'A' + i % 26));
    i /= 26;
  }
  return text;
}

QString Americanize(const QString& Source)
{
  const QChar sep = FormatSettings().DecimalSeparator;
  if (sep == u'.') return Source;
  QString text = Source;
  text.replace(sep, u'.');
  return text;
}

QString DeAmericanize(const QString& Source)
{
  QString text = Source;
  text.replace(u'.', FormatSettings().DecimalSeparator);
  return text;
}

bool IsIntegerDigit(QChar Ch)
{
  return Ch == u'+' || Ch == u'-' || IsDigit(Ch);
}

bool IsAmericanNumberDigit(QChar Ch)
{
  return IsIntegerDigit(Ch) || Ch == u'.' || Ch == u'E' || Ch == u'e';
}

int ExtractOneInt(QString& S)
{
  int skip = 0;
  while (skip < S.size() && !IsIntegerDigit(S[skip])) ++skip;
  S.remove(0, skip);
  const QString d = S;
  int value = 0;
  const int err = ValInt(S, value);
  if (err > 0)
    S.remove(0, err);
  else
    S.clear();
  if (err > 0 && ValInt(d.left(err - 1), value) != 0)
    throw EConvertError(QStringLiteral("Error during integer extraction"));
  return value;
}

void EraseToNumber(QString& S)
{
  if (S.isEmpty()) return;
  if ((S[0] == u'E' || S[0] == u'e') && S.size() > 1 && !IsIntegerDigit(S[1])) S.remove(0, 1);
  int skip = 0;
  while (skip < S.size() && !IsAmericanNumberDigit(S[skip])) ++skip;
  S.remove(0, skip);
}

double ExtractOneDouble(QString& S)
{
  EraseToNumber(S);
  const QString u = S.toUpper();
  double value = 0;
  const int err = ValFloat(S, value);
  if (err != 0) {
    S.remove(0, err);
    EraseToNumber(S);
  } else {
    S.clear();
  }
  if (err > 0 && ValFloat(u.left(err - 1), value) != 0)
    throw EConvertError(QStringLiteral("Error during floating point number extraction"));
  return value;
}

QString DoubleToStr(double Value)
{
  return Americanize(FloatToStr(Value));
}

double DoubleFromStr(const QString& Value)
{
  return StrToFloat(DeAmericanize(Value));
}

QString ShiftStateToStr(TShiftState Shift)
{
  return QString::number(ShiftStateToInt(Shift));
}

TShiftState StrToShiftState(const QString& S)
{
  return IntToShiftState(StrToInt(S));
}

int ShiftStateToInt(TShiftState Shift)
{
  return int(Shift);
}

TShiftState IntToShiftState(int Value)
{
  return TShiftState(uint32_t(Value) & 0xFFFFu);
}
