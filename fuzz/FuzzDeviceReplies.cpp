// Device bytes of every kind, as they come off the lines: each input is the
// reply to every register read and write of the controller protocol (as it
// came, and with its CRC made right so that the decoding behind the check is
// reached), the reply to the relay board's commands, and a request to the
// imaginary devices. Nothing may crash, what is taken for a value must be
// one, and only the device's own confirmation confirms a command.
#include "devices/Clock.h"
#include "devices/ImaginaryMixer.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Every transaction on it gets the same reply.
class TReplyTransport : public TSerialTransport
{
public:
  QByteArray Reply;
  std::unique_ptr<TSerialLine> Open(const QString&, TClock&) override
  {
    return std::make_unique<TLine>(Reply);
  }

private:
  class TLine : public TSerialLine
  {
  public:
    explicit TLine(const QByteArray& Reply) : FReply(Reply) {}
    bool Configure(int, int, int) override { return true; }
    bool SetTimeouts(const TSerialTimeouts&) override { return true; }
    bool SetBuffers(unsigned, unsigned) override { return true; }
    void DiscardInput() override { FInput.clear(); }
    bool Write(const uint8_t*, std::size_t) override
    {
      FInput = FReply;
      return true;
    }
    std::size_t BytesWaiting() override { return std::size_t(FInput.size()); }
    bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
    {
      Count = std::min(MaxCount, std::size_t(FInput.size()));
      std::memcpy(Buffer, FInput.constData(), Count);
      FInput.remove(0, qsizetype(Count));
      return true;
    }
    void Close() override {}

  private:
    const QByteArray& FReply;
    QByteArray FInput;
  };
};

void Check(bool Condition)
{
  if (!Condition) std::abort();
}

bool IsTextCharacter(QChar c)
{
  const char16_t u = c.unicode();
  return u == ' ' || u == '%' || u == '*' || u == ',' || u == '/' || u == '_' ||
         (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

void Reads(TVogtlinPort& Port, const QByteArray& Reply)
{
  // A reply is taken when it is a correct answer, or ends with one (after a
  // late confirmation); the line gives at most 256 bytes.
  const auto good = [&Reply](int Count) {
    const qsizetype read = std::min<qsizetype>(Reply.size(), 256);
    const qsizetype n = 5 + 2 * Count;
    if (read < n) return false;
    const char* at = Reply.constData() + (read - n);
    const uint16_t crc = CalculateCRC16(0xFFFF, at, int(n - 2));
    return uint8_t(at[n - 2]) == (crc & 0xFF) && uint8_t(at[n - 1]) == (crc >> 8) &&
           uint8_t(at[0]) == 1 && uint8_t(at[1]) == 3 && uint8_t(at[2]) == 2 * Count;
  };
  TSerialResponse r = Port.ReadU16(1, VogtlinRegister::Turndown);
  Check(r.Status.isEmpty() == good(1));
  if (r.Status.isEmpty()) Check(r.AsInteger >= 0 && r.AsInteger <= 0xFFFF);
  r = Port.ReadU8(1, VogtlinRegister::ActiveFluid, r);
  Check(r.Status.isEmpty() == good(1));
  r = Port.ReadF32(1, VogtlinRegister::Totalizer);
  Check(r.Status.isEmpty() == good(2));
  if (!r.Status.isEmpty()) Check(std::isnan(r.AsFloat));
  for (const bool longText : {false, true}) {
    r = longText ? Port.ReadS50(1, VogtlinRegister::LongName)
                 : Port.ReadS8(1, VogtlinRegister::ShortName);
    Check(r.Status.isEmpty() == good(longText ? 25 : 4));
    Check(r.AsString.size() <= (longText ? 50 : 8));
    for (QChar c : r.AsString) Check(IsTextCharacter(c));
    if (!longText && !r.AsString.isEmpty())
      Check(r.AsString.front() != u' ' && r.AsString.back() != u' ');
  }
}

// A write counts as confirmed only when what was read ends with its echo.
void Writes(TVogtlinPort& Port, const QByteArray& Reply)
{
  const auto endsWith = [&Reply](const char* Hex) {
    return Reply.left(256).endsWith(QByteArray::fromHex(Hex));
  };
  Check(WriteConfirmed(Port.WriteF32(1, VogtlinRegister::SetPoint, 1.0f)) ==
        endsWith("011000060002a1c9"));
  Check(WriteConfirmed(Port.WriteU8(1, VogtlinRegister::ActiveFluid, 2)) ==
        endsWith("010641390002cc3a"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  const QByteArray bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
  TVirtualClock clock;
  TReplyTransport transport;
  const TDeviceContext context{&clock, &transport};

  // The controller protocol: the reply as it came, and with a CRC that fits.
  TVogtlinPort bus(context);
  UseMFCBusSettings(bus);
  bus.Port = QStringLiteral("fuzz");
  transport.Reply = bytes;
  Reads(bus, transport.Reply);
  Writes(bus, transport.Reply);
  if (bytes.size() >= 2) {
    QByteArray fixed = bytes.left(bytes.size() - 2);
    const uint16_t crc = CalculateCRC16(0xFFFF, fixed.constData(), int(fixed.size()));
    fixed.append(char(crc & 0xFF));
    fixed.append(char(crc >> 8));
    transport.Reply = fixed;
    Reads(bus, transport.Reply);
    Writes(bus, transport.Reply);
  }

  // The relay board.
  TSerialPort relay(context);
  UseRelayBoardSettings(relay, false);
  relay.Port = QStringLiteral("fuzz");
  transport.Reply = bytes;
  const TSerialResponse test = RelayBoardSelfTest(relay);
  Check(RelayBoardSelfTestPassed(test) == (!bytes.isEmpty() && uint8_t(bytes[0]) == 85));
  Check(RelayBoardRelaysConfirmed(RelayBoardSetRelays(relay, 24)) == (bytes == QByteArray(1, 85)));
  const int reading = RelayBoardADCReading(RelayBoardReadADC(relay));
  Check(reading >= 0 && reading <= 0xFFFF);
  Check(reading == 0 || bytes.size() >= 2);
  if (const std::optional<double> ohm = BubblerThermistorResistance(reading))
    Check(std::isfinite(*ohm) && *ohm > 0);

  // The same bytes as a request to the imaginary devices, on either line.
  TImaginaryMixer mixer;
  for (TImaginaryLine line : {TImaginaryLine::RelayBoard, TImaginaryLine::ControllerBus}) {
    const qsizetype length = TImaginaryMixer::FrameLength(line, bytes);
    Check(length >= -1 && length <= 9 + 255);
  }
  unsigned delay = 0;
  mixer.RelayBoardFrame(bytes, 46000.5, &delay);
  mixer.ControllerBusFrame(bytes, 46000.5, &delay);
  return 0;
}
