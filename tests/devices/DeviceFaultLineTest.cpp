// Faults on real serial lines: the imaginary mixer served on pseudo-terminals
// with a line that goes and comes back, and controllers that answer late.
#include "common/PacedClock.h"
#include "devices/Clock.h"
#include "devices/DeviceFaults.h"
#include "devices/ImaginaryMixerServer.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

TDeviceFault Fault(const char* Text)
{
  const std::optional<TDeviceFault> f = ParseDeviceFault(QString::fromLatin1(Text));
  EXPECT_TRUE(f) << Text;
  return f.value_or(TDeviceFault{});
}

// Waits (in real time, at most 3 s) until Condition holds.
bool Eventually(const std::function<bool()>& Condition)
{
  QElapsedTimer timer;
  timer.start();
  while (!Condition()) {
    if (timer.elapsed() > 3000) return false;
    QThread::msleep(5);
  }
  return true;
}

TEST(FaultOnLine, AGoneLineComesBackUnderTheSamePath)
{
  QTemporaryDir dir;
  TVirtualClock deviceTime; // the fault's own time: moved on by the test
  TImaginaryMixer mixer;
  TImaginaryMixerServer server(mixer, deviceTime);
  const QString link = dir.filePath("relay");
  server.SetLinks(link, dir.filePath("mfc"));
  mixer.SetFaults({Fault("relay:gone:from=2:for=1")}, deviceTime.Now());
  QString error;
  ASSERT_TRUE(server.Start(&error)) << error.toStdString();
  ASSERT_EQ(server.RelayBoardPort(), link);
  const QString before = QFileInfo(link).symLinkTarget();
  EXPECT_TRUE(before.startsWith("/dev/pts/")) << before.toStdString();

  TSerialPort relay;
  UseRelayBoardSettings(relay);
  relay.Port = link;
  relay.ReadoutTimeoutMS = 300; // the sanitizers slow the server's thread down
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(relay)));
  // The second request takes the board away while the port is open.
  const TSerialResponse lost = RelayBoardSelfTest(relay);
  EXPECT_FALSE(RelayBoardSelfTestPassed(lost));
  EXPECT_NE(lost.Status, QString());
  ASSERT_TRUE(Eventually([&] { return !QFileInfo::exists(link); }));
  EXPECT_EQ(RelayBoardSelfTest(relay).Status, SerialStatus::PortInUse());

  deviceTime.Advance(1000);
  ASSERT_TRUE(Eventually([&] { return QFileInfo::exists(link); }));
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(relay)));
  EXPECT_TRUE(RelayBoardSetRelays(relay, 24).Status.isEmpty());
  EXPECT_EQ(mixer.RelayMask(), 24);
  // The controller bus was never touched.
  TVogtlinPort bus;
  UseMFCBusSettings(bus);
  bus.Port = server.ControllerBusPort();
  bus.ReadoutTimeoutMS = 1000;
  EXPECT_TRUE(bus.ReadS8(1, VogtlinRegister::DeviceType).AsString.startsWith("GSC"));
  server.Stop();
  EXPECT_FALSE(QFileInfo::exists(link));
}

// The imaginary mixer on pseudo-terminals in virtual time, a slow controller's
// replies coming late by that time, and a port on its controller bus.
struct TPacedBus
{
  TPaced<TVirtualClock> Clock;
  TImaginaryMixer Mixer;
  TImaginaryMixerServer Server{Mixer, Clock};
  TPacedTransport Transport;
  TLineGuard Guard;
  TVogtlinPort Bus{TDeviceContext{&Clock, &Transport, &Guard}};

  TPacedBus()
  {
    Clock.AfterSleep = [this] { Server.DeliverDue(); };
    QString error;
    if (!Server.Start(&error)) ADD_FAILURE() << error.toStdString();
    UseMFCBusSettings(Bus);
    Bus.Port = Server.ControllerBusPort();
  }
  ~TPacedBus()
  {
    Server.Stop();
    Clock.AfterSleep = nullptr;
  }
  // Controller Address answers DelayMs late from now on.
  void Slow(int Address, int DelayMs)
  {
    TDeviceFault slow = Fault(Address == 1 ? "mfc1:slow" : "mfc2:slow");
    slow.SlowMs = DelayMs;
    Mixer.SetFaults({slow}, Clock.Now());
  }
  double Ms() const { return Clock.Now() * 86400000; }
};

// A reply that comes after its transaction gave up lands in a later
// transaction, or waits on the line for one; it is never taken for the other
// controller's reading.
TEST(FaultOnLine, ALateReplyIsNeverAnotherControllersReading)
{
  TPacedBus p;
  p.Mixer.SetSetPoint(1, 0.035f);
  p.Mixer.SetSetPoint(2, 0.4f);
  int refused = 0;
  for (int delay : {40, 60, 80, 100, 120, 140, 200}) {
    SCOPED_TRACE(delay);
    p.Slow(1, delay);
    for (int i = 0; i < 2; ++i) {
      const TSerialResponse one = p.Bus.ReadF32(1, VogtlinRegister::SetPoint);
      if (one.Status.isEmpty()) {
        EXPECT_EQ(one.AsFloat, 0.035f);
      }
      const TSerialResponse two = p.Bus.ReadF32(2, VogtlinRegister::SetPoint);
      if (two.Status.isEmpty()) {
        EXPECT_EQ(two.AsFloat, 0.4f);
      } else {
        ++refused;
      }
    }
  }
  // Some late replies of controller 1 did land in a read of controller 2.
  RecordProperty("refused", refused);
}

// A controller that answers late, close to the spacing of the cycle's
// requests (200 to 250 ms): its reply would come inside the next read of the
// same register and be taken for that reading. After a time-out the line
// falls quiet first, so a late reply is never taken, and the other
// controller's readings on the same bus stay right; the wait costs time only
// while the controller is late.
TEST(FaultOnLine, ALateReplyIsNeverTakenForTheNextReading)
{
  TPacedBus p;
  p.Mixer.SetSetPoint(1, 0.05f);
  p.Mixer.SetSetPoint(2, 0.5f);
  for (int delay : {200, 250}) {
    SCOPED_TRACE(delay);
    p.Slow(1, delay);
    for (int row = 0; row < 4; ++row) {
      // As a dosing tick reads: controller 1, 50 ms, controller 2, 50 ms,
      // controller 1 again.
      const double first = p.Ms();
      EXPECT_NE(p.Bus.ReadF32(1, VogtlinRegister::Totalizer).Status, QString());
      p.Clock.Sleep(50);
      const TSerialResponse b = p.Bus.ReadF32(2, VogtlinRegister::Totalizer);
      EXPECT_EQ(b.Status, QString());
      EXPECT_EQ(b.AsFloat, float(p.Mixer.Totalizer(2)));
      EXPECT_GE(p.Ms() - first, p.Guard.GuardMs()); // it waited for the late reply to pass
      p.Clock.Sleep(50);
      EXPECT_NE(p.Bus.ReadF32(1, VogtlinRegister::Totalizer).Status, QString());
    }
  }
  // In time again: the first read waits once more for the line, then reads
  // cost their two polls.
  p.Mixer.ClearFaults();
  const float a = p.Bus.ReadF32(1, VogtlinRegister::Totalizer).AsFloat;
  EXPECT_EQ(a, float(p.Mixer.Totalizer(1)));
  const double start = p.Ms();
  const float b = p.Bus.ReadF32(2, VogtlinRegister::Totalizer).AsFloat;
  EXPECT_LE(p.Ms() - start, 40);
  EXPECT_EQ(b, float(p.Mixer.Totalizer(2)));
}

} // namespace
