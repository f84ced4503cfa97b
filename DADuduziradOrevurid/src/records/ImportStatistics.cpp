#include "records/ImportStatistics.h"

#include <algorithm>
#include <array>
#include <cinttypes>

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

std::vector<Qve::QVEstring> ImportStatistics::SummaryLines(const Qve::QVEstring& run_text) const {
  std::vector<Qve::QVEstring> lines = {"--------------------------------------------------",
                                       SummaryTitle(run_text)};
  auto add = [&lines](Qve::QVEstring line) {
    if (!line.empty()) lines.push_back(line + "\n");
  };
  for (uint32_t code = 0; code <= kObjectTypeLast; ++code) {
    add(ObjectSummary(false, static_cast<uint8_t>(code), false));
  }
  add(ObjectSummary(true, 0, false));
  add(ObjectSummary(true, 0, true));
  return lines;
}

uint32_t ImportStatistics::CollectReportStatistics(const Qve::QVEstring& /*version*/,
                                                   const Qve::QVEstring& /*target_db*/,
                                                   const Qve::QVEstring& /*target_host*/,
                                                   const Qve::QVEstring& /*export_path*/,
                                                   const Qve::QVEstring& /*report_dir*/) {
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
  return static_cast<uint32_t>(std::count(type_counted.begin(), type_counted.end(), true));
}

}  // namespace Qva
