// The operating cycle and the operator commands against the imaginary mixer,
// in virtual time.
#include "AppTestSupport.h"

#include "app/ThreadWetting.h"
#include "controls/GvDateTime.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {
struct TCycleFixture : TWindowFixture
{
  TCycleFixture()
  {
    StartTestMode();
    Mixer.ClearReceivedFrames();
  }
  TForm1& F() { return *Form; }
  // One tick of the cycle, then the rest of the 250 ms until the next one.
  void Tick(int n = 1)
  {
    for (int i = 0; i < n; ++i) {
      const double start = Clock.Now();
      Form->Timer1Timer();
      const double spentMs = (Clock.Now() - start) * 86400000;
      if (spentMs < 250) Clock.Advance(250 - spentMs);
    }
  }
  void RunFor(double seconds)
  {
    const double end = Clock.Now() + seconds / 86400;
    while (Clock.Now() < end) Tick();
  }
  // A dry mixture in the test mode: O2 in N2, A at its limit.
  void ApplyDry(int a = 500000)
  {
    Form->GvIntegerEditGasAPPM->SetValue(a);
    Form->ButtonDilutionClick();
    TCode code;
    ASSERT_TRUE(CodeOfMethod(Form->Shared.MixingMethod, code));
    ASSERT_FALSE(IsWetMethod(code) || IsAPulsed(code) || IsBPulsed(code))
        << Form->Shared.MixingMethod.toStdString();
  }
  int StoredRows() const
  {
    int rows = 0;
    for (int r = 1; r < Form->GridRowCount(); ++r)
      if (!Form->GridCell(0, r).isEmpty()) ++rows;
    return rows;
  }
};
} // namespace

TEST(Cycle, UnknownModeOnlyRewritesTheStopCaption)
{
  TCycleFixture fx;
  fx.F().Shared.AutoStopTime = EncodeDateTime(2026, 3, 9, 14, 5, 7);
  fx.Tick(3);
  EXPECT_EQ(fx.F().GroupBox12->title(), "Automatic stop: Mar 09 @ 14:05:07");
  EXPECT_TRUE(fx.Mixer.ReceivedFrames().isEmpty());
  EXPECT_EQ(fx.StoredRows(), 0);
}

TEST(Cycle, FlushRunsItsSequenceOnceAndEndsInStandby)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  f.ButtonFlushClick();
  EXPECT_EQ(f.LabelStatus->text(), "Flushing");
  QStringList shown;
  QList<unsigned> waits;
  fx.Clock.OnSleep = [&](unsigned ms) {
    if (ms >= 2000) {
      shown << f.LabelStatus->text();
      waits << ms;
      EXPECT_FALSE(f.Timer1->isActive());
    }
  };
  f.Timer1->start();
  fx.Tick();
  EXPECT_EQ(shown,
            QStringList({"Flush bypass line with gas B (2 sec)",
                         "Flush bubbler and chambers (5 sec)", "Flush chambers with dry (2 sec)"}));
  EXPECT_EQ(waits, QList<unsigned>({2000, 5000, 2000}));
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  EXPECT_EQ(fx.RelayMasks(), QList<int>({4, 35, 40, 0}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({1.0f, 0.0f})); // full scale of B, then 0
  EXPECT_TRUE(fx.Writes(1, 6).isEmpty());
  EXPECT_TRUE(f.Timer1->isActive());
}

TEST(Cycle, ApplyMixtureDuringTheFlushIsOverridden)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  f.ButtonFlushClick();
  QTimer::singleShot(0, f.ButtonDilution, [&] { f.ButtonDilution->click(); });
  fx.Tick();
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
  EXPECT_EQ(fx.RelayMasks().last(), 0);
}

