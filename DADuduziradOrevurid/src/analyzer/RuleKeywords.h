// Keyword tables of the rule definitions. A keyword's value is its index in its table; lookup
// is exact and case-sensitive and gives -1 for a text that is not in the table.
#pragma once

#include <cstdint>
#include <string_view>

namespace Qva {

constexpr int32_t kNoKeyword = -1;

namespace RuleType {
enum : int32_t { kRegex = 0, kCustom = 1, kCount = 2 };
int32_t Find(std::string_view text);  // "REGEX", "CUSTOM"
const char* Keyword(int32_t value);   // nullptr outside the table
}  // namespace RuleType

// A smaller value is tried earlier.
namespace RulePriority {
enum : int32_t { kVeryHigh = 0, kHigh = 1, kMid = 2, kLow = 3, kVeryLow = 4, kCount = 5 };
int32_t Find(std::string_view text);  // "VERYHIGH", "HIGH", "MID", "LOW", "VERYLOW"
const char* Keyword(int32_t value);
}  // namespace RulePriority

// What the analyzer's rule walk does after a rule has matched (see LogAnalyzer.h).
namespace RuleBehavior {
enum : int32_t {
  kHardStop = 0,
  kSoftStop = 1,
  kNonStop = 2,
  kSoftReturn = 3,
  kHardReturn = 4,
  kCount = 5
};
int32_t Find(std::string_view text);  // "HARDSTOP", "SOFTSTOP", "NONSTOP", "SOFTRETURN", ...
const char* Keyword(int32_t value);
}  // namespace RuleBehavior

// Rule groups: one rule list each in the rules manager.
namespace RuleGroup {
enum : int32_t {
  kCommon = 0,
  kCmd = 1,
  kOracle = 2,
  kPostgreSql = 3,
  kMsSql = 4,  // "MICROSOFT SQL SERVER"
  kMySql = 5,
  kSingleStoreDb = 6,
  kCount = 7
};
int32_t Find(std::string_view text);
const char* Keyword(int32_t value);
}  // namespace RuleGroup

// Text of a regex rule's Type element. Only "Error" is known; "Warning" gives -1.
namespace RuleKind {
enum : int32_t { kError = 0, kCount = 1 };
int32_t Find(std::string_view text);
const char* Keyword(int32_t value);
}  // namespace RuleKind

}  // namespace Qva
