#include "remote/RemoteSettings.h"

#include <QFile>

namespace {
std::optional<TRemoteSettings> Fail(QString* Error, const QString& Reason)
{
  if (Error) *Error = Reason;
  return std::nullopt;
}
} // namespace

bool IsLoopback(const QHostAddress& Address)
{
  return Address.isLoopback();
}

std::optional<TRemoteSettings> ParseRemoteEndpoint(const QString& Text, QString* Error)
{
  TRemoteSettings s;
  QString host, port = Text;
  if (Text.startsWith(u'[')) {
    const qsizetype close = Text.indexOf(u']');
    if (close < 0 || Text.mid(close + 1, 1) != QLatin1String(":"))
      return Fail(Error, QStringLiteral("\"%1\" is not [ADDRESS]:PORT").arg(Text));
    host = Text.mid(1, close - 1);
    port = Text.mid(close + 2);
    if (!host.contains(u':'))
      return Fail(Error, QStringLiteral("\"%1\": only an IPv6 address goes in brackets").arg(Text));
  } else if (const qsizetype colon = Text.lastIndexOf(u':'); colon >= 0) {
    host = Text.left(colon);
    port = Text.mid(colon + 1);
    if (host.contains(u':'))
      return Fail(Error,
                  QStringLiteral("\"%1\": an IPv6 address goes in brackets, as [::1]:8080").arg(Text));
    if (host.isEmpty()) return Fail(Error, QStringLiteral("\"%1\" has no address before ':'").arg(Text));
  }
  bool ok = false;
  const uint number = port.toUInt(&ok, 10);
  if (port.isEmpty() || !ok || number > 65535 || !std::all_of(port.begin(), port.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
      }))
    return Fail(Error, QStringLiteral("\"%1\" is not a port number (0 to 65535)").arg(port));
  s.Port = quint16(number);
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
    s.Address = QHostAddress(QHostAddress::LocalHost);
  } else if (!host.isEmpty()) {
    QHostAddress address;
    if (!address.setAddress(host) || !address.scopeId().isEmpty())
      return Fail(Error, QStringLiteral("\"%1\" is not an IP address").arg(host));
    s.Address = address;
  }
  return s;
}

std::optional<QByteArray> TokenFromFileContents(const QByteArray& Contents, QString* Error)
{
  const QByteArray token = Contents.trimmed();
  for (char c : token)
    if (c < 0x21 || c > 0x7e) {
      if (Error)
        *Error = QStringLiteral("the token may hold only printable ASCII characters without "
                                "blanks");
      return std::nullopt;
    }
  if (token.size() < cMinTokenLength) {
    if (Error)
      *Error = QStringLiteral("the token has %1 characters; it needs at least %2")
                   .arg(token.size())
                   .arg(cMinTokenLength);
    return std::nullopt;
  }
  return token;
}

std::optional<TRemoteSettings> RemoteSettingsFromOptions(const QString& Endpoint,
                                                         const QString& TokenFile, QString* Error)
{
  QString reason;
  std::optional<TRemoteSettings> s = ParseRemoteEndpoint(Endpoint, &reason);
  if (!s) return Fail(Error, QStringLiteral("--remote %1").arg(reason));
  if (!TokenFile.isEmpty()) {
    QFile file(TokenFile);
    if (!file.open(QIODevice::ReadOnly))
      return Fail(Error, QStringLiteral("--remote-token-file: cannot read \"%1\": %2")
                             .arg(TokenFile, file.errorString()));
    const QByteArray contents = file.read(cMaxTokenFileSize + 1);
    if (contents.size() > cMaxTokenFileSize)
      return Fail(Error, QStringLiteral("--remote-token-file: \"%1\" is larger than %2 bytes")
                             .arg(TokenFile)
                             .arg(cMaxTokenFileSize));
    const std::optional<QByteArray> token = TokenFromFileContents(contents, &reason);
    if (!token)
      return Fail(Error, QStringLiteral("--remote-token-file \"%1\": %2").arg(TokenFile, reason));
    s->Token = *token;
  } else if (!IsLoopback(s->Address)) {
    return Fail(Error, QStringLiteral("--remote %1 listens beyond this machine; that needs "
                                      "--remote-token-file FILE (a token of at least %2 "
                                      "characters that every request must carry)")
                           .arg(Endpoint)
                           .arg(cMinTokenLength));
  }
  return s;
}
