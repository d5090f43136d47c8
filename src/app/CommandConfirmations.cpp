#include "app/CommandConfirmations.h"

#include <QStringList>

namespace {
std::size_t Index(TConfirmedCommand Command)
{
  return std::size_t(Command);
}

bool IsReset(TConfirmedCommand Command)
{
  return Command == TConfirmedCommand::TotalizerResetA ||
         Command == TConfirmedCommand::TotalizerResetB;
}

QString Device(TConfirmedCommand Command)
{
  switch (Command) {
  case TConfirmedCommand::Valves:
    return QStringLiteral("Relay board");
  case TConfirmedCommand::FlowA:
  case TConfirmedCommand::TotalizerResetA:
    return QStringLiteral("Controller A (address 1)");
  case TConfirmedCommand::FlowB:
  case TConfirmedCommand::TotalizerResetB:
    return QStringLiteral("Controller B (address 2)");
  }
  return QString();
}

// The short name in the mixer status.
QString ShortName(TConfirmedCommand Command)
{
  switch (Command) {
  case TConfirmedCommand::Valves:
    return QStringLiteral("valves");
  case TConfirmedCommand::FlowA:
    return QStringLiteral("flow A");
  case TConfirmedCommand::FlowB:
    return QStringLiteral("flow B");
  case TConfirmedCommand::TotalizerResetA:
    return QStringLiteral("totalizer A");
  case TConfirmedCommand::TotalizerResetB:
    return QStringLiteral("totalizer B");
  }
  return QString();
}
} // namespace

QString TCommandConfirmations::Sent(TConfirmedCommand Command, bool Confirmed, const QString& What)
{
  bool& waiting = FWaiting[Index(Command)];
  const bool was = waiting;
  waiting = !Confirmed;
  if (Confirmed) return was ? Device(Command) + QStringLiteral(" confirmed ") + What : QString();
  if (was) return QString();
  QString line = Device(Command) + QStringLiteral(" did not confirm ") + What +
                 QStringLiteral("; sending it again every tick");
  if (IsReset(Command)) line += QStringLiteral(", no grams counted until it does");
  return line;
}

bool TCommandConfirmations::Waiting(TConfirmedCommand Command) const
{
  return FWaiting[Index(Command)];
}

bool TCommandConfirmations::AnyWaiting() const
{
  for (bool w : FWaiting)
    if (w) return true;
  return false;
}

void TCommandConfirmations::ForgetModeCommands()
{
  for (TConfirmedCommand c :
       {TConfirmedCommand::Valves, TConfirmedCommand::FlowA, TConfirmedCommand::FlowB})
    Forget(c);
}

void TCommandConfirmations::Forget(TConfirmedCommand Command)
{
  FWaiting[Index(Command)] = false;
}

QString TCommandConfirmations::Status(const QString& Mode) const
{
  QStringList names;
  for (std::size_t i = 0; i < FWaiting.size(); ++i)
    if (FWaiting[i]) names << ShortName(TConfirmedCommand(i));
  if (names.isEmpty()) return Mode;
  const QString last = names.takeLast();
  const QString list =
      names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
  return Mode + QStringLiteral(" (") + list + QStringLiteral(" not confirmed)");
}
