#include "QVEConsoleTerminal.h"

#include <map>
#include <optional>
#include <string>

#include "QVEOutputBatch.h"
#include "QVETestSupport.h"

namespace Qve {
namespace {

// Every write takes the status line away first and draws it again after its lines, in the same
// write; gathered lines wait with the status for the block's write; off the terminal ("pipe-"
// cases), lines are written as they always were and the status is never shown. Each line of a
// case's .steps is a new status ("s"), a line at a level ("E"rror, "W"arning, "C"ritical,
// "O"utput), or a batch opened "(" or flushed ")"; .expected holds the bytes written.
TEST(ConsoleTerminalTest, StatusLineStaysBelowEveryWrite) {
  const std::map<char, int32_t> kLevels = {
      {'E', kQVTraceError}, {'W', kQVTraceWarning}, {'C', kQVTraceCritical}, {'O', kQVTraceOutput}};
  const auto cases = test::TestDataCases("QVEnvironment/console-status", ".steps");
  ASSERT_EQ(cases.size(), 3u);
  for (const std::string& name : cases) {
    SCOPED_TRACE(name);
    const std::string path = "QVEnvironment/console-status/" + name;
    QVConsoleTraceOutputer console(kQVTraceDebug);
    console.SetTerminal(!name.starts_with("pipe-"), true);
    std::optional<QVOutputBatch> batch;
    testing::internal::CaptureStdout();
    for (const std::string& step : test::Split(test::ReadTestData(path + ".steps"))) {
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
    EXPECT_EQ(testing::internal::GetCapturedStdout(), test::ReadTestData(path + ".expected"));
  }
}

}  // namespace
}  // namespace Qve
