// SIGTERM, SIGINT and SIGHUP end the mixer as closing its window does: in a
// window of the test, and with Verdane as a program of its own against
// verdane-devsim.
#include "FaultTestSupport.h"

#include "app/ShutdownSignals.h"
#include "app/StartOptions.h"
#include "controls/GvIntegerEdit.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <bit>
#include <csignal>
#include <gtest/gtest.h>
#include <tuple>

namespace {
QStringList Autosaves()
{
  return QDir::current().entryList({QStringLiteral("* autosave *.CSV")}, QDir::Files);
}

// A dry mixture in the test mode with a humidification thread that is still
// running (a stand-in that takes three hand-overs to stop, as the real one
// may take two passes). Only the stop's 250 ms polls pass in real time too,
// so that the stand-in hands over while the window waits for it.
struct TRunningFixture : TWindowFixture
{
  TStandInLog Log;
  TStandInThread* Thread = nullptr;

  TRunningFixture()
  {
    StartTestMode();
    Form->GvIntegerEditGasAPPM->SetValue(500000);
    Form->ButtonDilutionClick();
    for (int i = 0; i < 2; ++i) Form->Timer1Timer();
    Clock.OnSleep = [this](unsigned ms) {
      if (ms == 250 && Form && Form->Shared.ThreadStop) QThread::msleep(10);
    };
    Thread = new TStandInThread(*Form, Log);
    Form->Shared.WETT = Thread;
    Thread->start();
    while (Log.HandOvers < 1) QCoreApplication::processEvents();
  }
  ~TRunningFixture() { Clock.OnSleep = nullptr; }

  // Set-points written, as (address, value, time), oldest first.
  QList<std::tuple<int, float, double>> SetPointWrites() const
  {
    QList<std::tuple<int, float, double>> writes;
    for (const TImaginaryFrame& f : Mixer.ReceivedFrames()) {
      const QByteArray& b = f.Bytes;
      if (f.Line != TImaginaryLine::ControllerBus || b.size() < 13 || uint8_t(b[1]) != 0x10 ||
          (uint8_t(b[2]) << 8 | uint8_t(b[3])) != 6)
        continue;
      const uint32_t bits = uint32_t(uint8_t(b[7])) << 24 | uint32_t(uint8_t(b[8])) << 16 |
                            uint32_t(uint8_t(b[9])) << 8 | uint8_t(b[10]);
      writes << std::tuple{int(uint8_t(b[0])), std::bit_cast<float>(bits), f.Time};
    }
    return writes;
  }
};
} // namespace

// Stop, closing the window and a signal while the humidification thread
// runs: both set-points go to 0 first, each one transaction after the other,
// before the wait for the thread; the valves close after it. A relay board
// that does not answer changes nothing of that: the flows are cut all the
// same, and the valves wait for the board, with the status saying so.
TEST(StopAndShutdown, CutTheFlowsFirst)
{
  for (const char* event : {"Stop", "close", "SIGTERM"}) {
    for (bool relaySilent : {false, true}) {
      SCOPED_TRACE(std::string(event) + (relaySilent ? ", relay board silent" : ""));
      TRunningFixture fx;
      TForm1& f = *fx.Form;
      ASSERT_EQ(fx.Mixer.RelayMask(), 24u);
      ASSERT_GT(fx.Mixer.SetPoint(2), 0.0f);
      fx.Mixer.SetRelayBoardSilent(relaySilent);
      fx.Mixer.ClearReceivedFrames();
      TShutdownSignals handler;
      ASSERT_TRUE(handler.Install());
      QObject::connect(&handler, &TShutdownSignals::Received, &f, [&f](int) { CloseOnSignal(f); });

      const double at = fx.Clock.Now();
      if (QByteArray(event) == "Stop") {
        f.ButtonStopClick();
      } else if (QByteArray(event) == "close") {
        f.close();
      } else {
        ASSERT_EQ(::raise(SIGTERM), 0);
        for (int i = 0; i < 100 && f.isVisible(); ++i) QCoreApplication::processEvents();
      }
      EXPECT_EQ(f.Shared.WETT, nullptr);
      const auto writes = fx.SetPointWrites();
      ASSERT_GE(writes.size(), 2);
      EXPECT_EQ(std::get<0>(writes[0]), 1);
      EXPECT_EQ(std::get<0>(writes[1]), 2);
      EXPECT_EQ(std::get<1>(writes[0]), 0.0f);
      EXPECT_EQ(std::get<1>(writes[1]), 0.0f);
      // Each write and the 20 ms after it; before the thread had stopped.
      const double cutMs = (std::get<2>(writes[1]) - at) * 86400000;
      EXPECT_LE(cutMs, 30 + 20);
      EXPECT_LT(std::get<2>(writes[1]), fx.Log.StoppedAt);
      EXPECT_EQ(fx.Mixer.SetPoint(1), 0.0f);
      EXPECT_EQ(fx.Mixer.SetPoint(2), 0.0f);
      RecordProperty(std::string("cut_ms_") + event + (relaySilent ? "_relay_silent" : ""),
                     std::to_string(cutMs));

      if (QByteArray(event) != "Stop") {
        EXPECT_FALSE(f.isVisible());
        EXPECT_FALSE(fx.RelayMasks().isEmpty());
        for (int mask : fx.RelayMasks()) EXPECT_EQ(mask, 0);
        EXPECT_EQ(fx.Mixer.RelayMask(), relaySilent ? 24u : 0u);
        continue;
      }
      EXPECT_EQ(f.LabelStatus->text(), "Standby");
      f.Timer1->stop();
      f.Timer1Timer();
      EXPECT_EQ(f.LabelStatus->text(), relaySilent ? "Standby (valves not confirmed)" : "Standby");
      if (!relaySilent) continue;
      f.Timer1Timer();
      EXPECT_EQ(f.MemoDevFeedback->toPlainText().count("Relay board did not confirm valve mask 0"),
                1);
      fx.Mixer.SetRelayBoardSilent(false);
      f.Timer1Timer(); // the first tick after the board answers closes the valves
      EXPECT_EQ(fx.Mixer.RelayMask(), 0u);
      EXPECT_EQ(f.LabelStatus->text(), "Standby");
      EXPECT_EQ(f.LabelStatus->styleSheet(), QString());
      EXPECT_EQ(f.MemoDevFeedback->toPlainText().count("Relay board confirmed valve mask 0"), 1);
    }
  }
}

