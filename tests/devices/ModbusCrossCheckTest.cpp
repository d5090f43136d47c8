// Cross-checks against an independent Modbus RTU implementation, libmodbus:
// as a server on the far end of a pseudo-terminal it answers our register
// reads and writes, and as a client it checks the imaginary controllers'
// replies (lengths, CRCs, exceptions).
#include "DeviceTestSupport.h"
#include "devices/Clock.h"
#include "devices/ImaginaryMixerServer.h"
#include "devices/SerialPortVogtlin.h"

#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <gtest/gtest.h>
#include <modbus/modbus.h>

namespace {

// Joins two pseudo-terminal pairs master to master, like a null-modem cable:
// a program on one slave end talks to a program on the other.
class TNullModem
{
public:
  TNullModem()
  {
    if (!FA.Open() || !FB.Open() || !FWake.Open()) return;
    FThread = std::thread([this] { Run(); });
  }
  ~TNullModem()
  {
    if (FThread.joinable()) {
      FWake.Wake();
      FThread.join();
    }
  }
  bool Ok() const { return FThread.joinable(); }
  QString EndA() const { return FA.SlavePath(); }
  QString EndB() const { return FB.SlavePath(); }

private:
  void Run()
  {
    for (;;) {
      pollfd fds[3] = {
          {FWake.ReadEnd(), POLLIN, 0}, {FA.Master(), POLLIN, 0}, {FB.Master(), POLLIN, 0}};
      if (::poll(fds, 3, -1) < 0) continue;
      if (fds[0].revents) return;
      Copy(fds[1], FA.Master(), FB.Master());
      Copy(fds[2], FB.Master(), FA.Master());
    }
  }
  static void Copy(const pollfd& From, int Source, int Target)
  {
    if (!(From.revents & POLLIN)) return;
    char buffer[512];
    const ssize_t n = ::read(Source, buffer, sizeof buffer);
    for (ssize_t done = 0; n > 0 && done < n;) {
      const ssize_t w = ::write(Target, buffer + done, size_t(n - done));
      if (w <= 0) return;
      done += w;
    }
  }

  TPseudoTerminal FA, FB;
  TWakePipe FWake;
  std::thread FThread;
};

void PutText(uint16_t* Registers, const char* Text, int Count)
{
  QByteArray t(Text);
  t.resize(2 * Count, ' ');
  for (int i = 0; i < Count; ++i)
    Registers[i] = uint16_t(uint8_t(t[2 * i]) << 8 | uint8_t(t[2 * i + 1]));
}

// A single in two registers, high word first. (The float helpers of the
// libmodbus in Debian 12 swap the bytes on little-endian machines, so the
// words are composed here.)
void PutFloat(float Value, uint16_t* Registers)
{
  const uint32_t bits = std::bit_cast<uint32_t>(Value);
  Registers[0] = uint16_t(bits >> 16);
  Registers[1] = uint16_t(bits & 0xFFFF);
}

float GetFloat(const uint16_t* Registers)
{
  return std::bit_cast<float>(uint32_t(Registers[0]) << 16 | Registers[1]);
}

QByteArray GetText(const uint16_t* Registers, int Count)
{
  QByteArray t;
  for (int i = 0; i < Count; ++i) {
    t.append(char(Registers[i] >> 8));
    t.append(char(Registers[i] & 0xFF));
  }
  return t;
}

// libmodbus as controller 1 on a register map that holds the registers the
// mixer uses.
class LibmodbusServer : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(Cable.Ok());
    Map = modbus_mapping_new(0, 0, 0x6400, 0);
    ASSERT_NE(Map, nullptr);
    uint16_t* reg = Map->tab_registers;
    PutFloat(0.0015f, &reg[VogtlinRegister::Totalizer]);
    PutText(&reg[VogtlinRegister::DeviceType], "GSC-TEST", 4);
    reg[VogtlinRegister::ActiveFluid] = 2;
    reg[VogtlinRegister::FluidIndex] = 2;
    PutFloat(0.0715f, &reg[VogtlinRegister::FullScale]);
    PutText(&reg[VogtlinRegister::LongName], "O2", 25);
    PutText(&reg[VogtlinRegister::ShortName], "O2", 4);
    PutText(&reg[VogtlinRegister::FlowUnit], "g/min", 4);
    reg[VogtlinRegister::Turndown] = 120;

