// The 250 ms operating cycle, the operator commands, and what they do to the
// valves and the flow controllers.
#include "app/UnitMain.h"

#include "app/MixerControl.h"
#include "app/PulseDosing.h"
#include "app/ThreadWetting.h"
#include "app/ValveDiagram.h"
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"
#include "devices/Clock.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"
#include "physics/Thermocouples.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMutexLocker>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <QTimer>
#include <cmath>

namespace {
constexpr double cSecond = 1.0 / 86400;
constexpr double cMinute = 1.0 / 1440;
constexpr double cHour = 1.0 / 24;
constexpr double cStopWaitS = 10;   // how long a stop waits for the humidification thread
constexpr unsigned cTickMs = 250;   // the cycle's period: how often a waiting command is sent
constexpr int cShutdownRetries = 4; // how often closing sends an unconfirmed safe state again

void HandleMessages()
{
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}
} // namespace

// ---------------------------------------------------------------- the cycle

void TForm1::Timer1Timer()
{
  // A tick never runs inside another tick (the flush sequence handles
  // messages) nor inside a stop that waits for the humidification thread:
  // "Don't ever click" can switch the timer on again in either.
  if (FInTick || FStopWaiting) return;
  FInTick = true;
  const auto done = qScopeGuard([this] { FInTick = false; });
  ReapUnreportedThreads();
  TMixerData& S = Shared;
  GroupBox12->setTitle(QStringLiteral("Automatic stop: ") +
                       FormatDateTime(QStringLiteral("mmm dd @ hh:mm:ss"), S.AutoStopTime));
  double now = Clock().Now();
  if (now > S.AutoStopTime) {
    // A stopped mixer must not go on delivering gas: while the automatic stop
    // holds, every tick sends Standby's safe state (both set-points 0 by the
    // Stop command, then valves closed) as Standby does, so that a command
    // lost at one tick is made good at the next.
    ButtonStopClick();
    if (CheckBoxSolenoidOK->isChecked()) CommandValves(ValveLineUp::AllClosed);
    return;
  }
  // The sequence's step (or end) that falls due now: issued before this
  // tick carries out the mode, so that the tick already does its work.
  SequenceTick();
  now = Clock().Now();

  const bool producing =
      S.MixerState == TMixerState::Dilution || S.MixerState == TMixerState::Bypass;
  const double t = now - S.TotalizerB.StartTime;
  const double s = now - S.DataStoredLast;
  // Date-times within 0.1 ms count as equal, so that four ticks of 250 ms
  // make the second (and the minutes of the store interval) whatever the
  // rounding of the sums: one row a second, not one every fifth tick.
  if (S.MixerStateOld != S.MixerState)
    StoreData();
  else if (t < 30 * cSecond - cDateEpsilon && s > cSecond - cDateEpsilon) {
    if (producing) StoreData();
  } else if (t > 30 * cSecond + cDateEpsilon &&
             s > GvIntegerEdit2->Value() * cMinute - cDateEpsilon) {
    if (producing) StoreData();
  }

  now = Clock().Now();
  if (S.MixerState == TMixerState::Dilution && now - S.LastAutoSave > cHour) Autosave();
  S.MixerStateOld = S.MixerState;

  switch (S.MixerState) {
  case TMixerState::Unknown:
    break;
  case TMixerState::Standby:
    StopThread();
    CommandValves(ValveLineUp::AllClosed);
    CommandFlow(1, 0);
    CommandFlow(2, 0);
    break;
  case TMixerState::Flushing:
    FlushSequence();
    break;
  case TMixerState::Dilution:
    DilutionStep();
    break;
  case TMixerState::Bypass:
    RetryTotalizerResets();
    ReadTotalizers();
    CommandValves(ValveLineUp::BypassLine);
    CommandFlow(1, 0);
    CommandFlow(2, S.PossibleMaxFlowBGramsperMinute);
    break;
  }
}

