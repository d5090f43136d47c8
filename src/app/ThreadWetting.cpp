#include "app/ThreadWetting.h"

#include "app/UnitMain.h"
#include "controls/GvStringFunctions.h"
#include "devices/Clock.h"
#include "devices/RelayBoard.h"

#include <QMutexLocker>
#include <QPlainTextEdit>
#include <cmath>

namespace {
constexpr uint8_t cWetMask = 19; // V1, V2, V5: gas B through the bubbler
constexpr uint8_t cDryMask = 24; // V4, V5: gas B straight to the main line
constexpr double cSkipS = 0.15;  // shorter pulses are carried in the error account
} // namespace

double BubblerTemperatureFromResistance(double R)
{
  const long double P = 0.459764902059L, K1 = -54.859166561L, K2 = 6283.089940802909L,
                    K3 = 33.2268710113L;
  if (!(R > 0)) return 0;
  const long double rp = std::pow(static_cast<long double>(R), P);
  const long double t = (K1 * rp + K2) / (rp + K3);
  return std::isfinite(double(t)) ? double(t) : 0;
}

TThreadWetting::TThreadWetting(TForm1* Form, const TDeviceContext& Context, QMutex* RelayLock)
    : FForm(Form), FContext(Context), FRelayLock(RelayLock)
{
  StartTime = FContext.Clock ? FContext.Clock->Now() : SystemClock().Now();
}

void TThreadWetting::run()
{
  Execute();
}

void TThreadWetting::SetRelays(TSerialPort& Port, uint8_t Mask)
{
  QMutexLocker lock(FRelayLock);
  const bool confirmed = RelayBoardRelaysConfirmed(RelayBoardSetRelays(Port, Mask));
  FPassConfirmed = FPassConfirmed && confirmed;
  FPassSent = true;
}

void TThreadWetting::WaitUntil(double From, double Seconds)
{
  TClock& clock = *FContext.Clock;
  while ((clock.Now() - From) * 86400 < Seconds) clock.Sleep(25);
}

double TThreadWetting::GetTemp(TSerialPort& Port)
{
  TSerialResponse r;
  {
    QMutexLocker lock(FRelayLock);
    r = RelayBoardReadADC(Port);
  }
  const int reading = RelayBoardADCReading(r);
  if (reading == 0) return 0;
  const std::optional<double> R = BubblerThermistorResistance(reading);
  return R ? BubblerTemperatureFromResistance(*R) : 0;
}

void TThreadWetting::Execute()
{
  if (!FContext.Clock) FContext.Clock = &SystemClock();
  TClock& clock = *FContext.Clock;
  Stop = false;
  Counter = 0;
  OccuredWETTotalTimeS = 0;
  double LastTempTime = 0;
  {
    TSerialPort port(FContext);
    port.Port = SolenoidPortASTR;
    UseRelayBoardSettings(port, true);
    double WETStartTime = clock.Now(), WETEndTime = WETStartTime, DRYStartTime = WETStartTime;
    WETSkip = DRYSkip = false;
    while (!Stop && !isInterruptionRequested()) {
      ++Counter;
      TotalElapsedTimeS = (clock.Now() - StartTime) * 86400;
      DesiredWETTotalTimeS = TotalElapsedTimeS * DesiredWETFractionOfTime;
      WETPulseOccurredS = (WETEndTime - WETStartTime) * 86400;
      OccuredWETTotalTimeS += WETPulseOccurredS;
      ErrorWETTotalTimeS = DesiredWETTotalTimeS - OccuredWETTotalTimeS;
      WETPulseIntendedS = LoopTimeS * DesiredWETFractionOfTime + ErrorWETTotalTimeS;
      DRYPulseIntendedS = LoopTimeS - WETPulseIntendedS;
      if (WETPulseIntendedS < cSkipS) {
        WETSkip = true;
        DRYSkip = false;
      } else if (DRYPulseIntendedS < cSkipS) {
        WETSkip = false;
        DRYSkip = true;
      } else {
        WETSkip = DRYSkip = false;
      }
      RelaysConfirmed = FPassConfirmed;
      RelaysSent = FPassSent;
      FPassConfirmed = true;
      FPassSent = false;
      HandOver();

      WETStartTime = clock.Now();
      if (!WETSkip) {
        SetRelays(port, cWetMask);
        WaitUntil(WETStartTime, WETPulseIntendedS);
      }
      WETEndTime = clock.Now();
      DRYStartTime = WETEndTime;
      if (!DRYSkip) {
        SetRelays(port, cDryMask);
        WaitUntil(DRYStartTime, DRYPulseIntendedS);
      }
      if (clock.Now() > LastTempTime + TemperatureTimer) {
        Temperature = GetTemp(port);
        if (Temperature > 0) LastTempTime = clock.Now();
      } else {
        Temperature = 20.0;
      }
    }
  }
  HasStopped = true;
  HandOver();
}

void TThreadWetting::HandOver()
{
  QMetaObject::invokeMethod(
      FForm, [this] { UpdateResults(); }, Qt::BlockingQueuedConnection);
}

void TThreadWetting::UpdateResults()
{
  // A stop that gave up waiting for this thread has asked it to end for
  // good; the window's state is no longer this thread's to write.
  if (isInterruptionRequested()) {
    Stop = true;
    return;
  }
  TMixerData& S = FForm->Shared;
  Stop = S.ThreadStop;
  S.ThreadHasStopped = HasStopped;
  S.OccuredWETTime = OccuredWETTotalTimeS;
  if (Temperature > 0) S.OccuredTemperature = Temperature;
  if (RelaysSent) FForm->WettingValvesReported(RelaysConfirmed);
  auto F = [](double v) { return FormatFloat(QStringLiteral("0.00"), v); };
  auto B = [](bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); };
  const QString line =
      QStringLiteral("I:") + QString::number(Counter) + QStringLiteral("  ") +
      (Stop ? QStringLiteral("-1") : QStringLiteral("0")) +
      (S.ThreadHasStopped ? QStringLiteral("-1") : QStringLiteral("0")) +
      QStringLiteral(" Elapsed:") + F(TotalElapsedTimeS) + QStringLiteral("  Desired WT:") +
      F(DesiredWETTotalTimeS) + QStringLiteral(" - Occured WT:") + F(OccuredWETTotalTimeS) +
      QStringLiteral(" = Error in WT:") + F(ErrorWETTotalTimeS) + QStringLiteral("  Intended WP:") +
      F(WETPulseIntendedS) + QStringLiteral("  Previous WP:") + F(WETPulseOccurredS) +
      QStringLiteral("  D-skip:") + B(DRYSkip) + QStringLiteral("  W-skip:") + B(WETSkip) + u' ';
  FForm->MemoDevFeedback->appendPlainText(line);
}
