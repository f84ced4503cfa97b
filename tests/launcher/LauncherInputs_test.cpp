// What the program reads besides the script's output (rule files, a saved log or trace file,
// data.js, a response file) and where the report page goes, run on the built program. Each
// scenario is a folder under tests/data/launcher/inputs; their imp/run.sh fails an object by
// sqlplus's error of four lines (the trace keeps it rewritten as one line), runs a clean one and
// fails one by a one-line error; ran.txt tells that the script started.

#include <regex>

#include "ScenarioRun.h"

namespace Qva::test {
namespace {

// Explained from the raw output and from the trace file of the same run.
constexpr const char* kExplainedOutcomes =
    "Objects:\n  Table EMP: Failed\n  Table DEPT: Ok\n  Table BONUS: Failed\n";

// The explanation's objects and their outcomes, without the lines that gave them.
std::string ExplainedOutcomes(const std::string& out) {
  const size_t at = out.find("Objects:\n");
  if (at == std::string::npos) return "no objects in:\n" + out;
  return std::regex_replace(out.substr(at), std::regex(";[^\n]*"), "");
}

TEST(LauncherInputs, EveryScenarioEndsAsExpected) {
  ASSERT_TRUE(fs::exists(kBinary)) << "build MigrationLauncher first";
  const std::vector<Scenario> scenarios =
      LoadScenarios(ML_SOURCE_DIR "/tests/data/launcher/inputs");
  ASSERT_EQ(scenarios.size(), 11u);
  const std::vector<Outcome> runs = RunAndExpect(scenarios);
  for (const char* name : {"explain_raw_output", "explain_trace_file"}) {
    EXPECT_EQ(ExplainedOutcomes(OutcomeOf(scenarios, runs, name).out), kExplainedOutcomes) << name;
  }
}

}  // namespace
}  // namespace Qva::test