void TForm1::FlushSequence()
{
  Timer1->stop();
  const double full = Shared.PossibleMaxFlowBGramsperMinute;
  CommandFlow(2, full);
  struct TStep
  {
    const char* status;
    const TValveLineUp* valves;
    unsigned ms;
  };
  for (const TStep& step :
       {TStep{"Flush bypass line with gas B (2 sec)", &ValveLineUp::BypassLine, 2000},
        TStep{"Flush bubbler and chambers (5 sec)", &ValveLineUp::FlushWet, 5000},
        TStep{"Flush chambers with dry (2 sec)", &ValveLineUp::FlushDry, 2000}}) {
    ShowStatus(QString::fromLatin1(step.status));
    CommandValves(*step.valves);
    HandleMessages();
    // The window was closed meanwhile (by the operator or a signal): its
    // shutdown has closed the valves and zeroed the flows; the sequence must
    // not open them again.
    if (FClosed) return;
    // Stop was pressed meanwhile: it has cut the flows; the flush ends here,
    // with the valves closed.
    if (Shared.MixerState == TMixerState::Standby) {
      CommandValves(ValveLineUp::AllClosed);
      Timer1->start();
      return;
    }
    FlushWait(step.ms, *step.valves, full);
  }
  CommandFlow(2, 0);
  Shared.MixerState = TMixerState::Standby;
  ShowStatus(QStringLiteral("Standby"));
  HandleMessages();
  CommandValves(ValveLineUp::AllClosed);
  Timer1->start();
}

void TForm1::FlushWait(unsigned Ms, const TValveLineUp& Valves, double FlowB)
{
  const double end = Clock().Now() + Ms / 86400000.0;
  for (;;) {
    const double leftMs = (end - Clock().Now()) * 86400000.0;
    if (leftMs < 1) return;
    const bool valves = FConfirmations.Waiting(TConfirmedCommand::Valves);
    const bool flow = FConfirmations.Waiting(TConfirmedCommand::FlowB);
    if (!valves && !flow) {
      Clock().Sleep(unsigned(std::lround(leftMs)));
      return;
    }
    Clock().Sleep(unsigned(std::min<double>(cTickMs, std::lround(leftMs))));
    if ((end - Clock().Now()) * 86400000.0 < 1) return;
    if (valves) CommandValves(Valves);
    if (flow) CommandFlow(2, FlowB);
  }
}

void TForm1::DilutionStep()
{
  TMixerData& S = Shared;
  TCode code;
  if (!CodeOfMethod(S.MixingMethod, code)) return;
  const bool wet = IsWetMethod(code);
  RetryTotalizerResets();
  ReadTotalizers();
  // The line-up counts as set once the relay board confirmed it; until then
  // every tick sends it again.
  if (!S.ValvesSet && !wet) S.ValvesSet = CommandValves(ValveLineUp::DryDilution);
  if (!S.ValvesSet && wet) {
    StartWetting();
    S.ValvesSet = true;
  }
  if (S.ValvesSet && wet) {
    // The thread switches the bubbler valves; the picture shows them open for
    // about the wetting share of the ticks.
    const bool o = S.DesiredH2OTimeFraction * 100 > RandomPercent();
    SetValveGraphics(1, o);
    SetValveGraphics(2, o);
    SetValveGraphics(3, false);
    SetValveGraphics(4, !o);
    SetValveGraphics(5, true);
    SetValveGraphics(6, false);
  }
  // Each flag is set once the controller confirmed its set-point.
  if (!S.FlowASetToConstant && !IsAPulsed(code)) ConstantFlowA();
  if (!S.FlowBSetToConstant && !IsBPulsed(code)) ConstantFlowB();
  if (!S.FlowASetToConstant && IsAPulsed(code)) AinBPulse();
  if (!S.FlowBSetToConstant && IsBPulsed(code)) BinAPulse();
}

