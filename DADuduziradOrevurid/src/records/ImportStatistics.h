// The statistics record of one import run: every announced object with its errors and warnings,
// the end-of-import summary, and the counting pass that feeds the JSON import report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "QVEString.h"
#include "records/ImportRecords.h"

namespace Qva {

// The announced objects. A deque, not a vector: a long import announces hundreds of thousands of
// objects, and a vector's growth would copy them all and touch twice their memory each time.
using ImportObjectList = std::deque<ImportObject>;

// The record sits below the actions, the reports and the event channel, which all read it; it
// calls none of them: the summary and the report pass return what their callers write.
class ImportStatistics {
 public:
  // Appends `object`.
  void AddObject(ImportObject object) { objects_.push_back(std::move(object)); }
  // Appends `entry` (a StatError or a StatWarning, kept as it is) to the newest object's
  // entries. Before the first object nothing is recorded: such messages count in no statistics.
  void AddEntry(std::shared_ptr<StatMember> entry) {
    if (!objects_.empty()) objects_.back().stats.push_back(std::move(entry));
  }
  // As AddEntry, on the object at `index` of GetObjects() instead of the newest: an earlier
  // object whose client reports after later objects were announced. Nothing when there is no
  // such object.
  void AddEntryTo(size_t index, std::shared_ptr<StatMember> entry) {
    if (index < objects_.size()) objects_[index].stats.push_back(std::move(entry));
  }
  // As AddEntry with a new StatError (StatWarning) copy of `entry`.
  void AddError(const StatMember& entry) { AddEntry(std::make_shared<StatError>(entry)); }
  void AddWarning(const StatMember& entry) { AddEntry(std::make_shared<StatWarning>(entry)); }

  // Every announced object, in announcement order; the list never shrinks.
  const ImportObjectList& GetObjects() const { return objects_; }
  // The newest object, for the actions that change its stage or end time; null when none.
  // Valid until the next AddObject.
  ImportObject* GetNewestObject() { return objects_.empty() ? nullptr : &objects_.back(); }
  const ImportObject* GetNewestObject() const {
    return objects_.empty() ? nullptr : &objects_.back();
  }
  // Stage for a new error or warning entry: the newest object's stage, 1 without objects.
  uint32_t GetCurrentStage() const {
    return objects_.empty() ? kImportStageDdl : objects_.back().stage;
  }

  // One summary line, or an empty text when the selection counts nothing:
  //   all:              "Total imported objects: N, S succeeded, F failed."
  //   additional_only:  "Total: N additional object(s), S Ok, F Error(s), W Warning(s)"
  //   otherwise:        the same with the kind name of `type_code`, over the objects of that
  //                     type that are not additional.
  Qve::QVEstring ObjectSummary(bool additional_only, uint8_t type_code, bool all) const;

  // The end-of-import summary, one text per line to write at level 8 with an empty source:
  // the separator (no line feed), the title chosen by `run_text` ("table echo"/"ddl echo",
  // "import echo", anything else), then each non-empty line (ended by "\n") per type code
  // 0..17, the additional line and the total line.
  std::vector<Qve::QVEstring> SummaryLines(const Qve::QVEstring& run_text) const;

  // Counts the objects that are not additional into the four counters. Returns the number of
  // type codes that counted objects: the rounds the report's UpdateObjects is to be given (no
  // UpdateObjects at 0), before UpdateErrorTable. The arguments are not used.
  uint32_t CollectReportStatistics(const Qve::QVEstring& version, const Qve::QVEstring& target_db,
                                   const Qve::QVEstring& target_host,
                                   const Qve::QVEstring& export_path,
                                   const Qve::QVEstring& report_dir);

  // Counters of the last CollectReportStatistics (0 before it); with-warnings objects are also
  // counted as succeeded.
  uint64_t GetSucceeded() const { return succeeded_; }
  uint64_t GetFailed() const { return failed_; }
  uint64_t GetWithWarnings() const { return with_warnings_; }

  // Time-stamp text taken when the top-level script finished; set by the finishing action.
  void SetFinishTime(const Qve::QVEstring& text) { finish_time_ = text; }

 private:
  ImportObjectList objects_;
  uint64_t total_ = 0;
  uint64_t succeeded_ = 0;
  uint64_t failed_ = 0;
  uint64_t with_warnings_ = 0;
  Qve::QVEstring finish_time_;
};

}  // namespace Qva
