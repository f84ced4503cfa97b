#include "analyzer/ExpectedErrors.h"

namespace Qva {

bool IsExpectedErrorLine(const TextLines& lines) {
  if (lines.empty()) return false;
  const std::string_view line = lines.front();
  if (line.find("create_lang.sql") != std::string_view::npos) return true;
  return line.find("create_extension_postgis.sql") != std::string_view::npos &&
         line.find("create_extension_pgcrypto.sql") != std::string_view::npos;
}

bool IsExpectedErrorScript(std::string_view script_name) {
  return script_name.find("create_lang.bat") != std::string_view::npos;
}

}  // namespace Qva
