#include "devices/SerialTransport.h"

#include "devices/Clock.h"
#include "devices/ImaginaryMixer.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <algorithm>
#include <cstring>
#include <sys/file.h>
#include <sys/ioctl.h>

namespace {

// ---- A serial port of the operating system, in blocking use ----

class TQtSerialLine : public TSerialLine
{
public:
  bool Open(const QString& Port)
  {
    FPort.setPortName(Port);
    if (!FPort.open(QIODevice::ReadWrite)) return false;
    // QSerialPort's lock file keeps other processes out; the advisory lock on
    // the open device also keeps out a second open inside this process.
    if (::flock(FPort.handle(), LOCK_EX | LOCK_NB) != 0) {
      FPort.close();
      return false;
    }
    return true;
  }

  bool Configure(int BaudRate, int Parity, int StopBits) override
  {
    static constexpr QSerialPort::Parity parities[] = {
        QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    static constexpr QSerialPort::StopBits stopBits[] = {
        QSerialPort::OneStop, QSerialPort::OneAndHalfStop, QSerialPort::TwoStop};
    // One and a half stop bits go only with 5 data bits; with 8 no line has them.
    if (BaudRate <= 0 || Parity < 0 || Parity > 4 || StopBits < 0 || StopBits > 2 || StopBits == 1)
      return false;
    const bool ok = FPort.setBaudRate(BaudRate) && FPort.setDataBits(QSerialPort::Data8) &&
                    FPort.setParity(parities[Parity]) && FPort.setStopBits(stopBits[StopBits]) &&
                    FPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) return false;
    // A line without modem lines (a pseudo-terminal) refuses these; that is
    // not a failure.
    FPort.setDataTerminalReady(true);
    FPort.setRequestToSend(true);
    FPort.clearError();
    return true;
  }

  bool SetTimeouts(const TSerialTimeouts& Timeouts) override
  {
    FTimeouts = Timeouts;
    return true;
  }

  bool SetBuffers(unsigned InQueue, unsigned OutQueue) override
  {
    // The driver's queues are its own business; only the read buffer of
    // QSerialPort is bounded, and it never needs to hold more than a reply.
    FPort.setReadBufferSize(static_cast<qint64>(InQueue));
    return true;
  }

  void DiscardInput() override
  {
    FPort.clear(QSerialPort::Input);
    FPort.clearError();
  }

  bool Write(const uint8_t* Data, std::size_t Count) override
  {
    if (Count == 0) return true;
    const qint64 limit = qint64(FTimeouts.WriteTotalConstantMs) +
                         qint64(FTimeouts.WriteTotalMultiplierMs) * qint64(Count);
    QElapsedTimer timer;
    timer.start();
    if (FPort.write(reinterpret_cast<const char*>(Data), qint64(Count)) != qint64(Count))
      return false;
    while (FPort.bytesToWrite() > 0) {
      const qint64 left = limit - timer.elapsed();
      if (left <= 0 || !FPort.waitForBytesWritten(int(left))) return false;
    }
    return true;
  }

  std::size_t BytesWaiting() override
  {
    int queued = 0;
    if (::ioctl(FPort.handle(), FIONREAD, &queued) != 0) queued = 0;
    const qint64 buffered = FPort.bytesAvailable();
    FPort.clearError();
    return std::size_t(std::max(0, queued)) + std::size_t(std::max<qint64>(0, buffered));
  }

  bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
  {
    Count = 0;
    const qint64 limit = qint64(FTimeouts.ReadTotalConstantMs) +
                         qint64(FTimeouts.ReadTotalMultiplierMs) * qint64(MaxCount);
    QElapsedTimer timer;
    timer.start();
    while (Count < MaxCount) {
      const qint64 got =
          FPort.read(reinterpret_cast<char*>(Buffer + Count), qint64(MaxCount - Count));
      if (got < 0) return false;
      Count += std::size_t(got);
      if (Count >= MaxCount) break;
      const qint64 total = limit - timer.elapsed();
      if (total <= 0) break;
      // Before the first byte only the total time-out applies; after it, the
      // read ends once the line stays silent for the interval time-out.
      const qint64 wait = Count == 0 ? total : std::min<qint64>(total, FTimeouts.ReadIntervalMs);
      if (!FPort.waitForReadyRead(int(wait))) {
        if (FPort.error() != QSerialPort::TimeoutError) return false;
        FPort.clearError();
        break;
      }
    }
    return true;
  }

