#include "BenchChart.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::map<std::string, std::string>& SkippedAnchors()
{
  static std::map<std::string, std::string> Skipped;
  return Skipped;
}

// The median, the smallest and the largest of the repetitions of one side.
struct TSpread
{
  double Median = 0, Min = 0, Max = 0;
  std::size_t Count = 0;
};

TSpread SpreadOf(std::vector<double> Ms)
{
  TSpread S;
  S.Count = Ms.size();
  if (Ms.empty()) return S;
  std::sort(Ms.begin(), Ms.end());
  const std::size_t N = Ms.size();
  S.Median = N % 2 ? Ms[N / 2] : 0.5 * (Ms[N / 2 - 1] + Ms[N / 2]);
  S.Min = Ms.front();
  S.Max = Ms.back();
  return S;
}

// Collects the real time per iteration of every repetition and prints the
// comparison lines after the usual console report.
class TComparisonReporter : public benchmark::ConsoleReporter
{
public:
  explicit TComparisonReporter(OutputOptions Options) : ConsoleReporter(Options) {}

  void ReportRuns(const std::vector<Run>& Runs) override
  {
    ConsoleReporter::ReportRuns(Runs);
    for (const Run& R : Runs) {
      if (R.run_type != Run::RT_Iteration || R.iterations == 0 || R.error_occurred) continue;
      const std::string Name = R.benchmark_name();
      const auto Slash = Name.find('/');
      if (Slash == std::string::npos) continue;
      const std::string Side = Name.substr(Slash + 1, Name.find('/', Slash + 1) - Slash - 1);
      const double Ms = R.GetAdjustedRealTime() *
                        benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                        benchmark::GetTimeUnitMultiplier(R.time_unit);
      FTimes[Name.substr(0, Slash)][Side].push_back(Ms);
    }
  }

  void PrintComparisons() const
  {
    for (const auto& [Name, Sides] : FTimes) {
      const auto V = Sides.find("verdane");
      if (V == Sides.end()) continue;
      const TSpread Ours = SpreadOf(V->second);
      const auto A = Sides.find("anchor");
      const TSpread Anchor = A == Sides.end() ? TSpread{} : SpreadOf(A->second);
      if (Anchor.Count == 0 || Anchor.Median <= 0) {
        std::printf("%s verdane_ms=%.3f verdane_min_ms=%.3f verdane_max_ms=%.3f repetitions=%zu\n",
                    Name.c_str(), Ours.Median, Ours.Min, Ours.Max, Ours.Count);
      } else {
        std::printf("%s verdane_ms=%.3f anchor_ms=%.3f ratio=%.3f verdane_min_ms=%.3f "
                    "verdane_max_ms=%.3f anchor_min_ms=%.3f anchor_max_ms=%.3f repetitions=%zu\n",
                    Name.c_str(), Ours.Median, Anchor.Median, Ours.Median / Anchor.Median, Ours.Min,
                    Ours.Max, Anchor.Min, Anchor.Max, std::min(Ours.Count, Anchor.Count));
      }
      const auto Skipped = SkippedAnchors().find(Name);
      if (Skipped != SkippedAnchors().end())
        std::printf("%s anchor skipped: %s\n", Name.c_str(), Skipped->second.c_str());
    }
    // A skipped anchor whose own side did not run (filtered out) is still named.
    for (const auto& [Name, Why] : SkippedAnchors())
      if (FTimes.find(Name) == FTimes.end() && FRanAll)
        std::printf("%s anchor skipped: %s\n", Name.c_str(), Why.c_str());
  }

  bool FRanAll = true;

private:
  std::map<std::string, std::map<std::string, std::vector<double>>> FTimes;
};

bool HasArgument(int Argc, char** Argv, const char* Prefix)
{
  for (int I = 1; I < Argc; ++I)
    if (std::strncmp(Argv[I], Prefix, std::strlen(Prefix)) == 0) return true;
  return false;
}

} // namespace

int RegisterSkippedAnchor(const char* Name, const char* Why)
{
  SkippedAnchors()[Name] = Why;
  return 0;
}

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication App(argc, argv);
  // Colours only on a terminal (and not when asked for none), so that a
  // reader of the comparison lines meets no escape sequences.
  const bool NoColour = HasArgument(argc, argv, "--benchmark_color=false") ||
                        HasArgument(argc, argv, "--benchmark_color=no");
  const bool Colour = !NoColour && isatty(fileno(stdout)) != 0;
  const bool Filtered = HasArgument(argc, argv, "--benchmark_filter");
  // Five repetitions of every benchmark unless the command line says otherwise.
  std::vector<char*> Args(argv, argv + argc);
  static char Repetitions[] = "--benchmark_repetitions=5";
  if (!HasArgument(argc, argv, "--benchmark_repetitions")) Args.push_back(Repetitions);
  int Argc = int(Args.size());
  Args.push_back(nullptr);
  benchmark::Initialize(&Argc, Args.data());
  TComparisonReporter Reporter(Colour ? benchmark::ConsoleReporter::OO_ColorTabular
                                      : benchmark::ConsoleReporter::OO_Tabular);
  Reporter.FRanAll = !Filtered;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  std::fflush(stdout);
  Reporter.PrintComparisons();
  benchmark::Shutdown();
  return 0;
}
