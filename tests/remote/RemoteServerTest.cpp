// The remote interface against the window in virtual time with its
// imaginary mixer, over real loopback sockets: the routes, the errors and
// what they leave alone, the token, the gate's limits, and ten thousand
// random requests that change nothing but what the valid ones asked for.
#include "AppTestSupport.h"
#include "RemoteTestSupport.h"

#include "app/MixerControl.h"
#include "chart/GvGraph2D.h"
#include "controls/GvIntegerEdit.h"
#include "remote/RemoteGate.h"
#include "remote/RemoteJson.h"
#include "remote/RemoteServer.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {
struct TServerFixture : TWindowFixture
{
  std::unique_ptr<TRemoteServer> Server;
  explicit TServerFixture(const QByteArray& Token = {}, const TGateLimits& Limits = {})
  {
    TRemoteSettings settings;
    settings.Token = Token;
    Server = std::make_unique<TRemoteServer>(*Form, settings, Limits);
    QString error;
    EXPECT_TRUE(Server->Listen(&error)) << error.toStdString();
  }
  quint16 Port() const { return Server->Port(); }
  THttpReply Call(const QByteArray& Method, const QByteArray& Path, const QByteArray& Body = {},
                  const QList<QPair<QByteArray, QByteArray>>& Headers = {})
  {
    return ::Call(Port(), Method, Path, Body, Headers);
  }
  QStringList DebugLines() const
  {
    return Form->MemoDevFeedback->toPlainText().split(u'\n');
  }
};

// What a refused request must leave as it was.
struct TState
{
  TMixerSnapshot S;
  QString Status, Description;
  int FieldA, FieldH2O;
  qsizetype Frames;
  explicit TState(TWindowFixture& fx)
      : S(fx.Form->Control().Snapshot()), Status(fx.Form->LabelStatus->text()),
        Description(fx.Form->Memo4->toPlainText()), FieldA(fx.Form->GvIntegerEditGasAPPM->Value()),
        FieldH2O(fx.Form->GvIntegerEditH2Oppm->Value()), Frames(fx.Mixer.ReceivedFrames().size())
  {
  }
  // Empty when equal; otherwise what differs.
  QString Differences(const TState& o) const
  {
    QStringList d;
    if (S.Mode != o.S.Mode) d << "mode";
    if (Status != o.Status) d << "status text";
    if (S.MixtureApplied != o.S.MixtureApplied || S.PpmA != o.S.PpmA || S.PpmH2O != o.S.PpmH2O ||
        S.Method != o.S.Method)
      d << "applied mixture";
    if (Description != o.Description) d << "description";
    if (FieldA != o.FieldA || FieldH2O != o.FieldH2O) d << "entry fields";
    if (Frames != o.Frames) d << "device frames";
    if (S.Rows != o.S.Rows) d << "rows";
    return d.join(", ");
  }
};
} // namespace