TEST(Cycle, DryMixtureSetsValvesAndSetPointsOnce)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  EXPECT_EQ(f.LabelStatus->text(), "Dilution");
  EXPECT_EQ(fx.Writes(1, 0x6380), QList<float>({0.0f}));
  EXPECT_EQ(fx.Writes(2, 0x6380), QList<float>({0.0f}));
  fx.Tick();
  EXPECT_EQ(fx.StoredRows(), 1); // the mode changed
  EXPECT_EQ(fx.RelayMasks(), QList<int>({24}));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({float(f.Shared.DesiredFlowAGramsperMinute)}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({float(f.Shared.DesiredFlowBGramsperMinute)}));
  fx.Tick(8);
  EXPECT_EQ(fx.RelayMasks().size(), 1);
  EXPECT_EQ(fx.Writes(1, 6).size(), 1);
  EXPECT_EQ(fx.Writes(2, 6).size(), 1);

  // Applying again restarts: totalizers reset again, set-points sent again.
  f.ButtonDilutionClick();
  fx.Tick();
  EXPECT_EQ(fx.Writes(1, 0x6380).size(), 2);
  EXPECT_EQ(fx.Writes(2, 0x6380).size(), 2);
  EXPECT_EQ(fx.Writes(1, 6).size(), 2);
  EXPECT_EQ(fx.Writes(2, 6).size(), 2);
  EXPECT_EQ(fx.RelayMasks(), QList<int>({24, 24}));
}

// "Apply Mixture" during a run starts a new one: totalizers reset and read
// (grams = register x 1000), no wet time yet, and the first row of the new
// run shows the new run's amounts, not the previous run's totals.
TEST(Commands, ApplyMixtureStartsANewRun)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.RunFor(20);
  ASSERT_GT(f.Shared.TotalizerB.Value, 0.01);
  fx.Clock.Advance(2000);
  f.Shared.OccuredWETTime = 123;
  const int rows = f.GridRowCount();
  f.ButtonDilutionClick();
  EXPECT_EQ(f.Shared.OccuredWETTime, 0);
  for (int address : {1, 2}) {
    SCOPED_TRACE(address);
    const TTotalizer& t = address == 1 ? f.Shared.TotalizerA : f.Shared.TotalizerB;
    // The controllers flow on between the reset and the reading.
    EXPECT_GT(t.StartValue, 0);
    EXPECT_DOUBLE_EQ(t.StartValue, double(float(fx.Mixer.Totalizer(address))) * 1000);
    EXPECT_EQ(t.Value, t.StartValue);
    EXPECT_EQ(t.StartTime, t.Time);
  }
  EXPECT_EQ(f.Shared.TotalizerB.StartTime, fx.Clock.Now());
  fx.Tick();
  ASSERT_EQ(f.GridRowCount(), rows + 2); // the "Reset" mark, then the row
  const TColumnTable& P = f.Shared.P;
  const int r = f.GridRowCount() - 1;
  EXPECT_EQ(f.GridCell(P[TProperty::GasA].ColID, r),
            FormatFloat("0.000 000", f.Shared.TotalizerA.StartValue));
  EXPECT_EQ(f.GridCell(P[TProperty::GasB].ColID, r),
            FormatFloat("0.000 000", f.Shared.TotalizerB.StartValue));
}

// A wet mixture starts the humidification thread with a 3 s loop and the
// mixture's wetting share; from then on only the thread switches the valves,
// the window's thread sends no valve command (it only draws them).
TEST(Cycle, WetMixtureStartsTheThreadAndSendsNoValveCommandItself)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  f.GvIntegerEditGasAPPM->SetValue(500000);
  f.GvIntegerEditH2Oppm->SetValue(10000);
  f.ButtonDilutionClick();
  TCode code;
  ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
  ASSERT_TRUE(IsWetMethod(code)) << f.Shared.MixingMethod.toStdString();
  const double share = f.Shared.DesiredH2OTimeFraction;
  ASSERT_GT(share, 0);
  ASSERT_LT(share, 1);
  fx.Transport.Clear();
  fx.Tick();
  auto* thread = qobject_cast<TThreadWetting*>(f.Shared.WETT);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(thread->LoopTimeS, 3.0);
  EXPECT_EQ(thread->DesiredWETFractionOfTime, share);
  EXPECT_EQ(thread->DesiredDRYFractionOfTime, 1 - share);
  EXPECT_EQ(thread->SolenoidPortASTR, FakePortName());
  EXPECT_TRUE(f.Shared.ValvesSet);
  // Ticks, with the thread's hand-overs between them, until it has switched
  // the valves a few times.
  const auto relayCommands = [&](bool fromWindow) {
    int n = 0;
    for (const TTestTransport::TRequest& r : fx.Transport.Requests())
      if (uint8_t(r.Bytes[0]) == 254 && (r.Thread == f.thread()) == fromWindow) ++n;
    return n;
  };
  for (int i = 0; i < 2000 && relayCommands(false) < 4; ++i) {
    fx.Tick();
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  EXPECT_GE(relayCommands(false), 4);
  EXPECT_EQ(relayCommands(true), 0);
  EXPECT_EQ(f.Shared.WETT, thread);           // one thread for the run
  EXPECT_FALSE(f.Shared.V4O || f.Shared.V5O); // never commanded by the window
}

