// The mixer-control facade: every way to command the mixer meets the checks
// a click meets, and the snapshot shows what the mixer does.
#include "AppTestSupport.h"

#include "app/MixerControl.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {
// O2 in Ar with controller A 0.1 g/min (turndown 100), controller B 1.0 g/min
// limited to 0.4, and the bubbler at 0.03 atm.
TMixtureRequest Request(int a, int w)
{
  TMixtureRequest r;
  r.PpmA = a;
  r.PpmH2O = w;
  TMixtureInput& in = r.Calculation;
  in.p = 0.03;
  in.GasA = "O2";
  in.GasB = "Ar";
  in.FIA = {"O2", "O2", "g/min", 0.1f, 0.1f, 100, 0.001f};
  in.FIB = {"Ar", "Argon", "g/min", 0.4f, 1.0f, 100, 0.01f};
  return r;
}

// What a refused command must leave as it was.
struct TUntouched
{
  TMixerState Mode;
  QString Status, Method;
  int A, W;
  qsizetype Frames;
  explicit TUntouched(TWindowFixture& fx)
      : Mode(fx.Form->Shared.MixerState), Status(fx.Form->LabelStatus->text()),
        Method(fx.Form->Shared.MixingMethod), A(fx.Form->GvIntegerEditGasAPPM->Value()),
        W(fx.Form->GvIntegerEditH2Oppm->Value()), Frames(fx.Mixer.ReceivedFrames().size())
  {
  }
  void Expect(TWindowFixture& fx) const
  {
    EXPECT_EQ(fx.Form->Shared.MixerState, Mode);
    EXPECT_EQ(fx.Form->LabelStatus->text(), Status);
    EXPECT_EQ(fx.Form->Shared.MixingMethod, Method);
    EXPECT_EQ(fx.Form->GvIntegerEditGasAPPM->Value(), A);
    EXPECT_EQ(fx.Form->GvIntegerEditH2Oppm->Value(), W);
    EXPECT_EQ(fx.Mixer.ReceivedFrames().size(), Frames) << "a device was contacted";
  }
};
} // namespace

TEST(MixtureCheck, LimitsBubblerAndCalculationRefusals)
{
  struct Case
  {
    int a, w;
    bool strict;
    const char* refusal; // start of the refusal; empty: allowed
    int water;           // the water applied when allowed
  };
  const Case cases[] = {
      {150, 0, false, "", 0},
      {1000000, 0, false, "", 0},
      {-1, 0, false, "Gas A -1 ppm is outside its field's range 0 .. 1000000.", 0},
      {1000001, 0, false, "Gas A 1000001 ppm is outside its field's range 0 .. 1000000.", 0},
      {0, 1000001, false, "H2O 1000001 ppm is outside its field's range 0 .. 1000000.", 0},
      {600000, 500000, false, "Gas A and H2O together make 1100000 ppm, more than 1000000 ppm.",
       0},
      // The bubbler gives at most Round(999850 x 0.03) = 29996 ppm: lowered as
      // the entry fields lower it, or refused when asked to be strict.
      {150, 50000, false, "", 29996},
      {150, 29996, true, "", 29996},
      {150, 29997, true,
       "H2O 29997 ppm is more than the bubbler gives at 0.030 000 atm (at most 29996 ppm with 150 "
       "ppm of gas A).",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.w << (c.strict ? " strict" : ""));
    TMixtureRequest r = Request(c.a, c.w);
    r.StrictWater = c.strict;
    const TMixtureVerdict v = CheckMixture(r);
    EXPECT_EQ(v.Refusal, QString::fromUtf8(c.refusal));
    if (v.Refusal.isEmpty()) {
      EXPECT_EQ(v.PpmH2O, c.water);
      EXPECT_TRUE(v.Result.Computed);
    }
  }
  // Without the bubbler's limit (the imaginary mixer) only the calculation
  // refuses: water with no gas at all, or with no gas B to carry it.
  for (auto [a, w, refusal] :
       {std::tuple{0, 1000000, "The mixture cannot be made: 1000000 ppm of H2O with no gas to "
                               "carry it."},
        {500000, 500000,
         "The mixture cannot be made: with gas B at 0 ppm nothing carries the 500000 ppm of H2O."},
        {0, 50000, ""}}) {
    TMixtureRequest r = Request(a, w);
    r.WaterLimited = false;
    EXPECT_EQ(CheckMixture(r).Refusal, QString::fromUtf8(refusal)) << a << " " << w;
  }
  // Controllers that reported nothing usable give no flows.
  TMixtureRequest broken = Request(150, 0);
  broken.Calculation.FIB.Max = std::nanf("");
  EXPECT_EQ(CheckMixture(broken).Refusal,
            "The calculation finds no usable flows for 150 ppm of gas A and 0 ppm of H2O.");
}

