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
      {"behind, reaching the limit", 0.001, 0, 89, true, 90, 1000, "Extra flow up           :900 "},
      {"behind at the limit", 0.001, 0, 90, true, 90, 1000, "Extra flow up           :900 "},
      {"ahead from the limit", 0.001, 0.002, 90, false, 89, 990, "Extra flow down         :890 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TDosingStep step = PlanDosingStep(c.target, c.reading, c.fli);
    EXPECT_EQ(step.Pulse, c.pulse);
    EXPECT_EQ(step.FLI, c.fliAfter);
    EXPECT_EQ(step.PulseMs, c.pulseMs);
    EXPECT_EQ(step.Lines, QStringList{c.line});
    EXPECT_EQ(step.ReadingFailed, std::isnan(c.reading));
    EXPECT_EQ(step.AtLimit, c.fliAfter == 90);
  }
  // Three steps behind, one ahead and one behind again, from 1: the pulses
  // follow the term (2, 3, 4, then 4 again after it fell to 3).
  double fli = 1;
  QList<unsigned> pulses;
  for (double reading : {0.0, 0.0, 0.0, 1.0, 0.0}) {
    const TDosingStep step = PlanDosingStep(0.5, reading, fli);
    fli = step.FLI;
    if (step.Pulse) pulses << step.PulseMs;
  }
  EXPECT_EQ(pulses, QList<unsigned>({120, 130, 140, 140}));
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

// A totalizer that never catches up (gas supply shut): the pulse grows to
// 1000 ms and no further, and the Debug tab says so once.
TEST(PulseDosing, PulseLengthStopsAtItsLimit)
{
  for (int address : {1, 2}) {
    SCOPED_TRACE(address);
    TPulseFixture fx;
    TForm1& f = *fx.Form;
    const bool isA = address == 1;
    (isA ? f.Shared.FLAI : f.Shared.FLBI) = 88;
    (isA ? f.Shared.DesiredFlowAGramsperMinute : f.Shared.DesiredFlowBGramsperMinute) = 100;
    (isA ? f.Shared.TotalizerA : f.Shared.TotalizerB).StartTime = fx.Clock.Now() - 10.0 / 1440;
    for (int i = 0; i < 5; ++i) isA ? f.AinBPulse() : f.BinAPulse();
    // Each pulse: the write's own 10 ms pause, then 100 + 10 x the term.
    const QList<double> pulses = fx.PulseLengths(address);
    ASSERT_EQ(pulses.size(), 5);
    const double expected[] = {1000, 1010, 1010, 1010, 1010};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(pulses[i], expected[i], 1e-3) << i;
    EXPECT_EQ(isA ? f.Shared.FLAI : f.Shared.FLBI, 90);
    const QString note = (isA ? "A" : "B") + QString(" pulse length at its limit of 1000 ms");
    EXPECT_EQ(fx.Log().filter("limit").size(), 1);
    EXPECT_EQ(fx.Log().count(note), 1);
    EXPECT_EQ(fx.Log().filter("Extra flow up           :900 ").size(), 4);
  }
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

// The cycle doses the pulsed controller, and only that one, on every tick;
// the other gets its constant set-point once.
TEST(PulseDosing, CycleDosesThePulsedControllerOnEveryTick)
{
  struct Case
  {
    int ppmA;             // O2 in N2 in the test mode
    int pulsed, constant; // addresses
  };
  for (const Case& c : {Case{150, 1, 2}, Case{999900, 2, 1}}) {
    SCOPED_TRACE(c.ppmA);
    TPulseFixture fx;
    TForm1& f = *fx.Form;
    f.GvIntegerEditGasAPPM->SetValue(c.ppmA);
    f.ButtonDilutionClick();
    TCode code;
    ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
    ASSERT_EQ(IsAPulsed(code), c.pulsed == 1) << f.Shared.MixingMethod.toStdString();
    ASSERT_EQ(IsBPulsed(code), c.pulsed == 2) << f.Shared.MixingMethod.toStdString();
    fx.Mixer.ClearReceivedFrames();
    f.MemoDevFeedback->clear();
    for (int i = 0; i < 5; ++i) f.Timer1Timer();
    const QString pulsed = c.pulsed == 1 ? "A " : "B ", other = c.pulsed == 1 ? "B " : "A ";
    EXPECT_EQ(fx.Log().filter(pulsed + "Elapsed time").size(), 5);
    EXPECT_TRUE(fx.Log().filter(other + "Elapsed time").isEmpty());
    const double constantFlow =
        c.constant == 1 ? f.Shared.DesiredFlowAGramsperMinute : f.Shared.DesiredFlowBGramsperMinute;
    EXPECT_EQ(fx.Writes(c.constant, 6), QList<float>{float(constantFlow)}); // once
    EXPECT_GE(fx.Writes(c.pulsed, 6).size(), 5);                            // dosed on every tick
    for (float v : fx.Writes(c.pulsed, 6))
      EXPECT_TRUE(v == 0.0f || v == (c.pulsed == 1 ? 0.035f : 0.22f)) << v;
    EXPECT_FALSE(c.pulsed == 1 ? f.Shared.FlowASetToConstant : f.Shared.FlowBSetToConstant);
  }
}
