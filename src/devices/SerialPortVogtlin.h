// The register protocol of the Vögtlin mass flow controllers: Modbus RTU on
// one serial bus, the controllers at device addresses 1 (gas A) and 2 (gas B).
// Each operation builds one request frame with its CRC, runs it as one
// transaction and decodes the reply into the response record.
//
// The bus settings every user applies: 9600 baud, 8 data bits, no parity, two
// stop bits, poll 10 ms, read-out time-out 50 ms (UseMFCBusSettings).
#pragma once

#include "devices/SerialPort.h"

#include <cstdint>

// CRC-16/MODBUS (reflected polynomial 0xA001, no final XOR), table-driven.
// Continues the running CRC over Count bytes at Data; returns CRC unchanged for
// a null pointer or a count that is not positive. Frames start from 0xFFFF
// and carry the result low byte first.
uint16_t CalculateCRC16(uint16_t CRC, const void* Data, int Count);

// Status texts of the register operations.
namespace VogtlinStatus {
inline QString WrongLength()
{
  return QStringLiteral("Wrong amount of data waiting");
}
inline QString NoResult()
{
  return QStringLiteral("No result to read");
}
inline QString BadCRC()
{
  return QStringLiteral("CRC error in response");
}
inline QString NotTheAnswer()
{
  return QStringLiteral("Response does not answer the request");
}
} // namespace VogtlinStatus

class TVogtlinPort : public TSerialPort
{
public:
  using TSerialPort::TSerialPort;

  // Register reads (function 3). Each needs a reply of exactly 5 + 2 x count
  // bytes with a correct CRC, from the addressed controller, for function 3
  // and with the byte count 2 x count: a reply garbled on the line, or one
  // meant for the other controller, is never taken for a reading, and leaves
  // the line dirty (TLineGuard); such a reply at the end of what was read
  // (after stray bytes) is taken, moved to the front of rArray. On success
  // AsHex and AsInt get the reply bytes appended and Status is empty;
  // otherwise Status is "Wrong amount of data waiting" (a reply of another
  // length, such as a Modbus exception), "No result to read" (nothing read),
  // "CRC error in response" or "Response does not answer the request".
  // One register, unsigned: AsInteger = AsFloat = the 16-bit value.
  TSerialResponse ReadU8(unsigned DeviceAddress, unsigned MemoryAddress,
                         TSerialResponse Response = {});
  TSerialResponse ReadU16(unsigned DeviceAddress, unsigned MemoryAddress,
                          TSerialResponse Response = {});
  // Four registers: AsString = the printable characters of the 8 bytes
  // (blank % * , / 0-9 A-Z a-z _), trimmed.
  TSerialResponse ReadS8(unsigned DeviceAddress, unsigned MemoryAddress,
                         TSerialResponse Response = {});
  // 25 registers: AsString = the printable characters of the 50 bytes, not
  // trimmed.
  TSerialResponse ReadS50(unsigned DeviceAddress, unsigned MemoryAddress,
                          TSerialResponse Response = {});
  // Two registers: AsFloat = the IEEE-754 single, most significant byte
  // first; NaN when the read failed.
  TSerialResponse ReadF32(unsigned DeviceAddress, unsigned MemoryAddress,
                          TSerialResponse Response = {});

  // Register writes: function 6 with one 16-bit value, and function 16 with
  // a single as two registers, most significant byte first. Each waits for
  // the controller's confirmation, the Modbus echo of the write (function 6:
  // the whole request; function 16: address, function, register and count
  // with their CRC), and pauses 10 ms after it. The write counts as done
  // (empty Status, WriteConfirmed) only when that echo came: not when nothing
  // came (the transaction's status, "Timeout while waiting for response"), nor
  // for another reply, such as an exception or the echo of another register
  // ("Wrong amount of data waiting", "CRC error in response" or "Response does
  // not answer the request"). As with reads, the echo at the end of what was
  // read is taken.
  TSerialResponse WriteU8(unsigned DeviceAddress, unsigned MemoryAddress, uint16_t Value,
                          TSerialResponse Response = {});
  TSerialResponse WriteF32(unsigned DeviceAddress, unsigned MemoryAddress, float Value,
                           TSerialResponse Response = {});

private:
  TSerialResponse ReadRegisters(unsigned DeviceAddress, unsigned MemoryAddress, int Count,
                                TSerialResponse& Response);
  TSerialResponse Send(QByteArray Frame, bool WaitForResponse, TSerialResponse& Response);
  // Sends a write request and checks its confirmation against Echo.
  TSerialResponse Write(const QByteArray& Frame, const QByteArray& Echo, TSerialResponse& Response);
};

// Whether a register write was confirmed by its controller.
inline bool WriteConfirmed(const TSerialResponse& Response)
{
  return Response.Status.isEmpty();
}

// Applies the controller bus settings to a port.
void UseMFCBusSettings(TSerialPort& Port);

// The registers the mixer uses.
namespace VogtlinRegister {
constexpr unsigned Totalizer = 0x0004;      // F32, kilograms (x 1000 = grams)
constexpr unsigned SetPoint = 0x0006;       // F32, in the active fluid's flow unit
constexpr unsigned DeviceType = 0x0023;     // S8, begins with "GSC"
constexpr unsigned ActiveFluid = 0x4139;    // U16, the fluid in use
constexpr unsigned FluidIndex = 0x5FFF;     // U16, the fluid the data registers show
constexpr unsigned FullScale = 0x6020;      // F32
constexpr unsigned LongName = 0x6022;       // S50
constexpr unsigned ShortName = 0x6042;      // S8
constexpr unsigned FlowUnit = 0x6046;       // S8
constexpr unsigned Turndown = 0x6122;       // U16
constexpr unsigned TotalizerReset = 0x6380; // F32, 0.0 resets the totalizer
} // namespace VogtlinRegister
