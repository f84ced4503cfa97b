// Names, version and the fixed texts the program shows about itself.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qva {

// Build constants of the version suffix.
inline constexpr int32_t kVersionMajor = 10;
inline constexpr int32_t kVersionMinor = 93;
inline constexpr int32_t kVersionBuild = 8143;
inline constexpr int32_t kVersionRevision = 0;

// Second part of the start-up banner. It begins with a line feed so that its two lines become
// the banner's second and third lines.
inline constexpr const char* kProductText =
    "\nMovarin Database Migration Toolkit - import step"
    "\nCopyright (C) Movarin developers. All rights reserved.";

// " 10.93 Build 8143 Revision 0": major, minor and build in fields of width 2 filled with '0'
// (the build overflows its field), the revision without a field width.
Qve::QVEstring GetVersionSuffix();
// "MigrationLauncher" + version suffix.
Qve::QVEstring GetApplicationName();
// "Import Log Analyzer" + version suffix; handed to the launchers and the reports.
Qve::QVEstring GetAnalyzerName();

}  // namespace Qva
