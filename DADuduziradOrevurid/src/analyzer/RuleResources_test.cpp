// The compiled-in rule texts: the eight rule files stay byte for byte as released; the platform
// supplement keeps to its id range and to the rule files' grammar.
#include "analyzer/RuleResources.h"

#include <gtest/gtest.h>

#include <boost/crc.hpp>
#include <fstream>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "analyzer/LogAnalyzer.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RegexPattern.h"

namespace Qva {
namespace {

// Size and CRC-32 of each embedded text, in resource order. A change here means the
// released rule files were edited: platform rules belong in res/AnalyzeRules/posix.
TEST(RuleResourcesTest, TheEightRuleFilesAreUnchanged) {
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
  EXPECT_THROW(GetResource(9), std::runtime_error);
  EXPECT_TRUE(GetPlatformSupplement(1).empty());
  EXPECT_TRUE(GetPlatformSupplement(4).empty());  // sqlplus and sqlldr need none
  EXPECT_TRUE(GetPlatformSupplement(9).empty());
}

std::vector<std::string> CapturedLines() {
  std::vector<std::string> lines;
  for (const char* name : {"posix-shells.txt", "psql-client-errors.txt", "postgresql-failures.txt",
                           "mariadb-failures.txt", "postgresql-linux.txt"}) {
    std::ifstream in(std::string(ML_SOURCE_DIR "/tests/e2e/captured/") + name);
    EXPECT_TRUE(in.good()) << name;
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
  }
  return lines;
}

// The supplement is written in the rule files' grammar: the engine and the standard library's
// ECMAScript expressions decide alike on every captured line, groups included. Its ids are
// those of its group's file plus 2000.
TEST(RuleResourcesTest, SupplementRulesInTheirRangeAndGrammar) {
  const std::vector<std::string> lines = CapturedLines();
  LogAnalyzer analyzer;
  analyzer.Init(false);
  int patterns = 0;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : analyzer.GetRulesManager()->GetGroupRules(group)) {
      const auto* regex = dynamic_cast<const RegexAnalyzeRule*>(rule.get());
      if (rule->GetId() < 2000 || regex == nullptr) continue;
      EXPECT_EQ(rule->GetId() / 100, 2000 / 100 + group + 1) << rule->GetName();
      for (const Qve::QVEstring& text : {regex->GetPrematch(), regex->GetMatch()}) {
        if (text.empty()) continue;
        SCOPED_TRACE(text);
        ++patterns;
        const std::regex standard(text, std::regex::ECMAScript);
        RegexPattern engine(text);
        int matched = 0;
        for (const std::string& line : lines) {
          std::smatch found;
          TextLines groups;
          const bool expected = std::regex_search(line, found, standard);
          ASSERT_EQ(engine.Search(line, groups) == RegexPattern::Result::kMatch, expected) << line;
          if (!expected) continue;
          ++matched;
          for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(groups[i], found[i].str()) << line;
        }
        EXPECT_GT(matched, 0);
      }
    }
  }
  EXPECT_EQ(patterns, 13);
}

}  // namespace
}  // namespace Qva
