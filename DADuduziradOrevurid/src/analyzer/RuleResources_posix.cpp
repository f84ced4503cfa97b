#include <string_view>

#include "Qva_posix_rule_data.h"  // generated from the embedded files
#include "analyzer/RuleResources.h"

namespace Qva {

std::string GetPlatformSupplement(int id) {
  const std::span<const RuleResource> table = GetResourceTable();
  if (id < 2 || id > static_cast<int>(table.size())) return {};
  // "res/AnalyzeRules/cmd.xml" is supplemented by "res/AnalyzeRules/posix/cmd.xml".
  const std::string_view name = table[id - 1].name;
  const std::string wanted = std::string(name.substr(0, name.rfind('/') + 1)) + "posix/" +
                             std::string(name.substr(name.rfind('/') + 1));
  for (std::size_t i = 0; i < posix_rule_data::kCount; ++i) {
    if (wanted == posix_rule_data::kNames[i]) {
      return std::string(reinterpret_cast<const char*>(posix_rule_data::kTexts[i]),
                         posix_rule_data::kLengths[i]);
    }
  }
  return {};
}

}  // namespace Qva
