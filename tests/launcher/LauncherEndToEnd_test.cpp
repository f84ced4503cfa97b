// The launcher's own paths and those of rule files of the user's own (-CHECK_RULES, a faulty
// rule that stops a run before its script starts, -EXPLAIN), run on the built program. Every
// run ends with a two-second wait, so all scenarios start together once for the suite; imports
// against real database servers are the end-to-end suite's (tests/e2e). Each scenario is a folder
// under tests/data/launcher/end_to_end (its inputs, arguments and expected outcome); a script
// names its target system first, as that line activates the system's rules.

#include <regex>

#include "ScenarioRun.h"

namespace Qva::test {
namespace {

// Every psql error line of a real import's output is decided by an error rule of the
// PostgreSQL group, and every Failed object names the rules of its errors.
void ExpectEveryErrorLineExplained(const std::string& out) {
  auto count = [&](const std::string& pattern) {
    const std::regex regex(pattern);
    return std::distance(std::sregex_iterator(out.begin(), out.end(), regex), {});
  };
  const std::string error_line = "\n[0-9]+: [^\n]* ERROR:  [^\n]*\n";
  EXPECT_EQ(count(error_line), 7);
  EXPECT_EQ(
      count(error_line +
            "(    matched [^\n]*\n)*    decided by rule [0-9]+ [A-Za-z_]+ "
            "\\(POSTGRESQL, HIGH, HARDSTOP\\); actions: OutputResultErrorPostgresql; object: "),
      7);
  EXPECT_EQ(count("\n  [^\n]*: Failed[^\n]*"),
            count("\n  [^\n]*: Failed[^\n]*error at line [0-9]+ \\(rule [0-9]+ [^\n]*"));
}

TEST(LauncherEndToEnd, EveryScenarioEndsAsExpected) {
  ASSERT_TRUE(fs::exists(kBinary)) << "build MigrationLauncher first";
  std::vector<Scenario> scenarios = LoadScenarios(ML_SOURCE_DIR "/tests/data/launcher/end_to_end");
  ASSERT_EQ(scenarios.size(), 54u);
  // Waited for first: its time is its own.
  std::stable_partition(scenarios.begin(), scenarios.end(),
                        [](const Scenario& scenario) { return scenario.name == "no_arguments"; });
  ASSERT_EQ(scenarios[0].name, "no_arguments");
  const std::vector<Outcome> runs = RunAndExpect(scenarios);
  EXPECT_GE(runs[0].seconds, 2.0);  // every run ends with a two-second wait
  ExpectEveryErrorLineExplained(OutcomeOf(scenarios, runs, "rules_explain_captured").out);
}

}  // namespace
}  // namespace Qva::test
