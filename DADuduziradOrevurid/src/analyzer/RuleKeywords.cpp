#include "analyzer/RuleKeywords.h"

#include <array>
#include <cstddef>

namespace Qva {
namespace {

template <size_t N>
int32_t FindIn(const std::array<const char*, N>& table, std::string_view text) {
  for (size_t i = 0; i < N; ++i) {
    if (text == table[i]) return static_cast<int32_t>(i);
  }
  return kNoKeyword;
}

template <size_t N>
const char* KeywordIn(const std::array<const char*, N>& table, int32_t value) {
  if (value < 0 || static_cast<size_t>(value) >= N) return nullptr;
  return table[value];
}

constexpr std::array<const char*, RuleType::kCount> kTypes = {"REGEX", "CUSTOM"};
constexpr std::array<const char*, RulePriority::kCount> kPriorities = {"VERYHIGH", "HIGH", "MID",
                                                                       "LOW", "VERYLOW"};
constexpr std::array<const char*, RuleBehavior::kCount> kBehaviors = {
    "HARDSTOP", "SOFTSTOP", "NONSTOP", "SOFTRETURN", "HARDRETURN"};
constexpr std::array<const char*, RuleGroup::kCount> kGroups = {
    "COMMON", "CMD", "ORACLE", "POSTGRESQL", "MICROSOFT SQL SERVER", "MYSQL", "SINGLESTOREDB"};
constexpr std::array<const char*, RuleKind::kCount> kKinds = {"Error"};

}  // namespace

int32_t RuleType::Find(std::string_view text) { return FindIn(kTypes, text); }
const char* RuleType::Keyword(int32_t value) { return KeywordIn(kTypes, value); }
int32_t RulePriority::Find(std::string_view text) { return FindIn(kPriorities, text); }
const char* RulePriority::Keyword(int32_t value) { return KeywordIn(kPriorities, value); }
int32_t RuleBehavior::Find(std::string_view text) { return FindIn(kBehaviors, text); }
const char* RuleBehavior::Keyword(int32_t value) { return KeywordIn(kBehaviors, value); }
int32_t RuleGroup::Find(std::string_view text) { return FindIn(kGroups, text); }
const char* RuleGroup::Keyword(int32_t value) { return KeywordIn(kGroups, value); }
int32_t RuleKind::Find(std::string_view text) { return FindIn(kKinds, text); }
const char* RuleKind::Keyword(int32_t value) { return KeywordIn(kKinds, value); }

}  // namespace Qva
