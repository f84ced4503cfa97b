#include <string_view>

#include "analyzer/RuleResources.h"

// Defined in the file that the build generates from res/AnalyzeRules/posix.
namespace Qva::posix_rule_data {
extern const std::size_t kCount;
extern const char* const kNames[];
extern const unsigned char* const kTexts[];
extern const std::size_t kLengths[];
}  // namespace Qva::posix_rule_data

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