TEST(MixerControl, CommandsMeetTheSetUpGuardAndTheLimits)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  TMixerControl& c = f.Control();
  f.show();
  // Before the set-up only Stop is carried out.
  {
    const TUntouched before(fx);
    for (const TCommandResult& r : {c.Flush(), c.Bypass(), c.ApplyMixture(100, 0)}) {
      EXPECT_EQ(r.Outcome, TCommandOutcome::SetupIncomplete);
      EXPECT_EQ(r.Message, SetupGuardText());
    }
    before.Expect(fx);
    EXPECT_TRUE(c.Stop().IsDone());
    EXPECT_EQ(f.Shared.MixerState, TMixerState::Standby);
  }
  EXPECT_FALSE(c.Snapshot().SetupComplete);
  fx.StartTestMode();
  fx.Mixer.ClearReceivedFrames();
  // Values the fields or the calculation refuse change nothing.
  {
    const TUntouched before(fx);
    for (auto [a, w] : {std::pair{-5, 0}, {2000000, 0}, {0, 1000000}, {700000, 300000}}) {
      const TCommandResult r = c.ApplyMixture(a, w);
      EXPECT_EQ(r.Outcome, TCommandOutcome::Refused) << a << " " << w;
      EXPECT_FALSE(r.Message.isEmpty());
    }
    before.Expect(fx);
    EXPECT_FALSE(c.Snapshot().MixtureApplied);
    EXPECT_TRUE(fx.Dialogs.Messages.isEmpty()); // the caller hears of it, not a message box
  }
  // While the window closes nothing is carried out.
  f.FormClose();
  for (const TCommandResult& r : {c.Stop(), c.Bypass()})
    EXPECT_EQ(r.Outcome, TCommandOutcome::Busy);
}

