// Sequences in the window, in virtual time against the imaginary mixer: the
// steps carried out by the buttons' own commands at their planned times,
// refusals, the operator's hand commands ending a run, the record of what
// ran, and the start options of an unattended start.
#include "AppTestSupport.h"

#include "app/MixerControl.h"
#include "app/OutputPlot.h"
#include "app/PageControl.h"
#include "controls/GvDateTime.h"
#include "controls/GvIntegerEdit.h"
#include "sequence/SequenceFile.h"
#include "sequence/SequenceLog.h"
#include "sequence/SequencePanel.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {
constexpr double cMs = 1.0 / 86400000;

struct TSequenceFixture : TWindowFixture
{
  std::mt19937 Random{29};
  int MaxLateMs = 0;
  std::vector<TStepStart> Starts;

  TSequenceFixture()
  {
    StartTestMode();
    Mixer.ClearReceivedFrames();
    Form->MemoDevFeedback->clear();
    Form->SequenceRunner().OnStepStarted = [this, inner = Form->SequenceRunner().OnStepStarted](
                                               const TStepStart& s) {
      Starts.push_back(s);
      inner(s);
    };
  }
  TForm1& F() { return *Form; }
  TSequencePanel& Tab() { return *Form->TabSheetSequence; }

  // Ticks of the cycle for Seconds: each comes 250 ms after the one before
  // (or right after a tick that took longer), late by up to MaxLateMs.
  void RunFor(double Seconds)
  {
    const double end = Clock.Now() + Seconds / 86400;
    while (Clock.Now() < end) {
      const double start = Clock.Now();
      Form->Timer1Timer();
      const double late = std::uniform_int_distribution<int>(0, MaxLateMs)(Random) * cMs;
      const double next = std::max(start + 250 * cMs, Clock.Now()) + late;
      if (next > Clock.Now()) Clock.SetNow(next);
    }
  }
  QStringList DebugLines(const QString& Start) const
  {
    return Form->MemoDevFeedback->toPlainText().split(u'\n').filter(
        QRegularExpression(u'^' + QRegularExpression::escape(Start)));
  }
  // Valve masks and set-points the devices received, oldest first.
  QList<int> Masks() const { return RelayMasks(); }
};

TSequence Seq(std::vector<TSequenceStep> Steps, int Repeat = 1,
              TSequenceEnd End = TSequenceEnd::Standby)
{
  TSequence s;
  s.Steps = std::move(Steps);
  s.Repeat = Repeat;
  s.End = End;
  return s;
}

// What a refused start must leave as it was.
struct TNothingChanged
{
  TMixerState Mode;
  qsizetype Frames;
  QStringList Files;
  explicit TNothingChanged(TWindowFixture& fx)
      : Mode(fx.Form->Shared.MixerState), Frames(fx.Mixer.ReceivedFrames().size()),
        Files(QDir::current().entryList(QDir::Files))
  {
  }
  void Expect(TWindowFixture& fx) const
  {
    EXPECT_EQ(fx.Form->Shared.MixerState, Mode);
    EXPECT_EQ(fx.Mixer.ReceivedFrames().size(), Frames) << "a device was contacted";
    EXPECT_EQ(QDir::current().entryList(QDir::Files), Files) << "a file was written";
    EXPECT_EQ(fx.Form->SequenceRunner().State(), TSequenceState::Idle);
  }
};
} // namespace

