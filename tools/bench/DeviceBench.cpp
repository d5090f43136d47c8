// Time of one register read, one register write and one relay command on a
// pseudo-terminal against the imaginary mixer (served as verdane-devsim serves
// it), and of the same operations on the in-process fake port, beside what a
// real line adds: the wire time of request and reply at 9600 and 115200 baud
// with 8 data bits, no parity and 2 stop bits (11 bits a byte), and the fixed
// waits of the transaction (two polls, the 20 ms of silence that ends a read,
// the pause after a register write).
//
// A pseudo-terminal has no wire time, so "real time" here is the fixed waits
// plus the cost of opening, configuring and closing the port each time.
#include "devices/Clock.h"
#include "devices/ImaginaryMixerServer.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

double WireMs(int Bytes, int Baud)
{
  return Bytes * 11 * 1000.0 / Baud;
}

void Report(benchmark::State& State, int RequestBytes, int ReplyBytes, double FixedWaitsMs)
{
  const int bytes = RequestBytes + ReplyBytes;
  State.counters["bytes"] = bytes;
  State.counters["wire_9600_8N2_ms"] = WireMs(bytes, 9600);
  State.counters["wire_115200_8N2_ms"] = WireMs(bytes, 115200);
  State.counters["fixed_waits_ms"] = FixedWaitsMs;
}

// The simulator on pseudo-terminals, started once for all benchmarks.
class TSimulator
{
public:
  TSimulator() : FServer(FMixer, SystemClock()) { FServer.Start(); }
  QString Bus() const { return FServer.ControllerBusPort(); }
  QString Relay() const { return FServer.RelayBoardPort(); }

private:
  TImaginaryMixer FMixer;
  TImaginaryMixerServer FServer;
};

TSimulator& Simulator()
{
  static TSimulator simulator;
  return simulator;
}

// The in-process fake port, in real time.
struct TFake
{
  TImaginaryMixer Mixer;
  TDeviceTransport Transport{&Mixer};
  TDeviceContext Context{&SystemClock(), &Transport};
};

void Run(benchmark::State& State, const std::function<QString()>& Once)
{
  for (auto _ : State) {
    const QString status = Once();
    if (!status.isEmpty()) {
      State.SkipWithError(status.toLocal8Bit().constData());
      break;
    }
  }
}

void RegisterRead(benchmark::State& State, bool OnPty)
{
  TFake fake;
  TVogtlinPort port(OnPty ? TDeviceContext{} : fake.Context);
  UseMFCBusSettings(port);
  port.Port = OnPty ? Simulator().Bus() : FakePortName();
  Run(State, [&] { return port.ReadF32(2, VogtlinRegister::Totalizer).Status; });
  // Two 10 ms polls, and on a real line 20 ms of silence after the reply.
  Report(State, 8, 9, OnPty ? 40.0 : 20.0);
}

void RegisterWrite(benchmark::State& State, bool OnPty)
{
  TFake fake;
  TVogtlinPort port(OnPty ? TDeviceContext{} : fake.Context);
  UseMFCBusSettings(port);
  port.Port = OnPty ? Simulator().Bus() : FakePortName();
  Run(State, [&] { return port.WriteF32(2, VogtlinRegister::SetPoint, 0.4f).Status; });
  Report(State, 13, 0, 10.0); // the pause after sending; the confirmation is not read
}

void RelayCommand(benchmark::State& State, bool OnPty)
{
  TFake fake;
  TSerialPort port(OnPty ? TDeviceContext{} : fake.Context);
  UseRelayBoardSettings(port, true);
  port.Port = OnPty ? Simulator().Relay() : FakePortName();
  uint8_t mask = 19;
  Run(State, [&] {
    mask = mask == 19 ? 24 : 19;
    return RelayBoardSetRelays(port, mask).Status;
  });
  // Two 5 ms polls, and on a real line 20 ms of silence after the reply.
  Report(State, 3, 1, OnPty ? 30.0 : 10.0);
}

} // namespace

BENCHMARK_CAPTURE(RegisterRead, pty, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(RegisterRead, fake, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(RegisterWrite, pty, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(RegisterWrite, fake, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(RelayCommand, pty, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(RelayCommand, fake, false)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv); // QSerialPort wants an application object
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
