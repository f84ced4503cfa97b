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

}  // namespace
}  // namespace Qve
