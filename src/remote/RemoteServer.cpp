#include "remote/RemoteServer.h"

#include "app/MixerControl.h"
#include "app/UnitMain.h"
#include "chart/GvGraph2D.h"
#include "remote/RemoteGate.h"
#include "remote/RemoteJson.h"

#include <QBuffer>
#include <QFile>
#include <QHttpServer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTcpSocket>
#include <exception>

struct TRemoteServer::TRequest
{
  QString Method; // "GET", "POST", ...
  QString Path;
  QString Query;
  QByteArray Body;
  QHostAddress Client;
};

namespace {
QString MethodName(QHttpServerRequest::Method Method)
{
  switch (Method) {
  case QHttpServerRequest::Method::Get: return QStringLiteral("GET");
  case QHttpServerRequest::Method::Put: return QStringLiteral("PUT");
  case QHttpServerRequest::Method::Delete: return QStringLiteral("DELETE");
  case QHttpServerRequest::Method::Post: return QStringLiteral("POST");
  case QHttpServerRequest::Method::Head: return QStringLiteral("HEAD");
  case QHttpServerRequest::Method::Options: return QStringLiteral("OPTIONS");
  case QHttpServerRequest::Method::Patch: return QStringLiteral("PATCH");
  default: return QStringLiteral("?");
  }
}

TAnswer Json(int Status, const QJsonObject& Object)
{
  TAnswer a;
  a.Status = Status;
  a.Body = JsonBody(Object);
  return a;
}

TAnswer Error(int Status, const QString& Text)
{
  TAnswer a;
  a.Status = Status;
  a.Body = ErrorBody(Text);
  return a;
}

TAnswer Error(const TApiError& E)
{
  return Error(E.Status, E.Text);
}

// 409 for what the set-up or a waiting stop keeps from happening, 422 for a
// value the checks refuse.
TAnswer Refusal(const TCommandResult& R)
{
  return Error(R.Outcome == TCommandOutcome::Refused ? 422 : 409, R.Message);
}

// Compares without stopping at the first difference, so that the time taken
// tells nothing about the token.
bool SameSecret(const QByteArray& A, const QByteArray& B)
{
  unsigned char diff = A.size() == B.size() ? 0 : 1;
  const qsizetype n = std::min(A.size(), B.size());
  for (qsizetype i = 0; i < n; ++i) diff |= uchar(A[i]) ^ uchar(B[i]);
  return diff == 0;
}

// The host part of a Host header ("127.0.0.1:8080", "[::1]:8080", "localhost").
QString HostName(const QByteArray& Host)
{
  const QString h = QString::fromLatin1(Host);
  if (h.startsWith(u'[')) return h.mid(1, h.indexOf(u']') - 1);
  const qsizetype colon = h.lastIndexOf(u':');
  return colon < 0 ? h : h.left(colon);
}

constexpr int cMaxRowsPerAnswer = 1000;
} // namespace

TRemoteServer::TRemoteServer(TForm1& Form, const TRemoteSettings& Settings, QObject* Parent)
    : TRemoteServer(Form, Settings, TGateLimits(), Parent)
{
}

TRemoteServer::TRemoteServer(TForm1& Form, const TRemoteSettings& Settings,
                             const TGateLimits& Limits, QObject* Parent)
    : QObject(Parent), FForm(Form), FSettings(Settings), FHttp(std::make_unique<QHttpServer>()),
      FGate(new TRemoteGate(Limits, FHttp.get()))
{
  FHttp->setMissingHandler(
      [this](const QHttpServerRequest& Request, QHttpServerResponder&& Responder) {
        Dispatch(Request, std::move(Responder));
      });
}

TRemoteServer::~TRemoteServer()
{
  // The connections end while the HTTP server can still let go of them.
  FGate->close();
  FGate->CloseAll();
  FHttp.reset();
}

bool TRemoteServer::Listen(QString* Error)
{
  if (!FGate->listen(FSettings.Address, FSettings.Port)) {
    if (Error)
      *Error = QStringLiteral("the remote interface cannot listen on %1 port %2: %3")
                   .arg(FSettings.Address.toString())
                   .arg(FSettings.Port)
                   .arg(FGate->errorString());
    return false;
  }
  FHttp->bind(FGate);
  return true;
}

