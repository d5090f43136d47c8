// The imaginary mixer behind "Fake port for testing", through the same
// transactions the mixer uses, in virtual time.
#include "devices/ImaginaryMixer.h"
#include "DeviceTestSupport.h"
#include "devices/Clock.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"
#include "physics/Thermocouples.h"

#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class Imaginary : public ::testing::Test
{
protected:
  Imaginary() : Transport(&Mixer), Context{&Clock, &Transport}, Bus(Context), Relay(Context)
  {
    UseMFCBusSettings(Bus);
    Bus.Port = FakePortName();
    UseRelayBoardSettings(Relay);
    Relay.Port = FakePortName();
  }
  TSerialResponse Raw(const QByteArray& Request)
  {
    return Bus.SendData(Request.constData(), unsigned(Request.size()), true);
  }
  static QByteArray ReplyOf(const TSerialResponse& R)
  {
    return QByteArray(reinterpret_cast<const char*>(&R.rArray[1]), R.ResponseLength);
  }

  TVirtualClock Clock;
  TImaginaryMixer Mixer;
  TDeviceTransport Transport;
  TDeviceContext Context;
  TVogtlinPort Bus;
  TSerialPort Relay;
};

TEST_F(Imaginary, ControllersIdentifyAsGSC)
{
  for (unsigned address : {1u, 2u}) {
    const TSerialResponse r = Bus.ReadS8(address, VogtlinRegister::DeviceType);
    EXPECT_EQ(r.Status, QString());
    EXPECT_TRUE(r.AsString.startsWith(QLatin1String("GSC"))) << r.AsString.toStdString();
  }
  Mixer.SetControllerType(2, "gsc-x");
  EXPECT_EQ(Bus.ReadS8(2, VogtlinRegister::DeviceType).AsString, QStringLiteral("gscx"));
}

TEST_F(Imaginary, FluidTablesAsTheGasSelectionReadsThem)
{
  struct TCase
  {
    unsigned Address, Fluid;
    const char *Name, *LongName;
    float Max;
    int Dyn;
  };
  // The names in the order of the gas lists; fluid 2 of controller 1 and
  // fluid 3 of controller 2 agree with the fixed values of the test mode.
  const TCase cases[] = {
      {1, 2, "O2", "O2", 0.0715f, 120},       {1, 3, "5%H2/Ar", "5%H2,95%Ar", 0.0850f, 120},
      {1, 4, "Air", "Air", 0.0647f, 120},     {1, 5, "H2", "Hydrogen", 0.0045f, 120},
      {2, 2, "Ar", "Argon", 1.427f, 120},     {2, 3, "N2", "Nitrogen", 1.0f, 120},
      {2, 4, "H2", "Hydrogen", 0.0719f, 120}, {2, 5, "H2O", "Water vapour", 0.643f, 120},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Address << "/" << c.Fluid);
    namespace R = VogtlinRegister;
    EXPECT_EQ(Bus.WriteU8(c.Address, R::ActiveFluid, uint16_t(c.Fluid)).Status, QString());
    EXPECT_EQ(Bus.WriteU8(c.Address, R::FluidIndex, uint16_t(c.Fluid)).Status, QString());
    EXPECT_EQ(Bus.ReadU8(c.Address, R::ActiveFluid).AsInteger, int(c.Fluid));
    EXPECT_EQ(Bus.ReadS8(c.Address, R::ShortName).AsString, QString(c.Name));
    const TSerialResponse longName = Bus.ReadS50(c.Address, R::LongName);
    EXPECT_EQ(longName.Status, QString());
    EXPECT_EQ(longName.AsString, QString(c.LongName).leftJustified(50, u' '));
    EXPECT_EQ(Bus.ReadF32(c.Address, R::FullScale).AsFloat, c.Max);
    EXPECT_EQ(Bus.ReadS8(c.Address, R::FlowUnit).AsString, QStringLiteral("g/min"));
    EXPECT_EQ(Bus.ReadU16(c.Address, R::Turndown).AsInteger, c.Dyn);
  }
}