TEST(RemoteServer, StatusCommandsRowsDescriptionAndChart)
{
  TServerFixture fx;
  THttpReply r = fx.Call("GET", "/api/status");
  ASSERT_EQ(r.Status, 200);
  EXPECT_EQ(r.Headers["content-type"], "application/json");
  QJsonObject s = r.Json();
  EXPECT_EQ(s["mode"].toString(), "Unknown");
  EXPECT_EQ(s["setup"].toObject(),
            QJsonObject({{"relay", false}, {"mfc", false}, {"gasA", QJsonValue()}, {"gasB", QJsonValue()}}));
  EXPECT_TRUE(s["mixture"].isNull());
  // Before the set-up the set-up guard refuses, as it does in the window.
  for (const char* body : {R"({"command": "flush"})", R"({"command": "bypass"})"}) {
    r = fx.Call("POST", "/api/command", body);
    EXPECT_EQ(r.Status, 409) << body;
    EXPECT_EQ(r.Error(), SetupGuardText());
  }
  r = fx.Call("POST", "/api/mixture", R"({"ppmA": 150, "ppmH2O": 0})");
  EXPECT_EQ(r.Status, 409);
  EXPECT_EQ(r.Error(), SetupGuardText());
  EXPECT_EQ(fx.Form->Shared.MixerState, TMixerState::Unknown);

  fx.StartTestMode();
  s = fx.Call("GET", "/api/status").Json();
  EXPECT_EQ(s["setup"].toObject(),
            QJsonObject({{"relay", true}, {"mfc", true}, {"gasA", "O2"}, {"gasB", "N2"}}));

  r = fx.Call("POST", "/api/mixture", R"({"ppmA": 1000, "ppmH2O": 5000})");
  ASSERT_EQ(r.Status, 200) << r.Body.toStdString();
  s = r.Json();
  EXPECT_EQ(s["mode"].toString(), "Dilution");
  EXPECT_EQ(s["mixture"].toObject()["ppmA"].toInt(), 1000);
  EXPECT_EQ(s["mixture"].toObject()["ppmH2O"].toInt(), 5000);
  EXPECT_EQ(s["mixture"].toObject()["method"].toString(), fx.Form->Shared.MixingMethod);
  EXPECT_EQ(fx.Form->LabelStatus->text(), "Dilution");
  EXPECT_EQ(fx.Form->GvIntegerEditGasAPPM->Value(), 1000);
  EXPECT_TRUE(fx.DebugLines().contains("Remote 127.0.0.1: Apply Mixture 1000 ppm A, 5000 ppm H2O: done"))
      << fx.Form->MemoDevFeedback->toPlainText().right(300).toStdString();

  // The tick after it stores a row; the rows come as the table shows them.
  fx.Form->Timer1Timer();
  r = fx.Call("GET", "/api/rows?from=0");
  ASSERT_EQ(r.Status, 200);
  QJsonObject rows = r.Json();
  EXPECT_EQ(rows["columns"].toArray().size(), 20);
  EXPECT_EQ(rows["columns"].toArray()[0].toString(), "Time");
  const int count = fx.Form->OutputRowCount();
  EXPECT_EQ(rows["next"].toInt(), count);
  EXPECT_EQ(rows["rows"].toArray().size(), count);
  const QJsonArray last = rows["rows"].toArray().last().toArray();
  for (int c = 0; c < 20; ++c) EXPECT_EQ(last[c].toString(), fx.Form->GridCell(c, count)) << c;
  EXPECT_EQ(last[1].toString(), "Dilution");
  rows = fx.Call("GET", "/api/rows?from=" + QByteArray::number(count)).Json();
  EXPECT_EQ(rows["rows"].toArray().size(), 0);
  EXPECT_EQ(rows["next"].toInt(), count);
  EXPECT_EQ(fx.Call("GET", "/api/status").Json()["rows"].toInt(), count);

  r = fx.Call("GET", "/api/description");
  EXPECT_EQ(r.Headers["content-type"], "text/plain; charset=utf-8");
  EXPECT_EQ(QString::fromUtf8(r.Body), fx.Form->Memo4->toPlainText());
  EXPECT_TRUE(r.Body.startsWith("Description of desired mixture"));

  r = fx.Call("GET", "/api/chart.png");
  EXPECT_EQ(r.Headers["content-type"], "image/png");
  EXPECT_TRUE(r.Body.startsWith("\x89PNG\r\n"));
  r = fx.Call("GET", "/api/chart.svg");
  EXPECT_EQ(r.Headers["content-type"], "image/svg+xml");
  EXPECT_TRUE(r.Body.contains("<svg"));
  r = fx.Call("GET", "/");
  EXPECT_EQ(r.Headers["content-type"], "text/html; charset=utf-8");
  EXPECT_TRUE(r.Body.contains("<title>Verdane</title>"));
  EXPECT_FALSE(r.Body.contains("src=\"http")) << "the page must not load anything from elsewhere";

  for (const auto& [body, mode, status] :
       {std::tuple{R"({"command": "bypass"})", "Bypass", "Bypass"},
        std::tuple{R"({"command": "flush"})", "Flushing", "Flushing"},
        std::tuple{R"({"command": "stop"})", "Standby", "Standby"}}) {
    r = fx.Call("POST", "/api/command", body);
    ASSERT_EQ(r.Status, 200) << body;
    EXPECT_EQ(r.Json()["mode"].toString(), mode);
    EXPECT_EQ(fx.Form->LabelStatus->text(), status);
  }
  EXPECT_TRUE(fx.DebugLines().contains("Remote 127.0.0.1: Stop: done"));
}

