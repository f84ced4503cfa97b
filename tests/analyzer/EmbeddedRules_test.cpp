// The compiled-in rules: the eight rule files stay byte for byte as released, every rule loads
// and binds, and the prefilter never rules out a rule that matches real output.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/crc.hpp>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ImportLogGenerator.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RulePrefilter.h"
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
  for (int id : {3, 4, 5}) EXPECT_FALSE(GetPlatformSupplement(id).empty()) << id;
  for (int id : {1, 2, 9}) EXPECT_TRUE(GetPlatformSupplement(id).empty()) << id;
}

std::vector<std::shared_ptr<IAnalyzeRule>> AllRules(LogAnalyzer& analyzer) {
  std::vector<std::shared_ptr<IAnalyzeRule>> rules;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : analyzer.GetRulesManager()->GetGroupRules(group)) rules.push_back(rule);
  }
  return rules;
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
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    EXPECT_FALSE(analyzer.GetRulesManager()->GetGroupRules(group).empty()) << group;
  }
  std::set<int32_t> ids;
  size_t platform = 0;
  for (const auto& rule : AllRules(analyzer)) {
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
  EXPECT_EQ(ids.size(), 96u);
  EXPECT_EQ(platform, 28u);
}

// Lines of every captured file and of the generated Oracle log, each with its line feed.
std::set<std::string> RealLines() {
  std::set<std::string> lines;
  for (const char* name : {"posix-shells.txt", "psql-client-errors.txt", "postgresql-failures.txt",
                           "mariadb-failures.txt", "postgresql-linux.txt", "expected_rules.tsv",
                           "posix-steps.txt", "psql-linux-messages.txt", "mariadb-client.txt"}) {
    std::ifstream in(std::string(ML_SOURCE_DIR "/tests/e2e/captured/") + name);
    EXPECT_TRUE(in.good()) << name;
    // The table's last column is a line.
    for (std::string line; std::getline(in, line);)
      lines.insert(line.substr(line.rfind('\t') + 1) + "\n");
  }
  std::istringstream oracle(bench::GenerateImportLog(400, 20240607));
  for (std::string line; std::getline(oracle, line);)
    lines.insert(line.substr(0, line.size() - 1) + "\n");
  return lines;
}

// One prefilter following every embedded rule, on real lines one after the other: it rules a
// rule out only where PCRE2 finds no match (prematch and match), most regex tries are ruled
// out, and the walk's jump from candidate to candidate passes over ruled-out rules only.
TEST(EmbeddedRulesTest, PrefilterRulesOutOnlyRulesThatDoNotMatch) {
  LogAnalyzer analyzer;
  ImpLogAnalyzerActionManager::AttachTo(analyzer, {});
  analyzer.Init(false);
  auto rules = std::make_shared<RuleVector>(AllRules(analyzer));
  RulePrefilter prefilter;
  prefilter.Follow(rules);
  size_t regex_rules = 0, ruled_out = 0, skipped = 0;
  for (const auto& rule : *rules) regex_rules += dynamic_cast<RegexAnalyzeRule*>(rule.get()) != 0;
  EXPECT_GT(prefilter.FilteredRuleCount(), regex_rules * 3 / 4);
  const std::set<std::string> subjects = RealLines();
  for (const std::string& subject : subjects) {
    prefilter.NewText();
    const auto text = [&] { return std::string_view(subject); };
    // The walk's tries judge the text (scan it) at the first filtered rule worth it.
    for (size_t position = 0; position < rules->size(); ++position)
      prefilter.MayMatch(position, text);
    for (size_t position = 0; position < rules->size(); ++position) {
      const size_t next = std::min(prefilter.NextCandidate(position), rules->size());
      ASSERT_GE(next, position);
      for (size_t passed = position; passed < next; ++passed, ++skipped) {
        ASSERT_FALSE(prefilter.MayMatch(passed, text)) << (*rules)[passed]->GetName();
      }
      if (prefilter.MayMatch(position, text)) continue;
      ++ruled_out;
      auto* regex = dynamic_cast<RegexAnalyzeRule*>((*rules)[position].get());
      ASSERT_TRUE(regex != nullptr) << (*rules)[position]->GetName();
      EXPECT_FALSE((regex->GetPrematch().empty() ||
                    regex->PrematchPattern().Search(subject) == RegexPattern::Result::kMatch) &&
                   regex->MatchPattern().Search(subject) == RegexPattern::Result::kMatch)
          << "ruled out " << regex->GetName() << " on \"" << subject << "\"";
    }
  }
  EXPECT_GT(skipped, 0u);
  EXPECT_GT(ruled_out, subjects.size() * regex_rules / 2);
}

}  // namespace
}  // namespace Qva