TEST(ShutdownSignals, EachSignalClosesTheWindowSafelyWithAnAutosave)
{
  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(number);
    TWindowFixture fx;
    TForm1& f = *fx.Form;
    fx.StartTestMode();
    f.GvIntegerEditGasAPPM->SetValue(500000);
    f.ButtonDilutionClick();
    for (int i = 0; i < 8; ++i) f.Timer1Timer(); // rows stored, valves 4 and 5 open
    ASSERT_EQ(fx.Mixer.RelayMask(), 24);
    for (const QString& name : Autosaves()) QFile::remove(name); // the one of the first tick
    fx.Mixer.ClearReceivedFrames();

    TShutdownSignals handler;
    ASSERT_TRUE(handler.Install());
    int received = 0;
    QObject::connect(&handler, &TShutdownSignals::Received, &f, [&](int s) {
      received = s;
      CloseOnSignal(f);
    });
    f.Timer1->start();
    ASSERT_EQ(::raise(number), 0);
    for (int i = 0; i < 100 && f.isVisible(); ++i) QCoreApplication::processEvents();
    EXPECT_EQ(received, number);
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(f.Timer1->isActive()); // no tick carries out the mode again
    EXPECT_EQ(fx.RelayMasks(), QList<int>({0}));
    EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
    EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f}));
    EXPECT_EQ(Autosaves().size(), 1);
  }
}

// A signal in the middle of the flush: the close shuts the valves and the
// flows, and the rest of the sequence does not open them again.
TEST(ShutdownSignals, ASignalDuringTheFlushEndsItClosed)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.StartTestMode();
  fx.Mixer.ClearReceivedFrames();
  TShutdownSignals handler;
  ASSERT_TRUE(handler.Install());
  QObject::connect(&handler, &TShutdownSignals::Received, &f, [&f](int) { CloseOnSignal(f); });
  f.ButtonFlushClick();
  ASSERT_EQ(::raise(SIGTERM), 0); // taken at the flush's first handling of messages
  const unsigned long long slept = fx.Clock.SleptMs();
  f.Timer1Timer();
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(fx.RelayMasks(), QList<int>({4, 0}));
  EXPECT_EQ(fx.Writes(2, 6), QList<float>({1.0f, 0.0f}));
  EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
  EXPECT_LT(fx.Clock.SleptMs() - slept, 1000u); // none of the flush's long waits
  EXPECT_FALSE(f.Timer1->isActive());
}

// While a command waits for the humidification thread, closing (by hand or
// by a signal) would skip the safe steps: the flows are cut at once, and the
// window closes, with its safe steps, once the wait is over.
TEST(ShutdownSignals, ACloseDuringAStopWaitCutsTheFlowsAndClosesAfterIt)
{
  for (bool bySignal : {false, true}) {
    SCOPED_TRACE(bySignal ? "signal" : "by hand");
    TRunningFixture fx;
    TForm1& f = *fx.Form;
    bool closedInWait = false;
    fx.Log.OnFirstRequest = [&] {
      QTimer::singleShot(0, &f, [&] {
        fx.Mixer.ClearReceivedFrames();
        if (bySignal)
          CloseOnSignal(f);
        else
          f.close();
        closedInWait = true;
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
        EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f}));
        EXPECT_TRUE(fx.RelayMasks().isEmpty());
      });
    };
    f.ButtonBypassClick();
    EXPECT_TRUE(closedInWait);
    EXPECT_EQ(f.Shared.WETT, nullptr);
    for (int i = 0; i < 100 && f.isVisible(); ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(fx.RelayMasks(), QList<int>({0}));
    EXPECT_EQ(fx.Mixer.RelayMask(), 0u);
    EXPECT_EQ(fx.Mixer.SetPoint(1), 0.0f);
    EXPECT_EQ(fx.Mixer.SetPoint(2), 0.0f);
    EXPECT_FALSE(f.Timer1->isActive());
  }
}

