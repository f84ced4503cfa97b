#include "launcher/TraceLogText.h"

#include <gtest/gtest.h>

namespace Qva {
namespace {

// Each kind of trace line, as the trace file writes it, and what the analyzer gets of it.
TEST(TraceLogTextTest, KeepsTheScriptsTextsAndTheRunsVerdicts) {
  using V = TraceVerdict;
  const struct {
    const char* line;
    const char* text;  // null: left out
    V verdict = V::kNone;
  } kCases[] = {
      {"Dec 07 02:44:57 2026  movarin_all.sh> Run tables script", "Run tables script", V::kNone},
      {"Dec 07 02:44:57 2026 [ERR] t::sqlplus(a.sql)> ORA-00904: x> y", "ORA-00904: x> y",
       V::kError},
      {"Dec 07 02:44:57 2026 [WRN] t> Warning: created with errors", "Warning: created with errors",
       V::kWarning},
      {"Dec 07 02:44:57 2026  Total: 1 Table(s), 1 Ok", "Total: 1 Table(s), 1 Ok", V::kNone},
      {"Dec 07 02:44:57 2026  Action begin> Start child process: run.sh echo all", nullptr},
      {"Dec 07 02:44:57 2026  Action time> 0.2 seconds", nullptr},
      {"Dec 07 02:44:57 2026 [DBG] Analyze rules load> Added rule X", nullptr},
      {"Dec 07 02:44:57 2026 [INF] Migration launcher> The import script has ended", nullptr},
      {"Dec 07 02:44:57 2026  run.sh>   ", nullptr},
      {"the rest of a message of two lines", "the rest of a message of two lines", V::kNone},
  };
  std::string trace, expected;
  std::vector<TraceVerdict> expected_verdicts;
  for (const auto& c : kCases) {
    trace += std::string(c.line) + "\r\n";
    if (c.text == nullptr) continue;
    expected += std::string(c.text) + "\n";
    expected_verdicts.push_back(c.verdict);
  }
  ASSERT_TRUE(IsTraceLog(trace));
  std::vector<TraceVerdict> verdicts;
  EXPECT_EQ(TraceLogToOutput(trace, verdicts), expected);
  EXPECT_EQ(verdicts, expected_verdicts);
  EXPECT_FALSE(IsTraceLog("Importing database objects to Oracle\nDec 07 02:44:57 2026  x> y\n"));
}

}  // namespace
}  // namespace Qva
