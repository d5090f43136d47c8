// The humidification thread in virtual time against the imaginary relay
// board, and the bubbler temperature estimate.
#include "AppTestSupport.h"

#include "app/ThreadWetting.h"
#include "controls/GvFloatEdit.h"
#include "physics/MolarMasses.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <cmath>
#include <gtest/gtest.h>

namespace {
struct TThreadFixture : TWindowFixture
{
  TThreadFixture()
  {
    StartTestMode();
    Mixer.ClearReceivedFrames();
    Form->MemoDevFeedback->clear();
  }
  // Runs a thread with the wet fraction until it has made Passes hand-overs
  // (or until the request to stop at StopAfter), then asks it to stop and
  // waits for its answer, handling the window's messages meanwhile.
  std::unique_ptr<TThreadWetting> Run(double fraction, int stopAfter)
  {
    auto thread =
        std::make_unique<TThreadWetting>(Form.get(), Form->DeviceContext(), Form->RelayLock());
    thread->DesiredWETFractionOfTime = fraction;
    thread->DesiredDRYFractionOfTime = 1 - fraction;
    thread->SolenoidPortASTR = FakePortName();
    thread->LoopTimeS = 3.0;
    thread->start();
    while (HandOvers() < stopAfter) QCoreApplication::processEvents();
    Form->Shared.ThreadStop = true;
    while (!Form->Shared.ThreadHasStopped) QCoreApplication::processEvents();
    thread->wait();
    return thread;
  }
  QStringList Lines() const { return Form->MemoDevFeedback->toPlainText().split(u'\n'); }
  int HandOvers() const
  {
    const QString text = Form->MemoDevFeedback->toPlainText();
    return text.isEmpty() ? 0 : int(text.count(QStringLiteral("I:")));
  }
  // The relay masks of the thread's pulses (19 wet, 24 dry).
  QList<int> Pulses() const { return RelayMasks(); }
  int ADCReads() const
  {
    int n = 0;
    for (const QByteArray& f : Mixer.ReceivedFrames(TImaginaryLine::RelayBoard))
      if (f == QByteArray("\xFE\x9E", 2)) ++n;
    return n;
  }
};
} // namespace

TEST(ThreadWetting, WetFractionZeroAndOneSendOneMaskEach)
{
  for (double fraction : {0.0, 1.0}) {
    SCOPED_TRACE(fraction);
    TThreadFixture fx;
    auto t = fx.Run(fraction, 5);
    const int passes = t->Counter;
    EXPECT_GE(passes, 6);
    const QList<int> pulses = fx.Pulses();
    EXPECT_EQ(pulses, QList<int>(passes, fraction == 0 ? 24 : 19));
    for (const QString& line : fx.Lines().filter("I:"))
      EXPECT_TRUE(line.contains(fraction == 0 ? " D-skip:False  W-skip:True "
                                              : " D-skip:True  W-skip:False "))
          << line.toStdString();
    EXPECT_TRUE(t->HasStopped);
    // Each pass lasts a loop time, and the counted wet time follows the share.
    EXPECT_NEAR(t->TotalElapsedTimeS / (passes - 1), 3.0, 0.1);
    EXPECT_NEAR(fx.Form->Shared.OccuredWETTime, fraction * t->TotalElapsedTimeS, 0.3);
  }
}

TEST(ThreadWetting, HalfWetAlternatesAndCorrectsTheError)
{
  TThreadFixture fx;
  auto t = fx.Run(0.5, 6);
  QList<int> expected;
  for (int i = 0; i < t->Counter; ++i) expected << 19 << 24;
  EXPECT_EQ(fx.Pulses(), expected);
  const QStringList lines = fx.Lines().filter("I:");
  ASSERT_GE(lines.size(), 3);
  EXPECT_TRUE(lines[0].startsWith(
      "I:1  00 Elapsed:0.00  Desired WT:0.00 - Occured WT:0.00 = Error in WT:0.00  Intended "
      "WP:1.50  Previous WP:0.00  D-skip:False  W-skip:False "))
      << lines[0].toStdString();
  // The counted wet time keeps to half the elapsed time.
  EXPECT_NEAR(t->OccuredWETTotalTimeS, 0.5 * t->TotalElapsedTimeS, 0.2);
  EXPECT_NEAR(std::fabs(t->ErrorWETTotalTimeS), 0, 0.1);
  EXPECT_TRUE(lines.last().startsWith("I:" + QString::number(t->Counter) + "  -1-1 "))
      << lines.last().toStdString();
}

