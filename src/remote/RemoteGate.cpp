#include "remote/RemoteGate.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>
#include <unistd.h>

// One client's connection: the client's socket, and a socket pair whose one
// end (ServerSide) the HTTP server reads and writes and whose other end
// (FBridge) the gate uses.
class TGateConnection : public QObject
{
public:
  TGateConnection(TRemoteGate& Gate, QTcpSocket* Client, QTcpSocket* ServerSide,
                  QTcpSocket* Bridge)
      : QObject(&Gate), FGate(Gate), FClient(Client), FServerSide(ServerSide), FBridge(Bridge)
  {
    const TGateLimits& l = Gate.Limits();
    FClient->setParent(this);
    if (FBridge) FBridge->setParent(this);
    FClient->setReadBufferSize(l.Framer.MaxBody + l.Framer.MaxHead);
    // An answer relayed in pieces goes out at once, not held back until the
    // client acknowledges the first piece.
    FClient->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, [this] { TimedOut(); });
    connect(FClient, &QTcpSocket::readyRead, this, [this] { ReadClient(); });
    connect(FClient, &QTcpSocket::disconnected, this, [this] { End(); });
    connect(FClient, &QTcpSocket::bytesWritten, this, [this] { Written(); });
    if (FBridge) {
      connect(FBridge, &QTcpSocket::readyRead, this, [this] { Relay(); });
      connect(FBridge, &QTcpSocket::disconnected, this, [this] { ServerClosed(); });
    }
    Arm();
  }
  ~TGateConnection() override { FGate.Forget(this); }

  QTcpSocket* ServerSide() const { return FServerSide; }
  QHostAddress Address() const { return FClient->peerAddress(); }

  // The server's answer goes to the client as it comes. The gate counts it
  // (its head, then Content-Length bytes) and lets the next request pass,
  // or ends the connection, only once the whole answer has gone, so that
  // nothing the gate answers itself can overtake it.
  void Relay()
  {
    QByteArray data = FBridge->readAll();
    FClient->write(data);
    if (!FBusy) return;
    while (!data.isEmpty() && FBusy) {
      if (FAnswerLeft < 0) {
        FAnswerHead += data;
        const qsizetype end = FAnswerHead.indexOf("\r\n\r\n");
        if (end < 0) return;
        FAnswerLeft = 0;
        for (const QByteArray& line : FAnswerHead.left(end).split('\n')) {
          const qsizetype colon = line.indexOf(':');
          if (colon > 0 && line.left(colon).trimmed().compare("content-length", Qt::CaseInsensitive) == 0)
            FAnswerLeft = line.mid(colon + 1).trimmed().toLongLong();
        }
        data = FAnswerHead.mid(end + 4);
        FAnswerHead.clear();
      }
      const qint64 taken = std::min<qint64>(FAnswerLeft, data.size());
      FAnswerLeft -= taken;
      data.remove(0, taken);
      if (FAnswerLeft == 0) AnswerComplete();
    }
  }

  void AnswerComplete()
  {
    FBusy = false;
    FAnswerLeft = -1;
    if (FCloseAfter) {
      FClient->disconnectFromHost();
      return;
    }
    Arm();
    QTimer::singleShot(0, this, [self = QPointer(this)] {
      if (self) self->ReadClient();
    });
  }

  // A connection the gate takes no request from: answered at once.
  void RefuseNow(int Status, const QString& Error) { Refuse(Status, Error); }

  // Ends the connection without an answer.
  void Abort()
  {
    if (FServerSide) FServerSide->abort();
    FClient->abort();
  }

