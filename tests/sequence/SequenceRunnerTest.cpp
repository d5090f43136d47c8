// The sequence runner's timing in virtual time, on a model of the mixer's
// cycle: ticks on a 250 ms grid that arrive late, ticks that take longer
// than a cycle (pulse dosing), commands that first wait for the
// humidification thread, and the flush that stops the cycle for 9 seconds.
#include "devices/Clock.h"
#include "sequence/SequenceRunner.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

namespace {
constexpr double cMs = 1.0 / 86400000;

// The mixer as the runner sees it: each command takes the time the real one
// would, and what happened is noted.
struct TModelMixer : TSequenceMixer
{
  TVirtualClock& Clock;
  std::mt19937& Random;
  bool Wetting = false;      // the last mix was wet: the next command waits for the thread
  bool FlushPending = false; // the next tick runs the flush sequence
  bool Pulsed = false;       // the mixture is dosed in pulses: ticks take longer
  int Stops = 0;
  QString RefuseFrom; // a step text that is refused
  std::vector<double> WaitsS;

  TModelMixer(TVirtualClock& C, std::mt19937& R) : Clock(C), Random(R) {}
  QString BeginStep(TSequenceStep& Step, QString& Method) override
  {
    if (!RefuseFrom.isEmpty() && StepText(Step) == RefuseFrom) return QStringLiteral("refused");
    if (Wetting) {
      // StopThread: the pass under way and one more, 3 to 6 s (at most 10).
      const unsigned ms = std::uniform_int_distribution<unsigned>(3000, 6000)(Random);
      WaitsS.push_back(ms / 1000.0);
      Clock.Sleep(ms);
      Wetting = false;
    }
    Clock.Sleep(80); // totalizer reset and reads, or nothing much
    Pulsed = false;
    if (Step.Kind == TStepKind::Mix) {
      Wetting = Step.PpmH2O > 0;
      Pulsed = Step.PpmA < 1000;
      Method = Wetting ? QStringLiteral("A (constant) in B/H2O") : QStringLiteral("A (constant) in B");
    }
    FlushPending = Step.Kind == TStepKind::Flush;
    return QString();
  }
  void StopMixer() override
  {
    ++Stops;
    Wetting = Pulsed = false;
  }
};

// The 250 ms cycle: each tick comes on the timer's grid, late by up to
// MaxLateMs; the mode's work takes its time (a pulsed dosing step several
// hundred ms, drifting slowly as the pulse adapts); a flush, and a command
// that waited for the thread, switch the timer off, so the next tick comes
// a cycle after they end.
struct TCycleModel
{
  TVirtualClock& Clock;
  TSequenceRunner& Runner;
  TModelMixer& Mixer;
  std::mt19937& Random;
  int MaxLateMs = 200;
  double PulseMs = 300; // the dosing step's length, drifting
  double NextTick = 0;

  void RunUntil(double End)
  {
    while (NextTick < End) {
      if (NextTick > Clock.Now()) Clock.SetNow(NextTick);
      const double start = Clock.Now();
      const size_t waitsBefore = Mixer.WaitsS.size();
      Runner.Tick();
      bool timerRestarted = Mixer.WaitsS.size() != waitsBefore;
      if (Mixer.FlushPending) {
        Clock.Sleep(9180); // the flush sequence: 9 s of waits and its device commands
        Mixer.FlushPending = false;
        timerRestarted = true;
      } else if (Mixer.Pulsed) {
        PulseMs = std::clamp(PulseMs + std::uniform_int_distribution<int>(-10, 10)(Random), 300.0,
                             1200.0);
        Clock.Sleep(unsigned(PulseMs));
      } else {
        Clock.Sleep(std::uniform_int_distribution<unsigned>(40, 160)(Random));
      }
      const double late = std::uniform_int_distribution<int>(0, MaxLateMs)(Random) * cMs;
      const double end = Clock.Now();
      NextTick = (timerRestarted ? end + 250 * cMs : std::max(start + 250 * cMs, end)) + late;
    }
  }
};

struct TRun
{
  std::vector<TStepStart> Starts;
  std::vector<std::pair<TSequenceState, QString>> Ends;
};

void Record(TSequenceRunner& R, TRun& Run)
{
  R.OnStepStarted = [&Run](const TStepStart& S) { Run.Starts.push_back(S); };
  R.OnEnded = [&Run](TSequenceState S, const QString& Why) { Run.Ends.push_back({S, Why}); };
}

// A runner on the model of the cycle, in virtual time, its run recorded; the
// first tick comes a cycle after T0.
struct TRig
{
  std::mt19937 Random;
  TVirtualClock Clock;
  TModelMixer Mixer{Clock, Random};
  TSequenceRunner Runner{Clock, Mixer};
  TRun Run;
  TCycleModel Cycle{Clock, Runner, Mixer, Random};
  const double T0 = Clock.Now();