int TForm1::RandomPercent()
{
  // xorshift32: a small generator of the window's own, so tests can seed it.
  FRandomState ^= FRandomState << 13;
  FRandomState ^= FRandomState >> 17;
  FRandomState ^= FRandomState << 5;
  return int(FRandomState % 99) + 1;
}

void TForm1::Button3Click()
{
  Shared.AutoStopTime = Clock().Now() + GvIntegerEdit1->Value() / 24.0;
}

void TForm1::Button1Click()
{
  if (Timer1->isActive())
    Timer1->stop();
  else
    Timer1->start();
  Button1->setText(QStringLiteral("Don't ever click. Timer:") +
                   (Timer1->isActive() ? QStringLiteral("True") : QStringLiteral("False")));
}

// ---------------------------------------------------------------- commands

void TForm1::ButtonStopClick()
{
  if (!Control().BeginCommand(TMixerCommand::Stop)) return;
  // The gas stops first: waiting for the humidification thread may take two
  // of its passes, and the thread does not use the controllers' bus.
  FConfirmations.ForgetModeCommands();
  ShowStatus(QStringLiteral("Standby"));
  CutFlows();
  StopThread();
  Shared.MixerState = TMixerState::Standby;
  Shared.FlowBSetToConstant = false;
  Shared.ValvesSet = false;
  ShowStatus(QStringLiteral("Standby"));
}

void TForm1::ButtonFlushClick()
{
  if (!Control().BeginCommand(TMixerCommand::Flush)) return;
  StopThread();
  FConfirmations.ForgetModeCommands();
  Shared.MixerState = TMixerState::Flushing;
  Shared.FlowBSetToConstant = false;
  Shared.ValvesSet = false;
  ShowStatus(QStringLiteral("Flushing"));
}

void TForm1::ButtonBypassClick()
{
  if (!Control().BeginCommand(TMixerCommand::Bypass)) return;
  StopThread();
  FConfirmations.ForgetModeCommands();
  Shared.MixerState = TMixerState::Bypass;
  Shared.FlowBSetToConstant = false;
  Shared.ValvesSet = false;
  ShowStatus(QStringLiteral("Bypass"));
}

void TForm1::ButtonDilutionClick()
{
  if (!Control().BeginCommand(TMixerCommand::ApplyMixture)) return;
  StopThread();
  FConfirmations.ForgetModeCommands();
  Calculate(true);
  ShowStatus(QStringLiteral("Dilution"));
  Shared.MixerState = TMixerState::Dilution;
  Shared.FlowBSetToConstant = false;
  Shared.ValvesSet = false;
  ResetRetrieveTotalizers();
  Shared.OccuredWETTime = 0;
}

void TForm1::ShowStatus(const QString& Text)
{
  FStatusText = Text;
  RefreshStatus();
}

void TForm1::RefreshStatus()
{
  LabelStatus->setText(FConfirmations.Status(FStatusText));
  // A command the devices have not confirmed is not to be missed: the mixer
  // may not be doing what the status says.
  LabelStatus->setStyleSheet(
      FConfirmations.AnyWaiting()
          ? QStringLiteral("QLabel { color: white; background-color: #C00000; font-weight: bold; "
                           "padding: 2px 6px; }")
          : QString());
}

void TForm1::NoteCommand(TConfirmedCommand Command, bool Confirmed, const QString& What)
{
  const QString line = FConfirmations.Sent(Command, Confirmed, What);
  if (!line.isEmpty()) AppendDebugLine(line);
  RefreshStatus();
}

bool TForm1::CommandValves(const TValveLineUp& LineUp)
{
  const auto& v = LineUp.Open;
  const bool confirmed = SetValvePositions(v[0], v[1], v[2], v[3], v[4], v[5]);
  NoteCommand(TConfirmedCommand::Valves, confirmed,
              QStringLiteral("valve mask %1").arg(ValveMask(LineUp)));
  return confirmed;
}

namespace {
QString SetPointText(double Flow)
{
  return QStringLiteral("set-point ") + QString::number(double(float(Flow)));
}
} // namespace

