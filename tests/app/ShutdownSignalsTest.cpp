// SIGTERM, SIGINT and SIGHUP end the mixer as closing its window does: in a
// window of the test, and with Verdane as a program of its own against
// verdane-devsim.
#include "FaultTestSupport.h"

#include "app/ShutdownSignals.h"
#include "controls/GvIntegerEdit.h"

#include <QDir>
#include <QPushButton>
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
    ASSERT_EQ(::raise(number), 0);
    for (int i = 0; i < 100 && f.isVisible(); ++i) QCoreApplication::processEvents();
    EXPECT_EQ(received, number);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(fx.RelayMasks(), QList<int>({0}));
    EXPECT_EQ(fx.Writes(1, 6), QList<float>({0.0f}));
    EXPECT_EQ(fx.Writes(2, 6), QList<float>({0.0f}));
    EXPECT_EQ(Autosaves().size(), 1);
  }
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
