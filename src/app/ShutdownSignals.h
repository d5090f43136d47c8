// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C in the terminal that started the
// program, the end of the session) end the program the way closing its
// window does: the valves closed and the set-points 0 for the validated
// devices, the humidification thread stopped, the autosave written.
//
// A signal handler may do almost nothing safely, so it only writes the
// signal's number into a pipe; a socket notifier reads the pipe on the
// user-interface thread, and Received is emitted there.
#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;
class TForm1;

class TShutdownSignals : public QObject
{
  Q_OBJECT
public:
  explicit TShutdownSignals(QObject* Parent = nullptr);
  // Puts the signals' earlier actions back.
  ~TShutdownSignals() override;
  TShutdownSignals(const TShutdownSignals&) = delete;
  TShutdownSignals& operator=(const TShutdownSignals&) = delete;

  // Takes SIGTERM, SIGINT and SIGHUP, except a signal that was ignored when
  // the program started (as nohup ignores SIGHUP). False, with nothing
  // changed, when the pipe or a handler cannot be set up, or another object
  // holds the signals.
  bool Install();
  bool Installed() const { return FReadEnd >= 0; }

signals:
  // On the user-interface thread, once per signal received.
  void Received(int Signal);

private:
  void ReadPipe();
  void Uninstall();

  QSocketNotifier* FNotifier = nullptr;
  int FReadEnd = -1;
  int FWriteEnd = -1;
  struct sigaction FEarlier[3] = {};
  bool FTaken[3] = {false, false, false};
};

// Closes the window as closing it by hand does: while a stop waits for the
// humidification thread, the flows are cut at once and the window closes as
// soon as that wait is over.
void CloseOnSignal(TForm1& Form);