quint16 TRemoteServer::Port() const
{
  return FGate->serverPort();
}

QString TRemoteServer::Url() const
{
  const QHostAddress a = FSettings.Address;
  const QString host = a.protocol() == QAbstractSocket::IPv6Protocol
                           ? u'[' + a.toString() + u']'
                           : a.toString();
  return QStringLiteral("http://%1:%2/").arg(host).arg(Port());
}

QByteArray TRemoteServer::StatusPage()
{
  QFile page(QStringLiteral(":/remote/StatusPage.html"));
  return page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray();
}

bool TRemoteServer::Authorized(const QHttpServerRequest& Request) const
{
  if (FSettings.Token.isEmpty()) return true;
  return SameSecret(Request.value("authorization"), "Bearer " + FSettings.Token);
}

void TRemoteServer::Dispatch(const QHttpServerRequest& Request, QHttpServerResponder&& Responder)
{
  QTcpSocket* socket = Responder.socket();
  TRequest r;
  r.Method = MethodName(Request.method());
  r.Path = Request.url().path(QUrl::FullyEncoded);
  r.Query = Request.url().query(QUrl::FullyEncoded);
  r.Body = Request.body();
  r.Client = FGate->ClientAddress(socket);

  TAnswer a;
  const QByteArray host = Request.value("host");
  const QByteArray origin = Request.value("origin");
  const bool changes = r.Method != QLatin1String("GET");
  if (!origin.isEmpty() && origin != "http://" + host) {
    // A page of another site in the operator's browser.
    a = Error(403, QStringLiteral("Requests from pages of other sites are refused."));
  } else if (FSettings.Token.isEmpty() && !host.isEmpty() &&
             HostName(host).compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
             !QHostAddress(HostName(host)).isLoopback() &&
             QHostAddress(HostName(host)) != FSettings.Address) {
    // A name of another site that leads here (DNS rebinding).
    a = Error(403, QStringLiteral("Ask for this machine by its address, not as \"%1\".")
                       .arg(QString::fromLatin1(host.left(100))));
  } else if (!Authorized(Request)) {
    a = Error(401, QStringLiteral("This interface needs \"Authorization: Bearer <token>\" with "
                                  "the token of its token file."));
    a.Headers << qMakePair(QByteArray("WWW-Authenticate"), QByteArray("Bearer realm=\"Verdane\""));
    if (r.Path == QLatin1String("/") && r.Method == QLatin1String("GET")) {
      // The page holds no data of the mixer: it asks for the token and sends
      // it with every request of its own.
      a.ContentType = "text/html; charset=utf-8";
      a.Body = StatusPage();
    }
    if (changes) Log(r, QStringLiteral("%1 %2").arg(r.Method, r.Path.left(100)), a);
  } else {
    a = Answer(r);
  }

  Responder.writeStatusLine(QHttpServerResponder::StatusCode(a.Status));
  Responder.writeHeader("Content-Type", a.ContentType);
  Responder.writeHeader("Content-Length", QByteArray::number(a.Body.size()));
  Responder.writeHeader("Cache-Control", "no-store");
  Responder.writeHeader("X-Content-Type-Options", "nosniff");
  for (const auto& [key, value] : a.Headers) Responder.writeHeader(key, value);
  Responder.writeBody(a.Body);
}

