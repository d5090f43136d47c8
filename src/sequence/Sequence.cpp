#include "sequence/Sequence.h"

#include "controls/GvStringFunctions.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString StepKindName(TStepKind Kind)
{
  switch (Kind) {
  case TStepKind::Mix:
    return QStringLiteral("mix");
  case TStepKind::Bypass:
    return QStringLiteral("bypass");
  case TStepKind::Standby:
    return QStringLiteral("standby");
  case TStepKind::Flush:
    return QStringLiteral("flush");
  }
  return QString();
}

std::optional<TStepKind> StepKindFromName(const QString& Name)
{
  for (TStepKind k : {TStepKind::Mix, TStepKind::Bypass, TStepKind::Standby, TStepKind::Flush})
    if (Name == StepKindName(k)) return k;
  return std::nullopt;
}

QString SequenceEndName(TSequenceEnd End)
{
  return End == TSequenceEnd::Hold ? QStringLiteral("hold") : QStringLiteral("standby");
}

std::optional<TSequenceEnd> SequenceEndFromName(const QString& Name)
{
  if (Name == QLatin1String("standby")) return TSequenceEnd::Standby;
  if (Name == QLatin1String("hold")) return TSequenceEnd::Hold;
  return std::nullopt;
}

int64_t StepDurationMs(const TSequenceStep& Step)
{
  const double ms = Step.Minutes * 60000.0;
  // Checked steps are far inside this bound; it only keeps the sums defined
  // for any step (10000 steps of it still fit).
  const int64_t whole = std::isfinite(ms) && ms > 0 ? int64_t(std::llround(std::min(ms, 1e12))) : 0;
  return Step.Kind == TStepKind::Flush ? std::max(whole, cFlushStepMinMs) : whole;
}

int64_t PassDurationMs(const TSequence& Sequence)
{
  int64_t sum = 0;
  for (const TSequenceStep& s : Sequence.Steps) sum += StepDurationMs(s);
  return sum;
}

int64_t RunDurationMs(const TSequence& Sequence)
{
  const int64_t pass = PassDurationMs(Sequence);
  const int64_t repeat = std::max(Sequence.Repeat, 0);
  if (repeat > 0 && pass > std::numeric_limits<int64_t>::max() / repeat)
    return std::numeric_limits<int64_t>::max();
  return pass * repeat;
}

QString MinutesText(double Minutes)
{
  return FloatToStrGeneral(Minutes, 15);
}

QString StepText(const TSequenceStep& Step)
{
  const QString minutes = MinutesText(Step.Minutes) + QStringLiteral(" min");
  if (Step.Kind == TStepKind::Mix)
    return QStringLiteral("mix %1 ppm A, %2 ppm H2O, %3").arg(Step.PpmA).arg(Step.PpmH2O).arg(minutes);
  return StepKindName(Step.Kind) + QStringLiteral(", ") + minutes;
}
