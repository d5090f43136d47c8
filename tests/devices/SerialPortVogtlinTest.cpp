// The controller register protocol against a scripted in-memory line, in
// virtual time.
#include "devices/SerialPortVogtlin.h"
#include "DeviceTestSupport.h"
#include "devices/Clock.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class VogtlinProtocol : public ::testing::Test
{
protected:
  VogtlinProtocol() : Port(TDeviceContext{&Clock, &Transport})
  {
    UseMFCBusSettings(Port);
    Port.Port = QStringLiteral("/dev/ttyMFC");
  }
  // A read reply from the controller at Address with the given data bytes.
  static QByteArray Reply(const QByteArray& Data, int Address = 1)
  {
    return WithCRC(Bytes({Address, 3, int(Data.size())}) + Data);
  }
  static QByteArray WithCRC(QByteArray Frame)
  {
    const uint16_t crc = CalculateCRC16(0xFFFF, Frame.constData(), int(Frame.size()));
    return Frame + Bytes({crc & 0xFF, crc >> 8});
  }

  TVirtualClock Clock;
  TScriptedTransport Transport;
  TVogtlinPort Port;
};

TEST(CRC16, CheckValueAndContinuation)
{
  EXPECT_EQ(CalculateCRC16(0xFFFF, "123456789", 9), 0x4B37);
  const uint16_t part = CalculateCRC16(0xFFFF, "1234", 4);
  EXPECT_EQ(CalculateCRC16(part, "56789", 5), 0x4B37);
  EXPECT_EQ(CalculateCRC16(0x1234, nullptr, 5), 0x1234);
  EXPECT_EQ(CalculateCRC16(0x1234, "x", 0), 0x1234);
  EXPECT_EQ(CalculateCRC16(0x1234, "x", -3), 0x1234);
}

TEST_F(VogtlinProtocol, RequestFrames)
{
  struct TCase
  {
    const char* Name;
    std::function<void(TVogtlinPort&)> Run;
    const char* Frame;
  };
  const TCase cases[] = {
      {"ReadS8 type", [](TVogtlinPort& p) { p.ReadS8(1, 0x0023); }, "01 03 00 23 00 04 B5 C3"},
      {"WriteF32 1.0", [](TVogtlinPort& p) { p.WriteF32(1, 6, 1.0f); },
       "01 10 00 06 00 02 04 3F 80 00 00 7E 79"},
      {"WriteU8 fluid", [](TVogtlinPort& p) { p.WriteU8(1, 0x4139, 2); },
       "01 06 41 39 00 02 CC 3A"},
      {"ReadU8", [](TVogtlinPort& p) { p.ReadU8(2, 0x4139); }, "02 03 41 39 00 01 40 08"},
      {"ReadU16", [](TVogtlinPort& p) { p.ReadU16(2, 0x6122); }, "02 03 61 22 00 01 3B CF"},
      {"ReadF32", [](TVogtlinPort& p) { p.ReadF32(1, 4); }, "01 03 00 04 00 02 85 CA"},
      {"ReadS50", [](TVogtlinPort& p) { p.ReadS50(1, 0x6022); }, "01 03 60 22 00 19 3A 0A"},
      {"WriteF32 0.4", [](TVogtlinPort& p) { p.WriteF32(2, 6, 0.4f); },
       "02 10 00 06 00 02 04 3E CC CC CD 25 83"},
      {"WriteF32 reset", [](TVogtlinPort& p) { p.WriteF32(1, 0x6380, 0.0f); },
       "01 10 63 80 00 02 04 00 00 00 00 47 3D"},
      {"WriteU8 index", [](TVogtlinPort& p) { p.WriteU8(2, 0x5FFF, 3); },
       "02 06 5F FF 00 03 EB DC"},
      // Only the low 8 bits of the address and the low 16 of the register go out.
      {"wide numbers", [](TVogtlinPort& p) { p.ReadS8(0x101, 0x10023); },
       "01 03 00 23 00 04 B5 C3"},
  };
  for (const TCase& c : cases) {
    Transport.Written.clear();
    c.Run(Port);
    ASSERT_EQ(Transport.Written.size(), 1) << c.Name;
    EXPECT_EQ(Transport.Written.first().toHex(' ').toUpper(), QByteArray(c.Frame)) << c.Name;
  }
}

TEST_F(VogtlinProtocol, F32Replies)
{
  const std::pair<const char*, float> cases[] = {{"3F 80 00 00", 1.0f},
                                                 {"00 00 00 00", 0.0f},
                                                 {"C1 20 00 00", -10.0f},
                                                 {"3A C4 9B A6", 0.0015f}};
  for (const auto& [data, value] : cases) {
    Transport.Replies = {Reply(Hex(data))};
    const TSerialResponse r = Port.ReadF32(1, 4);
    EXPECT_EQ(r.Status, QString()) << data;
    EXPECT_EQ(r.AsFloat, value) << data;
    EXPECT_EQ(r.AsHex, QString(Reply(Hex(data)).toHex(' ').toUpper()) + u' ');
  }
}

