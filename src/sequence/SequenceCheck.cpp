#include "sequence/SequenceCheck.h"

#include "controls/GvDateTime.h"

#include <cmath>

namespace {
QString When(double DateTime)
{
  return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), DateTime);
}

// Longer than any automatic stop can be set; keeps the sums finite.
constexpr double cMaxStepMinutes = 10 * 24 * 60;
} // namespace

QString SequenceRefusal(const TSequence& Sequence, const TSequenceCheckInput& Input)
{
  const std::vector<TSequenceStep>& steps = Sequence.Steps;
  if (steps.empty()) return QStringLiteral("The sequence has no steps.");
  if (steps.size() > size_t(cMaxSequenceSteps))
    return QStringLiteral("The sequence has %1 steps; at most %2 can run.")
        .arg(steps.size())
        .arg(cMaxSequenceSteps);
  if (Sequence.Repeat < 1)
    return QStringLiteral("The repeat count must be 1 or more, not %1.").arg(Sequence.Repeat);

  const double cycleMinutes = cSequenceCycleMs / 60000.0;
  for (size_t i = 0; i < steps.size(); ++i) {
    const TSequenceStep& s = steps[i];
    const auto refuse = [&](const QString& why) {
      return QStringLiteral("Step %1 (%2): %3").arg(i + 1).arg(StepText(s), why);
    };
    const bool flush = s.Kind == TStepKind::Flush;
    if (!std::isfinite(s.Minutes) || s.Minutes < 0 || s.Minutes > cMaxStepMinutes)
      return refuse(QStringLiteral("the minutes must lie between 0 and %1.").arg(cMaxStepMinutes));
    if (!flush && s.Minutes <= 0)
      return refuse(QStringLiteral("the minutes must be above 0 (only a flush may take 0)."));
    if (!flush && s.Minutes < cycleMinutes)
      return refuse(QStringLiteral("a step lasts at least one cycle of %1 ms.")
                        .arg(cSequenceCycleMs));
    if (s.Kind == TStepKind::Mix && Input.MixRefusal) {
      const QString why = Input.MixRefusal(s.PpmA, s.PpmH2O);
      if (!why.isEmpty()) return refuse(why);
    }
  }

  const double runMs = double(PassDurationMs(Sequence)) * Sequence.Repeat;
  const double end = Input.Now + runMs / 86400000.0;
  if (!(end < Input.AutoStopTime))
    return QStringLiteral("The sequence would end at %1, after the automatic stop at %2. Raise "
                          "the hours of the automatic stop (\"Add hours to counter\") or shorten "
                          "the sequence.")
        .arg(When(end), When(Input.AutoStopTime));
  return QString();
}
