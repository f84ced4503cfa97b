#include "analyzer/LogAnalyzerRulesManager.h"

#include <cstdlib>
#include <exception>
#include <vector>

#include "QVETrace.h"
#include "analyzer/CustomAnalyzeRule.h"
#include "analyzer/RegexAnalyzeRule.h"
#include "analyzer/RuleResources.h"
#include "analyzer/XmlElementWalker.h"

namespace Qva {
namespace {

constexpr const char* kManagerSource = "LogAnalyzer rules manager";
constexpr const char* kLoadSource = "Analyze rules load";
constexpr int32_t kGroupsResource = 1;

Qve::QVTracer& Tracer() { return Qve::QVTracer::Instance(); }

// Nearest AnalyzeRules element: the element itself or one of its ancestors.
const xmlNode* EnclosingRuleFile(const xmlNode* node) {
  for (; node != nullptr && node->type == XML_ELEMENT_NODE; node = node->parent) {
    if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("AnalyzeRules")) == 0) return node;
  }
  return nullptr;
}

Qve::QVEstring ChildText(xmlNode* rule, const char* name) {
  const xmlNode* element = XmlElementWalker::FindElement(rule, name);
  return element != nullptr ? XmlElementWalker::ElementText(element) : Qve::QVEstring();
}

// The first Action element (depth-first) and its following sibling Action elements.
std::vector<Qve::QVEstring> ActionNames(xmlNode* rule) {
  std::vector<Qve::QVEstring> names;
  for (xmlNode* node = XmlElementWalker::FindElement(rule, "Action"); node != nullptr;
       node = node->next) {
    if (node->type == XML_ELEMENT_NODE &&
        xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>("Action")) == 0) {
      names.push_back(XmlElementWalker::ElementText(node));
    }
  }
  return names;
}

// Builds the rule of one AnalyzeRule element and files it under its group.
void LoadRule(LogAnalyzerRulesManager& manager, xmlNode* element) {
  int32_t group = -1;
  std::shared_ptr<IAnalyzeRule> rule = manager.BuildRule(element, &group);
  if (!rule) return;
  manager.AddRule(group, rule);
  Tracer().Debug(kLoadSource, "Added rule %s", rule->NameText().c_str());
}

}  // namespace

std::vector<Qve::QVEstring> LogAnalyzerRulesManager::ActionNamesOf(xmlNode* element) {
  return ActionNames(element);
}

std::shared_ptr<IAnalyzeRule> LogAnalyzerRulesManager::BuildRule(xmlNode* element,
                                                                 int32_t* group_out) {
  const auto bind = [this](const Qve::QVEstring& action) {
    return actions_ ? actions_->GetAction(action) : ActionFunction();
  };
  int32_t file_id = 0;
  int32_t group = -1;
  if (const xmlNode* file = EnclosingRuleFile(element)) {
    file_id = std::atoi(XmlElementWalker::Attribute(file, "id").c_str());
    group = RuleGroup::Find(XmlElementWalker::Attribute(file, "group"));
  }
  bool has_id = false;
  const Qve::QVEstring local_id = XmlElementWalker::Attribute(element, "id", &has_id);
  const int32_t id = has_id ? file_id + std::atoi(local_id.c_str()) : -1;
  bool has_name = false;
  Qve::QVEstring name = XmlElementWalker::Attribute(element, "name", &has_name);
  if (!has_name) name = "---";
  const int32_t type = RuleType::Find(XmlElementWalker::Attribute(element, "type"));
  const int32_t priority = RulePriority::Find(XmlElementWalker::Attribute(element, "priority"));
  const int32_t behavior = RuleBehavior::Find(XmlElementWalker::Attribute(element, "behavior"));
  const Qve::QVEstring describe = ChildText(element, "Describe");
  const Qve::QVEstring output = ChildText(element, "Output");
  const int32_t kind = RuleKind::Find(ChildText(element, "Type"));
  const std::vector<Qve::QVEstring> action_names = ActionNames(element);

  std::shared_ptr<IAnalyzeRule> rule;
  if (type == RuleType::kCustom) {
    const Qve::QVEstring check_name = ChildText(element, "Check");
    auto custom = std::make_shared<CustomAnalyzeRule>(id, name, group, priority, behavior, describe,
                                                      output, bind(check_name), ActionFunction());
    custom->SetCheckName(check_name);
    rule = custom;
  } else if (type == RuleType::kRegex) {
    auto regex = std::make_shared<RegexAnalyzeRule>(
        id, name, kind, group, priority, behavior, describe, ChildText(element, "Prematch"),
        ChildText(element, "Match"), output, ActionFunction());
    rule = regex;
  } else {
    return nullptr;
  }
  for (const Qve::QVEstring& action : action_names) {
    rule->AddNamedAction(action, bind(action));
  }
  if (group_out != nullptr) *group_out = group;
  return rule;
}

