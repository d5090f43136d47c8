// The seam between a serial transaction and the line it runs on. A transport
// opens a named port exclusively and hands out a line object; the line is
// configured, written, polled, read and closed by one transaction, then
// dropped. The real transport drives QSerialPort in blocking use (no event
// loop needed, so it also works on a worker thread); the device transport
// puts the imaginary mixer behind the port name "Fake port for testing".
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

class TClock;
class TImaginaryMixer;

// The list entry that stands for the imaginary mixer.
inline QString FakePortName()
{
  return QStringLiteral("Fake port for testing");
}

// Read and write time-outs of a line. A read waits at most ReadTotalConstantMs
// + ReadTotalMultiplierMs per requested byte, and ends early once
// ReadIntervalMs pass without a new byte; a write may take
// WriteTotalConstantMs + WriteTotalMultiplierMs per byte.
struct TSerialTimeouts
{
  unsigned ReadIntervalMs = 20;
  unsigned ReadTotalMultiplierMs = 10;
  unsigned ReadTotalConstantMs = 200;
  unsigned WriteTotalMultiplierMs = 10;
  unsigned WriteTotalConstantMs = 1000;
};

// One open serial line. All calls block the calling thread; none raises.
class TSerialLine
{
public:
  virtual ~TSerialLine() = default;
  // Baud rate, 8 data bits, parity code (0 none, 1 odd, 2 even, 3 mark,
  // 4 space), stop-bit code (0 one, 1 one and a half, 2 two), no handshake,
  // DTR and RTS raised where the line has modem lines (a line without them,
  // such as a pseudo-terminal, is not a failure). False when the line refuses
  // a setting.
  virtual bool Configure(int BaudRate, int Parity, int StopBits) = 0;
  virtual bool SetTimeouts(const TSerialTimeouts& Timeouts) = 0;
  // Queue sizes; a line that has no such setting accepts and ignores them.
  virtual bool SetBuffers(unsigned InQueue, unsigned OutQueue) = 0;
  // Throws away input that waits unread (left over from an earlier exchange).
  virtual void DiscardInput() = 0;
  // Sends all Count bytes within the write time-out; False otherwise.
  virtual bool Write(const uint8_t* Data, std::size_t Count) = 0;
  // Number of received bytes waiting to be read (0 on a line error, which the
  // call also clears).
  virtual std::size_t BytesWaiting() = 0;
  // Reads up to MaxCount bytes into Buffer, as the read time-outs allow; sets
  // Count to the number read. False when the line failed.
  virtual bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) = 0;
  virtual void Close() = 0;
};

// Why a port could not be opened.
enum class TPortOpenFailure
{
  None,         // it was opened
  InUse,        // held by another transaction of this or another process
  NoPermission, // the user may not open the device (on Linux: not in its group)
  NotFound,     // there is no such device (an adapter unplugged, a name mistyped)
  Other         // refused for another reason, or the transport cannot tell
};

// An opened line, or why there is none.
struct TOpenedLine
{
  std::unique_ptr<TSerialLine> Line;
  TPortOpenFailure Failure = TPortOpenFailure::None;
};

class TSerialTransport
{
public:
  virtual ~TSerialTransport() = default;
  // Opens Port exclusively. Null when the port does not exist, cannot be
  // opened, or is held by another transaction of this or another process.
  // Clock is the clock of the transaction that opens the line.
  virtual std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) = 0;
  // Opens Port as Open does, and says why when it cannot. A transport that
  // does not override it knows no reasons: every failure is Other.
  virtual TOpenedLine OpenWithReason(const QString& Port, TClock& Clock);
};

// The line for the feedback pane when a port could not be opened for lack of
// permission or because it does not exist: why, and what to do ("No
// permission to open /dev/ttyUSB0: add your user to the group dialout and log
// in again", the group being that of the device file, dialout when it cannot
// be read). Empty for the other failures, which say nothing new.
QString PortOpenAdvice(const QString& Port, TPortOpenFailure Failure);

// The serial ports of the operating system through QSerialPort. Exclusive
// across processes through QSerialPort's lock file, and inside this process
// as well through an advisory lock (flock) on the open device. Stateless.
class TQtSerialTransport : public TSerialTransport
{
public:
  std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) override;
  TOpenedLine OpenWithReason(const QString& Port, TClock& Clock) override;
};

// The process's plain serial transport (stateless, shared).
TSerialTransport& QtSerialTransport();

// The transport the application uses: the port name "Fake port for testing"
// reaches the attached imaginary mixer (relay board commands, which begin with
// the byte 254, go to its relay board, everything else to its controller bus);
// every other name, and the fake name while no mixer is attached, goes to the
// serial ports. The mixer must outlive every transaction that uses it. Lines to
// the imaginary mixer are not exclusive: each has its own reply queue, and the
// mixer serialises the requests.
class TDeviceTransport : public TSerialTransport
{
public:
  explicit TDeviceTransport(TImaginaryMixer* Mixer = nullptr, TSerialTransport* Serial = nullptr);
  void AttachMixer(TImaginaryMixer* Mixer) { FMixer = Mixer; }
  TImaginaryMixer* Mixer() const { return FMixer; }
  std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) override;
  TOpenedLine OpenWithReason(const QString& Port, TClock& Clock) override;

private:
  std::atomic<TImaginaryMixer*> FMixer;
  TSerialTransport* FSerial;
};
