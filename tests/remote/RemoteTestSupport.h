// Talking to the remote interface over real loopback sockets from a test:
// a blocking HTTP client of its own (POSIX sockets) that runs on a worker
// thread while the test's thread goes on handling the events the server
// needs.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <arpa/inet.h>
#include <chrono>
#include <future>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// Runs Work on a worker thread; meanwhile this thread handles its events.
template <class F> auto OffThread(F Work)
{
  auto result = std::async(std::launch::async, std::move(Work));
  while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return result.get();
}

struct THttpReply
{
  int Status = 0; // 0: no answer
  QMap<QByteArray, QByteArray> Headers; // names in lower case
  QByteArray Body;
  bool Closed = false; // the server ended the connection after the answer
  QJsonObject Json() const { return QJsonDocument::fromJson(Body).object(); }
  QString Error() const { return Json().value(QStringLiteral("error")).toString(); }
};

// One connection to 127.0.0.1:Port. Blocking, with a time-out for every
// wait; safe to use from any one thread at a time.
class THttpConnection
{
public:
  explicit THttpConnection(quint16 Port, int TimeoutMs = 5000) : FTimeoutMs(TimeoutMs)
  {
    FSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(Port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(FSocket, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) Close();
    int one = 1;
    if (FSocket >= 0) ::setsockopt(FSocket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  ~THttpConnection() { Close(); }
  THttpConnection(const THttpConnection&) = delete;
  THttpConnection& operator=(const THttpConnection&) = delete;

  bool Open() const { return FSocket >= 0; }
  void Close()
  {
    if (FSocket >= 0) ::close(FSocket);
    FSocket = -1;
  }

  // Sends all of Bytes (false when the connection failed on the way).
  bool Send(const QByteArray& Bytes)
  {
    qsizetype sent = 0;
    while (FSocket >= 0 && sent < Bytes.size()) {
      const ssize_t n = ::send(FSocket, Bytes.constData() + sent, size_t(Bytes.size() - sent),
                               MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += n;
    }
    return FSocket >= 0;
  }

  // Reads one answer (after any "100 Continue").
  THttpReply Receive()
  {
    THttpReply reply;
    for (;;) {
      qsizetype end;
      while ((end = FBuffer.indexOf("\r\n\r\n")) < 0)
        if (!Fill()) {
          reply.Closed = true;
          return reply;
        }
      const QList<QByteArray> lines = FBuffer.left(end).split('\n');
      FBuffer.remove(0, end + 4);
      const QList<QByteArray> status = lines.front().trimmed().split(' ');
      reply.Status = status.size() > 1 ? status[1].toInt() : -1;
      reply.Headers.clear();
      for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
          reply.Headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
      }
      if (reply.Status != 100) break;
    }
    const qsizetype length = reply.Headers.value("content-length").toLongLong();
    while (FBuffer.size() < length)
      if (!Fill()) break;
    reply.Body = FBuffer.left(length);
    FBuffer.remove(0, reply.Body.size());
    if (reply.Headers.value("connection").toLower() == "close") reply.Closed = WaitClosed();
    return reply;
  }

  // True when the server ends the connection within the time-out.
  bool WaitClosed()
  {
    while (Fill()) {
    }
    return FClosed;
  }

  THttpReply Request(const QByteArray& Method, const QByteArray& Path, const QByteArray& Body = {},
                     const QList<QPair<QByteArray, QByteArray>>& Headers = {})
  {
    QByteArray r = Method + ' ' + Path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (const auto& [k, v] : Headers) r += k + ": " + v + "\r\n";
    if (!Body.isEmpty() || Method == "POST" || Method == "PUT")
      r += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(Body.size()) +
           "\r\n";
    r += "\r\n" + Body;
    if (!Send(r)) return {};
    return Receive();
  }

private:
  bool Fill()
  {
    if (FSocket < 0) return false;
    pollfd p{FSocket, POLLIN, 0};
    if (::poll(&p, 1, FTimeoutMs) <= 0) return false;
    char chunk[65536];
    const ssize_t n = ::recv(FSocket, chunk, sizeof chunk, 0);
    if (n <= 0) {
      FClosed = true;
      Close();
      return false;
    }
    FBuffer.append(chunk, n);
    return true;
  }

  int FSocket = -1;
  int FTimeoutMs;
  bool FClosed = false;
  QByteArray FBuffer;
};

// One request on a connection of its own, from a worker thread.
inline THttpReply Call(quint16 Port, const QByteArray& Method, const QByteArray& Path,
                       const QByteArray& Body = {},
                       const QList<QPair<QByteArray, QByteArray>>& Headers = {})
{
  return OffThread([=] {
    THttpConnection c(Port);
    return c.Request(Method, Path, Body, Headers);
  });
}
