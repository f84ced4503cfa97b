#include "launcher/ConsoleProgress.h"

#include "gtest/gtest.h"

namespace Qva {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(ConsoleProgressTest, StatusText) {
  EXPECT_EQ(FormatImportStatus({3, 1, 2}, 40, seconds(7)),
            "[ 3/40 objects | 1 failed | 2 warnings | 0:07 ]");
  EXPECT_EQ(FormatImportStatus({0, 0, 0}, std::nullopt, seconds(3725)),
            "[ 0/? objects | 0 failed | 0 warnings | 62:05 ]");
  // A count the run proves wrong, or no announcement seen in the script's text, is no count.
  EXPECT_EQ(FormatImportStatus({41, 0, 0}, 40, seconds(0)),
            "[ 41/? objects | 0 failed | 0 warnings | 0:00 ]");
  EXPECT_EQ(FormatImportStatus({0, 0, 0}, 0, seconds(0)),
            "[ 0/? objects | 0 failed | 0 warnings | 0:00 ]");
}

// Drawn at the first look, then again when a count or the shown second changes; the counts are
// looked at no sooner than the minimum interval after the last look, so a change within it
// waits for a later look.
TEST(ConsoleProgressTest, PaceOfRedraws) {
  const StatusPace::Clock::time_point start;
  StatusPace pace(start);
  const ImportProgress one{1, 0, 0}, two{2, 0, 0};
  struct Look {
    int at_ms;
    ImportProgress progress;
    bool drawn;
  };
  const std::vector<Look> looks = {
      {0, one, true},    {100, two, false},  {250, two, true},  {500, two, false},
      {1000, two, true}, {1100, one, false}, {1300, one, true}, {1600, one, false},
  };
  for (const Look& look : looks) {
    SCOPED_TRACE(look.at_ms);
    const StatusPace::Clock::time_point now = start + milliseconds(look.at_ms);
    EXPECT_EQ(pace.TimeToLook(now) && pace.Changed(look.progress, now), look.drawn);
  }
}

}  // namespace
}  // namespace Qva