    Context = modbus_new_rtu(Cable.EndA().toLocal8Bit().constData(), 9600, 'N', 8, 2);
    ASSERT_NE(Context, nullptr);
    modbus_set_slave(Context, 1);
    ASSERT_EQ(modbus_connect(Context), 0) << modbus_strerror(errno);
    modbus_set_indication_timeout(Context, 0, 50000);
    Server = std::thread([this] {
      uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
      while (!Stop) {
        const int rc = modbus_receive(Context, query);
        if (rc > 0)
          modbus_reply(Context, query, rc, Map);
        else if (rc < 0 && errno != ETIMEDOUT)
          modbus_flush(Context);
      }
    });
    UseMFCBusSettings(Port);
    Port.Port = Cable.EndB();
    Port.ReadoutTimeoutMS = 1000;
  }
  void StopServer()
  {
    Stop = true;
    if (Server.joinable()) Server.join();
  }
  void TearDown() override
  {
    StopServer();
    if (Context) {
      modbus_close(Context);
      modbus_free(Context);
    }
    if (Map) modbus_mapping_free(Map);
  }

  TNullModem Cable;
  modbus_mapping_t* Map = nullptr;
  modbus_t* Context = nullptr;
  std::atomic<bool> Stop{false};
  std::thread Server;
  TVogtlinPort Port;
};

TEST_F(LibmodbusServer, AnswersOurReads)
{
  namespace R = VogtlinRegister;
  TSerialResponse r = Port.ReadS8(1, R::DeviceType);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.AsString, QStringLiteral("GSCTEST"));
  EXPECT_EQ(Port.ReadU8(1, R::ActiveFluid).AsInteger, 2);
  EXPECT_EQ(Port.ReadU16(1, R::Turndown).AsInteger, 120);
  EXPECT_EQ(Port.ReadF32(1, R::Totalizer).AsFloat, 0.0015f);
  EXPECT_EQ(Port.ReadF32(1, R::FullScale).AsFloat, 0.0715f);
  EXPECT_EQ(Port.ReadS8(1, R::FlowUnit).AsString, QStringLiteral("g/min"));
  r = Port.ReadS50(1, R::LongName);
  EXPECT_EQ(r.Status, QString());
  EXPECT_EQ(r.AsString, QStringLiteral("O2").leftJustified(50));
}

TEST_F(LibmodbusServer, TakesOurWrites)
{
  namespace R = VogtlinRegister;
  EXPECT_EQ(Port.WriteU8(1, R::ActiveFluid, 4).Status, QString());
  EXPECT_EQ(Port.ReadU16(1, R::ActiveFluid).AsInteger, 4);
  EXPECT_EQ(Port.WriteF32(1, R::SetPoint, 0.4f).Status, QString());
  EXPECT_EQ(Port.ReadF32(1, R::SetPoint).AsFloat, 0.4f);
  EXPECT_EQ(Port.WriteF32(1, R::TotalizerReset, 0.0f).Status, QString());
  EXPECT_EQ(Port.ReadF32(1, R::TotalizerReset).AsFloat, 0.0f);
  StopServer();
  EXPECT_EQ(Map->tab_registers[R::ActiveFluid], 4);
  EXPECT_EQ(GetFloat(&Map->tab_registers[R::SetPoint]), 0.4f);
  EXPECT_EQ(Map->tab_registers[R::SetPoint], 0x3ECC);
  EXPECT_EQ(Map->tab_registers[R::SetPoint + 1], 0xCCCD);
}

