// Pulse dosing of a controller whose flow lies below its range.
#include "AppTestSupport.h"

#include "app/PulseDosing.h"
#include "controls/GvIntegerEdit.h"

#include <QPlainTextEdit>
#include <cmath>
#include <gtest/gtest.h>

TEST(PulseDosing, AdaptationAndPulseLength)
{
  struct Case
  {
    const char* name;
    double target, reading, fli;
    bool pulse;
    double fliAfter;
    unsigned pulseMs;
    const char* line;
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"behind from 1", 0.001, 0, 1, true, 2, 120, "Extra flow up           :20 "},
      {"ahead at 0 stays 0", 0.001, 0.002, 0, false, 0, 100, "Extra flow down         :-10 "},
      {"equal counts as ahead", 0.002, 0.002, 3, false, 2, 120, "Extra flow down         :20 "},
      {"unreadable counts as ahead", 0.001, nan, 2, false, 1, 110, "Extra flow down         :10 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TDosingStep step = PlanDosingStep(c.target, c.reading, c.fli);
    EXPECT_EQ(step.Pulse, c.pulse);
    EXPECT_EQ(step.FLI, c.fliAfter);
    EXPECT_EQ(step.PulseMs, c.pulseMs);
    EXPECT_EQ(step.Lines, QStringList{c.line});
    EXPECT_EQ(step.ReadingFailed, std::isnan(c.reading));
  }
  // Three steps behind and one ahead, from 1: the term is 3, the next pulse 130 ms.
  double fli = 1;
  for (double reading : {0.0, 0.0, 0.0, 1.0}) fli = PlanDosingStep(0.5, reading, fli).FLI;
  EXPECT_EQ(fli, 3);
  EXPECT_EQ(PlanDosingStep(0.5, 0.0, fli).PulseMs, 140u); // behind again: 4
  EXPECT_EQ(100 + unsigned(std::floor(10 * fli)), 130u);
}

namespace {
struct TPulseFixture : TWindowFixture
{
  TPulseFixture()
  {
    StartTestMode();
    Mixer.ClearReceivedFrames();
    Form->MemoDevFeedback->clear();
  }
  QStringList Log() const { return Form->MemoDevFeedback->toPlainText().split(u'\n'); }
  // Times (ms) between a pulse's start and end writes to register 6.
  QList<double> PulseLengths(int address) const
  {
    QList<double> lengths;
    double start = -1;
    for (const TImaginaryFrame& f : Mixer.ReceivedFrames()) {
      const QByteArray& b = f.Bytes;
      if (f.Line != TImaginaryLine::ControllerBus || b.size() < 13 || uint8_t(b[0]) != address ||
          uint8_t(b[1]) != 0x10 || b[3] != 6)
        continue;
      const bool zero = b.mid(7, 4) == QByteArray(4, '\0');
      if (!zero)
        start = f.Time;
      else if (start >= 0) {
        lengths << (f.Time - start) * 86400000;
        start = -1;
      }
    }
    return lengths;
  }
};
} // namespace

TEST(PulseDosing, FirstStepOfBAfterApplyingGivesOnePulse)
{
  TPulseFixture fx;
  TForm1& f = *fx.Form;
  f.Shared.FLBI = 1;
  f.Shared.Counter = 0;
  f.Shared.DesiredFlowBGramsperMinute = 0.001;
  f.Shared.TotalizerB.StartTime = fx.Clock.Now() - 2.0 / 1440; // two minutes ago
  f.BinAPulse();
  EXPECT_EQ(f.Shared.FLBI, 2);
  EXPECT_EQ(f.Shared.Counter, 1);
  const QStringList log = fx.Log();
  ASSERT_EQ(log.size(), 5);
  EXPECT_EQ(log[0], "Extra flow up           :20 ");
  EXPECT_EQ(log[1], "B Send more flow 1");
  EXPECT_EQ(log[2], "B Elapsed time          :120 s");
  EXPECT_TRUE(log[3].startsWith("B Flow should be by now :0.002 00")) << log[3].toStdString();
  EXPECT_EQ(log[4], "B Flow is by now        :0.000 000 000 g");
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.22f, 0.0f}));
  // The pulse: the write's own 10 ms pause, then 100 + 10 x FLBI ms.
  const QList<double> pulses = fx.PulseLengths(2);
  ASSERT_EQ(pulses.size(), 1);
  EXPECT_NEAR(pulses[0], 130.0, 1e-3);
  EXPECT_EQ(fx.Mixer.SetPoint(2), 0.0f);
}

