// Where the remote interface listens and the token it asks for: read from
// the start options `--remote [ADDRESS:]PORT` and `--remote-token-file FILE`.
// Plain values and plain functions; nothing here opens a socket.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <optional>

struct TRemoteSettings
{
  QHostAddress Address = QHostAddress(QHostAddress::LocalHost);
  quint16 Port = 0; // 0: any free port (the one taken is reported)
  // Empty: no token asked for (allowed on a loopback address only).
  QByteArray Token;
};

// The shortest token accepted, and the largest token file read.
constexpr int cMinTokenLength = 32;
constexpr qint64 cMaxTokenFileSize = 4096;

// "[ADDRESS:]PORT": ADDRESS is an IPv4 address, an IPv6 address in brackets
// ("[::1]:8080") or "localhost"; without it 127.0.0.1. PORT 0 .. 65535.
// Nullopt with the reason in Error otherwise.
std::optional<TRemoteSettings> ParseRemoteEndpoint(const QString& Text, QString* Error);

// The token of a token file: its text without surrounding white space, at
// least cMinTokenLength printable ASCII characters without blanks. Nullopt
// with the reason otherwise.
std::optional<QByteArray> TokenFromFileContents(const QByteArray& Contents, QString* Error);

// Both options together: the endpoint, and the token read from TokenFile
// (may be empty). A non-loopback address without a token file is refused.
std::optional<TRemoteSettings> RemoteSettingsFromOptions(const QString& Endpoint,
                                                         const QString& TokenFile,
                                                         QString* Error);

// An address of this machine's loopback network (127.0.0.0/8, ::1).
bool IsLoopback(const QHostAddress& Address);
