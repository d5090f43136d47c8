// Carries out a checked sequence, step by step, on the mixer's cycle.
//
// The plan counts every step's start from the sequence's start (the sum of
// the durations before it), so no error accumulates however many steps run.
// The cycle calls Tick about every 250 ms; a tick that comes less than one
// cycle before a step's planned start (less than the time since the tick
// before, while ticks take longer than a cycle, up to cMaxLookAheadMs) waits
// the rest of the time on the clock and then issues the step's command. So a
// step begins at its planned time whenever the tick before it comes as
// expected, and never later than by the lateness of an unexpectedly late
// tick. A command that first waits (for the
// humidification thread, say) does not shift the plan: the next step is due
// at its planned time all the same. One step is issued per tick, so that
// each step's command is carried out by the cycle (a flush runs once) even
// when steps fall due together after a long wait.
//
// Pause holds the mixer as it is and the sequence clock with it; Resume
// continues the step with the time it had left (the rest of the plan moves
// by the pause). Skip starts the next step at once and moves the rest of the
// plan with it.
#pragma once

#include "sequence/Sequence.h"

#include <QString>
#include <cstdint>
#include <functional>

class TClock;

// The longest a tick waits for a step's planned start.
constexpr int cMaxLookAheadMs = 1250;

enum class TSequenceState
{
  Idle,     // not started
  Running,
  Paused,
  Finished, // all steps ran (the end behaviour has been carried out)
  Stopped   // ended before its end
};

// "idle", "running", "paused", "finished", "stopped".
QString SequenceStateName(TSequenceState State);

// Where a sequence stands.
struct TSequenceProgress
{
  TSequenceState State = TSequenceState::Idle;
  int Step = 0;        // 1-based within the repetition; 0 before the first step
  int Steps = 0;       // steps in the list
  int Repetition = 0;  // 1-based; 0 before the first step
  int Repetitions = 0; // the repeat count
  // Running or paused: when the current step and the whole sequence end
  // (date-times; while paused, as if resumed now), and the seconds left.
  bool HasEnds = false;
  double StepEndsAt = 0, EndsAt = 0;
  double StepLeftS = 0, TotalLeftS = 0;
  double StartedAt = 0; // date-time of the start; 0 when idle
};

// One step's start, as it ran.
struct TStepStart
{
  int Index = 0;      // 0-based over the whole run (repetitions one after the other)
  int Step = 0;       // 1-based within the repetition
  int Steps = 0;      // steps in the list
  int Repetition = 0; // 1-based
  int Repetitions = 0;
  TSequenceStep Values; // as carried out (a mix: the ppm applied)
  QString Method;       // a mix: the mixing method; empty otherwise
  double Planned = 0;   // date-times: the plan, the command's issue, its return
  double Issued = 0;
  double Done = 0;
};

// What the runner asks of the mixer.
class TSequenceMixer
{
public:
  virtual ~TSequenceMixer() = default;
  // Carries out the step's command as its button does. Returns why it was
  // refused, or an empty text; a mix step leaves the values applied in Step
  // (the water may have been lowered to what the bubbler gives) and its
  // mixing method in Method.
  virtual QString BeginStep(TSequenceStep& Step, QString& Method) = 0;
  // The Stop command: the end of a sequence that ends in standby, or of one
  // whose step was refused.
  virtual void StopMixer() = 0;
};

class TSequenceRunner
{
public:
  TSequenceRunner(TClock& Clock, TSequenceMixer& Mixer);

  // Starts a checked sequence now: the first step's command is issued at
  // once. A running or paused sequence ends first (as stopped). False (and
  // nothing done) while a step's command is being issued.
  bool Start(const TSequence& Sequence);
  // From the cycle: issues the step, or the end, that falls due before the
  // next tick would come.
  void Tick();
  // False when there is nothing to pause, resume or skip (or, for Skip, while
  // a step's command is being issued: its messages are handled meanwhile).
  bool Pause();
  bool Resume();
  bool Skip();
  // Ends a running or paused sequence as stopped; the caller brings the
  // mixer where it should be. False when none runs.
  bool Stop(const QString& Reason);

  bool Active() const
  {
    return FState == TSequenceState::Running || FState == TSequenceState::Paused;
  }
  TSequenceState State() const { return FState; }
  TSequenceProgress Progress() const;
  // The sequence started last (empty before the first start).
  const TSequence& Sequence() const { return FSequence; }
  // Date-time the step at Index (0-based over the whole run; the run's
  // length: its end) is planned to begin, as the plan stands now.
  double PlannedStart(int64_t Index) const;

  // After each step's command was issued.
  std::function<void(const TStepStart& Start)> OnStepStarted;
  // When the sequence ends: Finished, or Stopped with the reason.
  std::function<void(TSequenceState State, const QString& Reason)> OnEnded;

private:
  int64_t RunLength() const;
  int64_t OffsetMs(int64_t Index) const;
  void Issue(int64_t Index);
  void Finish();
  void End(TSequenceState State, const QString& Reason);

  TClock& FClock;
  TSequenceMixer& FMixer;
  TSequence FSequence;
  std::vector<int64_t> FPrefixMs; // start of each step within a pass; last: the pass
  TSequenceState FState = TSequenceState::Idle;
  double FOrigin = 0;    // date-time the plan counts from (moved by pauses and skips)
  double FStartedAt = 0; // date-time of the start
  double FPausedAt = 0;
  double FLastTick = 0;  // date-time of the last tick
  int64_t FCurrent = -1; // the step that runs (index over the run)
  bool FIssuing = false; // a step's command runs (and may handle messages)
};
