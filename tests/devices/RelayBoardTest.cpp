// The relay board commands against a scripted in-memory line, in virtual time.
#include "devices/RelayBoard.h"
#include "DeviceTestSupport.h"
#include "devices/Clock.h"

#include <gtest/gtest.h>

namespace {

class RelayBoard : public ::testing::Test
{
protected:
  RelayBoard() : Port(TDeviceContext{&Clock, &Transport})
  {
    UseRelayBoardSettings(Port, true);
    Port.Port = QStringLiteral("/dev/ttyRelay");
  }
  TVirtualClock Clock;
  TScriptedTransport Transport;
  TSerialPort Port;
};

TEST_F(RelayBoard, ValveMasks)
{
  struct TCase
  {
    int V[6];
    int Mask;
  };
  const TCase cases[] = {{{1, 1, 0, 0, 1, 0}, 19},
                         {{0, 0, 0, 1, 1, 0}, 24},
                         {{0, 0, 0, 0, 0, 0}, 0},
                         {{1, 1, 1, 1, 1, 1}, 63}};
  for (const TCase& c : cases) {
    const uint8_t mask = RelayBoardMask(c.V[0], c.V[1], c.V[2], c.V[3], c.V[4], c.V[5]);
    EXPECT_EQ(mask, c.Mask);
    Transport.Written.clear();
    Transport.Replies = {Bytes({85})};
    const TSerialResponse r = RelayBoardSetRelays(Port, mask);
    EXPECT_EQ(r.Status, QString());
    EXPECT_EQ(Transport.Written, QList<QByteArray>{Bytes({254, 40, c.Mask})});
  }
  // Bits 6 and 7 never go out.
  Transport.Written.clear();
  RelayBoardSetRelays(Port, 0xD3);
  EXPECT_EQ(Transport.Written, QList<QByteArray>{Bytes({254, 40, 0x13})});
}

// The relays have taken a mask only when the board answered the one byte 85;
// any other answer leaves the line to fall quiet before the next command.
TEST_F(RelayBoard, RelaysAreConfirmedByTheOneByte85)
{
  const std::pair<QByteArray, bool> cases[] = {{Bytes({85}), true},
                                               {Bytes({84}), false},
                                               {Bytes({85, 85}), false},
                                               {Bytes({0, 85}), false},
                                               {QByteArray(), false}};
  for (const auto& [reply, confirmed] : cases) {
    SCOPED_TRACE(reply.toHex().toStdString());
    Transport.Replies = {reply, Bytes({85})};
    EXPECT_EQ(RelayBoardRelaysConfirmed(RelayBoardSetRelays(Port, 24)), confirmed);
    const unsigned long long before = Clock.SleptMs();
    EXPECT_TRUE(RelayBoardRelaysConfirmed(RelayBoardSetRelays(Port, 24)));
    EXPECT_EQ(Clock.SleptMs() - before > 10, !confirmed); // waited for the line to fall quiet
  }
}

TEST_F(RelayBoard, SelfTest)
{
  const std::pair<QByteArray, bool> cases[] = {{Bytes({85}), true},
                                               {Bytes({85, 1, 2, 3}), true},
                                               {Bytes({84}), false},
                                               {Bytes({0, 85}), false},
                                               {QByteArray(), false}};
  for (const auto& [reply, passed] : cases) {
    Transport.Written.clear();
    Transport.Replies = {reply};
    const TSerialResponse r = RelayBoardSelfTest(Port);
    EXPECT_EQ(Transport.Written, QList<QByteArray>{Bytes({254, 33})});
    EXPECT_EQ(RelayBoardSelfTestPassed(r), passed) << reply.toHex().toStdString();
    EXPECT_EQ(r.Status, reply.isEmpty() ? SerialStatus::Timeout() : QString());
  }
}

TEST_F(RelayBoard, SelfTestWithoutReplyIsNotTakenFromAnEarlierOne)
{
  Transport.Replies = {Bytes({85}), QByteArray()};
  TSerialResponse r = RelayBoardSelfTest(Port);
  ASSERT_TRUE(RelayBoardSelfTestPassed(r));
  r = RelayBoardSelfTest(Port, r); // same record: rArray[1] still holds 85
  EXPECT_EQ(r.rArray[1], 85);
  EXPECT_FALSE(RelayBoardSelfTestPassed(r));
  EXPECT_EQ(RelayBoardReplyByte(r, 1), 0);
}

TEST_F(RelayBoard, ADCReadings)
{
  const std::pair<QByteArray, int> cases[] = {{Bytes({2, 0}), 512},
                                              {Bytes({3, 0xFF}), 1023},
                                              {Bytes({1, 0}), 256},
                                              {Bytes({2}), 0}, // cut short: no measurement
                                              {QByteArray(), 0}};
  for (const auto& [reply, reading] : cases) {
    Transport.Written.clear();
    Transport.Replies = {reply};
    const TSerialResponse r = RelayBoardReadADC(Port);
    EXPECT_EQ(Transport.Written, QList<QByteArray>{Bytes({254, 158})});
    EXPECT_EQ(RelayBoardADCReading(r), reading) << reply.toHex().toStdString();
  }
}

TEST(BubblerThermistor, DividerResistance)
{
  const std::pair<int, double> cases[] = {
      {512, 10000.0}, {256, 3333.3333333}, {768, 30000.0}, {1, 9.775171}, {1023, 10230000.0}};
  for (const auto& [reading, ohm] : cases) {
    const std::optional<double> r = BubblerThermistorResistance(reading);
    ASSERT_TRUE(r.has_value()) << reading;
    EXPECT_NEAR(*r, ohm, ohm * 1e-9 + 1e-6) << reading;
  }
  for (int reading : {0, -1, 1024, 2000}) EXPECT_FALSE(BubblerThermistorResistance(reading));
}

TEST_F(RelayBoard, SettingsAndWaits)
{
  EXPECT_EQ(Port.BaudRate, 115200);
  EXPECT_EQ(Port.Parity, 0);
  EXPECT_EQ(Port.StopBits, 2);
  EXPECT_EQ(Port.WindowsReadLoopTimeoutMS, 5u);
  EXPECT_EQ(Port.ReadoutTimeoutMS, 50u);
  EXPECT_TRUE(Port.Debug);
  Transport.Replies = {Bytes({85})};
  RelayBoardSetRelays(Port, 24);
  EXPECT_EQ(Clock.SleptMs(), 10u); // two polls
  RelayBoardSetRelays(Port, 24);   // no reply
  EXPECT_EQ(Clock.SleptMs(), 10u + 55u);
}

} // namespace
