#include "sequence/SequenceFile.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <cmath>

namespace {
constexpr int cMaxLineLength = 1000;
constexpr int cMaxRepeat = 1000000;

// The text of a field as a message quotes it: at most 40 characters, control
// and non-ASCII characters shown as "?".
QString Quoted(const QByteArray& Field)
{
  QString s;
  for (char c : Field.left(40)) s += (c >= 0x20 && c < 0x7F) ? QChar(c) : QChar(u'?');
  if (Field.size() > 40) s += QStringLiteral("...");
  return u'"' + s + u'"';
}

bool AllDigits(const QByteArray& s)
{
  if (s.isEmpty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A whole number of ppm, 0 .. 1000000: digits, optionally followed by "."
// and zeros ("150" or "150.0").
bool ParsePpm(const QByteArray& Field, int& Value)
{
  QByteArray digits = Field;
  const qsizetype point = Field.indexOf('.');
  if (point >= 0) {
    const QByteArray fraction = Field.mid(point + 1);
    if (!AllDigits(fraction) || fraction.count('0') != fraction.size()) return false;
    digits = Field.left(point);
  }
  if (!AllDigits(digits) || digits.size() > 9) return false;
  Value = digits.toInt();
  return Value <= 1000000;
}

// Minutes: digits with an optional "." fraction and an optional exponent.
bool ParseMinutes(const QByteArray& Field, double& Value)
{
  qsizetype i = 0;
  const qsizetype n = Field.size();
  const auto digits = [&] {
    const qsizetype start = i;
    while (i < n && Field[i] >= '0' && Field[i] <= '9') ++i;
    return i > start;
  };
  if (!digits()) return false;
  if (i < n && Field[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < n && (Field[i] == 'e' || Field[i] == 'E')) {
    ++i;
    if (i < n && (Field[i] == '+' || Field[i] == '-')) ++i;
    if (!digits()) return false;
  }
  if (i != n) return false;
  bool ok = false;
  Value = Field.toDouble(&ok); // the C locale: "." whatever the user's locale
  return ok && std::isfinite(Value);
}

// The shortest text that reads back as the same number.
QString MinutesFileText(double Minutes)
{
  return QString::number(Minutes, 'g', QLocale::FloatingPointShortest);
}
} // namespace

QString SequenceFileHeader()
{
  return QStringLiteral("Kind;Gas A (ppm);H2O (ppm);Minutes");
}

TSequenceReadResult ReadSequenceText(const QByteArray& Text)
{
  TSequenceReadResult r;
  const auto fail = [&r](int line, const QString& text) {
    r.Ok = false;
    r.Line = line;
    r.Error = line > 0 ? QStringLiteral("Line %1: %2").arg(line).arg(text) : text;
    r.Sequence = TSequence();
    return r;
  };
  if (Text.size() > cMaxSequenceFileBytes)
    return fail(0, QStringLiteral("The file is %1 bytes long; a sequence file has at most %2.")
                       .arg(Text.size())
                       .arg(cMaxSequenceFileBytes));

  QByteArray text = Text;
  if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3); // a byte-order mark
  int repeatLine = 0, endLine = 0;
  qsizetype pos = 0;
  for (int line = 1; pos < text.size() || line == 1; ++line) {
    qsizetype eol = text.indexOf('\n', pos);
    if (eol < 0) eol = text.size();
    QByteArray l = text.mid(pos, eol - pos);
    pos = eol + 1;
    if (l.endsWith('\r')) l.chop(1);
    if (l.size() > cMaxLineLength)
      return fail(line, QStringLiteral("the line is longer than %1 characters.").arg(cMaxLineLength));
    if (line == 1) {
      if (l != SequenceFileHeader().toLatin1())
        return fail(1, QStringLiteral("the first line must be \"%1\", not %2.")
                           .arg(SequenceFileHeader(), Quoted(l)));
      continue;
    }
    if (l.trimmed().isEmpty()) continue;
    const QList<QByteArray> f = l.split(';');
    const QByteArray& word = f[0];
    if (word == "Repeat" || word == "End") {
      if (f.size() != 2)
        return fail(line, QStringLiteral("%1 fields; a %2 line has 2 (%2;value).")
                              .arg(f.size())
                              .arg(QString::fromLatin1(word)));
      int& seen = word == "Repeat" ? repeatLine : endLine;
      if (seen)
        return fail(line, QStringLiteral("%1 was given before, on line %2.")
                              .arg(QString::fromLatin1(word))
                              .arg(seen));
      seen = line;
      if (word == "Repeat") {
        if (!AllDigits(f[1]) || f[1].size() > 7 || f[1].toInt() < 1 || f[1].toInt() > cMaxRepeat)
          return fail(line, QStringLiteral("Repeat must be a whole number from 1 to %1, not %2.")
                                .arg(cMaxRepeat)
                                .arg(Quoted(f[1])));
        r.Sequence.Repeat = f[1].toInt();
      } else {
        const std::optional<TSequenceEnd> end = SequenceEndFromName(QString::fromLatin1(f[1]));
        if (!end)
          return fail(line, QStringLiteral("End must be \"standby\" or \"hold\", not %1.")
                                .arg(Quoted(f[1])));
        r.Sequence.End = *end;
      }
      continue;
    }
    const std::optional<TStepKind> kind =
        AllDigits(word) ? std::nullopt : StepKindFromName(QString::fromLatin1(word));
    if (!kind)
      return fail(line, QStringLiteral("unknown kind %1; a step is mix, bypass, standby or flush "
                                       "(in lower case), besides the lines Repeat and End.")
                            .arg(Quoted(word)));
    if (f.size() != 4)
      return fail(line, QStringLiteral("%1 fields; a step has 4 (%2).")
                            .arg(f.size())
                            .arg(SequenceFileHeader()));
    if (int(r.Sequence.Steps.size()) >= cMaxSequenceSteps)
      return fail(line, QStringLiteral("more than %1 steps.").arg(cMaxSequenceSteps));
    TSequenceStep step;
    step.Kind = *kind;
    if (*kind == TStepKind::Mix) {
      const char* names[] = {"Gas A (ppm)", "H2O (ppm)"};
      int* values[] = {&step.PpmA, &step.PpmH2O};
      for (int k = 0; k < 2; ++k) {
        const QByteArray& field = f[1 + k];
        if (field.isEmpty())
          return fail(line, QStringLiteral("%1 is missing; a mix step needs it.")
                                .arg(QLatin1String(names[k])));
        if (field.startsWith('-'))
          return fail(line, QStringLiteral("%1 is negative (%2).")
                                .arg(QLatin1String(names[k]), Quoted(field)));
        if (!ParsePpm(field, *values[k]))
          return fail(line, QStringLiteral("%1 must be a whole number from 0 to 1000000, not %2.")
                                .arg(QLatin1String(names[k]), Quoted(field)));
      }
    } else if (!f[1].isEmpty() || !f[2].isEmpty()) {
      return fail(line, QStringLiteral("a %1 step takes no ppm values; leave both fields empty.")
                            .arg(StepKindName(*kind)));
    }
    const QByteArray& minutes = f[3];
    if (minutes.isEmpty()) return fail(line, QStringLiteral("the minutes are missing."));
    if (minutes.startsWith('-'))
      return fail(line, QStringLiteral("the minutes are negative (%1).").arg(Quoted(minutes)));
    if (!ParseMinutes(minutes, step.Minutes))
      return fail(line, QStringLiteral("the minutes must be a number with \".\" as decimal "
                                       "separator, not %1.")
                            .arg(Quoted(minutes)));
    r.Sequence.Steps.push_back(step);
  }
  if (r.Sequence.Steps.empty()) return fail(0, QStringLiteral("The file holds no steps."));
  r.Ok = true;
  return r;
}

QByteArray WriteSequenceText(const TSequence& Sequence)
{
  QByteArray out = SequenceFileHeader().toLatin1() + '\n';
  for (const TSequenceStep& s : Sequence.Steps) {
    out += StepKindName(s.Kind).toLatin1() + ';';
    if (s.Kind == TStepKind::Mix)
      out += QByteArray::number(s.PpmA) + ';' + QByteArray::number(s.PpmH2O) + ';';
    else
      out += ";;";
    out += MinutesFileText(s.Minutes).toLatin1() + '\n';
  }
  out += "Repeat;" + QByteArray::number(Sequence.Repeat) + '\n';
  out += "End;" + SequenceEndName(Sequence.End).toLatin1() + '\n';
  return out;
}

TSequenceReadResult LoadSequenceFile(const QString& Path)
{
  TSequenceReadResult r;
  QFile file(Path);
  if (!file.open(QIODevice::ReadOnly)) {
    r.Error = QStringLiteral("Cannot read %1: %2").arg(Path, file.errorString());
    return r;
  }
  // One byte more than allowed tells a file that is too long without reading it all.
  const QByteArray text = file.read(cMaxSequenceFileBytes + 1);
  if (text.size() > cMaxSequenceFileBytes) {
    r.Error = QStringLiteral("%1 is larger than %2 bytes; it is not a sequence file.")
                  .arg(Path)
                  .arg(cMaxSequenceFileBytes);
    return r;
  }
  return ReadSequenceText(text);
}

bool SaveSequenceFile(const QString& Path, const TSequence& Sequence, QString* Error)
{
  QSaveFile file(Path);
  const QByteArray text = WriteSequenceText(Sequence);
  const bool ok = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                  file.commit();
  if (!ok && Error) *Error = QStringLiteral("Cannot write %1: %2").arg(Path, file.errorString());
  return ok;
}