TEST(ThreadWetting, ShortPulsesAreCarriedInTheErrorAccount)
{
  TThreadFixture fx;
  auto t = fx.Run(0.04, 4);
  const QStringList lines = fx.Lines().filter("I:");
  ASSERT_GE(lines.size(), 3);
  EXPECT_TRUE(lines[0].contains("Intended WP:0.12") && lines[0].contains("W-skip:True"))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains("W-skip:False")) << lines[1].toStdString();
  const QList<int> pulses = fx.Pulses();
  ASSERT_GE(pulses.size(), 3);
  EXPECT_EQ(pulses.mid(0, 3), QList<int>({24, 19, 24})); // dry only, then wet and dry
}

TEST(ThreadWetting, StopRequestIsTakenAtTheNextHandOverAfterAFullPass)
{
  TThreadFixture fx;
  auto t = fx.Run(0.5, 2);
  // The request came after the second hand-over; the thread took it at the
  // third, still gave that pass's pulses, and then reported stopped.
  EXPECT_EQ(t->Counter, 3);
  EXPECT_EQ(fx.Pulses(), QList<int>({19, 24, 19, 24, 19, 24}));
  const QStringList lines = fx.Lines().filter("I:");
  ASSERT_EQ(lines.size(), 4);
  EXPECT_TRUE(lines[2].startsWith("I:3  -10 ")) << lines[2].toStdString();
  EXPECT_TRUE(lines[3].startsWith("I:3  -1-1 ")) << lines[3].toStdString();
}

// A thread that a stop gave up waiting for is asked to end for good: it ends
// at its next hand-over and leaves the window's state alone.
TEST(ThreadWetting, InterruptedThreadEndsWithoutWritingTheWindowState)
{
  TThreadFixture fx;
  TForm1& f = *fx.Form;
  TThreadWetting thread(&f, f.DeviceContext(), f.RelayLock());
  thread.DesiredWETFractionOfTime = 0.5;
  thread.SolenoidPortASTR = FakePortName();
  thread.LoopTimeS = 3.0;
  thread.start();
  while (fx.HandOvers() < 2) QCoreApplication::processEvents();
  const double wetTime = f.Shared.OccuredWETTime;
  thread.requestInterruption();
  while (!thread.isFinished()) QCoreApplication::processEvents();
  thread.wait();
  EXPECT_TRUE(thread.HasStopped);
  EXPECT_FALSE(f.Shared.ThreadHasStopped);
  EXPECT_EQ(f.Shared.OccuredWETTime, wetTime);
  EXPECT_EQ(fx.HandOvers(), 2);
}

TEST(ThreadWetting, TemperatureIsReadOnceAMinuteAndRetriedWhenItFails)
{
  {
    TThreadFixture fx;
    auto t = fx.Run(0.5, 45); // a little over two minutes
    EXPECT_EQ(fx.ADCReads(), 3);
    EXPECT_GT(fx.Form->Shared.OccuredTemperature, 15);
    EXPECT_LT(fx.Form->Shared.OccuredTemperature, 30);
  }
  {
    TThreadFixture fx;
    fx.Mixer.SetBubblerTemperature(std::nan(""));
    fx.Form->Shared.OccuredTemperature = 33;
    auto t = fx.Run(0.5, 5);
    EXPECT_EQ(fx.ADCReads(), t->Counter); // every pass tries again
    EXPECT_EQ(fx.Form->Shared.OccuredTemperature, 33);
  }
}