// Mix, mix, bypass, a flush and standby, started with the tab's Start button:
// each step is the button's own command, at its planned time; the Debug
// pane, the sequence log and the Output chart record each start.
TEST(Sequence, RunsThroughTheButtonsCommandsAtThePlannedTimes)
{
  TSequenceFixture fx;
  TForm1& f = fx.F();
  fx.MaxLateMs = 200;
  f.EditAutosaveFilename->setText("run7");
  const TSequence seq = Seq({{TStepKind::Mix, 500000, 0, 0.5},
                             {TStepKind::Mix, 200000, 20000, 0.5},
                             {TStepKind::Bypass, 0, 0, 0.25},
                             {TStepKind::Flush, 0, 0, 0},
                             {TStepKind::Standby, 0, 0, 0.25}});
  fx.Tab().SetSequence(seq);
  const double t0 = fx.Clock.Now();
  fx.Tab().ButtonSequenceStart->click();
  ASSERT_TRUE(fx.Dialogs.Messages.isEmpty()) << fx.Dialogs.Messages.join('\n').toStdString();
  // The first step at once, as a click on "Apply Mixture" with its values.
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Dilution);
  EXPECT_EQ(f.GvIntegerEditGasAPPM->Value(), 500000);
  EXPECT_EQ(f.GvIntegerEditH2Oppm->Value(), 0);
  EXPECT_EQ(fx.Writes(1, 0x6380), QList<float>({0.0f})); // totalizers reset
  const QString firstMethod = f.Shared.MixingMethod;
  fx.RunFor(20);
  EXPECT_EQ(fx.Tab().LabelSequenceStep->text(), "Running: step 1 of 5, repetition 1 of 1");
  EXPECT_EQ(fx.Tab().LabelSequenceStepLeft->text(), "Left in the step: 0:00:10");
  EXPECT_EQ(fx.Tab().ButtonSequenceStart->isEnabled(), false);
  fx.RunFor(100);

  ASSERT_EQ(fx.Starts.size(), 5u);
  const double planned[5] = {0, 30, 60, 75, 85}; // the flush lasts 10 s
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR((fx.Starts[size_t(i)].Planned - t0) * 86400, planned[i], 1e-3) << i;
    const double late = (fx.Starts[size_t(i)].Issued - fx.Starts[size_t(i)].Planned) / cMs;
    EXPECT_GE(late, 0) << i;
    EXPECT_LT(late, 250) << i;
  }
  EXPECT_EQ(f.SequenceRunner().State(), TSequenceState::Finished);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
  EXPECT_EQ(fx.Tab().LabelSequenceStep->text(), "Finished: step 5 of 5, repetition 1 of 1");
  EXPECT_EQ(fx.Tab().LabelSequenceNote->text(), "Sequence finished");

  // The devices got what the buttons send: the dry line-up for the first
  // mixture, the flows of both, the bypass, the flush's four masks, and the
  // safe state.
  const QList<int> masks = fx.Masks();
  ASSERT_GE(masks.size(), 6);
  EXPECT_EQ(masks.first(), 24);
  for (int m : {4, 35, 40}) EXPECT_TRUE(masks.contains(m)) << m;
  EXPECT_EQ(masks.last(), 0);
  EXPECT_EQ(fx.Writes(1, 0x6380).size(), 2); // one reset per mixture
  EXPECT_EQ(fx.Mixer.SetPoint(1), 0.0f);
  EXPECT_EQ(fx.Mixer.SetPoint(2), 0.0f);

  // The record: Debug pane, chart marks, log.
  EXPECT_EQ(fx.DebugLines("Sequence step "),
            QStringList({"Sequence step 1 of 5, repetition 1 of 1: mix 500000 ppm A, 0 ppm H2O, 0.5 min",
                         "Sequence step 2 of 5, repetition 1 of 1: mix 200000 ppm A, 20000 ppm H2O, 0.5 min",
                         "Sequence step 3 of 5, repetition 1 of 1: bypass, 0.25 min",
                         "Sequence step 4 of 5, repetition 1 of 1: flush, 0 min",
                         "Sequence step 5 of 5, repetition 1 of 1: standby, 0.25 min"}));
  EXPECT_EQ(fx.DebugLines("Sequence finished").size(), 1);
  EXPECT_TRUE(fx.DebugLines("Sequence started: 5 steps, 1 repetition, planned end ").size() == 1)
      << f.MemoDevFeedback->toPlainText().toStdString();
  const auto& marks = f.OutputPlot().StepMarks();
  ASSERT_EQ(marks.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(marks[size_t(i)].Step, i + 1);
    EXPECT_EQ(marks[size_t(i)].Time, fx.Starts[size_t(i)].Issued);
  }
  QFile log(SequenceLogPath("run7", t0));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
  const QStringList lines = QString::fromUtf8(log.readAll()).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], SequenceLogHeader());
  EXPECT_EQ(lines[1], FormatDateTime("yyyy-mm-dd hh:nn:ss", fx.Starts[0].Issued) +
                          ";1;1;mix;500000;0;0.5;" + firstMethod);
  EXPECT_TRUE(lines[2].endsWith(";2;1;mix;200000;20000;0.5;" + f.Shared.MixingMethod))
      << lines[2].toStdString();
  EXPECT_TRUE(lines[3].endsWith(";3;1;bypass;;;0.25;")) << lines[3].toStdString();
  EXPECT_TRUE(lines[4].endsWith(";4;1;flush;;;0;")) << lines[4].toStdString();
  EXPECT_TRUE(lines[5].endsWith(";5;1;standby;;;0.25;")) << lines[5].toStdString();
}

