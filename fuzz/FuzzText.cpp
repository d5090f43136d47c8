// The number and time text parsers and extractors of the text helpers over
// arbitrary text (typed, pasted or read from a stored file), and the number
// and date-time patterns a stored file may carry. Only the conversion error
// may come out of them; what they read must write and read back the same.
#include "controls/GvDateTime.h"
#include "controls/GvStringFunctions.h"

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdlib>

namespace {

void Check(bool Condition)
{
  if (!Condition) std::abort();
}

// Runs F; a conversion error is an answer, anything else a finding.
template <class F> bool Converts(F&& Run)
{
  try {
    Run();
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

void Extractors(const QString& Text)
{
  // Each extraction takes something off the front, so they end.
  QString s = Text;
  for (qsizetype guard = Text.size() + 1; !s.isEmpty(); --guard) {
    Check(guard > 0);
    const qsizetype before = s.size();
    if (!Converts([&] { ExtractOneInt(s); })) break;
    Check(s.size() < before);
  }
  s = Text;
  for (qsizetype guard = Text.size() + 1; !s.isEmpty(); --guard) {
    Check(guard > 0);
    const qsizetype before = s.size();
    if (!Converts([&] { ExtractOneDouble(s); })) break;
    Check(s.size() < before);
  }
  s = Text;
  EraseToNumber(s);
  Check(s.size() <= Text.size());
}

void Numbers(const QString& Text)
{
  int i = 0;
  const bool isInt = TryStrToInt(Text, i);
  int j = 0;
  Check(Converts([&] { j = StrToInt(Text); }) == isInt);
  if (isInt) Check(i == j && StrToInt(QString::number(i)) == i);

  double x = 0;
  const bool isFloat = TryStrToFloat(Text, x);
  double y = 0;
  Check(Converts([&] { y = StrToFloat(Text); }) == isFloat);
  if (isFloat && std::isfinite(x)) {
    Check(x == y);
    // Stored text reads back as the same number (15 digits are kept).
    const QString stored = DoubleToStr(x);
    const double back = DoubleFromStr(stored);
    if (std::fabs(x) >= 1e-300 || x == 0) Check(DoubleToStr(back) == stored);
  }
  Converts([&] { DoubleFromStr(Text); });
  Converts([&] { StrToShiftState(Text); });
  for (int digits : {0, 1, 6, 15}) {
    const QString t = RealToStrDigits(isFloat ? x : Text.size(), digits);
    Check(!t.isEmpty());
  }
}

void Times(const QString& Text)
{
  double span = 0;
  if (Converts([&] { span = DoubleFomTimeSpanStr(Text); }) && std::isfinite(span) && span >= 0 &&
      span < 1e9)
    Converts([&] { DoubleToTimeSpanStr(span); });
  double when = 0;
  if (Converts([&] { when = StrToDateTime(Text); })) {
    Check(std::isfinite(when));
    if (when >= cMinDateTime && when <= cMaxDateTime) {
      const QString shown = DateTimeToStr(when);
      double again = 0;
      Check(Converts([&] { again = StrToDateTime(shown); }));
      Check(DateTimeToStr(again) == shown);
    }
  }
  for (TGvSecondsFormatRange r : {TGvSecondsFormatRange::Second, TGvSecondsFormatRange::Day})
    SecondsToString(Text.size() * 37.25, r);
}

// Patterns as a stored file may carry them.
void Patterns(const QString& Pattern)
{
  for (long double v : {-1.5L, 1234.5678L, 1e300L})
    Converts([&] { FormatFloat(Pattern, v); });
  for (double t : {46000.5, -1.25, 0.0}) Converts([&] { FormatDateTime(Pattern, t); });
  Converts([&] { MyDateTimeToString(Pattern, 46000.123456); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  if (Size > 512) return 0;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
  // Under either decimal separator a locale may have (the input's length
  // picks one), with dates written with four-digit years so that they read
  // back.
  const QChar separator = Size % 2 ? u',' : u'.';
  TFormatSettings settings;
  settings.DecimalSeparator = separator;
  settings.ThousandSeparator = separator == u'.' ? u',' : u'.';
  const TFormatSettingsOverride locale(settings);
  Numbers(text);
  Extractors(text);
  Times(text);
  if (Size <= 128) Patterns(text);
  return 0;
}
