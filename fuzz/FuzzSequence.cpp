// The sequence file reader over arbitrary bytes (a file from a script, a
// disk, anyone). Bad text is refused with a message naming a line of the
// text; good text reads back the same after writing, and the check and the
// plan of what was read stay defined.
#include "sequence/SequenceCheck.h"
#include "sequence/SequenceFile.h"

#include <QByteArray>
#include <cstdlib>

namespace {
void Check(bool Condition)
{
  if (!Condition) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  const QByteArray text(reinterpret_cast<const char*>(Data), qsizetype(Size));
  const TSequenceReadResult r = ReadSequenceText(text);
  if (!r.Ok) {
    Check(!r.Error.isEmpty());
    Check(r.Sequence.Steps.empty());
    Check(r.Line >= 0 && r.Line <= text.count('\n') + 1);
    return 0;
  }
  const TSequence& s = r.Sequence;
  Check(!s.Steps.empty() && s.Steps.size() <= size_t(cMaxSequenceSteps));
  Check(s.Repeat >= 1);
  for (const TSequenceStep& step : s.Steps) {
    Check(step.Minutes >= 0);
    Check(step.PpmA >= 0 && step.PpmA <= 1000000 && step.PpmH2O >= 0 && step.PpmH2O <= 1000000);
    Check(StepDurationMs(step) >= 0);
  }
  Check(RunDurationMs(s) >= 0);
  const TSequenceReadResult again = ReadSequenceText(WriteSequenceText(s));
  Check(again.Ok && again.Sequence == s);
  TSequenceCheckInput in;
  in.Now = 46000.5;
  in.AutoStopTime = in.Now + 3;
  in.MixRefusal = [](int a, int w) { return a + w > 1000000 ? QStringLiteral("no") : QString(); };
  SequenceRefusal(s, in);
  return 0;
}
