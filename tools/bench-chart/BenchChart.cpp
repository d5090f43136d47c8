#include "BenchChart.h"

#include <QApplication>
#include <cstdio>
#include <map>
#include <string>

namespace {

// Collects the real time per iteration of every run and prints the
// comparison lines after the usual console report.
class TComparisonReporter : public benchmark::ConsoleReporter
{
public:
  void ReportRuns(const std::vector<Run>& Runs) override
  {
    ConsoleReporter::ReportRuns(Runs);
    for (const Run& R : Runs) {
      if (R.run_type != Run::RT_Iteration || R.iterations == 0) continue;
      const std::string Name = R.benchmark_name();
      const auto Slash = Name.find('/');
      if (Slash == std::string::npos) continue;
      const std::string Side = Name.substr(Slash + 1, Name.find('/', Slash + 1) - Slash - 1);
      const double Ms = R.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                        benchmark::GetTimeUnitMultiplier(R.time_unit);
      FTimes[Name.substr(0, Slash)][Side] = Ms;
    }
  }

  void PrintComparisons() const
  {
    for (const auto& [Name, Sides] : FTimes) {
      const auto V = Sides.find("verdane");
      if (V == Sides.end()) continue;
      const auto A = Sides.find("anchor");
      if (A == Sides.end() || A->second <= 0)
        std::printf("%s verdane_ms=%.3f\n", Name.c_str(), V->second);
      else
        std::printf("%s verdane_ms=%.3f anchor_ms=%.3f ratio=%.3f\n", Name.c_str(), V->second,
                    A->second, V->second / A->second);
    }
  }

private:
  std::map<std::string, std::map<std::string, double>> FTimes;
};

} // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication App(argc, argv);
  benchmark::Initialize(&argc, argv);
  TComparisonReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  std::fflush(stdout);
  Reporter.PrintComparisons();
  benchmark::Shutdown();
  return 0;
}
