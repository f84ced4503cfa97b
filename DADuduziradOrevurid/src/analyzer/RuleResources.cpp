#include "analyzer/RuleResources.h"

#include <array>
#include <stdexcept>

// Defined in the file that the build generates from res/AnalyzeRules (cmake/EmbedRules.cmake).
namespace Qva::rule_data {
extern const char* const kNames[8];
extern const unsigned char* const kTexts[8];
extern const std::size_t kLengths[8];
}  // namespace Qva::rule_data

namespace Qva {

namespace {

constexpr int kResourceCount = 8;

std::array<RuleResource, kResourceCount> BuildTable() {
  std::array<RuleResource, kResourceCount> table{};
  for (int i = 0; i < kResourceCount; ++i) {
    table[i] = RuleResource{rule_data::kNames[i], rule_data::kLengths[i]};
  }
  return table;
}

}  // namespace

std::string GetResource(int id) {
  if (id < 1 || id > kResourceCount) {
    throw std::runtime_error("unknown resource id");
  }
  const auto* text = reinterpret_cast<const char*>(rule_data::kTexts[id - 1]);
  return std::string(text, rule_data::kLengths[id - 1]);
}

std::span<const RuleResource> GetResourceTable() {
  static const std::array<RuleResource, kResourceCount> table = BuildTable();
  return table;
}

}  // namespace Qva