TEST_F(LibmodbusServer, ExceptionsAndOtherAddresses)
{
  TSerialResponse r = Port.ReadU16(1, 0x7000); // beyond the map
  EXPECT_EQ(r.Status, VogtlinStatus::WrongLength());
  EXPECT_EQ(r.ResponseLength, 5);
  EXPECT_EQ(r.rArray[2], 0x83);
  EXPECT_EQ(r.rArray[3], MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
  Port.ReadoutTimeoutMS = 100;
  r = Port.ReadF32(2, VogtlinRegister::Totalizer); // nobody at address 2
  EXPECT_EQ(r.Status, VogtlinStatus::NoResult());
  EXPECT_TRUE(std::isnan(r.AsFloat));
}

// libmodbus as the program, asking the imaginary controllers.
class LibmodbusClient : public ::testing::Test
{
protected:
  void SetUp() override
  {
    QString error;
    ASSERT_TRUE(Server.Start(&error)) << error.toStdString();
    Context = modbus_new_rtu(Server.ControllerBusPort().toLocal8Bit().constData(), 9600, 'N', 8, 2);
    ASSERT_NE(Context, nullptr);
    ASSERT_EQ(modbus_connect(Context), 0) << modbus_strerror(errno);
    modbus_set_response_timeout(Context, 2, 0);
    modbus_set_slave(Context, 1);
  }
  void TearDown() override
  {
    if (Context) {
      modbus_close(Context);
      modbus_free(Context);
    }
  }

  TImaginaryMixer Mixer;
  TImaginaryMixerServer Server{Mixer, SystemClock()};
  modbus_t* Context = nullptr;
};

TEST_F(LibmodbusClient, ReadsTheControllers)
{
  namespace R = VogtlinRegister;
  uint16_t regs[25] = {};
  ASSERT_EQ(modbus_read_registers(Context, R::DeviceType, 4, regs), 4) << modbus_strerror(errno);
  EXPECT_EQ(GetText(regs, 4), QByteArray("GSC-B4SA"));
  ASSERT_EQ(modbus_read_registers(Context, R::FullScale, 2, regs), 2);
  EXPECT_EQ(GetFloat(regs), 0.0715f);
  ASSERT_EQ(modbus_read_registers(Context, R::LongName, 25, regs), 25);
  EXPECT_EQ(GetText(regs, 25), QByteArray("O2").leftJustified(50, ' '));
  ASSERT_EQ(modbus_read_registers(Context, R::Turndown, 1, regs), 1);
  EXPECT_EQ(regs[0], 120);

  modbus_set_slave(Context, 2);
  ASSERT_EQ(modbus_read_registers(Context, R::ShortName, 4, regs), 4);
  EXPECT_EQ(GetText(regs, 4), QByteArray("N2      "));
  ASSERT_EQ(modbus_read_registers(Context, R::FlowUnit, 4, regs), 4);
  EXPECT_EQ(GetText(regs, 4), QByteArray("g/min   "));
}

TEST_F(LibmodbusClient, WritesAreConfirmed)
{
  namespace R = VogtlinRegister;
  EXPECT_EQ(modbus_write_register(Context, R::ActiveFluid, 4), 1) << modbus_strerror(errno);
  EXPECT_EQ(modbus_write_register(Context, R::FluidIndex, 4), 1);
  EXPECT_EQ(Mixer.ActiveFluid(1), 4);
  uint16_t regs[25] = {};
  ASSERT_EQ(modbus_read_registers(Context, R::LongName, 25, regs), 25);
  EXPECT_EQ(GetText(regs, 25), QByteArray("Air").leftJustified(50, ' '));

  PutFloat(0.22f, regs);
  EXPECT_EQ(modbus_write_registers(Context, R::SetPoint, 2, regs), 2) << modbus_strerror(errno);
  EXPECT_EQ(Mixer.SetPoint(1), 0.22f);
  PutFloat(0.0f, regs);
  EXPECT_EQ(modbus_write_registers(Context, R::TotalizerReset, 2, regs), 2);
}

TEST_F(LibmodbusClient, Exceptions)
{
  uint16_t regs[4] = {};
  EXPECT_EQ(modbus_read_registers(Context, 0x1234, 2, regs), -1);
  EXPECT_EQ(errno, EMBXILADD);
  EXPECT_EQ(modbus_read_input_registers(Context, 4, 2, regs), -1);
  EXPECT_EQ(errno, EMBXILFUN);
  EXPECT_EQ(modbus_write_register(Context, VogtlinRegister::ActiveFluid, 9), -1);
  EXPECT_EQ(errno, EMBXILVAL);
  EXPECT_EQ(Mixer.ActiveFluid(1), 2);
}

} // namespace
