#include "QVEConsoleTerminal.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "QVEOutputBatch.h"
#include "QVETestSupport.h"

namespace Qve {
namespace {

// Every write takes the status line away first and draws it again after its lines, in the same
// write; gathered lines wait with the status for the block's write; off the terminal, lines
// are written as they always were and the status is never shown. A step is a new status ("s"),
// a line at a level ("E"rror, "W"arning, "C"ritical, "O"utput), or a batch opened or flushed.
TEST(ConsoleTerminalTest, StatusLineStaysBelowEveryWrite) {
  const std::string erase(kQVEraseLine), red(kQVColourError), yellow(kQVColourWarning),
      reset(kQVColourReset);
  const struct {
    const char* name;
    bool terminal;
    std::vector<std::string> steps;
    std::string expected;
  } kCases[] = {
      {"colours",
       true,
       {"s[ 1 ]", "Ebad", "Wodd", "C", "Oplain"},
       "[ 1 ]" + erase + red + "Error: bad" + reset + "\r\n[ 1 ]" + erase + yellow +
           "Warning: odd" + reset + "\r\n[ 1 ]" + erase + red + "Critical:" + reset + "\r\n[ 1 ]" +
           erase + "plain\r\n[ 1 ]"},
      {"block",
       true,
       {"s[ 1 ]", "(", "Oone", "s[ 2 ]", "Otwo", ")", "s[ 3 ]", "s", "Oafter"},
       "[ 1 ]" + erase + "one\r\ntwo\r\n[ 2 ]" + erase + "[ 3 ]" + erase + "after\r\n"},
      {"not a terminal",
       false,
       {"s[ 1 ]", "Ebad", "(", "Wodd", ")"},
       "Error: bad\r\nWarning: odd\r\n"},
  };
  const std::map<char, int32_t> kLevels = {
      {'E', kQVTraceError}, {'W', kQVTraceWarning}, {'C', kQVTraceCritical}, {'O', kQVTraceOutput}};
  for (const auto& test : kCases) {
    SCOPED_TRACE(test.name);
    QVConsoleTraceOutputer console(kQVTraceDebug);
    console.SetTerminal(test.terminal, true);
    std::optional<QVOutputBatch> batch;
    testing::internal::CaptureStdout();
    for (const std::string& step : test.steps) {
      if (step[0] == 's') {
        console.SetStatus(step.substr(1));
      } else if (step == "(") {
        batch.emplace();
      } else if (step == ")") {
        batch->End();
      } else {
        test::TraceTo(console, kLevels.at(step[0]), nullptr, "%s", step.substr(1).c_str());
      }
    }
    batch.reset();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), test.expected);
  }
}

}  // namespace
}  // namespace Qve
