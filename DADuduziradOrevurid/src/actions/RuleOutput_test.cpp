#include "actions/RuleOutput.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "actions/ImportTestSupport.h"

namespace Qva {
namespace {

// What whole runs do not show: a placeholder without a group stays, "[#1]" is no prefix of
// "[#10]", and groups that hold placeholders cannot make the text grow without bound.
TEST(RuleOutputTest, FillOutputReplacesPlaceholdersInGroupOrder) {
  auto fill = [](const std::string& output, TextLines groups) {
    FillOutput(*test::MakeRule("R", output), groups);
    return groups;
  };
  EXPECT_EQ(fill("[#10]/[#1] [#11]", {"w", "one", "", "", "", "", "", "", "", "", "ten"}),
            (TextLines{"ten/one [#11]", "one", "", "", "", "", "", "", "", "", "ten"}));
  EXPECT_EQ(fill("", {"whole\n", "a"}), (TextLines{"whole\n", "a"}));
  EXPECT_EQ(fill("text", {}), (TextLines{"text"}));
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "[#1] ";
  EXPECT_EQ(fill("SSL error. [#0]", {line, line})[0], "SSL error. " + line);
}

// Most templates are filled in one pass; whatever the template and the groups, the result is
// what replacing group by group gives, placeholders that the replacements form included.
TEST(RuleOutputTest, FillOutputMatchesGroupByGroupReplacement) {
  const std::vector<std::string> pieces = {"[#0]", "[#1]", "[#2]", "[#01]", "[#9]", "[#",
                                           "[",    "#",    "]",    "1",     "a"};
  std::mt19937 random(21);
  auto text = [&](size_t count) {
    std::string made;
    for (size_t i = 0; i < count; ++i) made += pieces[random() % pieces.size()];
    return made;
  };
  for (int round = 0; round < 5000; ++round) {
    const std::string output = text(1 + random() % 6);
    TextLines groups;
    for (int i = 0; i < 3; ++i) groups.push_back(random() % 2 ? text(random() % 3) : "x");
    std::string expected = output;
    for (size_t i = 0; i < groups.size(); ++i) {
      Qve::ReplaceAll(expected, "[#" + std::to_string(i) + "]", groups[i]);
    }
    TextLines filled = groups;
    FillOutput(*test::MakeRule("R", output), filled);
    ASSERT_EQ(filled[0], expected)
        << output << " | " << groups[0] << " | " << groups[1] << " | " << groups[2];
  }
}

}  // namespace
}  // namespace Qva
