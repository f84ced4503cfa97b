#include "QVEOptions.h"

#include <gtest/gtest.h>

#include "QVETestSupport.h"

namespace Qve {
namespace {

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

}  // namespace
}  // namespace Qve
