#include "controls/GvStringFunctions.h"
#include "TextTestSupport.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

// Texts in the tables are written for a "." locale (thousands ","); under the
// "," locale the two characters swap.
class UnderLocale : public ::testing::TestWithParam<char>
{
protected:
  void SetUp() override
  {
    FOverride = std::make_unique<TFormatSettingsOverride>(
        FormatSettingsWithDecimal(QChar::fromLatin1(GetParam())));
  }
  void TearDown() override { FOverride.reset(); }

  static QString L(const char* text)
  {
    QString s = QString::fromUtf8(text);
    if (GetParam() == '.') return s;
    for (QChar& c : s) {
      if (c == u'.')
        c = u',';
      else if (c == u',')
        c = u'.';
    }
    return s;
  }

private:
  std::unique_ptr<TFormatSettingsOverride> FOverride;
};

INSTANTIATE_TEST_SUITE_P(Locales, UnderLocale, ::testing::Values('.', ','), [](const auto& info) {
  return std::string(info.param == '.' ? "Point" : "Comma");
});

TEST_P(UnderLocale, GeneralFormat)
{
  struct Case
  {
    long double value;
    int precision, expDigits;
    const char* text;
  };
  const Case cases[] = {
      {0.4, 15, 0, "0.4"},
      {1e20, 15, 0, "1E20"},
      {1e-6, 15, 0, "1E-6"},
      {0, 15, 0, "0"},
      {-0.0, 15, 0, "0"},
      {-1.5, 15, 0, "-1.5"},
      {123456789012345678.0, 15, 0, "1.23456789012346E17"},
      {0.1 + 0.2, 15, 0, "0.3"},
      {1.0 / 3, 15, 0, "0.333333333333333"},
      {0.00001, 15, 0, "0.00001"}, // smallest magnitude in fixed notation
      {0.0000099, 15, 0, "9.9E-6"},
      {999999999999999.0, 15, 0, "999999999999999"},
      {1e15, 15, 0, "1E15"},              // 16 integer digits
      {999999999999999.9, 15, 0, "1E15"}, // rounding decides the notation
      {99.95, 3, 0, "100"},               // carry into a new digit
      {123456, 3, 0, "1.23E5"},
      {1.5e-7, 15, 4, "1.5E-0007"},
      {2.5e20, 15, 2, "2.5E20"},
      {0.125, 2, 0, "0.13"}, // exact half: away from zero
      {-0.125, 2, 0, "-0.13"},
      {1.7976931348623157e308, 15, 0, "1.79769313486232E308"},
      {0.1L, 18, 0, "0.1"},
      {0.4, 18, 0, "0.400000000000000022"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FloatToStrGeneral(c.value, c.precision, c.expDigits), L(c.text))
        << "value " << double(c.value) << " precision " << c.precision;
  EXPECT_EQ(FloatToStr(123456789012345678.0), L("1.23456789012346E17"));
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST_P(UnderLocale, FixedFormat)
{
  struct Case
  {
    long double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {1.005, 2, "1.00"}, // the double lies below 1.005
      {2.5, 0, "3"},
      {0.125, 2, "0.13"},
      {-3.14159, 3, "-3.142"},
      {-0.001, 2, "0.00"},
      {0, 3, "0.000"},
      {1234567.891, 2, "1234567.89"},
      {0.4, 25, "0.400000000000000022"},     // 18 decimals at most
      {12.345, 18, "12.345000000000000600"}, // 18 significant digits
      {1e18, 2, "1E18"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FloatToStrFixed(c.value, c.decimals), L(c.text))
        << "value " << double(c.value) << " decimals " << c.decimals;
}

TEST_P(UnderLocale, PatternFormat)
{
  struct Case
  {
    const char* pattern;
    long double value;
    const char* text;
  };
  const Case cases[] = {
      // Blanks among the decimals and the integer digits.
      {"0.000 000", 0.4, "0.400 000"},
      {"0.000 000", 1.2345678, "1.234 568"},
      {"0.000 000", 0.1234567, "0.123 457"},
      {"0.000 000", 0, "0.000 000"},
      {"0.000 000 000", 1.5, "1.500 000 000"},
      {"0.000 000 000", 0.0000480679, "0.000 048 068"},
      {"0 000 000", 150, "0 000 150"},
      {"0 000 000", 999850, "0 999 850"},
      {"0 000 000", 1234567, "1 234 567"},
      {"0 000 000", 12345678, "12 345 678"},
      // Rounding, halves away from zero.
      {"0.00", -3.8249, "-3.82"},
      {"0.0", 24.998, "25.0"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.49, "0"},
      {"0.00", 1.005, "1.00"},
      {"0.0", -0.01, "0.0"}, // rounds to zero: no sign
      {"0", 1e20, "100000000000000000000"},
      // Optional digits and thousands.
      {"#,##0.00", 1234.5, "1,234.50"},
      {"#,##0", 1234567, "1,234,567"},
      {"#,##0", 150, "150"},
      {"0,000", 5, "0,005"},
      {"#.##", 5, "5"},
      {"#.##", 5.5, "5.5"},
      {"0.0#", 1, "1.0"},
      {"0.##", 0.125, "0.13"},
      {"#.00", 0.5, ".50"},
      // Sections.
      {"0.00;(0.00)", -1.5, "(1.50)"},
      {"0.00;(0.00)", 0, "0.00"},
      {"0.00;(0.00);zero", 0, "zero"},
      {"0.00;;zero", -1.5, "-1.50"},
      {"0.0;(0.0)", -0.01, "0.0"},
      {"0.0;(0.0);'nil'", -0.01, "nil"},
      // Quoted text, also holding pattern characters.
      {"'x='0.0", 1.25, "x=1.3"},
      {"0.0\" m;0#\"", 2, "2.0 m;0#"},
      // Scientific notation.
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.00E+00", 0.00012345, "1.23E-04"},
      {"0.00E+00", 0, "0.00E+00"},
      {"0.###E-0", 1234.5, "1.235E3"},
      {"0.0e+0", -0.5, "-5.0e-1"},
      {"00.0E+0", 1234.5, "12.3E+2"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatFloat(QString::fromUtf8(c.pattern), c.value), L(c.text))
        << "pattern " << c.pattern << " value " << double(c.value);
  EXPECT_EQ(FormatFloat(QString(), 0.4), L("0.4"));
}

TEST(RoundHalfEven, HalvesGoToEven)
{
  const std::pair<long double, int64_t> cases[] = {
      {0.5, 0},    {1.5, 2},       {2.5, 2},
      {-2.5, -2},  {-0.5, 0},      {-3.5, -4},
      {2.4999, 2}, {2.5000001, 3}, {1e15 + 0.5, 1000000000000000},
      {-7.0, -7}};
  for (const auto& [value, expected] : cases)
    EXPECT_EQ(RoundHalfEven(value), expected) << double(value);
  EXPECT_THROW(RoundHalfEven(1e30), std::overflow_error);
  EXPECT_THROW(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), std::overflow_error);
}

TEST_P(UnderLocale, Parsers)
{
  const std::pair<const char*, int> ints[] = {
      {"12", 12}, {"-7", -7}, {"+3", 3}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}};
  for (const auto& [text, value] : ints) EXPECT_EQ(StrToInt(text), value) << text;
  for (const char* bad : {"", " 1", "1 ", "2147483648", "1.0", "abc", "+", "0x10"}) {
    int v = 99;
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 99);
  }
  EXPECT_EQ(ErrorOf([] { StrToInt("abc"); }), "'abc' is not a valid integer value");

  const std::pair<const char*, double> floats[] = {{"1.5", 1.5}, {"-2.5E3", -2500}, {".5", 0.5},
                                                   {"5.", 5},    {"1e-400", 0},     {"+7e+1", 70}};
  for (const auto& [text, value] : floats) EXPECT_EQ(StrToFloat(L(text)), value) << text;
  for (const char* bad : {"", "1,5", "1e", " 1", "1 ", "1e999", ".", "1.2.3", "abc"}) {
    double v = 99;
    EXPECT_FALSE(TryStrToFloat(L(bad), v)) << bad;
    EXPECT_EQ(v, 99);
  }
  EXPECT_EQ(ErrorOf([] { StrToFloat("abc"); }), "'abc' is not a valid floating point value");
}

TEST_P(UnderLocale, LocaleIndependentText)
{
  EXPECT_EQ(DoubleToStr(0.1), "0.1");
  EXPECT_EQ(DoubleToStr(-1.25e-7), "-1.25E-7");
  EXPECT_EQ(DoubleFromStr("2.5"), 2.5);
  EXPECT_EQ(DoubleFromStr("-1.25E-7"), -1.25e-7);
  EXPECT_THROW(DoubleFromStr("x"), EConvertError);
  EXPECT_EQ(Americanize(L("1.5")), "1.5");
  EXPECT_EQ(DeAmericanize("1.5"), L("1.5"));
}

TEST(StringHelpers, PositionsAndLetters)
{
  EXPECT_EQ(LastPos(u'a', "banana"), 6);
  EXPECT_EQ(LastPos(u'x', "banana"), -1);
  EXPECT_EQ(LastPos(u'a', ""), -1);
  EXPECT_EQ(LastPointPos("1.2.3"), 4);
  EXPECT_EQ(LastPointPos("123"), -1);
  EXPECT_TRUE(CharIn(u'+', "+-"));
  EXPECT_FALSE(CharIn(u'x', ""));

  const std::pair<int, const char*> columns[] = {{0, ""},    {-3, ""},   {1, "A"},    {26, "Z"},
                                                 {27, "AA"}, {28, "AB"}, {702, "ZZ"}, {703, "AAA"}};
  for (const auto& [i, text] : columns) EXPECT_EQ(IndexToAlphabet(i), text) << i;

  for (QChar c : QStringLiteral("+-0123456789")) EXPECT_TRUE(IsIntegerDigit(c)) << int(c.unicode());
  for (QChar c : QStringLiteral(".eE ,x")) EXPECT_FALSE(IsIntegerDigit(c)) << int(c.unicode());
  for (QChar c : QStringLiteral("+-.09eE"))
    EXPECT_TRUE(IsAmericanNumberDigit(c)) << int(c.unicode());
  for (QChar c : QStringLiteral(", xd")) EXPECT_FALSE(IsAmericanNumberDigit(c)) << int(c.unicode());
}

TEST_P(UnderLocale, RealToStrDigitsFitsTheWidth)
{
  struct Case
  {
    long double value;
    int digits;
    const char* text;
  };
  const Case cases[] = {
      {123456789.0, 6, "1.23E8"},
      {0.4, 0, "0.4"},
      {3.14159265, 4, "3.14"},
      {1234.5678, 6, "1234.6"},
      {0.5, 6, "0.5"},
      {-0.000123456, 8, "-0.00012"},
      {42, 2, "42"},
      {123, 2, "1E2"},
      {123, 1, "1E2"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RealToStrDigits(c.value, c.digits), L(c.text)) << double(c.value) << " " << c.digits;
}

TEST_P(UnderLocale, ExtractOneInt)
{
  QString s = "12, 34;56";
  EXPECT_EQ(ExtractOneInt(s), 12);
  EXPECT_EQ(s, " 34;56");
  EXPECT_EQ(ExtractOneInt(s), 34);
  EXPECT_EQ(ExtractOneInt(s), 56);
  EXPECT_EQ(s, "");

  s = "x-5y7";
  EXPECT_EQ(ExtractOneInt(s), -5);
  EXPECT_EQ(s, "7");

  for (const char* bad : {"", "no digits", "-x5", "99999999999", "3000000000;1"}) {
    QString t = bad;
    EXPECT_EQ(ErrorOf([&t] { ExtractOneInt(t); }), "Error during integer extraction") << bad;
  }
}

TEST_P(UnderLocale, ExtractOneDouble)
{
  struct Case
  {
    const char* text;
    double value;
    const char* rest;
  };
  const Case cases[] = {
      {"x=1.5e3;", 1500, ""},                  // the ";" goes with the number
      {"a 2 b 3", 2, "3"},                     // the junk before the next number goes at once
      {"-.5 V", -0.5, ""},    {"1,5", 1, "5"}, // "." is the separator under every locale
      {"Ex5", 5, ""},                          // a leading "E" that starts no exponent is dropped
  };
  for (const Case& c : cases) {
    QString s = c.text;
    EXPECT_EQ(ExtractOneDouble(s), c.value) << c.text;
    EXPECT_EQ(s, c.rest) << c.text;
  }
  QString s = "no number";
  EXPECT_EQ(ErrorOf([&s] { ExtractOneDouble(s); }),
            "Error during floating point number extraction");
  s = "1e999;";
  EXPECT_THROW(ExtractOneDouble(s), EConvertError);
  // An "E" before a sign is kept, and no number starts with it.
  s = "E-5";
  EXPECT_THROW(ExtractOneDouble(s), EConvertError);
  EXPECT_EQ(s, "-5");
}

TEST(StringHelpers, EraseToNumber)
{
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},     {"abc12", "12"}, {"E-5", "E-5"}, {"e5", "e5"},
      {"Ex5", "5"}, {"e.5", ".5"},   {"  .5", ".5"}, {"xyz", ""}};
  for (const auto& [text, rest] : cases) {
    QString s = text;
    EraseToNumber(s);
    EXPECT_EQ(s, rest) << text;
  }
}