TEST_F(Imaginary, TestModeFluidsAreActiveFromTheStart)
{
  EXPECT_EQ(Mixer.ActiveFluid(1), 2);
  EXPECT_EQ(Mixer.ActiveFluid(2), 3);
  EXPECT_EQ(Bus.ReadS8(1, VogtlinRegister::ShortName).AsString, QStringLiteral("O2"));
  EXPECT_EQ(Bus.ReadS8(2, VogtlinRegister::ShortName).AsString, QStringLiteral("N2"));
}

TEST_F(Imaginary, TotalizerIntegratesTheSetPointOverTheTransactionClock)
{
  namespace R = VogtlinRegister;
  Bus.WriteF32(2, R::TotalizerReset, 0.0f);
  Bus.WriteF32(2, R::SetPoint, 0.4f);
  EXPECT_EQ(Mixer.SetPoint(2), 0.4f);
  EXPECT_EQ(Bus.ReadF32(2, R::SetPoint).AsFloat, 0.4f);
  Clock.Advance(2 * 60 * 1000.0); // two minutes at 0.4 g/min: 0.8 g
  const TSerialResponse total = Bus.ReadF32(2, R::Totalizer);
  EXPECT_EQ(total.Status, QString());
  EXPECT_NEAR(total.AsFloat * 1000.0, 0.8, 1e-3); // kilograms x 1000 = grams
  EXPECT_NEAR(Mixer.Totalizer(2), 0.0008, 1e-6);
  EXPECT_NEAR(Mixer.Totalizer(1), 0.0, 1e-12); // controller 1 had no set-point

  Bus.WriteF32(2, R::SetPoint, 0.0f);
  Clock.Advance(60 * 1000.0);
  EXPECT_NEAR(Bus.ReadF32(2, R::Totalizer).AsFloat * 1000.0, 0.8, 1e-3); // stood still
  Bus.WriteF32(2, R::TotalizerReset, 0.0f);
  EXPECT_EQ(Bus.ReadF32(2, R::Totalizer).AsFloat, 0.0f);
  EXPECT_EQ(Mixer.TotalizerAt(2, Clock.Now() + 1.0), 0.0);
}

TEST_F(Imaginary, WriteConfirmationsAreModbusEchoes)
{
  // Function 6 echoes the request; function 16 answers address, function,
  // register and count with its CRC.
  EXPECT_EQ(ReplyOf(Raw(Hex("01 06 41 39 00 02 CC 3A"))), Hex("01 06 41 39 00 02 CC 3A"));
  EXPECT_EQ(ReplyOf(Raw(Hex("01 10 00 06 00 02 04 3F 80 00 00 7E 79"))),
            Hex("01 10 00 06 00 02 A1 C9"));
  EXPECT_EQ(Mixer.SetPoint(1), 1.0f);
}

TEST_F(Imaginary, ExceptionReplies)
{
  const std::pair<const char*, const char*> cases[] = {
      {"01 03 12 34 00 02 80 BD", "01 83 02 C0 F1"},                // unknown register
      {"02 04 00 04 00 02 30 39", "02 84 01 72 C0"},                // unknown function
      {"01 06 41 39 00 09 8D FD", "01 86 03 02 61"},                // fluid 9 not held
      {"01 06 00 06 00 01 A8 0B", "01 86 02 C3 A1"},                // read-only register
      {"01 10 00 04 00 02 04 00 00 00 00 F2 5C", "01 90 02 CD C1"}, // totalizer register
  };
  for (const auto& [request, reply] : cases) {
    const TSerialResponse r = Raw(Hex(request));
    EXPECT_EQ(ReplyOf(r).toHex(' ').toUpper(), QByteArray(reply)) << request;
  }
  const TSerialResponse r = Bus.ReadF32(1, 0x1234);
  EXPECT_EQ(r.Status, VogtlinStatus::WrongLength());
  EXPECT_TRUE(std::isnan(r.AsFloat));
  EXPECT_EQ(Mixer.ActiveFluid(1), 2);
}

TEST_F(Imaginary, NoAnswerToNoiseOrOtherAddresses)
{
  for (const char* request : {"01 03 00 23 00 04 B5 C4", // wrong CRC
                              "03 03 00 23 00 04 B4 21", // nobody at address 3
                              "01 03"}) {
    EXPECT_EQ(Raw(Hex(request)).Status, SerialStatus::Timeout()) << request;
  }
}

