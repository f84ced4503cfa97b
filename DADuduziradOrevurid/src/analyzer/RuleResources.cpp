#include "analyzer/RuleResources.h"

#include <array>
#include <stdexcept>

// Defined in the file that the build generates from res/AnalyzeRules (cmake/EmbedFiles.cmake).
namespace Qva::rule_data {
extern const std::size_t kCount;
extern const char* const kNames[];
extern const unsigned char* const kTexts[];
extern const std::size_t kLengths[];
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
