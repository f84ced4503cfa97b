#include "launcher/OutputEndWatch.h"

#include <gtest/gtest.h>

namespace Qva {
namespace {

using std::chrono::milliseconds;

// Reading goes on while the script runs, however quiet the pipe; after its end it stops once
// the pipe is quiet, and after a stop request also while something still writes.
TEST(OutputEndWatchTest, StopsAfterTheScriptOnlyWhenQuietOrStopped) {
  const OutputEndWatch::Clock::time_point start{};
  OutputEndWatch watch(start);
  EXPECT_FALSE(watch.ShouldStop(start + milliseconds(60'000), true));
  watch.OnScriptEnded(start + milliseconds(1000));
  watch.OnScriptEnded(start + milliseconds(5000));  // the first end counts
  for (int ms = 1000; ms <= 1500; ms += 100) watch.OnOutput(start + milliseconds(ms));
  EXPECT_FALSE(watch.ShouldStop(start + milliseconds(1600), false));
  EXPECT_FALSE(watch.ShouldStop(start + milliseconds(1500), true));
  EXPECT_TRUE(watch.ShouldStop(start + milliseconds(1600), true));
  EXPECT_FALSE(watch.ShouldStop(start + milliseconds(1700), false));
  EXPECT_TRUE(watch.ShouldStop(start + milliseconds(1800), false));
}

}  // namespace
}  // namespace Qva
