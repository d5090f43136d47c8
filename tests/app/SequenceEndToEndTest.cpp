// An unattended start as a script or a service gives it: Verdane as a program
// of its own against verdane-devsim, in real time, with the ports, the gases
// and a sequence on its command line. The simulator's device log shows each
// step's set-points and valve mask at its time and the safe state at the end;
// a start that cannot happen ends Verdane with status 2, the devices safe.
#include "FaultTestSupport.h"

#include "sequence/SequenceLog.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <bit>
#include <gtest/gtest.h>

namespace {
// One command the simulator logged: when (seconds of the day), and what.
struct TLogged
{
  double At = 0;
  int Mask = -1;          // a relay mask command
  int Address = 0;        // a set-point write: the controller
  float SetPoint = 0;
};

// The relay masks and set-point writes in the simulator's log, oldest first.
std::vector<TLogged> Commands(const QStringList& Log)
{
  static const QRegularExpression line(
      QStringLiteral(R"(^(\d\d):(\d\d):(\d\d)\.(\d\d\d) (relay|mfc): ([0-9A-F ]+) ->)"));
  std::vector<TLogged> out;
  for (const QString& l : Log) {
    const QRegularExpressionMatch m = line.match(l);
    if (!m.hasMatch()) continue;
    TLogged c;
    c.At = m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt() +
           m.captured(4).toInt() / 1000.0;
    const QByteArray bytes = QByteArray::fromHex(m.captured(6).toLatin1());
    if (m.captured(5) == "relay" && bytes.size() == 3 && uint8_t(bytes[0]) == 0xFE &&
        uint8_t(bytes[1]) == 0x28) {
      c.Mask = uint8_t(bytes[2]);
    } else if (m.captured(5) == "mfc" && bytes.size() >= 11 && bytes[1] == 0x10 &&
               bytes[2] == 0 && bytes[3] == 6) {
      c.Address = uint8_t(bytes[0]);
      c.SetPoint = std::bit_cast<float>(uint32_t(uint8_t(bytes[7])) << 24 |
                                        uint32_t(uint8_t(bytes[8])) << 16 |
                                        uint32_t(uint8_t(bytes[9])) << 8 | uint8_t(bytes[10]));
    } else {
      continue;
    }
    out.push_back(c);
  }
  return out;
}

// The first command from From on that satisfies What; nullptr when none.
const TLogged* First(const std::vector<TLogged>& Log, double From,
                     const std::function<bool(const TLogged&)>& What)
{
  for (const TLogged& c : Log)
    if (c.At >= From && What(c)) return &c;
  return nullptr;
}

QProcessEnvironment Offscreen()
{
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("VERDANE_EXTRA_PORTS");
  return env;
}
} // namespace

