// The mixer against devices that fail on real serial lines (the imaginary
// mixer on pseudo-terminals), in virtual time: the cycle keeps ticking, rows
// show what could not be read as not a number, a device that comes back is
// used again, Stop still ends in the safe state, pulse dosing gives no pulse
// without readings, and the humidification thread ends when its board is
// gone.
#include "FaultTestSupport.h"

#include "app/ThreadWetting.h"
#include "controls/GvIntegerEdit.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The longest transaction of a tick when its device fails: poll, read-out
// time-out and the polls around it.
constexpr double cTransactionMs = 10 + 50 + 10;
// The longest a dry Dilution or a Standby tick may take with one device
// failing: its transactions at their time-outs and its fixed waits.
constexpr double cTickMs = 2 * cTransactionMs + 100;

void ApplyDry(TForm1& f)
{
  f.GvIntegerEditGasAPPM->SetValue(500000);
  f.ButtonDilutionClick();
  TCode code;
  ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
  ASSERT_FALSE(IsWetMethod(code) || IsAPulsed(code) || IsBPulsed(code))
      << f.Shared.MixingMethod.toStdString();
}

} // namespace

// Every fault, on each device: the cycle goes on, no wait is longer than a
// transaction's time-out, Stop is carried out within one tick and one
// transaction, and once the device answers again it is used again and the
// mixer ends safe.
class FaultCycle : public ::testing::TestWithParam<const char*>
{
};

TEST_P(FaultCycle, KeepsTickingAndEndsSafe)
{
  const QByteArray fault = GetParam();
  TLineWindow w;
  ASSERT_TRUE(w.Ready()) << w.Form->MemoSetupFeedback->toPlainText().toStdString();
  TForm1& f = *w.Form;
  ApplyDry(f);
  w.Tick();
  ASSERT_TRUE(std::isfinite(f.Shared.TotalizerA.Value) && std::isfinite(f.Shared.TotalizerB.Value));
  ASSERT_EQ(w.Mixer.RelayMask(), 24);

  w.Play({fault.constData()});
  double longestWait = 0;
  w.Clock.OnSleep = [&](unsigned ms) { longestWait = std::max(longestWait, double(ms)); };
  for (int i = 0; i < 3; ++i) {
    double spent = 0;
    EXPECT_NO_THROW(spent = w.Tick());
    EXPECT_LE(spent, cTickMs);
  }
  EXPECT_LE(longestWait, 50); // the cycle's own waits; no transaction waits longer
  if (fault.startsWith("mfc")) {
    EXPECT_TRUE(std::isnan(f.Shared.TotalizerA.Value) || std::isnan(f.Shared.TotalizerB.Value));
  }

  // Stop pressed at the start of a tick: that tick ends, then the next one
  // closes the valves first.
  const double pressed = w.Clock.Now();
  const double busy = w.Tick();
  f.ButtonStopClick();
  w.Mixer.ClearReceivedFrames();
  EXPECT_LE(w.Tick(), cTickMs);
  w.Clock.OnSleep = nullptr;
  const auto masks = w.RelayMasks();
  if (fault != "relay:gone") {
    ASSERT_FALSE(masks.isEmpty());
    EXPECT_EQ(masks.first().second, 0);
    EXPECT_LE((masks.first().first - pressed) * 86400000, std::max(250.0, busy) + cTransactionMs);
  }

  // The device answers again: the next ticks reach the safe state, and a new
  // mixture reads the totalizers again (a slow controller's late answers may
  // still spoil the first read after it).
  w.Play({});
  for (int i = 0; i < 3 && !w.Safe(); ++i) w.Tick();
  EXPECT_TRUE(w.Safe()) << "mask " << int(w.Mixer.RelayMask()) << ", set-points "
                        << w.Mixer.SetPoint(1) << ", " << w.Mixer.SetPoint(2);
  ApplyDry(f);
  const auto read = [&f] {
    return std::isfinite(f.Shared.TotalizerA.Value) && std::isfinite(f.Shared.TotalizerB.Value);
  };
  for (int i = 0; i < 3 && (i == 0 || !read()); ++i) w.Tick();
  EXPECT_TRUE(read());
  EXPECT_EQ(w.Mixer.RelayMask(), 24);
}

