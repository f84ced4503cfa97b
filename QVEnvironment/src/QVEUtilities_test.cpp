#include <ctime>
#include <iomanip>
#include <sstream>

#include "QVENoDestructor.h"
#include "QVEOptions.h"
#include "QVEString.h"
#include "QVETestSupport.h"
#include "QVETimeStamp.h"

namespace Qve {
namespace {

TEST(TextFunctionsTest, FormatTrimAndReplace) {
  const QVEstring long_text(10000, 'x');
  QVEstring out = "old";
  Format(out, "<%s|%d>", long_text.c_str(), 42);  // longer than the stack buffer
  EXPECT_EQ(out, "<" + long_text + "|42>");
  Format(out, "%s-%s", out.c_str(), "y");  // the output may be an argument
  EXPECT_EQ(out, "<" + long_text + "|42>-y");
  const char* no_format = nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"  // a null format is the point here
  Format(out, no_format);
#pragma GCC diagnostic pop
  EXPECT_EQ(out, "");

  QVEstring text = "xxa xx";
  TrimBoth(text, 'x');
  EXPECT_EQ(text, "a ");
  TrimRight(text, ' ');
  EXPECT_EQ(text, "a");
  text = "aaa";
  TrimBoth(text, 'a');
  EXPECT_EQ(text, "");
  text = "a.b.c";
  ReplaceAll(text, ".", "..");  // scans on after the inserted text
  EXPECT_EQ(text, "a..b..c");
  ReplaceAll(text, "", "zz");
  EXPECT_EQ(text, "a..b..c");
}

// Local time without weekday, two-digit day. Each thread remembers its last second's text: across
// a year's end and back, and second by second around now, each second has the C library's text.
TEST(TimeStampTest, TextIsThatOfEachSecond) {
  std::tm local{};
  std::istringstream("2026-12-04 22:36:11") >> std::get_time(&local, "%Y-%m-%d %H:%M:%S");
  local.tm_isdst = -1;
  const int64_t december = std::mktime(&local);
  EXPECT_EQ(QVTimeStamp(december, 999).Text(), "Dec 04 22:36:11 2026");
  EXPECT_DOUBLE_EQ(QVTimeStamp(100, 900).ElapsedSeconds(QVTimeStamp(102, 100)), 1.2);
  const int64_t new_year = december + (27 * 24 * 60 + 83) * 60 + 48;  // Dec 31 23:59:59
  const int64_t now = QVTimeStamp::Now().Seconds();
  for (int64_t at : {new_year, new_year + 1, new_year, new_year, now - 1, now, now + 1, now + 2}) {
    const time_t value = static_cast<time_t>(at);
    char reference[32];
    std::strftime(reference, sizeof(reference), "%b %d %H:%M:%S %Y", std::localtime(&value));
    EXPECT_EQ(QVTimeStamp(at, 0).Text(), reference);
    QVEstring appended = "at ";
    QVTimeStamp(at, 500).AppendText(appended);
    EXPECT_EQ(appended, QVEstring("at ") + reference);
  }
}

// Text types read each other, other types do not; keys are texts; setting again replaces; a
// null key is refused.
TEST(OptionsTest, TypesKeysReplacementAndNullKeys) {
  QVOptions options;
  EXPECT_EQ(test::ErrorOf([&] { options.SetOptionOrThrow(kQVOptCString, nullptr, "v"); }),
            "code -972, message cannot set option: ");
  EXPECT_TRUE(options.Empty());
  EXPECT_EQ(options.SetOptionOrThrow(kQVOptCString, "empty", ""), kQVOptionOk);
  EXPECT_EQ(options.SetOption(kQVOptCString, "import_db", "Oracle"), kQVOptionOk);
  QVEstring text;
  EXPECT_EQ(options.GetOption(kQVOptString, "import_db", &text), kQVOptionOk);
  EXPECT_EQ(text, "Oracle");
  int32_t number = 77;
  EXPECT_EQ(options.GetOption(kQVOptInt, "import_db", &number), kQVOptionWrongType);
  EXPECT_EQ(options.GetOption(kQVOptString, "Import_DB", &text), kQVOptionMissing);
  char same_key[] = "import_db";
  EXPECT_TRUE(options.HasOption(same_key));
  options.SetOption(kQVOptInt, "import_db", &number);
  number = 0;
  EXPECT_EQ(options.GetOption(kQVOptInt, "import_db", &number), kQVOptionOk);
  EXPECT_EQ(number, 77);
  EXPECT_EQ(options.GetOption(kQVOptString, "import_db", &text), kQVOptionWrongType);
}

TEST(QVNoDestructorTest, BuildsFromItsArgumentsAndNeverDestroys) {
  struct Counted {
    Counted(int& destroyed_count, int held) : destroyed(destroyed_count), value(held) {}
    ~Counted() { ++destroyed; }
    int& destroyed;
    int value;
  };
  int destroyed = 0;
  {
    QVNoDestructor<Counted> holder(destroyed, 7);
    EXPECT_EQ(holder.Get().value, 7);
  }
  EXPECT_EQ(destroyed, 0);
}

}  // namespace
}  // namespace Qve