TEST(PulseDosing, StepOfAWhenAheadWritesZero)
{
  TPulseFixture fx;
  TForm1& f = *fx.Form;
  f.Shared.FLAI = 0;
  f.Shared.DesiredFlowAGramsperMinute = 0; // nothing wanted: the totalizer is never behind
  f.Shared.TotalizerA.StartTime = fx.Clock.Now();
  f.AinBPulse();
  EXPECT_EQ(f.Shared.FLAI, 0);
  EXPECT_EQ(f.Shared.Counter, 0);
  const QStringList log = fx.Log();
  EXPECT_EQ(log[0], "Extra flow down         :-10 ");
  EXPECT_EQ(log[1], "A Stop flow");
  EXPECT_EQ(log[2], "A Elapsed time          :0 s");
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
}

TEST(PulseDosing, PulseOfAUsesItsOwnFlow)
{
  TPulseFixture fx;
  TForm1& f = *fx.Form;
  f.Shared.FLAI = 1;
  f.Shared.DesiredFlowAGramsperMinute = 0.01;
  f.Shared.TotalizerA.StartTime = fx.Clock.Now() - 1.0 / 1440;
  f.AinBPulse();
  EXPECT_EQ(fx.Log()[1], "A Send more flow 1");
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.035f, 0.0f}));
  EXPECT_TRUE(fx.Writes(2, 6).isEmpty());
}

TEST(PulseDosing, UnreadableTotalizerNeverPulses)
{
  TPulseFixture fx;
  TForm1& f = *fx.Form;
  f.Shared.FLBI = 2;
  f.Shared.DesiredFlowBGramsperMinute = 0.001;
  f.Shared.TotalizerB.StartTime = fx.Clock.Now() - 2.0 / 1440;
  fx.Mixer.SetControllerSilent(2, true);
  f.BinAPulse();
  EXPECT_TRUE(std::isnan(f.Shared.TotalizerB.Value));
  EXPECT_EQ(f.Shared.Counter, 0);
  EXPECT_EQ(f.Shared.FLBI, 1);
  const QStringList log = fx.Log();
  EXPECT_EQ(log[0], "B Totalizer reading failed, no pulse");
  EXPECT_EQ(log[1], "Extra flow down         :10 ");
  EXPECT_EQ(log[2], "B Stop flow");
  fx.Mixer.SetControllerSilent(2, false);
  for (const QByteArray& frame : fx.Mixer.ReceivedFrames(TImaginaryLine::ControllerBus))
    EXPECT_FALSE(frame.contains(QByteArray::fromHex("3E6147AE"))) << "a pulse at 0.22 was sent";
}

TEST(PulseDosing, CycleDosesThePulsedControllerOnEveryTick)
{
  TPulseFixture fx;
  TForm1& f = *fx.Form;
  f.GvIntegerEditGasAPPM->SetValue(150); // O2 in N2 at 150 ppm: A below its range
  f.ButtonDilutionClick();
  TCode code;
  ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
  ASSERT_TRUE(IsAPulsed(code)) << f.Shared.MixingMethod.toStdString();
  fx.Mixer.ClearReceivedFrames();
  for (int i = 0; i < 5; ++i) f.Timer1Timer();
  EXPECT_EQ(fx.Log().filter("A Elapsed time").size(), 5);
  EXPECT_EQ(fx.Writes(2, 6).size(), 1); // B constant, once
  EXPECT_GE(fx.Writes(1, 6).size(), 5); // A dosed on every tick
  EXPECT_FALSE(f.Shared.FlowASetToConstant);
}
