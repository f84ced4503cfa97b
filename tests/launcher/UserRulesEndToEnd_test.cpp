// The built program with rule files of the user's own: -CHECK_RULES, a fault that stops a run
// before its script starts, and -EXPLAIN. Each run is a shell command in a folder of its own,
// with XDG_CONFIG_HOME and HOME inside it, so the machine's own configuration is never read.
// Every run ends with the program's two-second wait: the runs go in parallel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "QVETestSupport.h"

namespace Qva {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kBinary = ML_BINARY_DIR "/DADuduziradOrevurid/MigrationLauncher";

const std::string kFatalRule = R"(<AnalyzeRules id="9500" group="ORACLE">
  <AnalyzeRule id="1" name="OurFatal" type="REGEX" priority="HIGH" behavior="HARDSTOP">
    <Type>Error</Type>
    <Match>^FATAL: (.*)\n</Match>
    <Action>OutputResultErrorOracle</Action>
    <Sample>FATAL: lookup table missing</Sample>
    <Sample match="no">ORA-00942: table or view does not exist</Sample>
  </AnalyzeRule>
</AnalyzeRules>
)";
const std::string kBadRule = R"(<AnalyzeRules id="9100" group="ORACLE">
  <AnalyzeRule id="1" name="Typo" type="REGEX" priority="HIGH" behavior="HARDSTOP">
    <Match>^WARN (.*)\n</Match>
    <Action>OutputResultWarn</Action>
  </AnalyzeRule>
</AnalyzeRules>
)";
const std::string kScript =
    "#!/bin/sh\necho ran > ran.txt\necho \"Importing database objects to Oracle\"\n"
    "echo \"Importing Table EMP to SCOTT\"\necho \"FATAL: lookup table missing\"\n";

const std::string kSavedLog =
    "Importing database objects to Oracle\nImporting Table EMP to SCOTT\n"
    "FATAL: lookup table missing\nORA-00942: table or view does not exist\n";

struct RunResult {
  std::string out, err;
  int exit_code = -1;
};

