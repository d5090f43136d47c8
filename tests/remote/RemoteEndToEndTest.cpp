// The remote interface end to end: the window in real time against
// verdane-devsim on pseudo-terminals, a client over loopback, the status
// page in a headless Chromium, and Verdane's own start options.
#include "AppTestSupport.h"
#include "common/DevSimLines.h"
#include "RemoteTestSupport.h"

#include "app/MixerControl.h"
#include "remote/RemoteServer.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>

namespace {
// verdane-devsim as a program of its own, with its log of every request.
struct TDevSim
{
  QProcess Process;
  QString RelayPort, MFCPort;
  bool Start()
  {
    Process.start(QStringLiteral(VERDANE_DEVSIM), {QStringLiteral("--verbose")});
    if (!Process.waitForStarted(5000)) return false;
    return ReadDevSimPorts(Process, RelayPort, MFCPort, 5000);
  }
  // The set-points written to controller Address so far, as the log shows.
  QList<float> SetPoints(int Address)
  {
    FLog += Process.readAllStandardError();
    QList<float> values;
    const QByteArray prefix = "mfc: 0" + QByteArray::number(Address) + " 10 00 06 00 02 04 ";
    for (const QByteArray& line : FLog.split('\n')) {
      const qsizetype at = line.indexOf(prefix);
      if (at < 0) continue;
      const QByteArray bytes = QByteArray::fromHex(line.mid(at + prefix.size(), 11));
      if (bytes.size() != 4) continue;
      const uint32_t bits = uint32_t(uint8_t(bytes[0])) << 24 | uint32_t(uint8_t(bytes[1])) << 16 |
                            uint32_t(uint8_t(bytes[2])) << 8 | uint8_t(bytes[3]);
      float v;
      std::memcpy(&v, &bits, 4);
      values << v;
    }
    return values;
  }
  ~TDevSim()
  {
    if (Process.state() != QProcess::NotRunning) {
      Process.kill();
      Process.waitForFinished(2000);
    }
  }
  QByteArray FLog;
};

// Runs a program to its end while this thread handles events (the server
// lives here); its standard output.
QByteArray RunToEnd(QProcess& P, const QString& Program, const QStringList& Arguments,
                    int TimeoutMs)
{
  P.start(Program, Arguments);
  if (!P.waitForStarted(10000)) return {};
  (void)QTest::qWaitFor([&] { return P.state() == QProcess::NotRunning; }, TimeoutMs);
  if (P.state() != QProcess::NotRunning) {
    P.kill();
    P.waitForFinished(2000);
  }
  return P.readAllStandardOutput();
}

QString Chromium()
{
  for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
    if (!path.isEmpty()) return path;
  }
  return {};
}

QStringList ChromiumArguments(const QString& Profile)
{
  return {"--headless",          "--no-sandbox",         "--disable-gpu",
          "--disable-quic",      "--no-first-run",       "--disable-background-networking",
          "--disable-component-update", "--disable-sync", "--hide-scrollbars",
          "--user-data-dir=" + Profile};
}

// The text of the element with Id in a dumped DOM.
QString ElementText(const QString& Dom, const QString& Id)
{
  const QRegularExpression re(QStringLiteral("id=\"%1\"[^>]*>([^<]*)<").arg(Id));
  const QRegularExpressionMatch m = re.match(Dom);
  return m.hasMatch() ? m.captured(1).trimmed() : QStringLiteral("(no element %1)").arg(Id);
}
} // namespace

