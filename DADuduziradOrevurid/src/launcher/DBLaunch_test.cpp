#include "launcher/DBLaunch.h"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "QVETestSupport.h"
#include "QVETrace.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace Qva {
namespace {

using Qve::test::TempFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Owns the strings behind an argv.
class Arguments {
 public:
  Arguments(std::initializer_list<std::string> arguments) : text_(arguments) {
    for (std::string& argument : text_) pointers_.push_back(argument.data());
  }
  int Count() const { return static_cast<int>(pointers_.size()); }
  char** Vector() { return pointers_.data(); }

 private:
  std::vector<std::string> text_;
  std::vector<char*> pointers_;
};

struct ParseResult {
  bool parsed;
  LaunchArguments arguments;
  std::string out;
  std::string err;
};

ParseResult ParseOwn(Arguments arguments) {
  ParseResult result;
  std::ostringstream out, err;
  result.parsed =
      ParseLaunchArguments(arguments.Count(), arguments.Vector(), result.arguments, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

constexpr const char* kSyntaxError = "ERROR: Couldn't process command line arguments\n";

TEST(LaunchArgumentsTest, UsageWhenArgumentOneIsNotBat) {
  ParseResult none = ParseOwn({"/opt/tools/MigrationLauncher"});
  EXPECT_FALSE(none.parsed);
  EXPECT_EQ(none.out,
            "\n\nUsage: MigrationLauncher /BAT=BatFile\n\n"
            "    /BAT   - command shell file name (default movarin_all.bat)\n\n"
            "    MigrationLauncher /BAT=movarin_all.bat\n\n");
  EXPECT_EQ(none.err, kSyntaxError);

  // Argument 1 decides, even when /BAT= comes later; "/BAT" needs its "=".
  for (const char* first : {"-D=Oracle", "/BAT", "/BATX=a.sh", "BAT=a.sh"}) {
    ParseResult later = ParseOwn({"C:\\tools\\ML.exe", first, "/BAT=a.sh"});
    EXPECT_FALSE(later.parsed) << first;
    EXPECT_THAT(later.out, HasSubstr("Usage: ML.exe /BAT=BatFile")) << first;
  }
  EXPECT_THAT(ParseOwn({"NoSeparator"}).out, HasSubstr("Usage:  /BAT=BatFile"));
}

TEST(LaunchArgumentsTest, EmptyScriptIsAnError) {
  ParseResult empty = ParseOwn({"ML", "/BAT="});
  EXPECT_FALSE(empty.parsed);
  EXPECT_EQ(empty.out, "");
  EXPECT_EQ(empty.err, std::string("/BAT argument is empty\n") + kSyntaxError);
}

TEST(LaunchArgumentsTest, CaseInsensitivePrefixesAndTheLastValueWins) {
  ParseResult result = ParseOwn(
      {"ML", "/bat=x.sh", "/out=o1", "/Arg=a;;b", "other", "/BAT=y.sh", "/OUT=o2", "/ARG=k=v;c"});
  ASSERT_TRUE(result.parsed);
  EXPECT_EQ(result.arguments.script, "x.sh");
  EXPECT_EQ(result.arguments.out, "o2");
  EXPECT_EQ(result.arguments.args, "k=v;c");
  EXPECT_EQ(result.err, "");
}

TEST(LaunchArgumentsTest, EmptyPiecesAreDroppedAndErrorsAreMerged) {
  EXPECT_THAT(BuildLaunchArgumentList("a;;b"), ElementsAre("no_echo", "a", "b", "2>&1"));
  EXPECT_THAT(BuildLaunchArgumentList(""), ElementsAre("no_echo", "2>&1"));
}

// Runs the launch mode in this process; its output and the script's echo go to standard
// output, its messages to standard error.
class DBLaunchRunTest : public testing::Test {
 protected:
  void SetUp() override { Qve::QVTracer::Instance().SetTraceFile(folder_.File("trace.log")); }

  int32_t RunLaunch(Arguments arguments) {
    DBLaunch launch(arguments.Count(), arguments.Vector());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int32_t result = launch.Run();
    // Trace lines end with "\r\n"; compare plain lines.
    out_ = testing::internal::GetCapturedStdout();
    std::erase(out_, '\r');
    err_ = testing::internal::GetCapturedStderr();
    return result;
  }

  std::string WriteScript(const std::string& name, const std::string& text) {
    std::string path = folder_.File(name);
    std::ofstream(path) << text;
    return path;
  }

  TempFolder folder_;
  std::string out_;
  std::string err_;
};

TEST_F(DBLaunchRunTest, EchoesAPlainShellFileAndIgnoresItsExitCode) {
  // No "#!" and no execute permission: the shell runs it, as the command interpreter would.
  std::string script = WriteScript("imp.sh",
                                   "echo \"got $*\"\n"
                                   "echo to-error >&2\n"
                                   "exit 3\n");
  EXPECT_EQ(RunLaunch({"ML", "/bat=\"" + script + "\"", "/ARG=a;;b"}), 0);
  EXPECT_THAT(out_, HasSubstr("\n movarin_all.bat arguments: no_echo a b 2>&1\n"));
  EXPECT_THAT(out_, HasSubstr("\ngot no_echo a b\n"));
  EXPECT_THAT(out_, HasSubstr("\nto-error\n"));
  EXPECT_THAT(out_, HasSubstr("\nTimestamp: "));
  EXPECT_THAT(out_, HasSubstr("\nImport process finished.\n"));
  EXPECT_EQ(err_, "");
}

TEST_F(DBLaunchRunTest, AScriptTheSystemRefusesRunsThroughTheShellAndLeavesNoChildBehind) {
  // Executable but without "#!": the direct start fails first, then the shell runs it.
  std::string script = WriteScript("bare.sh", "echo \"bare $*\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(RunLaunch({"ML", "/BAT=" + script}), 0);
  EXPECT_THAT(out_, HasSubstr("\nbare no_echo\n"));
  // The process forked for the failed start has been reaped as well.
  int status = 0;
  EXPECT_LE(waitpid(-1, &status, WNOHANG), 0);
}

TEST_F(DBLaunchRunTest, LaunchFailureIsShownAndTheRunStillFinishes) {
  std::filesystem::create_directory(folder_.File("folder.sh"));
  EXPECT_EQ(RunLaunch({"ML", "/BAT=" + folder_.File("folder.sh")}), 0);
  EXPECT_THAT(out_, HasSubstr("\nUnhandled error: "));
  EXPECT_THAT(out_, HasSubstr("Import process finished."));
}

}  // namespace
}  // namespace Qva
