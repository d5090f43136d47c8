#include "devices/ImaginaryMixerServer.h"

#include "devices/Clock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr long long cSilenceMs = 5;      // a request ends after this much silence
constexpr long long cWriteLimitMs = 500; // a reply nobody reads is dropped after this

long long MonotonicMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetNonBlocking(int Fd)
{
  ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) | O_NONBLOCK);
}

// Writes all of Data to the master end, waiting while the line's queue is full.
void WriteAll(int Fd, const QByteArray& Data)
{
  qsizetype done = 0;
  const long long until = MonotonicMs() + cWriteLimitMs;
  while (done < Data.size()) {
    const ssize_t n = ::write(Fd, Data.constData() + done, std::size_t(Data.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
    const long long left = until - MonotonicMs();
    if (left <= 0) return;
    pollfd p{Fd, POLLOUT, 0};
    ::poll(&p, 1, int(left));
  }
}
} // namespace

TImaginaryMixerServer::TImaginaryMixerServer(TImaginaryMixer& Mixer, TClock& Clock)
    : FMixer(Mixer), FClock(Clock)
{
}

TImaginaryMixerServer::~TImaginaryMixerServer()
{
  Stop();
}

bool TImaginaryMixerServer::Start(QString* Error)
{
  Stop();
  if (!FRelay.Pty.Open(Error) || !FBus.Pty.Open(Error)) {
    FRelay.Pty.Close();
    FBus.Pty.Close();
    return false;
  }
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (Error) *Error = QStringLiteral("pipe2 failed");
    FRelay.Pty.Close();
    FBus.Pty.Close();
    return false;
  }
  SetNonBlocking(FRelay.Pty.Master());
  SetNonBlocking(FBus.Pty.Master());
  FThread = std::thread([this] { Run(); });
  return true;
}

void TImaginaryMixerServer::Stop()
{
  if (FThread.joinable()) {
    const char stop = 's';
    while (::write(FWake[1], &stop, 1) < 0 && errno == EINTR) {
    }
    FThread.join();
  }
  for (int& fd : FWake) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  FRelay.Pty.Close();
  FBus.Pty.Close();
  FRelay.Pending.clear();
  FBus.Pending.clear();
}

void TImaginaryMixerServer::Serve(TEndpoint& E, const QByteArray& Frame)
{
  const double now = FClock.Now();
  const QByteArray reply = E.Line == TImaginaryLine::RelayBoard
                               ? FMixer.RelayBoardFrame(Frame, now)
                               : FMixer.ControllerBusFrame(Frame, now);
  if (!reply.isEmpty()) WriteAll(E.Pty.Master(), reply);
  if (FTrace) FTrace(E.Line, Frame, reply);
}

// Serves every complete request at the start of the pending bytes.
void TImaginaryMixerServer::Drain(TEndpoint& E)
{
  for (;;) {
    const qsizetype length = TImaginaryMixer::FrameLength(E.Line, E.Pending);
    if (length <= 0 || E.Pending.size() < length) return;
    const QByteArray frame = E.Pending.left(length);
    E.Pending.remove(0, length);
    Serve(E, frame);
  }
}

void TImaginaryMixerServer::Run()
{
  TEndpoint* endpoints[] = {&FRelay, &FBus};
  for (;;) {
    // Wait for bytes, or until the oldest unfinished request falls silent.
    int timeout = -1;
    const long long now = MonotonicMs();
    for (TEndpoint* e : endpoints)
      if (!e->Pending.isEmpty()) {
        const long long left = std::max(0LL, e->LastByteMs + cSilenceMs - now);
        timeout = timeout < 0 ? int(left) : std::min(timeout, int(left));
      }
    pollfd fds[3] = {
        {FWake[0], POLLIN, 0}, {FRelay.Pty.Master(), POLLIN, 0}, {FBus.Pty.Master(), POLLIN, 0}};
    const int ready = ::poll(fds, 3, timeout);
    if (ready < 0 && errno != EINTR) return;
    if (fds[0].revents) return;

    for (int i = 0; i < 2; ++i) {
      TEndpoint& e = *endpoints[i];
      if (fds[i + 1].revents & POLLIN) {
        char buffer[512];
        ssize_t n;
        while ((n = ::read(e.Pty.Master(), buffer, sizeof buffer)) > 0) {
          e.Pending.append(buffer, qsizetype(n));
          e.LastByteMs = MonotonicMs();
        }
        Drain(e);
      } else if (fds[i + 1].revents & (POLLHUP | POLLERR)) {
        // Cannot happen while the slave end is held open; do not spin if it does.
        ::usleep(10000);
      }
      if (!e.Pending.isEmpty() && MonotonicMs() - e.LastByteMs >= cSilenceMs) {
        const QByteArray frame = e.Pending;
        e.Pending.clear();
        Serve(e, frame);
      }
    }
  }
}
