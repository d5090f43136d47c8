// The plain parts of the remote interface: the start options' endpoint and
// token, the framing of requests before they reach the server, and the
// JSON bodies it takes and the documents it gives.
#include "remote/RemoteJson.h"
#include "remote/RemoteSettings.h"
#include "remote/RequestFramer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryFile>
#include <gtest/gtest.h>

TEST(RemoteSettings, EndpointsTokensAndTheLoopbackRule)
{
  struct Case
  {
    const char* endpoint;
    const char* address; // empty: refused
    int port;
  };
  const Case cases[] = {
      {"8080", "127.0.0.1", 8080},       {"0", "127.0.0.1", 0},
      {"127.0.0.1:80", "127.0.0.1", 80}, {"localhost:65535", "127.0.0.1", 65535},
      {"[::1]:8080", "::1", 8080},       {"0.0.0.0:8080", "0.0.0.0", 8080},
      {"65536", "", 0},                  {"-1", "", 0},
      {"80a", "", 0},                    {"+80", "", 0},
      {"", "", 0},                       {"host.example:80", "", 0},
      {":80", "", 0},                    {"::1:80", "", 0},
      {"[127.0.0.1]:80", "", 0},         {"[::1]80", "", 0},
  };
  for (const Case& c : cases) {
    QString error;
    const auto s = ParseRemoteEndpoint(QString::fromLatin1(c.endpoint), &error);
    if (!*c.address) {
      EXPECT_FALSE(s) << c.endpoint;
      EXPECT_FALSE(error.isEmpty()) << c.endpoint;
      continue;
    }
    ASSERT_TRUE(s) << c.endpoint << ": " << error.toStdString();
    EXPECT_EQ(s->Address, QHostAddress(QString::fromLatin1(c.address))) << c.endpoint;
    EXPECT_EQ(s->Port, c.port) << c.endpoint;
  }

  const QByteArray good(32, 'k');
  EXPECT_EQ(TokenFromFileContents(good + "\n", nullptr), good);
  EXPECT_EQ(TokenFromFileContents("  " + good + "\r\n", nullptr), good);
  QString why;
  EXPECT_FALSE(TokenFromFileContents(QByteArray(31, 'k'), &why));
  EXPECT_EQ(why, "the token has 31 characters; it needs at least 32");
  EXPECT_FALSE(TokenFromFileContents(good + " more", &why));
  EXPECT_FALSE(TokenFromFileContents(good + "\xc3\xa9", &why));
  EXPECT_FALSE(TokenFromFileContents(QByteArray(), &why));

  // Beyond the loopback only with a token file.
  QString error;
  EXPECT_FALSE(RemoteSettingsFromOptions("0.0.0.0:8080", QString(), &error));
  EXPECT_TRUE(error.contains("--remote-token-file")) << error.toStdString();
  EXPECT_TRUE(RemoteSettingsFromOptions("127.0.0.1:8080", QString(), &error));
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write(good + "\n");
  file.flush();
  const auto s = RemoteSettingsFromOptions("0.0.0.0:8080", file.fileName(), &error);
  ASSERT_TRUE(s) << error.toStdString();
  EXPECT_EQ(s->Token, good);
  EXPECT_FALSE(RemoteSettingsFromOptions("8080", "/nonexistent/token", &error));
  EXPECT_TRUE(error.contains("cannot read")) << error.toStdString();
  QTemporaryFile huge;
  ASSERT_TRUE(huge.open());
  huge.write(QByteArray(cMaxTokenFileSize + 1, 'k'));
  huge.flush();
  EXPECT_FALSE(RemoteSettingsFromOptions("8080", huge.fileName(), &error));
  EXPECT_TRUE(error.contains("larger than")) << error.toStdString();
}