TEST_F(VogtlinProtocol, U16Replies)
{
  for (const auto& [data, value] : {std::pair{"00 02", 2}, {"00 78", 120}, {"FF FF", 65535}}) {
    for (bool wide : {false, true}) {
      Transport.Replies = {Reply(Hex(data), 2)};
      const TSerialResponse r = wide ? Port.ReadU16(2, 0x6122) : Port.ReadU8(2, 0x4139);
      EXPECT_EQ(r.Status, QString());
      EXPECT_EQ(r.AsInteger, value);
      EXPECT_EQ(r.AsFloat, float(value));
    }
  }
  Transport.Replies = {Reply(Hex("01 02"))};
  EXPECT_EQ(Port.ReadU8(1, 0x4139).AsInt, QStringLiteral("1 3 2 1 2 56 21 "));
}

TEST_F(VogtlinProtocol, TextReplies)
{
  const std::tuple<QByteArray, bool, QString> cases[] = {
      {QByteArray("GSC 123\0", 8), false, "GSC 123"}, // inner blank kept, 0 dropped
      {"N2-O2   ", false, "N2O2"},                    // hyphen dropped
      {" a.b_c%/", false, "ab_c%/"},                  // dot dropped, leading blank trimmed
      {"\t*,\x80\xFFZz9", false, "*,Zz9"},            // control and high bytes dropped
      {QByteArray("5%H2,95%Ar").leftJustified(50, ' '), true,
       QString("5%H2,95%Ar").leftJustified(50, u' ')}, // blanks kept
      {QByteArray("O2").leftJustified(50, '\0'), true, "O2"},
  };
  for (const auto& [data, longText, text] : cases) {
    Transport.Replies = {Reply(data)};
    const TSerialResponse r = longText ? Port.ReadS50(1, 0x6022) : Port.ReadS8(1, 0x6042);
    EXPECT_EQ(r.Status, QString()) << data.toStdString();
    EXPECT_EQ(r.AsString, text) << data.toStdString();
  }
}

// A reply of the right length is still no reading when it was garbled on the
// line or answers another request: the value fields stay as they were (NaN
// for a float).
TEST_F(VogtlinProtocol, GarbledOrForeignRepliesAreRefused)
{
  const QByteArray good = Reply(Hex("3F 80 00 00"));
  QByteArray flipped = good;
  flipped[4] = char(flipped[4] ^ 0x01);
  const std::pair<QByteArray, QString> cases[] = {
      {flipped, VogtlinStatus::BadCRC()},                                    // one bit
      {Hex("01 03 04 3F 80 00 00 12 34"), VogtlinStatus::BadCRC()},          // wrong CRC
      {Reply(Hex("3F 80 00 00"), 2), VogtlinStatus::NotTheAnswer()},         // controller 2
      {WithCRC(Hex("01 04 04 3F 80 00 00")), VogtlinStatus::NotTheAnswer()}, // function 4
      {WithCRC(Hex("01 03 02 3F 80 00 00")), VogtlinStatus::NotTheAnswer()}, // byte count
  };
  for (const auto& [reply, status] : cases) {
    SCOPED_TRACE(reply.toHex(' ').toStdString());
    TSerialResponse before;
    before.AsInteger = 77;
    Transport.Replies = {reply};
    TSerialResponse r = Port.ReadF32(1, 4, before);
    EXPECT_EQ(r.Status, status);
    EXPECT_TRUE(std::isnan(r.AsFloat));
    EXPECT_EQ(r.AsHex, QString());
    Transport.Replies = {reply.left(5) + reply.right(2)}; // same faults, 7 bytes
    r = Port.ReadU16(1, 0x6122, before);
    EXPECT_NE(r.Status, QString());
    EXPECT_EQ(r.AsInteger, 77);
  }
  Transport.Replies = {good};
  EXPECT_EQ(Port.ReadF32(1, 4).AsFloat, 1.0f);
}

