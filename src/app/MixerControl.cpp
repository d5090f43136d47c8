#include "app/MixerControl.h"

#include "app/DialogService.h"
#include "app/UnitMain.h"
#include "app/ValveDiagram.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"
#include "devices/Clock.h"
#include "sequence/SequenceCheck.h"
#include "sequence/SequencePanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QScopeGuard>
#include <QTableWidget>
#include <cmath>

QString SetupGuardText()
{
  return QStringLiteral(
      "Must validate equipment and select gas types before proceeding to operation");
}

TMixtureVerdict CheckMixture(const TMixtureRequest& Request)
{
  TMixtureVerdict v;
  const int a = Request.PpmA;
  int w = Request.PpmH2O;
  v.PpmH2O = w;
  const auto refuse = [&v](const QString& text) {
    v.Refusal = text;
    return v;
  };
  if (a < Request.MinA || a > Request.MaxA)
    return refuse(QStringLiteral("Gas A %1 ppm is outside its field's range %2 .. %3.")
                      .arg(a)
                      .arg(Request.MinA)
                      .arg(Request.MaxA));
  if (w < Request.MinH2O || w > Request.MaxH2O)
    return refuse(QStringLiteral("H2O %1 ppm is outside its field's range %2 .. %3.")
                      .arg(w)
                      .arg(Request.MinH2O)
                      .arg(Request.MaxH2O));
  if (qint64(a) + w > 1000000)
    return refuse(QStringLiteral("Gas A and H2O together make %1 ppm, more than 1000000 ppm.")
                      .arg(qint64(a) + w));

  const double p = Request.Calculation.p;
  if (Request.WaterLimited && w > 0) {
    // The most water the bubbler gives at its vapour pressure, as the entry
    // fields take it.
    const double x = (1000000.0 - a) * p;
    const int most = std::isfinite(x) && x >= 0 ? int(RoundHalfEven(x)) : 0;
    if (w > x && Request.StrictWater && w > most)
      return refuse(QStringLiteral("H2O %1 ppm is more than the bubbler gives at %2 atm "
                                   "(at most %3 ppm with %4 ppm of gas A).")
                        .arg(w)
                        .arg(FormatFloat(QStringLiteral("0.000 000"), p))
                        .arg(most)
                        .arg(a));
    if (w > x) w = most;
  }
  v.PpmH2O = w;

  TMixtureInput in = Request.Calculation;
  in.a = a;
  in.w = w;
  in.b = 1000000 - a - w;
  if (in.GasA.isEmpty() || in.GasB.isEmpty()) return refuse(SetupGuardText());
  v.Result = CalculateMixture(in);
  const TMixtureResult& r = v.Result;
  if (!r.Computed)
    return refuse(QStringLiteral("The mixture cannot be made: %1 ppm of H2O with no gas to "
                                 "carry it.")
                      .arg(w));
  if (w > 0 && !r.WaterInB)
    return refuse(QStringLiteral("The mixture cannot be made: with gas B at 0 ppm nothing "
                                 "carries the %1 ppm of H2O.")
                      .arg(w));
  const bool usable = std::isfinite(r.DesiredFlowAGramsperMinute) &&
                      std::isfinite(r.DesiredFlowBGramsperMinute) &&
                      r.DesiredFlowAGramsperMinute >= 0 && r.DesiredFlowBGramsperMinute >= 0 &&
                      std::isfinite(r.DesiredH2OTimeFraction);
  if (!usable)
    return refuse(QStringLiteral("The calculation finds no usable flows for %1 ppm of gas A and "
                                 "%2 ppm of H2O.")
                      .arg(a)
                      .arg(w));
  return v;
}

TMixerControl::TMixerControl(TForm1& Form) : FForm(Form) {}

bool TMixerControl::SetupComplete() const
{
  return FForm.CheckBoxSolenoidOK->isChecked() && FForm.CheckBoxMFCOK->isChecked() &&
         FForm.CheckBoxGasesSelected->isChecked() &&
         !TForm1::SelectedText(FForm.ListBoxSetupGas1).isEmpty() &&
         !TForm1::SelectedText(FForm.ListBoxSetupGas2).isEmpty();
}