bool TForm1::CommandFlow(unsigned Address, double Flow)
{
  const bool confirmed = SetMFCFlow(Address, Flow);
  NoteCommand(Address == 1 ? TConfirmedCommand::FlowA : TConfirmedCommand::FlowB, confirmed,
              SetPointText(Flow));
  return confirmed;
}

void TForm1::CutFlows()
{
  if (!CheckBoxMFCOK->isChecked()) return;
  CommandFlow(1, 0);
  CommandFlow(2, 0);
}

void TForm1::RepeatUnconfirmedSafeState()
{
  const bool relay = CheckBoxSolenoidOK->isChecked();
  const bool mfc = CheckBoxMFCOK->isChecked();
  for (int i = 0; i < cShutdownRetries; ++i) {
    const bool valves = relay && FConfirmations.Waiting(TConfirmedCommand::Valves);
    const bool flowA = mfc && FConfirmations.Waiting(TConfirmedCommand::FlowA);
    const bool flowB = mfc && FConfirmations.Waiting(TConfirmedCommand::FlowB);
    if (!valves && !flowA && !flowB) return;
    Clock().Sleep(cTickMs);
    if (flowA) CommandFlow(1, 0);
    if (flowB) CommandFlow(2, 0);
    if (valves) CommandValves(ValveLineUp::AllClosed);
  }
}

void TForm1::StopThread()
{
  TMixerData& S = Shared;
  // A stop that already waits is not entered again.
  if (!S.WETT || FStopWaiting) return;
  FStopWaiting = true;
  Timer1->stop();
  for (QPushButton* b : {ButtonStop, ButtonFlush, ButtonBypass, ButtonDilution})
    b->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setWindowTitle(QStringLiteral("Waiting valve operations to finish"));
  S.ThreadStop = true;
  // The thread learns of the request, and answers, through its synchronized
  // result call, which runs here while messages are handled. A thread that
  // does not answer in time is not waited for any longer; the count of polls
  // bounds the wait too, should the wall clock be set back meanwhile.
  const double start = Clock().Now();
  const int maxPolls = int(cStopWaitS * 4) + 2;
  for (int polls = 0; !S.ThreadHasStopped && polls < maxPolls &&
                      Clock().Now() - start < cStopWaitS * cSecond - cDateEpsilon;
       ++polls) {
    setWindowTitle(windowTitle() + u'.');
    Clock().Sleep(250);
    HandleMessages();
  }
  QThread* thread = S.WETT;
  S.WETT = nullptr;
  if (S.ThreadHasStopped) {
    thread->wait();
    delete thread;
  } else {
    // Asked to end for good: at its next hand-over it ends without touching
    // the mixer's state. The window frees it once it has ended.
    thread->requestInterruption();
    FUnreportedThreads.emplace_back(thread);
    AppendDebugLine(
        QStringLiteral("The humidification thread did not report within 10 s that it has stopped; "
                       "no longer waiting for it."));
  }
  QApplication::restoreOverrideCursor();
  setWindowTitle(QStringLiteral("Mix"));
  S.ThreadStop = false;
  S.ThreadHasStopped = false;
  S.ValvesSet = false;
  FStopWaiting = false;
  for (QPushButton* b : {ButtonStop, ButtonFlush, ButtonBypass, ButtonDilution})
    b->setEnabled(true);
  Timer1->start();
  // The window was closed during the wait: it closes now, with its safe steps
  // (unless those are what waited).
  if (FCloseAfterStop && !FClosed) QTimer::singleShot(0, this, [this] { close(); });
}

void TForm1::ReapUnreportedThreads()
{
  std::erase_if(FUnreportedThreads, [](const std::unique_ptr<QThread>& t) {
    if (!t->isFinished()) return false;
    t->wait();
    return true;
  });
}

