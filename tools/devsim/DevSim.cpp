// verdane-devsim: serves the imaginary mixer (relay board and the two mass
// flow controllers) on one pseudo-terminal pair per line, until it is killed.
//
// Prints the two ports to open, one per line, in shell form:
//   VERDANE_RELAY_PORT=/dev/pts/N
//   VERDANE_MFC_PORT=/dev/pts/M
// When it is ended (SIGINT, SIGTERM, SIGHUP) it prints the state the devices
// were left in: VERDANE_FINAL_RELAY_MASK=, VERDANE_FINAL_SETPOINT_1= and _2=
// (g/min), VERDANE_FINAL_TOTALIZER_1= and _2= (kg). --help lists the options,
// the faults among them.
#include "controls/GvDateTime.h"
#include "devices/Clock.h"
#include "devices/DeviceFaults.h"
#include "devices/ImaginaryMixer.h"
#include "devices/ImaginaryMixerServer.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>

namespace {
const char* const cUsage =
    "usage: verdane-devsim [options]\n"
    "Serves a relay board and two mass flow controllers on pseudo-terminals.\n"
    "  --bubbler-temperature C   temperature the bubbler's thermistor reads (default 22)\n"
    "  --initial-relays MASK     relay mask the board starts with (0..63, default 0)\n"
    "  --initial-setpoints A,B   set-points (g/min) the controllers start with (default 0,0)\n"
    "  --links DIR               publish the ports as DIR/relay and DIR/mfc (links that\n"
    "                            follow a line that goes and comes back)\n"
    "  --verbose                 log every request and reply, and every line that goes\n"
    "                            or comes back, on standard error, each with the time\n"
    "  --help                    this text\n";

void Usage(FILE* To)
{
  std::fputs(cUsage, To);
  std::fputs(DeviceFaultHelp().toLocal8Bit().constData(), To);
  std::fputs("  Without --links, a gone fault publishes links in a temporary folder.\n"
             "Example: verdane-devsim --verbose --fault mfc2:silent:after=30:for=20 "
             "--fault relay:gone:from=50:for=10\n",
             To);
}

int Refuse(const QString& Reason)
{
  std::fprintf(stderr, "verdane-devsim: %s (see verdane-devsim --help)\n",
               Reason.toLocal8Bit().constData());
  return 2;
}

QByteArray Hex(const QByteArray& Bytes)
{
  return Bytes.toHex(' ').toUpper();
}

const char* LineName(TImaginaryLine Line)
{
  return Line == TImaginaryLine::RelayBoard ? "relay" : "mfc";
}

// The time of day for the log, to the millisecond.
QByteArray Stamp()
{
  return FormatDateTime(QStringLiteral("hh:nn:ss.zzz"), SystemClock().Now()).toLatin1();
}

bool ParseNumber(const char* Text, double& Value)
{
  char* end = nullptr;
  Value = std::strtod(Text, &end);
  return end != Text && *end == '\0' && std::isfinite(Value);
}
} // namespace

int main(int argc, char** argv)
{
  double temperature = 22.0;
  bool verbose = false;
  int initialRelays = 0;
  float initialSetPoints[2] = {0, 0};
  QString links;
  QList<TDeviceFault> faults;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(arg, "--verbose") == 0) {
      verbose = true;
    } else if (std::strcmp(arg, "--help") == 0) {
      Usage(stdout);
      return 0;
    } else if (std::strcmp(arg, "--bubbler-temperature") == 0 && hasValue) {
      if (!ParseNumber(argv[++i], temperature))
        return Refuse(QStringLiteral("bad temperature \"%1\"").arg(argv[i]));
    } else if (std::strcmp(arg, "--initial-relays") == 0 && hasValue) {
      double mask = 0;
      if (!ParseNumber(argv[++i], mask) || mask < 0 || mask > 63 || mask != int(mask))
        return Refuse(QStringLiteral("bad relay mask \"%1\" (0..63)").arg(argv[i]));
      initialRelays = int(mask);
    } else if (std::strcmp(arg, "--initial-setpoints") == 0 && hasValue) {
      const QStringList parts = QString::fromLocal8Bit(argv[++i]).split(u',');
      bool ok = parts.size() == 2;
      for (int k = 0; ok && k < 2; ++k) {
        initialSetPoints[k] = parts[k].toFloat(&ok);
        ok = ok && std::isfinite(initialSetPoints[k]) && initialSetPoints[k] >= 0;
      }
      if (!ok) return Refuse(QStringLiteral("bad set-points \"%1\" (A,B)").arg(argv[i]));
    } else if (std::strcmp(arg, "--links") == 0 && hasValue) {
      links = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(arg, "--fault") == 0 && hasValue) {
      QString error;
      const std::optional<TDeviceFault> fault =
          ParseDeviceFault(QString::fromLocal8Bit(argv[++i]), &error);
      if (!fault) return Refuse(error);
      faults << *fault;
    } else {
      return Refuse(QStringLiteral("unknown option \"%1\"").arg(arg));
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
  mixer.SetRelayMask(uint8_t(initialRelays));
  mixer.SetSetPoint(1, initialSetPoints[0]);
  mixer.SetSetPoint(2, initialSetPoints[1]);
  mixer.SetFaults(faults, SystemClock().Now());

  // A line that goes comes back under the same path only through a link.
  QString ownLinks;
  if (links.isEmpty() && mixer.HasGoneFaults()) {
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/verdane-devsim.XXXXXX";
    if (!::mkdtemp(pattern.data())) return Refuse(QStringLiteral("cannot make a folder for links"));
    links = ownLinks = QString::fromLocal8Bit(pattern);
  }

  TImaginaryMixerServer server(mixer, SystemClock());
  if (!links.isEmpty())
    server.SetLinks(links + QStringLiteral("/relay"), links + QStringLiteral("/mfc"));
  std::mutex logMutex;
  if (verbose) {
    server.SetTrace([&logMutex](TImaginaryLine Line, const QByteArray& Request,
                                const QByteArray& Reply) {
      std::lock_guard<std::mutex> lock(logMutex);
      std::fprintf(stderr, "%s %s: %s -> %s\n", Stamp().constData(), LineName(Line),
                   Hex(Request).constData(), Reply.isEmpty() ? "(none)" : Hex(Reply).constData());
    });
    server.SetEventTrace([&logMutex](TImaginaryLine Line, const QString& Event) {
      std::lock_guard<std::mutex> lock(logMutex);
      std::fprintf(stderr, "%s %s: %s\n", Stamp().constData(), LineName(Line),
                   Event.toLocal8Bit().constData());
    });
    for (const TDeviceFault& f : faults)
      std::fprintf(stderr, "%s fault: %s\n", Stamp().constData(),
                   DeviceFaultText(f).toLocal8Bit().constData());
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
  if (!ownLinks.isEmpty()) QDir().rmdir(ownLinks);
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
