#include "launcher/TraceLogText.h"

#include <gtest/gtest.h>

#include "QVETestSupport.h"

namespace Qva {
namespace {

// trace_log/trace.log holds each kind of trace line as the trace file writes it; output.txt is
// what the analyzer gets of it, verdicts.txt the verdict of each line it gets.
TEST(TraceLogTextTest, KeepsTheScriptsTextsAndTheRunsVerdicts) {
  const std::string folder = "launcher/trace_log/";
  const std::string trace = Qve::test::ReadTestData(folder + "trace.log");
  ASSERT_TRUE(IsTraceLog(trace));
  std::vector<TraceVerdict> verdicts;
  EXPECT_EQ(TraceLogToOutput(trace, verdicts), Qve::test::ReadTestData(folder + "output.txt"));
  std::string names;
  for (const TraceVerdict verdict : verdicts) {
    names += std::string(verdict == TraceVerdict::kError     ? "error"
                         : verdict == TraceVerdict::kWarning ? "warning"
                                                             : "none") +
             "\n";
  }
  EXPECT_EQ(names, Qve::test::ReadTestData(folder + "verdicts.txt"));
  EXPECT_FALSE(IsTraceLog("Importing database objects to Oracle\nDec 07 02:44:57 2026  x> y\n"));
}

}  // namespace
}  // namespace Qva
