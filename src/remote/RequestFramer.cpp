#include "remote/RequestFramer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <array>

namespace {
bool IsTokenChar(char c)
{
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
  case '!': case '#': case '$': case '%': case '&': case '\'': case '*': case '+': case '-':
  case '.': case '^': case '_': case '`': case '|': case '~':
    return true;
  default:
    return false;
  }
}

bool IsFieldValueChar(char c)
{
  return c == '\t' || (c >= 0x20 && c <= 0x7e);
}

TFrame Reject(int Status, const QString& Error)
{
  TFrame f;
  f.Kind = TFrame::TKind::Reject;
  f.Status = Status;
  f.Error = Error;
  return f;
}

QByteArrayView Trimmed(QByteArrayView v)
{
  while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t')) v = v.sliced(1);
  while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t')) v.chop(1);
  return v;
}

bool EqualsNoCase(QByteArrayView a, const char* b)
{
  return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// The comma-separated list of a header holds Word (in any case).
bool ListHas(QByteArrayView Value, const char* Word)
{
  while (!Value.isEmpty()) {
    const qsizetype comma = Value.indexOf(',');
    const QByteArrayView item = Trimmed(comma < 0 ? Value : Value.first(comma));
    if (EqualsNoCase(item, Word)) return true;
    if (comma < 0) break;
    Value = Value.sliced(comma + 1);
  }
  return false;
}

constexpr std::array<const char*, 7> cMethods = {"GET",    "HEAD",    "POST", "PUT",
                                                 "DELETE", "OPTIONS", "PATCH"};
} // namespace