TEST(ShutdownSignals, OneHolderAtATimeAndIgnoredSignalsStayIgnored)
{
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction earlier = {};
  ASSERT_EQ(::sigaction(SIGHUP, &ignore, &earlier), 0); // as under nohup
  {
    TShutdownSignals first, second;
    EXPECT_TRUE(first.Install());
    EXPECT_FALSE(second.Install());
    struct sigaction now = {};
    ::sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_NE(now.sa_handler, SIG_DFL);
  }
  struct sigaction after = {};
  ::sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_DFL); // put back
  ::sigaction(SIGHUP, &earlier, nullptr);
}

// Verdane started on verdane-devsim's ports, which it validates, over a
// mixer left with valves open and flows set by an earlier run: after SIGTERM
// the simulator's log shows the valves closed and both set-points 0 within a
// second, and Verdane ends with status 0.
TEST(ShutdownSignals, VerdaneEndsSafeOnSIGTERM)
{
  TOwnFolder folder;
  TDevSimProgram sim;
  ASSERT_TRUE(sim.Start({"--verbose", "--initial-relays", "24", "--initial-setpoints", "0.03,0.5"}))
      << "verdane-devsim did not start";
  TProgram verdane;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("VERDANE_EXTRA_PORTS");
  verdane.Process.setProcessEnvironment(env);
  verdane.Process.setProcessChannelMode(QProcess::ForwardedChannels);
  verdane.Process.start(QStringLiteral(VERDANE_PROGRAM),
                        {"--relay-port", sim.RelayPort, "--mfc-port", sim.MFCPort});
  ASSERT_TRUE(verdane.Process.waitForStarted(10000));
  // Validation ends with the type read of controller 2; then nothing is sent
  // until the operator gives a command.
  ASSERT_TRUE(sim.WaitForError("mfc: 02 03 00 23 00 04", 30000))
      << sim.ErrorLines.join(u'\n').toStdString();
  QTest::qWait(200);
  EXPECT_FALSE(sim.HasError("relay: FE 28"));

  QElapsedTimer sinceSignal;
  verdane.Signal(SIGTERM);
  sinceSignal.start();
  const QStringList safe = {"relay: FE 28 00 ->", "mfc: 01 10 00 06 00 02 04 00 00 00 00",
                            "mfc: 02 10 00 06 00 02 04 00 00 00 00"};
  for (const QString& line : safe) EXPECT_TRUE(sim.WaitForError(line, 1000)) << line.toStdString();
  EXPECT_LE(sinceSignal.elapsed(), 1000);

  ASSERT_TRUE(verdane.Process.waitForFinished(10000));
  EXPECT_EQ(verdane.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(verdane.Process.exitCode(), 0);
  sim.Stop();
  EXPECT_EQ(sim.Final["VERDANE_FINAL_RELAY_MASK"], "0");
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_1"].toDouble(), 0.0);
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_2"].toDouble(), 0.0);
}

TEST(StartOptions, PortsFromTheCommandLineArePickedAndValidated)
{
  QString error;
  const std::optional<TStartOptions> o = ParseStartOptions(
      {"verdane", "--relay-port", "/dev/ttyUSB0", "--mfc-port", "/dev/ttyUSB1"}, &error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->RelayPort, "/dev/ttyUSB0");
  EXPECT_EQ(o->MFCPort, "/dev/ttyUSB1");
  EXPECT_FALSE(o->Help);
  EXPECT_TRUE(ParseStartOptions({"verdane", "--help"}, &error)->Help);
  for (const QStringList& bad :
       {QStringList{"verdane", "--relay-port"}, QStringList{"verdane", "--mfc-port", ""},
        QStringList{"verdane", "--pump", "x"}}) {
    EXPECT_FALSE(ParseStartOptions(bad, &error)) << bad.join(u' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }

  // Both lists on the fake port: the test mode, as picking them by hand gives.
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  TStartOptions fake;
  fake.RelayPort = fake.MFCPort = FakePortName();
  ApplyStartOptions(f, fake);
  EXPECT_TRUE(f.CheckBoxSolenoidOK->isChecked());
  EXPECT_TRUE(f.CheckBoxMFCOK->isChecked());
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxPortMFC), FakePortName());

  // A port the system does not list joins the lists and stays for "Find ports".
  const QByteArray extra = qgetenv("VERDANE_EXTRA_PORTS");
  TStartOptions absent;
  absent.RelayPort = "/tmp/no-such-relay-board";
  ApplyStartOptions(f, absent);
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxPortSolenoid), "/tmp/no-such-relay-board");
  EXPECT_FALSE(f.CheckBoxSolenoidOK->isChecked());
  f.ButtonSetupFindPortsClick();
  EXPECT_FALSE(
      f.ListBoxPortSolenoid->findItems("/tmp/no-such-relay-board", Qt::MatchExactly).isEmpty());
  qputenv("VERDANE_EXTRA_PORTS", extra);
}
