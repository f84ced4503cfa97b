// Analysis when the output pauses: every line is analyzed at once but for the lines that could
// still begin a multi-line match, and the verdicts are those of the ten-line analysis.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "ImportLogGenerator.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"

namespace Qva {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> Captured(const std::string& name) {
  std::ifstream in(ML_SOURCE_DIR "/tests/e2e/captured/" + name);
  EXPECT_TRUE(in.good()) << name;
  return SplitLines(std::string(std::istreambuf_iterator<char>(in), {}));
}

// The embedded rules fed one line at a time as the launcher feeds blocks, with AnalyzeReady
// where the output pauses; records every match (line, rule; lines and groups of regex rules).
struct Feeding {
  Feeding() {
    ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
    analyzer.Init(false);
    analyzer.SetMatchListener(
        [this](const IAnalyzeRule& rule, const TextLines& lines, const TextLines& groups) {
          std::string match = std::to_string(rule.GetLineIndex()) + " " + rule.GetName() + ":";
          // A chunk rule's lines are the stored ones at hand (fewer at a pause, when no rule
          // could match the longer chunk differently); a regex rule's texts are its verdict.
          if (rule.GetType() != RuleType::kRegex) return walk.push_back(match);
          for (const auto& text : lines) match += " <" + text + ">";
          for (const auto& text : groups) match += " [" + text + "]";
          walk.push_back(match);
        });
  }

  int32_t Feed(const std::vector<std::string>& lines, const std::function<bool(size_t)>& pause) {
    int32_t errors = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      analyzer.AddText(lines[i] + "\n");
      errors += analyzer.AnalyzeAvailable(10);
      if (pause(i)) errors += analyzer.AnalyzeReady(10);
    }
    return errors + analyzer.AnalyzeAvailable(1);
  }

  std::string Trace() {
    static const std::regex kStamp("^[A-Z][a-z]{2} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}",
                                   std::regex::multiline);
    return std::regex_replace(analyzer.GetTraceText(), kStamp, "");
  }

  // Lines stored but not analyzed yet.
  int64_t Waiting() { return analyzer.GetStorage()->Remaining(); }

  LogAnalyzer analyzer;
  std::vector<std::string> walk;
};

// The captured output of every family and the generated Oracle log (4-line ORA- and SQL*Loader
// errors, chunk rules), with a pause after every line and after random lines: every match, the
// error count and the trace are those of the run without pauses.
TEST(AnalyzeReadyTest, PausesChangeNoVerdict) {
  std::vector<std::vector<std::string>> logs = {
      Captured("postgresql-failures.txt"), Captured("mariadb-failures.txt"),
      Captured("postgresql-linux.txt"),    Captured("posix-shells.txt"),
      Captured("psql-client-errors.txt"),  SplitLines(bench::GenerateImportLog(4000, 20240607))};
  std::mt19937 random(7);
  for (const std::vector<std::string>& lines : logs) {
    SCOPED_TRACE(lines.front().substr(0, 60));
    // One after the other: an analyzer's trace shows what every live analyzer traces.
    Feeding plain;
    const int32_t errors = plain.Feed(lines, [](size_t) { return false; });
    const std::string trace = plain.Trace();
    std::vector<std::function<bool(size_t)>> pauses = {[](size_t) { return true; },
                                                       [&](size_t) { return random() % 7 == 0; }};
    for (const auto& pause : pauses) {
      Feeding paused;
      EXPECT_EQ(paused.Feed(lines, pause), errors);
      EXPECT_EQ(paused.walk, plain.walk);
      EXPECT_TRUE(paused.Trace() == trace);
    }
  }
}

// Only a line that could still begin a 4-line error waits, and only until its lines decide it.
TEST(AnalyzeReadyTest, OnlyALineThatMayBeginAMultiLineMatchWaits) {
  Feeding run;
  const auto add = [&](const std::string& line) {
    run.analyzer.AddText(line + "\n");
    run.analyzer.AnalyzeReady(10);
    return run.Waiting();
  };
  EXPECT_EQ(add("Importing database objects to Oracle"), 0);
  EXPECT_EQ(add("Table created."), 0);
  EXPECT_EQ(add("  CONSTRAINT FK_DEPT FOREIGN KEY (DEPT_ID) REFERENCES HR.DEPTS (ID),"), 1);
  EXPECT_EQ(add("                                                         *"), 2);
  EXPECT_EQ(add("ERROR at line 5:"), 3);
  EXPECT_EQ(add("ORA-00942: table or view does not exist"), 0);
  EXPECT_EQ(add("SQL*Loader-350: Syntax error at line 4."), 1);
  EXPECT_EQ(add("Expecting keyword INTO, found \"TABLEX\"."), 2);
  EXPECT_EQ(add("TABLEX HR.EMPLOYEES"), 3);
  EXPECT_EQ(add("^"), 0);
  // A line ending in a comma that the next line shows to be no error.
  EXPECT_EQ(add("  NAME VARCHAR2(30),"), 1);
  EXPECT_EQ(add("Table created."), 0);
  // The Linux rules keep to their line ("[^:\\n]"): none of their lines waits.
  EXPECT_EQ(add("Importing database objects to PostgreSQL"), 0);
  EXPECT_EQ(add("/tmp/i>psql -h 127.0.0.1 -U ml -p 5432 -d db --file tables/public.t1.sql"), 0);
  EXPECT_EQ(add("./tables.sh: 32: Syntax error: end of file unexpected (expecting \"fi\")"), 0);
  EXPECT_EQ(run.analyzer.AnalyzeAvailable(1), 0);
}

}  // namespace
}  // namespace Qva
