// Text conventions shared by the component library and the mixer: numbers
// that fit a width, locale-independent number text, pattern formats, number
// extraction from free text, and the process-wide locale settings.
#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <stdexcept>

class QLocale;

// Conversion failures: malformed number or time text, and the extraction
// helpers' own errors.
class EConvertError : public std::runtime_error
{
public:
  explicit EConvertError(const QString& message)
      : std::runtime_error(message.toStdString()), FMessage(message)
  {
  }
  const QString& Message() const { return FMessage; }

private:
  QString FMessage;
};

// Number and date conventions read by every conversion. Initialised once from
// the user's locale; tests replace them with TFormatSettingsOverride.
struct TFormatSettings
{
  QChar DecimalSeparator = u'.';
  QChar ThousandSeparator = u',';
  QChar TimeSeparator = u':';
  QChar DateSeparator = u'/';
  QString TimeAMString = QStringLiteral("AM");
  QString TimePMString = QStringLiteral("PM");
  // Date-time patterns in the "yyyy mm dd hh nn ss zzz" notation; "/" and ":"
  // stand for DateSeparator and TimeSeparator.
  QString ShortDateFormat = QStringLiteral("yyyy/mm/dd");
  QString LongTimeFormat = QStringLiteral("hh:nn:ss");
  QString ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  QString LongMonthNames[12] = {"January",   "February", "March",    "April",
                                "May",       "June",     "July",     "August",
                                "September", "October",  "November", "December"};
  QString ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  QString LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};

  // Settings of the user's locale (QLocale::system()).
  static TFormatSettings FromSystemLocale();
  // Settings of any locale: separators, AM/PM, names, and the short date and
  // long time patterns converted from Qt's notation.
  static TFormatSettings FromLocale(const QLocale& locale);
};

// The process-wide settings (initialised from the user's locale on first use).
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);

// Replaces the process-wide settings for its lifetime (tests).
class TFormatSettingsOverride
{
public:
  explicit TFormatSettingsOverride(const TFormatSettings& settings);
  ~TFormatSettingsOverride();
  TFormatSettingsOverride(const TFormatSettingsOverride&) = delete;
  TFormatSettingsOverride& operator=(const TFormatSettingsOverride&) = delete;

private:
  TFormatSettings FSaved;
};

// Convenience: the current settings with another decimal separator (and the
// thousand separator swapped accordingly).
TFormatSettings FormatSettingsWithDecimal(QChar decimalSeparator);

// ---- Formatters (all with FormatSettings().DecimalSeparator) ----

// General format: shortest text with at most Precision significant digits;
// fixed notation when |Value| >= 0.00001 and the integer part has at most
// Precision digits, else scientific ("1.5E20", "1E-6") with the exponent padded
// by leading zeros to ExpDigits (0..4) digits.
QString FloatToStrGeneral(long double Value, int Precision, int ExpDigits = 0);
// Plain float text: general format, precision 15, no exponent padding.
QString FloatToStr(long double Value);
// Fixed format with Decimals (0..18) decimals and at most 18 significant
// digits, no thousand separators; a value that rounds to zero has no sign;
// with more than 18 integer digits it is the general format with precision 18.
QString FloatToStrFixed(long double Value, int Decimals);
// Pattern format: up to three sections "pos;neg;zero" with "0", "#", ".", ",",
// "E+", "E-", "e+", "e-", quoted text and literal characters; rounding half
// away from zero. FormatFloat("0.000 000", 1.2345678) == "1.234 568". A value
// that rounds to zero uses the zero section (else the first) without a sign;
// an empty pattern gives FloatToStr.
QString FormatFloat(const QString& Format, long double Value);

// Rounding to an integer with halves to even (0.5 -> 0, 1.5 -> 2, -2.5 -> -2).
// Raises std::overflow_error for NaN and values outside 64 bits.
int64_t RoundHalfEven(long double Value);

// ---- Parsers (raise EConvertError on malformed text) ----
// Whole text as a 32-bit integer (optional sign, digits; no blanks).
int StrToInt(const QString& S);
// Whole text as a float with the locale decimal separator (sign, digits,
// separator, exponent). Blanks around are not allowed.
double StrToFloat(const QString& S);
bool TryStrToInt(const QString& S, int& Value);
bool TryStrToFloat(const QString& S, double& Value);

// ---- The library's own helpers ----
int LastPos(QChar From, const QString& Source); // -1 when absent
int LastPointPos(const QString& Source);
QString RealToStrDigits(long double r, int Digits);
bool CharIn(QChar Ch, const QString& Source);
QString IndexToAlphabet(int i);
QString Americanize(const QString& Source);
QString DeAmericanize(const QString& Source);
bool IsIntegerDigit(QChar Ch);
bool IsAmericanNumberDigit(QChar Ch);
int ExtractOneInt(QString& S);
double ExtractOneDouble(QString& S);
void EraseToNumber(QString& S);
QString DoubleToStr(double Value);
double DoubleFromStr(const QString& Value);

// Keyboard and mouse shift state as 11 flags in a 16-bit word, bit 0 upwards.
enum class TShiftStateFlag : uint16_t
{
  Shift = 1 << 0,
  Alt = 1 << 1,
  Ctrl = 1 << 2,
  Left = 1 << 3,
  Right = 1 << 4,
  Middle = 1 << 5,
  Double = 1 << 6,
  Touch = 1 << 7,
  Pen = 1 << 8,
  Command = 1 << 9,
  Horizontal = 1 << 10,
};
using TShiftState = uint16_t;
QString ShiftStateToStr(TShiftState Shift);
TShiftState StrToShiftState(const QString& S);
int ShiftStateToInt(TShiftState Shift);
TShiftState IntToShiftState(int Value);
