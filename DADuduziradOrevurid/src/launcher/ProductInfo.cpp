#include "launcher/ProductInfo.h"

#include <iomanip>
#include <sstream>

namespace Qva {

Qve::QVEstring GetVersionSuffix() {
  std::ostringstream text;
  text << " " << std::setfill('0') << std::setw(2) << kVersionMajor << "." << std::setw(2)
       << kVersionMinor << " Build " << std::setw(2) << kVersionBuild << " Revision "
       << kVersionRevision;
  return text.str();
}

Qve::QVEstring GetApplicationName() { return "MigrationLauncher" + GetVersionSuffix(); }

Qve::QVEstring GetAnalyzerName() { return "Import Log Analyzer" + GetVersionSuffix(); }

}  // namespace Qva