// Stop, Flush, Bypass or "Apply Mixture" by hand (the buttons, or the
// facade's commands), the tab's Stop, the automatic stop: the sequence ends
// first, then the command does its own work, and no further step follows.
TEST(Sequence, HandCommandsEndItFirst)
{
  struct Case
  {
    const char* name;
    std::function<void(TSequenceFixture&)> act;
    TMixerState mode;
    const char* reason;
  };
  const Case cases[] = {
      {"Stop", [](TSequenceFixture& fx) { fx.F().ButtonStop->click(); }, TMixerState::Standby,
       "ended by the Stop command"},
      {"Flush", [](TSequenceFixture& fx) { fx.F().ButtonFlush->click(); }, TMixerState::Flushing,
       "ended by the Flush command"},
      {"Bypass", [](TSequenceFixture& fx) { fx.F().Control().Bypass(); }, TMixerState::Bypass,
       "ended by the Bypass command"},
      {"Apply Mixture",
       [](TSequenceFixture& fx) {
         fx.F().GvIntegerEditGasAPPM->SetValue(1234);
         fx.F().ButtonDilution->click();
       },
       TMixerState::Dilution, "ended by \"Apply Mixture\""},
      {"the tab's Stop", [](TSequenceFixture& fx) { fx.Tab().ButtonSequenceStop->click(); },
       TMixerState::Standby, "stopped by the operator"},
      {"automatic stop",
       [](TSequenceFixture& fx) {
         fx.F().Shared.AutoStopTime = fx.Clock.Now();
         fx.RunFor(0.5);
       },
       TMixerState::Standby, "ended by the automatic stop"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSequenceFixture fx;
    TForm1& f = fx.F();
    fx.Tab().SetSequence(Seq({{TStepKind::Bypass, 0, 0, 0.2}, {TStepKind::Mix, 100, 0, 1}}));
    fx.Tab().ButtonSequenceStart->click();
    fx.RunFor(3);
    ASSERT_EQ(f.SequenceRunner().State(), TSequenceState::Running);
    c.act(fx);
    EXPECT_EQ(f.SequenceRunner().State(), TSequenceState::Stopped);
    EXPECT_EQ(f.Shared.MixerState, c.mode);
    EXPECT_EQ(fx.DebugLines("Sequence stopped: "),
              QStringList({QStringLiteral("Sequence stopped: ") + c.reason}));
    fx.RunFor(15); // past the second step's planned start
    EXPECT_EQ(fx.Starts.size(), 1u);
    EXPECT_TRUE(fx.Dialogs.Messages.isEmpty()) << fx.Dialogs.Messages.join('\n').toStdString();
    EXPECT_TRUE(fx.Tab().ButtonSequenceStart->isEnabled());
  }
}

// A start the check refuses says why, naming the step or both times, and
// starts nothing: no command, no file.
TEST(Sequence, ARefusedStartChangesNothing)
{
  struct Case
  {
    const char* name;
    TSequence sequence;
    std::function<void(TForm1&)> prepare;
    const char* message;
  };
  const TSequenceStep ok{TStepKind::Mix, 100, 0, 1};
  const Case cases[] = {
      {"no steps", Seq({}), nullptr, "The sequence has no steps."},
      {"a step the calculation refuses", Seq({ok, {TStepKind::Mix, 0, 1000000, 1}}), nullptr,
       "Step 2 (mix 0 ppm A, 1000000 ppm H2O, 1 min): The mixture cannot be made: 1000000 ppm "
       "of H2O with no gas to carry it."},
      {"beyond a field's limits", Seq({{TStepKind::Mix, 700000, 400000, 1}}), nullptr,
       "Step 1 (mix 700000 ppm A, 400000 ppm H2O, 1 min): Gas A and H2O together make 1100000 "
       "ppm, more than 1000000 ppm."},
      {"past the automatic stop", Seq({ok}, 90),
       [](TForm1& f) { f.Shared.AutoStopTime = f.Clock().Now() + 1.0 / 24; },
       "The sequence would end at 2025-12-09 13:30:00, after the automatic stop at 2025-12-09 "
       "13:00:00. Raise the hours of the automatic stop (\"Add hours to counter\") or shorten "
       "the sequence."},
      {"set-up incomplete", Seq({ok}),
       [](TForm1& f) { f.CheckBoxGasesSelected->setChecked(false); },
       "Must validate equipment and select gas types before proceeding to operation"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSequenceFixture fx;
    TForm1& f = fx.F();
    fx.Tab().SetSequence(c.sequence);
    if (c.prepare) c.prepare(f);
    const TNothingChanged before(fx);
    fx.Tab().ButtonSequenceStart->click();
    EXPECT_EQ(fx.Dialogs.Messages, QStringList({QString::fromUtf8(c.message)}));
    EXPECT_EQ(fx.Tab().LabelSequenceNote->text(), QString::fromUtf8(c.message));
    before.Expect(fx);
    EXPECT_EQ(fx.Tab().Sequence(), c.sequence); // the table keeps it for mending
  }
}

// Outside the test mode the bubbler limits the water: a step asking for
// more is refused before the start (the entry fields would lower it).
TEST(Sequence, WaterBeyondTheBubblerIsRefusedBeforeTheStart)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  f.show();
  fx.ListImaginaryPorts();
  TWindowFixture::Click(f.ListBoxPortSolenoid, ImaginaryRelayPort());
  TWindowFixture::Click(f.ListBoxPortMFC, ImaginaryBusPort());
  TWindowFixture::Click(f.ListBoxSetupGas1, "O2");
  TWindowFixture::Click(f.ListBoxSetupGas2, "N2");
  ASSERT_TRUE(f.Control().SetupComplete());
  TSequence wet = Seq({{TStepKind::Mix, 100, 20000, 1}, {TStepKind::Mix, 100, 50000, 1}});
  TCommandResult r = f.Control().CheckSequence(wet);
  ASSERT_EQ(r.Outcome, TCommandOutcome::Refused);
  EXPECT_TRUE(r.Message.startsWith("Step 2 (mix 100 ppm A, 50000 ppm H2O, 1 min): H2O 50000 ppm "
                                   "is more than the bubbler gives at 0.0"))
      << r.Message.toStdString();
  // The facade's table takes only what the check allows.
  EXPECT_EQ(f.Control().SetSequence(wet).Outcome, TCommandOutcome::Refused);
  EXPECT_TRUE(f.Control().Sequence().Steps.empty());
  wet.Steps.pop_back();
  EXPECT_TRUE(f.Control().SetSequence(wet).IsDone());
  EXPECT_EQ(f.Control().Sequence(), wet);
}

// Pause holds the mixer and the clock; Resume continues the step with the
// time it had left; Skip starts the next step at once.
TEST(Sequence, PauseResumeAndSkipFromTheTab)
{
  TSequenceFixture fx;
  TForm1& f = fx.F();
  fx.Tab().SetSequence(Seq({{TStepKind::Bypass, 0, 0, 0.5}, {TStepKind::Mix, 500000, 0, 0.5},
                            {TStepKind::Standby, 0, 0, 0.5}},
                           1, TSequenceEnd::Hold));
  fx.Tab().ButtonSequenceStart->click();
  fx.RunFor(10);
  fx.Tab().ButtonSequencePause->click();
  EXPECT_EQ(fx.Tab().ButtonSequencePause->text(), "Resume");
  EXPECT_EQ(f.Control().SequenceProgress().State, TSequenceState::Paused);
  const double left = f.Control().SequenceProgress().StepLeftS;
  fx.RunFor(60);
  EXPECT_EQ(fx.Starts.size(), 1u);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Bypass); // held as it was
  EXPECT_NEAR(f.Control().SequenceProgress().StepLeftS, left, 1e-6);
  fx.Tab().ButtonSequencePause->click();
  EXPECT_EQ(fx.Tab().ButtonSequencePause->text(), "Pause");
  const double resumed = fx.Clock.Now();
  fx.RunFor(left + 1);
  ASSERT_EQ(fx.Starts.size(), 2u);
  EXPECT_NEAR((fx.Starts[1].Planned - resumed) * 86400, left, 1e-3);
  fx.Tab().ButtonSequenceSkip->click();
  ASSERT_EQ(fx.Starts.size(), 3u);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  fx.Tab().ButtonSequenceSkip->click(); // past the last step: the end, held
  EXPECT_EQ(f.SequenceRunner().State(), TSequenceState::Finished);
  EXPECT_EQ(fx.DebugLines("Sequence paused").size(), 1);
  EXPECT_EQ(fx.DebugLines("Sequence resumed").size(), 1);
  EXPECT_EQ(fx.DebugLines("Sequence step skipped").size(), 2);
  EXPECT_TRUE(fx.Dialogs.Messages.isEmpty()) << fx.Dialogs.Messages.join('\n').toStdString();
  // Nothing to pause once it has ended: said, and nothing else happens.
  EXPECT_EQ(f.Control().PauseSequence().Outcome, TCommandOutcome::Refused);
}