TEST(RemoteServer, EachErrorAnswersAndChangesNothing)
{
  TServerFixture fx;
  fx.StartTestMode();
  ASSERT_EQ(fx.Call("POST", "/api/mixture", R"({"ppmA": 150, "ppmH2O": 0})").Status, 200);
  struct Case
  {
    QByteArray method, path, body;
    int status;
    const char* error; // start of the error text
  };
  const Case cases[] = {
      {"POST", "/api/mixture", "ppmA=150", 400, "The body is not JSON"},
      {"POST", "/api/mixture", R"({"ppmA": "1000", "ppmH2O": 0})", 400, "\"ppmA\" must be a number"},
      {"POST", "/api/mixture", R"({"ppmA": 1000, "ppmH2O": 0, "x": 1})", 400,
       "The mixture has an unknown field \"x\""},
      {"POST", "/api/mixture", R"({"ppmA": 1000})", 400, "The mixture lacks the field \"ppmH2O\""},
      {"POST", "/api/mixture", R"({"ppmA": 1000001, "ppmH2O": 0})", 422,
       "Gas A 1000001 ppm is outside its field's range 0 .. 1000000."},
      {"POST", "/api/mixture", R"({"ppmA": -5, "ppmH2O": 0})", 422, "Gas A -5 ppm is outside"},
      {"POST", "/api/mixture", R"({"ppmA": 600000, "ppmH2O": 500000})", 422,
       "Gas A and H2O together make 1100000 ppm"},
      {"POST", "/api/mixture", R"({"ppmA": 10.5, "ppmH2O": 0})", 422,
       "\"ppmA\" must be a whole number of ppm"},
      {"POST", "/api/mixture", R"({"ppmA": 1e300, "ppmH2O": 0})", 422, "\"ppmA\" must be a whole"},
      {"POST", "/api/command", R"({"command": "dilute"})", 400, "Unknown command \"dilute\""},
      {"POST", "/api/command", R"({"command": ["stop"]})", 400, "\"command\" must be a text"},
      {"POST", "/api/command", "", 400, "The body is not JSON"},
      {"GET", "/api/rows?from=-3", "", 400, "\"from\" must be a whole number"},
      {"GET", "/api/nothing", "", 404, "There is no /api/nothing here."},
      {"GET", "/api/status/", "", 404, ""},
      {"GET", "/api/command", "", 405, "/api/command takes POST, not GET."},
      {"DELETE", "/api/status", "", 405, ""},
      {"PUT", "/api/mixture", R"({"ppmA": 1, "ppmH2O": 0})", 405, ""},
      {"BREW", "/api/status", "", 405, "The method BREW is not allowed."},
      {"POST", "/api/mixture", QByteArray(64 * 1024 + 1, ' '), 413, "The body is larger than 65536"},
  };
  for (const Case& c : cases) {
    const TState before(fx);
    const THttpReply r = fx.Call(c.method, c.path, c.body);
    EXPECT_EQ(r.Status, c.status) << c.method.toStdString() << ' ' << c.path.toStdString() << ' '
                                  << c.body.left(60).toStdString();
    EXPECT_EQ(r.Headers["content-type"], "application/json");
    EXPECT_TRUE(r.Error().startsWith(QLatin1String(c.error)))
        << r.Error().toStdString() << " / " << c.error;
    EXPECT_EQ(TState(fx).Differences(before), "") << c.path.toStdString() << ' ' << c.body.left(60).toStdString();
  }
  // A refused command is logged with the client and the reason.
  EXPECT_TRUE(fx.DebugLines().contains(
      "Remote 127.0.0.1: command: refused (400): Unknown command \"dilute\"; known: stop, flush, "
      "bypass."));

  // Another site's page in the operator's browser, or a name that leads
  // here from elsewhere, cannot reach the mixer.
  const TState before(fx);
  EXPECT_EQ(fx.Call("POST", "/api/command", R"({"command": "stop"})",
                    {{"Origin", "http://evil.example"}})
                .Status,
            403);
  EXPECT_EQ(OffThread([&] {
              THttpConnection c(fx.Port());
              c.Send("POST /api/command HTTP/1.1\r\nHost: evil.example:80\r\nContent-Length: "
                     "19\r\n\r\n{\"command\": \"stop\"}");
              return c.Receive().Status;
            }),
            403);
  EXPECT_EQ(TState(fx).Differences(before), "");
  // The page's own origin is welcome.
  EXPECT_EQ(fx.Call("POST", "/api/command", R"({"command": "stop"})",
                    {{"Origin", "http://127.0.0.1"}})
                .Status,
            200);
}

