// The mixer against devices that fail on real serial lines (the imaginary
// mixer on pseudo-terminals), in virtual time: the cycle keeps ticking, rows
// show what could not be read as not a number, a late reply is never taken,
// a device that comes back is used again, commands that were lost are sent
// again until they are confirmed, Stop still ends in the safe state, pulse
// dosing gives no pulse without readings, and the humidification thread
// ends when its board is gone.
#include "FaultTestSupport.h"

#include "app/ThreadWetting.h"
#include "controls/GvIntegerEdit.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The longest transaction of a tick when its device fails: poll, read-out
// time-out and the polls around it.
constexpr double cTransactionMs = 10 + 50 + 10;
// After a failed transaction its line falls quiet for this long before the
// next request on it.
constexpr double cGuardMs = TLineGuard::DefaultGuardMs;
// The longest a dry Dilution or a Standby tick may take with one device
// failing: its transactions at their time-outs, the line falling quiet before
// some of them, and its fixed waits.
constexpr double cTickMs = 3 * cTransactionMs + 2 * cGuardMs + 100;

// O2 in N2 at 150 ppm: A below its range, dosed in pulses.
void ApplyPulsedA(TForm1& f)
{
  f.GvIntegerEditGasAPPM->SetValue(150);
  f.ButtonDilutionClick();
  TCode code;
  ASSERT_TRUE(CodeOfMethod(f.Shared.MixingMethod, code));
  ASSERT_TRUE(IsAPulsed(code)) << f.Shared.MixingMethod.toStdString();
}

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
// transaction's time-out, Stop cuts the flows at once and closes the valves
// within a tick, and once the device answers again it is used again: the
// safe state that the fault kept from it is taken on the first tick.
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

  // Stop pressed between two ticks: the set-points go out at once, the
  // valves on the next tick, first thing.
  w.Tick();
  w.Mixer.ClearReceivedFrames();
  const double pressed = w.Clock.Now();
  f.ButtonStopClick();
  const double stopMs = (w.Clock.Now() - pressed) * 86400000;
  EXPECT_LE(stopMs, 2 * (cTransactionMs + 30 + cGuardMs));
  EXPECT_LE(w.Tick(), cTickMs);
  w.Clock.OnSleep = nullptr;
  const auto masks = w.RelayMasks();
  if (fault != "relay:gone") {
    ASSERT_FALSE(masks.isEmpty());
    EXPECT_EQ(masks.first().second, 0);
    EXPECT_LE((masks.first().first - pressed) * 86400000, stopMs + cGuardMs);
  }
  if (!fault.startsWith("mfc")) {
    EXPECT_EQ(w.Writes(1, 6).value(0, -1.0f), 0.0f); // the set-points went first
  }
  // A device that did not act on the command keeps the mixer from its safe
  // state, and the status says so.
  const bool lost =
      fault.contains("silent") || fault.contains("exception") || fault.contains("gone");
  if (lost) {
    EXPECT_FALSE(w.Safe());
    EXPECT_TRUE(f.LabelStatus->text().startsWith("Standby ("))
        << f.LabelStatus->text().toStdString();
    EXPECT_TRUE(f.LabelStatus->text().endsWith(" not confirmed)"))
        << f.LabelStatus->text().toStdString();
  }

  // The device answers again: the first tick after it reaches the safe
  // state, and a new mixture reads the totalizers again.
  w.Play({});
  w.WaitForLines();
  w.Tick();
  EXPECT_TRUE(w.Safe()) << "mask " << int(w.Mixer.RelayMask()) << ", set-points "
                        << w.Mixer.SetPoint(1) << ", " << w.Mixer.SetPoint(2);
  EXPECT_EQ(f.LabelStatus->text(), "Standby");
  ApplyDry(f);
  w.Tick();
  EXPECT_TRUE(std::isfinite(f.Shared.TotalizerA.Value));
  EXPECT_TRUE(std::isfinite(f.Shared.TotalizerB.Value));
  EXPECT_EQ(w.Mixer.RelayMask(), 24);
  EXPECT_EQ(f.LabelStatus->text(), "Dilution");
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultCycle,
                         ::testing::Values("mfc1:silent", "mfc2:slow:delay=230", "mfc1:short",
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
                            "mfc2:slow:delay=230"}) {
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
  ApplyPulsedA(f);
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
// fail, its loop goes on, the status says that the valves are not confirmed,
// and it ends cleanly when asked to stop; the board that comes back is closed
// by the Standby that follows.
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
  EXPECT_EQ(f.LabelStatus->text(), "Dilution (valves not confirmed)");
  EXPECT_EQ(f.MemoDevFeedback->toPlainText().count("did not confirm the wetting valve masks"), 1);

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

namespace {
// Frames a device received, with their (virtual) times: the relay board's,
// or those of the controller at Address.
QList<std::pair<double, QByteArray>> FramesOf(const TLineWindow& w, int Address)
{
  QList<std::pair<double, QByteArray>> frames;
  for (const TImaginaryFrame& f : w.Mixer.ReceivedFrames()) {
    const bool relay = f.Line == TImaginaryLine::RelayBoard;
    if (Address == 0 ? relay : !relay && !f.Bytes.isEmpty() && uint8_t(f.Bytes[0]) == Address)
      frames << std::pair{f.Time, f.Bytes};
  }
  return frames;
}
} // namespace

// "Apply Mixture", Bypass and Flush given while a device is silent, garbles
// its answers or is gone, for a second: what it did not confirm is sent again
// on every tick (within a flush step, every 250 ms), the status says so and
// the Debug pane says it once; the device that answers again takes the
// command at the next sending, and the status clears. A totalizer whose
// reset waits gives no grams until the reset is confirmed, and then counts
// from it.
struct TCommandFaults
{
  const char* Command;
  std::vector<const char*> Faults;
};

void PrintTo(const TCommandFaults& Param, std::ostream* Out)
{
  *Out << Param.Command;
}

class FaultCommands : public ::testing::TestWithParam<TCommandFaults>
{
};

TEST_P(FaultCommands, AreSentAgainUntilConfirmed)
{
  const QByteArray command = GetParam().Command;
  TLineWindow w;
  ASSERT_TRUE(w.Ready());
  TForm1& f = *w.Form;
  f.GvIntegerEditGasAPPM->SetValue(500000); // O2 in N2, both flows constant
  for (const char* fault : GetParam().Faults) {
    SCOPED_TRACE(fault);
    const bool relay = QByteArray(fault).startsWith("relay");
    const bool gone = QByteArray(fault).endsWith("gone");
    // From a safe Standby, controller B having counted half a gram.
    f.ButtonStopClick();
    ASSERT_TRUE(w.WaitForLines());
    w.Tick();
    ASSERT_TRUE(w.Safe());
    ASSERT_EQ(f.LabelStatus->text(), "Standby");
    w.Mixer.SetSetPoint(2, 0.5f);
    w.Clock.Advance(60000);
    f.MemoDevFeedback->clear();
    w.Mixer.ClearReceivedFrames();

    w.Play({(QByteArray(fault) + ":for=1").constData()});
    const double played = w.Clock.Now();
    QStringList statuses; // while the flush waits
    w.Clock.OnSleep = [&](unsigned ms) {
      if (ms >= 100) statuses << f.LabelStatus->text();
    };
    if (command == "Apply")
      f.ButtonDilutionClick();
    else if (command == "Bypass")
      f.ButtonBypassClick();
    else
      f.ButtonFlushClick();
    w.Tick();
    w.Clock.OnSleep = nullptr;
    if (command == "Flush") {
      EXPECT_TRUE(statuses.first().startsWith("Flush bypass line with gas B (2 sec) (") &&
                  statuses.first().endsWith(" not confirmed)"))
          << statuses.join(" | ").toStdString();
    } else {
      EXPECT_TRUE(f.LabelStatus->text().endsWith(" not confirmed)"))
          << f.LabelStatus->text().toStdString();
      EXPECT_NE(f.LabelStatus->styleSheet(), QString());
    }
    if (command == "Apply" && !relay) {
      EXPECT_TRUE(std::isnan(f.Shared.TotalizerB.Value)); // no grams from an unconfirmed start
    }

    // On past the fault's end, until nothing waits, and a tick more.
    for (int i = 0; i < 20 && (w.Clock.Now() < played + 1.0 / 86400 ||
                               f.Confirmations().AnyWaiting() || !w.WaitForLines());
         ++i)
      w.Tick();
    w.Tick();

    // When the device answered again, and when the first sending after that
    // reached it (it is confirmed: the device answers by then).
    const QList<std::pair<double, QByteArray>> frames = FramesOf(w, relay ? 0 : 2);
    double end = gone ? w.CameBack(relay ? "relay" : "mfc") : 0;
    if (!gone) {
      ASSERT_FALSE(frames.isEmpty());
      end = frames.first().first + 1.0 / 86400;
    }
    ASSERT_GT(end, played);
    double taken = 0;
    for (const auto& [time, bytes] : frames)
      if (time >= end && (relay ? bytes.size() == 3 : uint8_t(bytes[1]) == 0x10)) {
        taken = time;
        break;
      }
    ASSERT_GT(taken, 0);
    const double takenMs = (taken - end) * 86400000;
    EXPECT_LE(takenMs, cTickMs);
    RecordProperty(QStringLiteral("taken_ms_%1_%2")
                       .arg(QString::fromLatin1(command), QString::fromLatin1(fault))
                       .replace(u':', u'_')
                       .toStdString(),
                   std::to_string(takenMs));

    const QString debug = f.MemoDevFeedback->toPlainText();
    const QStringList waited = debug.split(u'\n').filter(QStringLiteral(" did not confirm "));
    EXPECT_FALSE(waited.isEmpty());
    EXPECT_EQ(QSet<QString>(waited.begin(), waited.end()).size(), waited.size())
        << debug.toStdString();          // each said once
    for (const QString& line : waited) { // and each said once more when confirmed
      const QString confirmed =
          line.section(QStringLiteral(" did not confirm "), 0, 0) + QStringLiteral(" confirmed ") +
          line.section(QStringLiteral(" did not confirm "), 1).section(u';', 0, 0);
      EXPECT_EQ(debug.count(confirmed), 1) << confirmed.toStdString();
    }
    EXPECT_EQ(f.LabelStatus->styleSheet(), QString());
    if (command == "Apply") {
      EXPECT_EQ(f.LabelStatus->text(), "Dilution");
      EXPECT_EQ(w.Mixer.RelayMask(), 24);
      EXPECT_EQ(w.Mixer.SetPoint(1), float(f.Shared.DesiredFlowAGramsperMinute));
      EXPECT_EQ(w.Mixer.SetPoint(2), float(f.Shared.DesiredFlowBGramsperMinute));
      EXPECT_TRUE(std::isfinite(f.Shared.TotalizerB.Value));
      if (!relay) {
        EXPECT_GE(f.Shared.TotalizerB.StartTime, end); // counted from the confirmed reset
        EXPECT_LT(f.Shared.TotalizerB.StartValue, 0.01);
      }
    } else if (command == "Bypass") {
      EXPECT_EQ(f.LabelStatus->text(), "Bypass");
      EXPECT_EQ(w.Mixer.RelayMask(), 4);
      EXPECT_EQ(w.Mixer.SetPoint(1), 0.0f);
      EXPECT_EQ(w.Mixer.SetPoint(2), float(f.Shared.PossibleMaxFlowBGramsperMinute));
    } else {
      // Taken within the first step, before the second began.
      double second = 0;
      for (const auto& [time, mask] : w.RelayMasks())
        if (mask == 35 && second == 0) second = time;
      EXPECT_LT(taken, second);
      EXPECT_EQ(f.LabelStatus->text(), "Standby");
      EXPECT_TRUE(w.Safe());
    }
  }
}

// Each command meets a silent, a garbled and a gone device, on both lines
// between them.
INSTANTIATE_TEST_SUITE_P(
    AtTheMomentOf, FaultCommands,
    ::testing::Values(
        TCommandFaults{"Apply", {"relay:silent", "mfc2:silent", "mfc2:corrupt", "relay:gone"}},
        TCommandFaults{"Bypass", {"relay:corrupt", "mfc2:silent", "mfc:gone"}},
        TCommandFaults{"Flush", {"relay:silent", "mfc2:corrupt", "relay:gone", "mfc:gone"}}),
    [](const ::testing::TestParamInfo<TCommandFaults>& info) { return info.param.Command; });

// A controller that answers 230 ms late, near the spacing of the cycle's
// requests: none of its late replies is taken for a later reading (every
// reading of it is not a number), and the other controller's readings on the
// same bus stay right. During the gas selection no register's text lands in
// another register of the same size.
TEST(FaultLateReplies, AreNeverTakenForAReading)
{
  TLineWindow w;
  ASSERT_TRUE(w.Ready());
  TForm1& f = *w.Form;
  ApplyPulsedA(f);
  w.Tick();
  w.Mixer.ClearReceivedFrames();
  w.Play({"mfc1:slow:delay=230"});
  const int rows = f.GridRowCount();
  for (int i = 0; i < 40 && f.GridRowCount() < rows + 7; ++i) { // seven rows
    w.Tick();
    EXPECT_TRUE(std::isnan(f.Shared.TotalizerA.Value)) << i;
    EXPECT_EQ(f.Shared.TotalizerB.Value, double(float(w.Mixer.Totalizer(2))) * 1000) << i;
  }
  EXPECT_GE(f.GridRowCount() - rows, 7);
  EXPECT_EQ(w.Writes(1, 6).count(0.035f), 0); // no pulse without a reading

  const QString bus = w.Server.ControllerBusPort();
  for (int delay : {120, 230}) {
    SCOPED_TRACE(delay);
    w.Play({QStringLiteral("mfc2:slow:delay=%1").arg(delay).toLatin1().constData()});
    const TFlowInfo info = f.MinMaxFlow(bus, 2);
    EXPECT_TRUE(info.Name.isEmpty() || info.Name == "N2") << info.Name.toStdString();
    EXPECT_TRUE(info.LongName.isEmpty() || info.LongName.startsWith("Nitrogen"))
        << info.LongName.toStdString();
    EXPECT_TRUE(info.FlowUnit.isEmpty() || info.FlowUnit == "g/min") << info.FlowUnit.toStdString();
  }
  w.Play({});
  const TFlowInfo info = f.MinMaxFlow(bus, 2);
  EXPECT_EQ(info.Name, "N2");
  EXPECT_EQ(info.FlowUnit, "g/min");
}