// Runs the program in `dir` with `arguments`, XDG_CONFIG_HOME=dir/config and HOME=dir/home.
RunResult RunIn(const std::string& dir, const std::string& arguments) {
  const std::string command = "cd '" + dir + "' && XDG_CONFIG_HOME='" + dir + "/config' HOME='" +
                              dir + "/home' '" + kBinary + "' " + arguments + " >out.txt 2>err.txt";
  const int status = std::system(command.c_str());
  return {Qve::test::ReadFile(dir + "/out.txt"), Qve::test::ReadFile(dir + "/err.txt"),
          WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

void Write(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
  if (text.starts_with("#!")) {
    std::filesystem::permissions(path, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
  }
}

// Every psql error line of a real import's output is decided by an error rule of the
// PostgreSQL group, and every Failed object names the rules of its errors.
void ExpectEveryErrorLineExplained(const RunResult& run) {
  EXPECT_EQ(run.exit_code, 1);
  std::istringstream lines(run.out);
  std::string line, text;
  int errors = 0;
  while (std::getline(lines, line)) {
    if (!line.starts_with("    ")) {
      text = line;
    } else if (line.starts_with("    decided by") && text.find(" ERROR:  ") != std::string::npos) {
      ++errors;
      EXPECT_THAT(line,
                  ContainsRegex("^    decided by rule [0-9]+ [A-Za-z_]+ \\(POSTGRESQL, HIGH, "
                                "HARDSTOP\\); actions: OutputResultErrorPostgresql; object: "))
          << text;
    } else if (line.starts_with("  ") && line.find(": Failed") != std::string::npos) {
      EXPECT_THAT(line, ContainsRegex("error at line [0-9]+ \\(rule [0-9]+ ")) << line;
    }
  }
  EXPECT_EQ(errors, 7);
}

TEST(UserRulesEndToEndTest, CheckStopAndExplain) {
  Qve::test::TempFolder folder;
  const std::map<std::string, std::string> runs = {
      {"check", "-CHECK_RULES -RULES=extra"},
      {"check_clean", "-CHECK_RULES"},
      {"faulty_run", "-D=Oracle -BAT=imp/run.sh -RULES=extra/bad.xml"},
      {"explain", "-D=Oracle -EXPLAIN=saved.log"},
      {"examples", "-CHECK_RULES -RULES=" ML_SOURCE_DIR "/examples/rules"},
      {"explain_captured",
       "-D=PostgreSQL -EXPLAIN=" ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt"},
  };
  std::map<std::string, std::future<RunResult>> started;
  for (const auto& [name, arguments] : runs) {
    const std::string dir = folder.File(name);
    Write(dir + "/config/migrationlauncher/rules.d/10-fatal.xml", kFatalRule);
    Write(dir + "/extra/bad.xml", kBadRule);
    Write(dir + "/imp/run.sh", kScript);
    Write(dir + "/saved.log", kSavedLog);
    started[name] = std::async(std::launch::async, RunIn, dir, arguments);
  }

  const std::string fatal = folder.File("check") + "/config/migrationlauncher/rules.d/10-fatal.xml";
  RunResult check = started["check"].get();
  EXPECT_EQ(check.exit_code, 2);
  EXPECT_THAT(check.out, HasSubstr("\n" + fatal +
                                   ": 1 rules, 2 samples, OK\n"
                                   "extra/bad.xml: 0 rules, 0 samples, FAILED: extra/bad.xml:2: "
                                   "rule 1 Typo: unknown action \"OutputResultWarn\"\n"));
  RunResult clean = started["check_clean"].get();
  EXPECT_EQ(clean.exit_code, 0);
  EXPECT_THAT(clean.out, HasSubstr(": 1 rules, 2 samples, OK\n"));

  // The fault is named and nothing was started or written.
  RunResult faulty = started["faulty_run"].get();
  EXPECT_EQ(faulty.exit_code, 2);
  EXPECT_EQ(faulty.err, "extra/bad.xml:2: rule 1 Typo: unknown action \"OutputResultWarn\"\n");
  EXPECT_FALSE(std::filesystem::exists(folder.File("faulty_run/imp/ran.txt")));

  // The user's rule decides the FATAL line; the explanation writes no file.
  RunResult explain = started["explain"].get();
  EXPECT_EQ(explain.exit_code, 1);
  EXPECT_THAT(
      explain.out,
      HasSubstr("2: FATAL: lookup table missing\n    matched rule 306 GetElemChunk4 (ORACLE, HIGH, "
                "NONSTOP); actions: ReturnChunk; object: Table EMP\n    decided by rule 9501 "
                "OurFatal (ORACLE, HIGH, HARDSTOP); actions: OutputResultErrorOracle; object: "
                "Table EMP\n3: ORA-00942: table or view does not exist\n    decided by rule "
                "305 Oracle_error (ORACLE, HIGH, HARDSTOP); actions: OutputResultErrorOracle; "
                "object: Table EMP\nObjects:\n  Table EMP: Failed; error at line 2 (rule "
                "9501 OurFatal (ORACLE, HIGH, HARDSTOP)), error at line 3 (rule 305 "
                "Oracle_error (ORACLE, HIGH, HARDSTOP))\n"));
  EXPECT_FALSE(std::filesystem::exists(folder.File("explain/movarin_imp.log")));

  RunResult examples = started["examples"].get();
  EXPECT_EQ(examples.exit_code, 0) << examples.out;
  EXPECT_THAT(examples.out, HasSubstr("/examples/rules/20-harmless-errors.xml: 1 rules, 2 "
                                      "samples, OK\n"));
  ExpectEveryErrorLineExplained(started["explain_captured"].get());
}

}  // namespace
}  // namespace Qva