// Stray bytes (such as a confirmation that came late) may sit just ahead of
// the next reply: the reply is still taken. Bytes ahead of a garbled or
// foreign reply are not.
TEST_F(VogtlinProtocol, AReplyAfterALateConfirmationIsTaken)
{
  const QByteArray confirmation = Hex("01 06 41 39 00 04 4C 38");
  Transport.Replies = {confirmation + Reply(Hex("00 04"))};
  TSerialResponse r = Port.ReadU16(1, 0x4139);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.AsInteger, 4);
  EXPECT_EQ(r.ResponseLength, 7);
  EXPECT_EQ(r.AsHex, QString(Reply(Hex("00 04")).toHex(' ').toUpper()) + u' ');
  Transport.Replies = {confirmation + Reply(Hex("3F 80 00 00"))};
  EXPECT_EQ(Port.ReadF32(1, 4).AsFloat, 1.0f);

  for (const QByteArray& tail : {Reply(Hex("00 04"), 2), Hex("01 03 02 00 04 00 00")}) {
    Transport.Replies = {confirmation + tail};
    r = Port.ReadU16(1, 0x4139);
    EXPECT_EQ(r.Status, VogtlinStatus::WrongLength());
    EXPECT_EQ(r.AsInteger, 0);
  }
}

TEST_F(VogtlinProtocol, WrongLengthAndNoReply)
{
  const std::pair<QByteArray, QString> cases[] = {
      {Hex("01 83 02 C0 F1"), VogtlinStatus::WrongLength()},                // exception reply
      {Hex("01 03 04 3F 80 00 00 00 00 00"), VogtlinStatus::WrongLength()}, // one too many
      {QByteArray(), VogtlinStatus::NoResult()},                            // time-out
  };
  for (const auto& [reply, status] : cases) {
    TSerialResponse before;
    before.AsInteger = 77;
    before.AsFloat = 5.0f;
    before.AsString = QStringLiteral("kept");
    Transport.Replies = {reply};
    TSerialResponse r = Port.ReadF32(1, 4, before);
    EXPECT_EQ(r.Status, status);
    EXPECT_EQ(std::bit_cast<uint32_t>(r.AsFloat), 0xFFC00000u);
    EXPECT_EQ(r.AsHex, QString());
    Transport.Replies = {reply};
    r = Port.ReadU16(1, 0x6122, before);
    EXPECT_EQ(r.Status, status);
    EXPECT_EQ(r.AsInteger, 77);
    EXPECT_EQ(r.AsFloat, 5.0f);
    Transport.Replies = {reply};
    r = Port.ReadS8(1, 0x23, before);
    EXPECT_EQ(r.Status, status);
    EXPECT_EQ(r.AsString, QStringLiteral("kept"));
  }
}

TEST_F(VogtlinProtocol, PortInUseReadsAsNoResult)
{
  Port.Port = QStringLiteral("busy");
  const TSerialResponse r = Port.ReadF32(1, 4);
  EXPECT_EQ(r.Status, VogtlinStatus::NoResult());
  EXPECT_TRUE(std::isnan(r.AsFloat));
  const TSerialResponse w = Port.WriteF32(1, 6, 0.5f);
  EXPECT_EQ(w.Status, SerialStatus::PortInUse());
}

TEST_F(VogtlinProtocol, HexAndDecimalAreAppended)
{
  Transport.Replies = {Reply(Hex("00 02")), Reply(Hex("00 78"))};
  TSerialResponse r = Port.ReadU8(1, 0x4139);
  r = Port.ReadU16(1, 0x6122, r);
  EXPECT_EQ(r.AsHex, QStringLiteral("01 03 02 00 02 39 85 01 03 02 00 78 B8 66 "));
  EXPECT_EQ(r.AsInteger, 120);
}

TEST_F(VogtlinProtocol, ReadWaitsTwoPolls)
{
  Transport.Replies = {Reply(Hex("00 02"))};
  Port.ReadU8(1, 0x4139);
  EXPECT_EQ(Clock.SleptMs(), 20u);
  Port.ReadU8(1, 0x4139); // no reply: poll, time-out and one poll more
  EXPECT_EQ(Clock.SleptMs(), 20u + 60u);
}

