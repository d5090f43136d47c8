#include "sequence/SequenceLog.h"

#include "controls/GvDateTime.h"

#include <QLocale>

#include <unistd.h>

QString SequenceLogHeader()
{
  return QStringLiteral("Time;Step;Repetition;Kind;Gas A (ppm);H2O (ppm);Minutes;Method");
}

QString SequenceLogPath(const QString& Base, double Start)
{
  return Base + QStringLiteral(" sequence ") +
         FormatDateTime(QStringLiteral("mm-dd hh_nn"), Start) + QStringLiteral(".CSV");
}

QString SequenceLogLine(const TStepStart& Start)
{
  const TSequenceStep& v = Start.Values;
  const bool mix = v.Kind == TStepKind::Mix;
  // The method texts hold no ";", but a line must stay one line whatever comes.
  QString method = mix ? Start.Method : QString();
  method.replace(u';', u',').replace(u'\n', u' ').replace(u'\r', u' ');
  return QStringList{FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), Start.Issued),
                     QString::number(Start.Step),
                     QString::number(Start.Repetition),
                     StepKindName(v.Kind),
                     mix ? QString::number(v.PpmA) : QString(),
                     mix ? QString::number(v.PpmH2O) : QString(),
                     QString::number(v.Minutes, 'g', QLocale::FloatingPointShortest),
                     method}
      .join(u';');
}

bool TSequenceLog::Open(const QString& Path, QString* Error)
{
  Close();
  FFile.setFileName(Path);
  if (!FFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
    if (Error) *Error = QStringLiteral("Cannot write %1: %2").arg(Path, FFile.errorString());
    return false;
  }
  return FFile.size() > 0 || WriteLine(SequenceLogHeader(), Error);
}

bool TSequenceLog::Append(const TStepStart& Start, QString* Error)
{
  if (!FFile.isOpen()) {
    if (Error) *Error = QStringLiteral("The sequence log is not open.");
    return false;
  }
  return WriteLine(SequenceLogLine(Start), Error);
}

bool TSequenceLog::WriteLine(const QString& Line, QString* Error)
{
  const QByteArray bytes = Line.toUtf8() + "\r\n";
  const bool ok = FFile.write(bytes) == bytes.size() && FFile.flush() &&
                  ::fdatasync(FFile.handle()) == 0;
  if (!ok && Error)
    *Error = QStringLiteral("Cannot write %1: %2").arg(FFile.fileName(), FFile.errorString());
  return ok;
}

void TSequenceLog::Close()
{
  if (FFile.isOpen()) FFile.close();
}