TAnswer TRemoteServer::Answer(const TRequest& Request)
{
  struct TRoute
  {
    const char* Method;
    const char* Path;
    std::function<TAnswer()> Handler;
  };
  const TRoute routes[] = {
      {"GET", "/",
       [] {
         TAnswer a;
         a.ContentType = "text/html; charset=utf-8";
         a.Body = StatusPage();
         a.Headers << qMakePair(QByteArray("Content-Security-Policy"),
                                QByteArray("default-src 'none'; script-src 'unsafe-inline'; "
                                           "style-src 'unsafe-inline'; img-src blob: data:; "
                                           "connect-src 'self'; frame-ancestors 'none'"))
                   << qMakePair(QByteArray("X-Frame-Options"), QByteArray("DENY"))
                   << qMakePair(QByteArray("Referrer-Policy"), QByteArray("no-referrer"));
         return a;
       }},
      {"GET", "/api/status", [this] { return Status(); }},
      {"GET", "/api/rows", [this, &Request] { return Rows(Request); }},
      {"GET", "/api/description", [this] { return Description(); }},
      {"GET", "/api/chart.svg", [this] { return Chart(true); }},
      {"GET", "/api/chart.png", [this] { return Chart(false); }},
      {"POST", "/api/mixture", [this, &Request] { return Mixture(Request); }},
      {"POST", "/api/command", [this, &Request] { return Command(Request); }},
      {"GET", "/api/sequence", [this] { return GetSequence(); }},
      {"PUT", "/api/sequence", [this, &Request] { return PutSequence(Request); }},
      {"POST", "/api/sequence/start", [this, &Request] { return SequenceAction(Request, "start"); }},
      {"POST", "/api/sequence/pause", [this, &Request] { return SequenceAction(Request, "pause"); }},
      {"POST", "/api/sequence/resume",
       [this, &Request] { return SequenceAction(Request, "resume"); }},
      {"POST", "/api/sequence/skip", [this, &Request] { return SequenceAction(Request, "skip"); }},
      {"POST", "/api/sequence/stop", [this, &Request] { return SequenceAction(Request, "stop"); }},
  };
  QStringList allowed;
  for (const TRoute& route : routes) {
    if (Request.Path != QLatin1String(route.Path)) continue;
    if (Request.Method == QLatin1String(route.Method)) return route.Handler();
    allowed << QLatin1String(route.Method);
  }
  if (allowed.isEmpty())
    return Error(404, QStringLiteral("There is no %1 here.").arg(Request.Path.left(100)));
  TAnswer a = Error(405, QStringLiteral("%1 takes %2, not %3.")
                             .arg(Request.Path, allowed.join(QStringLiteral(", ")),
                                  Request.Method));
  a.Headers << qMakePair(QByteArray("Allow"), allowed.join(QStringLiteral(", ")).toLatin1());
  return a;
}

void TRemoteServer::Log(const TRequest& Request, const QString& What, const TAnswer& Answer)
{
  QString outcome = QStringLiteral("done");
  if (Answer.Status != 200) {
    const QJsonDocument doc = QJsonDocument::fromJson(Answer.Body);
    outcome = QStringLiteral("refused (%1): %2")
                  .arg(Answer.Status)
                  .arg(doc.object().value(QStringLiteral("error")).toString());
  }
  FForm.MemoDevFeedback->appendPlainText(
      QStringLiteral("Remote %1: %2: %3").arg(Request.Client.toString(), What, outcome));
}

TAnswer TRemoteServer::Status() const
{
  const TMixerSnapshot s = FForm.Control().Snapshot();
  // The sequence shows from its first start on.
  std::optional<TSequenceProgress> progress;
  if (s.Sequence.State != TSequenceState::Idle) progress = s.Sequence;
  return Json(200, StatusJson(s, progress));
}

TAnswer TRemoteServer::Rows(const TRequest& Request) const
{
  TApiError e;
  const std::optional<int> from = ParseRowsFrom(Request.Query, &e);
  if (!from) return Error(e);
  QStringList columns;
  for (int c = 0; c < FForm.StringGrid1->columnCount(); ++c) columns << FForm.GridCell(c, 0);
  const int count = FForm.OutputRowCount();
  const int first = std::min(*from, count);
  const int last = std::min(count, first + cMaxRowsPerAnswer);
  std::vector<QStringList> rows;
  rows.reserve(size_t(last - first));
  for (int r = first; r < last; ++r) {
    QStringList cells;
    for (int c = 0; c < columns.size(); ++c) cells << FForm.GridCell(c, r + 1);
    rows.push_back(cells);
  }
  return Json(200, RowsJson(columns, rows, last));
}

TAnswer TRemoteServer::Description() const
{
  TAnswer a;
  a.ContentType = "text/plain; charset=utf-8";
  a.Body = FForm.Memo4->toPlainText().toUtf8();
  return a;
}

