#include "launcher/RunConfig.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "launcher/CommandLine.h"

namespace Qva {
namespace {

namespace po = boost::program_options;

RunConfig Configure(const std::vector<std::string>& tokens) {
  po::variables_map options;
  ParseOptionTokens(BuildOptionsDescription(), tokens, options);
  return BuildRunConfig(options);
}

// The paths a run derives, "|"-separated: script, its folder, trace file, working folder,
// data.js, the HTML log's stylesheet folder, the HTML log, the script's argument text.
std::string Paths(const RunConfig& config) {
  std::string text;
  for (const Qve::QVEstring* path :
       {&config.script_path, &config.script_dir, &config.analyzed_log, &config.working_folder,
        &config.data_file, &config.html_log_folder, &config.html_log, &config.argument_text}) {
    text += *path + "|";
  }
  return text;
}

TEST(RunConfigTest, DerivedPaths) {
  const std::string cwd = std::filesystem::current_path().string();
  const struct {
    std::vector<std::string> tokens;
    std::string paths;
  } cases[] = {
      // Quotes go, "\" becomes "/"; the trace file goes beside the script.
      {{"-BAT=\"C:\\imp\\movarin_all.bat\""},
       "C:/imp/movarin_all.bat|C:/imp|C:/imp/movarin_imp.log|C:/imp|C:/imp/reports/data.js|"
       "C:/imp/reports|C:/imp/reports/Import/import_log.html|echo all |"},
      // A -LOG with a "\" only is still a bare name; -CF moves data.js, not the HTML log; every
      // -ARG piece counts, the empty one too, but not a trailing ";".
      {{"-BAT=imp/run.sh", "-LOG=logs\\a.log", "-CF=/work", "-RPT_DIR=r", "-ARG=a;;b;"},
       "imp/run.sh|imp|imp/logs\\a.log|/work|/work/r/data.js|imp/r|imp/r/Import/import_log.html|"
       "echo a  b |"},
      // A bare script: everything in the current folder, reports under ".".
      {{"-BAT=run.sh", "-LOG=a.log"},
       "run.sh||a.log|" + cwd + "|" + cwd + "/reports/data.js|./reports|" +
           "./reports/Import/import_log.html|echo all |"},
      // A script directly under "/" reports at the root; a -LOG with "/" is taken as it is.
      {{"-BAT=/run.sh", "-LOG=logs/a.log"},
       "/run.sh||logs/a.log|" + cwd + "|" + cwd + "/reports/data.js|/reports|" +
           "/reports/Import/import_log.html|echo all |"},
  };
  for (const auto& c : cases) {
    const RunConfig config = Configure(c.tokens);
    EXPECT_TRUE(config.complete);
    EXPECT_EQ(Paths(config), c.paths) << c.tokens.front();
  }
}

// Without -CF and a script folder the script runs in the current folder: "/" loses its separator
// as the root of a drive would, and one longer than 1024 bytes reads as "". In a child process:
// the current folder is the whole process's.
TEST(RunConfigTest, CurrentFolderAtTheRootOrTooLong) {
  const Qve::test::TempFolder temp;
  std::string longest = std::filesystem::canonical(temp.File("")).string();
  // Appended: g++ 12 warns falsely (-Wrestrict) on "literal" + std::string.
  while (longest.size() + 101 < 1000) longest.append("/").append(100, 'd');
  longest += '/';
  longest.append(1024 - longest.size(), 'e');
  std::filesystem::create_directories(longest + "/x");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto working_folder_in = [](const std::string& folder) -> std::string {
      return chdir(folder.c_str()) == 0 ? Configure({"-BAT=run.sh"}).working_folder : "?";
    };
    _exit((working_folder_in("/").empty() ? 0 : 1) +
          (working_folder_in(longest) == longest ? 0 : 2) +
          (working_folder_in(longest + "/x").empty() ? 0 : 4));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(RunConfigTest, EachOptionLandsInItsField) {
  for (const std::string token : {"-DEBUG", "-RPT", "-CHECK_RULES"}) {
    const RunConfig config = Configure({token});
    EXPECT_EQ(std::string(config.debug ? "-DEBUG" : "") + (config.report ? "-RPT" : "") +
                  (config.check_rules ? "-CHECK_RULES" : ""),
              token);
  }

  const RunConfig given =
      Configure({"-D=Oracle", "-H=db1", "-RPT_DIR=r", "-EVENTPORT=5", "-MESSAGING=m", "-RULES=a;b",
                 "-EXPLAIN=x.log", "-JUNIT=j.xml"});
  EXPECT_EQ(given.target_db + "|" + given.target_host + "|" + given.report_dir + "|" +
                given.event_port + "|" + given.message_prefix + "|" + given.user_rules + "|" +
                given.explain_log + "|" + given.junit_file,
            "Oracle|db1|r|5|m|a;b|x.log|j.xml");
  EXPECT_TRUE(given.analyzed_target && given.Explains() && given.WritesJUnit());
  const RunConfig defaults = Configure({});
  EXPECT_FALSE(defaults.analyzed_target || defaults.Explains() || defaults.WritesJUnit());

  // A failed parse stores nothing: no configuration to run with.
  EXPECT_FALSE(BuildRunConfig(po::variables_map()).complete);
}

}  // namespace
}  // namespace Qva
