// The humidification thread: wets gas B by switching it through the water
// bubbler for a share of every loop, correcting each pulse by the error
// between the wet time wanted so far and the wet time that happened, and
// reads the bubbler temperature once a minute.
#pragma once

#include "devices/SerialPort.h"

#include <QMutex>
#include <QString>
#include <QThread>

class TForm1;

class TThreadWetting : public QThread
{
  Q_OBJECT
public:
  // Created before it is started; the stopper frees it once it has stopped.
  // RelayLock serialises the relay board transactions of this thread and of
  // the window, so that neither finds the port in use. A stop that gave up
  // waiting requests an interruption: the thread then ends at its next
  // hand-over and no longer writes the window's state.
  TThreadWetting(TForm1* Form, const TDeviceContext& Context, QMutex* RelayLock);

  bool Stop = false;
  bool HasStopped = false;
  double LoopTimeS = 6.0;
  double TemperatureTimer = 1.0 / 1440;
  double DesiredWETFractionOfTime = 0;
  double DesiredDRYFractionOfTime = 0;
  double StartTime = 0;
  double TotalElapsedTimeS = 0;
  double DesiredWETTotalTimeS = 0;
  double OccuredWETTotalTimeS = 0;
  double ErrorWETTotalTimeS = 0;
  double WETPulseIntendedS = 0;
  double WETPulseOccurredS = 0;
  double DRYPulseIntendedS = 0;
  bool WETSkip = false;
  bool DRYSkip = false;
  double Temperature = 0;
  QString SolenoidPortASTR;
  int Counter = 0;
  // Whether the relay board confirmed every valve mask of the last pass that
  // sent one (handed over with the results).
  bool RelaysConfirmed = true;
  bool RelaysSent = false;

  // One bubbler temperature reading through Port, in degrees Celsius; 0 when
  // there is no reading.
  double GetTemp(TSerialPort& Port);

protected:
  void run() override; // the loop

private:
  void Execute();
  // Runs on the window's thread, while this thread waits.
  void UpdateResults();
  void HandOver();
  // Sends a valve mask; notes whether the board confirmed it.
  void SetRelays(TSerialPort& Port, uint8_t Mask);
  void WaitUntil(double From, double Seconds);

  TForm1* FForm;
  TDeviceContext FContext;
  QMutex* FRelayLock;
  bool FPassConfirmed = true; // every mask of the running pass was confirmed
  bool FPassSent = false;     // the running pass has sent a mask
};

// Temperature of the bubbler's thermistor from the divider resistance, by the
// bubbler's own calibration; 0 when the arithmetic fails.
double BubblerTemperatureFromResistance(double R);
