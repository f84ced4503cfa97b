// Rule source for tests: the embedded rule files without the platform supplement.
#pragma once

#include <string>

#include "analyzer/LogAnalyzerRulesManager.h"
#include "analyzer/RuleResources.h"

namespace Qva::test {

inline RuleSource EmbeddedRulesOnly() {
  return [](int32_t id) {
    return id > LogAnalyzerRulesManager::kSupplementOffset ? std::string() : GetResource(id);
  };
}

}  // namespace Qva::test