TEST(RemoteEndToEnd, StatusMixtureRowsSequenceAndThePageInABrowser)
{
  TOwnFolder folder;
  TDevSim sim;
  ASSERT_TRUE(sim.Start()) << "verdane-devsim did not start";
  qputenv("VERDANE_EXTRA_PORTS", (sim.RelayPort + u':' + sim.MFCPort).toLocal8Bit());
  TScriptedDialogs dialogs;
  TForm1 f({nullptr, &dialogs, nullptr});
  f.resize(1400, 900);
  f.show();
  TRemoteServer server(f, TRemoteSettings());
  QString error;
  ASSERT_TRUE(server.Listen(&error)) << error.toStdString();
  const quint16 port = server.Port();

  QJsonObject s = Call(port, "GET", "/api/status").Json();
  EXPECT_EQ(s["setup"].toObject()["relay"].toBool(), false);
  EXPECT_TRUE(s["setup"].toObject()["gasA"].isNull());
  EXPECT_EQ(Call(port, "POST", "/api/mixture", R"({"ppmA": 150, "ppmH2O": 0})").Status, 409);

  f.ButtonSetupFindPorts->click();
  qunsetenv("VERDANE_EXTRA_PORTS");
  TWindowFixture::Click(f.ListBoxPortSolenoid, sim.RelayPort);
  TWindowFixture::Click(f.ListBoxPortMFC, sim.MFCPort);
  TWindowFixture::Click(f.ListBoxSetupGas1, "O2");
  TWindowFixture::Click(f.ListBoxSetupGas2, "N2");
  ASSERT_TRUE(f.CheckBoxGasesSelected->isChecked());
  s = Call(port, "GET", "/api/status").Json();
  EXPECT_EQ(s["setup"].toObject(),
            QJsonObject({{"relay", true}, {"mfc", true}, {"gasA", "O2"}, {"gasB", "N2"}}));

  // A mixture from outside: the device log shows its set-points, the rows
  // its mode and method.
  const qsizetype before = sim.SetPoints(2).size();
  THttpReply r = Call(port, "POST", "/api/mixture", R"({"ppmA": 150, "ppmH2O": 0})");
  ASSERT_EQ(r.Status, 200) << r.Body.toStdString();
  const QString method = r.Json()["mixture"].toObject()["method"].toString();
  EXPECT_EQ(method, f.Shared.MixingMethod);
  ASSERT_TRUE(QTest::qWaitFor([&] { return sim.SetPoints(2).size() > before; }, 5000));
  EXPECT_NEAR(sim.SetPoints(2).last(), f.Shared.DesiredFlowBGramsperMinute, 1e-6);
  QTest::qWait(1500);
  const QJsonObject rows = Call(port, "GET", "/api/rows").Json();
  bool dilution = false;
  for (const QJsonValue& row : rows["rows"].toArray())
    dilution = dilution || (row.toArray()[1].toString() == "Dilution" &&
                            row.toArray()[2].toString() == method);
  EXPECT_TRUE(dilution) << QJsonDocument(rows).toJson().left(2000).toStdString();

  // The page in a real browser, while the mixture runs.
  const QString chromium = Chromium();
  if (chromium.isEmpty()) {
    ADD_FAILURE() << "no chromium: the status page cannot be tested";
  } else {
    QTemporaryDir profile;
    QProcess browser;
    const QString dom = QString::fromUtf8(RunToEnd(
        browser, chromium,
        ChromiumArguments(profile.path()) + QStringList{"--virtual-time-budget=2500", "--dump-dom",
                                                        server.Url()},
        120000));
    EXPECT_EQ(ElementText(dom, "mode"), "Dilution") << dom.left(3000).toStdString();
    EXPECT_EQ(ElementText(dom, "ppmA"), "150");
    EXPECT_EQ(ElementText(dom, "ppmH2O"), "0");
    EXPECT_EQ(ElementText(dom, "method"), method);
    EXPECT_EQ(ElementText(dom, "gasA"), "O2");
    EXPECT_TRUE(dom.contains("<td>Dilution</td>")) << "no rows in the page";
    EXPECT_TRUE(dom.contains("src=\"blob:")) << "no chart in the page";
    // Pictures at a laptop's and a phone's width.
    const QString shots = qEnvironmentVariableIsSet("VERDANE_SCREENSHOT_DIR")
                              ? qEnvironmentVariable("VERDANE_SCREENSHOT_DIR")
                              : profile.path();
    // (The phone's picture only when pictures are asked for.)
    std::vector<std::pair<const char*, const char*>> sizes = {{"remote-page.png", "1280,1000"}};
    if (qEnvironmentVariableIsSet("VERDANE_SCREENSHOT_DIR"))
      sizes.push_back({"remote-page-phone.png", "400,1400"});
    for (const auto& [name, size] : sizes) {
      const QString png = shots + u'/' + QLatin1String(name);
      QFile::remove(png);
      QProcess shot;
      QTemporaryDir shotProfile; // a browser of its own for each picture
      RunToEnd(shot, chromium,
               ChromiumArguments(shotProfile.path()) +
                   QStringList{"--virtual-time-budget=2500", "--window-size=" + QLatin1String(size),
                               "--screenshot=" + png, server.Url()},
               120000);
      const QImage picture(png);
      EXPECT_FALSE(picture.isNull()) << name;
    }
  }

  // A sequence of three steps put, started, paused, resumed and stopped.
  const QByteArray sequence =
      R"({"steps": [{"kind": "mix", "ppmA": 100, "ppmH2O": 0, "minutes": 1},
                    {"kind": "bypass", "minutes": 1},
                    {"kind": "mix", "ppmA": 200, "ppmH2O": 0, "minutes": 1}],
          "repeat": 1, "end": "standby"})";
  r = Call(port, "PUT", "/api/sequence", sequence);
  ASSERT_EQ(r.Status, 200) << r.Body.toStdString();
  EXPECT_TRUE(r.Json()["sequence"].isNull()) << "not started yet";
  EXPECT_EQ(Call(port, "GET", "/api/sequence").Json(),
            QJsonDocument::fromJson(sequence).object());
  r = Call(port, "POST", "/api/sequence/start");
  ASSERT_EQ(r.Status, 200) << r.Body.toStdString();
  QJsonObject q = r.Json()["sequence"].toObject();
  EXPECT_EQ(q["state"].toString(), "running");
  EXPECT_EQ(q["step"].toInt(), 1);
  EXPECT_EQ(q["steps"].toInt(), 3);
  EXPECT_EQ(q["repetitions"].toInt(), 1);
  EXPECT_FALSE(q["stepEndsAt"].toString().isEmpty());
  EXPECT_EQ(r.Json()["mixture"].toObject()["ppmA"].toInt(), 100);
  EXPECT_EQ(Call(port, "PUT", "/api/sequence", sequence).Status, 409) << "not while one runs";
  EXPECT_EQ(Call(port, "POST", "/api/sequence/pause").Json()["sequence"].toObject()["state"],
            "paused");
  EXPECT_EQ(Call(port, "POST", "/api/sequence/pause").Status, 409);
  EXPECT_EQ(Call(port, "POST", "/api/sequence/resume").Json()["sequence"].toObject()["state"],
            "running");
  r = Call(port, "POST", "/api/sequence/skip");
  EXPECT_EQ(r.Json()["sequence"].toObject()["step"].toInt(), 2);
  EXPECT_EQ(r.Json()["mode"].toString(), "Bypass");
  r = Call(port, "POST", "/api/sequence/stop");
  ASSERT_EQ(r.Status, 200);
  q = r.Json()["sequence"].toObject();
  EXPECT_EQ(q["state"].toString(), "stopped");
  EXPECT_EQ(q["step"].toInt(), 2);
  EXPECT_EQ(q["steps"].toInt(), 3);
  EXPECT_TRUE(q["stepEndsAt"].isNull());
  EXPECT_TRUE(q["endsAt"].isNull());
  EXPECT_EQ(r.Json()["mode"].toString(), "Standby");
  EXPECT_EQ(Call(port, "POST", "/api/sequence/stop").Status, 409);
  for (const char* line : {"Remote 127.0.0.1: sequence start: done",
                           "Remote 127.0.0.1: sequence pause: done",
                           "Remote 127.0.0.1: sequence stop: done"})
    EXPECT_TRUE(f.MemoDevFeedback->toPlainText().contains(line)) << line;
  // A sequence ending after the automatic stop is refused with both times.
  r = Call(port, "PUT", "/api/sequence",
           R"({"steps": [{"kind": "bypass", "minutes": 100000}]})");
  EXPECT_EQ(r.Status, 422);
  EXPECT_FALSE(r.Error().isEmpty());
  f.Timer1->stop();
}