TEST(RemoteServer, TokenNoneWrongAndRight)
{
  const QByteArray token = "0123456789abcdefghijklmnopqrstuvwxyz";
  TServerFixture fx(token);
  fx.StartTestMode();
  const TState before(fx);
  for (const QByteArray& header :
       {QByteArray(), QByteArray("Bearer wrong"), "Bearer " + token.chopped(1),
        "Bearer " + token + "x", "bearer " + token, "Basic " + token.toBase64()}) {
    QList<QPair<QByteArray, QByteArray>> h;
    if (!header.isEmpty()) h << qMakePair(QByteArray("Authorization"), header);
    for (const auto& [method, path, body] :
         {std::tuple<QByteArray, QByteArray, QByteArray>{"GET", "/api/status", ""},
          {"POST", "/api/command", R"({"command": "bypass"})"},
          {"POST", "/api/mixture", R"({"ppmA": 150, "ppmH2O": 0})"},
          {"GET", "/api/nothing", ""}}) {
      const THttpReply r = fx.Call(method, path, body, h);
      EXPECT_EQ(r.Status, 401) << header.toStdString() << ' ' << path.toStdString();
      EXPECT_EQ(r.Headers["www-authenticate"], "Bearer realm=\"Verdane\"");
    }
  }
  EXPECT_EQ(TState(fx).Differences(before), "");
  EXPECT_TRUE(fx.DebugLines().contains(
      "Remote 127.0.0.1: POST /api/command: refused (401): This interface needs \"Authorization: "
      "Bearer <token>\" with the token of its token file."));
  // The page comes with the 401 (it holds no data and asks for the token).
  THttpReply r = fx.Call("GET", "/");
  EXPECT_EQ(r.Status, 401);
  EXPECT_TRUE(r.Body.contains("<title>Verdane</title>"));

  const QList<QPair<QByteArray, QByteArray>> right = {{"Authorization", "Bearer " + token}};
  r = fx.Call("POST", "/api/command", R"({"command": "bypass"})", right);
  EXPECT_EQ(r.Status, 200);
  EXPECT_EQ(fx.Form->Shared.MixerState, TMixerState::Bypass);
  EXPECT_EQ(fx.Call("GET", "/api/status", {}, right).Json()["mode"].toString(), "Bypass");
  // With a token the Host may be any name the machine is reached by.
  EXPECT_EQ(fx.Call("GET", "/api/status", {}, right).Status, 200);
}

TEST(RemoteGate, LimitsOfSizeTimeAndConnections)
{
  TGateLimits limits;
  limits.RequestMs = 300;
  limits.MaxConnections = 3;
  TServerFixture fx({}, limits);
  const quint16 port = fx.Port();

  // A body announced over 64 KiB is refused from its head: the client
  // learns it before sending the body, and the connection ends.
  THttpReply r = OffThread([port] {
    THttpConnection c(port);
    c.Send("PUT /api/sequence HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\nExpect: "
           "100-continue\r\n\r\n");
    return c.Receive();
  });
  EXPECT_EQ(r.Status, 413);
  EXPECT_TRUE(r.Closed);
  // Sent anyway, the body is not taken whole: the connection ends long
  // before 100 MB have gone.
  const bool all = OffThread([port] {
    THttpConnection c(port);
    c.Send("PUT /api/sequence HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\n\r\n");
    const QByteArray chunk(1 << 20, 'x');
    for (int i = 0; i < 100; ++i)
      if (!c.Send(chunk)) return false;
    return true;
  });
  EXPECT_FALSE(all);
  // A length that lies: what follows the announced body is the next head.
  r = OffThread([port] {
    THttpConnection c(port);
    c.Send("POST /api/command HTTP/1.1\r\nHost: localhost\r\nContent-Length: 2\r\n\r\n{}" +
           QByteArray(200000, 'y'));
    THttpReply first = c.Receive();
    THttpReply second = c.Receive();
    EXPECT_EQ(first.Status, 400) << first.Body.toStdString();
    return second;
  });
  EXPECT_EQ(r.Status, 431);
  EXPECT_TRUE(r.Closed);

  // A request that does not come whole in time.
  r = OffThread([port] {
    THttpConnection c(port);
    c.Send("GET /api/status HTTP/1.1\r\nHo");
    return c.Receive();
  });
  EXPECT_EQ(r.Status, 408);
  EXPECT_TRUE(r.Closed);

  // Keep-alive: many requests on one connection; "Connection: close" ends it.
  r = OffThread([port] {
    THttpConnection c(port);
    for (int i = 0; i < 20; ++i)
      if (c.Request("GET", "/api/status").Status != 200) return THttpReply();
    THttpReply last = c.Request("GET", "/api/status", {}, {{"Connection", "close"}});
    last.Closed = c.WaitClosed();
    return last;
  });
  EXPECT_EQ(r.Status, 200);
  EXPECT_TRUE(r.Closed);

  // The connections beyond the limit are turned away.
  const QList<int> statuses = OffThread([port] {
    std::vector<std::unique_ptr<THttpConnection>> open;
    for (int i = 0; i < 3; ++i) {
      open.push_back(std::make_unique<THttpConnection>(port));
      open.back()->Request("GET", "/api/status");
    }
    THttpConnection extra(port);
    QList<int> s{extra.Request("GET", "/api/status").Status};
    open.clear();
    return s;
  });
  EXPECT_EQ(statuses, QList<int>({503}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return fx.Server->Gate().ConnectionCount() == 0; }, 3000));
}

