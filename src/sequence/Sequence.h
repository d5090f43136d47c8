// A concentration sequence: an ordered list of steps, how often the list
// runs, and what the mixer does after the last step. Plain data, and the
// times the steps take.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

enum class TStepKind
{
  Mix,     // "Apply Mixture" with the step's Gas A and H2O ppm
  Bypass,  // "Bypass"
  Standby, // "Stop"
  Flush    // "Flush" (the flush sequence once)
};

enum class TSequenceEnd
{
  Standby, // the Stop command after the last step
  Hold     // the last step runs on until the operator or the automatic stop ends it
};

struct TSequenceStep
{
  TStepKind Kind = TStepKind::Mix;
  int PpmA = 0;     // mix only
  int PpmH2O = 0;   // mix only
  double Minutes = 0;

  bool operator==(const TSequenceStep&) const = default;
};

struct TSequence
{
  std::vector<TSequenceStep> Steps;
  int Repeat = 1;
  TSequenceEnd End = TSequenceEnd::Standby;

  bool operator==(const TSequence&) const = default;
};

constexpr int cMaxSequenceSteps = 10000;
// The cycle the steps are carried out by.
constexpr int cSequenceCycleMs = 250;
// A flush step lasts at least this long: its command may first wait up to
// 10 s for the humidification thread of a wet step before it, and the flush
// itself takes a little over 9 s with the device commands around its three
// phases; the next step is then still on time.
constexpr int64_t cFlushStepMinMs = 20000;

// "mix", "bypass", "standby", "flush": the words of the sequence file.
QString StepKindName(TStepKind Kind);
std::optional<TStepKind> StepKindFromName(const QString& Name);
QString SequenceEndName(TSequenceEnd End); // "standby", "hold"
std::optional<TSequenceEnd> SequenceEndFromName(const QString& Name);

// How long the step lasts in the plan, in whole milliseconds (a flush at
// least cFlushStepMinMs). Only meaningful for checked steps.
int64_t StepDurationMs(const TSequenceStep& Step);
// One pass through the list, and the whole run (passes x Repeat), in ms; the
// run saturates at the largest int64_t.
int64_t PassDurationMs(const TSequence& Sequence);
int64_t RunDurationMs(const TSequence& Sequence);

// Minutes as the operator reads them (the locale's decimal separator).
QString MinutesText(double Minutes);
// The step as the operator reads it: "mix 100 ppm A, 5000 ppm H2O, 30 min",
// "bypass, 10 min".
QString StepText(const TSequenceStep& Step);
