#include "devices/RelayBoard.h"

namespace {
TSerialResponse Command(TSerialPort& Port, std::initializer_list<uint8_t> Bytes,
                        TSerialResponse& Response)
{
  const QByteArray frame(reinterpret_cast<const char*>(std::data(Bytes)), qsizetype(Bytes.size()));
  return Port.SendData(frame.constData(), unsigned(frame.size()), true, std::move(Response));
}
} // namespace

void UseRelayBoardSettings(TSerialPort& Port, bool Debug)
{
  Port.BaudRate = 115200;
  Port.Parity = 0;
  Port.StopBits = 2;
  Port.WindowsReadLoopTimeoutMS = 5;
  Port.ReadoutTimeoutMS = 50;
  Port.Debug = Debug;
}

TSerialResponse RelayBoardSelfTest(TSerialPort& Port, TSerialResponse Response)
{
  TSerialResponse R = Command(Port, {254, 33}, Response);
  if (R.Status.isEmpty() && !RelayBoardSelfTestPassed(R)) Port.MarkLineDirty();
  return R;
}

TSerialResponse RelayBoardSetRelays(TSerialPort& Port, uint8_t Mask, TSerialResponse Response)
{
  TSerialResponse R = Command(Port, {254, 40, uint8_t(Mask & 0x3F)}, Response);
  if (R.Status.isEmpty() && !RelayBoardRelaysConfirmed(R)) Port.MarkLineDirty();
  return R;
}

TSerialResponse RelayBoardReadADC(TSerialPort& Port, TSerialResponse Response)
{
  TSerialResponse R = Command(Port, {254, 158}, Response);
  if (R.Status.isEmpty() && R.ResponseLength != 2) Port.MarkLineDirty();
  return R;
}

uint8_t RelayBoardMask(int V1, int V2, int V3, int V4, int V5, int V6)
{
  const auto bit = [](int v, int k) { return v ? 1 << k : 0; };
  return uint8_t(bit(V1, 0) | bit(V2, 1) | bit(V3, 2) | bit(V4, 3) | bit(V5, 4) | bit(V6, 5));
}

int RelayBoardReplyByte(const TSerialResponse& Response, int Index)
{
  if (!Response.Status.isEmpty() || Index < 1 || Index > Response.ResponseLength) return 0;
  return Response.rArray[std::size_t(Index)];
}

bool RelayBoardSelfTestPassed(const TSerialResponse& Response)
{
  return RelayBoardReplyByte(Response, 1) == 85;
}

bool RelayBoardRelaysConfirmed(const TSerialResponse& Response)
{
  return Response.ResponseLength == 1 && RelayBoardReplyByte(Response, 1) == 85;
}

int RelayBoardADCReading(const TSerialResponse& Response)
{
  if (!Response.Status.isEmpty() || Response.ResponseLength < 2) return 0;
  return RelayBoardReplyByte(Response, 1) * 256 + RelayBoardReplyByte(Response, 2);
}

std::optional<double> BubblerThermistorResistance(int Reading)
{
  if (Reading <= 0 || Reading >= 1024) return std::nullopt;
  const double volts = Reading * 0.0048828125;
  const double f = volts / 5.0;
  return 10000.0 * f / (1.0 - f);
}
