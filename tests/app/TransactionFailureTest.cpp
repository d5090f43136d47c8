// The failure texts of the serial transaction that every device operation of
// the window runs on: each step that the line refuses gives its own status,
// and the line is closed on every way out that opened it.
#include "devices/Clock.h"
#include "devices/SerialPort.h"

#include <gtest/gtest.h>

namespace {
enum class TStep
{
  None,
  Open,
  Configure,
  Timeouts,
  Buffers,
  Write,
  Read
};

// A line that answers every request with three bytes, and refuses one step.
class TRefusingTransport : public TSerialTransport
{
public:
  TStep Refuse = TStep::None;
  bool Silent = false; // no reply at all
  int Opened = 0;
  int Closed = 0;

  std::unique_ptr<TSerialLine> Open(const QString&, TClock&) override
  {
    if (Refuse == TStep::Open) return nullptr;
    ++Opened;
    return std::make_unique<TLine>(*this);
  }

private:
  class TLine : public TSerialLine
  {
  public:
    explicit TLine(TRefusingTransport& T) : FT(T) {}
    bool Configure(int, int, int) override { return FT.Refuse != TStep::Configure; }
    bool SetTimeouts(const TSerialTimeouts&) override { return FT.Refuse != TStep::Timeouts; }
    bool SetBuffers(unsigned, unsigned) override { return FT.Refuse != TStep::Buffers; }
    void DiscardInput() override {}
    bool Write(const uint8_t*, std::size_t) override
    {
      FWaiting = FT.Silent ? 0 : 3;
      return FT.Refuse != TStep::Write;
    }
    std::size_t BytesWaiting() override { return FWaiting; }
    bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
    {
      Count = 0;
      if (FT.Refuse == TStep::Read) return false;
      for (Count = 0; Count < FWaiting && Count < MaxCount; ++Count) Buffer[Count] = uint8_t(85);
      return true;
    }
    void Close() override { ++FT.Closed; }

  private:
    TRefusingTransport& FT;
    std::size_t FWaiting = 0;
  };
};
} // namespace

TEST(SerialTransaction, EachRefusedStepHasItsTextAndClosesTheLine)
{
  struct Case
  {
    const char* name;
    TStep refuse;
    bool silent;
    const char* status;
  };
  const Case cases[] = {
      {"port cannot be opened", TStep::Open, false, "Failed to setup Com port, port in use"},
      {"line settings refused", TStep::Configure, false, "Failed to setup Com port, port in use"},
      {"time-outs refused", TStep::Timeouts, false, "Failed to setup Com port timeouts"},
      {"queue sizes refused", TStep::Buffers, false, "Failed to setup Com port buffer size"},
      {"write failed", TStep::Write, false, "Failed to write to Com port"},
      {"read failed", TStep::Read, false, "Failed to read from Com port"},
      {"no reply", TStep::None, true, "Timeout while waiting for response"},
      {"reply", TStep::None, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TVirtualClock clock;
    TRefusingTransport transport;
    transport.Refuse = c.refuse;
    transport.Silent = c.silent;
    TSerialPort port({&clock, &transport});
    port.Port = QStringLiteral("/dev/ttyS9");
    port.WindowsReadLoopTimeoutMS = 10;
    port.ReadoutTimeoutMS = 50;
    const uint8_t request[] = {254, 33};
    const TSerialResponse r = port.SendData(request, sizeof request, true);
    EXPECT_EQ(r.Status, QString::fromLatin1(c.status));
    EXPECT_EQ(transport.Closed, transport.Opened);
    EXPECT_EQ(transport.Opened, c.refuse == TStep::Open ? 0 : 1);
    EXPECT_EQ(r.ResponseLength, *c.status ? 0 : 3);
    EXPECT_EQ(r.Response.isEmpty(), *c.status != 0);
  }
}
