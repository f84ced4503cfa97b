#include "launcher/DBLaunch.h"

#include <sstream>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

// The usage text, the echo of the arguments and the run itself are the launcher end-to-end
// tests'; these are the argument rules.
namespace Qva {
namespace {

struct ParseResult {
  bool parsed;
  LaunchArguments arguments;
  std::string out, err;
};

ParseResult ParseOwn(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  std::ostringstream out, err;
  LaunchArguments parsed;
  bool ok = ParseLaunchArguments(static_cast<int>(argv.size()), argv.data(), parsed, out, err);
  return {ok, parsed, out.str(), err.str()};
}

TEST(LaunchArgumentsTest, ArgumentOneMustBeBatWithAValue) {
  // Argument 1 decides, even when /BAT= comes later; "/BAT" needs its "=".
  for (const char* first : {"-D=Oracle", "/BAT", "/BATX=a.sh", "BAT=a.sh"}) {
    ParseResult later = ParseOwn({"C:\\tools\\ML.exe", first, "/BAT=a.sh"});
    EXPECT_FALSE(later.parsed) << first;
    EXPECT_THAT(later.out, testing::HasSubstr("Usage: ML.exe /BAT=BatFile")) << first;
  }
  EXPECT_THAT(ParseOwn({"NoSeparator"}).out, testing::HasSubstr("Usage:  /BAT=BatFile"));
  ParseResult empty = ParseOwn({"ML", "/BAT="});
  EXPECT_FALSE(empty.parsed);
  EXPECT_EQ(empty.out + empty.err,
            "/BAT argument is empty\nERROR: Couldn't process command line arguments\n");
}

TEST(LaunchArgumentsTest, CaseInsensitivePrefixesAndTheLastValueWins) {
  ParseResult result = ParseOwn(
      {"ML", "/bat=x.sh", "/out=o1", "/Arg=a;;b", "other", "/BAT=y.sh", "/OUT=o2", "/ARG=k=v;c"});
  ASSERT_TRUE(result.parsed);
  EXPECT_EQ(result.arguments.script + " " + result.arguments.out + " " + result.arguments.args,
            "x.sh o2 k=v;c");
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace Qva
