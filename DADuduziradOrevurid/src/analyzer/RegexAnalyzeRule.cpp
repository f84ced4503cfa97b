#include "analyzer/RegexAnalyzeRule.h"

#include <atomic>

#include "QVEOptions.h"
#include "QVETrace.h"
#include "analyzer/IAnalyzer.h"
#include "analyzer/RuleKeywords.h"

namespace Qva {
namespace {

// Joined text of a multi-line try. One buffer per thread, released when a long chunk has made
// it large, so a rule walk allocates nothing for the usual short chunks.
class JoinBuffer {
 public:
  std::string_view Join(const TextLines& lines) {
    text_.clear();
    for (const Qve::QVEstring& line : lines) text_ += line;
    return text_;
  }
  void Trim() {
    if (text_.capacity() > kKeep) Qve::QVEstring().swap(text_);
  }

 private:
  static constexpr size_t kKeep = 64 * 1024;
  Qve::QVEstring text_;
};

std::atomic<uint64_t> pattern_generation{0};

bool EndsScript(const Qve::QVEstring& name) {
  return name == "EndScript" || name == "FinishShellScript";
}

JoinBuffer& ThreadJoinBuffer() {
  thread_local JoinBuffer buffer;
  return buffer;
}

}  // namespace

RegexAnalyzeRule::RegexAnalyzeRule(int32_t id, const Qve::QVEstring& name, int32_t kind,
                                   int32_t group, int32_t priority, int32_t behavior,
                                   const Qve::QVEstring& describe, const Qve::QVEstring& prematch,
                                   const Qve::QVEstring& match, const Qve::QVEstring& output,
                                   const ActionFunction& first_action)
    : IAnalyzeRule(id, name, group, priority, behavior, describe, output),
      prematch_(prematch),
      match_(match),
      kind_(kind),
      ends_script_(EndsScript(name)) {
  if (first_action) AddAction(first_action);
}

void AppendRunValues(IAnalyzer& analyzer, TextLines& groups) {
  static const char* const kOptionsBeforeCommand[] = {"import_ver_info", "import_db", "import_host",
                                                      "export_path"};
  // The analyzer is also its options store.
  const auto* options = dynamic_cast<const Qve::QVOptions*>(&analyzer);
  Qve::QVEstring value;
  for (const char* key : kOptionsBeforeCommand) {
    if (options != nullptr) options->GetOption(Qve::kQVOptCString, key, &value);
    groups.push_back(value);
  }
  groups.push_back(analyzer.GetCommand());
  if (options != nullptr) options->GetOption(Qve::kQVOptCString, "report_dir", &value);
  groups.push_back(value);
}

RegexAnalyzeRule::~RegexAnalyzeRule() = default;

int32_t RegexAnalyzeRule::GetType() const { return RuleType::kRegex; }
int32_t RegexAnalyzeRule::GetKind() const { return kind_; }
Qve::QVEstring RegexAnalyzeRule::GetPrematch() const { return prematch_.GetPattern(); }
void RegexAnalyzeRule::SetPrematch(const Qve::QVEstring& prematch) {
  prematch_.SetPattern(prematch);
  ++pattern_generation;
}
Qve::QVEstring RegexAnalyzeRule::GetMatch() const { return match_.GetPattern(); }
void RegexAnalyzeRule::SetMatch(const Qve::QVEstring& match) {
  match_.SetPattern(match);
  ++pattern_generation;
}
void RegexAnalyzeRule::SetName(const Qve::QVEstring& name) {
  IAnalyzeRule::SetName(name);
  ends_script_ = EndsScript(name);
}
uint64_t RegexAnalyzeRule::PatternGeneration() { return pattern_generation.load(); }

int32_t RegexAnalyzeRule::RunActions(void* context, const TextLines& lines, TextLines& groups) {
  return IAnalyzeRule::RunActions(context, lines, groups);
}

bool RegexAnalyzeRule::Found(RegexPattern::Result result) {
  if (result == RegexPattern::Result::kLimit && !limit_traced_) {
    limit_traced_ = true;
    Qve::QVTracer::Instance().Trace(Qve::kQVTraceWarning, "Analyze rule",
                                    "Rule %s: a search exceeded the regular expression limits "
                                    "and counts as no match",
                                    GetName().c_str());
  }
  return result == RegexPattern::Result::kMatch;
}

bool RegexAnalyzeRule::Search(std::string_view text, TextLines& groups) {
  if (!prematch_.GetPattern().empty() && !Found(prematch_.Search(text))) return false;
  return Found(match_.Search(text, groups));
}

int32_t RegexAnalyzeRule::Analyze(IAnalyzer* analyzer, const TextLines& lines, TextLines& groups) {
  // A one-line try (the common case) searches the line itself.
  if (lines.size() == 1) return AnalyzeText(analyzer, lines.front(), lines, groups);
  JoinBuffer& buffer = ThreadJoinBuffer();
  const bool found = Search(buffer.Join(lines), groups);
  buffer.Trim();  // before the actions, which may analyze again on this thread
  return found ? Matched(analyzer, lines, groups) : 0;
}

int32_t RegexAnalyzeRule::AnalyzeText(IAnalyzer* analyzer, std::string_view text,
                                      const TextLines& lines, TextLines& groups) {
  return Search(text, groups) ? Matched(analyzer, lines, groups) : 0;
}

int32_t RegexAnalyzeRule::Matched(IAnalyzer* analyzer, const TextLines& lines, TextLines& groups) {
  if (ends_script_ && analyzer != nullptr) AppendRunValues(*analyzer, groups);
  // Actions read the context back as IAnalyzeRule*: hand over exactly that pointer.
  RunActions(static_cast<IAnalyzeRule*>(this), lines, groups);
  return 1;
}

}  // namespace Qva