// Undoing the set-up while a sequence runs: the next step is refused, the
// sequence stops and the mixer is stopped.
TEST(Sequence, AStepRefusedWhileRunningStopsSafely)
{
  TSequenceFixture fx;
  TForm1& f = fx.F();
  fx.Tab().SetSequence(Seq({{TStepKind::Mix, 500000, 0, 0.5}, {TStepKind::Mix, 1000, 0, 0.5}}));
  fx.Tab().ButtonSequenceStart->click();
  fx.RunFor(5);
  f.PageControl1->SetActivePageIndex(0);
  f.PageControl1Change(); // "Clear selected gases?" Yes
  fx.RunFor(40);
  EXPECT_EQ(f.SequenceRunner().State(), TSequenceState::Stopped);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  const QStringList stopped = fx.DebugLines("Sequence stopped: ");
  ASSERT_EQ(stopped.size(), 1);
  EXPECT_EQ(stopped[0],
            "Sequence stopped: step 2 of 2, repetition 1 of 1 (mix 1000 ppm A, 0 ppm H2O, 0.5 "
            "min) was refused: Must validate equipment and select gas types before proceeding "
            "to operation");
  EXPECT_EQ(fx.Masks().last(), 0);
}

// A controller that stops answering for half a minute during a step: the
// cycle goes on, no step is skipped or run twice, each begins on time.
TEST(Sequence, ADeviceFaultKeepsThePlan)
{
  TSequenceFixture fx;
  TForm1& f = fx.F();
  fx.Tab().SetSequence(Seq({{TStepKind::Mix, 500000, 0, 0.5}, {TStepKind::Bypass, 0, 0, 0.5},
                            {TStepKind::Mix, 300000, 0, 0.5}}));
  const double t0 = fx.Clock.Now();
  fx.Tab().ButtonSequenceStart->click();
  fx.RunFor(10);
  fx.Mixer.SetControllerSilent(2, true);
  fx.RunFor(30);
  fx.Mixer.SetControllerSilent(2, false);
  fx.RunFor(60);
  ASSERT_EQ(fx.Starts.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR((fx.Starts[size_t(i)].Planned - t0) * 86400, 30.0 * i, 1e-3);
    EXPECT_LT((fx.Starts[size_t(i)].Issued - fx.Starts[size_t(i)].Planned) / cMs, 250) << i;
  }
  EXPECT_EQ(f.SequenceRunner().State(), TSequenceState::Finished);
  EXPECT_TRUE(fx.Mixer.RelayMask() == 0 && fx.Mixer.SetPoint(1) == 0 && fx.Mixer.SetPoint(2) == 0);
}

