#include "devices/ImaginaryMixerServer.h"

#include "devices/Clock.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr long long cSilenceMs = 5;      // a request ends after this much silence
constexpr long long cWriteLimitMs = 500; // a reply nobody reads is dropped after this
constexpr int cFaultPollMs = 10;         // how often a line that may go is looked at
// How often a late reply's time is looked at: the server's clock may be a
// virtual one that runs ahead of real time.
constexpr long long cLatePollMs = 2;
// How long DeliverDue waits for a late reply to reach the program's end.
constexpr long long cReadableLimitMs = 50;

long long MonotonicMs()
{
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetNonBlocking(int Fd)
{
  ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) | O_NONBLOCK);
}

// Bytes waiting to be read at a terminal's end.
int QueuedAt(int Fd)
{
  int n = 0;
  if (Fd < 0 || ::ioctl(Fd, FIONREAD, &n) != 0) return 0;
  return n;
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

// Points the symbolic link Link at Target, replacing a link that is there.
bool PlaceLink(const QString& Link, const QString& Target, QString* Error)
{
  const QByteArray link = Link.toLocal8Bit();
  struct stat st
  {
  };
  if (::lstat(link.constData(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      if (Error) *Error = Link + QStringLiteral(" exists and is not a symbolic link");
      return false;
    }
    ::unlink(link.constData());
  }
  if (::symlink(Target.toLocal8Bit().constData(), link.constData()) != 0) {
    if (Error) *Error = Link + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  return true;
}

void RemoveLink(const QString& Link)
{
  if (Link.isEmpty()) return;
  const QByteArray link = Link.toLocal8Bit();
  struct stat st
  {
  };
  if (::lstat(link.constData(), &st) == 0 && S_ISLNK(st.st_mode)) ::unlink(link.constData());
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

void TImaginaryMixerServer::SetLinks(const QString& RelayBoardLink,
                                     const QString& ControllerBusLink)
{
  FRelay.Link = RelayBoardLink;
  FBus.Link = ControllerBusLink;
}

QString TImaginaryMixerServer::PortOf(const TEndpoint& E) const
{
  if (!E.Link.isEmpty()) return E.Link;
  std::lock_guard<std::mutex> lock(FPathMutex);
  return E.SlavePath;
}

QString TImaginaryMixerServer::RelayBoardPort() const
{
  return PortOf(FRelay);
}

QString TImaginaryMixerServer::ControllerBusPort() const
{
  return PortOf(FBus);
}

bool TImaginaryMixerServer::OpenLine(TEndpoint& E, QString* Error)
{
  std::lock_guard<std::mutex> writing(FWriteMutex);
  if (!E.Pty.Open(Error)) return false;
  if (!E.Link.isEmpty() && !PlaceLink(E.Link, E.Pty.SlavePath(), Error)) {
    E.Pty.Close();
    return false;
  }
  SetNonBlocking(E.Pty.Master());
  std::lock_guard<std::mutex> lock(FPathMutex);
  E.SlavePath = E.Pty.SlavePath();
  E.Gone = false;
  return true;
}

void TImaginaryMixerServer::CloseLine(TEndpoint& E)
{
  std::lock_guard<std::mutex> writing(FWriteMutex);
  RemoveLink(E.Link);
  E.Pty.Close();
  E.Pending.clear();
  E.Late.clear();
  std::lock_guard<std::mutex> lock(FPathMutex);
  E.SlavePath.clear();
}

bool TImaginaryMixerServer::Start(QString* Error)
{
  Stop();
  if (!OpenLine(FRelay, Error) || !OpenLine(FBus, Error)) {
    CloseLine(FRelay);
    CloseLine(FBus);
    return false;
  }
  if (::pipe2(FWake, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (Error) *Error = QStringLiteral("pipe2 failed");
    CloseLine(FRelay);
    CloseLine(FBus);
    return false;
  }
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
  CloseLine(FRelay);
  CloseLine(FBus);
  FRelay.Gone = FBus.Gone = false;
}

void TImaginaryMixerServer::Serve(TEndpoint& E, const QByteArray& Frame)
{
  const double now = FClock.Now();
  unsigned delayMs = 0;
  const QByteArray reply = E.Line == TImaginaryLine::RelayBoard
                               ? FMixer.RelayBoardFrame(Frame, now, &delayMs)
                               : FMixer.ControllerBusFrame(Frame, now, &delayMs);
  if (FTrace) FTrace(E.Line, Frame, reply);
  if (reply.isEmpty()) return;
  std::lock_guard<std::mutex> writing(FWriteMutex);
  if (delayMs > 0)
    E.Late.append({now + delayMs / 86400000.0, reply});
  else
    WriteAll(E.Pty.Master(), reply);
}

void TImaginaryMixerServer::DeliverDueLocked(TEndpoint& E, bool UntilReadable)
{
  if (E.Pty.Master() < 0) return;
  const double now = FClock.Now();
  while (!E.Late.isEmpty() && E.Late.first().first <= now) {
    const QByteArray reply = E.Late.takeFirst().second;
    const int before = QueuedAt(E.Pty.Slave());
    WriteAll(E.Pty.Master(), reply);
    // The terminal passes the bytes on to the program's end a moment later.
    const long long until = MonotonicMs() + cReadableLimitMs;
    while (UntilReadable && QueuedAt(E.Pty.Slave()) < before + reply.size() &&
           MonotonicMs() < until)
      ::usleep(100);
  }
}

void TImaginaryMixerServer::DeliverDue()
{
  std::lock_guard<std::mutex> writing(FWriteMutex);
  DeliverDueLocked(FRelay, true);
  DeliverDueLocked(FBus, true);
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
    if (E.Gone || E.Pty.Master() < 0) return;
  }
}

// Closes a line that a fault has taken away, and opens it again when the
// fault is over.
void TImaginaryMixerServer::FollowFaults(TEndpoint& E)
{
  const bool gone = FMixer.LineGone(E.Line, FClock.Now());
  if (gone && !E.Gone) {
    CloseLine(E);
    E.Gone = true;
    if (FEventTrace) FEventTrace(E.Line, QStringLiteral("gone"));
  } else if (!gone && E.Gone) {
    QString error;
    if (OpenLine(E, &error)) {
      if (FEventTrace) FEventTrace(E.Line, QStringLiteral("back at ") + E.Pty.SlavePath());
    } else if (FEventTrace) {
      FEventTrace(E.Line, QStringLiteral("cannot come back: ") + error);
    }
  }
}

void TImaginaryMixerServer::Run()
{
  TEndpoint* endpoints[] = {&FRelay, &FBus};
  for (;;) {
    // A line may go while a gone fault is set, and comes back when its
    // fault ends or is taken away.
    const bool mayGo = FMixer.HasGoneFaults() || FRelay.Gone || FBus.Gone;
    for (TEndpoint* e : endpoints)
      if (mayGo) FollowFaults(*e);

    // Wait for bytes, for the oldest unfinished request to fall silent, for a
    // late reply to be due, or for a line that may go.
    long long timeout = mayGo ? cFaultPollMs : -1;
    const long long now = MonotonicMs();
    const auto sooner = [&timeout](long long left) {
      left = std::max(0LL, left);
      timeout = timeout < 0 ? left : std::min(timeout, left);
    };
    {
      std::lock_guard<std::mutex> writing(FWriteMutex);
      for (TEndpoint* e : endpoints) {
        if (!e->Pending.isEmpty()) sooner(e->LastByteMs + cSilenceMs - now);
        if (!e->Late.isEmpty())
          sooner(std::min(cLatePollMs,
                          (long long)((e->Late.first().first - FClock.Now()) * 86400000)));
      }
    }
    pollfd fds[3] = {
        {FWake[0], POLLIN, 0}, {FRelay.Pty.Master(), POLLIN, 0}, {FBus.Pty.Master(), POLLIN, 0}};
    const int ready = ::poll(fds, 3, int(timeout));
    if (ready < 0 && errno != EINTR) return;
    if (fds[0].revents) return;

    for (int i = 0; i < 2; ++i) {
      TEndpoint& e = *endpoints[i];
      if (e.Pty.Master() < 0) continue;
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
      if (mayGo) FollowFaults(e);
      if (e.Pty.Master() < 0) continue;
      if (!e.Pending.isEmpty() && MonotonicMs() - e.LastByteMs >= cSilenceMs) {
        const QByteArray frame = e.Pending;
        e.Pending.clear();
        Serve(e, frame);
      }
      std::lock_guard<std::mutex> writing(FWriteMutex);
      DeliverDueLocked(e, false);
    }
  }
}
