// The JSON of the remote interface: the bodies it takes (checked strictly:
// the JSON itself, the types, no unknown or missing fields) and the
// documents it answers with, built from plain values. Nothing here touches
// the mixer or a widget.
#pragma once

#include "app/MixerControl.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceRunner.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A refusal: the HTTP status and the text of {"error": text}.
struct TApiError
{
  int Status = 400;
  QString Text;
};

// POST /api/mixture: {"ppmA": number, "ppmH2O": number}. The numbers as
// sent; whether they are whole and within limits is for the caller (422).
struct TMixtureBody
{
  double PpmA = 0;
  double PpmH2O = 0;
};
std::optional<TMixtureBody> ParseMixtureBody(QByteArrayView Body, TApiError* Error);

// POST /api/command: {"command": "stop" | "flush" | "bypass"}.
std::optional<TMixerCommand> ParseCommandBody(QByteArrayView Body, TApiError* Error);

// The routes that take no body: nothing, or an empty object.
bool ParseEmptyBody(QByteArrayView Body, TApiError* Error);

// PUT /api/sequence: {"steps": [{"kind": "mix", "ppmA": n, "ppmH2O": n,
// "minutes": m}, {"kind": "bypass" | "standby" | "flush", "minutes": m}, ...],
// "repeat": R, "end": "standby" | "hold"}; repeat (1) and end (standby) may
// be left out. Wrong JSON, types, fields and words: 400; ppm or a repeat
// count that is no whole number: 422. The check of the values themselves
// (SequenceRefusal) is the caller's.
std::optional<TSequence> ParseSequenceBody(QByteArrayView Body, TApiError* Error);
QJsonObject SequenceJson(const TSequence& Sequence);

// A whole number within int's range, or nullopt.
std::optional<int> WholeNumber(double Value);

// ISO 8601 local time with its offset from UTC, to the second:
// "2025-12-09T12:00:00+01:00".
QString IsoLocalTime(double DateTime);

// GET /api/status. Progress: the sequence's, or nullopt while none is
// loaded.
QJsonObject StatusJson(const TMixerSnapshot& Snapshot,
                       const std::optional<TSequenceProgress>& Progress);

// GET /api/rows?from=N: the rows From .. From + Count - 1 of the table's data
// rows (as the table shows them) and the index after the last row given.
QJsonObject RowsJson(const QStringList& Columns, const std::vector<QStringList>& Rows,
                     int Next);
// "from" of the query: a whole number 0 or more (nothing: 0); nullopt with
// the reason otherwise.
std::optional<int> ParseRowsFrom(const QString& Query, TApiError* Error);

// {"error": Text} as the body of an answer.
QByteArray ErrorBody(const QString& Text);
QByteArray JsonBody(const QJsonObject& Object);
