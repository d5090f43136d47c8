// Test peers for the device layer: an in-memory transport with scripted
// replies (for protocol tests in virtual time) and a scripted device on the
// far end of a pseudo-terminal pair (for the real serial line).
#pragma once

#include "devices/PseudoTerminal.h"
#include "devices/SerialTransport.h"

#include <QByteArray>
#include <QList>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

inline QByteArray Bytes(std::initializer_list<int> Values)
{
  QByteArray b;
  for (int v : Values) b.append(char(v));
  return b;
}

// "01 03 00 23" and the like.
inline QByteArray Hex(const char* Text)
{
  return QByteArray::fromHex(QByteArray(Text).replace(' ', ""));
}

// ---- In-memory transport ----

// Every transaction's line records what was written; the reply of each
// transaction is the next entry of the script (none when the script is empty
// or the entry is empty). Ports named "busy" cannot be opened. A babbling
// line always has a byte waiting, however much is discarded.
class TScriptedTransport : public TSerialTransport
{
public:
  std::deque<QByteArray> Replies;
  QList<QByteArray> Written;
  int Opened = 0;
  int Closed = 0;
  bool RefuseConfigure = false;
  bool Babble = false;

  std::unique_ptr<TSerialLine> Open(const QString& Port, TClock&) override
  {
    if (Port == QLatin1String("busy")) return nullptr;
    ++Opened;
    return std::make_unique<TLine>(*this);
  }

private:
  class TLine : public TSerialLine
  {
  public:
    explicit TLine(TScriptedTransport& T) : FT(T) {}
    bool Configure(int, int, int) override { return !FT.RefuseConfigure; }
    bool SetTimeouts(const TSerialTimeouts&) override { return true; }
    bool SetBuffers(unsigned, unsigned) override { return true; }
    void DiscardInput() override { FInput.clear(); }
    bool Write(const uint8_t* Data, std::size_t Count) override
    {
      FT.Written.append(QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Count)));
      if (!FT.Replies.empty()) {
        FInput += FT.Replies.front();
        FT.Replies.pop_front();
      }
      return true;
    }
    std::size_t BytesWaiting() override
    {
      if (FT.Babble && FInput.isEmpty()) FInput = QByteArray(1, char(0xAA));
      return std::size_t(FInput.size());
    }
    bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
    {
      Count = std::min(MaxCount, std::size_t(FInput.size()));
      std::memcpy(Buffer, FInput.constData(), Count);
      FInput.remove(0, qsizetype(Count));
      return true;
    }
    void Close() override { ++FT.Closed; }

  private:
    TScriptedTransport& FT;
    QByteArray FInput;
  };
};

// ---- Scripted device on a pseudo-terminal ----

// A pipe whose write end tells a polling peer thread to end.
class TWakePipe
{
public:
  TWakePipe() = default;
  TWakePipe(const TWakePipe&) = delete;
  TWakePipe& operator=(const TWakePipe&) = delete;
  ~TWakePipe()
  {
    for (int fd : FFd)
      if (fd >= 0) ::close(fd);
  }
  bool Open() { return ::pipe(FFd) == 0; }
  // Poll this for POLLIN alongside the thread's other descriptors.
  int ReadEnd() const { return FFd[0]; }
  void Wake() const
  {
    const char c = 'x';
    [[maybe_unused]] ssize_t n = ::write(FFd[1], &c, 1);
  }

private:
  int FFd[2] = {-1, -1};
};

// A piece of a reply, sent DelayMs after the previous piece (or after the
// request was recognised).
struct TReplyChunk
{
  int DelayMs = 0;
  QByteArray Bytes;
};

// Reads requests from the master end. After every read the script is asked
// with the bytes gathered so far: nullopt means "wait for more"; otherwise the
// bytes are taken as one request and the chunks are sent back.
class TPtyPeer
{
public:
  using TScript = std::function<std::optional<std::vector<TReplyChunk>>(const QByteArray&)>;

  explicit TPtyPeer(TScript Script = {}) : FScript(std::move(Script))
  {
    if (!FPty.Open(&FError)) return;
    if (!FWake.Open()) return;
    FThread = std::thread([this] { Run(); });
  }
  ~TPtyPeer()
  {
    if (FThread.joinable()) {
      FWake.Wake();
      FThread.join();
    }
  }
  TPtyPeer(const TPtyPeer&) = delete;
  TPtyPeer& operator=(const TPtyPeer&) = delete;

  bool Ok() const { return FThread.joinable(); }
  QString Error() const { return FError; }
  QString Path() const { return FPty.SlavePath(); }
  int Slave() const { return FPty.Slave(); }

  // Answers every request with Reply once it has RequestLength bytes.
  static TScript Answer(qsizetype RequestLength, QByteArray Reply)
  {
    return [=](const QByteArray& r) -> std::optional<std::vector<TReplyChunk>> {
      if (r.size() < RequestLength) return std::nullopt;
      return std::vector<TReplyChunk>{{0, Reply}};
    };
  }

  QList<QByteArray> Requests() const
  {
    std::lock_guard<std::mutex> lock(FMutex);
    return FRequests;
  }
  // The line settings in force when the last request arrived.
  std::optional<termios> Attributes() const
  {
    std::lock_guard<std::mutex> lock(FMutex);
    return FAttributes;
  }
  // Bytes the far end (the device) sends without being asked.
  void Inject(const QByteArray& Data) { WriteAll(Data); }
  // Input waiting unread at the program's end.
  int QueuedAtProgram() const
  {
    int n = 0;
    ::ioctl(FPty.Slave(), FIONREAD, &n);
    return n;
  }

private:
  void WriteAll(const QByteArray& Data)
  {
    qsizetype done = 0;
    while (done < Data.size()) {
      const ssize_t n = ::write(FPty.Master(), Data.constData() + done, size_t(Data.size() - done));
      if (n <= 0) return;
      done += n;
    }
  }

  void Run()
  {
    QByteArray pending;
    for (;;) {
      pollfd fds[2] = {{FWake.ReadEnd(), POLLIN, 0}, {FPty.Master(), POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) continue;
      if (fds[0].revents) return;
      if (!(fds[1].revents & POLLIN)) {
        ::usleep(1000);
        continue;
      }
      char buffer[512];
      const ssize_t n = ::read(FPty.Master(), buffer, sizeof buffer);
      if (n <= 0) continue;
      pending.append(buffer, n);
      const auto reply = FScript ? FScript(pending) : std::nullopt;
      if (!reply) continue;
      {
        std::lock_guard<std::mutex> lock(FMutex);
        FRequests.append(pending);
        termios tio{};
        if (::tcgetattr(FPty.Slave(), &tio) == 0) FAttributes = tio;
      }
      pending.clear();
      for (const TReplyChunk& chunk : *reply) {
        if (chunk.DelayMs > 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(chunk.DelayMs));
        WriteAll(chunk.Bytes);
      }
    }
  }

  TScript FScript;
  TPseudoTerminal FPty;
  QString FError;
  TWakePipe FWake;
  mutable std::mutex FMutex;
  QList<QByteArray> FRequests;
  std::optional<termios> FAttributes;
  std::thread FThread;
};
