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

// The platform's supplement of rule resource `id` (2 to 8): rules in the same format for what
// this platform's shells and clients print, which the loader files under the same group right
// after that resource's own rules. On POSIX it is res/AnalyzeRules/posix/<the resource's file
// name> and every posix/<its name without ".xml">-*.xml (several files are wrapped in one
// Supplement element). Empty when that file has no supplement, and for any other number.
//
// Supplement rule ids: the file id is 2000 + the id of the file it supplements (cmd.xml 200 ->
// 2200, postgresql.xml 400 -> 2400, ...), so at equal priority a supplement rule comes after
// every rule of its group's own file.
std::string GetPlatformSupplement(int id);

}  // namespace Qva
