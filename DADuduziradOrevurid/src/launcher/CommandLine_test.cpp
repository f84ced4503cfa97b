#include "launcher/CommandLine.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/any.hpp>
#include <boost/program_options/errors.hpp>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "QVEProcessSignals.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "launcher/DBLaunch.h"
#include "launcher/ExplainLauncher.h"
#include "launcher/MigrationLauncher.h"
#include "launcher/RuleCheckLauncher.h"

namespace Qva {
namespace {

namespace po = boost::program_options;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

po::variables_map Parse(const std::vector<std::string>& tokens) {
  po::variables_map options;
  ParseOptionTokens(BuildOptionsDescription(), tokens, options);
  return options;
}

TEST(OptionSyntaxTest, SlashOrDashWithJoinedValuesAndDefaults) {
  po::variables_map options =
      Parse({"/BAT=x.bat", "-D=Oracle", "/DEBUG", "-ARG=a=b", "plain", "--H=y", "-h=z"});
  EXPECT_EQ(options["BAT"].as<std::string>() + options["D"].as<std::string>() +
                options["ARG"].as<std::string>() + options["H"].as<std::string>(),
            "x.batOraclea=bNA");
  EXPECT_EQ(options.count("DEBUG"), 1u);
  po::variables_map defaults = Parse({});
  std::string joined;
  for (const char* name :
       {"BAT", "ARG", "ECHOLOG", "LOG", "D", "H", "RPT_DIR", "EVENTPORT", "MESSAGING"}) {
    joined += defaults[name].as<std::string>() + "|";
  }
  EXPECT_EQ(joined, "movarin_all.bat|all|echo_imp.log|movarin_imp.log|NA|NA|reports|0||");
  EXPECT_EQ(defaults.size(), 9u);  // and no switch
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

// A stop request ends a long parse storing nothing (in a child process: the stop is remembered
// for the whole process).
TEST(OptionSyntaxTest, AStopEndsTheParse) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Qve::InstallStopHandlers();
    raise(SIGTERM);
    std::vector<std::string> tokens(100000, "junk");
    tokens.push_back("-D=Oracle");
    po::variables_map stopped;
    ParseOptionTokens(BuildOptionsDescription(), tokens, stopped);
    _exit(stopped.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The first word of a help line, its "<value>" filled in, parses back as that option.
TEST(OptionSyntaxTest, HelpShowsEachOptionAsItIsAcceptedInDeclarationOrder) {
  po::options_description description = BuildOptionsDescription();
  std::string help = FormatHelp(description);
  EXPECT_EQ(help.rfind("Allowed options:\n", 0), 0u);
  EXPECT_THAT(help, HasSubstr("\n  -BAT=<file> (=movarin_all.bat)  Bat file name.\n"));
  std::istringstream lines(help);
  std::vector<std::string> names;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), po::options_description::m_default_line_length) << line;
    if (line.rfind("  -", 0) != 0) continue;  // the caption or a wrapped description
    std::string syntax = line.substr(2, line.find(' ', 2) - 2);
    po::variables_map options;
    ParseOptionTokens(description, {std::regex_replace(syntax, std::regex("<[^>]*>"), "v")},
                      options);
    std::string name = syntax.substr(1, syntax.find('=') - 1);
    ASSERT_EQ(options.count(name), 1u) << line;
    names.push_back(name);
    if (syntax.find('=') == std::string::npos) continue;
    EXPECT_EQ(options[name].as<std::string>(), "v");
  }
  EXPECT_THAT(names, ElementsAre("HELP", "RSP", "BAT", "ARG", "ECHOLOG", "LOG", "DEBUG", "CF",
                                 "RPT", "D", "H", "RPT_DIR", "EVENTPORT", "MESSAGING", "RULES",
                                 "CHECK_RULES", "EXPLAIN", "JUNIT"));
}

TEST(CommandLineTest, EventPortText) {
  EXPECT_EQ(ParseUnsignedLong(" 12abc"), 12u);  // like std::stoul: leading blanks, trailing junk
  EXPECT_THAT(
      [] { ParseUnsignedLong("999999999999999999999999"); },
      testing::ThrowsMessage<std::out_of_range>(testing::StrEq("stoul argument out of range")));
}

TEST(CommandLineTest, TheConfigurationSelectsTheLauncher) {
  char program[] = "MigrationLauncher";
  char* argv[] = {program, nullptr};
  auto launcher_for = [&argv](const std::vector<std::string>& tokens) {
    const RunConfig config = BuildRunConfig(Parse(tokens));
    return CreateLauncher(config, 1, argv);
  };
  for (const Qve::QVEstring& name : GetAnalyzedDatabaseNames()) {
    EXPECT_NE(dynamic_cast<MigrationLauncher*>(launcher_for({"-D=" + name}).get()), nullptr)
        << name;
  }
  for (const char* other : {"oracle", "NA", "MySQL ", "Oracle Database"}) {
    EXPECT_NE(dynamic_cast<DBLaunch*>(launcher_for({std::string("-D=") + other}).get()), nullptr)
        << other;
  }
  EXPECT_NE(dynamic_cast<RuleCheckLauncher*>(
                launcher_for({"-D=Oracle", "-EXPLAIN=x.log", "-CHECK_RULES"}).get()),
            nullptr);
  EXPECT_NE(dynamic_cast<ExplainLauncher*>(launcher_for({"-D=NA", "-EXPLAIN=x.log"}).get()),
            nullptr);
  // After a failed parse nothing is stored and the selection fails with the library's bad cast.
  EXPECT_THROW(CreateLauncher(BuildRunConfig(po::variables_map()), 1, argv), boost::bad_any_cast);
}

}  // namespace
}  // namespace Qva