namespace {

// Builds the rules of one rule file text; false (traced) when it does not parse.
bool LoadRuleFile(LogAnalyzerRulesManager& manager, const std::string& text) {
  XmlElementWalker walker;
  if (!walker.Parse(text.data(), text.size())) {
    Tracer().Debug(kManagerSource, "Error parse rules xml file");
    return false;
  }
  walker.AddHandler(
      "AnalyzeRule", [&manager](xmlNode* element, void*) { LoadRule(manager, element); }, nullptr);
  walker.Walk();
  walker.Release();
  return true;
}

// Loads the rule file of one Group element of the groups list, and its platform supplement,
// into `manager`.
void LoadGroup(LogAnalyzerRulesManager& manager, const RuleSource& source, xmlNode* group) {
  bool has_id = false;
  const Qve::QVEstring id = XmlElementWalker::Attribute(group, "id", &has_id);
  const int32_t resource =
      has_id ? LogAnalyzerRulesManager::ResourceOfGroupId(std::atoi(id.c_str())) : 0;
  if (resource == 0) {
    Tracer().Debug(kLoadSource, "Can't load rules group id = %s", id.c_str());
    return;
  }
  if (!LoadRuleFile(manager, source(resource))) return;
  // Platform rules come after the group's own: at equal priority the file's rules are tried first.
  std::string supplement;
  try {
    supplement = source(LogAnalyzerRulesManager::kSupplementOffset + resource);
  } catch (const std::exception&) {
    // A source that rewrites only the eight rule files keeps the platform's own rules.
    supplement = GetPlatformSupplement(resource);
  }
  if (!supplement.empty()) LoadRuleFile(manager, supplement);
}

}  // namespace

LogAnalyzerRulesManager::LogAnalyzerRulesManager(LogAnalyzer* analyzer,
                                                 std::shared_ptr<IAnalyzeActionManager> actions,
                                                 RuleSource source)
    : analyzer_(analyzer), actions_(std::move(actions)), source_(std::move(source)) {
  if (!source_) {
    source_ = [](int32_t id) {
      return id > kSupplementOffset ? GetPlatformSupplement(id - kSupplementOffset)
                                    : GetResource(id);
    };
  }
}

LogAnalyzerRulesManager::~LogAnalyzerRulesManager() {
  // The rules hold callables bound to the action manager: drop them first.
  ClearRules();
}

int32_t LogAnalyzerRulesManager::ResourceOfGroupId(int32_t group_id) {
  switch (group_id) {
    case 100:
      return 2;
    case 200:
      return 3;
    case 300:
      return 4;
    case 400:
      return 5;
    case 500:
      return 6;
    case 600:
      return 7;
    case 700:
      return 8;
    default:
      return 0;
  }
}

void LogAnalyzerRulesManager::Init(bool /*report*/) {
  if (actions_) actions_->Init();

  const std::string groups = source_(kGroupsResource);
  XmlElementWalker walker;
  if (walker.Parse(groups.data(), groups.size())) {
    walker.AddHandler(
        "Group", [this](xmlNode* element, void*) { LoadGroup(*this, source_, element); }, nullptr);
    walker.Walk();
  } else {
    Tracer().Debug(kManagerSource, "Error read groups xml file");
  }
  if (!user_files_.empty()) verdicts_ = LoadUserRuleFiles(*this, user_files_, keep_going_);
  ActivateGroup(RuleGroup::kCommon);
  ActivateGroup(RuleGroup::kCmd);
}

void LogAnalyzerRulesManager::SetUserRuleFiles(std::vector<std::string> paths, bool keep_going) {
  user_files_ = std::move(paths);
  keep_going_ = keep_going;
}

}  // namespace Qva
