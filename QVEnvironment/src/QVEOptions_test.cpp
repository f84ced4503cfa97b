#include "QVEOptions.h"

#include <gtest/gtest.h>

#include "QVETestSupport.h"

namespace Qve {
namespace {

TEST(OptionsTest, TextTypesReadEachOtherOtherTypesDoNot) {
  QVOptions options;
  EXPECT_TRUE(options.Empty());
  EXPECT_EQ(options.SetOption(kQVOptCString, "import_db", "Oracle"), kQVOptionOk);
  const QVEstring dir = "/tmp/report";
  options.SetOption(kQVOptString, "report_dir", &dir);

  QVEstring text;
  EXPECT_EQ(options.GetOption(kQVOptString, "import_db", &text), kQVOptionOk);
  EXPECT_EQ(text, "Oracle");
  EXPECT_EQ(options.GetOption(kQVOptCString, "report_dir", &text), kQVOptionOk);
  EXPECT_EQ(text, "/tmp/report");

  int32_t number = 77;
  EXPECT_EQ(options.GetOption(kQVOptInt, "import_db", &number), kQVOptionWrongType);
  EXPECT_EQ(number, 77);
  EXPECT_EQ(options.GetOption(kQVOptString, "Import_DB", &text), kQVOptionMissing);
  EXPECT_EQ(text, "/tmp/report");
  char same_key[] = "import_db";  // found by text, not by address
  EXPECT_TRUE(options.HasOption(same_key));
}

TEST(OptionsTest, SettingAgainReplacesTypeAndValue) {
  QVOptions options;
  const int32_t number = -5;
  options.SetOption(kQVOptInt, "key", &number);
  int32_t read = 0;
  EXPECT_EQ(options.GetOption(kQVOptInt, "key", &read), kQVOptionOk);
  EXPECT_EQ(read, -5);

  options.SetOption(kQVOptCString, "key", "");
  EXPECT_EQ(options.GetOption(kQVOptInt, "key", &read), kQVOptionWrongType);
  QVEstring text = "x";
  EXPECT_EQ(options.GetOption(kQVOptCString, "key", &text), kQVOptionOk);
  EXPECT_EQ(text, "");

  const bool yes = true;
  options.SetOption(kQVOptBool, "key", &yes);
  bool flag = false;
  EXPECT_EQ(options.GetOption(kQVOptBool, "key", &flag), kQVOptionOk);
  EXPECT_TRUE(flag);
}

TEST(OptionsTest, SetOptionOrThrowRejectsANullKey) {
  QVOptions options;
  auto error = test::CatchQV([&] { options.SetOptionOrThrow(kQVOptCString, nullptr, "v"); });
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->GetCode(), kQVErrSetOption);
  EXPECT_EQ(error->GetMessage(), "cannot set option: ");
  EXPECT_EQ(error->GetLine(), 74u);
  EXPECT_TRUE(options.Empty());
}

}  // namespace
}  // namespace Qve
