#include "devices/SerialTransport.h"

#include "devices/Clock.h"
#include "devices/ImaginaryMixer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ---- A serial port of the operating system, in blocking use ----

// The device file of a port name, as QSerialPort finds it ("ttyUSB0" is
// /dev/ttyUSB0).
QString DevicePath(const QString& Port)
{
  return Port.startsWith(u'/') ? Port : QStringLiteral("/dev/") + Port;
}

class TQtSerialLine : public TSerialLine
{
public:
  TPortOpenFailure Open(const QString& Port)
  {
    FPort.setPortName(Port);
    if (!FPort.open(QIODevice::ReadWrite)) return WhyNotOpened(Port);
    // QSerialPort's lock file keeps other processes out; the advisory lock on
    // the open device also keeps out a second open inside this process.
    if (::flock(FPort.handle(), LOCK_EX | LOCK_NB) != 0) {
      FPort.close();
      return TPortOpenFailure::InUse;
    }
    return TPortOpenFailure::None;
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
  // QSerialPort calls a device that is held elsewhere and one the user may
  // not open both a permission error; the device file tells them apart.
  TPortOpenFailure WhyNotOpened(const QString& Port) const
  {
    const QByteArray path = QFile::encodeName(DevicePath(Port));
    struct stat info = {};
    if (FPort.error() == QSerialPort::DeviceNotFoundError ||
        (::stat(path.constData(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)))
      return TPortOpenFailure::NotFound;
    if (FPort.error() != QSerialPort::PermissionError) return TPortOpenFailure::Other;
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
      return TPortOpenFailure::NoPermission;
    return TPortOpenFailure::InUse;
  }

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

TOpenedLine TSerialTransport::OpenWithReason(const QString& Port, TClock& Clock)
{
  TOpenedLine opened{Open(Port, Clock)};
  if (!opened.Line) opened.Failure = TPortOpenFailure::Other;
  return opened;
}

std::unique_ptr<TSerialLine> TQtSerialTransport::Open(const QString& Port, TClock& Clock)
{
  return OpenWithReason(Port, Clock).Line;
}

TOpenedLine TQtSerialTransport::OpenWithReason(const QString& Port, TClock&)
{
  if (Port.isEmpty()) return {nullptr, TPortOpenFailure::Other};
  auto line = std::make_unique<TQtSerialLine>();
  const TPortOpenFailure failure = line->Open(Port);
  if (failure != TPortOpenFailure::None) return {nullptr, failure};
  return {std::move(line), TPortOpenFailure::None};
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
  return OpenWithReason(Port, Clock).Line;
}

TOpenedLine TDeviceTransport::OpenWithReason(const QString& Port, TClock& Clock)
{
  if (Port == FakePortName()) {
    if (TImaginaryMixer* mixer = FMixer.load())
      return {std::make_unique<TImaginaryMixerLine>(*mixer, Clock), TPortOpenFailure::None};
  }
  return FSerial->OpenWithReason(Port, Clock);
}

QString PortOpenAdvice(const QString& Port, TPortOpenFailure Failure)
{
  switch (Failure) {
  case TPortOpenFailure::NoPermission: {
    QString group = QStringLiteral("dialout");
    struct stat info = {};
    if (::stat(QFile::encodeName(DevicePath(Port)).constData(), &info) == 0) {
      struct group entry = {};
      struct group* found = nullptr;
      char buffer[4096];
      if (::getgrgid_r(info.st_gid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        group = QString::fromLocal8Bit(found->gr_name);
    }
    return QStringLiteral("No permission to open %1: add your user to the group %2 and log in "
                          "again")
        .arg(Port, group);
  }
  case TPortOpenFailure::NotFound:
    return QStringLiteral("%1 does not exist (any more): plug its adapter in, press \"Find "
                          "ports\" and pick the port again")
        .arg(Port);
  default:
    return QString();
  }
}