TEST(RequestFramer, WholeRequestsAndRefusals)
{
  const QByteArray get = "GET /api/status HTTP/1.1\r\nHost: x\r\n\r\n";
  const QByteArray post = "POST /api/command HTTP/1.1\r\nHost: x\r\nContent-Length: 18\r\n\r\n"
                          "{\"command\":\"stop\"}";
  using K = TFrame::TKind;
  struct Case
  {
    QByteArray bytes;
    K kind;
    int status;        // Reject
    qsizetype length;  // Request
  };
  const Case cases[] = {
      {get, K::Request, 0, get.size()},
      {get + "GET /", K::Request, 0, get.size()}, // the next one waits its turn
      {get.left(10), K::NeedMore, 0, 0},
      {post, K::Request, 0, post.size()},
      {post.chopped(1), K::NeedMore, 0, 0},
      {post + QByteArray(200000, 'y'), K::Request, 0, post.size()},
      {"GET / HTTP/1.0\r\n\r\n", K::Request, 0, 18}, // no Host needed in 1.0
      {"GET / HTTP/1.1\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/2.0\r\nHost: x\r\n\r\n", K::Reject, 400, 0},
      {"get / HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 405, 0},
      {"BREW / HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 405, 0},
      {"CONNECT x:1 HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 405, 0},
      {"GET api HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 400, 0},
      {"GET /a b HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 400, 0},
      {"GET /\x01 HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/1.1\nHost: x\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/1.1\r\nHost x\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/1.1\r\n Host: x\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/1.1\r\nHost: x\r\nX: \xff\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/1.1\r\nHost: x\r\nHost: y\r\n\r\n", K::Reject, 400, 0},
      {"\x16\x03\x01\x02\x00", K::Reject, 400, 0}, // TLS spoken to plain HTTP
      {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 65537\r\n\r\n", K::Reject, 413, 0},
      {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 99999999999999999999\r\n\r\n", K::Reject,
       413, 0},
      {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nx", K::Reject,
       400, 0},
      {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: -1\r\n\r\n", K::Reject, 400, 0},
      {"POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 0x10\r\n\r\n", K::Reject, 400, 0},
      {"POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n", K::Reject, 411, 0},
      {"GET / HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n",
       K::Reject, 400, 0},
      {"POST / HTTP/1.1\r\nHost: x\r\nExpect: 200-ok\r\n\r\n", K::Reject, 417, 0},
      {"GET /" + QByteArray(20000, 'a'), K::Reject, 431, 0},
      {"GET /" + QByteArray(5000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n", K::Reject, 400, 0},
      {"GET / HTTP/1.1\r\nHost: x\r\n" + QByteArray("A: b\r\n").repeated(101) + "\r\n", K::Reject,
       431, 0},
  };
  for (const Case& c : cases) {
    const TFrame f = FrameRequest(c.bytes);
    EXPECT_EQ(f.Kind, c.kind) << c.bytes.left(80).toStdString();
    if (c.kind == K::Reject) {
      EXPECT_EQ(f.Status, c.status) << c.bytes.left(80).toStdString();
      EXPECT_FALSE(f.Error.isEmpty());
    }
    if (c.kind == K::Request) {
      EXPECT_EQ(f.Length, c.length) << c.bytes.toStdString();
    }
  }

  // A body announced within the limit: the head is whole before the body,
  // "100 Continue" is asked for until the body has come.
  const QByteArray head =
      "PUT /api/sequence HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n";
  TFrame f = FrameRequest(head);
  EXPECT_EQ(f.Kind, K::NeedMore);
  EXPECT_TRUE(f.HeadComplete);
  EXPECT_TRUE(f.ExpectContinue);
  EXPECT_EQ(f.BodyLength, 3);
  f = FrameRequest(head + "{}x");
  EXPECT_EQ(f.Kind, K::Request);
  EXPECT_FALSE(f.ExpectContinue);

  // Who asks to close after the answer.
  EXPECT_FALSE(FrameRequest(get).Close);
  EXPECT_TRUE(FrameRequest("GET / HTTP/1.1\r\nHost: x\r\nConnection: Close\r\n\r\n").Close);
  EXPECT_TRUE(FrameRequest("GET / HTTP/1.0\r\n\r\n").Close);
  EXPECT_FALSE(FrameRequest("GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n").Close);
}

TEST(RemoteJson, BodiesAreCheckedStrictly)
{
  struct Case
  {
    enum
    {
      Mixture,
      Command,
      Sequence,
      Empty
    } route;
    const char* body;
    int status; // 0: taken
  };
  const Case cases[] = {
      {Case::Mixture, R"({"ppmA": 150, "ppmH2O": 0})", 0},
      {Case::Mixture, R"({"ppmA": 150.5, "ppmH2O": 0})", 0}, // whole numbers: the caller's 422
      {Case::Mixture, R"({"ppmA": 150})", 400},
      {Case::Mixture, R"({"ppmA": "150", "ppmH2O": 0})", 400},
      {Case::Mixture, R"({"ppmA": 150, "ppmH2O": 0, "ppmB": 1})", 400},
      {Case::Mixture, R"([150, 0])", 400},
      {Case::Mixture, R"({"ppmA": 150, "ppmH2O": 0)", 400},
      {Case::Mixture, "", 400},
      {Case::Mixture, R"({"ppmA": null, "ppmH2O": 0})", 400},
      {Case::Command, R"({"command": "stop"})", 0},
      {Case::Command, R"({"command": "flush"})", 0},
      {Case::Command, R"({"command": "bypass"})", 0},
      {Case::Command, R"({"command": "Stop"})", 400},
      {Case::Command, R"({"command": "dilution"})", 400},
      {Case::Command, R"({"command": 1})", 400},
      {Case::Command, R"({})", 400},
      {Case::Command, R"({"command": "stop", "now": true})", 400},
      {Case::Empty, "", 0},
      {Case::Empty, "{}", 0},
      {Case::Empty, R"({"force": true})", 400},
      {Case::Empty, "null", 400},
      {Case::Sequence,
       R"({"steps": [{"kind": "mix", "ppmA": 10, "ppmH2O": 5000, "minutes": 30},
                     {"kind": "flush", "minutes": 0}], "repeat": 3, "end": "hold"})",
       0},
      {Case::Sequence, R"({"steps": []})", 0}, // the check refuses it (422), not the parser
      {Case::Sequence, R"({"steps": [{"kind": "bypass", "minutes": 1}], "repeat": 0})", 0},
      {Case::Sequence, R"({"steps": [{"kind": "bypass", "minutes": 1}], "repeat": 1.5})", 422},
      {Case::Sequence, R"({"steps": [{"kind": "mix", "ppmA": 0.5, "ppmH2O": 0, "minutes": 1}]})",
       422},
      {Case::Sequence, R"({"steps": [{"kind": "mix", "ppmA": 1e30, "ppmH2O": 0, "minutes": 1}]})",
       422},
      {Case::Sequence, R"({"steps": [{"kind": "bypass", "ppmA": 1, "minutes": 1}]})", 400},
      {Case::Sequence, R"({"steps": [{"kind": "mix", "ppmA": 1, "minutes": 1}]})", 400},
      {Case::Sequence, R"({"steps": [{"kind": "purge", "minutes": 1}]})", 400},
      {Case::Sequence, R"({"steps": [{"minutes": 1}]})", 400},
      {Case::Sequence, R"({"steps": [{"kind": "bypass", "minutes": "1"}]})", 400},
      {Case::Sequence, R"({"steps": ["bypass"]})", 400},
      {Case::Sequence, R"({"steps": {}})", 400},
      {Case::Sequence, R"({"steps": [], "end": "off"})", 400},
      {Case::Sequence, R"({"steps": [], "loop": true})", 400},
      {Case::Sequence, R"({"repeat": 1})", 400},
  };
  for (const Case& c : cases) {
    TApiError e;
    bool taken = false;
    switch (c.route) {
    case Case::Mixture: taken = bool(ParseMixtureBody(c.body, &e)); break;
    case Case::Command: taken = bool(ParseCommandBody(c.body, &e)); break;
    case Case::Sequence: taken = bool(ParseSequenceBody(c.body, &e)); break;
    case Case::Empty: taken = ParseEmptyBody(c.body, &e); break;
    }
    EXPECT_EQ(taken ? 0 : e.Status, c.status) << c.body;
    if (!taken) {
      EXPECT_FALSE(e.Text.isEmpty()) << c.body;
    }
  }

  // A sequence goes out in the form it came in.
  const auto s = ParseSequenceBody(
      R"({"steps": [{"kind": "mix", "ppmA": 10, "ppmH2O": 5000, "minutes": 0.5},
                    {"kind": "standby", "minutes": 2}], "repeat": 2, "end": "hold"})",
      nullptr);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Steps.size(), 2u);
  EXPECT_EQ(s->Steps[0], (TSequenceStep{TStepKind::Mix, 10, 5000, 0.5}));
  EXPECT_EQ(s->End, TSequenceEnd::Hold);
  const QByteArray again = QJsonDocument(SequenceJson(*s)).toJson();
  EXPECT_EQ(ParseSequenceBody(again, nullptr), s);
  EXPECT_EQ(SequenceJson(*s)["steps"].toArray()[1].toObject().keys(),
            QStringList({"kind", "minutes"}));
}

TEST(RemoteJson, StatusNamesAndNulls)
{
  TMixerSnapshot s;
  s.Mode = TMixerState::Dilution;
  s.RelayOK = true;
  s.GasA = "O2";
  s.ValveMask = 24;
  s.AutoStopTime = 46000.5; // 2025-12-09 12:00 local
  s.Rows = 7;
  QJsonObject j = StatusJson(s, std::nullopt);
  EXPECT_EQ(j.keys(), QStringList({"autoStop", "mixture", "mode", "rows", "sequence", "setup",
                                   "valves"}));
  EXPECT_EQ(j["mode"].toString(), "Dilution");
  EXPECT_TRUE(j["mixture"].isNull());
  EXPECT_TRUE(j["sequence"].isNull());
  EXPECT_EQ(j["setup"].toObject()["gasA"].toString(), "O2");
  EXPECT_TRUE(j["setup"].toObject()["gasB"].isNull());
  EXPECT_EQ(j["setup"].toObject()["relay"].toBool(), true);
  EXPECT_EQ(j["valves"].toInt(), 24);
  EXPECT_EQ(j["rows"].toInt(), 7);
  EXPECT_TRUE(j["autoStop"].toString().startsWith("2025-12-09T12:00:00")) << j["autoStop"].toString().toStdString();
  EXPECT_EQ(QDateTime::fromString(j["autoStop"].toString(), Qt::ISODate),
            QDateTime(QDate(2025, 12, 9), QTime(12, 0)));

  s.MixtureApplied = true;
  s.PpmA = 150;
  s.PpmH2O = 0;
  s.Method = "A (pulse) in B";
  TSequenceProgress p;
  p.State = TSequenceState::Running;
  p.Step = 2;
  p.Steps = 3;
  p.Repetition = 1;
  p.Repetitions = 2;
  p.HasEnds = true;
  p.StepEndsAt = 46000.5 + 1.0 / 24;
  p.EndsAt = 46000.5 + 2.0 / 24;
  j = StatusJson(s, p);
  EXPECT_EQ(j["mixture"].toObject(),
            QJsonObject({{"ppmA", 150}, {"ppmH2O", 0}, {"method", "A (pulse) in B"}}));
  QJsonObject q = j["sequence"].toObject();
  EXPECT_EQ(q.keys(), QStringList({"endsAt", "repetition", "repetitions", "state", "step",
                                   "stepEndsAt", "steps"}));
  EXPECT_EQ(q["state"].toString(), "running");
  EXPECT_EQ(q["step"].toInt(), 2);
  EXPECT_TRUE(q["stepEndsAt"].toString().startsWith("2025-12-09T13:00:00"));
  // Finished or stopped: the step stays, the times go.
  for (TSequenceState done : {TSequenceState::Finished, TSequenceState::Stopped}) {
    p.State = done;
    q = StatusJson(s, p)["sequence"].toObject();
    EXPECT_EQ(q["state"].toString(), SequenceStateName(done));
    EXPECT_EQ(q["step"].toInt(), 2);
    EXPECT_EQ(q["steps"].toInt(), 3);
    EXPECT_TRUE(q["stepEndsAt"].isNull());
    EXPECT_TRUE(q["endsAt"].isNull());
  }

  TApiError e;
  EXPECT_EQ(ParseRowsFrom("", &e), 0);
  EXPECT_EQ(ParseRowsFrom("from=12", &e), 12);
  for (const char* bad : {"from=-1", "from=x", "from=", "from=1e3", "to=3", "from=99999999999"})
    EXPECT_FALSE(ParseRowsFrom(bad, &e)) << bad;
}
