#include "app/ShutdownSignals.h"

#include "app/UnitMain.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int cSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe while a TShutdownSignals holds the signals, else
// -1. A signal handler can reach nothing but process-wide values, so this one
// descriptor has to be one; it is set and cleared only by Install and
// Uninstall, and read by the handler.
std::atomic<int> SignalPipeWriteEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free read");

extern "C" void OnShutdownSignal(int Signal)
{
  const int saved = errno;
  const int fd = SignalPipeWriteEnd.load();
  if (fd >= 0) {
    const unsigned char number = static_cast<unsigned char>(Signal);
    [[maybe_unused]] const ssize_t n = ::write(fd, &number, 1);
  }
  errno = saved;
}
} // namespace

TShutdownSignals::TShutdownSignals(QObject* Parent) : QObject(Parent) {}

TShutdownSignals::~TShutdownSignals()
{
  Uninstall();
}

bool TShutdownSignals::Install()
{
  if (Installed()) return true;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  int expected = -1;
  if (!SignalPipeWriteEnd.compare_exchange_strong(expected, fds[1])) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  FReadEnd = fds[0];
  FWriteEnd = fds[1];
  FNotifier = new QSocketNotifier(FReadEnd, QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, [this] { ReadPipe(); });
  struct sigaction action = {};
  action.sa_handler = OnShutdownSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < 3; ++i) {
    if (::sigaction(cSignals[i], nullptr, &FEarlier[i]) != 0) {
      Uninstall();
      return false;
    }
    if (FEarlier[i].sa_handler == SIG_IGN) continue;
    if (::sigaction(cSignals[i], &action, nullptr) != 0) {
      Uninstall();
      return false;
    }
    FTaken[i] = true;
  }
  return true;
}

void TShutdownSignals::Uninstall()
{
  if (!Installed()) return;
  for (int i = 0; i < 3; ++i)
    if (FTaken[i]) {
      ::sigaction(cSignals[i], &FEarlier[i], nullptr);
      FTaken[i] = false;
    }
  SignalPipeWriteEnd.store(-1);
  delete FNotifier;
  FNotifier = nullptr;
  ::close(FReadEnd);
  ::close(FWriteEnd);
  FReadEnd = FWriteEnd = -1;
}

void TShutdownSignals::ReadPipe()
{
  unsigned char numbers[16];
  ssize_t n;
  while ((n = ::read(FReadEnd, numbers, sizeof numbers)) > 0)
    for (ssize_t i = 0; i < n; ++i) emit Received(numbers[i]);
}

void CloseOnSignal(TForm1& Form)
{
  Form.close();
}
