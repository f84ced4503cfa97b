// The files a run writes are distinct, and can be written, before the script starts.
#pragma once

namespace Qva {

struct RunConfig;

// Checks the outputs that `config` names, before any of them is created: the trace
// file (-LOG), with -RPT in an analyzed run the HTML log and data.js, and the JUnit file
// (-JUNIT). Two of them are the same file when both exist and are one file (device and inode:
// links and "a/../a" count), or when neither exists and their absolute paths, normalised with
// the links of their existing part resolved, are equal. Throws QVException*:
//   -994 "resource unavailable: -A and -B name the same file: PATH" for the first such pair;
//   -998 "cannot create file: PATH" when the JUnit file's folder does not exist.
void CheckOutputFiles(const RunConfig& config);

}  // namespace Qva
