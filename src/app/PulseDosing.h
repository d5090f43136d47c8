// One dosing step of a controller whose flow lies below its range: compare
// the mass its totalizer counted with what the wanted flow would have
// delivered by now, adapt the pulse length, and decide whether to pulse.
#pragma once

#include <QString>
#include <QStringList>

// The longest pulse. The pulse waits on the user-interface thread, so a
// totalizer that never catches up (gas supply shut) must not make it grow
// without end: the adaptation term stops growing where the pulse reaches it.
constexpr unsigned cMaxPulseMs = 1000;
constexpr double cMaxFLI = (cMaxPulseMs - 100) / 10.0;

struct TDosingStep
{
  bool ReadingFailed = false; // the totalizer gave no number: counted as ahead
  bool Pulse = false;         // behind: give one pulse
  double FLI = 0;             // the adaptation term after the step (0 .. cMaxFLI)
  bool AtLimit = false;       // the term is at cMaxFLI: the pulse lasts cMaxPulseMs
  unsigned PulseMs = 0;       // length of the pulse when Pulse
  QStringList Lines;          // log lines of the adaptation
};

// Target and Reading in grams; FLI is the adaptation term before the step.
TDosingStep PlanDosingStep(double Target, double Reading, double FLI);