void TForm1::EndUnreportedThreads()
{
  // Each still hands over onto this thread before it ends, so messages are
  // handled while it is waited for.
  for (const std::unique_ptr<QThread>& t : FUnreportedThreads) {
    t->requestInterruption();
    while (!t->wait(QDeadlineTimer(20))) HandleMessages();
  }
  FUnreportedThreads.clear();
}

// ---------------------------------------------------------------- valves

bool TForm1::SetValvePositions(int iV1O, int iV2O, int iV3O, int iV4O, int iV5O, int iV6O)
{
  bool confirmed = false;
  {
    TSerialPort port(DeviceContext());
    port.Port = SelectedText(ListBoxPortSolenoid);
    UseRelayBoardSettings(port, true);
    QMutexLocker lock(RelayLock());
    confirmed = RelayBoardRelaysConfirmed(
        RelayBoardSetRelays(port, ValveMask(iV1O, iV2O, iV3O, iV4O, iV5O, iV6O)));
  }
  TMixerData& S = Shared;
  S.V1O = iV1O == 1;
  S.V2O = iV2O == 1;
  S.V3O = iV3O == 1;
  S.V4O = iV4O == 1;
  S.V5O = iV5O == 1;
  S.V6O = iV6O == 1;
  const bool open[6] = {S.V1O, S.V2O, S.V3O, S.V4O, S.V5O, S.V6O};
  for (unsigned id = 1; id <= 6; ++id) SetValveGraphics(id, open[id - 1]);
  return confirmed;
}

void TForm1::SetValveGraphics(unsigned ID, bool Open)
{
  if (ID < 1 || ID > 6) return;
  DrawValveBar(ValvePicture, ID, Open);
  Image1->setPixmap(QPixmap::fromImage(ValvePicture));
}

// ---------------------------------------------------------------- flows

namespace {
struct TMFCPort : TVogtlinPort
{
  TMFCPort(const TDeviceContext& context, const QString& port) : TVogtlinPort(context)
  {
    Port = port;
    UseMFCBusSettings(*this);
  }
};
} // namespace

bool TForm1::SetMFCFlow(unsigned Address, double Flow)
{
  TMFCPort port(DeviceContext(), SelectedText(ListBoxPortMFC));
  const bool confirmed = WriteConfirmed(port.WriteF32(Address, 6, float(Flow)));
  Clock().Sleep(20);
  return confirmed;
}

void TForm1::ConstantFlowA()
{
  if (!Shared.FlowASetToConstant)
    Shared.FlowASetToConstant = CommandFlow(1, Shared.DesiredFlowAGramsperMinute);
}

void TForm1::ConstantFlowB()
{
  if (!Shared.FlowBSetToConstant)
    Shared.FlowBSetToConstant = CommandFlow(2, Shared.DesiredFlowBGramsperMinute);
}

namespace {
TConfirmedCommand ResetOf(unsigned Address)
{
  return Address == 1 ? TConfirmedCommand::TotalizerResetA : TConfirmedCommand::TotalizerResetB;
}
} // namespace

// One sending of a totalizer reset, noted as confirmed or waiting.
bool TForm1::SendTotalizerReset(TVogtlinPort& Port, unsigned Address)
{
  const bool reset = WriteConfirmed(Port.WriteF32(Address, 0x6380, 0.0f));
  NoteCommand(ResetOf(Address), reset, QStringLiteral("the totalizer reset"));
  Clock().Sleep(20);
  return reset;
}

void TForm1::ResetRetrieveTotalizers()
{
  TMixerData& S = Shared;
  TMFCPort port(DeviceContext(), SelectedText(ListBoxPortMFC));
  bool reset[2] = {false, false};
  for (unsigned address : {1u, 2u}) {
    FConfirmations.Forget(ResetOf(address));
    reset[address - 1] = SendTotalizerReset(port, address);
  }
  // A totalizer whose reset was not confirmed counts from an unknown start:
  // it reads as not a number until the reset is confirmed.
  for (unsigned address : {1u, 2u}) {
    TTotalizer& t = address == 1 ? S.TotalizerA : S.TotalizerB;
    t.StartValue = reset[address - 1] ? double(port.ReadF32(address, 4).AsFloat) * 1000 : NAN;
    t.StartTime = t.Time = Clock().Now();
    // The grams since the reset are the start reading, until the next read: a
    // row stored before it must not carry the previous run's totals.
    t.Value = t.StartValue;
    if (address == 1) Clock().Sleep(20);
  }
}