TEST_F(Imaginary, RelayBoard)
{
  const TSerialResponse test = RelayBoardSelfTest(Relay);
  EXPECT_TRUE(RelayBoardSelfTestPassed(test));
  EXPECT_EQ(test.ResponseLength, 1);
  for (int mask : {19, 24, 0, 63}) {
    EXPECT_EQ(RelayBoardSetRelays(Relay, uint8_t(mask)).Status, QString());
    EXPECT_EQ(Mixer.RelayMask(), mask);
  }
  EXPECT_EQ(Mixer.ReceivedFrames(TImaginaryLine::RelayBoard),
            (QList<QByteArray>{Bytes({254, 33}), Bytes({254, 40, 19}), Bytes({254, 40, 24}),
                               Bytes({254, 40, 0}), Bytes({254, 40, 63})}));
}

TEST_F(Imaginary, ADCFollowsTheBubblerTemperature)
{
  for (double celsius : {5.0, 22.0, 24.998, 40.0, 50.0}) {
    Mixer.SetBubblerTemperature(celsius);
    const int reading = RelayBoardADCReading(RelayBoardReadADC(Relay));
    EXPECT_EQ(reading, Mixer.ADCReading());
    const std::optional<double> ohm = BubblerThermistorResistance(reading);
    ASSERT_TRUE(ohm.has_value()) << celsius;
    double measured = 0.0;
    ASSERT_TRUE(ResistanceToTemperatureBead(*ohm, measured)) << celsius;
    EXPECT_NEAR(measured, celsius, 0.35) << reading; // one ADC count
  }
  Mixer.SetBubblerTemperature(24.998);
  EXPECT_EQ(Mixer.ADCReading(), 512);
  Mixer.SetBubblerTemperature(NAN);
  EXPECT_EQ(RelayBoardADCReading(RelayBoardReadADC(Relay)), 0);
}

TEST_F(Imaginary, SilentDevicesTimeOut)
{
  Mixer.SetRelayBoardSilent(true);
  const unsigned long long before = Clock.SleptMs();
  const TSerialResponse test = RelayBoardSelfTest(Relay);
  EXPECT_EQ(test.Status, SerialStatus::Timeout());
  EXPECT_FALSE(RelayBoardSelfTestPassed(test));
  EXPECT_EQ(Clock.SleptMs() - before, 55u); // time-out and one poll
  RelayBoardSetRelays(Relay, 24);
  EXPECT_EQ(Mixer.RelayMask(), 0); // an unplugged board switches nothing

  Mixer.SetControllerSilent(2, true);
  const TSerialResponse total = Bus.ReadF32(2, VogtlinRegister::Totalizer);
  EXPECT_EQ(total.Status, VogtlinStatus::NoResult());
  EXPECT_TRUE(std::isnan(total.AsFloat));
  EXPECT_EQ(Bus.ReadF32(1, VogtlinRegister::Totalizer).Status, QString());
  Mixer.SetControllerSilent(2, false);
  Mixer.SetRelayBoardSilent(false);
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)));
}

TEST_F(Imaginary, FramesAreRecordedWithTheirLineAndTime)
{
  Mixer.ClearReceivedFrames();
  Bus.ReadS8(1, VogtlinRegister::DeviceType);
  Clock.Advance(1000);
  RelayBoardSetRelays(Relay, 4);
  const QList<TImaginaryFrame> frames = Mixer.ReceivedFrames();
  ASSERT_EQ(frames.size(), 2);
  EXPECT_EQ(frames[0].Line, TImaginaryLine::ControllerBus);
  EXPECT_EQ(frames[0].Bytes, Hex("01 03 00 23 00 04 B5 C3"));
  EXPECT_EQ(frames[1].Line, TImaginaryLine::RelayBoard);
  EXPECT_EQ(frames[1].Bytes, Bytes({254, 40, 4}));
  EXPECT_NEAR((frames[1].Time - frames[0].Time) * 86400000.0, 1000.0 + 20.0, 1e-3);
}

TEST_F(Imaginary, FakePortWithoutMixerIsAPortThatCannotBeOpened)
{
  Transport.AttachMixer(nullptr);
  EXPECT_EQ(RelayBoardSelfTest(Relay).Status, SerialStatus::PortInUse());
  Transport.AttachMixer(&Mixer);
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)));
}