  TRig(unsigned Seed, int MaxLateMs) : Random(Seed)
  {
    Cycle.MaxLateMs = MaxLateMs;
    Cycle.NextTick = T0 + 250 * cMs;
    Record(Runner, Run);
  }
  double At(double Seconds) const { return T0 + Seconds / 86400; }
};

double DeviationMs(const TStepStart& S)
{
  return (S.Issued - S.Planned) * 86400000;
}
} // namespace

// 200 steps over 24 hours (every kind, wet steps whose successors wait for
// the humidification thread, pulsed steps with long ticks, flushes of 0
// minutes right after a wet step), ticks late by up to 200 ms: every step
// begins within one cycle of the plan, counted from the start, once and in
// order.
TEST(SequenceTiming, TwoHundredStepsOverADayKeepToThePlan)
{
  const TSequenceStep pattern[10] = {
      {TStepKind::Mix, 100, 5000, 6},   {TStepKind::Mix, 5000, 0, 9},
      {TStepKind::Bypass, 0, 0, 3},     {TStepKind::Mix, 150, 8000, 12},
      {TStepKind::Flush, 0, 0, 0},      {TStepKind::Mix, 50, 0, 7.5},
      {TStepKind::Standby, 0, 0, 13.0 / 6}, {TStepKind::Mix, 10000, 3000, 10},
      {TStepKind::Bypass, 0, 0, 4},     {TStepKind::Mix, 150, 0, 18}};
  TSequence seq;
  for (int i = 0; i < 200; ++i) seq.Steps.push_back(pattern[i % 10]);
  ASSERT_EQ(RunDurationMs(seq), 24LL * 3600 * 1000);

  TRig rig(29, 200);
  const TRun& run = rig.Run;
  const TModelMixer& mixer = rig.Mixer;
  const double start = rig.T0;
  rig.Runner.Start(seq);
  rig.Cycle.RunUntil(start + 1.0 + 60.0 / 86400);

  ASSERT_EQ(run.Starts.size(), 200u);
  ASSERT_EQ(run.Ends.size(), 1u);
  EXPECT_EQ(run.Ends[0].first, TSequenceState::Finished);
  EXPECT_EQ(mixer.Stops, 1); // the end in standby
  EXPECT_GT(mixer.WaitsS.size(), 50u);
  double largest = 0, sum = 0;
  int largestStep = 0;
  int64_t offsetMs = 0;
  std::printf("step  kind     planned       actual        deviation\n");
  for (int i = 0; i < 200; ++i) {
    const TStepStart& s = run.Starts[size_t(i)];
    EXPECT_EQ(s.Index, i);
    EXPECT_EQ(s.Step, i + 1);
    EXPECT_EQ(s.Values.Kind, seq.Steps[size_t(i)].Kind);
    // The plan counts from the start: the sum of the durations before.
    EXPECT_NEAR((s.Planned - start) * 86400000, double(offsetMs), 0.01) << i;
    offsetMs += StepDurationMs(seq.Steps[size_t(i)]);
    const double d = DeviationMs(s);
    EXPECT_GE(d, 0) << i;
    EXPECT_LT(d, 250) << i;
    if (d > largest) {
      largest = d;
      largestStep = i + 1;
    }
    sum += d;
    const auto hms = [&](double t) {
      const long long ms = std::llround((t - start) * 86400000);
      return QStringLiteral("%1:%2:%3.%4")
          .arg(ms / 3600000, 2, 10, QChar(u'0'))
          .arg(ms / 60000 % 60, 2, 10, QChar(u'0'))
          .arg(ms / 1000 % 60, 2, 10, QChar(u'0'))
          .arg(ms % 1000, 3, 10, QChar(u'0'));
    };
    std::printf("%4d  %-7s  %s  %s  %7.1f ms\n", i + 1, qPrintable(StepKindName(s.Values.Kind)),
                qPrintable(hms(s.Planned)), qPrintable(hms(s.Issued)), d);
  }
  std::printf("largest deviation %.1f ms (step %d), mean %.1f ms; %zu commands waited 3-6 s for "
              "the humidification thread\n",
              largest, largestStep, sum / 200, mixer.WaitsS.size());
}

