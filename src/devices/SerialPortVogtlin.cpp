#include "devices/SerialPortVogtlin.h"

#include "devices/Clock.h"

#include <algorithm>
#include <array>
#include <bit>

namespace {

constexpr std::array<uint16_t, 256> MakeCRCTable()
{
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i);
    for (int bit = 0; bit < 8; ++bit)
      crc =
          (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    table[i] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> cCRCTable = MakeCRCTable();

void AppendCRC(QByteArray& Frame)
{
  const uint16_t crc = CalculateCRC16(0xFFFF, Frame.constData(), int(Frame.size()));
  Frame.append(char(crc & 0xFF));
  Frame.append(char(crc >> 8));
}

QByteArray Header(unsigned DeviceAddress, uint8_t Function, unsigned MemoryAddress)
{
  QByteArray frame;
  frame.append(char(DeviceAddress & 0xFF));
  frame.append(char(Function));
  frame.append(char((MemoryAddress >> 8) & 0xFF));
  frame.append(char(MemoryAddress & 0xFF));
  return frame;
}

// The characters a controller's text registers may show.
bool IsTextCharacter(uint8_t c)
{
  return c == ' ' || c == '%' || c == '*' || c == ',' || c == '/' || c == '_' ||
         (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

QString TextFrom(const TSerialResponse& R, int Count)
{
  QString text;
  for (int i = 0; i < Count; ++i) {
    const uint8_t c = R.rArray[std::size_t(4 + i)];
    if (IsTextCharacter(c)) text.append(QChar(c));
  }
  return text;
}

// Leading and trailing blanks and control characters removed.
QString Trimmed(const QString& S)
{
  qsizetype first = 0;
  qsizetype last = S.size();
  while (first < last && S.at(first).unicode() <= ' ') ++first;
  while (last > first && S.at(last - 1).unicode() <= ' ') --last;
  return S.mid(first, last - first);
}

constexpr float cFailedRead = std::bit_cast<float>(uint32_t(0xFFC00000));

} // namespace

uint16_t CalculateCRC16(uint16_t CRC, const void* Data, int Count)
{
  if (Data == nullptr || Count <= 0) return CRC;
  const auto* bytes = static_cast<const uint8_t*>(Data);
  for (int i = 0; i < Count; ++i)
    CRC = static_cast<uint16_t>((CRC >> 8) ^ cCRCTable[(bytes[i] ^ CRC) & 0xFF]);
  return CRC;
}

void UseMFCBusSettings(TSerialPort& Port)
{
  Port.BaudRate = 9600;
  Port.Parity = 0;
  Port.StopBits = 2;
  Port.WindowsReadLoopTimeoutMS = 10;
  Port.ReadoutTimeoutMS = 50;
}

TSerialResponse TVogtlinPort::Send(QByteArray Frame, bool WaitForResponse,
                                   TSerialResponse& Response)
{
  AppendCRC(Frame);
  return SendData(Frame.constData(), unsigned(Frame.size()), WaitForResponse, std::move(Response));
}

TSerialResponse TVogtlinPort::ReadRegisters(unsigned DeviceAddress, unsigned MemoryAddress,
                                            int Count, TSerialResponse& Response)
{
  QByteArray frame = Header(DeviceAddress, 0x03, MemoryAddress);
  frame.append(char(0));
  frame.append(char(Count));
  TSerialResponse R = Send(frame, true, Response);
  const int required = 5 + 2 * Count;
  // Whether the required bytes from reply byte First on carry a correct CRC,
  // and whether they answer this request.
  const auto crcFits = [&R, required](int First) {
    const uint8_t* bytes = R.rArray.data() + First;
    const uint16_t crc = CalculateCRC16(0xFFFF, bytes, required - 2);
    return bytes[required - 2] == (crc & 0xFF) && bytes[required - 1] == (crc >> 8);
  };
  const auto answers = [&R, DeviceAddress, Count](int First) {
    return R.rArray[std::size_t(First)] == (DeviceAddress & 0xFF) &&
           R.rArray[std::size_t(First) + 1] == 0x03 &&
           R.rArray[std::size_t(First) + 2] == 2 * Count;
  };
  // A write's confirmation, which the write does not read, may come late and
  // arrive just ahead of this reply: a complete, correct answer at the end of
  // what was read is still the answer. It is moved to the front.
  const int first = R.ResponseLength - required + 1;
  if (R.ResponseLength > required && crcFits(first) && answers(first)) {
    std::copy_n(R.rArray.begin() + first, required, R.rArray.begin() + 1);
    R.ResponseLength = uint16_t(required);
    R.ValueOfFirstWord = R.rArray[4] * 256 + R.rArray[5];
    R.ValueOfSecondWord = R.rArray[6] * 256 + R.rArray[7];
  }
  if (R.ResponseLength == required && !crcFits(1)) {
    R.Status = VogtlinStatus::BadCRC();
    MarkLineDirty();
  } else if (R.ResponseLength == required && !answers(1)) {
    R.Status = VogtlinStatus::NotTheAnswer();
    MarkLineDirty();
  } else if (R.ResponseLength == required) {
    for (int i = 1; i <= required; ++i) {
      const uint8_t b = R.rArray[std::size_t(i)];
      R.AsHex += QStringLiteral("%1 ").arg(b, 2, 16, QChar(u'0')).toUpper();
      R.AsInt += QString::number(b) + u' ';
    }
    R.Status.clear();
  } else if (R.ResponseLength != 0) {
    R.Status = VogtlinStatus::WrongLength();
    MarkLineDirty();
  } else {
    R.Status = VogtlinStatus::NoResult();
  }
  return R;
}

TSerialResponse TVogtlinPort::ReadU8(unsigned DeviceAddress, unsigned MemoryAddress,
                                     TSerialResponse Response)
{
  TSerialResponse R = ReadRegisters(DeviceAddress, MemoryAddress, 1, Response);
  if (R.Status.isEmpty()) {
    R.AsInteger = R.rArray[4] * 256 + R.rArray[5];
    R.AsFloat = float(R.AsInteger);
  }
  return R;
}

TSerialResponse TVogtlinPort::ReadU16(unsigned DeviceAddress, unsigned MemoryAddress,
                                      TSerialResponse Response)
{
  return ReadU8(DeviceAddress, MemoryAddress, std::move(Response));
}

TSerialResponse TVogtlinPort::ReadS8(unsigned DeviceAddress, unsigned MemoryAddress,
                                     TSerialResponse Response)
{
  TSerialResponse R = ReadRegisters(DeviceAddress, MemoryAddress, 4, Response);
  if (R.Status.isEmpty()) R.AsString = Trimmed(TextFrom(R, 8));
  return R;
}

TSerialResponse TVogtlinPort::ReadS50(unsigned DeviceAddress, unsigned MemoryAddress,
                                      TSerialResponse Response)
{
  TSerialResponse R = ReadRegisters(DeviceAddress, MemoryAddress, 25, Response);
  if (R.Status.isEmpty()) R.AsString = TextFrom(R, 50);
  return R;
}

TSerialResponse TVogtlinPort::ReadF32(unsigned DeviceAddress, unsigned MemoryAddress,
                                      TSerialResponse Response)
{
  TSerialResponse R = ReadRegisters(DeviceAddress, MemoryAddress, 2, Response);
  if (R.Status.isEmpty()) {
    const uint32_t bits = uint32_t(R.rArray[4]) << 24 | uint32_t(R.rArray[5]) << 16 |
                          uint32_t(R.rArray[6]) << 8 | uint32_t(R.rArray[7]);
    R.AsFloat = std::bit_cast<float>(bits);
  } else {
    R.AsFloat = cFailedRead;
  }
  return R;
}

TSerialResponse TVogtlinPort::Write(const QByteArray& Frame, const QByteArray& Echo,
                                    TSerialResponse& Response)
{
  QByteArray request = Frame;
  AppendCRC(request);
  QByteArray echo = Echo;
  AppendCRC(echo);
  TSerialResponse R =
      SendData(request.constData(), unsigned(request.size()), true, std::move(Response));
  if (R.Status.isEmpty()) {
    const int length = int(echo.size());
    const QByteArray reply(reinterpret_cast<const char*>(R.rArray.data() + 1), R.ResponseLength);
    if (reply.endsWith(echo)) {
      // Stray bytes ahead of the echo are dropped, as for a read.
      std::copy_n(echo.constData(), length, R.rArray.begin() + 1);
      R.ResponseLength = uint16_t(length);
    } else if (reply.size() != length) {
      R.Status = VogtlinStatus::WrongLength();
    } else if (CalculateCRC16(0xFFFF, reply.constData(), length - 2) !=
               uint16_t(uint8_t(reply[length - 2]) | uint8_t(reply[length - 1]) << 8)) {
      R.Status = VogtlinStatus::BadCRC();
    } else {
      R.Status = VogtlinStatus::NotTheAnswer();
    }
    if (!R.Status.isEmpty()) MarkLineDirty();
  }
  Clock().Sleep(10);
  return R;
}

TSerialResponse TVogtlinPort::WriteU8(unsigned DeviceAddress, unsigned MemoryAddress,
                                      uint16_t Value, TSerialResponse Response)
{
  QByteArray frame = Header(DeviceAddress, 0x06, MemoryAddress);
  frame.append(char(Value >> 8));
  frame.append(char(Value & 0xFF));
  return Write(frame, frame, Response);
}

TSerialResponse TVogtlinPort::WriteF32(unsigned DeviceAddress, unsigned MemoryAddress, float Value,
                                       TSerialResponse Response)
{
  QByteArray frame = Header(DeviceAddress, 0x10, MemoryAddress);
  const uint32_t bits = std::bit_cast<uint32_t>(Value);
  for (char c :
       {char(0), char(2), char(4), char(bits >> 24), char(bits >> 16), char(bits >> 8), char(bits)})
    frame.append(c);
  return Write(frame, frame.left(6), Response);
}
