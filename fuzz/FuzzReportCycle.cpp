// data.js through load, update, save and load again: whatever a loaded file holds, the report
// reads no value of the wrong type and writes a file that loads.
//
// Input: the data file's text. The import objects are named after the file's "objects" entries
// so that the updates find them; errors and warnings carry texts that the tips tables know.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "QVEException.h"
#include "records/ImportStatistics.h"
#include "reports/JsonImportReport.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kReportDir = "rpt";
constexpr const char* kTargets[] = {"Oracle", "MySQL", "AlloyDB"};
constexpr const char* kTexts[] = {"Duplicate entry for key 'PRIMARY'", "Relation already exists. x",
                                  "ORA-00942: table or view does not exist", ""};

const fs::path& Base() {
  static const fs::path base = [] {
    fs::path shm = "/dev/shm";
    fs::path root = fs::is_directory(shm) ? shm : fs::temp_directory_path();
    fs::path folder = root / ("ml_fuzz_report_" + std::to_string(std::random_device{}()));
    fs::create_directories(folder / kReportDir);
    return folder;
  }();
  return base;
}

// Up to eight objects named as the document's entries, each with an error or a warning, or
// none; ids 1, 2, ... as the analyzer numbers lines.
void AddObjects(const rapidjson::Document& document, Qva::ImportStatistics& stats,
                Qva::JsonImportReport& report) {
  auto objects = document.FindMember("objects");
  if (objects == document.MemberEnd() || !objects->value.IsArray()) return;
  uint64_t id = 0;
  for (const rapidjson::Value& entry : objects->value.GetArray()) {
    if (id >= 8) break;
    ++id;
    Qva::ImportObject object;
    object.name = "unnamed";
    if (entry.IsObject()) {
      auto name = entry.FindMember("object_name");
      if (name != entry.MemberEnd() && name->value.IsString()) {
        object.name.assign(name->value.GetString(), name->value.GetStringLength());
      }
    }
    object.endTime = Qve::QVTimeStamp(1, 0);
    stats.AddObject(object);
    Qva::StatError entry_record;
    entry_record.lineId = id;
    const char* text = kTexts[id % std::size(kTexts)];
    if (id % 3 == 1) {
      stats.AddError(entry_record);
      report.AddError(id, text);
    } else if (id % 3 == 2) {
      stats.AddWarning(entry_record);
      report.AddWarning(id, text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Registered after the folder's path exists, so that it runs before the path is destroyed.
  Base();
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(Base(), ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path file = Base() / kReportDir / Qva::kReportDataFile;
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const char* target = kTargets[size % std::size(kTargets)];

  Qva::JsonImportReport report;
  try {
    report.Init(true, Base().string(), kReportDir, target);
  } catch (const std::runtime_error&) {
    return 0;  // not a data file: refused as described
  }
  Qva::ImportStatistics stats;
  AddObjects(report.GetDocument(), stats, report);
  report.UpdateObjects(stats);
  report.UpdateErrorTable(stats);
  report.Save();

  // What was written must load again.
  Qva::JsonImportReport reloaded;
  try {
    reloaded.Init(true, Base().string(), kReportDir, target);
  } catch (const std::runtime_error&) {
    std::abort();
  }
  return 0;
}
