#include "records/ImportRecords.h"

#include <array>
#include <string_view>

namespace Qva {

namespace {

// Indexed by type code; 0 and 12 have no word.
constexpr std::array<std::string_view, kObjectTypeLast + 1> kTypeWords = {
    "",         "Table",           "DataType", "View",    "Synonym",   "UserAccount",
    "Sequence", "StoredProcedure", "Function", "Trigger", "Package",   "Rule",
    "",         "UserDefinedType", "Script",   "Macro",   "Exception", "Event",
};

}  // namespace

uint32_t ImportObjectTypeFromWord(const Qve::QVEstring& word) {
  if (word.empty()) return kObjectUnknown;
  for (uint32_t code = 1; code <= kObjectTypeLast; ++code) {
    if (kTypeWords[code] == word) return code;
  }
  return kObjectUnknown;
}

const char* ImportObjectTypeName(uint32_t code) {
  if (code > kObjectTypeLast || kTypeWords[code].empty()) return "unknown";
  return kTypeWords[code].data();
}

}  // namespace Qva
