// The imaginary mixer served on pseudo-terminals, reached through real serial
// ports as the program reaches verdane-devsim.
#include "devices/ImaginaryMixerServer.h"
#include "devices/Clock.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"

#include <QMap>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class MixerServer : public ::testing::Test
{
protected:
  void SetUp() override
  {
    QString error;
    ASSERT_TRUE(Server.Start(&error)) << error.toStdString();
    UseMFCBusSettings(Bus);
    Bus.Port = Server.ControllerBusPort();
    UseRelayBoardSettings(Relay, true);
    Relay.Port = Server.RelayBoardPort();
    // Generous reply time-outs: the sanitizers slow the server's thread down.
    Bus.ReadoutTimeoutMS = Relay.ReadoutTimeoutMS = 1000;
  }

  TImaginaryMixer Mixer;
  TImaginaryMixerServer Server{Mixer, SystemClock()};
  TVogtlinPort Bus;
  TSerialPort Relay;
};

TEST_F(MixerServer, PortsArePseudoTerminals)
{
  EXPECT_TRUE(Server.RelayBoardPort().startsWith(QLatin1String("/dev/pts/")));
  EXPECT_TRUE(Server.ControllerBusPort().startsWith(QLatin1String("/dev/pts/")));
  EXPECT_NE(Server.RelayBoardPort(), Server.ControllerBusPort());
}

TEST_F(MixerServer, ValidationAndGasSelection)
{
  namespace R = VogtlinRegister;
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(Relay)));
  EXPECT_TRUE(Bus.ReadS8(1, R::DeviceType).AsString.startsWith(QLatin1String("GSC")));
  EXPECT_TRUE(Bus.ReadS8(2, R::DeviceType).AsString.startsWith(QLatin1String("GSC")));
  // Each write leaves its confirmation unread on the line; the next
  // transaction must not take it for its own reply.
  Bus.WriteU8(2, R::ActiveFluid, 5);
  Bus.WriteU8(2, R::FluidIndex, 5);
  const TSerialResponse fluid = Bus.ReadU8(2, R::ActiveFluid);
  EXPECT_EQ(fluid.Status, QString());
  EXPECT_EQ(fluid.AsInteger, 5);
  EXPECT_EQ(Bus.ReadS8(2, R::ShortName).AsString, QStringLiteral("H2O"));
  EXPECT_EQ(Bus.ReadS50(2, R::LongName).AsString, QStringLiteral("Water vapour").leftJustified(50));
  EXPECT_EQ(Bus.ReadF32(2, R::FullScale).AsFloat, 0.643f);
}

TEST_F(MixerServer, SetPointTotalizerAndValves)
{
  namespace R = VogtlinRegister;
  Bus.WriteF32(1, R::TotalizerReset, 0.0f);
  Bus.WriteF32(1, R::SetPoint, 0.035f);
  const TSerialResponse sp = Bus.ReadF32(1, R::SetPoint);
  EXPECT_EQ(sp.Status, QString());
  EXPECT_EQ(sp.AsFloat, 0.035f);
  QThread::msleep(100);
  const TSerialResponse total = Bus.ReadF32(1, R::Totalizer);
  EXPECT_EQ(total.Status, QString());
  EXPECT_GT(total.AsFloat, 0.0f); // about 0.035 g/min for a tenth of a second
  EXPECT_LT(total.AsFloat * 1000.0f, 0.035f);

  EXPECT_EQ(RelayBoardSetRelays(Relay, 35).Status, QString());
  EXPECT_EQ(Mixer.RelayMask(), 35);
  Mixer.SetBubblerTemperature(24.998);
  EXPECT_EQ(RelayBoardADCReading(RelayBoardReadADC(Relay)), 512);
}

#ifdef VERDANE_DEVSIM
TEST(DevSim, ServesUntilKilled)
{
  QProcess sim;
  sim.start(QStringLiteral(VERDANE_DEVSIM), {QStringLiteral("--bubbler-temperature"), "24.998"});
  ASSERT_TRUE(sim.waitForStarted(10000));
  QMap<QString, QString> ports;
  while (ports.size() < 2 && sim.waitForReadyRead(10000)) {
    while (sim.canReadLine()) {
      const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
      const qsizetype eq = line.indexOf(u'=');
      if (eq > 0) ports.insert(line.left(eq), line.mid(eq + 1));
    }
  }
  ASSERT_EQ(ports.keys(), (QStringList{"VERDANE_MFC_PORT", "VERDANE_RELAY_PORT"}));

  TSerialPort relay;
  UseRelayBoardSettings(relay);
  relay.Port = ports["VERDANE_RELAY_PORT"];
  relay.ReadoutTimeoutMS = 1000; // the simulator may be slow to start under the sanitizers
  EXPECT_TRUE(RelayBoardSelfTestPassed(RelayBoardSelfTest(relay)));
  EXPECT_EQ(RelayBoardADCReading(RelayBoardReadADC(relay)), 512);
  TVogtlinPort bus;
  UseMFCBusSettings(bus);
  bus.Port = ports["VERDANE_MFC_PORT"];
  bus.ReadoutTimeoutMS = 1000;
  EXPECT_EQ(bus.ReadS8(1, VogtlinRegister::ShortName).AsString, QStringLiteral("O2"));

  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(10000));
  EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(sim.exitCode(), 0);
}
#endif

} // namespace