// Load and Save through the tab: a bad file is refused naming the line and
// the table keeps what it had.
TEST(Sequence, LoadAndSaveFromTheTab)
{
  TSequenceFixture fx;
  TSequencePanel& tab = fx.Tab();
  const TSequence seq = Seq({{TStepKind::Mix, 150, 5000, 30}, {TStepKind::Flush, 0, 0, 0}}, 3,
                            TSequenceEnd::Hold);
  tab.SetSequence(seq);
  const QString path = QDir::current().absoluteFilePath("profile.csv");
  fx.Dialogs.SaveNames = {path};
  tab.ButtonSequenceSave->click();
  ASSERT_TRUE(QFile::exists(path));
  tab.SetSequence(TSequence());
  fx.Dialogs.OpenNames = {path};
  tab.ButtonSequenceLoad->click();
  EXPECT_EQ(tab.Sequence(), seq);
  // Saved again over it: asked first; No leaves the file.
  tab.GvIntegerEditSequenceRepeat->SetValue(5);
  fx.Dialogs.SaveNames = {path};
  fx.Dialogs.Answers = {false};
  tab.ButtonSequenceSave->click();
  EXPECT_EQ(LoadSequenceFile(path).Sequence.Repeat, 3);
  EXPECT_TRUE(fx.Dialogs.Questions.last().endsWith("Replace profile.csv?"));

  QFile bad(QDir::current().absoluteFilePath("bad.csv"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("Kind;Gas A (ppm);H2O (ppm);Minutes\nmix;150;0;30\nmix;a lot;0;30\n");
  bad.close();
  fx.Dialogs.OpenNames = {bad.fileName()};
  tab.ButtonSequenceLoad->click();
  EXPECT_EQ(fx.Dialogs.Messages,
            QStringList({"Line 3: Gas A (ppm) must be a whole number from 0 to 1000000, not \"a "
                         "lot\"."}));
  EXPECT_EQ(tab.Sequence().Steps, seq.Steps);
  EXPECT_EQ(tab.Sequence().Repeat, 5);
}
