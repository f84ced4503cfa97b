// A rule decided by regular expressions: an optional prematch filter, then the match pattern.
#pragma once

#include <string_view>

#include "analyzer/IAnalyzeRule.h"
#include "analyzer/RegexPattern.h"

namespace Qva {

class IAnalyzer;

// Appends the six run values that the end-of-script rules hand to their actions after their
// groups: the options "import_ver_info", "import_db", "import_host", "export_path" of the
// analyzer's options store, its command, its option "report_dir". The options are read into one
// text, so an unset option (or an analyzer without options) repeats the value read before it.
void AppendRunValues(IAnalyzer& analyzer, TextLines& groups);

class RegexAnalyzeRule : public IAnalyzeRule {
 public:
  // `first_action` is added only when it is not empty.
  RegexAnalyzeRule(int32_t id, const Qve::QVEstring& name, int32_t kind, int32_t group,
                   int32_t priority, int32_t behavior, const Qve::QVEstring& describe,
                   const Qve::QVEstring& prematch, const Qve::QVEstring& match,
                   const Qve::QVEstring& output, const ActionFunction& first_action);
  ~RegexAnalyzeRule() override;

  // Joins `lines` (no separators), tests the prematch (when not empty) and searches the match
  // pattern. On a match: appends the groups, then, for the rules named "EndScript" and
  // "FinishShellScript", the six run values of `analyzer` (AppendRunValues; none when null); runs
  // the actions; returns 1. Patterns are compiled on the first try and kept. A bad pattern throws
  // std::runtime_error on every try. A search that exceeds the PCRE2 limits counts as no match
  // and is traced once per rule at Warning level.
  int32_t Analyze(IAnalyzer* analyzer, const TextLines& lines, TextLines& groups) override;
  // Analyze with `text`, the joined `lines`, already at hand (the analyzer's walk joins them
  // once for all rules).
  int32_t AnalyzeText(IAnalyzer* analyzer, std::string_view text, const TextLines& lines,
                      TextLines& groups);
  int32_t GetType() const override;  // 0
  void SetName(const Qve::QVEstring& name) override;
  int32_t GetKind() const override;
  int32_t RunActions(void* context, const TextLines& lines, TextLines& groups) override;

  virtual Qve::QVEstring GetPrematch() const;
  virtual void SetPrematch(const Qve::QVEstring& prematch);
  virtual Qve::QVEstring GetMatch() const;
  virtual void SetMatch(const Qve::QVEstring& match);

  // The compiled patterns, for the analyzer's prefilter.
  RegexPattern& PrematchPattern() { return prematch_; }
  RegexPattern& MatchPattern() { return match_; }
  // Changes whenever the prematch or match of any regex rule in the process changes, so that
  // what was derived from the patterns can tell it is stale.
  static uint64_t PatternGeneration();

 private:
  bool Found(RegexPattern::Result result);
  // Prematch (when set), then match with its groups appended.
  bool Search(std::string_view text, TextLines& groups);
  // The rest of a match: the run values of the end-of-script rules, the actions; returns 1.
  int32_t Matched(IAnalyzer* analyzer, const TextLines& lines, TextLines& groups);

  RegexPattern prematch_;
  RegexPattern match_;
  int32_t kind_;
  bool limit_traced_ = false;
  bool ends_script_ = false;  // named "EndScript" or "FinishShellScript"
};

}  // namespace Qva
