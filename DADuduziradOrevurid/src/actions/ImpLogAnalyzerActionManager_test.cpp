#include "actions/ImpLogAnalyzerActionManager.h"

#include <gtest/gtest.h>

#include <map>

#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/TraceCapture.h"

namespace Qva {
namespace {

Qve::QVEstring RuleFile(int32_t id, const char* group) {
  return "<AnalyzeRules id=\"" + std::to_string(id) + "\" group=\"" + group +
         "\"><AnalyzeRule id=\"1\" name=\"" + group +
         "\" type=\"REGEX\" priority=\"HIGH\" behavior=\"HARDSTOP\"/></AnalyzeRules>";
}

// An analyzer whose DBMS groups hold one rule each, named after the group; none is active.
class ActionManagerTest : public ::testing::Test {
 protected:
  ActionManagerTest()
      : analyzer_([](int32_t id) -> std::string {
          static const std::map<int32_t, std::string> texts = {
              {1,
               "<Groups><Group id='300'/><Group id='400'/><Group id='500'/>"
               "<Group id='600'/></Groups>"},
              {4, RuleFile(300, "ORACLE")},
              {5, RuleFile(400, "POSTGRESQL")},
              {6, RuleFile(500, "MICROSOFT SQL SERVER")},
              {7, RuleFile(600, "MYSQL")}};
          auto found = texts.find(id);
          return found != texts.end() ? found->second : "<AnalyzeRules/>";
        }) {
    analyzer_.SetOption(Qve::kQVOptCString, "ANALYZE_FILE", "import.sh");
    analyzer_.Init(false);
    manager_ = analyzer_.GetRulesManager()->GetActionManager();
  }

  // Runs the action `name` for a rule with output `output` and returns its result.
  int32_t Run(const char* name, TextLines& groups, const TextLines& lines = {},
              const char* output = "") {
    CustomAnalyzeRule rule(1, "Caller", 0, 0, 0, "", output, ActionFunction(), ActionFunction());
    ActionFunction action = manager_->GetAction(Qve::QVEstring(name));
    EXPECT_TRUE(action) << name;
    return action ? action(static_cast<IAnalyzeRule*>(&rule), lines, groups) : -1;
  }

  std::vector<Qve::QVEstring> ActiveNames() {
    std::vector<Qve::QVEstring> names;
    for (const auto& rule : analyzer_.GetRulesManager()->GetRules()) {
      names.push_back(rule->GetName());
    }
    return names;
  }

  LogAnalyzer analyzer_;
  std::shared_ptr<ImpLogAnalyzerActionManager> manager_;
};

TEST_F(ActionManagerTest, InitRegistersEveryRowUnderItsIdAndRootsTheImport) {
  const auto table = ImpLogAnalyzerActionManager::ActionTable();
  const auto& entries = manager_->GetEntries();
  ASSERT_EQ(entries.size(), 36u);
  for (size_t row = 0; row < table.size(); ++row) {
    EXPECT_EQ(entries[row].id, row + 1);
    EXPECT_EQ(entries[row].name, table[row].name);
  }
  EXPECT_EQ(manager_->GetAnalyzeFile(), "import.sh");
  EXPECT_EQ(manager_->GetRootScript()->GetFileName(), "import.sh");
  EXPECT_EQ(manager_->GetStorage(), analyzer_.GetStorage().get());
  EXPECT_FALSE(manager_->GetReportFlag());

  // The flag given at construction survives Init.
  ImpLogAnalyzerActionManager reporting(&analyzer_, true);
  reporting.Init();
  EXPECT_TRUE(reporting.GetReportFlag());
}

TEST_F(ActionManagerTest, EmptinessChecks) {
  TextLines groups;
  EXPECT_EQ(Run("CheckEmptyString", groups, {"\n"}), 1);
  EXPECT_EQ(Run("CheckEmptyString", groups, {"\n", "\n\n"}), 1);
  EXPECT_EQ(Run("CheckEmptyString", groups, {}), 1);
  EXPECT_EQ(Run("CheckEmptyString", groups, {" \n"}), 0);
  EXPECT_EQ(Run("CheckEmptyString", groups, {"\n", "x\n"}), 0);
  EXPECT_EQ(Run("CheckNotEmptyString", groups, {" \n"}), 1);
  EXPECT_EQ(Run("CheckNotEmptyString", groups, {"\n"}), 0);
  EXPECT_EQ(Run("DoNothing", groups), 0);
  EXPECT_EQ(Run("IncStoragePosition", groups), 0);
  EXPECT_TRUE(groups.empty());
}

TEST_F(ActionManagerTest, LoadRulesMapsTargetNamesToGroups) {
  test::TraceCapture trace;
  TextLines groups{"Importing database objects to MariaDB\n", "MariaDB"};
  Run("LoadRules", groups);
  EXPECT_EQ(ActiveNames(), (std::vector<Qve::QVEstring>{"MYSQL"}));
  EXPECT_EQ(trace.Count("[DBG] Analyze action> Rule Caller"), 1u) << trace.Text();
  EXPECT_EQ(trace.Count("[DBG] Added rules group MYSQL"), 1u);

  groups = {"", "Oracle"};
  Run("LoadRules", groups);
  groups = {"", "PostgreSQL"};
  Run("LoadRules", groups);
  EXPECT_EQ(ActiveNames(), (std::vector<Qve::QVEstring>{"ORACLE", "POSTGRESQL", "MYSQL"}));

  groups = {"", "Db2"};
  Run("LoadRules", groups);
  EXPECT_EQ(trace.Count("Rules manager> Can't find rules group (-1)"), 1u);
  EXPECT_EQ(trace.Count("Added rules group DB2"), 1u);
  EXPECT_EQ(ActiveNames().size(), 3u);
}

TEST_F(ActionManagerTest, ReturnChunkAndSkipLines) {
  auto storage = analyzer_.GetStorage();
  storage->AddText("l0\nl1\nl2\nl3\nl4\nl5\n");
  TextLines groups{"old"};
  // Before any chunk SkipLines takes nothing.
  Run("SkipLines", groups);
  EXPECT_EQ(storage->GetPosition(), 0u);

  storage->GetLines(2);  // l1 is being analyzed
  Run("ReturnChunk", groups, {}, "4");
  EXPECT_EQ(groups, (TextLines{"l1\n", "l2\n", "l3\n", "l4\n"}));
  EXPECT_EQ(storage->GetPosition(), 2u);
  EXPECT_EQ(manager_->GetChunkSize(), 4);
  Run("SkipLines", groups);
  EXPECT_EQ(storage->GetPosition(), 5u);

  // At the last line only that line is left; a text that is no number gives an empty chunk.
  storage->GetLine();
  Run("ReturnChunk", groups, {}, " 4 lines");
  EXPECT_EQ(groups, (TextLines{"l5\n"}));
  Run("ReturnChunk", groups, {}, "four");
  EXPECT_TRUE(groups.empty());
  Run("SkipLines", groups);
  EXPECT_EQ(storage->GetPosition(), 6u);

  // Nothing analyzed yet: position 0 has no current line.
  storage->Rewind();
  Run("ReturnChunk", groups, {}, "1");
  EXPECT_TRUE(groups.empty());
}

}  // namespace
}  // namespace Qva