TEST(BubblerTemperature, ReadingsOutsideTheUsefulRangeGiveTwentyDegrees)
{
  struct Case
  {
    const char* name;
    double bubbler; // simulated temperature, NaN: no reading
    const char* label;
  };
  const Case cases[] = {
      {"no reading", std::nan(""), "@ 20.0ºC"},
      {"above the bead's range", 60, "@ 20.0ºC"},
      {"above 40", 45, "@ 20.0ºC"},
      {"below 20", 15, "@ 20.0ºC"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TWindowFixture fx;
    TForm1& f = *fx.Form;
    fx.ListImaginaryPorts();
    TWindowFixture::Select(f.ListBoxPortSolenoid, ImaginaryRelayPort());
    fx.Mixer.SetBubblerTemperature(c.bubbler);
    f.MemoDevFeedback->clear(); // the version, the pane's first line since the start
    f.GvIntegerEditH2OTempValueChanged();
    EXPECT_EQ(f.Label14->text(), QString::fromUtf8(c.label));
    EXPECT_FLOAT_EQ(f.GvIntegerEditpH2O->Value(), GetH2OPressureATM(20));
    EXPECT_NEAR(f.GvIntegerEditpH2O->Value(), 0.0230804, 1e-6);
    const QStringList lines = f.MemoDevFeedback->toPlainText().split(u'\n');
    EXPECT_TRUE(lines.first().startsWith("0-1024 DAC = "));
    if (std::isnan(c.bubbler)) {
      EXPECT_EQ(lines, QStringList{"0-1024 DAC = 0"});
    } else {
      EXPECT_EQ(lines.size(), 3);
    }
  }
}

TEST(BubblerTemperature, MeasuredAndEstimated)
{
  {
    TWindowFixture fx;
    TForm1& f = *fx.Form;
    fx.ListImaginaryPorts();
    TWindowFixture::Select(f.ListBoxPortSolenoid, ImaginaryRelayPort());
    fx.Mixer.SetBubblerTemperature(30);
    f.MemoDevFeedback->clear(); // the version line of the start
    f.GvIntegerEditH2OTempValueChanged();
    const QString label = f.Label14->text();
    ASSERT_TRUE(label.startsWith("@ ") && label.endsWith("ºC")) << label.toStdString();
    const double t = label.mid(2, label.size() - 4).toDouble();
    EXPECT_NEAR(t, 30, 0.3);
    EXPECT_NEAR(f.GvIntegerEditpH2O->Value(), GetH2OPressureATM(float(t)), 2e-4);
    const QStringList lines = f.MemoDevFeedback->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith("Voltage    = "));
    EXPECT_TRUE(lines[2].startsWith("Ohm        = "));
  }
  {
    TWindowFixture fx;
    fx.StartTestMode();
    fx.Mixer.ClearReceivedFrames();
    fx.Form->GvIntegerEditH2OTempValueChanged();
    EXPECT_EQ(fx.Form->Label14->text(), QString::fromUtf8("@ 20.0ºC (Estimated)"));
    EXPECT_FLOAT_EQ(fx.Form->GvIntegerEditpH2O->Value(), GetH2OPressureATM(20));
    EXPECT_TRUE(fx.Mixer.ReceivedFrames().isEmpty());
  }
}

TEST(BubblerTemperature, OwnCalibrationExamples)
{
  EXPECT_NEAR(BubblerTemperatureFromResistance(10000), 24.41, 0.01);
  EXPECT_NEAR(BubblerTemperatureFromResistance(5000), 42.31, 0.01);
  EXPECT_NEAR(BubblerTemperatureFromResistance(30000), 0.05, 0.01);
  EXPECT_EQ(BubblerTemperatureFromResistance(0), 0);
  EXPECT_EQ(BubblerTemperatureFromResistance(std::nan("")), 0);
}
