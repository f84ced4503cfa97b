// Rule files of the user's own: the faults that refuse them, the samples they carry, where they
// are found, and their verdicts winning over the embedded ones on real captured output.
#include "analyzer/UserRuleLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "QVETestSupport.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/UserRuleFiles.h"

namespace Qva {
namespace {

using Qve::test::WriteText;
using ::testing::ElementsAre;

std::vector<UserRuleFileVerdict> Check(const std::vector<std::string>& paths, bool keep_going) {
  return CheckUserRuleFiles(std::make_shared<ImpLogAnalyzerActionManager>(nullptr, RunSettings{}),
                            paths, keep_going);
}

const std::string kData = ML_SOURCE_DIR "/tests/data/analyzer/";

// Each fault class refuses the file with its place and reason: in user-rule-faults, NAME.fault
// holds what follows NAME.xml's path in the message.
TEST(UserRuleLoaderTest, EachFaultNamesFileLineRuleAndReason) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(kData + "user-rule-faults")) {
    if (entry.path().extension() == ".xml") files.push_back(entry.path().string());
  }
  ASSERT_EQ(files.size(), 14u);
  for (const std::string& path : files) {
    const std::string fault = Qve::test::ReadFile(path.substr(0, path.size() - 4) + ".fault");
    ASSERT_FALSE(fault.empty() || Qve::test::ReadFile(path).empty()) << path;
    try {
      Check({path}, false);
      ADD_FAILURE() << "loaded: " << path;
    } catch (const UserRuleFault& error) {
      EXPECT_EQ(error.what() + std::string("\n"), path + fault);
    }
  }
  // An id is taken by a rule of an earlier user file too (the same file twice); a missing file
  // is named.
  const std::string mine = kData + "user-rules/mine.xml", none = kData + "user-rules/none.xml";
  const std::vector<UserRuleFileVerdict> verdicts = Check({mine, mine, none}, true);
  ASSERT_EQ(verdicts.size(), 3u);
  EXPECT_EQ(verdicts[0].fault, "");
  EXPECT_EQ(verdicts[0].rules, 1);
  EXPECT_EQ(verdicts[1].fault, mine + ":2: rule 1 Mine: id 9001 is already taken by a loaded rule");
  EXPECT_EQ(verdicts[2].fault, none + ": cannot be read: No such file or directory");
}

// A sample meets the rules loaded before its rule that come before it in the walk, never a
// rule loaded after it, whatever its priority; a SOFTSTOP rule takes what it skips. The same
// with 100 more rules after them, where the samples are checked through the prefilter.
// user-rule-samples: the files, and faults.tsv the fault of each (from "rule " on, or none).
TEST(UserRuleLoaderTest, SamplesMeetTheStoppingRulesLoadedBeforeThem) {
  std::string padding;  // rule N: "^PADN: ", its sample "PADN: text"
  for (int id = 100; id < 200; ++id) {
    const std::string n = std::to_string(id);
    padding += "<AnalyzeRule id=\"" + n + "\" name=\"R" + n +
               "\" type=\"REGEX\" priority=\"MID\" behavior=\"HARDSTOP\">\n<Match>^PAD" + n +
               ": </Match>\n<Action>OutputResultInfo</Action>\n<Sample>PAD" + n +
               ": text</Sample>\n</AnalyzeRule>\n";
  }
  std::istringstream cases(Qve::test::ReadFile(kData + "user-rule-samples/faults.tsv"));
  std::vector<std::pair<std::string, std::string>> tests;  // file, fault
  for (std::string row; std::getline(cases, row);) {
    if (!row.starts_with("#"))
      tests.emplace_back(row.substr(0, row.find('\t')), row.substr(row.find('\t') + 1));
  }
  ASSERT_EQ(tests.size(), 3u);
  Qve::test::TempFolder folder;
  for (const std::string& more : {std::string(), padding}) {
    for (const auto& [file, expected] : tests) {
      std::string text = Qve::test::ReadFile(kData + "user-rule-samples/" + file);
      ASSERT_FALSE(text.empty()) << file;
      const std::string path =
          WriteText(folder.File("rules.xml"), text.insert(text.rfind("</AnalyzeRules>"), more));
      const std::vector<UserRuleFileVerdict> verdicts = Check({path}, true);
      ASSERT_EQ(verdicts.size(), 1u);
      const std::string& fault = verdicts[0].fault;
      EXPECT_EQ(fault.substr(fault.empty() ? 0 : fault.find("rule ")), expected)
          << file << more.size();
      const int32_t loaded = expected.empty() ? 2 + (more.empty() ? 0 : 100) : 1;
      EXPECT_EQ(verdicts[0].rules, loaded);
    }
  }
}

// The system folder, the user's folder, then the -RULES entries; folders in name order.
TEST(UserRuleLoaderTest, FilesComeInLoadOrder) {
  const std::string dir = kData + "rule-folders/";  // etc, home, extra and one.rules
  const std::vector<std::string> files = ListUserRuleFiles(
      dir + "etc", dir + "absent", dir + "one.rules;" + dir + "extra;;" + dir + "gone.xml");
  EXPECT_THAT(files, ElementsAre(dir + "etc/a.xml", dir + "etc/b.xml", dir + "one.rules",
                                 dir + "extra/c.xml", dir + "extra/z.xml", dir + "gone.xml"));
  EXPECT_TRUE(ListUserRuleFiles(dir + "home", "", "").size() == 1);
}

// Outcome of every object after analyzing `log` with the embedded rules and `files`.
std::map<std::string, ImportOutcome> Outcomes(const std::string& log,
                                              const std::vector<std::string>& files,
                                              int32_t& errors) {
  LogAnalyzer analyzer;
  analyzer.SetUserRuleFiles(files);
  const auto actions = ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
  analyzer.Init(false);
  analyzer.AddText(log);
  errors = analyzer.AnalyzeAvailable(1);
  std::map<std::string, ImportOutcome> outcomes;
  for (const ImportObject& object : actions->GetStatistics().GetObjects()) {
    outcomes[object.name] = object.Classify();
  }
  return outcomes;
}

// A VERYHIGH user rule (user-rules/override.xml) takes a line before the embedded rule: a known
// harmless error becomes information, a warning becomes an error; nothing else changes.
TEST(UserRuleLoaderTest, UserRulesOverrideEmbeddedVerdictsOnCapturedOutput) {
  const std::string log =
      Qve::test::ReadFile(ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt");
  ASSERT_FALSE(log.empty());
  const std::string path = kData + "user-rules/override.xml";
  ASSERT_FALSE(Qve::test::ReadFile(path).empty());
  int32_t embedded_errors = 0, user_errors = 0;
  auto expected = Outcomes(log, {}, embedded_errors);
  const auto with_user = Outcomes(log, {path}, user_errors);
  EXPECT_EQ(user_errors, embedded_errors);  // one error less, one more
  EXPECT_EQ(expected.at("public.settings"), ImportOutcome::kFailed);
  EXPECT_EQ(expected.at("public.order_seq"), ImportOutcome::kSucceededWithWarning);
  expected["public.settings"] = ImportOutcome::kSucceeded;
  expected["public.order_seq"] = ImportOutcome::kFailed;
  EXPECT_EQ(with_user, expected);
}

}  // namespace
}  // namespace Qva