// A write is done only when its controller echoed it: not without a reply,
// nor with a refusal, a garbled echo, or the echo of another register or
// controller. The write waits for the echo as a read waits for its reply,
// then pauses 10 ms.
TEST_F(VogtlinProtocol, WritesAreConfirmedByTheirEchoOnly)
{
  const QByteArray echo = Hex("01 10 00 06 00 02 A1 C9"); // WriteF32(1, 6, ...)
  QByteArray flipped = echo;
  flipped[3] = char(flipped[3] ^ 0x01);
  const std::pair<QByteArray, QString> cases[] = {
      {echo, QString()},
      {Hex("55") + echo, QString()}, // a stray byte ahead of it
      {QByteArray(), SerialStatus::Timeout()},
      {WithCRC(Hex("01 90 04")), VogtlinStatus::WrongLength()},                   // exception
      {flipped, VogtlinStatus::BadCRC()},                                         // garbled
      {WithCRC(Hex("01 10 63 80 00 02")), VogtlinStatus::NotTheAnswer()},         // register
      {WithCRC(Hex("02 10 00 06 00 02")), VogtlinStatus::NotTheAnswer()},         // controller
      {WithCRC(Hex("01 10 00 06 00 02 04 3F 80")), VogtlinStatus::WrongLength()}, // too long
  };
  for (const auto& [reply, status] : cases) {
    SCOPED_TRACE(reply.toHex(' ').toStdString());
    TVirtualClock clock;
    TScriptedTransport transport;
    TVogtlinPort port(TDeviceContext{&clock, &transport});
    UseMFCBusSettings(port);
    port.Port = QStringLiteral("/dev/ttyMFC");
    transport.Replies = {reply};
    const TSerialResponse r = port.WriteF32(1, 6, 1.0f);
    EXPECT_EQ(r.Status, status);
    EXPECT_EQ(WriteConfirmed(r), status.isEmpty());
    EXPECT_EQ(transport.Written, QList<QByteArray>{Hex("01 10 00 06 00 02 04 3F 80 00 00 7E 79")});
    // Two polls, or the time-out and its polls, then the pause.
    EXPECT_EQ(clock.SleptMs(), reply.isEmpty() ? 70u : 30u);
    EXPECT_EQ(transport.Opened, transport.Closed);
  }
  // Function 6 is echoed whole.
  Transport.Replies = {Hex("01 06 41 39 00 02 CC 3A"), WithCRC(Hex("01 06 41 39 00 03"))};
  EXPECT_TRUE(WriteConfirmed(Port.WriteU8(1, 0x4139, 2)));
  EXPECT_EQ(Port.WriteU8(1, 0x4139, 2).Status, VogtlinStatus::NotTheAnswer());
}

// After a failed exchange a late reply may still come: the next request goes
// out once the line has been quiet for the guard time (300 ms), counted from
// the failed request, and input meanwhile is thrown away. A line that is clean costs
// nothing; one that never falls quiet is not written to.
TEST_F(VogtlinProtocol, AfterAFailureTheLineMustFallQuietFirst)
{
  const QByteArray reply = Reply(Hex("3F 80 00 00"));
  Transport.Replies = {reply};
  Port.ReadF32(1, 4);
  EXPECT_EQ(Clock.SleptMs(), 20u); // clean: two polls

  // A read that failed (no reply, another controller's, a refusal): the next
  // request goes out the guard time after the failed one at the earliest.
  const unsigned long long guard = TLineGuard::DefaultGuardMs;
  for (const QByteArray& failing :
       {QByteArray(), Reply(Hex("3F 80 00 00"), 2), Hex("01 83 02 C0 F1")}) {
    SCOPED_TRACE(failing.toHex(' ').toStdString());
    const unsigned long long start = Clock.SleptMs();
    Transport.Replies = {failing, reply};
    EXPECT_NE(Port.ReadF32(1, 4).Status, QString());
    const unsigned long long failedMs = Clock.SleptMs() - start;
    Transport.Written.clear();
    EXPECT_EQ(Port.ReadF32(1, 4).AsFloat, 1.0f);
    EXPECT_EQ(Transport.Written.size(), 1);
    EXPECT_EQ(Clock.SleptMs() - start, std::max(failedMs, guard) + 20u);
  }
  // Clean again.
  const unsigned long long start = Clock.SleptMs();
  Transport.Replies = {reply};
  Port.ReadF32(1, 4);
  EXPECT_EQ(Clock.SleptMs() - start, 20u);

  // A line that keeps sending is given up after four guard times.
  Transport.Replies = {QByteArray()};
  Port.ReadF32(1, 4);
  Transport.Babble = true;
  Transport.Written.clear();
  const unsigned long long before = Clock.SleptMs();
  EXPECT_EQ(Port.ReadF32(1, 4).Status, VogtlinStatus::NoResult());
  EXPECT_EQ(Port.WriteF32(1, 6, 0.0f).Status, SerialStatus::NotQuiet());
  EXPECT_TRUE(Transport.Written.isEmpty());
  EXPECT_LE(Clock.SleptMs() - before, 2 * (4 * guard + 30));
  EXPECT_EQ(Transport.Opened, Transport.Closed);
}

TEST(MFCBusSettings, Values)
{
  TVogtlinPort port;
  EXPECT_EQ(port.BaudRate, 9600);
  EXPECT_EQ(port.WindowsReadLoopTimeoutMS, 333u);
  UseMFCBusSettings(port);
  EXPECT_EQ(port.BaudRate, 9600);
  EXPECT_EQ(port.Parity, 0);
  EXPECT_EQ(port.StopBits, 2);
  EXPECT_EQ(port.WindowsReadLoopTimeoutMS, 10u);
  EXPECT_EQ(port.ReadoutTimeoutMS, 50u);
}

} // namespace
