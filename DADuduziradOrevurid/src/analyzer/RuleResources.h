#pragma once

// The rule definition texts compiled into the program (res/AnalyzeRules, embedded at build time).
//
// Resource numbers: 1 groups.xml, 2 common.xml, 3 cmd.xml, 4 oracle.xml, 5 postgresql.xml,
// 6 mssql.xml, 7 mysql.xml, 8 singlestoredb.xml. The texts are UTF-8 and may hold any byte.

#include <cstddef>
#include <span>
#include <string>

namespace Qva {

// Returns a copy of the text of resource `id` (1 to 8).
// Throws std::runtime_error("unknown resource id") for any other number.
std::string GetResource(int id);

// Name ("res/AnalyzeRules/<file>") and byte length of one embedded text.
struct RuleResource {
  const char* name;
  std::size_t length;
};

// The eight resources in number order (element 0 is resource 1). Informational: the loader
// goes through GetResource only.
std::span<const RuleResource> GetResourceTable();

}  // namespace Qva
