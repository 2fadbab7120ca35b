#include "goals.h"

#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Figure {
  double goalMs = 0;
  double sumMs = 0;  // runs of the benchmark, each one repetition
  int runs = 0;
  double medianMs = -1;  // the median of the repetitions, when reported
};

std::map<std::string, Figure>& Goals() {
  static std::map<std::string, Figure> goals;
  return goals;
}

double Milliseconds(const benchmark::BenchmarkReporter::Run& run) {
  return run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
}

class GoalReporter : public benchmark::BenchmarkReporter {
 public:
  explicit GoalReporter(benchmark::BenchmarkReporter* display) : m_display(display) {}

  bool ReportContext(const Context& context) override { return m_display->ReportContext(context); }

  void ReportRuns(const std::vector<Run>& runs) override {
    m_display->ReportRuns(runs);
    for (const Run& run : runs) {
      auto goal = Goals().find(run.run_name.function_name);
      if (goal == Goals().end() || run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration) {
        goal->second.sumMs += Milliseconds(run);
        ++goal->second.runs;
      } else if (run.aggregate_name == "median") {
        goal->second.medianMs = Milliseconds(run);
      }
    }
  }

  void Finalize() override {
    m_display->Finalize();
    for (const auto& [name, figure] : Goals()) {
      const bool ran = figure.medianMs >= 0 || figure.runs > 0;
      if (!ran) continue;
      const double ms = figure.medianMs >= 0 ? figure.medianMs : figure.sumMs / figure.runs;
      char line[256];
      std::snprintf(line, sizeof line, "%s: %.3g ms%s, goal at most %.3g ms: %s\n", name.c_str(),
                    ms, figure.medianMs >= 0 ? " (median)" : "", figure.goalMs,
                    ms <= figure.goalMs ? "met" : "MISSED");
      GetErrorStream() << line;
    }
  }

 private:
  benchmark::BenchmarkReporter* m_display;
};

}  // namespace

bool SetGoal(const char* name, double milliseconds) {
  Goals()[name].goalMs = milliseconds;
  return true;
}

std::unique_ptr<benchmark::BenchmarkReporter> ReporterWithGoals(
    benchmark::BenchmarkReporter* display) {
  return std::make_unique<GoalReporter>(display);
}