TEST(Cycle, StandbyAndBypassRepeatTheirActionOnEveryTick)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.Tick(2);
  fx.Mixer.ClearReceivedFrames();
  f.ButtonBypassClick();
  EXPECT_EQ(f.LabelStatus->text(), "Bypass");
  fx.Tick(3);
  EXPECT_EQ(fx.RelayMasks(), QList<int>({4, 4, 4}));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({1.0f, 1.0f, 1.0f}));
  fx.Mixer.ClearReceivedFrames();
  f.ButtonStopClick(); // the set-points go to 0 at once, the valves close on the tick
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f}));
  EXPECT_TRUE(fx.RelayMasks().isEmpty());
  fx.Tick(2);
  EXPECT_EQ(fx.RelayMasks(), QList<int>({0, 0}));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f, 0.0f, 0.0f}));
}

// One row at the mode change, then one a second while t < 30 s after the
// reset, then one per store interval (every tick with an interval of 0).
TEST(Cycle, RecordingCadence)
{
  for (int interval : {1, 0}) {
    SCOPED_TRACE(interval);
    TCycleFixture fx;
    TForm1& f = fx.F();
    f.GvIntegerEdit2->SetValue(interval);
    fx.ApplyDry();
    const double reset = f.Shared.TotalizerB.StartTime;
    QList<double> stored; // seconds after the reset
    double last = f.Shared.DataStoredLast;
    const double span = 30 + 4 * 60 - 0.125; // seconds, ending between two ticks
    const double end = reset + span / 86400;
    while (fx.Clock.Now() < end) {
      fx.Tick();
      if (f.Shared.DataStoredLast != last) {
        last = f.Shared.DataStoredLast;
        stored << std::round((last - reset) * 86400 * 1000) / 1000;
      }
    }
    QList<double> expected;
    for (int s = 0; s < 30; ++s) expected << s;
    if (interval == 1) {
      // After 30 s: a minute after the last row (29 s), then one a minute.
      for (double t = 89; t < span; t += 60) expected << t;
    } else {
      for (double t = 30.25; t < span; t += 0.25) expected << t;
    }
    EXPECT_EQ(stored.mid(0, 31), expected.mid(0, 31)); // the first 30 s
    EXPECT_EQ(stored, expected);
    // Standby stores the row of the mode change and no more.
    const int rows = fx.StoredRows();
    f.ButtonStopClick();
    fx.RunFor(interval == 0 ? 5 : 65);
    EXPECT_EQ(fx.StoredRows(), rows + 1);
  }
}

