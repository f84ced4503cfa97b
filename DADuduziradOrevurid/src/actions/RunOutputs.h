// The run's outputs: the HTML import log, the JSON report (data.js), the wizard's events and the
// JUnit report. The import actions report to it while the script runs; EndRun ends the run.
#pragma once

#include <optional>
#include <string>

#include "actions/ImportOutputs.h"
#include "actions/RunSettings.h"

class CWizzardInspectionController;

namespace Qva {

class DedezuLogger;
class JsonImportReport;

// -JUNIT: the file to write, and the HTML import log its anchors point into.
struct JUnitTarget {
  std::string file;
  std::string log;
};

// What the end of the run needs besides the outputs themselves.
struct RunEnd {
  Qve::QVEstring version;            // the HTML log footer's version text
  const ImportStatistics* records;   // the run's objects; null when it recorded none
  std::optional<JUnitTarget> junit;  // none: no JUnit report
};

class RunOutputs : public ImportOutputs {
 public:
  // Over the process-wide HTML log, JSON report and event controller; `settings` give the
  // summary's run text and the report pass's values.
  explicit RunOutputs(RunSettings settings = {});
  RunOutputs(const RunOutputs&) = delete;
  RunOutputs& operator=(const RunOutputs&) = delete;

  // Sends everything to other outputs (tests); they must outlive this object.
  void Redirect(DedezuLogger& log, JsonImportReport& report, CWizzardInspectionController& events);

  void Note(const char* source, const Qve::QVEstring& text) override;
  void ObjectStarted(const Qve::QVEstring& script, const Qve::QVEstring& name,
                     const Qve::QVEstring& type_word, bool additional) override;
  void Error(uint64_t id, const char* source, const Qve::QVEstring& text,
             const Qve::QVEstring& report_text) override;
  void Warning(uint64_t id, const char* source, const Qve::QVEstring& text,
               const Qve::QVEstring& report_text) override;
  void ErrorAnnounced(const StatMember& entry) override;
  void ScriptFinished(const Qve::QVEstring& script, const Qve::QVEstring& caller) override;
  void ImportFinished(ImportStatistics& statistics) override;
  void RunErrorAdded(const ImportStatistics& statistics) override;

  // The end of the run, in this order: the HTML log's footer (and its closing when it was
  // opened), the final status event, the JSON report's save, then the JUnit report: of the JSON
  // report when it was loaded, else of `end.records`. Throws the QVException* of a write.
  void EndRun(const RunEnd& end);

 private:
  void WriteJUnit(const JUnitTarget& target, const ImportStatistics* records) const;
  // Whether the JSON report is to keep the error and warning texts.
  bool KeepsReportTexts() const;

  DedezuLogger* log_;
  JsonImportReport* report_;
  CWizzardInspectionController* events_;
  RunSettings settings_;
};

}  // namespace Qva
