// The listening socket of the remote interface and the gate every connection
// passes. The gate reads what a client sends, lets through one whole,
// well-formed request at a time (RequestFramer) and answers the rest itself:
// too large, malformed, too slow, too many connections. Only requests it has
// let through reach the HTTP server, over a socket pair of their own, so that
// the server never holds more than one request's bytes per connection.
//
// Everything runs on the thread that owns the gate (the user-interface
// thread).
#pragma once

#include "remote/RequestFramer.h"

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>

class QTcpSocket;
class TGateConnection;

struct TGateLimits
{
  TFramerLimits Framer;
  int MaxConnections = 128;
  int IdleMs = 60000;    // a connection with nothing to do is closed
  int RequestMs = 20000; // a request begun must have come whole by then (408)
  int LingerMs = 2000;   // after a refusal, unread bytes are drained this long
  qint64 LingerBytes = 1 << 20;
};

class TRemoteGate : public QTcpServer
{
  Q_OBJECT
public:
  explicit TRemoteGate(const TGateLimits& Limits = {}, QObject* Parent = nullptr);
  ~TRemoteGate() override;

  // The client behind a connection the HTTP server was handed (null
  // address when the connection is not one of the gate's).
  QHostAddress ClientAddress(QTcpSocket* ServerSide) const;
  // Ends every connection at once (before the HTTP server goes).
  void CloseAll();
  int ConnectionCount() const { return int(FConnections.size()); }
  const TGateLimits& Limits() const { return FLimits; }

protected:
  void incomingConnection(qintptr Handle) override;

private:
  friend class TGateConnection;
  void Forget(TGateConnection* Connection);

  TGateLimits FLimits;
  QHash<QTcpSocket*, TGateConnection*> FConnections; // by their server side
};