TMixtureRequest TMixerControl::MixtureRequest(int PpmA, int PpmH2O) const
{
  TMixtureRequest r;
  r.PpmA = PpmA;
  r.PpmH2O = PpmH2O;
  r.MinA = FForm.GvIntegerEditGasAPPM->MinValue();
  r.MaxA = FForm.GvIntegerEditGasAPPM->MaxValue();
  r.MinH2O = FForm.GvIntegerEditH2Oppm->MinValue();
  r.MaxH2O = FForm.GvIntegerEditH2Oppm->MaxValue();
  r.WaterLimited = !FForm.FakeSolenoidPortSelected();
  TMixtureInput& in = r.Calculation;
  in.p = FForm.GvIntegerEditpH2O->Value();
  in.GasA = TForm1::SelectedText(FForm.ListBoxSetupGas1);
  in.GasB = TForm1::SelectedText(FForm.ListBoxSetupGas2);
  in.FIA = FForm.Shared.FIA;
  in.FIB = FForm.Shared.FIB;
  in.FIB.Max = float(FForm.GvNumericUpDn1->Value()); // the gas-B limit wins, as in Calculate
  in.DesiredH2OTimeFraction = FForm.Shared.DesiredH2OTimeFraction;
  return r;
}

TCommandResult TMixerControl::Available() const
{
  if (FForm.Closing())
    return TCommandResult::Refusal(TCommandOutcome::Busy, QStringLiteral("Verdane is closing."));
  if (FForm.StopWaiting())
    return TCommandResult::Refusal(
        TCommandOutcome::Busy,
        QStringLiteral("Waiting valve operations to finish; the command was not carried out."));
  return {};
}

TCommandResult TMixerControl::Check(TMixerCommand Command, int PpmA, int PpmH2O) const
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (Command == TMixerCommand::Stop) return {};
  if (!SetupComplete())
    return TCommandResult::Refusal(TCommandOutcome::SetupIncomplete, SetupGuardText());
  if (Command != TMixerCommand::ApplyMixture) return {};
  const TMixtureVerdict v = CheckMixture(MixtureRequest(PpmA, PpmH2O));
  if (!v.Refusal.isEmpty()) {
    // Without gases the set-up guard speaks, not the calculation.
    const bool setup = v.Refusal == SetupGuardText();
    return TCommandResult::Refusal(
        setup ? TCommandOutcome::SetupIncomplete : TCommandOutcome::Refused, v.Refusal);
  }
  TCommandResult done;
  done.PpmA = PpmA;
  done.PpmH2O = v.PpmH2O;
  return done;
}

TCommandResult TMixerControl::Issue(TMixerCommand Command, int PpmA, int PpmH2O, bool ByOperator)
{
  TCommandResult r = Check(Command, PpmA, PpmH2O);
  if (r.IsDone() && Command == TMixerCommand::ApplyMixture) {
    // Checked again with the water vapour pressure as the entry fields will
    // see it.
    FForm.GvIntegerEditH2OTempValueChanged();
    r = Check(Command, PpmA, PpmH2O);
  }
  if (!r.IsDone()) return r;
  if (ByOperator) {
    EndSequenceFor(Command);
    if (BeforeOperatorCommand) BeforeOperatorCommand(Command);
  }
  FIssuing = true;
  const auto issued = qScopeGuard([this] { FIssuing = false; });
  switch (Command) {
  case TMixerCommand::Stop:
    FForm.ButtonStopClick();
    break;
  case TMixerCommand::Flush:
    FForm.ButtonFlushClick();
    break;
  case TMixerCommand::Bypass:
    FForm.ButtonBypassClick();
    break;
  case TMixerCommand::ApplyMixture:
    // As the operator types them: the entry fields' own handler runs for
    // each, and may lower the water to what the bubbler gives.
    FForm.GvIntegerEditGasAPPM->SetValue(PpmA);
    FForm.GvIntegerEditH2Oppm->SetValue(PpmH2O);
    FForm.ButtonDilutionClick();
    r.PpmA = FAppliedA;
    r.PpmH2O = FAppliedH2O;
    break;
  }
  return r;
}