private:
  // The one timer of the connection: idle (nothing begun), the request's
  // deadline (counted from its first byte, not lengthened by more bytes),
  // the linger time after a refusal, or none while the server answers.
  void Arm()
  {
    const TGateLimits& l = FGate.Limits();
    if (FBusy) {
      FTimer.stop();
      FTiming = TTiming::None;
    } else if (FRefused) {
      if (FTiming != TTiming::Linger) FTimer.start(l.LingerMs);
      FTiming = TTiming::Linger;
    } else if (!FPending.isEmpty()) {
      if (FTiming != TTiming::Request) FTimer.start(l.RequestMs);
      FTiming = TTiming::Request;
    } else {
      FTimer.start(l.IdleMs);
      FTiming = TTiming::Idle;
    }
  }

  void ReadClient()
  {
    if (FRefused) {
      // Draining what the client still sends after the refusal, so that the
      // answer is not lost in a reset; at most LingerBytes.
      FDrained += FClient->skip(FClient->bytesAvailable());
      if (FDrained > FGate.Limits().LingerBytes) FClient->abort();
      return;
    }
    if (FBusy || FCloseAfter) return; // the rest waits in the socket (bounded)
    const TFramerLimits& l = FGate.Limits().Framer;
    const qsizetype room = l.MaxHead + l.MaxBody - FPending.size();
    if (room > 0) FPending += FClient->read(room);
    Frame();
  }

  void Frame()
  {
    const TFrame f = FrameRequest(FPending, FGate.Limits().Framer);
    switch (f.Kind) {
    case TFrame::TKind::NeedMore:
      if (f.ExpectContinue && !FContinued) {
        FContinued = true;
        FClient->write("HTTP/1.1 100 Continue\r\n\r\n");
      }
      Arm();
      return;
    case TFrame::TKind::Reject:
      Refuse(f.Status, f.Error);
      return;
    case TFrame::TKind::Request:
      FBridge->write(FPending.first(f.Length));
      FPending.remove(0, f.Length);
      FBusy = true;
      FCloseAfter = f.Close;
      FContinued = false;
      Arm();
      PassNow();
      return;
    }
  }

  // Hands the request to the server and its answer to the client within
  // this one event, instead of one pass of the event loop for each hop: a
  // cycle that keeps the thread busy would otherwise leave several passes
  // of waiting to every request.
  void PassNow()
  {
    const QPointer<TGateConnection> self(this);
    FBridge->flush();
    if (FServerSide) FServerSide->waitForReadyRead(0); // the server reads and answers
    if (!self || !FServerSide) return;
    FServerSide->flush();
    if (self && FBusy && FBridge->bytesAvailable() == 0) FBridge->waitForReadyRead(0);
    if (self) FClient->flush();
  }

  void Refuse(int Status, const QString& Error)
  {
    FRefused = true;
    FPending.clear();
    if (FBridge) {
      FBridge->disconnect(this);
      FBridge->abort();
    }
    FClient->write(ErrorAnswer(Status, Error));
    Arm();
    Written();
  }

  // After a refusal, once the answer has left: no more to send, the rest is
  // drained until the client closes or the linger time ends.
  void Written()
  {
    if (!FRefused || FHalfClosed || FClient->bytesToWrite() > 0) return;
    FHalfClosed = true;
    if (FClient->socketDescriptor() >= 0) ::shutdown(int(FClient->socketDescriptor()), SHUT_WR);
    ReadClient();
  }

  void TimedOut()
  {
    if (FRefused || FPending.isEmpty()) {
      FClient->abort(); // idle, or the linger time is over
      return;
    }
    Refuse(408, QStringLiteral("The request did not come whole within %1 s.")
                    .arg(FGate.Limits().RequestMs / 1000));
  }

  void ServerClosed()
  {
    if (FBridge->bytesAvailable() > 0) FClient->write(FBridge->readAll());
    FClient->disconnectFromHost();
  }

  void End()
  {
    FTimer.stop();
    if (FServerSide) FServerSide->disconnectFromHost();
    if (FBridge) FBridge->abort();
    deleteLater();
  }

  TRemoteGate& FGate;
  QTcpSocket* FClient;
  QPointer<QTcpSocket> FServerSide;
  QTcpSocket* FBridge;
  QTimer FTimer;
  QByteArray FPending;
  bool FBusy = false;        // a request is with the server, or its answer on the way
  QByteArray FAnswerHead;    // the head of the answer, as far as it has come
  qint64 FAnswerLeft = -1;   // body bytes of the answer still to come; -1: in its head
  bool FCloseAfter = false;  // end after the answer to the request with the server
  bool FContinued = false;   // "100 Continue" sent for the request being read
  enum class TTiming
  {
    None,
    Idle,
    Request,
    Linger
  };
  TTiming FTiming = TTiming::None;
  bool FRefused = false;     // answered by the gate; the connection ends
  bool FHalfClosed = false;
  qint64 FDrained = 0;
};

TRemoteGate::TRemoteGate(const TGateLimits& Limits, QObject* Parent)
    : QTcpServer(Parent), FLimits(Limits)
{
}

TRemoteGate::~TRemoteGate()
{
  CloseAll();
}

void TRemoteGate::incomingConnection(qintptr Handle)
{
  auto* client = new QTcpSocket(this);
  if (!client->setSocketDescriptor(Handle)) {
    delete client;
    return;
  }
  // Refused connections linger as refused requests do, so that the answer
  // is read before the connection ends; they do not count as connections.
  const auto refuse = [this, client](int Status, const QString& Error) {
    (new TGateConnection(*this, client, nullptr, nullptr))->RefuseNow(Status, Error);
  };
  if (FConnections.size() >= FLimits.MaxConnections) {
    refuse(503, QStringLiteral("Too many connections; try again later."));
    return;
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    refuse(503, QStringLiteral("No connection can be opened now; try again later."));
    return;
  }
  auto* serverSide = new QTcpSocket(this);
  auto* bridge = new QTcpSocket;
  if (!serverSide->setSocketDescriptor(pair[1]) || !bridge->setSocketDescriptor(pair[0])) {
    delete serverSide;
    delete bridge;
    ::close(pair[0]);
    ::close(pair[1]);
    refuse(503, QStringLiteral("No connection can be opened now; try again later."));
    return;
  }
  auto* connection = new TGateConnection(*this, client, serverSide, bridge);
  FConnections.insert(serverSide, connection);
  connect(serverSide, &QObject::destroyed, connection, [this, serverSide, connection] {
    if (FConnections.value(serverSide) == connection) FConnections.remove(serverSide);
  });
  addPendingConnection(serverSide);
}

QHostAddress TRemoteGate::ClientAddress(QTcpSocket* ServerSide) const
{
  const TGateConnection* c = FConnections.value(ServerSide);
  return c ? c->Address() : QHostAddress();
}

void TRemoteGate::CloseAll()
{
  const QList<TGateConnection*> all = FConnections.values();
  for (TGateConnection* c : all) {
    c->Abort();
    delete c;
  }
  FConnections.clear();
}

void TRemoteGate::Forget(TGateConnection* Connection)
{
  for (auto it = FConnections.begin(); it != FConnections.end(); ++it)
    if (it.value() == Connection) {
      FConnections.erase(it);
      return;
    }
}
