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
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

namespace {
QStringList Autosaves()
{
  return QDir::current().entryList({QStringLiteral("* autosave *.CSV")}, QDir::Files);
}
} // namespace

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

// While a stop waits for the humidification thread, closing would skip the
// safe steps; the signal's close waits until the stop is over.
TEST(ShutdownSignals, CloseWaitsForAStopInProgress)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.StartTestMode();
  fx.Mixer.ClearReceivedFrames();
  f.ButtonStop->setEnabled(false);
  CloseOnSignal(f);
  QTest::qWait(250);
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(fx.Mixer.ReceivedFrames().isEmpty());
  f.ButtonStop->setEnabled(true);
  for (int i = 0; i < 50 && f.isVisible(); ++i) QTest::qWait(10);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(fx.RelayMasks(), QList<int>({0}));
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
  ApplyStartOptions(f, {FakePortName(), FakePortName(), false});
  EXPECT_TRUE(f.CheckBoxSolenoidOK->isChecked());
  EXPECT_TRUE(f.CheckBoxMFCOK->isChecked());
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxPortMFC), FakePortName());

  // A port the system does not list joins the lists and stays for "Find ports".
  const QByteArray extra = qgetenv("VERDANE_EXTRA_PORTS");
  ApplyStartOptions(f, {"/tmp/no-such-relay-board", QString(), false});
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxPortSolenoid), "/tmp/no-such-relay-board");
  EXPECT_FALSE(f.CheckBoxSolenoidOK->isChecked());
  f.ButtonSetupFindPortsClick();
  EXPECT_FALSE(
      f.ListBoxPortSolenoid->findItems("/tmp/no-such-relay-board", Qt::MatchExactly).isEmpty());
  qputenv("VERDANE_EXTRA_PORTS", extra);
}
