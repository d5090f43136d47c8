// The bytes a client of the remote interface sends: the framing of requests
// before they reach the HTTP server, and the JSON bodies of the mixture,
// command and sequence routes. Nothing may crash or hang; a request found
// lies within the bytes and the limits; a body taken keeps its form on the
// way back.
#include "remote/RemoteJson.h"
#include "remote/RequestFramer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdlib>

namespace {
void Check(bool Condition)
{
  if (!Condition) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  if (Size < 1) return 0;
  const QByteArrayView body(reinterpret_cast<const char*>(Data + 1), qsizetype(Size - 1));
  TApiError e;
  switch (Data[0] % 5) {
  case 0: {
    TFramerLimits limits;
    limits.MaxHead = 512; // small limits reach their edges with small inputs
    limits.MaxBody = 1024;
    const TFrame f = FrameRequest(body, limits);
    if (f.Kind == TFrame::TKind::Request) {
      Check(f.Length > 0 && f.Length <= body.size());
      Check(f.Length <= limits.MaxHead + limits.MaxBody);
      Check(FrameRequest(body.first(f.Length), limits).Kind == TFrame::TKind::Request);
    } else if (f.Kind == TFrame::TKind::Reject) {
      Check(f.Status >= 400 && f.Status < 500 && !f.Error.isEmpty());
    } else {
      Check(body.size() < limits.MaxHead + limits.MaxBody);
    }
    break;
  }
  case 1:
    if (!ParseMixtureBody(body, &e)) Check(e.Status == 400 && !e.Text.isEmpty());
    break;
  case 2:
    if (!ParseCommandBody(body, &e)) Check(e.Status == 400 && !e.Text.isEmpty());
    break;
  case 3:
    if (!ParseEmptyBody(body, &e)) Check(e.Status == 400);
    break;
  case 4:
    if (const auto s = ParseSequenceBody(body, &e)) {
      Check(qsizetype(s->Steps.size()) <= body.size());
      const QByteArray again = QJsonDocument(SequenceJson(*s)).toJson(QJsonDocument::Compact);
      const auto back = ParseSequenceBody(again, nullptr);
      Check(back && back->Steps.size() == s->Steps.size() && back->Repeat == s->Repeat &&
            back->End == s->End);
    } else {
      Check((e.Status == 400 || e.Status == 422) && !e.Text.isEmpty());
    }
    break;
  }
  return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
  static QCoreApplication app(*argc, *argv);
  return 0;
}