TCommandResult TMixerControl::Stop()
{
  return Issue(TMixerCommand::Stop, 0, 0, true);
}

TCommandResult TMixerControl::Flush()
{
  return Issue(TMixerCommand::Flush, 0, 0, true);
}

TCommandResult TMixerControl::Bypass()
{
  return Issue(TMixerCommand::Bypass, 0, 0, true);
}

TCommandResult TMixerControl::ApplyMixture(int PpmA, int PpmH2O)
{
  return Issue(TMixerCommand::ApplyMixture, PpmA, PpmH2O, true);
}

bool TMixerControl::BeginCommand(TMixerCommand Command)
{
  if (!FIssuing) {
    // A click: checked with what the entry fields hold.
    const TCommandResult r = Check(Command, FForm.GvIntegerEditGasAPPM->Value(),
                                   FForm.GvIntegerEditH2Oppm->Value());
    if (!r.IsDone()) {
      FForm.Dialogs().ShowMessage(&FForm, r.Message);
      return false;
    }
    EndSequenceFor(Command);
    if (BeforeOperatorCommand) BeforeOperatorCommand(Command);
  }
  if (Command == TMixerCommand::ApplyMixture) NoteApplied();
  return true;
}

void TMixerControl::NoteApplied()
{
  FMixtureApplied = true;
  FAppliedA = FForm.GvIntegerEditGasAPPM->Value();
  FAppliedH2O = FForm.GvIntegerEditH2Oppm->Value();
}

TMixerSnapshot TMixerControl::Snapshot() const
{
  const TMixerData& S = FForm.Shared;
  TMixerSnapshot s;
  s.Mode = S.MixerState;
  s.StatusText = FForm.LabelStatus->text();
  s.RelayOK = FForm.CheckBoxSolenoidOK->isChecked();
  s.MFCOK = FForm.CheckBoxMFCOK->isChecked();
  s.GasesSelected = FForm.CheckBoxGasesSelected->isChecked();
  s.GasA = TForm1::SelectedText(FForm.ListBoxSetupGas1);
  s.GasB = TForm1::SelectedText(FForm.ListBoxSetupGas2);
  s.SetupComplete = SetupComplete();
  s.MixtureApplied = FMixtureApplied;
  if (FMixtureApplied) {
    s.PpmA = FAppliedA;
    s.PpmH2O = FAppliedH2O;
    s.Method = S.MixingMethod;
  }
  s.ValveMask = ValveMask(S.V1O, S.V2O, S.V3O, S.V4O, S.V5O, S.V6O);
  s.Wetting = S.WETT != nullptr;
  s.AutoStopTime = S.AutoStopTime;
  s.Rows = FForm.OutputRowCount();
  s.Busy = FForm.StopWaiting();
  s.Sequence = SequenceProgress();
  s.SequenceLoaded = s.Sequence.State != TSequenceState::Idle || !Sequence().Steps.empty();
  return s;
}

// ---------------------------------------------------------------- sequences

void TMixerControl::EndSequenceFor(TMixerCommand Command)
{
  if (!FForm.SequenceRunner().Active()) return;
  QString reason;
  switch (Command) {
  case TMixerCommand::Stop:
    // The automatic stop calls the Stop button's handler once its time has passed.
    reason = FForm.Clock().Now() > FForm.Shared.AutoStopTime
                 ? QStringLiteral("ended by the automatic stop")
                 : QStringLiteral("ended by the Stop command");
    break;
  case TMixerCommand::Flush:
    reason = QStringLiteral("ended by the Flush command");
    break;
  case TMixerCommand::Bypass:
    reason = QStringLiteral("ended by the Bypass command");
    break;
  case TMixerCommand::ApplyMixture:
    reason = QStringLiteral("ended by \"Apply Mixture\"");
    break;
  }
  FForm.EndSequence(reason);
}

TSequence TMixerControl::Sequence() const
{
  return FForm.TabSheetSequence->Sequence();
}

TSequenceProgress TMixerControl::SequenceProgress() const
{
  return FForm.SequenceRunner().Progress();
}

