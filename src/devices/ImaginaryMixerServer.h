// Serves an imaginary mixer on two pseudo-terminal pairs, one per line (relay
// board, controller bus), so that a program that only knows serial ports can
// talk to it. A thread reads the requests from the master ends, cuts them into
// frames (by the protocol's lengths, and at a silence of 5 ms), hands each
// frame to the mixer and writes the reply back. The device logic is the
// mixer's own; this is only the wire.
#pragma once

#include "devices/ImaginaryMixer.h"
#include "devices/PseudoTerminal.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

class TClock;

class TImaginaryMixerServer
{
public:
  // Called on the server's thread for every request with the reply sent.
  using TTrace =
      std::function<void(TImaginaryLine Line, const QByteArray& Request, const QByteArray& Reply)>;

  // Requests are time-stamped with Clock (the system clock for a live
  // simulator). Mixer and Clock must outlive the server.
  TImaginaryMixerServer(TImaginaryMixer& Mixer, TClock& Clock);
  ~TImaginaryMixerServer();
  TImaginaryMixerServer(const TImaginaryMixerServer&) = delete;
  TImaginaryMixerServer& operator=(const TImaginaryMixerServer&) = delete;

  // Set before Start.
  void SetTrace(TTrace Trace) { FTrace = std::move(Trace); }
  // Opens both pairs and starts serving; false with the reason in Error.
  bool Start(QString* Error = nullptr);
  void Stop();

  // The slave ends, for the program to open as serial ports.
  QString RelayBoardPort() const { return FRelay.Pty.SlavePath(); }
  QString ControllerBusPort() const { return FBus.Pty.SlavePath(); }

private:
  struct TEndpoint
  {
    TImaginaryLine Line;
    TPseudoTerminal Pty;
    QByteArray Pending;
    long long LastByteMs = 0;
  };

  void Run();
  void Serve(TEndpoint& E, const QByteArray& Frame);
  void Drain(TEndpoint& E);

  TImaginaryMixer& FMixer;
  TClock& FClock;
  TTrace FTrace;
  TEndpoint FRelay{TImaginaryLine::RelayBoard, {}, {}, 0};
  TEndpoint FBus{TImaginaryLine::ControllerBus, {}, {}, 0};
  int FWake[2] = {-1, -1};
  std::thread FThread;
};
