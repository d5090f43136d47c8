#include "devices/SerialPort.h"

#include "controls/GvDateTime.h"
#include "devices/Clock.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace {
constexpr std::size_t cMaxReply = 256;

// Closes the line on every way out of a transaction.
class TLineCloser
{
public:
  explicit TLineCloser(TSerialLine& Line) : FLine(Line) {}
  ~TLineCloser() { FLine.Close(); }
  TLineCloser(const TLineCloser&) = delete;
  TLineCloser& operator=(const TLineCloser&) = delete;

private:
  TSerialLine& FLine;
};
} // namespace

TSerialPort::TSerialPort(const TDeviceContext& Context)
    : FClock(Context.Clock ? Context.Clock : &SystemClock()),
      FTransport(Context.Transport ? Context.Transport : &QtSerialTransport()),
      FOwnGuard(Context.Guard ? nullptr : std::make_shared<TLineGuard>()),
      FGuard(Context.Guard ? Context.Guard : FOwnGuard.get())
{
}

void TSerialPort::MarkLineDirty()
{
  FGuard->MarkDirty(Port, FRequestTime);
}

bool TSerialPort::SettleLine(TSerialLine& Line)
{
  double sentAt = 0;
  if (!FGuard->Dirty(Port, &sentAt)) return true;
  const double now = FClock->Now();
  const double guard = FGuard->GuardMs() / 86400000.0;
  // Quiet since the failed request at the earliest (a clock set back since
  // then counts from now).
  double quietFrom = std::min(sentAt, now);
  const unsigned poll = std::max(1u, WindowsReadLoopTimeoutMS);
  const unsigned maxPolls = 4 * FGuard->GuardMs() / poll + 2;
  for (unsigned polls = 0; polls < maxPolls; ++polls) {
    if (Line.BytesWaiting() > 0) {
      Line.DiscardInput();
      quietFrom = FClock->Now();
    }
    if (FClock->Now() - quietFrom >= guard - cDateEpsilon) {
      FGuard->MarkClean(Port);
      return true;
    }
    FClock->Sleep(poll);
  }
  return false;
}

void TSerialPort::TimeMark(int Step)
{
  if (!Debug) return;
  DebugMSG += QStringLiteral("Time  %1: ").arg(Step) +
              FormatDateTime(QStringLiteral("hh:nn:ss.zzz"), FClock->Now()) +
              QStringLiteral("\r\n");
}

bool TSerialPort::SetDCBState(TSerialLine& ComDevice)
{
  return ComDevice.Configure(BaudRate, Parity, StopBits);
}

bool TSerialPort::SetTimeOuts(TSerialLine& ComDevice)
{
  return ComDevice.SetTimeouts(TSerialTimeouts{});
}

bool TSerialPort::SetBuffers(TSerialLine& ComDevice)
{
  return ComDevice.SetBuffers(4096, 4096);
}

TSerialResponse TSerialPort::SendData(const void* Data, unsigned dataSize, bool WaitForResponse,
                                      TSerialResponse Response)
{
  TSerialResponse& R = Response;
  DebugMSG.clear();
  TimeMark(1);
  R.Status = SerialStatus::Unknown();
  R.ResponseLength = 0;

  TOpenedLine opened = FTransport->OpenWithReason(Port, *FClock);
  R.OpenFailure = opened.Failure;
  const std::unique_ptr<TSerialLine> line = std::move(opened.Line);
  if (!line) {
    R.Status = SerialStatus::PortInUse();
    return R;
  }
  TimeMark(2);
  const TLineCloser closer(*line);

  if (!SetDCBState(*line)) {
    R.Status = SerialStatus::PortInUse();
    return R;
  }
  TimeMark(3);
  if (!SetTimeOuts(*line)) {
    R.Status = SerialStatus::Timeouts();
    return R;
  }
  TimeMark(4);
  if (!SetBuffers(*line)) {
    R.Status = SerialStatus::BufferSize();
    return R;
  }
  TimeMark(5);

  // Whatever still waits now belongs to an earlier exchange and must not be
  // taken for this reply.
  line->DiscardInput();
  // After a failed exchange its reply may still be on its way.
  if (!SettleLine(*line)) {
    R.Status = SerialStatus::NotQuiet();
    return R;
  }

  FRequestTime = FClock->Now();
  if ((Data == nullptr && dataSize > 0) ||
      !line->Write(static_cast<const uint8_t*>(Data), dataSize)) {
    R.Status = SerialStatus::WriteFailed();
    MarkLineDirty();
    return R;
  }
  TimeMark(6);

  if (!WaitForResponse) {
    R.Response.clear();
    R.Status.clear();
    return R;
  }

  FClock->Sleep(WindowsReadLoopTimeoutMS);
  TimeMark(7);

  // Poll until the first byte is seen or the read-out time-out has passed.
  // Date-times within 0.1 ms count as equal, so that the rounding of summed
  // sleeps cannot add a poll. The loop also stops after as many polls as fit
  // into the time-out (plus slack), so that a wall clock set back during the
  // wait cannot stretch it.
  const unsigned poll = std::max(1u, WindowsReadLoopTimeoutMS);
  const unsigned maxPolls = ReadoutTimeoutMS / poll + 2;
  const double deadline = FClock->Now() + ReadoutTimeoutMS / 1000.0 / 86400.0 - cDateEpsilon;
  bool seen = false;
  for (unsigned polls = 0; polls < maxPolls && !seen && FClock->Now() < deadline; ++polls) {
    seen = line->BytesWaiting() > 0;
    FClock->Sleep(poll);
  }
  TimeMark(8);
  if (!seen) {
    R.Response.clear();
    R.Status = SerialStatus::Timeout();
    MarkLineDirty();
    return R;
  }

  std::array<uint8_t, cMaxReply> buffer{};
  std::size_t count = 0;
  if (!line->Read(buffer.data(), buffer.size(), count)) {
    R.Status = SerialStatus::ReadFailed();
    MarkLineDirty();
    return R;
  }
  count = std::min(count, cMaxReply);
  std::copy_n(buffer.begin(), count, R.rArray.begin() + 1);
  R.Response = QString::fromLatin1(reinterpret_cast<const char*>(buffer.data()),
                                   static_cast<qsizetype>(count));
  R.Status.clear();
  R.ResponseLength = static_cast<uint16_t>(count);
  TimeMark(9);
  R.ValueOfFirstWord = R.rArray[4] * 256 + R.rArray[5];
  R.ValueOfSecondWord = R.rArray[6] * 256 + R.rArray[7];
  return R;
}

QStringList GetExistingCommPorts()
{
  QStringList ports;
  const auto add = [&ports](const QString& name) {
    if (!name.isEmpty() && !ports.contains(name)) ports.append(name);
  };
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) add(info.systemLocation());
  const QString extra = qEnvironmentVariable("VERDANE_EXTRA_PORTS");
  for (const QString& name : extra.split(u':', Qt::SkipEmptyParts)) add(name);
  return ports;
}