void TForm1::RetryTotalizerResets()
{
  TMixerData& S = Shared;
  for (unsigned address : {1u, 2u}) {
    if (!FConfirmations.Waiting(ResetOf(address))) continue;
    TMFCPort port(DeviceContext(), SelectedText(ListBoxPortMFC));
    if (!SendTotalizerReset(port, address)) continue;
    // The run's grams and its dosing time count from this reset.
    TTotalizer& t = address == 1 ? S.TotalizerA : S.TotalizerB;
    t.StartValue = t.Value = double(port.ReadF32(address, 4).AsFloat) * 1000;
    t.StartTime = t.Time = Clock().Now();
    Clock().Sleep(20);
  }
}

void TForm1::ReadTotalizers()
{
  TMixerData& S = Shared;
  TMFCPort port(DeviceContext(), SelectedText(ListBoxPortMFC));
  for (unsigned address : {1u, 2u}) {
    TTotalizer& t = address == 1 ? S.TotalizerA : S.TotalizerB;
    // No grams from a start that the controller has not confirmed.
    t.Value = FConfirmations.Waiting(ResetOf(address))
                  ? NAN
                  : double(port.ReadF32(address, 4).AsFloat) * 1000;
    t.Time = Clock().Now();
    Clock().Sleep(50);
  }
}

void TForm1::AinBPulse()
{
  PulseStep(1);
}

void TForm1::BinAPulse()
{
  PulseStep(2);
}

void TForm1::AppendDebugLine(const QString& line)
{
  MemoDevFeedback->appendPlainText(line);
}

// One dosing step of controller A (address 1) or B (address 2).
void TForm1::PulseStep(unsigned Address)
{
  TMixerData& S = Shared;
  const bool isA = Address == 1;
  TTotalizer& totalizer = isA ? S.TotalizerA : S.TotalizerB;
  double& FLI = isA ? S.FLAI : S.FLBI;
  const double target = isA ? S.DesiredFlowAGramsperMinute : S.DesiredFlowBGramsperMinute;
  const float pulseFlow = isA ? 0.035f : 0.22f;
  const QString prefix = isA ? QStringLiteral("A ") : QStringLiteral("B ");

  double E = 0, T = 0;
  {
    TMFCPort port(DeviceContext(), SelectedText(ListBoxPortMFC));
    // A totalizer whose reset waits for its confirmation counts from an
    // unknown start: no reading, so no pulse.
    totalizer.Value = FConfirmations.Waiting(ResetOf(Address))
                          ? NAN
                          : double(port.ReadF32(Address, 4).AsFloat) * 1000;
    totalizer.Time = Clock().Now();
    Clock().Sleep(50);
    E = (Clock().Now() - totalizer.StartTime) * 24 * 60;
    T = E * target;
    const TDosingStep step = PlanDosingStep(T, totalizer.Value, FLI);
    if (step.ReadingFailed)
      AppendDebugLine(prefix + QStringLiteral("Totalizer reading failed, no pulse"));
    for (const QString& line : step.Lines) AppendDebugLine(line);
    FLI = step.FLI;
    bool& limitLogged = isA ? S.PulseALimitLogged : S.PulseBLimitLogged;
    if (step.AtLimit && !limitLogged) {
      limitLogged = true;
      AppendDebugLine(prefix +
                      QStringLiteral("pulse length at its limit of %1 ms").arg(cMaxPulseMs));
    }
    if (step.Pulse) {
      ++S.Counter;
      AppendDebugLine(prefix + QStringLiteral("Send more flow ") + QString::number(S.Counter));
      // The pulse lasts from the pulse's set-point to the 0 after it: the
      // write's own pause and the pulse length, however long the controller
      // took to confirm the write.
      const double start = Clock().Now();
      port.WriteF32(Address, 6, pulseFlow);
      const double leftMs = (start - Clock().Now()) * 86400000.0 + 10 + step.PulseMs;
      if (leftMs >= 1) Clock().Sleep(unsigned(std::lround(leftMs)));
      port.WriteF32(Address, 6, 0.0f);
      Clock().Sleep(50);
    } else {
      AppendDebugLine(prefix + QStringLiteral("Stop flow"));
      port.WriteF32(Address, 6, 0.0f);
      Clock().Sleep(50);
    }
  }
  AppendDebugLine(prefix + QStringLiteral("Elapsed time          :") +
                  FormatFloat(QStringLiteral("0"), E * 60) + QStringLiteral(" s"));
  AppendDebugLine(prefix + QStringLiteral("Flow should be by now :") +
                  FormatFloat(QStringLiteral("0.000 000 000"), T) + QStringLiteral(" g"));
  AppendDebugLine(prefix + QStringLiteral("Flow is by now        :") +
                  FormatFloat(QStringLiteral("0.000 000 000"), totalizer.Value) +
                  QStringLiteral(" g"));
}

