#include "sequence/SequenceRunner.h"

#include "devices/Clock.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double cMsPerDay = 86400000.0;
} // namespace

QString SequenceStateName(TSequenceState State)
{
  switch (State) {
  case TSequenceState::Idle:
    return QStringLiteral("idle");
  case TSequenceState::Running:
    return QStringLiteral("running");
  case TSequenceState::Paused:
    return QStringLiteral("paused");
  case TSequenceState::Finished:
    return QStringLiteral("finished");
  case TSequenceState::Stopped:
    return QStringLiteral("stopped");
  }
  return QString();
}

TSequenceRunner::TSequenceRunner(TClock& Clock, TSequenceMixer& Mixer)
    : FClock(Clock), FMixer(Mixer)
{
}

int64_t TSequenceRunner::RunLength() const
{
  return int64_t(FSequence.Steps.size()) * FSequence.Repeat;
}

int64_t TSequenceRunner::OffsetMs(int64_t Index) const
{
  const int64_t n = int64_t(FSequence.Steps.size());
  if (n == 0) return 0;
  return (Index / n) * FPrefixMs.back() + FPrefixMs[size_t(Index % n)];
}

double TSequenceRunner::PlannedStart(int64_t Index) const
{
  return FOrigin + double(OffsetMs(Index)) / cMsPerDay;
}

bool TSequenceRunner::Start(const TSequence& Sequence)
{
  if (FIssuing) return false;
  if (Active()) Stop(QStringLiteral("another sequence started"));
  FSequence = Sequence;
  FPrefixMs.assign(1, 0);
  for (const TSequenceStep& s : FSequence.Steps) FPrefixMs.push_back(FPrefixMs.back() + StepDurationMs(s));
  FCurrent = -1;
  FOrigin = FStartedAt = FClock.Now();
  FState = TSequenceState::Running;
  if (RunLength() == 0)
    Finish();
  else
    Issue(0);
  return true;
}

void TSequenceRunner::Tick()
{
  const double now = FClock.Now();
  // The next tick is expected as far ahead as the last one came: a cycle,
  // or longer while the ticks themselves take longer (a controller dosed in
  // pulses waits through each pulse).
  const double sinceLastMs = FLastTick > 0 ? (now - FLastTick) * cMsPerDay : 0;
  FLastTick = now;
  const double lookAheadMs = std::clamp(sinceLastMs, double(cSequenceCycleMs), double(cMaxLookAheadMs));
  if (FState != TSequenceState::Running || FIssuing) return;
  const int64_t next = FCurrent + 1;
  const double due = PlannedStart(next);
  const double untilMs = (due - now) * cMsPerDay;
  // A later tick comes before it is due.
  if (untilMs >= lookAheadMs) return;
  if (untilMs > 0) FClock.Sleep(unsigned(std::ceil(untilMs)));
  if (next < RunLength())
    Issue(next);
  else
    Finish();
}

void TSequenceRunner::Issue(int64_t Index)
{
  const int64_t n = int64_t(FSequence.Steps.size());
  TStepStart s;
  s.Index = int(Index);
  s.Step = int(Index % n) + 1;
  s.Steps = int(n);
  s.Repetition = int(Index / n) + 1;
  s.Repetitions = FSequence.Repeat;
  s.Values = FSequence.Steps[size_t(Index % n)];
  s.Planned = PlannedStart(Index);
  s.Issued = FClock.Now();
  FCurrent = Index;
  FIssuing = true;
  const QString refusal = FMixer.BeginStep(s.Values, s.Method);
  FIssuing = false;
  s.Done = FClock.Now();
  if (!refusal.isEmpty()) {
    // The mixer would not take the step (the set-up was undone, say): the
    // sequence cannot go on as planned, and the mixer is left safe.
    FMixer.StopMixer();
    End(TSequenceState::Stopped,
        QStringLiteral("step %1 of %2, repetition %3 of %4 (%5) was refused: %6")
            .arg(s.Step)
            .arg(s.Steps)
            .arg(s.Repetition)
            .arg(s.Repetitions)
            .arg(StepText(FSequence.Steps[size_t(Index % n)]), refusal));
    return;
  }
  if (OnStepStarted) OnStepStarted(s);
}

void TSequenceRunner::Finish()
{
  if (FSequence.End == TSequenceEnd::Standby) FMixer.StopMixer();
  End(TSequenceState::Finished, QString());
}

void TSequenceRunner::End(TSequenceState State, const QString& Reason)
{
  FState = State;
  if (OnEnded) OnEnded(State, Reason);
}

bool TSequenceRunner::Pause()
{
  if (FState != TSequenceState::Running) return false;
  FPausedAt = FClock.Now();
  FState = TSequenceState::Paused;
  return true;
}

bool TSequenceRunner::Resume()
{
  if (FState != TSequenceState::Paused) return false;
  FOrigin += FClock.Now() - FPausedAt;
  FState = TSequenceState::Running;
  return true;
}

bool TSequenceRunner::Skip()
{
  if (!Active() || FIssuing) return false;
  Resume();
  const int64_t next = FCurrent + 1;
  // The next step (or the end) becomes due now; the rest of the plan follows.
  FOrigin += FClock.Now() - PlannedStart(next);
  if (next < RunLength())
    Issue(next);
  else
    Finish();
  return true;
}

bool TSequenceRunner::Stop(const QString& Reason)
{
  if (!Active()) return false;
  End(TSequenceState::Stopped, Reason);
  return true;
}

TSequenceProgress TSequenceRunner::Progress() const
{
  TSequenceProgress p;
  p.State = FState;
  p.Steps = int(FSequence.Steps.size());
  p.Repetitions = FSequence.Repeat;
  if (FState == TSequenceState::Idle) return p;
  p.StartedAt = FStartedAt;
  if (FCurrent >= 0 && p.Steps > 0) {
    p.Step = int(FCurrent % p.Steps) + 1;
    p.Repetition = int(FCurrent / p.Steps) + 1;
  }
  if (!Active()) return p;
  const double now = FClock.Now();
  // While paused the plan stands still: the ends move on with the clock.
  const double held = FState == TSequenceState::Paused ? now - FPausedAt : 0;
  p.HasEnds = true;
  p.StepEndsAt = PlannedStart(FCurrent + 1) + held;
  p.EndsAt = PlannedStart(RunLength()) + held;
  p.StepLeftS = std::max(0.0, (p.StepEndsAt - now) * 86400);
  p.TotalLeftS = std::max(0.0, (p.EndsAt - now) * 86400);
  return p;
}