TCommandResult TMixerControl::CheckSequence(const TSequence& Sequence)
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (!SetupComplete())
    return TCommandResult::Refusal(TCommandOutcome::SetupIncomplete, SetupGuardText());
  // The water vapour pressure as the steps will meet it.
  FForm.GvIntegerEditH2OTempValueChanged();
  TSequenceCheckInput in;
  in.Now = FForm.Clock().Now();
  in.AutoStopTime = FForm.Shared.AutoStopTime;
  in.MixRefusal = [this](int a, int w) {
    TMixtureRequest r = MixtureRequest(a, w);
    r.StrictWater = true; // a profile delivers what it says or does not start
    return CheckMixture(r).Refusal;
  };
  const QString refusal = SequenceRefusal(Sequence, in);
  if (!refusal.isEmpty()) return TCommandResult::Refusal(TCommandOutcome::Refused, refusal);
  return {};
}

TCommandResult TMixerControl::SetSequence(const TSequence& Sequence)
{
  if (FForm.SequenceRunner().Active())
    return TCommandResult::Refusal(
        TCommandOutcome::Busy, QStringLiteral("A sequence runs; stop it before changing it."));
  const TCommandResult r = CheckSequence(Sequence);
  if (r.IsDone()) FForm.TabSheetSequence->SetSequence(Sequence);
  return r;
}

TCommandResult TMixerControl::StartSequence()
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (FForm.SequenceRunner().Active())
    return TCommandResult::Refusal(TCommandOutcome::Busy,
                                   QStringLiteral("A sequence runs already; stop it first."));
  const TSequence sequence = Sequence();
  const TCommandResult r = CheckSequence(sequence);
  if (!r.IsDone()) return r;
  FForm.BeginSequence(sequence);
  return {};
}

TCommandResult TMixerControl::PauseSequence()
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (!FForm.SequenceRunner().Pause())
    return TCommandResult::Refusal(TCommandOutcome::Refused, QStringLiteral("No sequence runs."));
  FForm.SequenceEvent(QStringLiteral("Sequence paused"));
  return {};
}

TCommandResult TMixerControl::ResumeSequence()
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (!FForm.SequenceRunner().Resume())
    return TCommandResult::Refusal(TCommandOutcome::Refused,
                                   QStringLiteral("The sequence is not paused."));
  FForm.SequenceEvent(QStringLiteral("Sequence resumed"));
  return {};
}

TCommandResult TMixerControl::SkipStep()
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (!FForm.SequenceRunner().Active())
    return TCommandResult::Refusal(TCommandOutcome::Refused, QStringLiteral("No sequence runs."));
  FForm.SequenceEvent(QStringLiteral("Sequence step skipped"));
  FForm.SequenceRunner().Skip();
  return {};
}

TCommandResult TMixerControl::StopSequence()
{
  if (const TCommandResult busy = Available(); !busy.IsDone()) return busy;
  if (!FForm.SequenceRunner().Active())
    return TCommandResult::Refusal(TCommandOutcome::Refused, QStringLiteral("No sequence runs."));
  FForm.EndSequence(QStringLiteral("stopped by the operator"));
  return Issue(TMixerCommand::Stop, 0, 0, false);
}

QString TMixerControl::BeginStep(TSequenceStep& Step, QString& Method)
{
  TCommandResult r;
  switch (Step.Kind) {
  case TStepKind::Mix:
    r = Issue(TMixerCommand::ApplyMixture, Step.PpmA, Step.PpmH2O, false);
    if (r.IsDone()) {
      Step.PpmA = r.PpmA;
      Step.PpmH2O = r.PpmH2O;
      Method = FForm.Shared.MixingMethod;
    }
    break;
  case TStepKind::Bypass:
    r = Issue(TMixerCommand::Bypass, 0, 0, false);
    break;
  case TStepKind::Standby:
    r = Issue(TMixerCommand::Stop, 0, 0, false);
    break;
  case TStepKind::Flush:
    r = Issue(TMixerCommand::Flush, 0, 0, false);
    break;
  }
  return r.IsDone() ? QString() : r.Message;
}

void TMixerControl::StopMixer()
{
  Issue(TMixerCommand::Stop, 0, 0, false);
}