// ---------------------------------------------------------------- humidification

void TForm1::WettingValvesReported(bool Confirmed)
{
  // Only while the thread's valves are the mixer's line-up: not once a
  // command has asked it to stop.
  if (Shared.MixerState != TMixerState::Dilution || Shared.ThreadStop) return;
  NoteCommand(TConfirmedCommand::Valves, Confirmed, QStringLiteral("the wetting valve masks"));
}

void TForm1::StartWetting()
{
  auto* thread = new TThreadWetting(this, DeviceContext(), RelayLock());
  thread->DesiredWETFractionOfTime = Shared.DesiredH2OTimeFraction;
  thread->DesiredDRYFractionOfTime = 1 - Shared.DesiredH2OTimeFraction;
  thread->SolenoidPortASTR = SelectedText(ListBoxPortSolenoid);
  thread->Stop = false;
  thread->LoopTimeS = 3.0;
  Shared.WETT = thread;
  thread->start();
}

void TForm1::GvIntegerEditH2OTempValueChanged()
{
  double T = 20;
  if (BothFakePortsSelected()) {
    GvIntegerEditpH2O->SetValue(GetH2OPressureATM(20));
    Label14->setText(QStringLiteral("@ ") + FormatFloat(QStringLiteral("0.0"), 20) +
                     QStringLiteral("ºC (Estimated)"));
    return;
  }
  int reading = 0;
  {
    TSerialPort port(DeviceContext());
    port.Port = SelectedText(ListBoxPortSolenoid);
    UseRelayBoardSettings(port, true);
    QMutexLocker lock(RelayLock());
    reading = RelayBoardADCReading(RelayBoardReadADC(port));
  }
  AppendDebugLine(QStringLiteral("0-1024 DAC = ") + QString::number(reading));
  if (reading >= 1) {
    const double V = reading * 0.0048828125;
    AppendDebugLine(QStringLiteral("Voltage    = ") + FloatToStr(V));
    const double R = 10000 * (V / 5) / (1 - V / 5);
    AppendDebugLine(QStringLiteral("Ohm        = ") + FloatToStr(R));
    if (!ResistanceToTemperatureBead(R, T)) T = 20;
  }
  if (!(T >= 20 && T <= 40)) T = 20;
  GvIntegerEditpH2O->SetValue(GetH2OPressureATM(float(T)));
  Label14->setText(QStringLiteral("@ ") + FormatFloat(QStringLiteral("0.0"), T) +
                   QStringLiteral("ºC"));
}
