#include <string_view>

#include "Qva_posix_rule_data.h"  // generated from the embedded files
#include "analyzer/RuleResources.h"

namespace Qva {

std::string GetPlatformSupplement(int id) {
  const std::span<const RuleResource> table = GetResourceTable();
  if (id < 2 || id > static_cast<int>(table.size())) return {};
  // "res/AnalyzeRules/cmd.xml" is supplemented by "res/AnalyzeRules/posix/cmd.xml" and by any
  // "res/AnalyzeRules/posix/cmd-*.xml" (a generated part, for instance).
  const std::string_view name = table[id - 1].name;
  const std::string folder = std::string(name.substr(0, name.rfind('/') + 1)) + "posix/";
  const std::string_view file = name.substr(name.rfind('/') + 1);
  const std::string whole = folder + std::string(file);
  const std::string part = folder + std::string(file.substr(0, file.rfind('.'))) + "-";
  std::string texts;
  std::size_t found = 0;
  for (std::size_t i = 0; i < posix_rule_data::kCount; ++i) {
    const std::string_view embedded = posix_rule_data::kNames[i];
    if (embedded == whole || (embedded.starts_with(part) && embedded.ends_with(".xml"))) {
      texts.append(reinterpret_cast<const char*>(posix_rule_data::kTexts[i]),
                   posix_rule_data::kLengths[i]);
      ++found;
    }
  }
  // Several files become one document: each keeps its AnalyzeRules element, which gives its
  // rules their ids and group.
  return found > 1 ? "<Supplement>" + texts + "</Supplement>" : texts;
}

}  // namespace Qva
