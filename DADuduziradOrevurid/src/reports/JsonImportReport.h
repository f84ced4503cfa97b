// The JSON import report: the product's "data.js" (text "const json =" and one JSON object),
// loaded at start, updated from the import results and written back at the end.
#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <map>

#include "QVEFile.h"
#include "QVEFolderLock.h"
#include "QVEString.h"
#include "QVETimeStamp.h"

namespace Qva {

class ImportObject;
class ImportStatistics;

// Name of the data file inside the report directory.
inline constexpr const char* kReportDataFile = "data.js";

// Deepest nesting of arrays and objects (the root object is level 1) a data file may have.
// Real reports are a few levels deep; the limit keeps Save, whose writer recurses once per
// level, far from the end of the stack.
inline constexpr int kMaxReportDepth = 512;

// Without Init the report stays disabled: AddError/AddWarning still work, the document updates
// and Save do nothing and the data file is not touched.
//
// A loaded document of the wrong shape never crashes the report: a missing or wrongly typed
// "general_information", "objects" or "error_table" is (re)created empty with the right type
// when it is updated, and "objects" entries that are not objects or have no string
// "object_name" are skipped. A root that is not an object is refused by Init. A member that
// occurs more than once under a name the report reads counts as wrong-shaped (every copy is
// removed before the member is recreated or set), wherever it occurs: the three sections, the
// two flags, "object_name", "error_type", and the members the report sets.
// Not thread-safe: called from the analysis thread and the program's final step only.
class JsonImportReport {
 public:
  // The process-wide report, created disabled on first call and never destroyed.
  static JsonImportReport& Instance();

  // A separate, disabled report. The program uses Instance(); tests make their own.
  JsonImportReport() = default;
  JsonImportReport(const JsonImportReport&) = delete;
  JsonImportReport& operator=(const JsonImportReport&) = delete;

  // Loads base_dir + "/" + report_dir + "/data.js" (kept open until Save) and enables the report.
  // First takes the exclusive lock of the report folder, held until Save has written the file
  // (or the process ends): one run per report folder. Text before the first "{" is dropped.
  // Repeated "objects" or "error_table" arrays are joined into the first. Returns 0; every
  // failure throws (and releases the lock):
  //   QVException* -994 "resource unavailable: report folder F is in use by another run";
  //   the QVException* of QVFile::Open (-999, naming the path) or of a read;
  //   QVException* -999 "cannot open file: PATH (not a regular file)" for a FIFO, a device...,
  //   and -997 "cannot read from file: PATH (larger than 256 MB)", before anything is read;
  //   std::runtime_error "can't load json" for an empty text or one without "{";
  //   std::runtime_error "can't load report file" for invalid JSON, anything but white space
  //   after it, a root that is not an object, nesting deeper than kMaxReportDepth, or a number
  //   beyond the range of a double.
  // Loading never recurses, so no nesting can exhaust the stack.
  // `target_db` (display name) selects the tips table; `use_analyzer` is written back as
  // "use_import_log_analyzer".
  int Init(bool use_analyzer, const Qve::QVEstring& base_dir, const Qve::QVEstring& report_dir,
           const Qve::QVEstring& target_db);

  // Takes the lock of the report folder `folder` (base_dir/report_dir) for this run, until Save
  // or the process ends; Init takes it itself unless it is held for that folder already. Throws
  // the QVException* "resource unavailable: report folder ... is in use by another run" (-994)
  // when another run holds it; a folder that cannot be opened is left to Init's load to report.
  void ClaimFolder(const Qve::QVEstring& folder);

  // Remember the text of an error (warning) id; the first text for an id stays. Enabled or not.
  void AddError(uint64_t id, const Qve::QVEstring& text);
  void AddWarning(uint64_t id, const Qve::QVEstring& text);

  // Sets status, message, link, tip and import time of every "objects" entry whose
  // "object_name" equals an import object's name; the last such object decides. An object whose
  // end time was never set gets "time_import" 0. Each entry's members are set `rounds` times
  // over: the values stay, but every set moves the entry's last member into the freed place, so
  // the member order in the data file depends on the count. The statistics pass gives one round
  // per object type that counted objects.
  void UpdateObjects(const ImportStatistics& stats, uint32_t rounds = 1);
  // Replaces the "error_table" entries of type "Import" by this run's errors grouped by text, in
  // ascending byte order of the text.
  void UpdateErrorTable(const ImportStatistics& stats);
  // Replaces "comments"/"comments_link" of `entry` (an object of this report's document) by the
  // first tip whose key occurs in `text`; for targets without a tips table it does nothing.
  void AddTips(rapidjson::Value& entry, const Qve::QVEstring& text);

  // Sets the import time (seconds since Init, rounded up) and the two flags in
  // "general_information", then replaces the data file's content by "const json =" and the
  // compact document (QVFile::ReplaceContents: a failure leaves the file as it was and throws
  // its QVException*), closes it and releases the folder lock. The text written is valid UTF-8:
  // bytes that are not become U+FFFD. Does nothing when disabled or already saved.
  void Save();

  bool IsEnabled() const { return enabled_; }
  const rapidjson::Document& GetDocument() const { return document_; }
  // The texts remembered by AddError (AddWarning) for `id`; null when none.
  const Qve::QVEstring* FindError(uint64_t id) const {
    auto found = errors_.find(id);
    return found == errors_.end() ? nullptr : &found->second;
  }
  const Qve::QVEstring* FindWarning(uint64_t id) const {
    auto found = warnings_.find(id);
    return found == warnings_.end() ? nullptr : &found->second;
  }
  rapidjson::Document::AllocatorType& GetAllocator() { return document_.GetAllocator(); }

 private:
  // Reads and parses the data file (Init's steps after the lock).
  void Load(const Qve::QVEstring& path);
  rapidjson::Value& RootMember(const char* name, rapidjson::Type type);
  // One round of UpdateObjects for one entry and one of its objects.
  void SetObjectMembers(rapidjson::Value& entry, const ImportObject& object);
  // Removes every member called `name` (each freed place takes the last member), appends the
  // new one and returns its value.
  rapidjson::Value& SetMember(rapidjson::Value& object, const char* name, rapidjson::Value value);

  bool enabled_ = false;
  bool use_analyzer_ = false;
  Qve::QVEstring target_db_;
  Qve::QVTimeStamp start_time_;
  rapidjson::Document document_;
  Qve::QVFile data_file_;
  Qve::QVFolderLock folder_lock_;
  Qve::QVEstring locked_folder_;
  std::map<uint64_t, Qve::QVEstring> errors_;
  std::map<uint64_t, Qve::QVEstring> warnings_;
};

}  // namespace Qva
