// verdane-devsim: serves the imaginary mixer (relay board and the two mass
// flow controllers) on one pseudo-terminal pair per line, until it is killed.
//
// Prints the two ports to open, one per line, in shell form:
//   VERDANE_RELAY_PORT=/dev/pts/N
//   VERDANE_MFC_PORT=/dev/pts/M
// Options: --bubbler-temperature C (default 22), --verbose (every request and
// reply on standard error). When it is ended (SIGINT, SIGTERM, SIGHUP) it
// prints the state the devices were left in: VERDANE_FINAL_RELAY_MASK=,
// VERDANE_FINAL_SETPOINT_1= and _2= (g/min), VERDANE_FINAL_TOTALIZER_1= and
// _2= (kg).
#include "devices/Clock.h"
#include "devices/ImaginaryMixer.h"
#include "devices/ImaginaryMixerServer.h"

#include <QByteArray>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>

namespace {
void Usage()
{
  std::fprintf(stderr, "usage: verdane-devsim [--bubbler-temperature C] [--verbose]\n");
}

QByteArray Hex(const QByteArray& Bytes)
{
  return Bytes.toHex(' ').toUpper();
}
} // namespace

int main(int argc, char** argv)
{
  double temperature = 22.0;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(argv[i], "--bubbler-temperature") == 0 && i + 1 < argc) {
      char* end = nullptr;
      temperature = std::strtod(argv[++i], &end);
      if (end == argv[i] || *end != '\0') {
        Usage();
        return 2;
      }
    } else {
      Usage();
      return 2;
    }
  }

  // The signals that end the simulator are taken by sigwait below, on this
  // thread; the server's thread must not see them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  TImaginaryMixer mixer;
  mixer.SetBubblerTemperature(temperature);
  TImaginaryMixerServer server(mixer, SystemClock());
  if (verbose) {
    server.SetTrace([](TImaginaryLine Line, const QByteArray& Request, const QByteArray& Reply) {
      std::fprintf(stderr, "%s: %s -> %s\n", Line == TImaginaryLine::RelayBoard ? "relay" : "mfc",
                   Hex(Request).constData(), Reply.isEmpty() ? "(none)" : Hex(Reply).constData());
    });
  }
  QString error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "verdane-devsim: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  std::printf("VERDANE_RELAY_PORT=%s\n", server.RelayBoardPort().toLocal8Bit().constData());
  std::printf("VERDANE_MFC_PORT=%s\n", server.ControllerBusPort().toLocal8Bit().constData());
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  server.Stop();
  // What the devices were left in, for whoever ran the mixer against them.
  const double now = SystemClock().Now();
  std::printf("VERDANE_FINAL_RELAY_MASK=%d\n", int(mixer.RelayMask()));
  for (int address : {1, 2}) {
    std::printf("VERDANE_FINAL_SETPOINT_%d=%.9g\n", address, double(mixer.SetPoint(address)));
    std::printf("VERDANE_FINAL_TOTALIZER_%d=%.12g\n", address, mixer.TotalizerAt(address, now));
  }
  std::fflush(stdout);
  return 0;
}