TEST(MixerControl, ApplyMixtureIsAClickOnTheButtonAndTheSnapshotShowsIt)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.StartTestMode();
  TMixerControl& c = f.Control();
  const TCommandResult r = c.ApplyMixture(500000, 10000);
  ASSERT_TRUE(r.IsDone()) << r.Message.toStdString();
  EXPECT_EQ(r.PpmA, 500000);
  EXPECT_EQ(r.PpmH2O, 10000);
  // The fields were written and "Apply Mixture" ran as a click does.
  EXPECT_EQ(f.GvIntegerEditGasAPPM->Value(), 500000);
  EXPECT_EQ(f.GvIntegerEditH2Oppm->Value(), 10000);
  EXPECT_EQ(f.GvIntegerEditGasBPPM->Value(), 490000);
  EXPECT_EQ(f.Shared.MixerState, TMixerState::Dilution);
  EXPECT_EQ(f.LabelStatus->text(), "Dilution");
  EXPECT_EQ(f.Shared.MixingMethod, "B/H2O (constant) in A");
  EXPECT_EQ(fx.Writes(1, 0x6380), QList<float>({0.0f})); // totalizers reset
  EXPECT_EQ(fx.Writes(2, 0x6380), QList<float>({0.0f}));

  TMixerSnapshot s = c.Snapshot();
  EXPECT_EQ(s.Mode, TMixerState::Dilution);
  EXPECT_EQ(s.StatusText, "Dilution");
  EXPECT_TRUE(s.RelayOK && s.MFCOK && s.GasesSelected && s.SetupComplete);
  EXPECT_EQ(s.GasA, "O2");
  EXPECT_EQ(s.GasB, "N2");
  EXPECT_TRUE(s.MixtureApplied);
  EXPECT_EQ(s.PpmA, 500000);
  EXPECT_EQ(s.PpmH2O, 10000);
  EXPECT_EQ(s.Method, "B/H2O (constant) in A");
  EXPECT_DOUBLE_EQ(s.AutoStopTime, f.Shared.AutoStopTime);
  EXPECT_FALSE(s.Busy);

  // A later preview of other values leaves the applied mixture as it was;
  // Bypass, then a dry mixture by a click on the button, shows in it too.
  f.GvIntegerEditGasAPPM->SetValue(77);
  EXPECT_EQ(c.Snapshot().PpmA, 500000);
  ASSERT_TRUE(c.Bypass().IsDone());
  f.Timer1Timer();
  s = c.Snapshot();
  EXPECT_EQ(s.Mode, TMixerState::Bypass);
  EXPECT_EQ(s.ValveMask, 4); // valve 3 only
  EXPECT_FALSE(s.Wetting);
  EXPECT_EQ(s.Rows, f.StringGrid1->rowCount());
  EXPECT_GE(s.Rows, 1);
  f.GvIntegerEditGasAPPM->SetValue(1000);
  f.GvIntegerEditH2Oppm->SetValue(0);
  f.ButtonDilutionClick();
  f.Timer1Timer();
  s = c.Snapshot();
  EXPECT_EQ(s.PpmA, 1000);
  EXPECT_EQ(s.PpmH2O, 0);
  EXPECT_EQ(s.Method, f.Shared.MixingMethod);
  EXPECT_EQ(s.ValveMask, 24); // valves 4 and 5: the dry line-up
}

TEST(MixerControl, AClickTheCalculationRefusesIsShownAndChangesNothing)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.StartTestMode();
  // The imaginary mixer's bubbler has no limit: all water, no gas.
  f.GvIntegerEditGasAPPM->SetValue(0);
  f.GvIntegerEditH2Oppm->SetValue(1000000);
  fx.Mixer.ClearReceivedFrames();
  const TUntouched before(fx);
  f.ButtonDilutionClick();
  EXPECT_EQ(fx.Dialogs.Messages,
            QStringList({"The mixture cannot be made: 1000000 ppm of H2O with no gas to carry it."}));
  before.Expect(fx);
  EXPECT_FALSE(f.Control().Snapshot().MixtureApplied);
}

TEST(MixerControl, OperatorCommandsAreAnnouncedBeforeTheyRun)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.StartTestMode();
  QList<TMixerCommand> heard;
  QList<TMixerState> modeThen;
  f.Control().BeforeOperatorCommand = [&](TMixerCommand c) {
    heard << c;
    modeThen << f.Shared.MixerState;
  };
  f.Control().Bypass();
  f.ButtonDilutionClick();  // a click
  f.Control().ApplyMixture(0, 1000000); // refused: not announced
  f.ButtonFlushClick();
  f.Control().Stop();
  EXPECT_EQ(heard, QList<TMixerCommand>({TMixerCommand::Bypass, TMixerCommand::ApplyMixture,
                                         TMixerCommand::Flush, TMixerCommand::Stop}));
  EXPECT_EQ(modeThen, QList<TMixerState>({TMixerState::Unknown, TMixerState::Bypass,
                                          TMixerState::Dilution, TMixerState::Flushing}));
}
