// One dosing step of a controller whose flow lies below its range: compare
// the mass its totalizer counted with what the wanted flow would have
// delivered by now, adapt the pulse length, and decide whether to pulse.
#pragma once

#include <QString>
#include <QStringList>

struct TDosingStep
{
  bool ReadingFailed = false; // the totalizer gave no number: counted as ahead
  bool Pulse = false;         // behind: give one pulse
  double FLI = 0;             // the adaptation term after the step (never below 0)
  unsigned PulseMs = 0;       // length of the pulse when Pulse
  QStringList Lines;          // log lines of the adaptation
};

// Target and Reading in grams; FLI is the adaptation term before the step.
TDosingStep PlanDosingStep(double Target, double Reading, double FLI);
