// The sequence file: semicolon-separated text that scripts write and read.
//
//   Kind;Gas A (ppm);H2O (ppm);Minutes
//   mix;150;5000;30
//   bypass;;;10
//   flush;;;0
//   standby;;;5
//   Repeat;3
//   End;hold
//
// The first line is exactly the header; then one step per line, the kind in
// lower case, Gas A and H2O as whole ppm (mix steps only; empty for the
// others), minutes as a number with "." as decimal separator whatever the
// locale (fractions allowed: 0.1 is six seconds). "Repeat;N" (1 or more) and
// "End;standby" or "End;hold" may come once each, anywhere after the header.
// Empty lines are ignored; lines may end in CR LF.
#pragma once

#include "sequence/Sequence.h"

#include <QByteArray>
#include <QString>

QString SequenceFileHeader(); // "Kind;Gas A (ppm);H2O (ppm);Minutes"

// Files larger than this are refused unread: 10000 steps need far less.
constexpr qint64 cMaxSequenceFileBytes = 1024 * 1024;

struct TSequenceReadResult
{
  bool Ok = false;
  TSequence Sequence; // valid when Ok
  QString Error;      // names the line (counted from 1, the header being line 1)
  int Line = 0;       // the line the error is on; 0 when it concerns the whole file
};

// Reads the text of a sequence file. Never throws; bad text gives Ok false
// and a message.
TSequenceReadResult ReadSequenceText(const QByteArray& Text);
// The text of the file for Sequence (lines ended by LF).
QByteArray WriteSequenceText(const TSequence& Sequence);

// Reads the file at Path (refused when larger than cMaxSequenceFileBytes).
TSequenceReadResult LoadSequenceFile(const QString& Path);
// Writes the file at Path through QSaveFile: the old file stays whole until
// the new one is complete. False with the reason in Error.
bool SaveSequenceFile(const QString& Path, const TSequence& Sequence, QString* Error);
