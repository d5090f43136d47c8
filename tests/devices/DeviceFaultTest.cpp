// The faults the imaginary mixer plays, through the fake port in virtual
// time: what each does to a transaction, and when it begins and ends.
#include "DeviceTestSupport.h"
#include "devices/Clock.h"
#include "devices/DeviceFaults.h"
#include "devices/ImaginaryMixer.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class Faults : public ::testing::Test
{
protected:
  Faults() : Transport(&Mixer), Context{&Clock, &Transport}, Bus(Context), Relay(Context)
  {
    UseMFCBusSettings(Bus);
    Bus.Port = FakePortName();
    UseRelayBoardSettings(Relay);
    Relay.Port = FakePortName();
  }
  void Play(const QString& Text)
  {
    QString error;
    const std::optional<TDeviceFault> fault = ParseDeviceFault(Text, &error);
    ASSERT_TRUE(fault) << error.toStdString();
    Mixer.SetFaults({*fault}, Clock.Now());
  }
  TSerialResponse SetPointOf2() { return Bus.ReadF32(2, VogtlinRegister::SetPoint); }

  TVirtualClock Clock;
  TImaginaryMixer Mixer;
  TDeviceTransport Transport;
  TDeviceContext Context;
  TVogtlinPort Bus;
  TSerialPort Relay;
};

TEST(FaultText, ParsesAndRefuses)
{
  const std::optional<TDeviceFault> f =
      ParseDeviceFault("mfc2:short:bytes=4:from=10:after=1.5:for=20");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Device, TFaultDevice::Controller2);
  EXPECT_EQ(f->Kind, TFaultKind::Short);
  EXPECT_EQ(f->ShortBytes, 4);
  EXPECT_EQ(f->FromRequest, 10);
  EXPECT_EQ(f->AfterS, 1.5);
  EXPECT_EQ(f->ForS, 20);
  EXPECT_EQ(DeviceFaultText(*f), "mfc2:short:from=10:after=1.5:for=20:bytes=4");
  const std::optional<TDeviceFault> g = ParseDeviceFault("relay:gone");
  ASSERT_TRUE(g);
  EXPECT_EQ(g->FromRequest, 0);
  EXPECT_TRUE(std::isinf(g->ForS));

  for (const char* bad :
       {"", "relay", "pump:silent", "relay:loud", "relay:exception", "relay:other-address",
        "mfc1:gone", "mfc:slow:bytes=2", "mfc:slow:delay=0", "mfc:silent:from=0",
        "mfc:silent:for=-1", "mfc:silent:for=nan", "mfc:silent:after", "mfc:short:bytes=300"}) {
    QString error;
    EXPECT_FALSE(ParseDeviceFault(bad, &error)) << bad;
    EXPECT_FALSE(error.isEmpty()) << bad;
  }
}

// What each fault of controller 2 does to a register read and a write, while
// controller 1 on the same bus goes on answering.
TEST_F(Faults, EachKindOfControllerFault)
{
  struct TCase
  {
    const char* Fault;
    QString Status; // of the read of controller 2
    bool Acts;      // the write of controller 2 took effect
  };
  const TCase cases[] = {
      {"mfc2:silent", VogtlinStatus::NoResult(), false},
      {"mfc2:slow", VogtlinStatus::NoResult(), true},
      {"mfc2:short", VogtlinStatus::WrongLength(), true},
      {"mfc2:corrupt", VogtlinStatus::BadCRC(), true},
      {"mfc2:exception", VogtlinStatus::WrongLength(), false},
      {"mfc2:other-address", VogtlinStatus::NotTheAnswer(), true},
      {"mfc:gone", VogtlinStatus::NoResult(), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Fault);
    Mixer.ClearFaults();
    Bus.WriteF32(2, VogtlinRegister::SetPoint, 0.25f);
    Play(c.Fault);
    const unsigned long long before = Clock.SleptMs();
    const TSerialResponse r = SetPointOf2();
    EXPECT_EQ(r.Status, c.Status);
    EXPECT_TRUE(std::isnan(r.AsFloat));
    EXPECT_LE(Clock.SleptMs() - before, 10u + 50u + 10u); // never longer than its time-out
    Bus.WriteF32(2, VogtlinRegister::SetPoint, 0.5f);
    EXPECT_EQ(Mixer.SetPoint(2), c.Acts ? 0.5f : 0.25f);
    const bool busGone = QByteArray(c.Fault).startsWith("mfc:");
    EXPECT_EQ(Bus.ReadF32(1, VogtlinRegister::SetPoint).Status.isEmpty(), !busGone);
  }
  Mixer.ClearFaults();
  EXPECT_EQ(SetPointOf2().AsFloat, 0.25f); // as the gone bus left it, answering again
}

TEST_F(Faults, EachKindOfRelayBoardFault)
{
  Mixer.SetBubblerTemperature(24.998); // reading 512: bytes 02 00
  struct TCase
  {
    const char* Fault;
    bool SelfTest;
    int Reading;
    bool Acts;
  };
  const TCase cases[] = {
      {"relay:silent", false, 0, false},   {"relay:slow", false, 0, true},
      {"relay:short", false, 0, true},     // 85 cut to nothing, 02 00 to 02
      {"relay:corrupt", false, 513, true}, // the lowest bit of the middle byte
      {"relay:gone", false, 0, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Fault);
    Mixer.ClearFaults();
    RelayBoardSetRelays(Relay, 0);
    Play(c.Fault);
    EXPECT_EQ(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)), c.SelfTest);
    EXPECT_EQ(RelayBoardADCReading(RelayBoardReadADC(Relay)), c.Reading);
    RelayBoardSetRelays(Relay, 24);
    EXPECT_EQ(Mixer.RelayMask(), c.Acts ? 24 : 0);
  }
  Mixer.ClearFaults();
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)));
}

TEST_F(Faults, BeginWithARequestOrAfterATimeAndLastTheirTime)
{
  // From the third request of controller 1 on, for two seconds.
  Play("mfc1:silent:from=3:for=2");
  QList<bool> answered;
  for (int i = 0; i < 4; ++i) {
    answered << Bus.ReadF32(1, VogtlinRegister::SetPoint).Status.isEmpty();
    EXPECT_TRUE(Bus.ReadF32(2, VogtlinRegister::SetPoint).Status.isEmpty()); // not counted for 1
  }
  EXPECT_EQ(answered, QList<bool>({true, true, false, false}));
  Clock.Advance(2000);
  EXPECT_TRUE(Bus.ReadF32(1, VogtlinRegister::SetPoint).Status.isEmpty());
  Clock.Advance(60000);
  EXPECT_TRUE(Bus.ReadF32(1, VogtlinRegister::SetPoint).Status.isEmpty()); // over for good

  // Five seconds after the start, for one second.
  Play("relay:gone:after=5:for=1");
  EXPECT_FALSE(Mixer.LineGone(TImaginaryLine::RelayBoard, Clock.Now()));
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)));
  Clock.Advance(5000);
  EXPECT_TRUE(Mixer.LineGone(TImaginaryLine::RelayBoard, Clock.Now()));
  EXPECT_FALSE(Mixer.LineGone(TImaginaryLine::ControllerBus, Clock.Now()));
  EXPECT_EQ(RelayBoardSelfTest(Relay).Status, SerialStatus::WriteFailed());
  Clock.Advance(1000);
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)));
}

} // namespace
