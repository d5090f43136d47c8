// The mixer's commands that count as done only once the device confirmed
// them (the relay board answers 85 to a valve mask, a controller echoes every
// write): which of them wait for their confirmation, what the Debug pane
// says about them, and what the mixer status shows meanwhile.
//
// A command that waits is sent again on every tick by the cycle; this class
// only keeps the account. Plain data, no widgets.
#pragma once

#include <QString>
#include <array>

enum class TConfirmedCommand
{
  Valves,          // the valve line-up, to the relay board
  FlowA,           // the set-point of controller A (address 1)
  FlowB,           // the set-point of controller B (address 2)
  TotalizerResetA, // the totalizer reset of controller A at "Apply Mixture"
  TotalizerResetB  // the totalizer reset of controller B
};

class TCommandConfirmations
{
public:
  // Notes one sending of Command and whether the device confirmed it; What
  // names what was sent ("valve mask 24", "set-point 0.5"). Returns the line
  // for the Debug pane: once when the command begins to wait for its
  // confirmation, and once when a command that waited is confirmed; empty
  // otherwise.
  QString Sent(TConfirmedCommand Command, bool Confirmed, const QString& What);
  bool Waiting(TConfirmedCommand Command) const;
  bool AnyWaiting() const;
  // A new mode's valves and set-points replace those of the one before: the
  // earlier ones no longer wait. A totalizer reset waits on until it is
  // confirmed or a new mixture is applied (Forget).
  void ForgetModeCommands();
  void Forget(TConfirmedCommand Command);
  // The mixer status for the mode's own text: the text itself while nothing
  // waits, else e.g. "Dilution (valves and flow B not confirmed)".
  QString Status(const QString& Mode) const;

private:
  std::array<bool, 5> FWaiting{};
};