// The first Dilution tick of a run autosaves at once, then once an hour, and
// only in Dilution.
TEST(Cycle, AutosaveOnTheFirstDilutionTickThenHourly)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.Clock.SetNow(EncodeDateTime(2026, 3, 9, 14, 5, 0));
  f.Button3Click(); // the automatic stop a day ahead of the new time
  const auto minutes = [&](double m) { fx.Clock.Advance(m * 60000); };
  fx.ApplyDry();
  fx.Tick();
  double saved = f.Shared.LastAutoSave;
  EXPECT_NEAR((saved - EncodeDateTime(2026, 3, 9, 14, 5, 0)) * 86400, 0, 1);
  EXPECT_TRUE(QFile::exists("Filename autosave 03-09 14_05.CSV"));
  EXPECT_EQ(f.Label17->text(), "Last autosave: 03-09 14:05");

  minutes(59);
  fx.Tick();
  EXPECT_EQ(f.Shared.LastAutoSave, saved); // not yet an hour
  minutes(2);
  fx.Tick();
  EXPECT_GT(f.Shared.LastAutoSave, saved);
  saved = f.Shared.LastAutoSave;
  EXPECT_TRUE(QFile::exists("Filename autosave 03-09 15_06.CSV"));

  f.ButtonBypassClick();
  fx.Tick();
  minutes(120);
  fx.Tick();
  EXPECT_EQ(f.Shared.LastAutoSave, saved); // none in Bypass
  EXPECT_EQ(QDir().entryList({"*.CSV"}).size(), 2);

  f.ButtonDilutionClick();
  fx.Tick();
  EXPECT_GT(f.Shared.LastAutoSave, saved);
  EXPECT_TRUE(QFile::exists("Filename autosave 03-09 17_06.CSV"));
}

TEST(Cycle, AutomaticStopLeavesTheMixerSafe)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.Tick(2);
  ASSERT_EQ(fx.Mixer.RelayMask(), 24u);
  f.Shared.AutoStopTime = fx.Clock.Now() + 5.0 / 86400;
  fx.Tick();
  EXPECT_EQ(f.GroupBox12->title(),
            "Automatic stop: " + FormatDateTime("mmm dd @ hh:mm:ss", f.Shared.AutoStopTime));
  // The first safe-state writes at the stop are lost.
  fx.Mixer.SetRelayBoardSilent(true);
  fx.Mixer.SetControllerSilent(2, true);
  fx.RunFor(5);
  fx.Tick();
  EXPECT_EQ(f.LabelStatus->text(), "Standby (valves and flow B not confirmed)");
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  EXPECT_EQ(fx.Mixer.RelayMask(), 24u);
  EXPECT_NE(fx.Mixer.SetPoint(2), 0.0f);
  // While the stop holds, every tick sends the safe state again.
  fx.Mixer.SetRelayBoardSilent(false);
  fx.Mixer.SetControllerSilent(2, false);
  fx.Mixer.ClearReceivedFrames();
  fx.Tick(3);
  EXPECT_EQ(fx.RelayMasks(), QList<int>({0, 0, 0}));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(fx.Mixer.RelayMask(), 0u);
  EXPECT_EQ(fx.Mixer.SetPoint(1), 0.0f);
  EXPECT_EQ(fx.Mixer.SetPoint(2), 0.0f);
  EXPECT_EQ(f.LabelStatus->text(), "Standby");

  // "Add hours to counter" ends the stop; Standby's own action goes on.
  f.Button3Click();
  fx.Mixer.ClearReceivedFrames();
  fx.Tick();
  EXPECT_EQ(fx.RelayMasks(), QList<int>({0}));
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
}

// The stop is set anew from now with the hours in the field, whatever they are.
TEST(Cycle, AddHoursToCounterTakesTheHoursFromItsField)
{
  for (int hours : {1, 5, 72}) {
    SCOPED_TRACE(hours);
    TCycleFixture fx;
    TForm1& f = fx.F();
    fx.Clock.Advance(3.5 * 3600000); // not the start-up moment
    f.GvIntegerEdit1->SetValue(hours);
    const double now = fx.Clock.Now();
    f.Button3Click();
    EXPECT_DOUBLE_EQ(f.Shared.AutoStopTime, now + hours / 24.0);
  }
}

TEST(Cycle, DontEverClickTogglesTheTimer)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  f.Timer1->start();
  f.Button1->click();
  EXPECT_FALSE(f.Timer1->isActive());
  EXPECT_EQ(f.Button1->text(), "Don't ever click. Timer:False");
  f.Button1->click();
  EXPECT_TRUE(f.Timer1->isActive());
  EXPECT_EQ(f.Button1->text(), "Don't ever click. Timer:True");
}

