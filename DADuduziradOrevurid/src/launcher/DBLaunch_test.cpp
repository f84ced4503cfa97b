#include "launcher/DBLaunch.h"

#include <sstream>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

// The usage text, the echo of the arguments and the run itself are the launcher end-to-end
// tests'; these are the argument rules.
namespace Qva {
namespace {

// Parses `arguments` as the launch mode does: "script out args" when it accepts them, else
// "refused"; then a line feed and what it printed to standard output and error.
std::string ParseOwn(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  std::ostringstream out, err;
  LaunchArguments parsed;
  const bool ok =
      ParseLaunchArguments(static_cast<int>(argv.size()), argv.data(), parsed, out, err);
  return (ok ? parsed.script + " " + parsed.out + " " + parsed.args : "refused") + "\n" +
         out.str() + err.str();
}

TEST(LaunchArgumentsTest, ArgumentOneMustBeBatWithAValue) {
  // Argument 1 decides, even when /BAT= comes later; "/BAT" needs its "=".
  for (const char* first : {"-D=Oracle", "/BAT", "/BATX=a.sh", "BAT=a.sh"}) {
    EXPECT_THAT(ParseOwn({"C:\\tools\\ML.exe", first, "/BAT=a.sh"}),
                testing::AllOf(testing::StartsWith("refused\n"),
                               testing::HasSubstr("Usage: ML.exe /BAT=BatFile")))
        << first;
  }
  EXPECT_THAT(ParseOwn({"NoSeparator"}), testing::HasSubstr("Usage:  /BAT=BatFile"));
  EXPECT_EQ(ParseOwn({"ML", "/BAT="}),
            "refused\n/BAT argument is empty\nERROR: Couldn't process command line arguments\n");
}

TEST(LaunchArgumentsTest, CaseInsensitivePrefixesAndTheLastValueWins) {
  EXPECT_EQ(ParseOwn({"ML", "/bat=x.sh", "/out=o1", "/Arg=a;;b", "other", "/BAT=y.sh", "/OUT=o2",
                      "/ARG=k=v;c"}),
            "x.sh o2 k=v;c\n");
}

}  // namespace
}  // namespace Qva
