// The settings of one analyzed run that the import actions need, given to them when they are
// created.
#pragma once

#include "QVEString.h"

namespace Qva {

struct RunSettings {
  bool report = false;  // the run writes the HTML log and data.js
  // The run writes a JUnit report, whose failures quote the texts the JSON report keeps.
  bool junit = false;
  Qve::QVEstring analyze_file = "movarin_all.bat";  // the top-level script, root of the tree
  // The script's argument text ("echo " and the arguments); it chooses the summary's title.
  Qve::QVEstring command;
  // Handed to the report pass as the run's values.
  Qve::QVEstring version_info;
  Qve::QVEstring target_db;
  Qve::QVEstring target_host;
  Qve::QVEstring export_path;  // the import script's folder
  Qve::QVEstring report_dir;
};

}  // namespace Qva
