// Finds where one HTTP/1.x request ends in the bytes a client has sent, and
// refuses what the interface does not take, before any of it reaches the
// HTTP server: a head larger than its limit, a body announced larger than
// its limit, a body without a length, a malformed head, an upgrade. A plain
// function over the bytes received so far; it never looks past its limits,
// so a client cannot make it hold more than a head and a body's worth.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

struct TFramerLimits
{
  qsizetype MaxHead = 16 * 1024; // request line and header lines with their ends
  qsizetype MaxBody = 64 * 1024;
  qsizetype MaxTarget = 4096; // the request target (path and query)
  int MaxHeaderLines = 100;
};

struct TFrame
{
  enum class TKind
  {
    NeedMore, // the request has not come whole yet
    Request,  // the first Length bytes are one whole request
    Reject    // answer Status with Error and close the connection
  };
  TKind Kind = TKind::NeedMore;
  qsizetype Length = 0;     // Request: bytes of the request, head and body
  qsizetype BodyLength = 0; // from the head, once it is whole
  bool HeadComplete = false;
  // The head asks for "100 Continue" before it sends its body.
  bool ExpectContinue = false;
  // The client asks to end the connection after the answer (Connection:
  // close, or HTTP/1.0 without keep-alive).
  bool Close = false;
  int Status = 0; // Reject: 400, 405, 408, 411, 413, 417 or 431
  QString Error;  // Reject: why, for the answer's {"error": ...}
};

// Looks at the start of Pending, the bytes received and not yet passed on.
TFrame FrameRequest(QByteArrayView Pending, const TFramerLimits& Limits = {});

// The reason phrase of an HTTP status this interface answers with.
QByteArray StatusReason(int Status);

// A whole answer with a JSON body {"error": Error} that closes the
// connection: for refusals made before a request reaches the server.
QByteArray ErrorAnswer(int Status, const QString& Error);