TEST(StringHelpers, ShiftState)
{
  const TShiftState state = uint16_t(TShiftStateFlag::Shift) | uint16_t(TShiftStateFlag::Ctrl) |
                            uint16_t(TShiftStateFlag::Horizontal);
  EXPECT_EQ(ShiftStateToInt(state), 1029);
  EXPECT_EQ(ShiftStateToStr(state), "1029");
  EXPECT_EQ(StrToShiftState("1029"), state);
  EXPECT_EQ(IntToShiftState(0x12345), 0x2345);
  EXPECT_EQ(IntToShiftState(-1), 0xFFFF);
  EXPECT_THROW(StrToShiftState("ctrl"), EConvertError);
}

TEST(FormatSettings, FromQtLocales)
{
  struct Case
  {
    QLocale locale;
    QChar decimal, thousand, date, time;
    const char* shortDate;
    const char* longTime;
  };
  const Case cases[] = {
      {QLocale::c(), u'.', u',', u' ', u':', "d/mmm/yyyy", "hh:nn:ss"},
      {QLocale("en_US"), u'.', u',', u'/', u':', "m/d/yy", "h:nn:ss ampm"},
      {QLocale("de_DE"), u',', u'.', u'.', u':', "dd/mm/yy", "hh:nn:ss"},
      {QLocale("fi_FI"), u',', QChar(0xA0), u'.', u'.', "d/m/yyyy", "h:nn:ss"},
      {QLocale("bg_BG"), u',', QChar(0xA0), u'.', u':', "d/mm/yy г/", "h:nn:ss ч."},
  };
  for (const Case& c : cases) {
    const TFormatSettings s = TFormatSettings::FromLocale(c.locale);
    SCOPED_TRACE(c.locale.name().toStdString());
    EXPECT_EQ(s.DecimalSeparator, c.decimal);
    EXPECT_EQ(s.ThousandSeparator, c.thousand);
    EXPECT_EQ(s.DateSeparator, c.date);
    EXPECT_EQ(s.TimeSeparator, c.time);
    EXPECT_EQ(s.ShortDateFormat, QString::fromUtf8(c.shortDate));
    EXPECT_EQ(s.LongTimeFormat, QString::fromUtf8(c.longTime));
  }
  const TFormatSettings us = TFormatSettings::FromLocale(QLocale("en_US"));
  EXPECT_EQ(us.TimePMString, "PM");
  EXPECT_EQ(us.ShortMonthNames[2], "Mar");
  EXPECT_EQ(us.LongDayNames[0], "Sunday");
  EXPECT_EQ(TFormatSettings::FromLocale(QLocale("de_DE")).LongMonthNames[2],
            QString::fromUtf8("März"));
}

TEST(FormatSettings, OverrideRestores)
{
  const QChar before = FormatSettings().DecimalSeparator;
  const QChar other = before == u',' ? u'.' : u',';
  {
    TFormatSettingsOverride o(FormatSettingsWithDecimal(other));
    EXPECT_EQ(FormatSettings().DecimalSeparator, other);
    EXPECT_NE(FormatSettings().ThousandSeparator, other);
    EXPECT_EQ(FloatToStr(1.5), QString("1") + other + "5");
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, before);
}

} // namespace
