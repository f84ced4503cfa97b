// Writes a realistic import log of an Oracle target, reproducibly from a seed.
#pragma once

#include <cstdint>
#include <string>

namespace Qva::bench {

// About 70% plain tool output (sqlplus and sqlldr chatter), 10% object announcements, 10%
// ORA- and SQL*Loader errors (one in four a 4-line form), 10% command-echo and tool launch
// lines, in the shape a Windows import script prints them. The log begins with the line that
// names Oracle as the target, so the ORACLE rules become active. Lines end in "\r\n".
// `lines` counts output lines (a 4-line error counts 4). Same seed, same text.
std::string GenerateImportLog(uint64_t lines, uint32_t seed);

// The same Oracle client output over `objects` objects, each announced once by a name of its
// own and followed by its share of `lines` (plain tool output; every tenth object fails with one
// ORA- error), so that a long log names a fixed number of objects and distinct errors.
std::string GenerateObjectsLog(uint64_t objects, uint64_t lines, uint32_t seed);

// A long log made of real captured client output (for example
// tests/e2e/captured/postgresql-failures.txt): the captured first line (the one that names the
// target) once, then the lines between the first and the last repeated until `lines` lines are
// written, then the captured last line (the end of the top-level script). Lines end in "\n" as
// the Linux clients print them.
std::string ReplayCapturedLog(const std::string& captured, uint64_t lines);

}  // namespace Qva::bench
