// The mixer's commands and a read-only picture of its state, behind one small
// interface. The window's four buttons, the sequence runner and anything that
// acts on the mixer from outside the window all go through it, so that every
// command meets the same checks a click meets: the set-up guard, the entry
// fields' limits and the mixture calculation's refusals.
//
// Everything here runs on the user-interface thread.
#pragma once

#include "app/MixerTypes.h"
#include "app/MixtureCalculation.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceRunner.h"

#include <QString>
#include <functional>

class TForm1;

enum class TMixerCommand
{
  Stop,
  Flush,
  Bypass,
  ApplyMixture
};

enum class TCommandOutcome
{
  Done,            // carried out
  SetupIncomplete, // the equipment is not validated or the gases are not chosen
  Refused,         // a value outside its entry field's limits, or the calculation refuses it
  Busy             // a stop waits for the humidification thread, or the window is closing
};

struct TCommandResult
{
  TCommandOutcome Outcome = TCommandOutcome::Done;
  QString Message; // why it was not carried out; empty when it was
  // For "Apply Mixture": the values applied (the water as the entry fields
  // left it: outside the test mode at most what the bubbler gives).
  int PpmA = 0;
  int PpmH2O = 0;

  bool IsDone() const { return Outcome == TCommandOutcome::Done; }
  static TCommandResult Refusal(TCommandOutcome Outcome, const QString& Message)
  {
    return {Outcome, Message};
  }
};

// What the mixer is doing and how it is set up, as plain values.
struct TMixerSnapshot
{
  TMixerState Mode = TMixerState::Unknown;
  QString StatusText; // the "Mixer status:" text
  // The set-up: the three check boxes of the Setup tab and the chosen gases
  // (empty when none is chosen).
  bool RelayOK = false;
  bool MFCOK = false;
  bool GasesSelected = false;
  QString GasA, GasB;
  bool SetupComplete = false;
  // The mixture last applied in this run (by any way), with its method.
  bool MixtureApplied = false;
  int PpmA = 0;
  int PpmH2O = 0;
  QString Method;
  // The relay mask of the last valve command the window sent (bit k: valve
  // k + 1 open). While the humidification thread runs it switches the
  // bubbler valves itself (Wetting).
  int ValveMask = 0;
  bool Wetting = false;
  double AutoStopTime = 0; // date-time of the automatic stop
  int Rows = 0;            // rows of the output table below its titles
  bool Busy = false;       // a stop waits for the humidification thread
  // The sequence: loaded when the Sequence tab's table holds steps or one
  // has been started; its progress (Idle until started).
  bool SequenceLoaded = false;
  TSequenceProgress Sequence;
};

// The set-up guard's text: the set-up is complete when the relay board and
// the MFCs are validated and both gases are chosen.
QString SetupGuardText();

// What a wanted mixture is checked against: the entry fields' ranges, the
// bubbler, and the inputs of the calculation (gases, controllers, gas-B
// limit, the water vapour pressure).
struct TMixtureRequest
{
  int PpmA = 0;
  int PpmH2O = 0;
  int MinA = 0, MaxA = 1000000;     // range of the Gas A field
  int MinH2O = 0, MaxH2O = 1000000; // range of the H2O field
  // The bubbler limits the water (everywhere except the test mode).
  bool WaterLimited = true;
  // True: water above the bubbler's limit is refused. False: it is lowered
  // to the limit, as the entry fields do.
  bool StrictWater = false;
  TMixtureInput Calculation; // a, b and w are filled in by the check
};

struct TMixtureVerdict
{
  QString Refusal; // empty when the mixture can be applied
  int PpmH2O = 0;  // the water that would be applied
  TMixtureResult Result;
};

// Checks a wanted mixture as the entry fields and "Apply Mixture" would take
// it, without touching anything.
TMixtureVerdict CheckMixture(const TMixtureRequest& Request);

class TMixerControl : public TSequenceMixer
{
public:
  explicit TMixerControl(TForm1& Form);
  TMixerControl(const TMixerControl&) = delete;
  TMixerControl& operator=(const TMixerControl&) = delete;

  // ---- The operator's commands (the window's buttons, or from outside) ----
  // Each ends a running sequence first. Stop is never refused except while
  // the window is closing; Flush and Bypass need the set-up; Apply Mixture
  // also writes PpmA and PpmH2O into the entry fields, and is refused when a
  // value lies outside its field's limits or the calculation refuses it
  // (nothing is changed then).
  TCommandResult Stop();
  TCommandResult Flush();
  TCommandResult Bypass();
  TCommandResult ApplyMixture(int PpmA, int PpmH2O);

  // What a command would meet now, without carrying it out (Done: allowed).
  TCommandResult Check(TMixerCommand Command, int PpmA = 0, int PpmH2O = 0) const;
  // The request "Apply Mixture" would check PpmA and PpmH2O as.
  TMixtureRequest MixtureRequest(int PpmA, int PpmH2O) const;
  bool SetupComplete() const;

  TMixerSnapshot Snapshot() const;

  // ---- Sequences: the Sequence tab's table and its run ----
  TSequence Sequence() const;
  // The check a start makes: the set-up (SetupIncomplete), then every step
  // within its entry field's limits and made by the calculation (water above
  // what the bubbler gives is refused, not lowered), the times, and the end
  // before the automatic stop (Refused, naming the step or both times).
  TCommandResult CheckSequence(const TSequence& Sequence);
  // Puts a sequence that passes the check into the table. Busy while one
  // runs; nothing changes when refused.
  TCommandResult SetSequence(const TSequence& Sequence);
  // Checks the table's sequence and starts it: its first step at once.
  // Busy while one runs.
  TCommandResult StartSequence();
  TCommandResult PauseSequence();
  TCommandResult ResumeSequence();
  // The next step at once (past the last: the sequence's end).
  TCommandResult SkipStep();
  // Ends the sequence and stops the mixer (Standby).
  TCommandResult StopSequence();
  TSequenceProgress SequenceProgress() const;

  // ---- What the sequence runner asks: the buttons' own commands, checked
  // as a click is, without ending the sequence ----
  QString BeginStep(TSequenceStep& Step, QString& Method) override;
  void StopMixer() override;

  // ---- For the window's click handlers ----
  // Called first by each of the four click handlers. A command the facade
  // issues has been checked already: true. A click (or the automatic stop)
  // is checked now: a refusal is shown in a message box and false returned;
  // when allowed, a running sequence ends first.
  bool BeginCommand(TMixerCommand Command);

  // Called before an operator's command is carried out (a sequence ends
  // then); not called for the commands a sequence issues itself.
  std::function<void(TMixerCommand Command)> BeforeOperatorCommand;

protected:
  // Carries out a checked command through the window's click handler; the
  // fields are written first for "Apply Mixture".
  TCommandResult Issue(TMixerCommand Command, int PpmA, int PpmH2O, bool ByOperator);

private:
  void NoteApplied();
  // An operator's command ends a running sequence first.
  void EndSequenceFor(TMixerCommand Command);
  // Busy while the window closes or a stop waits; otherwise Done.
  TCommandResult Available() const;

  TForm1& FForm;
  bool FIssuing = false; // a command checked here runs through its click handler
  bool FMixtureApplied = false;
  int FAppliedA = 0, FAppliedH2O = 0;
};
