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
    FBridge->setParent(this);
    FClient->setReadBufferSize(l.Framer.MaxBody + l.Framer.MaxHead);
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, [this] { TimedOut(); });
    connect(FClient, &QTcpSocket::readyRead, this, [this] { ReadClient(); });
    connect(FClient, &QTcpSocket::disconnected, this, [this] { End(); });
    connect(FClient, &QTcpSocket::bytesWritten, this, [this] { Written(); });
    connect(FBridge, &QTcpSocket::readyRead, this,
            [this] { FClient->write(FBridge->readAll()); });
    connect(FBridge, &QTcpSocket::disconnected, this, [this] { ServerClosed(); });
    Arm();
  }
  ~TGateConnection() override { FGate.Forget(this); }

  QTcpSocket* ServerSide() const { return FServerSide; }
  QHostAddress Address() const { return FClient->peerAddress(); }

  void RequestDone()
  {
    if (!FBusy) return;
    FBusy = false;
    if (FCloseAfter) {
      // The answer goes out through the pair; the server side's end then
      // reaches the bridge as its end, and the client's connection follows.
      FServerSide->disconnectFromHost();
      return;
    }
    Arm();
    QTimer::singleShot(0, this, [self = QPointer(this)] {
      if (self) self->ReadClient();
    });
  }

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
      return;
    }
  }

  void Refuse(int Status, const QString& Error)
  {
    FRefused = true;
    FPending.clear();
    FBridge->disconnect(this);
    FBridge->abort();
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
    FBridge->abort();
    deleteLater();
  }

  TRemoteGate& FGate;
  QTcpSocket* FClient;
  QPointer<QTcpSocket> FServerSide;
  QTcpSocket* FBridge;
  QTimer FTimer;
  QByteArray FPending;
  bool FBusy = false;        // a request is with the server
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
  const auto refuse = [client](int Status, const QString& Error) {
    client->write(ErrorAnswer(Status, Error));
    QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    client->disconnectFromHost();
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

void TRemoteGate::RequestDone(QTcpSocket* ServerSide)
{
  if (TGateConnection* c = FConnections.value(ServerSide)) c->RequestDone();
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
