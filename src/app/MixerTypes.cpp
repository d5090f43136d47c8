#include "app/MixerTypes.h"

QString MixerStateName(TMixerState State)
{
  switch (State) {
  case TMixerState::Unknown:
    return QStringLiteral("Unknown");
  case TMixerState::Standby:
    return QStringLiteral("Standby");
  case TMixerState::Flushing:
    return QStringLiteral("Flushing");
  case TMixerState::Dilution:
    return QStringLiteral("Dilution");
  case TMixerState::Bypass:
    return QStringLiteral("Bypass");
  }
  return QString();
}

const std::array<const char*, 15> MixingMethodTexts = {
    "A pure",
    "A (constant) in B",
    "A in B (limited)",
    "A (constant) in B/H2O",
    "A in B/H2O (limited)",
    "A (pulse) in B",
    "A (pulse) in B/H2O",
    "B pure",
    "B (constant) in A",
    "B in A (limited)",
    "B/H2O (constant) in A",
    "B/H2O in A (limited)",
    "B (pulse) in A",
    "B/H2O (pulse) in A",
    "B/H2O",
};

bool CodeOfMethod(const QString& Method, TCode& Code)
{
  for (size_t i = 0; i < MixingMethodTexts.size(); ++i)
    if (Method == QLatin1String(MixingMethodTexts[i])) {
      Code = static_cast<TCode>(i);
      return true;
    }
  return false;
}

bool IsWetMethod(TCode Code)
{
  switch (Code) {
  case TCode::t4:
  case TCode::t5:
  case TCode::t7:
  case TCode::tD:
  case TCode::tE:
  case TCode::tG:
  case TCode::tH:
    return true;
  default:
    return false;
  }
}

bool IsAPulsed(TCode Code)
{
  return Code == TCode::t6 || Code == TCode::t7;
}

bool IsBPulsed(TCode Code)
{
  return Code == TCode::tF || Code == TCode::tG;
}