TEST(Commands, StopWaitsForTheHumidificationThread)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.Clock.SetRealPauseUs(10000); // let the stand-in run while the window waits
  TStandInLog log;
  auto* thread = new TStandInThread(f, log);
  f.Shared.WETT = thread;
  f.Shared.ValvesSet = true;
  thread->start();
  while (log.HandOvers < 2) QCoreApplication::processEvents();
  const unsigned long long sleptBefore = fx.Clock.SleptMs();
  f.ButtonStopClick();
  EXPECT_EQ(f.Shared.WETT, nullptr);
  EXPECT_EQ(f.windowTitle(), "Mix");
  EXPECT_FALSE(f.Shared.ThreadStop);
  EXPECT_FALSE(f.Shared.ThreadHasStopped);
  EXPECT_FALSE(f.Shared.ValvesSet);
  EXPECT_TRUE(f.ButtonStop->isEnabled() && f.ButtonDilution->isEnabled());
  EXPECT_TRUE(f.Timer1->isActive());
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
  // While waiting the caption grew by one dot per 250 ms and the buttons
  // were disabled.
  const int waits = int((fx.Clock.SleptMs() - sleptBefore) / 250);
  ASSERT_EQ(log.Captions.size(), 3);
  int lastDots = 0;
  for (const QString& caption : log.Captions) {
    ASSERT_TRUE(caption.startsWith("Waiting valve operations to finish")) << caption.toStdString();
    const int dots = int(caption.size() - QString("Waiting valve operations to finish").size());
    EXPECT_EQ(caption.mid(caption.size() - dots), QString(dots, u'.'));
    EXPECT_GT(dots, lastDots);
    lastDots = dots;
  }
  EXPECT_LE(lastDots, waits);
  EXPECT_EQ(log.ButtonsEnabled, QList<bool>({false, false, false}));
  EXPECT_EQ(log.TimerActive, QList<bool>({false, false, false}));
}

// "Don't ever click" switches the timer on in the middle of the wait, after
// the automatic-stop time has passed: the ticks that come inside the wait do
// nothing (no automatic stop, no second stop, no mode action), and a stop
// called there returns at once.
TEST(Commands, NoTickAndNoSecondStopInsideTheStopWait)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.Tick(2);
  fx.Clock.SetRealPauseUs(10000);
  TStandInLog log;
  auto* thread = new TStandInThread(f, log);
  f.Shared.WETT = thread;
  f.Shared.AutoStopTime = fx.Clock.Now() - 1.0 / 86400;
  bool innerDone = false;
  log.OnFirstRequest = [&] {
    // Posted: runs in the wait's message handling once this hand-over is over.
    QTimer::singleShot(0, &f, [&] {
      f.Button1->click(); // the timer on again
      EXPECT_TRUE(f.Timer1->isActive());
      f.Timer1Timer();
      f.Timer1Timer();
      f.StopThread();
      EXPECT_EQ(f.Shared.WETT, thread); // still the outer stop's to free
      innerDone = true;
    });
  };
  // Ends a wait that would never end, so that the test fails instead of hanging.
  const double start = fx.Clock.Now();
  fx.Clock.OnSleep = [&](unsigned) {
    if (fx.Clock.Now() - start > 60.0 / 86400) f.Shared.ThreadHasStopped = true;
  };
  thread->start();
  while (log.HandOvers < 1) QCoreApplication::processEvents();
  fx.Transport.Clear();
  f.ButtonBypassClick();
  EXPECT_TRUE(innerDone);
  EXPECT_LT(fx.Clock.Now() - start, 20.0 / 86400);
  EXPECT_TRUE(fx.Transport.Requests().isEmpty()) << fx.Transport.Steps().join(", ").toStdString();
  EXPECT_EQ(log.Captions.size(), 3); // the one thread reported once, to the one stop
  EXPECT_EQ(f.Shared.WETT, nullptr);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Bypass);
  EXPECT_EQ(f.LabelStatus->text(), "Bypass");
  EXPECT_EQ(f.windowTitle(), "Mix");
  EXPECT_TRUE(f.ButtonStop->isEnabled() && f.ButtonDilution->isEnabled());
  EXPECT_TRUE(f.Timer1->isActive());
}

