// The record of a sequence's run: one line per step start in a
// semicolon-separated file beside the autosaves,
//
//   Time;Step;Repetition;Kind;Gas A (ppm);H2O (ppm);Minutes;Method
//   2025-12-09 12:00:00;1;1;mix;150;5000;30;A (pulse) in B/H2O
//   2025-12-09 12:30:00;2;1;bypass;;;10;
//
// numbers with "." whatever the locale, ppm and method empty for steps that
// are not mix. Each line goes to the disk as it is written, so a crash or a
// power cut loses at most the line being written.
#pragma once

#include "sequence/SequenceRunner.h"

#include <QFile>
#include <QString>

QString SequenceLogHeader();
// "<Base> sequence <mm-dd hh_mm>.CSV" for a start at the date-time Start.
QString SequenceLogPath(const QString& Base, double Start);
// The line for one step start (without line end).
QString SequenceLogLine(const TStepStart& Start);

class TSequenceLog
{
public:
  // Opens (creating or appending to) the file and writes the header to a new
  // one. False with the reason in Error.
  bool Open(const QString& Path, QString* Error);
  // Appends the step's line and puts it on the disk. False with the reason.
  bool Append(const TStepStart& Start, QString* Error);
  void Close();
  bool IsOpen() const { return FFile.isOpen(); }
  QString Path() const { return FFile.fileName(); }

private:
  bool WriteLine(const QString& Line, QString* Error);
  QFile FFile;
};
