// The rows of the output table and the data file they are saved in.
#pragma once

#include "app/MixerTypes.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// What one row is computed from.
struct TRowInputs
{
  double Now = 0;
  TMixerState MixerState = TMixerState::Unknown;
  QString MixingMethod;
  TTotalizer TotalizerA, TotalizerB;
  double DesiredFlowBGramsperMinute = 0;
  double OccuredWETTime = 0; // seconds gas B spent in the bubbler
  TCompound A, B, H2OC;
  QString GasBItem;              // the selected gas B list item (B.Name when none is selected)
  double ProtectiveMlPerMin = 0; // protective gas B flow, ml/min at 25 degrees
  double pH2O = 0;               // water vapour pressure at the bubbler, atm
};

struct TRow
{
  // Cell text of each quantity, indexed by TProperty; empty optionals are
  // cells that are not written (a division by a zero total, a log of zero).
  std::array<std::optional<QString>, PropertyCount> Cells;
  // The number each cell was formatted from (the date-time of the Time
  // cell), NaN for the text cells and for cells that are not written.
  std::array<double, PropertyCount> Values;
  double Minutes = 0;     // since the totalizers were reset
  double BgramsExtra = 0; // protective gas B, grams
  // The line for the Debug tab.
  QString ProtectiveLine() const;
};

TRow ComputeRow(const TRowInputs& In, const TColumnTable& P);

// The value of quantity q as the row holds it (NaN when its cell is not
// written).
inline double RowValue(const TRow& Row, TProperty q)
{
  return Row.Values[size_t(q)];
}

// One table row as a line of the data file: cells joined with ";"; a cell
// with a blank, a control character, a double quote or ";" is quoted, inner
// quotes doubled.
QString DelimitedLine(const QStringList& Cells);

// The data file: a header line, the description, a separator line and the
// table (title row first; blanks are removed from every data row).
QStringList DataFileLines(const QStringList& Description, const QList<QStringList>& Rows);

// Writes the lines as 8-bit text (Latin-1), CR LF line ends, no byte-order
// mark, through a temporary file renamed into place, so a failed write keeps
// any earlier file intact. False when the file could not be written.
bool WriteDataFile(const QString& Path, const QStringList& Lines);