namespace {
// A humidification thread that never reports: it ignores the stop until the
// test releases it, and only notes whether it was asked to end for good.
class TSilentThread : public QThread
{
public:
  std::atomic<bool> Release{false};
  std::atomic<bool> SawInterruption{false};

protected:
  void run() override
  {
    while (!Release) QThread::msleep(1);
    SawInterruption = isInterruptionRequested();
  }
};
} // namespace

// The stop waits 10 s of the window's clock for a thread that does not
// report, says so in the Debug tab and leaves the window usable; the thread
// is freed once it has ended, by the next tick or when the window closes.
TEST(Commands, StopGivesUpOnAThreadThatDoesNotReport)
{
  for (bool freedByTick : {true, false}) {
    SCOPED_TRACE(freedByTick ? "freed by a tick" : "freed on closing");
    TCycleFixture fx;
    TForm1& f = fx.F();
    fx.ApplyDry();
    fx.Tick();
    auto* thread = new TSilentThread;
    bool freed = false;
    QObject::connect(thread, &QObject::destroyed, [&] { freed = true; });
    f.Shared.WETT = thread;
    thread->start();
    const unsigned long long slept = fx.Clock.SleptMs();
    f.ButtonStopClick();
    EXPECT_GE(fx.Clock.SleptMs() - slept, 10000u);
    EXPECT_LE(fx.Clock.SleptMs() - slept, 10250u);
    EXPECT_EQ(f.MemoDevFeedback->toPlainText().split(u'\n').last(),
              "The humidification thread did not report within 10 s that it has stopped; "
              "no longer waiting for it.");
    EXPECT_EQ(f.Shared.WETT, nullptr);
    EXPECT_FALSE(f.Shared.ThreadStop);
    EXPECT_FALSE(f.Shared.ThreadHasStopped);
    EXPECT_EQ(f.windowTitle(), "Mix");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(f.LabelStatus->text(), "Standby");
    for (QPushButton* b : {f.ButtonStop, f.ButtonFlush, f.ButtonBypass, f.ButtonDilution})
      EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_FALSE(freed);

    // The mixer goes on: Standby's action on the next tick.
    fx.Transport.Clear();
    fx.Tick();
    EXPECT_EQ(fx.RelayMasks().last(), 0);
    EXPECT_FALSE(freed); // still running
    thread->Release = true;
    if (freedByTick) {
      while (!thread->isFinished()) QThread::msleep(1);
      EXPECT_TRUE(thread->SawInterruption);
      fx.Tick();
      EXPECT_TRUE(freed);
    } else {
      fx.Form.reset();
      EXPECT_TRUE(freed);
    }
  }
}

// Without a thread the stop waits for nothing: only the two set-point writes
// (each a transaction and the 20 ms after it).
TEST(Commands, StopWithoutAThreadReturnsAtOnce)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  const unsigned long long slept = fx.Clock.SleptMs();
  f.ButtonStopClick();
  EXPECT_LE(fx.Clock.SleptMs() - slept, 2u * (30 + 20));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f}));
  EXPECT_EQ(f.windowTitle(), "Mix");
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
}

// Closing the window leaves the validated devices safe, and touches nothing
// while a stop is still waiting for the humidification thread.
TEST(Shutdown, ClosingClosesValvesAndZeroesSetPoints)
{
  TCycleFixture fx;
  TForm1& f = fx.F();
  fx.ApplyDry();
  fx.Tick();
  fx.Mixer.ClearReceivedFrames();
  f.close();
  EXPECT_EQ(fx.RelayMasks(), QList<int>({0}));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f}));
  EXPECT_EQ(fx.Mixer.RelayMask(), 0u);
}

TEST(Shutdown, NothingIsSentToDevicesNotValidated)
{
  TWindowFixture fx;
  fx.Form->show();
  fx.Form->close();
  EXPECT_TRUE(fx.Mixer.ReceivedFrames(TImaginaryLine::RelayBoard).isEmpty());
  EXPECT_TRUE(fx.Mixer.ReceivedFrames(TImaginaryLine::ControllerBus).isEmpty());
}