TEST(SequenceEndToEnd, AnUnattendedStartRunsTheStepsAndEndsSafe)
{
  TOwnFolder folder; // the sequence file, Verdane's autosave and log
  {
    QFile f("profile.csv");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Kind;Gas A (ppm);H2O (ppm);Minutes\n"
            "mix;500000;0;0.1\n"
            "mix;100000;0;0.1\n"
            "bypass;;;0.1\n"
            "End;standby\n");
  }
  TDevSimProgram sim;
  ASSERT_TRUE(sim.Start({"--verbose"})) << "verdane-devsim did not start";
  TProgram verdane;
  verdane.Process.setProcessEnvironment(Offscreen());
  verdane.Process.setWorkingDirectory(QDir::currentPath());
  verdane.Process.start(QStringLiteral(VERDANE_PROGRAM),
                        {"--relay-port", sim.RelayPort, "--mfc-port", sim.MFCPort, "--gas-a", "O2",
                         "--gas-b", "N2", "--sequence", "profile.csv", "--start"});
  ASSERT_TRUE(verdane.Process.waitForStarted(10000));
  // Three steps of 6 s, then the Stop of the end.
  ASSERT_TRUE(sim.WaitForError("relay: FE 28 04 ->", 40000))
      << sim.ErrorLines.join(u'\n').toStdString();
  QTest::qWait(8000);
  verdane.Signal(SIGTERM);
  ASSERT_TRUE(verdane.Process.waitForFinished(10000));
  EXPECT_EQ(verdane.Process.exitCode(), 0);
  verdane.ReadErrors(100);
  EXPECT_TRUE(verdane.ErrorLines.filter("verdane:").isEmpty())
      << verdane.ErrorLines.join(u'\n').toStdString();
  sim.Stop();

  // The device log: each step's valves and set-points at its time.
  const std::vector<TLogged> log = Commands(sim.ErrorLines);
  const auto mask = [](int m) { return [m](const TLogged& c) { return c.Mask == m; }; };
  const auto setPoint = [](int a, auto test) {
    return [a, test](const TLogged& c) { return c.Address == a && test(c.SetPoint); };
  };
  // Step 1: 50 % O2 in N2, gas A at its full scale, valves 4 and 5.
  const TLogged* s1 = First(log, 0, setPoint(1, [](float v) { return v == 0.0715f; }));
  ASSERT_NE(s1, nullptr) << sim.ErrorLines.join(u'\n').toStdString();
  ASSERT_NE(First(log, s1->At - 1, mask(24)), nullptr);
  // Step 2, 6 s later: 10 % O2, gas B at its limit (half its full scale).
  const TLogged* s2 = First(log, s1->At, setPoint(2, [](float v) { return v == 0.5f; }));
  ASSERT_NE(s2, nullptr);
  const TLogged* a2 = First(log, s1->At, setPoint(1, [](float v) { return v > 0.05f && v < 0.0715f; }));
  ASSERT_NE(a2, nullptr);
  // Step 3, 6 s later: Bypass: valve 3 only, A off, B at its full scale.
  const TLogged* s3 = First(log, s2->At, mask(4));
  ASSERT_NE(s3, nullptr);
  ASSERT_NE(First(log, s3->At, setPoint(2, [](float v) { return v == 1.0f; })), nullptr);
  // The end, 6 s later: all valves closed and both set-points 0, repeated.
  const TLogged* end = First(log, s3->At, mask(0));
  ASSERT_NE(end, nullptr);
  ASSERT_NE(First(log, end->At, setPoint(1, [](float v) { return v == 0; })), nullptr);
  ASSERT_NE(First(log, end->At, setPoint(2, [](float v) { return v == 0; })), nullptr);
  // Real time on a shared machine: the exact timing is shown in virtual time;
  // here each step comes about 6 s after the one before.
  for (auto [from, to] : {std::pair{s1, s2}, {s2, s3}, {s3, end}})
    EXPECT_NEAR(to->At - from->At, 6.0, 1.0);
  EXPECT_EQ(sim.Final["VERDANE_FINAL_RELAY_MASK"], "0");
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_1"].toDouble(), 0.0);
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_2"].toDouble(), 0.0);

  // The sequence log beside the autosave: one line per step.
  const QStringList logs = QDir::current().entryList({"Filename sequence *.CSV"}, QDir::Files);
  ASSERT_EQ(logs.size(), 1);
  QFile file(logs[0]);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], SequenceLogHeader());
  EXPECT_TRUE(lines[1].endsWith(";1;1;mix;500000;0;0.1;B (constant) in A")) << lines[1].toStdString();
  EXPECT_TRUE(lines[2].endsWith(";2;1;mix;100000;0;0.1;A (constant) in B")) << lines[2].toStdString();
  EXPECT_TRUE(lines[3].endsWith(";3;1;bypass;;;0.1;")) << lines[3].toStdString();
}

// With --start, what keeps the sequence from starting (here an unknown gas)
// is said on standard error and ends Verdane with status 2, the validated
// devices left safe.
TEST(SequenceEndToEnd, ARefusedUnattendedStartExitsWithStatus2)
{
  TOwnFolder folder;
  {
    QFile f("profile.csv");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Kind;Gas A (ppm);H2O (ppm);Minutes\nbypass;;;1\n");
  }
  TDevSimProgram sim;
  ASSERT_TRUE(sim.Start({"--verbose", "--initial-relays", "24", "--initial-setpoints", "0.03,0.5"}))
      << "verdane-devsim did not start";
  TProgram verdane;
  verdane.Process.setProcessEnvironment(Offscreen());
  verdane.Process.setWorkingDirectory(QDir::currentPath());
  verdane.Process.start(QStringLiteral(VERDANE_PROGRAM),
                        {"--relay-port", sim.RelayPort, "--mfc-port", sim.MFCPort, "--gas-a", "Xe",
                         "--gas-b", "N2", "--sequence", "profile.csv", "--start"});
  ASSERT_TRUE(verdane.Process.waitForFinished(30000));
  EXPECT_EQ(verdane.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(verdane.Process.exitCode(), 2);
  verdane.ReadErrors(100);
  EXPECT_TRUE(verdane.HasError(
      "verdane: unknown gas A \"Xe\"; the names are: O2 | 5%H2,95%Ar | Air | H2"))
      << verdane.ErrorLines.join(u'\n').toStdString();
  EXPECT_TRUE(verdane.HasError("verdane: the sequence was not started"));
  sim.Stop();
  EXPECT_EQ(sim.Final["VERDANE_FINAL_RELAY_MASK"], "0");
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_1"].toDouble(), 0.0);
  EXPECT_EQ(sim.Final["VERDANE_FINAL_SETPOINT_2"].toDouble(), 0.0);
  EXPECT_TRUE(QDir::current().entryList({"* sequence *.CSV"}, QDir::Files).isEmpty());
}
