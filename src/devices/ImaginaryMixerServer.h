// Serves an imaginary mixer on two pseudo-terminal pairs, one per line (relay
// board, controller bus), so that a program that only knows serial ports can
// talk to it. A thread reads the requests from the master ends, cuts them into
// frames (by the protocol's lengths, and at a silence of 5 ms), hands each
// frame to the mixer and writes the reply back (a slow device's reply after
// its delay, by the server's clock, so that a test in virtual time sees it
// come after its delay in that time). The device logic, faults included, is
// the mixer's own; this is only the wire.
//
// A line that a fault takes away is closed (the program's open port fails and
// the path disappears, as when a USB adapter is unplugged); when the fault
// ends a new pair is opened. With links set, each line is also published as a
// symbolic link that always points at its current pair, so the port comes
// back under the same path.
#pragma once

#include "devices/ImaginaryMixer.h"
#include "devices/PseudoTerminal.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

class TClock;

class TImaginaryMixerServer
{
public:
  // Called on the server's thread for every request with the reply sent (the
  // reply of a slow device is sent later).
  using TTrace =
      std::function<void(TImaginaryLine Line, const QByteArray& Request, const QByteArray& Reply)>;
  // Called on the server's thread when a line goes or comes back.
  using TEventTrace = std::function<void(TImaginaryLine Line, const QString& Event)>;

  // Requests are time-stamped with Clock (the system clock for a live
  // simulator). Mixer and Clock must outlive the server.
  TImaginaryMixerServer(TImaginaryMixer& Mixer, TClock& Clock);
  ~TImaginaryMixerServer();
  TImaginaryMixerServer(const TImaginaryMixerServer&) = delete;
  TImaginaryMixerServer& operator=(const TImaginaryMixerServer&) = delete;

  // Set before Start.
  void SetTrace(TTrace Trace) { FTrace = std::move(Trace); }
  void SetEventTrace(TEventTrace Trace) { FEventTrace = std::move(Trace); }
  // Publishes the lines as symbolic links at these paths (an existing link
  // there is replaced); empty: no links.
  void SetLinks(const QString& RelayBoardLink, const QString& ControllerBusLink);
  // Opens both pairs and starts serving; false with the reason in Error.
  bool Start(QString* Error = nullptr);
  void Stop();

  // The ports for the program to open: the links when set, else the slave
  // ends of the current pairs (empty while a line is gone).
  QString RelayBoardPort() const;
  QString ControllerBusPort() const;

  // Writes the late replies whose time has come by the server's clock, and
  // returns once the program's end of the line has them. The server's thread
  // does so by itself within a few milliseconds; a test whose virtual clock
  // jumps ahead calls this after each jump, so that a late reply is on the
  // line before the next request can go out.
  void DeliverDue();

private:
  struct TEndpoint
  {
    explicit TEndpoint(TImaginaryLine L) : Line(L) {}
    TImaginaryLine Line;
    TPseudoTerminal Pty;
    QString Link;
    QString SlavePath; // guarded by FPathMutex: read from other threads
    QByteArray Pending;
    long long LastByteMs = 0;
    QList<std::pair<double, QByteArray>>
        Late; // (due date-time, bytes) of slow replies, oldest first
    bool Gone = false;
  };

  void Run();
  void Serve(TEndpoint& E, const QByteArray& Frame);
  // With FWriteMutex held. UntilReadable: returns once the program's end has
  // the bytes (or after a short while).
  void DeliverDueLocked(TEndpoint& E, bool UntilReadable);
  void Drain(TEndpoint& E);
  bool OpenLine(TEndpoint& E, QString* Error);
  void CloseLine(TEndpoint& E);
  void FollowFaults(TEndpoint& E);
  QString PortOf(const TEndpoint& E) const;

  TImaginaryMixer& FMixer;
  TClock& FClock;
  TTrace FTrace;
  TEventTrace FEventTrace;
  TEndpoint FRelay{TImaginaryLine::RelayBoard};
  TEndpoint FBus{TImaginaryLine::ControllerBus};
  mutable std::mutex FPathMutex;
  // Held for every write to a line, for the late replies, and while a line's
  // pair is opened or closed: the late replies may be written from another
  // thread (DeliverDue).
  std::mutex FWriteMutex;
  int FWake[2] = {-1, -1};
  std::thread FThread;
};