// Pause, resume and skip move the rest of the plan; late ticks do not.
// mix 1 min, bypass 0.5 min, flush 0 (20 s), standby 1 min, twice.
TEST(SequenceTiming, PauseResumeAndSkipMoveThePlan)
{
  TSequence seq;
  seq.Steps = {{TStepKind::Mix, 100, 0, 1},
               {TStepKind::Bypass, 0, 0, 0.5},
               {TStepKind::Flush, 0, 0, 0},
               {TStepKind::Standby, 0, 0, 1}};
  seq.Repeat = 2;
  for (int maxLate : {0, 200}) {
    SCOPED_TRACE(maxLate);
    TRig rig(7, maxLate);
    TVirtualClock& clock = rig.Clock;
    TSequenceRunner& runner = rig.Runner;
    TCycleModel& cycle = rig.Cycle;
    const TRun& run = rig.Run;
    const double t0 = rig.T0;
    const auto at = [&rig](double s) { return rig.At(s); };
    runner.Start(seq);
    cycle.RunUntil(at(70));
    ASSERT_TRUE(runner.Pause());
    const double pausedAt = clock.Now();
    TSequenceProgress p = runner.Progress();
    EXPECT_EQ(p.State, TSequenceState::Paused);
    EXPECT_EQ(p.Step, 2);
    EXPECT_NEAR(p.StepLeftS, 90 - (pausedAt - t0) * 86400, 1e-3);
    const double leftAtPause = p.StepLeftS;
    cycle.RunUntil(at(90)); // nothing happens while paused; the time left holds
    EXPECT_EQ(run.Starts.size(), 2u);
    p = runner.Progress();
    EXPECT_NEAR(p.StepLeftS, leftAtPause, 1e-6);
    EXPECT_NEAR(p.StepEndsAt, clock.Now() + leftAtPause / 86400, 1e-9);
    ASSERT_TRUE(runner.Resume());
    const double pauseS = (clock.Now() - pausedAt) * 86400;
    cycle.RunUntil(at(115));
    ASSERT_EQ(run.Starts.size(), 3u); // the flush, 90 s + the pause
    const double skippedAt = clock.Now();
    ASSERT_TRUE(runner.Skip()); // the standby now, not 20 s into the flush's plan
    ASSERT_EQ(run.Starts.size(), 4u);
    EXPECT_EQ(run.Starts[3].Issued, skippedAt);
    cycle.RunUntil(at(400));

    ASSERT_EQ(run.Starts.size(), 8u);
    ASSERT_EQ(run.Ends.size(), 1u);
    EXPECT_EQ(run.Ends[0].first, TSequenceState::Finished);
    EXPECT_EQ(rig.Mixer.Stops, 1);
    // The plan: 0, 60, then the pause moves the rest; the skip makes step 4
    // begin at once and the rest follow it.
    const double skip = (skippedAt - t0) * 86400;
    const double planned[8] = {0,    60,        90 + pauseS, skip,
                               skip + 60, skip + 120, skip + 150, skip + 170};
    for (int i = 0; i < 8; ++i) {
      const TStepStart& s = run.Starts[size_t(i)];
      EXPECT_NEAR((s.Planned - t0) * 86400, planned[i], 1e-3) << i;
      EXPECT_GE(DeviationMs(s), 0) << i;
      // On-time ticks: the pulse length drifts by 10 ms a tick, so the
      // expected tick comes within that.
      EXPECT_LT(DeviationMs(s), maxLate == 0 ? 20 : 250) << i;
      EXPECT_EQ(s.Repetition, i / 4 + 1);
    }
    EXPECT_EQ(runner.Progress().Step, 4);
    EXPECT_EQ(runner.Progress().Repetition, 2);
    EXPECT_FALSE(runner.Progress().HasEnds);
  }
}

// A refused step stops the sequence and the mixer; Stop ends it without a
// command; nothing more is issued after either.
TEST(SequenceRunner, ARefusedStepOrAStopEndsTheRun)
{
  TSequence seq;
  seq.Steps = {{TStepKind::Mix, 100, 0, 1}, {TStepKind::Bypass, 0, 0, 1}};
  for (bool refuse : {true, false}) {
    TRig rig(1, 0);
    TVirtualClock& clock = rig.Clock;
    TSequenceRunner& runner = rig.Runner;
    TCycleModel& cycle = rig.Cycle;
    const TRun& run = rig.Run;
    TModelMixer& mixer = rig.Mixer;
    if (refuse) mixer.RefuseFrom = StepText(seq.Steps[1]);
    runner.Start(seq);
    if (!refuse) {
      cycle.RunUntil(clock.Now() + 30.0 / 86400);
      EXPECT_TRUE(runner.Stop(QStringLiteral("by hand")));
      EXPECT_FALSE(runner.Stop(QStringLiteral("twice")));
    }
    cycle.RunUntil(clock.Now() + 300.0 / 86400);
    ASSERT_EQ(run.Ends.size(), 1u);
    EXPECT_EQ(run.Ends[0].first, TSequenceState::Stopped);
    EXPECT_EQ(run.Starts.size(), 1u);
    EXPECT_EQ(mixer.Stops, refuse ? 1 : 0);
    EXPECT_EQ(run.Ends[0].second,
              refuse ? QStringLiteral("step 2 of 2, repetition 1 of 1 (bypass, 1 min) was "
                                      "refused: refused")
                     : QStringLiteral("by hand"));
    EXPECT_FALSE(runner.Pause() || runner.Resume() || runner.Skip());
    const TSequenceProgress p = runner.Progress();
    EXPECT_EQ(p.State, TSequenceState::Stopped);
    EXPECT_EQ(p.Step, refuse ? 2 : 1);
    EXPECT_EQ(p.Steps, 2);
    EXPECT_FALSE(p.HasEnds);
  }
}