namespace {
// Random requests: mostly near misses of valid ones (a byte changed, cut,
// doubled, a wrong type), some valid, some noise.
struct TRandomRequests
{
  QRandomGenerator Random{20251209};
  int Pick(int n) { return int(Random.bounded(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }

  QByteArray ValidBody(const QByteArray& Path)
  {
    if (Path == "/api/mixture")
      return QStringLiteral(R"({"ppmA": %1, "ppmH2O": %2})")
          .arg(Chance(80) ? Pick(2000) : Pick(1200000) - 100000)
          .arg(Chance(50) ? 0 : Pick(40000))
          .toUtf8();
    if (Path == "/api/command") {
      const char* words[] = {"stop", "flush", "bypass"};
      return QByteArray(R"({"command": ")") + words[Pick(3)] + "\"}";
    }
    if (Path == "/api/sequence") {
      QByteArray steps;
      for (int i = 0, n = 1 + Pick(4); i < n; ++i) {
        if (i) steps += ", ";
        const int kind = Pick(4);
        steps += kind == 0 ? QStringLiteral(R"({"kind": "mix", "ppmA": %1, "ppmH2O": %2, "minutes": %3})")
                                 .arg(Pick(3000))
                                 .arg(Pick(2) * Pick(20000))
                                 .arg(Pick(50) / 10.0)
                                 .toUtf8()
                           : QStringLiteral(R"({"kind": "%1", "minutes": %2})")
                                 .arg(QLatin1String(kind == 1 ? "bypass" : kind == 2 ? "standby" : "flush"))
                                 .arg(Pick(30) / 10.0)
                                 .toUtf8();
      }
      return "{\"steps\": [" + steps + "], \"repeat\": " + QByteArray::number(Pick(4)) +
             ", \"end\": \"" + (Chance(50) ? "hold" : "standby") + "\"}";
    }
    return Chance(50) ? QByteArray() : QByteArray("{}");
  }

  QByteArray Mutate(QByteArray b)
  {
    for (int i = 0, n = 1 + Pick(3); i < n; ++i) {
      const int at = b.isEmpty() ? 0 : Pick(int(b.size()));
      switch (Pick(6)) {
      case 0: if (!b.isEmpty()) b[at] = char(Pick(256)); break;
      case 1: b.truncate(at); break;
      case 2: b.insert(at, "\"x\""); break;
      case 3: b.insert(at, b.mid(at, 1 + Pick(8))); break;
      case 4: b.replace("0", Chance(50) ? "0.5" : "\"0\""); break;
      default: b.insert(at, Chance(50) ? ", \"extra\": 1" : "null"); break;
      }
    }
    return b;
  }

  // Method, target, body; or one whole raw request.
  struct TRequest
  {
    QByteArray Method, Path, Body, Raw;
  };
  TRequest Next()
  {
    static const QByteArray paths[] = {"/",
                                       "/api/status",
                                       "/api/rows",
                                       "/api/rows?from=2",
                                       "/api/description",
                                       "/api/mixture",
                                       "/api/command",
                                       "/api/sequence",
                                       "/api/sequence/start",
                                       "/api/sequence/pause",
                                       "/api/sequence/resume",
                                       "/api/sequence/skip",
                                       "/api/sequence/stop",
                                       "/api/Status",
                                       "/api/rows?from=x",
                                       "/api/%00",
                                       "/api/sequence/start/"};
    static const QByteArray methods[] = {"GET", "POST", "PUT", "DELETE", "PATCH", "OPTIONS"};
    TRequest r;
    if (Chance(2)) {
      for (int i = 0, n = Pick(200); i < n; ++i) r.Raw += char(Pick(256));
      r.Raw += "\r\n\r\n";
      return r;
    }
    r.Path = paths[Pick(std::size(paths))];
    const bool post = r.Path == "/api/mixture" || r.Path == "/api/command" ||
                      r.Path.startsWith("/api/sequence/");
    r.Method = Chance(85) ? QByteArray(post ? "POST" : r.Path == "/api/sequence" && Chance(50) ? "PUT" : "GET")
                          : methods[Pick(std::size(methods))];
    r.Body = ValidBody(r.Path);
    if (Chance(70)) r.Body = Mutate(r.Body);
    return r;
  }
};
} // namespace

TEST(RemoteServer, TenThousandRandomRequestsChangeOnlyWhatValidOnesAsk)
{
  TServerFixture fx;
  fx.StartTestMode();
  TRandomRequests random;
  THttpConnection* connection = nullptr;
  std::unique_ptr<THttpConnection> owner;
  QMap<int, int> statuses;
  for (int i = 0; i < 10000; ++i) {
    const TRandomRequests::TRequest q = random.Next();
    fx.Mixer.ClearReceivedFrames(); // counted afresh for each request
    const TState before(fx);
    const TSequence sequenceBefore = fx.Form->Control().Sequence();
    const TSequenceState runBefore = fx.Form->Control().SequenceProgress().State;
    if (!owner || !owner->Open()) owner = std::make_unique<THttpConnection>(fx.Port());
    connection = owner.get();
    const THttpReply r = OffThread([&] {
      if (!q.Raw.isEmpty()) {
        connection->Send(q.Raw);
        return connection->Receive();
      }
      return connection->Request(q.Method, q.Path, q.Body);
    });
    ++statuses[r.Status];
    const QString what = QString::fromLatin1(q.Method + ' ' + q.Path + ' ' + q.Body.left(120) +
                                             q.Raw.left(40).toHex());
    ASSERT_NE(r.Status, 0) << "no answer to " << what.toStdString();
    ASSERT_NE(r.Status, 500) << what.toStdString();
    const TState after(fx);
    const TMixerControl& control = fx.Form->Control();
    const TSequenceState run = control.SequenceProgress().State;
    if (r.Status != 200 || q.Method == "GET") {
      ASSERT_EQ(after.Differences(before), "") << r.Status << ' ' << what.toStdString();
      ASSERT_EQ(control.Sequence(), sequenceBefore) << what.toStdString();
      ASSERT_EQ(run, runBefore) << what.toStdString();
      continue;
    }
    // What the valid request asked for, and what it may change with it.
    if (q.Path == "/api/mixture") {
      const QJsonObject m = QJsonDocument::fromJson(q.Body).object();
      ASSERT_EQ(after.S.Mode, TMixerState::Dilution) << what.toStdString();
      ASSERT_EQ(after.S.PpmA, m["ppmA"].toInt()) << what.toStdString();
      ASSERT_EQ(after.S.PpmH2O, m["ppmH2O"].toInt()) << what.toStdString();
    } else if (q.Path == "/api/command") {
      const QString word = QJsonDocument::fromJson(q.Body).object()["command"].toString();
      ASSERT_EQ(MixerStateName(after.S.Mode), word == "stop"    ? "Standby"
                                               : word == "flush" ? "Flushing"
                                                                 : "Bypass")
          << what.toStdString();
      ASSERT_EQ(after.S.PpmA, before.S.PpmA);
    } else if (q.Path == "/api/sequence") {
      ASSERT_EQ(SequenceJson(control.Sequence()),
                SequenceJson(*ParseSequenceBody(q.Body, nullptr)))
          << what.toStdString();
      ASSERT_EQ(after.Differences(before), "");
    } else if (q.Path == "/api/sequence/pause") {
      ASSERT_EQ(run, TSequenceState::Paused);
    } else if (q.Path == "/api/sequence/resume" || q.Path == "/api/sequence/start") {
      ASSERT_EQ(run, TSequenceState::Running) << what.toStdString();
    } else if (q.Path == "/api/sequence/stop") {
      ASSERT_EQ(run, TSequenceState::Stopped);
      ASSERT_EQ(after.S.Mode, TMixerState::Standby);
    } else {
      ASSERT_EQ(q.Path, "/api/sequence/skip") << "a change nobody asked for";
    }
    ASSERT_EQ(r.Json()["mode"].toString(), MixerStateName(after.S.Mode)) << "the answer is the status";
  }
  // The mix reached every kind of answer.
  for (int status : {200, 400, 404, 405, 409, 422}) EXPECT_GT(statuses[status], 0) << status;
  std::cout << "answers:";
  for (auto it = statuses.begin(); it != statuses.end(); ++it)
    std::cout << ' ' << it.key() << '=' << it.value();
  std::cout << '\n';
}
