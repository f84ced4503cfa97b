#include "analyzer/UserRuleLoader.h"

#include <algorithm>
#include <set>

#include "QVEBoundedRead.h"
#include "QVEString.h"
#include "analyzer/LogAnalyzerRulesManager.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleSamples.h"
#include "analyzer/XmlElementWalker.h"

namespace Qva {
namespace {

// A rule file holds rules written by hand; a device or an endless pipe must not be read to the
// end of memory.
constexpr uint64_t kMaxRuleFileSize = 16 * 1024 * 1024;

// A fault found while checking one file: where, and why.
struct Fault {
  long line = 0;
  std::string rule;  // "rule ID NAME", empty outside a rule
  std::string reason;
};

long LineOf(const xmlNode* node) { return node != nullptr ? xmlGetLineNo(node) : 0; }

bool IsNumber(const std::string& text) {
  size_t at = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  return at < text.size() && std::all_of(text.begin() + static_cast<long>(at), text.end(),
                                         [](char c) { return c >= '0' && c <= '9'; });
}

// Checks and loads the rules of one parsed file; counts into `verdict`.
class FileLoader {
 public:
  FileLoader(LogAnalyzerRulesManager& manager, std::set<int32_t>& ids, UserRuleFileVerdict& verdict)
      : manager_(manager), ids_(ids), verdict_(verdict) {}

  // The rules of `root`, in document order, up to the first fault.
  bool Load(xmlNode* root, Fault& fault) {
    if (xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("AnalyzeRules")) != 0) {
      fault = {LineOf(root),
               {},
               Qve::FormatText("root element is <%s>, not <AnalyzeRules>",
                               reinterpret_cast<const char*>(root->name))};
      return false;
    }
    const Qve::QVEstring group = XmlElementWalker::Attribute(root, "group");
    if (RuleGroup::Find(group) < 0) {
      fault = {LineOf(root), {}, Qve::FormatText("unknown group \"%s\"", group.c_str())};
      return false;
    }
    // Every definition first, up to the first fault; then the samples, in document order, with
    // the walk built once for the file. A sample fault before the definition fault comes first.
    std::vector<Defined> defined;
    Fault definition_fault;
    for (xmlNode* node = root->children; node != nullptr; node = node->next) {
      if (node->type != XML_ELEMENT_NODE) continue;
      if (!Define(node, defined, definition_fault)) break;
    }
    RuleVector rules;
    for (const Defined& each : defined) rules.push_back(each.rule);
    SampleWalk walk(manager_, RuleGroup::Find(group), rules);
    for (size_t i = 0; i < defined.size(); ++i) {
      fault = defined[i].where;
      fault.reason = CheckSamples(defined[i].element, walk, i, fault.line);
      if (!fault.reason.empty()) return false;
      manager_.AddRule(RuleGroup::Find(group), defined[i].rule);
      ids_.insert(defined[i].rule->GetId());
      ++verdict_.rules;
    }
    fault = definition_fault;
    return fault.reason.empty();
  }

 private:
  // A rule whose definition is sound, its samples not checked yet.
  struct Defined {
    xmlNode* element;
    std::shared_ptr<IAnalyzeRule> rule;
    Fault where;  // its line and "rule ID NAME"
  };

  // Builds the rule of `element` into `defined`; false with `fault` when its definition is
  // refused (or its id is taken by a loaded rule or an earlier one of the file).
  bool Define(xmlNode* element, std::vector<Defined>& defined, Fault& fault) {
    const std::string id_text = XmlElementWalker::Attribute(element, "id");
    fault = {LineOf(element), "rule " + (id_text.empty() ? std::string("-") : id_text), {}};
    const Qve::QVEstring name = XmlElementWalker::Attribute(element, "name");
    if (!name.empty()) fault.rule += " " + name;
    if (xmlStrcmp(element->name, reinterpret_cast<const xmlChar*>("AnalyzeRule")) != 0) {
      fault.rule.clear();
      fault.reason =
          Qve::FormatText("unexpected element <%s>", reinterpret_cast<const char*>(element->name));
      return false;
    }
    fault.reason = CheckDefinition(element, id_text);
    if (!fault.reason.empty()) return false;
    std::shared_ptr<IAnalyzeRule> rule = manager_.BuildRule(element);
    fault.reason = CheckPatterns(*rule);
    if (!fault.reason.empty()) return false;
    if (ids_.count(rule->GetId()) != 0 || !file_ids_.insert(rule->GetId()).second) {
      fault.reason = Qve::FormatText("id %d is already taken by a loaded rule", rule->GetId());
      return false;
    }
    defined.push_back({element, rule, fault});
    fault = {};
    return true;
  }

  // The reason the definition is refused, empty when it is sound.
  std::string CheckDefinition(xmlNode* element, const std::string& id_text) const {
    if (!IsNumber(id_text)) return id_text.empty() ? "no id" : "id is not a number";
    const Qve::QVEstring type = XmlElementWalker::Attribute(element, "type");
    const Qve::QVEstring priority = XmlElementWalker::Attribute(element, "priority");
    const Qve::QVEstring behavior = XmlElementWalker::Attribute(element, "behavior");
    if (RuleType::Find(type) < 0) return Qve::FormatText("unknown type \"%s\"", type.c_str());
    if (RulePriority::Find(priority) < 0) {
      return Qve::FormatText("unknown priority \"%s\"", priority.c_str());
    }
    if (RuleBehavior::Find(behavior) < 0) {
      return Qve::FormatText("unknown behavior \"%s\"", behavior.c_str());
    }
    std::vector<Qve::QVEstring> names = LogAnalyzerRulesManager::ActionNamesOf(element);
    if (RuleType::Find(type) == RuleType::kCustom) names.push_back(Text(element, "Check"));
    for (const Qve::QVEstring& name : names) {
      if (!IsAction(name)) return Qve::FormatText("unknown action \"%s\"", name.c_str());
    }
    return {};
  }

