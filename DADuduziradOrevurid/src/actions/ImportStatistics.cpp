#include "actions/ImportStatistics.h"

#include <algorithm>
#include <array>
#include <cinttypes>

#include "QVETrace.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"

namespace Qva {

namespace {

struct Counts {
  uint64_t succeeded = 0;  // includes the objects with warnings
  uint64_t failed = 0;
  uint64_t with_warnings = 0;

  void Add(const ImportObject& object) {
    switch (object.Classify()) {
      case ImportOutcome::kSucceeded:
        ++succeeded;
        break;
      case ImportOutcome::kFailed:
        ++failed;
        break;
      case ImportOutcome::kSucceededWithWarning:
        ++succeeded;
        ++with_warnings;
        break;
    }
  }
};

const char* SummaryTitle(const Qve::QVEstring& run_text) {
  if (run_text == "table echo" || run_text == "ddl echo") return "Import table finished:\n";
  if (run_text == "import echo") return "Import data finished:\n";
  return "Import finished:\n";
}

}  // namespace

Qve::QVEstring ImportStatistics::ObjectSummary(bool additional_only, uint8_t type_code,
                                               bool all) const {
  Counts counts;
  for (const ImportObject& object : objects_) {
    bool selected = all || (additional_only ? object.additional
                                            : object.type == type_code && !object.additional);
    if (selected) counts.Add(object);
  }
  if (counts.succeeded == 0 && counts.failed == 0 && counts.with_warnings == 0) return {};

  uint64_t total = counts.succeeded + counts.failed;
  if (all) {
    return Qve::FormatText("Total imported objects: %" PRIu64 ", %" PRIu64 " succeeded, %" PRIu64
                           " failed.",
                           total, counts.succeeded, counts.failed);
  }
  const char* kind = additional_only ? "additional object" : ImportObjectTypeName(type_code);
  return Qve::FormatText("Total: %" PRIu64 " %s(s), %" PRIu64 " Ok, %" PRIu64 " Error(s), %" PRIu64
                         " Warning(s)",
                         total, kind, counts.succeeded, counts.failed, counts.with_warnings);
}

void ImportStatistics::PrintImportFinished(const Qve::QVEstring& run_text,
                                           DedezuLogger& log) const {
  log.Log(Qve::kQVTraceOutput, "", "--------------------------------------------------");
  log.Log(Qve::kQVTraceOutput, "", "%s", SummaryTitle(run_text));
  for (uint32_t code = 0; code <= kObjectTypeLast; ++code) {
    Qve::QVEstring line = ObjectSummary(false, static_cast<uint8_t>(code), false);
    if (!line.empty()) log.Log(Qve::kQVTraceOutput, "", "%s\n", line.c_str());
  }
  Qve::QVEstring additional = ObjectSummary(true, 0, false);
  if (!additional.empty()) log.Log(Qve::kQVTraceOutput, "", "%s\n", additional.c_str());
  Qve::QVEstring total = ObjectSummary(true, 0, true);
  if (!total.empty()) log.Log(Qve::kQVTraceOutput, "", "%s\n", total.c_str());
}

void ImportStatistics::CollectReportStatistics(const Qve::QVEstring& /*version*/,
                                               const Qve::QVEstring& /*target_db*/,
                                               const Qve::QVEstring& /*target_host*/,
                                               const Qve::QVEstring& export_path,
                                               const Qve::QVEstring& report_dir,
                                               JsonImportReport& report) {
  export_path_ = export_path;
  report_directory_ = report_dir;

  Counts counts;
  uint64_t total = 0;
  std::array<bool, kObjectTypeLast + 1> type_counted{};
  for (const ImportObject& object : objects_) {
    if (object.additional || object.type > kObjectTypeLast) continue;
    ++total;
    counts.Add(object);
    type_counted[object.type] = true;
  }
  total_ = total;
  succeeded_ = counts.succeeded;
  failed_ = counts.failed;
  with_warnings_ = counts.with_warnings;

  const auto types =
      static_cast<uint32_t>(std::count(type_counted.begin(), type_counted.end(), true));
  if (types > 0) report.UpdateObjects(*this, types);
  report.UpdateErrorTable(*this);
}

}  // namespace Qva