TAnswer TRemoteServer::Chart(bool Svg) const
{
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  try {
    FForm.GraphOutput->SaveImage(buffer, Svg ? TGvImageFileFormat::Svg : TGvImageFileFormat::Png,
                                 true);
  } catch (const std::exception& e) {
    return Error(500, QStringLiteral("The chart could not be drawn: %1").arg(e.what()));
  }
  TAnswer a;
  a.ContentType = Svg ? "image/svg+xml" : "image/png";
  a.Body = buffer.data();
  return a;
}

TAnswer TRemoteServer::Mixture(const TRequest& Request)
{
  QString what = QStringLiteral("Apply Mixture");
  TAnswer a;
  TApiError e;
  if (const std::optional<TMixtureBody> m = ParseMixtureBody(Request.Body, &e); !m) {
    a = Error(e);
  } else {
    const std::optional<int> ppmA = WholeNumber(m->PpmA), ppmH2O = WholeNumber(m->PpmH2O);
    what += QStringLiteral(" %1 ppm A, %2 ppm H2O").arg(m->PpmA).arg(m->PpmH2O);
    if (!ppmA || !ppmH2O) {
      a = Error(422, QStringLiteral("\"%1\" must be a whole number of ppm, not %2.")
                         .arg(ppmA ? QStringLiteral("ppmH2O") : QStringLiteral("ppmA"))
                         .arg(ppmA ? m->PpmH2O : m->PpmA));
    } else {
      const TCommandResult r = FForm.Control().ApplyMixture(*ppmA, *ppmH2O);
      a = r.IsDone() ? Status() : Refusal(r);
      if (r.IsDone() && r.PpmH2O != *ppmH2O)
        what += QStringLiteral(" (H2O lowered to %1 ppm, what the bubbler gives)").arg(r.PpmH2O);
    }
  }
  Log(Request, what, a);
  return a;
}

TAnswer TRemoteServer::Command(const TRequest& Request)
{
  TApiError e;
  const std::optional<TMixerCommand> c = ParseCommandBody(Request.Body, &e);
  TAnswer a;
  QString what = QStringLiteral("command");
  if (!c) {
    a = Error(e);
  } else {
    TMixerControl& control = FForm.Control();
    const TCommandResult r = *c == TMixerCommand::Stop    ? control.Stop()
                             : *c == TMixerCommand::Flush ? control.Flush()
                                                          : control.Bypass();
    what = *c == TMixerCommand::Stop    ? QStringLiteral("Stop")
           : *c == TMixerCommand::Flush ? QStringLiteral("Flush")
                                        : QStringLiteral("Bypass");
    a = r.IsDone() ? Status() : Refusal(r);
  }
  Log(Request, what, a);
  return a;
}

TAnswer TRemoteServer::GetSequence() const
{
  return Json(200, SequenceJson(FForm.Control().Sequence()));
}

TAnswer TRemoteServer::PutSequence(const TRequest& Request)
{
  TApiError e;
  const std::optional<TSequence> sequence = ParseSequenceBody(Request.Body, &e);
  TAnswer a;
  QString what = QStringLiteral("load sequence");
  if (!sequence) {
    a = Error(e);
  } else {
    what += QStringLiteral(" (%1 steps, %2 times)").arg(sequence->Steps.size()).arg(sequence->Repeat);
    const TCommandResult r = FForm.Control().SetSequence(*sequence);
    a = r.IsDone() ? Status() : Refusal(r);
  }
  Log(Request, what, a);
  return a;
}

TAnswer TRemoteServer::SequenceAction(const TRequest& Request, const QString& Action)
{
  TApiError e;
  TAnswer a;
  if (!ParseEmptyBody(Request.Body, &e)) {
    a = Error(e);
  } else {
    TMixerControl& c = FForm.Control();
    const TCommandResult r = Action == QLatin1String("start")   ? c.StartSequence()
                             : Action == QLatin1String("pause")  ? c.PauseSequence()
                             : Action == QLatin1String("resume") ? c.ResumeSequence()
                             : Action == QLatin1String("skip")   ? c.SkipStep()
                                                                 : c.StopSequence();
    // What the moment does not allow (nothing runs, the set-up, a start
    // that no longer fits before the automatic stop) is a conflict.
    a = r.IsDone() ? Status() : Error(409, r.Message);
  }
  Log(Request, QStringLiteral("sequence ") + Action, a);
  return a;
}