TFrame FrameRequest(QByteArrayView Pending, const TFramerLimits& Limits)
{
  const qsizetype end = Pending.first(std::min(Pending.size(), Limits.MaxHead)).indexOf("\r\n\r\n");
  if (end < 0) {
    if (Pending.size() >= Limits.MaxHead)
      return Reject(431, QStringLiteral("The request's head is larger than %1 bytes.")
                             .arg(Limits.MaxHead));
    // A first line that can never become a request is refused at once.
    const qsizetype lineEnd = Pending.indexOf('\n');
    const QByteArrayView first = lineEnd < 0 ? Pending : Pending.first(lineEnd);
    for (char c : first)
      if (c != '\r' && !IsFieldValueChar(c))
        return Reject(400, QStringLiteral("The request line holds a control character."));
    return {};
  }
  const qsizetype headLength = end + 4;
  const QByteArrayView head = Pending.first(end + 2); // every line with its CR LF

  // Every line ends in CR LF; no other CR or LF, no NUL.
  QList<QByteArrayView> lines;
  for (qsizetype start = 0; start < head.size();) {
    const qsizetype cr = head.indexOf("\r\n", start);
    const QByteArrayView line = head.sliced(start, cr - start);
    if (line.contains('\r') || line.contains('\n'))
      return Reject(400, QStringLiteral("A line of the request's head does not end in CR LF."));
    lines << line;
    start = cr + 2;
  }
  if (lines.size() - 1 > Limits.MaxHeaderLines)
    return Reject(431, QStringLiteral("The request has more than %1 header lines.")
                           .arg(Limits.MaxHeaderLines));

  // The request line: METHOD SP target SP HTTP/1.x
  const QByteArrayView requestLine = lines.front();
  const qsizetype sp1 = requestLine.indexOf(' ');
  const qsizetype sp2 = sp1 < 0 ? -1 : requestLine.indexOf(' ', sp1 + 1);
  if (sp1 <= 0 || sp2 < 0 || requestLine.indexOf(' ', sp2 + 1) >= 0)
    return Reject(400, QStringLiteral("The request line is not METHOD TARGET HTTP/1.1."));
  const QByteArrayView method = requestLine.first(sp1);
  const QByteArrayView target = requestLine.sliced(sp1 + 1, sp2 - sp1 - 1);
  const QByteArrayView version = requestLine.sliced(sp2 + 1);
  for (char c : method)
    if (!IsTokenChar(c))
      return Reject(400, QStringLiteral("The request line is not METHOD TARGET HTTP/1.1."));
  bool known = false;
  for (const char* m : cMethods) known = known || method == QByteArrayView(m);
  if (!known)
    return Reject(405, QStringLiteral("The method %1 is not allowed.")
                           .arg(QString::fromLatin1(method.first(std::min<qsizetype>(method.size(), 20)))));
  if (target.isEmpty() || target.front() != '/')
    return Reject(400, QStringLiteral("The request target must be a path beginning with \"/\"."));
  if (target.size() > Limits.MaxTarget)
    return Reject(400, QStringLiteral("The request target is longer than %1 characters.")
                           .arg(Limits.MaxTarget));
  for (char c : target)
    if (c < 0x21 || c > 0x7e)
      return Reject(400, QStringLiteral("The request target holds a character that must be "
                                        "percent-encoded."));
  const bool http10 = version == QByteArrayView("HTTP/1.0");
  if (!http10 && version != QByteArrayView("HTTP/1.1"))
    return Reject(400, QStringLiteral("Only HTTP/1.1 and HTTP/1.0 are spoken here."));

  TFrame f;
  f.HeadComplete = true;
  bool keepAlive = false, close = false, haveLength = false, haveHost = false;
  qsizetype length = 0;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArrayView line = lines[i];
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
      return Reject(400, QStringLiteral("Header line %1 has no name and colon.").arg(i));
    const QByteArrayView name = line.first(colon);
    for (char c : name)
      if (!IsTokenChar(c))
        return Reject(400, QStringLiteral("Header line %1 has a malformed name.").arg(i));
    const QByteArrayView value = Trimmed(line.sliced(colon + 1));
    for (char c : value)
      if (!IsFieldValueChar(c))
        return Reject(400, QStringLiteral("Header line %1 holds a character outside printable "
                                          "ASCII.")
                               .arg(i));
    if (EqualsNoCase(name, "Content-Length")) {
      if (haveLength)
        return Reject(400, QStringLiteral("The request has more than one Content-Length."));
      haveLength = true;
      if (value.isEmpty() || value.size() > 18)
        return Reject(value.isEmpty() ? 400 : 413,
                      value.isEmpty()
                          ? QStringLiteral("Content-Length is empty.")
                          : QStringLiteral("The body is larger than %1 bytes.").arg(Limits.MaxBody));
      for (char c : value) {
        if (c < '0' || c > '9')
          return Reject(400, QStringLiteral("Content-Length is not a number."));
        length = length * 10 + (c - '0');
      }
    } else if (EqualsNoCase(name, "Transfer-Encoding")) {
      return Reject(411, QStringLiteral("Send the body with a Content-Length, not in chunks."));
    } else if (EqualsNoCase(name, "Upgrade")) {
      return Reject(400, QStringLiteral("The connection cannot be upgraded."));
    } else if (EqualsNoCase(name, "Expect")) {
      if (!EqualsNoCase(value, "100-continue"))
        return Reject(417, QStringLiteral("Only \"Expect: 100-continue\" is understood."));
      f.ExpectContinue = true;
    } else if (EqualsNoCase(name, "Connection")) {
      close = close || ListHas(value, "close");
      keepAlive = keepAlive || ListHas(value, "keep-alive");
    } else if (EqualsNoCase(name, "Host")) {
      if (haveHost) return Reject(400, QStringLiteral("The request has more than one Host."));
      haveHost = true;
    }
  }
  if (!haveHost && !http10) return Reject(400, QStringLiteral("An HTTP/1.1 request needs a Host."));
  if (length > Limits.MaxBody)
    return Reject(413, QStringLiteral("The body is larger than %1 bytes.").arg(Limits.MaxBody));
  f.BodyLength = length;
  f.Close = close || (http10 && !keepAlive);
  if (Pending.size() - headLength < length) return f; // NeedMore
  f.Kind = TFrame::TKind::Request;
  f.Length = headLength + length;
  f.ExpectContinue = false;
  return f;
}

QByteArray StatusReason(int Status)
{
  switch (Status) {
  case 100: return "Continue";
  case 200: return "OK";
  case 400: return "Bad Request";
  case 401: return "Unauthorized";
  case 403: return "Forbidden";
  case 404: return "Not Found";
  case 405: return "Method Not Allowed";
  case 408: return "Request Timeout";
  case 409: return "Conflict";
  case 411: return "Length Required";
  case 413: return "Payload Too Large";
  case 417: return "Expectation Failed";
  case 422: return "Unprocessable Entity";
  case 431: return "Request Header Fields Too Large";
  case 500: return "Internal Server Error";
  case 503: return "Service Unavailable";
  default: return "Error";
  }
}

QByteArray ErrorAnswer(int Status, const QString& Error)
{
  const QByteArray body =
      QJsonDocument(QJsonObject{{QStringLiteral("error"), Error}}).toJson(QJsonDocument::Compact) +
      '\n';
  return "HTTP/1.1 " + QByteArray::number(Status) + ' ' + StatusReason(Status) +
         "\r\nContent-Type: application/json\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" +
         body;
}
