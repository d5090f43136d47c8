// The remote interface: a small HTTP/JSON interface and a status page,
// started by `--remote [ADDRESS:]PORT`. Every request is carried out on the
// user-interface thread, one handler call at a time, through the
// mixer-control facade and the sequence runner: the path the window's
// buttons take, with the same checks. Commands from outside are logged in
// the Debug pane with the client's address.
#pragma once

#include "remote/RemoteSettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>
#include <memory>

class QHttpServer;
class QHttpServerRequest;
class QHttpServerResponder;
class TForm1;
class TRemoteGate;
struct TGateLimits;

// What a route answers.
struct TAnswer
{
  int Status = 200;
  QByteArray ContentType = "application/json";
  QByteArray Body;
  QList<QPair<QByteArray, QByteArray>> Headers;
};

class TRemoteServer : public QObject
{
  Q_OBJECT
public:
  TRemoteServer(TForm1& Form, const TRemoteSettings& Settings, QObject* Parent = nullptr);
  TRemoteServer(TForm1& Form, const TRemoteSettings& Settings, const TGateLimits& Limits,
                QObject* Parent = nullptr);
  ~TRemoteServer() override;

  // Starts listening; false with the reason (a port in use, say).
  bool Listen(QString* Error);
  quint16 Port() const;
  // "http://ADDRESS:PORT/"
  QString Url() const;
  TRemoteGate& Gate() const { return *FGate; }

  // The status page, as served at "/".
  static QByteArray StatusPage();

private:
  struct TRequest;
  void Dispatch(const QHttpServerRequest& Request, QHttpServerResponder&& Responder);
  TAnswer Answer(const TRequest& Request);
  // The routes.
  TAnswer Status() const;
  TAnswer Rows(const TRequest& Request) const;
  TAnswer Description() const;
  TAnswer Chart(bool Svg) const;
  TAnswer Mixture(const TRequest& Request);
  TAnswer Command(const TRequest& Request);
  TAnswer GetSequence() const;
  TAnswer PutSequence(const TRequest& Request);
  TAnswer SequenceAction(const TRequest& Request, const QString& Action);

  void Log(const TRequest& Request, const QString& What, const TAnswer& Answer);
  bool Authorized(const QHttpServerRequest& Request) const;

  TForm1& FForm;
  TRemoteSettings FSettings;
  std::unique_ptr<QHttpServer> FHttp;
  TRemoteGate* FGate; // owned by FHttp (binding it takes it)
};
