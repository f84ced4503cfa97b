// Errors that are part of a normal import. PostgreSQL's language and extension creation scripts
// report errors that are expected (a language or an extension that already exists, for
// example): they do not count as errors of the import.
#pragma once

#include <string_view>

#include "analyzer/ActionFunction.h"

namespace Qva {

// Whether a match of an error rule on `lines` is expected, so the analyzer's error count is not
// raised: the first line names "create_lang.sql", or both "create_extension_postgis.sql" and
// "create_extension_pgcrypto.sql".
bool IsExpectedErrorLine(const TextLines& lines);

// Whether psql errors are expected while the script with this displayed name runs, so they are
// not reported at all: the name contains "create_lang.bat".
bool IsExpectedErrorScript(std::string_view script_name);

}  // namespace Qva