TEST(RemoteEndToEnd, StartOptionsRefusedWithExitStatus2)
{
  QTemporaryDir dir;
  const QString shortToken = dir.filePath("short");
  {
    QFile f(shortToken);
    f.open(QIODevice::WriteOnly);
    f.write("tooshort\n");
  }
  QTcpServer taken;
  ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
  struct Case
  {
    QStringList arguments;
    const char* says;
  };
  const Case cases[] = {
      {{"--remote", "0.0.0.0:0"}, "needs --remote-token-file"},
      {{"--remote", "127.0.0.1:0", "--remote-token-file", shortToken}, "at least 32"},
      {{"--remote", "127.0.0.1:" + QString::number(taken.serverPort())}, "cannot listen"},
      {{"--remote", "localhost:99999"}, "not a port number"},
      {{"--remote-token-file", shortToken}, "--remote-token-file needs --remote"},
      {{"--remote"}, "--remote needs"},
  };
  for (const Case& c : cases) {
    QProcess p;
    p.setProcessEnvironment([] {
      QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
      e.insert("QT_QPA_PLATFORM", "offscreen");
      return e;
    }());
    p.start(QStringLiteral(VERDANE_PROGRAM), c.arguments);
    ASSERT_TRUE(p.waitForFinished(30000)) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2) << c.arguments.join(' ').toStdString();
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QLatin1String(c.says))) << err.toStdString();
  }

  // Started right, it says where it listens and answers there.
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  e.insert("QT_QPA_PLATFORM", "offscreen");
  p.setProcessEnvironment(e);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral(VERDANE_PROGRAM), {"--remote", "127.0.0.1:0"});
  QString url;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        p.waitForReadyRead(100);
        const QRegularExpressionMatch m =
            QRegularExpression("remote interface at http://127.0.0.1:(\\d+)/")
                .match(QString::fromLocal8Bit(p.peek(1 << 16)));
        if (m.hasMatch()) url = m.captured(1);
        return !url.isEmpty();
      },
      30000));
  EXPECT_EQ(Call(quint16(url.toUInt()), "GET", "/api/status").Json()["mode"].toString(), "Unknown");
  ::kill(pid_t(p.processId()), SIGTERM);
  EXPECT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 0);
}
