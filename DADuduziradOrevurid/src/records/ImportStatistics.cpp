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

  void Add(ImportOutcome outcome) {
    switch (outcome) {
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
  void Add(const ImportObject& object) { Add(object.Classify()); }
};

const char* SummaryTitle(const Qve::QVEstring& run_text) {
  if (run_text == "table echo" || run_text == "ddl echo") return "Import table finished:\n";
  if (run_text == "import echo") return "Import data finished:\n";
  return "Import finished:\n";
}

// The summary line of `counts` for objects of `kind`, or the total line when `kind` is null;
// empty when they count nothing.
Qve::QVEstring SummaryLine(const Counts& counts, const char* kind) {
  if (counts.succeeded == 0 && counts.failed == 0 && counts.with_warnings == 0) return {};
  uint64_t total = counts.succeeded + counts.failed;
  if (kind == nullptr) {
    return Qve::FormatText("Total imported objects: %" PRIu64 ", %" PRIu64 " succeeded, %" PRIu64
                           " failed.",
                           total, counts.succeeded, counts.failed);
  }
  return Qve::FormatText("Total: %" PRIu64 " %s(s), %" PRIu64 " Ok, %" PRIu64 " Error(s), %" PRIu64
                         " Warning(s)",
                         total, kind, counts.succeeded, counts.failed, counts.with_warnings);
}

constexpr const char* kAdditionalKind = "additional object";

}  // namespace

Qve::QVEstring ImportStatistics::ObjectSummary(bool additional_only, uint8_t type_code,
                                               bool all) const {
  Counts counts;
  for (const ImportObject& object : objects_) {
    bool selected = all || (additional_only ? object.additional
                                            : object.type == type_code && !object.additional);
    if (selected) counts.Add(object);
  }
  if (all) return SummaryLine(counts, nullptr);
  return SummaryLine(counts, additional_only ? kAdditionalKind : ImportObjectTypeName(type_code));
}

std::vector<Qve::QVEstring> ImportStatistics::SummaryLines(const Qve::QVEstring& run_text) const {
  // One pass over the objects for every line: a long import has hundreds of thousands.
  std::array<Counts, kObjectTypeLast + 1> by_type;
  Counts additional;
  Counts all;
  for (const ImportObject& object : objects_) {
    const ImportOutcome outcome = object.Classify();
    all.Add(outcome);
    if (object.additional) {
      additional.Add(outcome);
    } else if (object.type <= kObjectTypeLast) {
      by_type[object.type].Add(outcome);
    }
  }
  std::vector<Qve::QVEstring> lines = {"--------------------------------------------------",
                                       SummaryTitle(run_text)};
  auto add = [&lines](Qve::QVEstring line) {
    if (!line.empty()) lines.push_back(line + "\n");
  };
  for (uint32_t code = 0; code <= kObjectTypeLast; ++code) {
    add(SummaryLine(by_type[code], ImportObjectTypeName(code)));
  }
  add(SummaryLine(additional, kAdditionalKind));
  add(SummaryLine(all, nullptr));
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