  void Close() override
  {
    if (FPort.isOpen()) FPort.close();
  }

private:
  QSerialPort FPort;
  TSerialTimeouts FTimeouts;
};

// ---- A line to the imaginary mixer ----

// Each write is one whole request; the reply is ready at once (or, from a slow
// device, after its delay by the transaction's clock), so the transaction
// finds it on its first poll, in real or in virtual time. A request on a line
// that a fault has taken away cannot be written.
class TImaginaryMixerLine : public TSerialLine
{
public:
  TImaginaryMixerLine(TImaginaryMixer& Mixer, TClock& Clock) : FMixer(Mixer), FClock(Clock) {}

  bool Configure(int BaudRate, int Parity, int StopBits) override
  {
    // The same settings as a real line accepts.
    return BaudRate > 0 && Parity >= 0 && Parity <= 4 && (StopBits == 0 || StopBits == 2);
  }
  bool SetTimeouts(const TSerialTimeouts&) override { return true; }
  bool SetBuffers(unsigned, unsigned) override { return true; }
  void DiscardInput() override
  {
    Arrive();
    FInput.clear();
  }

  bool Write(const uint8_t* Data, std::size_t Count) override
  {
    if (Count == 0) return true;
    const QByteArray frame(reinterpret_cast<const char*>(Data), qsizetype(Count));
    const double now = FClock.Now();
    if (FMixer.LineGone(TImaginaryMixer::FakePortLine(frame), now)) return false;
    unsigned delayMs = 0;
    const QByteArray reply = FMixer.FakePortFrame(frame, now, &delayMs);
    if (reply.isEmpty()) return true;
    FLate.append({now + delayMs / 86400000.0, reply});
    Arrive();
    return true;
  }

  std::size_t BytesWaiting() override
  {
    Arrive();
    return std::size_t(FInput.size());
  }

  bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
  {
    Arrive();
    Count = std::min(MaxCount, std::size_t(FInput.size()));
    std::memcpy(Buffer, FInput.constData(), Count);
    FInput.remove(0, qsizetype(Count));
    return true;
  }

  void Close() override
  {
    FInput.clear();
    FLate.clear();
  }

private:
  // Moves the replies whose time has come into the input.
  void Arrive()
  {
    const double now = FClock.Now();
    while (!FLate.isEmpty() && FLate.first().first <= now) FInput += FLate.takeFirst().second;
  }

  TImaginaryMixer& FMixer;
  TClock& FClock;
  QByteArray FInput;
  QList<std::pair<double, QByteArray>> FLate; // (due time, bytes), oldest first
};

} // namespace

std::unique_ptr<TSerialLine> TQtSerialTransport::Open(const QString& Port, TClock&)
{
  if (Port.isEmpty()) return nullptr;
  auto line = std::make_unique<TQtSerialLine>();
  if (!line->Open(Port)) return nullptr;
  return line;
}

TSerialTransport& QtSerialTransport()
{
  static TQtSerialTransport transport;
  return transport;
}

TDeviceTransport::TDeviceTransport(TImaginaryMixer* Mixer, TSerialTransport* Serial)
    : FMixer(Mixer), FSerial(Serial ? Serial : &QtSerialTransport())
{
}

std::unique_ptr<TSerialLine> TDeviceTransport::Open(const QString& Port, TClock& Clock)
{
  if (Port == FakePortName()) {
    if (TImaginaryMixer* mixer = FMixer.load())
      return std::make_unique<TImaginaryMixerLine>(*mixer, Clock);
  }
  return FSerial->Open(Port, Clock);
}
