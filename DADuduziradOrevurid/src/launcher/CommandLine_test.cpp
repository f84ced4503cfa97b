#include "launcher/CommandLine.h"

#include <algorithm>
#include <boost/any.hpp>
#include <boost/program_options/errors.hpp>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "launcher/DBLaunch.h"
#include "launcher/LauncherOptions.h"
#include "launcher/MigrationLauncher.h"

namespace Qva {
namespace {

namespace po = boost::program_options;
using Qve::test::TempFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

po::variables_map Parse(const std::vector<std::string>& tokens) {
  po::variables_map options;
  ParseOptionTokens(BuildOptionsDescription(), tokens, options);
  return options;
}

// Runs ParseCommandLine on `arguments` (program name added) and returns what it printed.
std::string ParseAndCapture(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "MigrationLauncher");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  GetOptionMap().clear();
  testing::internal::CaptureStdout();
  try {
    ParseCommandLine(static_cast<int>(argv.size()), argv.data());
  } catch (...) {
    testing::internal::GetCapturedStdout();
    throw;
  }
  return testing::internal::GetCapturedStdout();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(OptionSyntaxTest, SlashOrDashWithJoinedValuesAndDefaults) {
  po::variables_map options = Parse({"/BAT=x.bat", "-D=Oracle", "/DEBUG", "-RPT", "-ARG=a=b"});
  EXPECT_EQ(options["BAT"].as<std::string>(), "x.bat");
  EXPECT_EQ(options["D"].as<std::string>(), "Oracle");
  EXPECT_EQ(options["ARG"].as<std::string>(), "a=b");
  EXPECT_EQ(options.count("DEBUG"), 1u);
  EXPECT_EQ(options.count("RPT"), 1u);

  po::variables_map defaults = Parse({});
  EXPECT_EQ(defaults["BAT"].as<std::string>(), "movarin_all.bat");
  EXPECT_EQ(defaults["ARG"].as<std::string>(), "all");
  EXPECT_EQ(defaults["ECHOLOG"].as<std::string>(), "echo_imp.log");
  EXPECT_EQ(defaults["LOG"].as<std::string>(), "movarin_imp.log");
  EXPECT_EQ(defaults["D"].as<std::string>(), "NA");
  EXPECT_EQ(defaults["H"].as<std::string>(), "NA");
  EXPECT_EQ(defaults["RPT_DIR"].as<std::string>(), "reports");
  EXPECT_EQ(defaults["EVENTPORT"].as<std::string>(), "0");
  EXPECT_EQ(defaults["MESSAGING"].as<std::string>(), "");
  EXPECT_EQ(defaults.count("HELP") + defaults.count("RSP") + defaults.count("CF") +
                defaults.count("DEBUG") + defaults.count("RPT"),
            0u);
}

TEST(OptionSyntaxTest, NonOptionsDoubleDashAndDashedUnknownNamesAreIgnored) {
  po::variables_map options = Parse({"plain", "--BAT=y.bat", "-bat=z.bat", "-FOO=1"});
  EXPECT_EQ(options["BAT"].as<std::string>(), "movarin_all.bat");
}

TEST(OptionSyntaxTest, ParseErrorsStoreNothing) {
  const std::vector<std::vector<std::string>> bad = {
      {"/FOO=1"},          // undeclared
      {"/bat=x.bat"},      // names are case-sensitive
      {"-BAT", "x.bat"},   // a value must be joined by "="
      {"/D", "Oracle"},    //
      {"-BAT="},           // empty value
      {"-HELP=1"},         // a switch takes no value
      {"-D=Oracle", "/X"}  // one bad token spoils the whole line
  };
  for (const auto& tokens : bad) {
    po::variables_map options;
    EXPECT_THROW(ParseOptionTokens(BuildOptionsDescription(), tokens, options), po::error)
        << tokens.front();
    EXPECT_TRUE(options.empty()) << tokens.front();
  }
}

TEST(OptionSyntaxTest, HelpShowsEachOptionAsItIsAcceptedInDeclarationOrder) {
  po::options_description description = BuildOptionsDescription();
  std::string help = FormatHelp(description);
  EXPECT_THAT(help, StartsWith("Allowed options:\n"));
  EXPECT_THAT(help, HasSubstr("\n  -BAT=<file> (=movarin_all.bat)  Bat file name.\n"));
  EXPECT_THAT(help, Not(HasSubstr("--")));

  // The first word of an option line, its "<value>" filled in, parses back as that option.
  std::istringstream lines(help);
  std::string line;
  std::vector<std::string> names;
  while (std::getline(lines, line)) {
    EXPECT_LE(line.size(), po::options_description::m_default_line_length) << line;
    if (line.rfind("  -", 0) != 0) continue;  // the caption or a wrapped description
    std::string syntax = line.substr(2, line.find(' ', 2) - 2);
    po::variables_map options;
    ParseOptionTokens(description, {std::regex_replace(syntax, std::regex("<[^>]*>"), "v")},
                      options);
    std::string name = syntax.substr(1, syntax.find('=') - 1);
    ASSERT_EQ(options.count(name), 1u) << line;
    if (syntax.find('=') != std::string::npos) {
      EXPECT_EQ(options[name].as<std::string>(), "v");
    }
    names.push_back(name);
  }
  EXPECT_THAT(names, ElementsAre("HELP", "RSP", "BAT", "ARG", "ECHOLOG", "LOG", "DEBUG", "CF",
                                 "RPT", "D", "H", "RPT_DIR", "EVENTPORT", "MESSAGING"));
}

TEST(EventPortTest, StoulWithTheProgramsOwnTexts) {
  EXPECT_EQ(ParseUnsignedLong("30001"), 30001u);
  EXPECT_EQ(static_cast<uint16_t>(ParseUnsignedLong("70000")), 4464);
  EXPECT_EQ(ParseUnsignedLong(" 12abc"), 12u);  // like std::stoul: leading blanks, trailing junk
  try {
    ParseUnsignedLong("abc");
    FAIL();
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "invalid stoul argument");
  }
  try {
    ParseUnsignedLong("999999999999999999999999");
    FAIL();
  } catch (const std::out_of_range& error) {
    EXPECT_STREQ(error.what(), "stoul argument out of range");
  }
}

TEST(PathRulesTest, ScriptPathDirectoryAndAnalyzedLog) {
  Qve::QVEstring script = NormaliseScriptPath("\"C:\\imp\\movarin_all.bat\"");
  EXPECT_EQ(script, "C:/imp/movarin_all.bat");
  EXPECT_EQ(GetScriptDirectory(script), "C:/imp");
  EXPECT_EQ(GetScriptDirectory("movarin_all.bat"), "");
  EXPECT_EQ(MakeAnalyzedLogPath("movarin_imp.log", "C:/imp"), "C:/imp/movarin_imp.log");
  EXPECT_EQ(MakeAnalyzedLogPath("logs/a.log", "C:/imp"), "logs/a.log");
  EXPECT_EQ(MakeAnalyzedLogPath("logs\\a.log", "C:/imp"), "C:/imp/logs\\a.log");
  EXPECT_EQ(MakeAnalyzedLogPath("a.log", ""), "a.log");
  // Report paths: a bare name means the current folder, "/x.sh" the root it names.
  EXPECT_EQ(GetReportBaseFolder(script), "C:/imp");
  EXPECT_EQ(GetReportBaseFolder("movarin_all.sh"), ".");
  EXPECT_EQ(GetReportBaseFolder("/movarin_all.sh"), "");
}

TEST(PathRulesTest, WorkingFolderFallsBackToScriptFolderThenCurrentFolder) {
  EXPECT_EQ(ChooseWorkingFolder("/work", "/scripts"), "/work");
  EXPECT_EQ(ChooseWorkingFolder("", "/scripts"), "/scripts");
  Qve::QVEstring current = ChooseWorkingFolder("", "");
  EXPECT_EQ(current, std::filesystem::current_path().string());
  EXPECT_NE(current.back(), '/');
}

TEST(ArgumentTextTest, SplitsAtSemicolonsAndBuildsTheEchoCommand) {
  EXPECT_THAT(SplitArgumentText("all"), ElementsAre("all"));
  EXPECT_THAT(SplitArgumentText("a;;b;"), ElementsAre("a", "", "b"));
  EXPECT_TRUE(SplitArgumentText("").empty());
  EXPECT_EQ(MigrationLauncher::BuildArgumentText({"all"}), "echo all ");
  EXPECT_EQ(MigrationLauncher::BuildArgumentText({"a", "b"}), "echo a b ");
  EXPECT_EQ(MigrationLauncher::BuildArgumentText({}), "echo ");
}

TEST(CreateLauncherTest, ExactDisplayNamesSelectTheAnalyzedRun) {
  ASSERT_EQ(GetAnalyzedDatabaseNames().size(), 15u);
  char program[] = "MigrationLauncher";
  char* argv[] = {program, nullptr};
  for (const Qve::QVEstring& name : GetAnalyzedDatabaseNames()) {
    GetOptionMap() = Parse({"-D=" + name});
    auto launcher = CreateLauncher(1, argv);
    EXPECT_NE(dynamic_cast<MigrationLauncher*>(launcher.get()), nullptr) << name;
  }
  for (const char* other : {"oracle", "NA", "MySQL ", "Oracle Database"}) {
    GetOptionMap() = Parse({std::string("-D=") + other});
    auto launcher = CreateLauncher(1, argv);
    EXPECT_NE(dynamic_cast<DBLaunch*>(launcher.get()), nullptr) << other;
  }
  // After a failed parse the map is empty and the selection fails with the library's bad cast.
  GetOptionMap().clear();
  EXPECT_THROW(CreateLauncher(1, argv), boost::bad_any_cast);
}

class ParseCommandLineTest : public testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(ParseCommandLineTest, ResponseFileReplacesTheCommandLine) {
  std::string rsp = folder_.File("run.rsp");
  std::string script = folder_.File("imp.sh");
  WriteText(rsp, "-D=Oracle\r\n\r\n-BAT=\"" + script + "\"\n-LOG=a.log\n");
  std::string printed = ParseAndCapture({"-D=MySQL", "-H=host1", "-RSP=\"" + rsp + "\""});