// The slow controller answers 5 s late: a late answer that lands in a later
// read of the same register of the same controller is that controller's
// reading (a moment old) and is taken, so the test keeps them out of its
// ticks.
INSTANTIATE_TEST_SUITE_P(EveryFault, FaultCycle,
                         ::testing::Values("mfc1:silent", "mfc2:slow:delay=5000", "mfc1:short",
                                           "mfc2:corrupt", "mfc1:exception", "mfc2:other-address",
                                           "mfc:gone", "relay:silent", "relay:slow", "relay:short",
                                           "relay:corrupt", "relay:gone"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return QString::fromLatin1(info.param)
                               .section(u':', 0, 1)
                               .replace(u':', u'_')
                               .replace(u'-', u'_')
                               .toStdString();
                         });

// A silent controller: rows still come at their cadence (every second for
// the first 30 s, then once per store interval), what it could not give is
// "NAN" in the table and in the data file, and the file reads back line by
// line. The faults that garble a reply show the same.
TEST(FaultRows, WhatCouldNotBeReadIsNotANumber)
{
  TLineWindow w;
  ASSERT_TRUE(w.Ready());
  TForm1& f = *w.Form;
  ApplyDry(f);
  w.Tick();
  w.Play({"mfc2:silent:after=2:for=40"});
  const double start = w.Clock.Now();
  while (w.Clock.Now() < start + 8.0 / 86400) w.Tick();
  const int fastRows = f.GridRowCount() - 1;
  w.Clock.Advance(23000); // on past the 30 s of fast recording, still silent
  for (int i = 0; i < 4; ++i) w.Tick();
  EXPECT_EQ(f.GridRowCount() - 1, fastRows); // nothing before the store interval
  w.Clock.Advance(12000);                    // the controller answers again
  for (int i = 0; i < 4; ++i) w.Tick();
  EXPECT_EQ(f.GridRowCount() - 1, fastRows);
  w.Clock.Advance(30000); // a store interval after the last row
  for (int i = 0; i < 4; ++i) w.Tick();
  EXPECT_EQ(f.GridRowCount() - 1, fastRows + 1);

  const TColumnTable& P = f.Shared.P;
  const int gasA = P[TProperty::GasA].ColID, gasB = P[TProperty::GasB].ColID,
            mode = P[TProperty::Mode].ColID;
  QStringList bCells;
  for (int r = 1; r < f.GridRowCount(); ++r) bCells << f.GridCell(gasB, r);
  // The mode change stored a row, then one came about every second in the
  // first 8 s: the silence did not hold them up.
  EXPECT_GE(fastRows, 1 + 6);
  EXPECT_LE(fastRows, 1 + 8);
  const int silentRows = int(bCells.filter(QStringLiteral("NAN")).size());
  EXPECT_GE(silentRows, 4);
  for (int r = 1; r < f.GridRowCount(); ++r) {
    const QString b = f.GridCell(gasB, r);
    if (b == QLatin1String("NAN")) {
      EXPECT_FALSE(f.GridCell(gasA, r).contains(QLatin1String("NAN"))) << r;
      EXPECT_EQ(f.GridCell(P[TProperty::TOTg].ColID, r), QLatin1String("NAN")) << r;
      EXPECT_EQ(f.GridCell(P[TProperty::ppmA].ColID, r), QString()) << r;
    } else if (f.GridCell(mode, r) == QLatin1String("Dilution")) {
      bool ok = false;
      QString(b).remove(u' ').toDouble(&ok);
      EXPECT_TRUE(ok) << r << ": " << b.toStdString();
    }
  }
  EXPECT_NE(bCells.last(), QLatin1String("NAN")); // readings came back

  const QString path = QDir::current().absoluteFilePath("faults.csv");
  ASSERT_TRUE(f.Save(path));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_TRUE(lines.last().isEmpty());
  lines.removeLast();
  const int table = int(lines.indexOf("*********\r"));
  ASSERT_GT(table, 0);
  const qsizetype columns = lines[table + 1].split(';').size();
  EXPECT_EQ(lines.size() - table - 2, f.GridRowCount() - 1);
  int fileNaN = 0;
  for (int i = table + 2; i < lines.size(); ++i) {
    ASSERT_TRUE(lines[i].endsWith('\r')) << i;
    const QList<QByteArray> cells = lines[i].chopped(1).split(';');
    EXPECT_EQ(cells.size(), columns) << i;
    if (cells.value(gasB) == "NAN") ++fileNaN;
  }
  EXPECT_EQ(fileNaN, silentRows);

  // The faults that garble the reply read the same.
  for (const char* fault : {"mfc2:short", "mfc2:corrupt", "mfc2:exception", "mfc2:other-address",
                            "mfc2:slow:delay=5000"}) {
    SCOPED_TRACE(fault);
    w.Play({fault});
    w.Tick();
    EXPECT_TRUE(std::isnan(f.Shared.TotalizerB.Value));
    f.StoreData();
    EXPECT_EQ(f.GridCell(gasB, f.GridRowCount() - 1), QLatin1String("NAN"));
  }
}

