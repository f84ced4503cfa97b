// The interface through which the entry point runs either launcher.
#pragma once

#include <cstdint>

#include "QVEString.h"

namespace Qva {

class ImportStatistics;

class IMigrationLauncher {
 public:
  virtual ~IMigrationLauncher() = default;

  // Collects the run settings. 0 means go on with Run; any other value ends the program with
  // that exit code.
  virtual int32_t Initialize(const Qve::QVEstring& analyzer_name) = 0;
  // Runs the import script and returns the program's exit code.
  virtual int32_t Run() = 0;
  // The objects the run recorded, for the reports written after it; null when it records none.
  virtual const ImportStatistics* GetRecords() const { return nullptr; }
};

}  // namespace Qva
