// What the Output tab's chart plots: the time, the A ppm and the H2O ppm of
// every stored row, and the rows at which the mixer mode changed.
//
// The row store appends here the very numbers it formatted into the row's
// cells (no second computation); the chart's series read these vectors, and
// the graph's own poll shows what was appended, without any call from the
// cycle. A cell the row leaves empty (a division by a zero total, a
// controller that did not answer) is a NaN here: the series count it as an
// element without values, and the chart leaves a gap there.
#pragma once

#include "app/OutputRows.h"

#include <QString>
#include <memory>
#include <vector>

class TGvDoubleVector;

class TOutputPlotData
{
public:
  TOutputPlotData();
  ~TOutputPlotData();
  TOutputPlotData(const TOutputPlotData&) = delete;
  TOutputPlotData& operator=(const TOutputPlotData&) = delete;

  // Appends the row's time, A ppm and H2O ppm, and notes a mode change when
  // its Mode cell differs from the one of the row before (the first row
  // counts as one).
  void AppendRow(const TRow& Row);

  // X: the date-time of each row; Y: its A ppm and H2O ppm.
  TGvDoubleVector* Time() const { return FTime.get(); }
  TGvDoubleVector* PpmA() const { return FPpmA.get(); }
  TGvDoubleVector* PpmH2O() const { return FPpmH2O.get(); }
  int Count() const;

  struct TModeChange
  {
    double Time = 0; // date-time of the first row in the new mode
    QString Mode;    // its Mode cell ("Dilution", "Bypass", ...)
  };
  const std::vector<TModeChange>& ModeChanges() const { return FModeChanges; }

  // The start of a sequence's step, marked on the chart with its number.
  struct TStepMark
  {
    double Time = 0; // date-time the step began
    int Step = 0;    // its number in the sequence (1-based)
  };
  void AddStepMark(double Time, int Step) { FStepMarks.push_back({Time, Step}); }
  const std::vector<TStepMark>& StepMarks() const { return FStepMarks; }

private:
  std::unique_ptr<TGvDoubleVector> FTime, FPpmA, FPpmH2O;
  std::vector<TModeChange> FModeChanges;
  std::vector<TStepMark> FStepMarks;
  bool FHasRow = false;
  QString FLastMode;
};
