// The mixer's 250 ms cycle with and without clients of the remote interface:
// Verdane's window against verdane-devsim runs a mixture; first alone, then
// with 50 clients that each ask for /api/status ten times a second. Prints
// the cycle's tick lateness (the time between two ticks beyond 250 ms:
// median, 99th percentile, maximum) in both phases and the requests served.
//
// verdane-bench-remote [--seconds S] [--clients N] [--rate HZ] [--ppm-a A] [--ppm-h2o W]
#include "app/MixerControl.h"
#include "app/StartOptions.h"
#include "app/UnitMain.h"
#include "remote/RemoteServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
struct TClientCounts
{
  std::atomic<long> Served{0}, Failed{0};
  std::mutex Mutex;
  std::vector<double> LatencyMs;
};

// One client: a keep-alive connection, GET /api/status at Rate per second
// until Stop, reconnecting after a failure.
void Client(quint16 Port, double Rate, const std::atomic<bool>& Stop, TClientCounts& Counts)
{
  using clock = std::chrono::steady_clock;
  const auto period = std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(1.0 / Rate));
  auto next = clock::now();
  int fd = -1;
  std::vector<double> latencies;
  const QByteArray request = "GET /api/status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  while (!Stop) {
    std::this_thread::sleep_until(next);
    next += period;
    if (fd < 0) {
      fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_port = htons(Port);
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        fd = -1;
        ++Counts.Failed;
        continue;
      }
    }
    const auto start = clock::now();
    bool ok = ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size();
    QByteArray in;
    qsizetype want = -1;
    while (ok) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) {
        ok = false;
        break;
      }
      char chunk[8192];
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) {
        ok = false;
        break;
      }
      in.append(chunk, n);
      const qsizetype end = in.indexOf("\r\n\r\n");
      if (want < 0 && end >= 0) {
        const qsizetype at = in.toLower().indexOf("content-length:");
        want = end + 4 + (at >= 0 ? in.mid(at + 15, in.indexOf('\r', at) - at - 15).trimmed().toLongLong() : 0);
      }
      if (want >= 0 && in.size() >= want) break;
    }
    if (ok && in.startsWith("HTTP/1.1 200")) {
      ++Counts.Served;
      latencies.push_back(std::chrono::duration<double, std::milli>(clock::now() - start).count());
    } else {
      ++Counts.Failed;
      ::close(fd);
      fd = -1;
    }
  }
  if (fd >= 0) ::close(fd);
  std::lock_guard<std::mutex> lock(Counts.Mutex);
  Counts.LatencyMs.insert(Counts.LatencyMs.end(), latencies.begin(), latencies.end());
}

double Quantile(std::vector<double> v, double q)
{
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[size_t(std::min<double>(v.size() - 1, std::floor(q * (v.size() - 1) + 0.5)))];
}

void Report(const char* Name, const std::vector<double>& Lateness)
{
  std::printf("%s ticks=%zu lateness_median_ms=%.1f lateness_p99_ms=%.1f lateness_max_ms=%.1f\n",
              Name, Lateness.size(), Quantile(Lateness, 0.5), Quantile(Lateness, 0.99),
              Lateness.empty() ? 0.0 : *std::max_element(Lateness.begin(), Lateness.end()));
}

// Waits Ms while the window's cycle runs.
void Run(int Ms)
{
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < Ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}
} // namespace

int main(int argc, char** argv)
{
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  int seconds = 60, clients = 50, ppmA = 1000, ppmH2O = 0;
  double rate = 10;
  const QStringList args = app.arguments();
  for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
    const QString& a = args[i];
    if (a == "--seconds") seconds = args[i + 1].toInt();
    else if (a == "--clients") clients = args[i + 1].toInt();
    else if (a == "--rate") rate = args[i + 1].toDouble();
    else if (a == "--ppm-a") ppmA = args[i + 1].toInt();
    else if (a == "--ppm-h2o") ppmH2O = args[i + 1].toInt();
    else {
      std::fprintf(stderr, "usage: verdane-bench-remote [--seconds S] [--clients N] [--rate HZ] "
                           "[--ppm-a A] [--ppm-h2o W]\n");
      return 2;
    }
  }

  QProcess sim;
  sim.start(QStringLiteral(VERDANE_DEVSIM), {});
  QString relay, mfc;
  while (sim.waitForReadyRead(5000) || sim.canReadLine()) {
    while (sim.canReadLine()) {
      const QString line = QString::fromLocal8Bit(sim.readLine()).trimmed();
      if (line.startsWith("VERDANE_RELAY_PORT=")) relay = line.section(u'=', 1);
      if (line.startsWith("VERDANE_MFC_PORT=")) mfc = line.section(u'=', 1);
    }
    if (!relay.isEmpty() && !mfc.isEmpty()) break;
  }
  if (relay.isEmpty() || mfc.isEmpty()) {
    std::fprintf(stderr, "verdane-devsim did not start\n");
    return 1;
  }

  TForm1 form;
  form.show();
  TStartOptions options;
  options.RelayPort = relay;
  options.MFCPort = mfc;
  options.GasA = QStringLiteral("O2");
  options.GasB = QStringLiteral("N2");
  ApplyStartOptions(form, options);
  TRemoteServer server(form, TRemoteSettings());
  QString error;
  if (!server.Listen(&error)) {
    std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
    return 1;
  }
  const TCommandResult applied = form.Control().ApplyMixture(ppmA, ppmH2O);
  if (!applied.IsDone()) {
    std::fprintf(stderr, "the mixture was refused: %s\n", applied.Message.toLocal8Bit().constData());
    return 1;
  }
  std::printf("mixture: %d ppm A, %d ppm H2O, %s; %d s per phase, %d clients at %.0f Hz\n", ppmA,
              ppmH2O, form.Shared.MixingMethod.toLocal8Bit().constData(), seconds, clients, rate);

  QElapsedTimer clock;
  clock.start();
  std::vector<double> lateness;
  qint64 last = -1;
  bool recording = false;
  QObject::connect(form.Timer1, &QTimer::timeout, &form, [&] {
    const qint64 now = clock.nsecsElapsed();
    if (recording && last >= 0) lateness.push_back((now - last) / 1e6 - 250.0);
    last = now;
  });

  Run(5000); // the fast recording of the first 30 s is part of both phases alike
  recording = true;
  Run(seconds * 1000);
  recording = false;
  const std::vector<double> alone = lateness;
  lateness.clear();

  TClientCounts counts;
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i)
    threads.emplace_back(Client, server.Port(), rate, std::cref(stop), std::ref(counts));
  Run(1000);
  last = -1;
  recording = true;
  const long servedBefore = counts.Served;
  Run(seconds * 1000);
  recording = false;
  const long served = counts.Served - servedBefore;
  stop = true;
  // The server goes on answering while the clients end: a request under way
  // when they are told to stop is not counted as failed for want of an
  // event loop.
  Run(1500);
  for (std::thread& t : threads) t.join();

  Report("without_clients", alone);
  Report("with_clients", lateness);
  std::printf("requests_served=%ld (%.0f/s) failed=%ld latency_median_ms=%.2f latency_p99_ms=%.2f\n",
              served, served / double(seconds), counts.Failed.load(), Quantile(counts.LatencyMs, 0.5),
              Quantile(counts.LatencyMs, 0.99));
  form.Control().Stop();
  Run(600);
  sim.kill();
  sim.waitForFinished(2000);
  return 0;
}
