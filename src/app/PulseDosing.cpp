#include "app/PulseDosing.h"

#include "controls/GvStringFunctions.h"

#include <algorithm>
#include <cmath>

TDosingStep PlanDosingStep(double Target, double Reading, double FLI)
{
  TDosingStep step;
  // An unreadable totalizer is never a reason to pulse.
  step.ReadingFailed = std::isnan(Reading);
  const bool behind = !step.ReadingFailed && Target - Reading > 0;
  FLI = behind ? std::min(FLI + 1, cMaxFLI) : FLI - 1;
  step.Lines << QString::fromLatin1(behind ? "Extra flow up           :"
                                           : "Extra flow down         :") +
                    FormatFloat(QStringLiteral("0"), std::floor(10 * FLI)) + u' ';
  if (FLI < 0) FLI = 0;
  step.FLI = FLI;
  step.AtLimit = FLI >= cMaxFLI;
  step.Pulse = behind && Target > Reading;
  step.PulseMs = 100 + unsigned(std::floor(10 * FLI));
  return step;
}
