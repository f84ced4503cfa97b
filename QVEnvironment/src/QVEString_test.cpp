#include "QVEString.h"

#include <gtest/gtest.h>

#include <ctime>

#include "QVETimeStamp.h"

namespace Qve {
namespace {

TEST(FormatTest, GrowsUntilTheWholeResultFits) {
  const QVEstring long_text(10000, 'x');
  QVEstring out = "old";
  Format(out, "<%s|%d>", long_text.c_str(), 42);
  EXPECT_EQ(out, "<" + long_text + "|42>");
  Format(out, "%s-%s", out.c_str(), "y");  // the output may be an argument
  EXPECT_EQ(out, "<" + long_text + "|42>-y");
  const QVEstring empty;
  Format(out, empty.c_str());
  EXPECT_EQ(out, "");
}

TEST(TextFunctionsTest, TrimAndReplace) {
  QVEstring text = "xxa xx";
  TrimBoth(text, 'x');
  EXPECT_EQ(text, "a ");
  TrimRight(text, ' ');
  EXPECT_EQ(text, "a");
  text = "a.b.c";
  ReplaceAll(text, ".", "..");  // scans on after the inserted text
  EXPECT_EQ(text, "a..b..c");
  ReplaceAll(text, "", "zz");
  EXPECT_EQ(text, "a..b..c");
}

TEST(TimeStampTest, TextIsLocalTimeWithoutWeekdayAndWithATwoDigitDay) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 4;
  local.tm_hour = 22;
  local.tm_min = 36;
  local.tm_sec = 11;
  local.tm_isdst = -1;
  QVTimeStamp stamp(std::mktime(&local), 999);
  EXPECT_EQ(stamp.Text(), "Dec 04 22:36:11 2026");
  EXPECT_DOUBLE_EQ(QVTimeStamp(100, 900).ElapsedSeconds(QVTimeStamp(102, 100)), 1.2);
}

// Each thread remembers the text of its last second: moving across a minute, a day and a year
// boundary and back must give the text of each second again, never the remembered one.
TEST(TimeStampTest, RememberedSecondNeverLeaksIntoAnotherSecond) {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 31;
  local.tm_hour = 23;
  local.tm_min = 59;
  local.tm_sec = 59;
  local.tm_isdst = -1;
  const int64_t last = std::mktime(&local);
  const char* const expected[] = {"Dec 31 23:59:59 2026", "Jan 01 00:00:00 2027",
                                  "Dec 31 23:59:59 2026", "Dec 31 23:59:59 2026"};
  const int64_t seconds[] = {last, last + 1, last, last};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(QVTimeStamp(seconds[i], 0).Text(), expected[i]) << i;
    QVEstring appended = "at ";
    QVTimeStamp(seconds[i], 500).AppendText(appended);
    EXPECT_EQ(appended, QVEstring("at ") + expected[i]) << i;
  }
  // Against the C library's own conversion, one second after another around "now".
  const int64_t now = QVTimeStamp::Now().Seconds();
  for (int64_t at = now - 1; at <= now + 2; ++at) {
    const time_t value = static_cast<time_t>(at);
    char reference[32];
    std::strftime(reference, sizeof(reference), "%b %d %H:%M:%S %Y", std::localtime(&value));
    EXPECT_EQ(QVTimeStamp(at, 0).Text(), reference);
  }
}

}  // namespace
}  // namespace Qve