// A pulsed controller whose totalizer cannot be read gets no pulse, and
// dosing takes up again when readings return.
TEST(FaultPulses, NoPulseWithoutAReadingAndDosingAgainAfter)
{
  TLineWindow w;
  ASSERT_TRUE(w.Ready());
  TForm1& f = *w.Form;
  f.GvIntegerEditGasAPPM->SetValue(150); // O2 in N2 at 150 ppm: A below its range
  f.ButtonDilutionClick();
  TCode code;
  ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
  ASSERT_TRUE(IsAPulsed(code)) << f.Shared.MixingMethod.toStdString();
  w.Tick();
  for (const char* fault : {"mfc1:silent", "mfc1:corrupt", "mfc1:short"}) {
    SCOPED_TRACE(fault);
    w.Play({fault});
    w.Mixer.ClearReceivedFrames();
    f.MemoDevFeedback->clear();
    w.Clock.Advance(60000); // far behind the target by now
    for (int i = 0; i < 4; ++i) w.Tick();
    EXPECT_EQ(w.Writes(1, 6).count(0.035f), 0) << "a pulse without a reading";
    EXPECT_GE(f.MemoDevFeedback->toPlainText().count("A Totalizer reading failed, no pulse"), 4);
    EXPECT_EQ(w.Mixer.SetPoint(1), 0.0f);

    w.Play({});
    w.Mixer.ClearReceivedFrames();
    for (int i = 0; i < 4; ++i) w.Tick();
    EXPECT_GE(w.Writes(1, 6).count(0.035f), 1) << "no dosing after the readings returned";
    EXPECT_EQ(w.Mixer.SetPoint(1), 0.0f); // every step ends closed
  }
}

// The humidification thread on a relay board that vanishes: its commands
// fail, its loop goes on, and it ends cleanly when asked to stop; the board
// that comes back is closed by the Standby that follows.
TEST(FaultThread, EndsItsLoopWhenItsRelayBoardHasVanished)
{
  TLineWindow w;
  ASSERT_TRUE(w.Ready());
  TForm1& f = *w.Form;
  f.GvIntegerEditGasAPPM->SetValue(1000);
  f.GvIntegerEditH2Oppm->SetValue(5000);
  f.ButtonDilutionClick();
  TCode code;
  ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
  ASSERT_TRUE(IsWetMethod(code)) << f.Shared.MixingMethod.toStdString();
  f.MemoDevFeedback->clear();
  w.Tick(); // starts the thread
  ASSERT_NE(f.Shared.WETT, nullptr);
  const auto handOvers = [&] { return f.MemoDevFeedback->toPlainText().count("I:"); };
  const auto handle = [&](const std::function<bool()>& until) {
    QElapsedTimer guard;
    guard.start();
    while (!until() && guard.elapsed() < 30000) QCoreApplication::processEvents();
    return until();
  };
  ASSERT_TRUE(handle([&] { return handOvers() >= 2; }));
  ASSERT_FALSE(w.RelayMasks().isEmpty());

  w.Play({"relay:gone"});
  const uint8_t mask = w.Mixer.RelayMask();
  const int passes = int(handOvers());
  ASSERT_TRUE(handle([&] { return handOvers() >= passes + 2; })); // loops on without a board
  EXPECT_EQ(w.Mixer.RelayMask(), mask);                           // nothing reached it

  f.Shared.ThreadStop = true;
  ASSERT_TRUE(handle([&] { return f.Shared.ThreadHasStopped; }));
  auto* thread = static_cast<TThreadWetting*>(f.Shared.WETT);
  EXPECT_TRUE(thread->wait(5000));
  EXPECT_TRUE(thread->HasStopped);
  f.ButtonStopClick(); // frees the thread that has stopped
  EXPECT_EQ(f.Shared.WETT, nullptr);

  w.Play({});
  for (int i = 0; i < 3 && !w.Safe(); ++i) w.Tick();
  EXPECT_TRUE(w.Safe());
}
