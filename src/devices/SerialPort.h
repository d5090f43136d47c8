// One complete request/reply exchange on a serial port per call, and the list
// of serial ports the system knows.
//
// A TSerialPort never keeps its port open: every SendData opens the port
// exclusively, configures it, discards input left waiting from an earlier
// exchange (on a line where an earlier exchange failed, until the line has
// been quiet for the guard time: see TLineGuard), writes, optionally waits for
// and reads the reply, and closes the port again. Failures never raise; they
// come back as a fixed text in TSerialResponse::Status.
#pragma once

#include "devices/LineGuard.h"
#include "devices/SerialTransport.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

class TClock;

// What a transaction needs from its surroundings: the clock that every wait
// and every "now" goes through, the transport that opens the port, and the
// guard that remembers which lines an earlier transaction left dirty. Null
// members mean SystemClock(), the plain serial ports, and a guard of the port
// object's own (which knows only the port object's own transactions).
struct TDeviceContext
{
  TClock* Clock = nullptr;
  TSerialTransport* Transport = nullptr;
  TLineGuard* Guard = nullptr;
};

// Everything one transaction (or a series of them on the same record)
// learned. Texts start empty and numbers at 0.
struct TSerialResponse
{
  QString SentMessage;  // not filled
  QString Response;     // reply bytes as text, one Latin-1 character per byte
  double rDouble = 0.0; // not filled
  // Raw reply bytes, indexed 1..256 as the protocols count them: rArray[i] is
  // the i-th byte received; rArray[0] is unused. Entries past the reply keep
  // their previous content.
  std::array<uint8_t, 257> rArray{};
  std::array<uint16_t, 16> WordArray{}; // not filled
  int ValueOfFirstWord = 0;             // rArray[4] * 256 + rArray[5]
  int ValueOfSecondWord = 0;            // rArray[6] * 256 + rArray[7]
  QString Status;                       // empty on success, else a failure text
  // Why the port could not be opened (Status is then "Failed to setup Com
  // port, port in use"); None when it was.
  TPortOpenFailure OpenFailure = TPortOpenFailure::None;
  // Number of bytes read, 0 when nothing was read. Wide enough for a full
  // 256-byte reply.
  uint16_t ResponseLength = 0;
  QString AsHex; // reply bytes as "HH " groups (register reads)
  QString AsInt; // reply bytes as decimal numbers each followed by a blank
  float AsFloat = 0.0f;
  int AsInteger = 0;
  QString AsString;
};

// The status texts of a transaction.
namespace SerialStatus {
inline QString Unknown()
{
  return QStringLiteral("Unknown problem reading serial port");
}
inline QString PortInUse()
{
  return QStringLiteral("Failed to setup Com port, port in use");
}
inline QString Timeouts()
{
  return QStringLiteral("Failed to setup Com port timeouts");
}
inline QString BufferSize()
{
  return QStringLiteral("Failed to setup Com port buffer size");
}
inline QString WriteFailed()
{
  return QStringLiteral("Failed to write to Com port");
}
inline QString Timeout()
{
  return QStringLiteral("Timeout while waiting for response");
}
inline QString ReadFailed()
{
  return QStringLiteral("Failed to read from Com port");
}
inline QString NotQuiet()
{
  return QStringLiteral("Com port does not fall quiet after an earlier failure");
}
} // namespace SerialStatus

class TSerialPort
{
public:
  explicit TSerialPort(const TDeviceContext& Context = {});
  virtual ~TSerialPort() = default;

  // Line settings and trace, read and set directly by the users.
  bool Debug = false;                      // when true, SendData time-stamps DebugMSG
  QString DebugMSG;                        // trace of the last SendData call
  QString Port;                            // port name as listed by GetExistingCommPorts
  unsigned WindowsReadLoopTimeoutMS = 333; // poll interval while waiting for a reply
  unsigned ReadoutTimeoutMS = 1000;        // how long to wait for the first reply byte
  int BaudRate = 9600;
  int StopBits = 0; // 0 one, 1 one and a half, 2 two
  int Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space

  // One complete transaction: sends dataSize bytes from Data and, when
  // WaitForResponse, waits for the reply and reads it. The record passed in
  // is updated and returned (bytes past the reply keep their content). A
  // reply that does not come in time, a read or a write that fails, leaves
  // the line dirty. On a dirty line the request goes out only once the line
  // has been quiet for the guard time (input meanwhile is discarded); a line
  // that does not fall quiet within four guard times is not written to
  // ("Com port does not fall quiet after an earlier failure").
  TSerialResponse SendData(const void* Data, unsigned dataSize, bool WaitForResponse,
                           TSerialResponse Response = {});

  // The reply of the last transaction cannot answer its request (garbled, cut,
  // another device's): whatever answers that request may still come, so the
  // line is dirty.
  void MarkLineDirty();

  TClock& Clock() const { return *FClock; }
  TSerialTransport& Transport() const { return *FTransport; }
  TLineGuard& Guard() const { return *FGuard; }

protected:
  // Steps of SendData.
  bool SetDCBState(TSerialLine& ComDevice);
  bool SetTimeOuts(TSerialLine& ComDevice);
  bool SetBuffers(TSerialLine& ComDevice);

private:
  void TimeMark(int Step);
  // Discards what comes on a dirty line until it has been quiet for the guard
  // time; false when it does not fall quiet.
  bool SettleLine(TSerialLine& Line);

  TClock* FClock;
  TSerialTransport* FTransport;
  std::shared_ptr<TLineGuard> FOwnGuard; // when the context brings none
  TLineGuard* FGuard;
  double FRequestTime = 0; // when the last request was written
};

// The serial ports the system knows, by their system location, followed by
// the ":"-separated paths of the environment variable VERDANE_EXTRA_PORTS
// (pseudo-terminals, socat bridges, network serial servers). Duplicates are
// dropped, the order is kept.
QStringList GetExistingCommPorts();
