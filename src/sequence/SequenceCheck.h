// The check a sequence meets before it starts: every value within its entry
// field's limits, every mix step one the calculation makes, the times
// sensible, at most cMaxSequenceSteps steps, and the whole run ending before
// the automatic stop. A refusal names the step by its number and values.
#pragma once

#include "sequence/Sequence.h"

#include <QString>
#include <functional>

struct TSequenceCheckInput
{
  double Now = 0;          // date-time the sequence would start
  double AutoStopTime = 0; // date-time of the automatic stop
  // Why the mixer would not make PpmA and PpmH2O now (the entry fields'
  // limits, the bubbler, the calculation); an empty text when it would.
  std::function<QString(int PpmA, int PpmH2O)> MixRefusal;
};

// An empty text when the sequence may start; otherwise why not.
QString SequenceRefusal(const TSequence& Sequence, const TSequenceCheckInput& Input);