TEST_F(Imaginary, TwoThreadsAtOnce)
{
  // The humidification thread pulses the relay board while the main thread
  // reads the totalizers.
  constexpr int passes = 150;
  int relayFailures = 0;
  QThread* wetting = QThread::create([&] {
    TSerialPort port(Context);
    UseRelayBoardSettings(port, true);
    port.Port = FakePortName();
    for (int i = 0; i < passes; ++i)
      if (!RelayBoardSetRelays(port, i % 2 ? 19 : 24).Status.isEmpty()) ++relayFailures;
  });
  wetting->start();
  int busFailures = 0;
  for (int i = 0; i < passes; ++i)
    if (!Bus.ReadF32(1 + i % 2, VogtlinRegister::Totalizer).Status.isEmpty()) ++busFailures;
  wetting->wait();
  delete wetting;
  EXPECT_EQ(relayFailures, 0);
  EXPECT_EQ(busFailures, 0);
  EXPECT_EQ(Mixer.ReceivedFrames(TImaginaryLine::RelayBoard).size(), passes);
  EXPECT_EQ(Mixer.ReceivedFrames(TImaginaryLine::ControllerBus).size(), passes);
  EXPECT_EQ(Mixer.RelayMask(), 19);
}

TEST_F(Imaginary, DebugTrace)
{
  Clock.SetNow(46000.5); // 12:00:00.000
  Relay.Debug = true;
  RelayBoardSelfTest(Relay);
  const QStringList lines = Relay.DebugMSG.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  const QStringList expected = {
      "Time  1: 12:00:00.000", "Time  2: 12:00:00.000", "Time  3: 12:00:00.000",
      "Time  4: 12:00:00.000", "Time  5: 12:00:00.000", "Time  6: 12:00:00.000",
      "Time  7: 12:00:00.005", "Time  8: 12:00:00.010", "Time  9: 12:00:00.010"};
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(Relay.DebugMSG.endsWith(QStringLiteral("\r\n")));

  Bus.Debug = true;
  Bus.WriteU8(1, VogtlinRegister::ActiveFluid, 2); // waits for the echo: all nine marks
  EXPECT_EQ(Bus.DebugMSG.count(QStringLiteral("Time  ")), 9);
  Relay.Debug = false;
  RelayBoardSelfTest(Relay);
  EXPECT_EQ(Relay.DebugMSG, QString());
}

} // namespace

namespace {

TEST(ImaginaryFraming, RequestLengths)
{
  const std::tuple<TImaginaryLine, QByteArray, qsizetype> cases[] = {
      {TImaginaryLine::ControllerBus, Hex("01"), 0},
      {TImaginaryLine::ControllerBus, Hex("01 03 00"), 8},
      {TImaginaryLine::ControllerBus, Hex("02 06"), 8},
      {TImaginaryLine::ControllerBus, Hex("01 10 00 06 00"), 0},
      {TImaginaryLine::ControllerBus, Hex("01 10 00 06 00 02 04"), 13},
      {TImaginaryLine::ControllerBus, Hex("01 04 00 04"), -1}, // ends at the next silence
      {TImaginaryLine::RelayBoard, Hex("FE"), 0},
      {TImaginaryLine::RelayBoard, Hex("FE 21"), 2},
      {TImaginaryLine::RelayBoard, Hex("FE 28"), 3},
      {TImaginaryLine::RelayBoard, Hex("FE 9E"), 2},
      {TImaginaryLine::RelayBoard, Hex("FE 99"), -1},
      {TImaginaryLine::RelayBoard, Hex("00 FE"), -1},
  };
  for (const auto& [line, pending, length] : cases)
    EXPECT_EQ(TImaginaryMixer::FrameLength(line, pending), length) << pending.toHex().toStdString();
}

TEST(ImaginaryFraming, SeveralRelayCommandsInOneFrame)
{
  TImaginaryMixer mixer;
  EXPECT_EQ(mixer.RelayBoardFrame(Bytes({254, 40, 35, 254, 33, 7, 254, 158}), 46000.0),
            Bytes({85, 85}) + Bytes({mixer.ADCReading() >> 8, mixer.ADCReading() & 0xFF}));
  EXPECT_EQ(mixer.RelayMask(), 35);
}

} // namespace
