#include "analyzer/PrefilterAudit.h"

#include <memory>

#include "analyzer/LogTextStorage.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleKeywords.h"
#include "analyzer/RulePrefilter.h"

namespace Qva {
namespace {

bool Matches(RegexAnalyzeRule& rule, std::string_view line) {
  return rule.MatchPattern().Search(line) == RegexPattern::Result::kMatch;
}

}  // namespace

std::vector<PrefilterMiss> AuditPrefilter(const std::vector<std::string>& patterns,
                                          const std::vector<std::string>& texts) {
  auto rules = std::make_shared<RuleVector>();
  std::vector<RegexAnalyzeRule*> regex;
  for (const std::string& pattern : patterns) {
    auto rule = std::make_shared<RegexAnalyzeRule>(
        static_cast<int32_t>(rules->size()), "Audited", -1, RuleGroup::kCommon, RulePriority::kHigh,
        RuleBehavior::kNonStop, "", "", pattern, "", ActionFunction());
    if (!rule->MatchPattern().Compiles()) continue;
    regex.push_back(rule.get());
    rules->push_back(rule);
  }
  RulePrefilter prefilter;
  prefilter.Follow(rules);

  LogTextStorage storage;
  for (const std::string& text : texts) storage.AddText(text + "\n");
  std::vector<PrefilterMiss> misses;
  for (uint64_t index = 0; index < storage.GetLineCount(); ++index) {
    const std::string line(storage.PeekLine(index));
    auto text = [&line] { return std::string_view(line); };
    for (bool stored : {false, true}) {
      if (!stored || !prefilter.NewStoredLines(storage, index, 1)) prefilter.NewText();
      for (size_t at = 0; at < regex.size(); ++at) {
        if (!prefilter.MayMatch(at, text) && Matches(*regex[at], line)) {
          misses.push_back({regex[at]->GetMatch(), line});
        }
      }
    }
  }
  return misses;
}

}  // namespace Qva