  EXPECT_THAT(printed, HasSubstr("Open RSP file: " + rsp + "\nOK\n\n"));
  EXPECT_THAT(printed, HasSubstr("\nrsp_conmand line :-D=Oracle\r\n"));
  EXPECT_EQ(GetOptionText(kOptD), "Oracle");
  EXPECT_EQ(GetOptionText(kOptH), "NA");  // dropped with the rest of the command line
  EXPECT_FALSE(HasOption(kOptRsp));
  EXPECT_EQ(GetAnalyzedLogPath(), folder_.File("a.log"));
  EXPECT_TRUE(std::filesystem::exists(folder_.File("a.log")));
}

TEST_F(ParseCommandLineTest, HelpWinsOverResponseFileAndStopsStartUp) {
  GetAnalyzedLogPath() = "unchanged";
  std::string printed = ParseAndCapture({"-RSP=" + folder_.File("any.rsp"), "-HELP",
                                         "-BAT=" + folder_.File("x.sh"), "-EVENTPORT=abc"});
  EXPECT_THAT(printed, HasSubstr("Allowed options"));
  EXPECT_THAT(printed, Not(HasSubstr("Open RSP file")));
  EXPECT_EQ(GetAnalyzedLogPath(), "unchanged");
}

TEST_F(ParseCommandLineTest, ParseErrorInResponseFileShowsHelpAndLeavesTheMapEmpty) {
  std::string rsp = folder_.File("bad.rsp");
  WriteText(rsp, "-D=Oracle\n/UNKNOWN=1\n");
  std::string printed = ParseAndCapture({"-D=MySQL", "-RSP=" + rsp});
  EXPECT_THAT(printed, HasSubstr("Allowed options"));
  EXPECT_TRUE(GetOptionMap().empty());
}

TEST_F(ParseCommandLineTest, LogBesideTheScriptAndBadEventPortThrows) {
  std::string script = folder_.File("imp.sh");
  std::string escaped = script;
  std::replace(escaped.begin(), escaped.end(), '/', '\\');
  EXPECT_THROW(ParseAndCapture({"-BAT=" + escaped, "-EVENTPORT=abc"}), std::invalid_argument);
  EXPECT_EQ(GetAnalyzedLogPath(), folder_.File("movarin_imp.log"));
  EXPECT_TRUE(std::filesystem::exists(folder_.File("movarin_imp.log")));
}

// Found by the fuzzer: the library filled "%canonical_option%" in its error text with a token
// that held it, forever.
TEST_F(ParseCommandLineTest, ATokenHoldingAPlaceholderOfTheErrorTextDoesNotHang) {
  std::string rsp = folder_.File("placeholder.rsp");
  WriteText(rsp, "-=lD%canonical_option%\n");
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{"-=x%canonical_option%"}, {"-RSP=" + rsp}}) {
    EXPECT_THAT(ParseAndCapture(arguments), HasSubstr("Allowed options"));
    EXPECT_TRUE(GetOptionMap().empty());
  }
}

}  // namespace
}  // namespace Qva
