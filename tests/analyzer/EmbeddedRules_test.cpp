// The compiled-in rules: the eight rule files stay byte for byte as released, every rule loads
// and binds.
#include <gtest/gtest.h>

#include <boost/crc.hpp>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleResources.h"

namespace Qva {
namespace {

// Size and CRC-32 of each embedded text, in resource order. A change here means the released
// rule files were edited: platform rules belong in res/AnalyzeRules/posix.
TEST(EmbeddedRulesTest, TheEightRuleFilesAreUnchanged) {
  const std::vector<std::pair<size_t, uint32_t>> fingerprints = {
      {484, 0xbc76bcc7},  {953, 0xe77851b6},  {5167, 0x52be02f7}, {3908, 0x57c75fd4},
      {9698, 0x7f4833d5}, {2815, 0x90484047}, {1850, 0x341507a1}, {1951, 0x31062f38}};
  for (int id = 1; id <= 8; ++id) {
    const std::string text = GetResource(id);
    boost::crc_32_type crc;
    crc.process_bytes(text.data(), text.size());
    EXPECT_EQ(std::make_pair(text.size(), crc.checksum()), fingerprints[id - 1])
        << GetResourceTable()[id - 1].name;
  }
  for (int id : {0, 9, -1}) EXPECT_THROW(GetResource(id), std::runtime_error) << id;
  for (int id : {2, 3, 4, 5}) EXPECT_FALSE(GetPlatformSupplement(id).empty()) << id;
  for (int id : {1, 9}) EXPECT_TRUE(GetPlatformSupplement(id).empty()) << id;
}

// Every group loads without a traced problem; ids are unique; every action and check binds (a
// misspelt one is an empty callable); patterns compile; platform ids are their file's + 2000.
TEST(EmbeddedRulesTest, EveryRuleLoadsAndBinds) {
  LogAnalyzer analyzer;
  ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
  analyzer.Init(false);
  const std::string trace = analyzer.GetTraceText();
  for (const char* problem : {"Error read", "Error parse", "Can't load", "Can't find"}) {
    EXPECT_EQ(trace.find(problem), std::string::npos) << problem;
  }
  std::set<int32_t> ids;
  size_t platform = 0;
  std::vector<std::shared_ptr<IAnalyzeRule>> rules;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    const RuleList list = analyzer.GetRulesManager()->GetGroupRules(group);
    EXPECT_FALSE(list.empty()) << group;
    rules.insert(rules.end(), list.begin(), list.end());
  }
  for (const auto& rule : rules) {
    SCOPED_TRACE(std::to_string(rule->GetId()) + " " + rule->GetName());
    EXPECT_TRUE(ids.insert(rule->GetId()).second);
    if (rule->GetId() >= 2000) {
      EXPECT_EQ(rule->GetId() / 100, 21 + rule->GetGroup());
      ++platform;
    }
    ASSERT_EQ(rule->GetActions().size(), rule->GetActionNames().size());
    for (const auto& action : rule->GetActions()) EXPECT_TRUE(action);
    const auto* custom = dynamic_cast<CustomAnalyzeRule*>(rule.get());
    EXPECT_TRUE(custom == nullptr || custom->HasCheck());
    if (auto* regex = dynamic_cast<RegexAnalyzeRule*>(rule.get())) {
      EXPECT_TRUE(regex->MatchPattern().Compiles());
      EXPECT_TRUE(regex->PrematchPattern().Compiles());
    }
  }
  EXPECT_EQ(ids.size(), 116u);
  EXPECT_EQ(platform, 48u);
}

}  // namespace
}  // namespace Qva