  // The reason a pattern of the built `rule` is refused, empty when both compile. The rule's
  // own patterns are compiled, once, as its samples and the run need them.
  static std::string CheckPatterns(IAnalyzeRule& rule) {
    auto* regex = dynamic_cast<RegexAnalyzeRule*>(&rule);
    if (regex == nullptr) return {};
    const std::pair<const char*, RegexPattern*> parts[] = {{"Prematch", &regex->PrematchPattern()},
                                                           {"Match", &regex->MatchPattern()}};
    for (const auto& [part, pattern] : parts) {
      if (pattern->Compiles()) continue;
      try {
        pattern->Search("");
      } catch (const std::runtime_error& error) {
        return Qve::FormatText("%s does not compile: %s", part, error.what());
      }
    }
    return {};
  }

  // The reason a Sample of defined rule `index` fails, empty when all hold.
  std::string CheckSamples(xmlNode* element, SampleWalk& walk, size_t index, long& line) {
    const IAnalyzeRule* rule = walk.Rule(index);
    for (xmlNode* node = element->children; node != nullptr; node = node->next) {
      if (node->type != XML_ELEMENT_NODE ||
          xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("Sample")) != 0) {
        continue;
      }
      line = LineOf(node);
      bool has_match = false;
      const Qve::QVEstring match = XmlElementWalker::Attribute(node, "match", &has_match);
      if (has_match && match != "yes" && match != "no") {
        return Qve::FormatText("Sample match=\"%s\": must be \"yes\" or \"no\"", match.c_str());
      }
      // As the storage keeps a line: without trailing carriage returns and blanks.
      Qve::QVEstring text = XmlElementWalker::ElementText(node);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
      const IAnalyzeRule* taker = walk.Taker(index, text + "\n");
      ++verdict_.samples;
      if (match == "no" && taker == rule) {
        return Qve::FormatText("Sample \"%s\" (match=\"no\") is taken by the rule", text.c_str());
      }
      if (match != "no" && taker == nullptr) {
        return Qve::FormatText("Sample \"%s\" is not matched by the rule", text.c_str());
      }
      if (match != "no" && taker != rule) {
        return Qve::FormatText("Sample \"%s\" is taken first by %s", text.c_str(),
                               DescribeRule(*taker).c_str());
      }
    }
    line = LineOf(element);
    return {};
  }

  bool IsAction(const Qve::QVEstring& name) const {
    const auto& actions = manager_.GetActionManager();
    return actions && actions->GetAction(name);
  }

  static Qve::QVEstring Text(xmlNode* element, const char* name) {
    const xmlNode* child = XmlElementWalker::FindElement(element, name);
    return child != nullptr ? XmlElementWalker::ElementText(child) : Qve::QVEstring();
  }

  LogAnalyzerRulesManager& manager_;
  std::set<int32_t>& ids_;
  std::set<int32_t> file_ids_;  // of the file's defined rules, not loaded yet
  UserRuleFileVerdict& verdict_;
};

// Loads one file; its fault text, empty when it loaded.
std::string LoadFile(LogAnalyzerRulesManager& manager, std::set<int32_t>& ids,
                     UserRuleFileVerdict& verdict) {
  const std::string& path = verdict.path;
  std::string text;
  const Qve::QVBoundedCheck check = Qve::ReadBoundedFile(path, kMaxRuleFileSize, text);
  if (check != Qve::QVBoundedCheck::kRegular) {
    return Qve::DescribeBoundedRefusal(path, check, kMaxRuleFileSize);
  }
  XmlElementWalker walker;
  Qve::QVEstring error;
  int line = 0;
  if (!walker.ParseQuietly(text.data(), text.size(), error, line)) {
    return Qve::FormatText("%s:%d: not well-formed XML: %s", path.c_str(), line, error.c_str());
  }
  xmlNode* root = xmlDocGetRootElement(walker.GetDocument());
  if (root == nullptr) return path + ": no root element";
  Fault fault;
  FileLoader loader(manager, ids, verdict);
  if (loader.Load(root, fault)) return {};
  std::string where = Qve::FormatText("%s:%ld: ", path.c_str(), fault.line);
  if (!fault.rule.empty()) where += fault.rule + ": ";
  return where + fault.reason;
}

}  // namespace

std::vector<UserRuleFileVerdict> LoadUserRuleFiles(LogAnalyzerRulesManager& manager,
                                                   const std::vector<std::string>& paths,
                                                   bool keep_going) {
  std::set<int32_t> ids;
  for (int32_t group = 0; group < RuleGroup::kCount; ++group) {
    for (const auto& rule : manager.GetGroupRules(group)) ids.insert(rule->GetId());
  }
  std::vector<UserRuleFileVerdict> verdicts;
  for (const std::string& path : paths) {
    verdicts.push_back(UserRuleFileVerdict{path, 0, 0, {}});
    verdicts.back().fault = LoadFile(manager, ids, verdicts.back());
    if (!verdicts.back().fault.empty() && !keep_going) throw UserRuleFault(verdicts.back().fault);
  }
  return verdicts;
}

std::vector<UserRuleFileVerdict> CheckUserRuleFiles(std::shared_ptr<IAnalyzeActionManager> actions,
                                                    const std::vector<std::string>& paths,
                                                    bool keep_going) {
  LogAnalyzerRulesManager manager(nullptr, std::move(actions));
  manager.SetUserRuleFiles(paths, keep_going);
  manager.Init(false);
  return manager.GetUserRuleVerdicts();
}

}  // namespace Qva
