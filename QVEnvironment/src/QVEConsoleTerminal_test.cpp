#include "QVEConsoleTerminal.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <optional>
#include <string>
#include <vector>

#include "QVEOutputBatch.h"
#include "QVETrace.h"

namespace Qve {
namespace {

void Trace(QVTraceOutputer& out, int32_t level, const char* text, ...) {
  va_list args;
  va_start(args, text);
  out.Trace(level, nullptr, text, args);
  va_end(args);
}

// One step of a console's life: a line at a level, a new status, or a batch opened or flushed.
struct Step {
  enum Kind { kLine, kStatus, kOpen, kFlush } kind;
  int32_t level = kQVTraceOutput;
  std::string text = "";
};

struct Case {
  const char* name;
  bool terminal;
  bool colours;
  std::vector<Step> steps;
  std::string expected;
};

// Every write takes the status line away first and draws it again after its lines, in the same
// write; gathered lines wait with the status for the block's write; off the terminal, lines
// are written as they always were and the status is never shown.
TEST(ConsoleTerminalTest, StatusLineStaysBelowEveryWrite) {
  const std::string erase(kQVEraseLine), red(kQVColourError), yellow(kQVColourWarning),
      reset(kQVColourReset);
  const std::vector<Case> cases = {
      {"colours",
       true,
       true,
       {{Step::kStatus, 0, "[ 1 ]"},
        {Step::kLine, kQVTraceError, "bad"},
        {Step::kLine, kQVTraceWarning, "odd"},
        {Step::kLine, kQVTraceCritical, ""},
        {Step::kLine, kQVTraceOutput, "plain"}},
       "[ 1 ]" + erase + red + "Error: bad" + reset + "\r\n[ 1 ]" + erase + yellow +
           "Warning: odd" + reset + "\r\n[ 1 ]" + erase + red + "Critical:" + reset + "\r\n[ 1 ]" +
           erase + "plain\r\n[ 1 ]"},
      {"block",
       true,
       true,
       {{Step::kStatus, 0, "[ 1 ]"},
        {Step::kOpen},
        {Step::kLine, kQVTraceOutput, "one"},
        {Step::kStatus, 0, "[ 2 ]"},
        {Step::kLine, kQVTraceOutput, "two"},
        {Step::kFlush},
        {Step::kStatus, 0, "[ 3 ]"},
        {Step::kStatus, 0, ""},
        {Step::kLine, kQVTraceOutput, "after"}},
       "[ 1 ]" + erase + "one\r\ntwo\r\n[ 2 ]" + erase + "[ 3 ]" + erase + "after\r\n"},
      {"not a terminal",
       false,
       true,
       {{Step::kStatus, 0, "[ 1 ]"},
        {Step::kLine, kQVTraceError, "bad"},
        {Step::kOpen},
        {Step::kLine, kQVTraceWarning, "odd"},
        {Step::kFlush}},
       "Error: bad\r\nWarning: odd\r\n"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    QVConsoleTraceOutputer console(kQVTraceDebug);
    console.SetTerminal(test.terminal, test.colours);
    std::optional<QVOutputBatch> batch;
    testing::internal::CaptureStdout();
    for (const Step& step : test.steps) {
      switch (step.kind) {
        case Step::kLine:
          Trace(console, step.level, "%s", step.text.c_str());
          break;
        case Step::kStatus:
          console.SetStatus(step.text);
          break;
        case Step::kOpen:
          batch.emplace();
          break;
        case Step::kFlush:
          batch->End();
          break;
      }
    }
    batch.reset();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), test.expected);
  }
}

}  // namespace
}  // namespace Qve
