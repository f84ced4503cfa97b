#include "analyzer/RuleResources.h"

#include <array>
#include <stdexcept>

#include "Qva_rule_data.h"  // generated from the embedded files

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
