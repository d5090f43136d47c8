// Faults that the imaginary mixer can play, one device at a time: a device
// that stays silent, answers too late, cuts its reply short, garbles one bit
// of it, refuses with a Modbus exception, answers with the other controller's
// address, or is gone altogether (its line closed, as when a USB adapter is
// unplugged, and later back under the same path).
//
// A fault begins with a given request to its device, or a given time after
// the faults were set up, or at once, and lasts for a given time or to the
// end. The same text form serves verdane-devsim's --fault option and tests.
#pragma once

#include <QList>
#include <QString>
#include <limits>
#include <optional>

// Which device a fault hits. The controller bus is both controllers together
// (the line they share).
enum class TFaultDevice
{
  RelayBoard,
  Controller1,
  Controller2,
  ControllerBus
};

enum class TFaultKind
{
  Silent,       // no reply, and the request is not acted on
  Slow,         // the reply comes SlowMs late (longer than a read-out time-out)
  Short,        // the reply is cut after ShortBytes bytes
  Corrupt,      // one bit of the reply flipped (so a controller's CRC is wrong)
  Exception,    // a controller refuses: Modbus exception 4, not acted on
  OtherAddress, // a controller's reply carries the other controller's address
  Gone          // the device's line is closed; afterwards back under the same path
};

struct TDeviceFault
{
  TFaultDevice Device = TFaultDevice::RelayBoard;
  TFaultKind Kind = TFaultKind::Silent;
  // Begins with the device's FromRequest-th request (counted from 1); 0: no
  // such condition.
  int FromRequest = 0;
  // Begins no earlier than AfterS seconds after the faults were set up.
  double AfterS = 0;
  // Lasts ForS seconds once begun; infinite: to the end.
  double ForS = std::numeric_limits<double>::infinity();
  int ShortBytes = 3;   // Short: bytes left of the reply (always fewer than it has)
  int SlowMs = 200;     // Slow: delay of the reply
  int CorruptByte = -1; // Corrupt: 0-based byte whose lowest bit flips; -1: the middle one
};

// The text form: DEVICE:KIND[:from=N][:after=S][:for=S][:bytes=K][:delay=MS][:byte=I]
// with DEVICE one of relay, mfc1, mfc2, mfc (the bus: both controllers) and
// KIND one of silent, slow, short, corrupt, exception, other-address, gone.
// Exception and other-address are for controllers only, gone for whole lines
// (relay or mfc). Nullopt with the reason in Error for anything else.
std::optional<TDeviceFault> ParseDeviceFault(const QString& Text, QString* Error = nullptr);
QString DeviceFaultText(const TDeviceFault& Fault);
// The lines that describe the text form (for --help).
QString DeviceFaultHelp();
