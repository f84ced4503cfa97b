#include "actions/RunOutputs.h"

#include <utility>

#include "QVETimeStamp.h"
#include "QVETrace.h"
#include "events/WizzardController.h"
#include "records/ImportStatistics.h"
#include "reports/DedezuLogger.h"
#include "reports/JUnitReport.h"
#include "reports/JsonImportReport.h"

namespace Qva {

namespace {

constexpr uint32_t kLogLevel = Qve::kQVTraceOutput;

}  // namespace

RunOutputs::RunOutputs(RunSettings settings)
    : log_(&DedezuLogger::Instance()),
      report_(&JsonImportReport::Instance()),
      events_(&CWizzardInspectionController::Instance()),
      settings_(std::move(settings)) {}

void RunOutputs::Redirect(DedezuLogger& log, JsonImportReport& report,
                          CWizzardInspectionController& events) {
  log_ = &log;
  report_ = &report;
  events_ = &events;
}

void RunOutputs::Note(const char* source, const Qve::QVEstring& text) {
  log_->Log(kLogLevel, source, "%s", text.c_str());
}

void RunOutputs::ObjectStarted(const Qve::QVEstring& script, const Qve::QVEstring& name,
                               const Qve::QVEstring& type_word, bool additional) {
  events_->StartImportEvent(script.c_str(), name.c_str(), type_word.c_str(), additional);
}

void RunOutputs::Error(uint64_t id, const char* source, const Qve::QVEstring& text,
                       const Qve::QVEstring& report_text) {
  log_->Error(id, source, text);
  if (KeepsReportTexts()) report_->AddError(id, report_text);
}

void RunOutputs::Warning(uint64_t id, const char* source, const Qve::QVEstring& text,
                         const Qve::QVEstring& report_text) {
  log_->Warning(id, source, text);
  if (KeepsReportTexts()) report_->AddWarning(id, report_text);
}

bool RunOutputs::KeepsReportTexts() const {
  // Only the JSON report's passes and the JUnit report read the texts; a run without either
  // would keep one per error for nothing.
  return settings_.report || settings_.junit || report_->IsEnabled();
}

void RunOutputs::ErrorAnnounced(const StatMember& entry) { events_->AddError(entry); }

void RunOutputs::ScriptFinished(const Qve::QVEstring& script, const Qve::QVEstring& caller) {
  log_->Log(kLogLevel, script.c_str(), "Finish call script. Return to %s.", caller.c_str());
  events_->FinishedImportEvent(script.c_str());
  events_->FinishScript();
}

void RunOutputs::ImportFinished(ImportStatistics& statistics) {
  for (const Qve::QVEstring& line : statistics.SummaryLines(settings_.command)) {
    log_->Log(kLogLevel, "", "%s", line.c_str());
  }
  if (!settings_.report) return;
  const RunSettings& run = settings_;
  const uint32_t rounds = statistics.CollectReportStatistics(
      run.version_info, run.target_db, run.target_host, run.export_path, run.report_dir);
  if (rounds > 0) report_->UpdateObjects(statistics, rounds);
  report_->UpdateErrorTable(statistics);
  events_->SetFinalCounts(statistics.GetSucceeded(), statistics.GetFailed(),
                          statistics.GetWithWarnings());
}

void RunOutputs::RunErrorAdded(const ImportStatistics& statistics) {
  if (settings_.report) report_->UpdateErrorTable(statistics);
}

void RunOutputs::EndRun(const RunEnd& end) {
  log_->WriteFooter(end.version);
  if (log_->IsEnabled()) log_->Close();
  events_->SendFinalMesssage();
  report_->Save();
  if (end.junit) WriteJUnit(*end.junit, end.records);
}

void RunOutputs::WriteJUnit(const JUnitTarget& target, const ImportStatistics* records) const {
  std::string text;
  if (report_->IsEnabled()) {
    text = FormatJUnitReport(report_->GetDocument(), target.log);
  } else {
    text = FormatJUnitReport(DescribeRunObjects(records ? *records : ImportStatistics(), *report_),
                             target.log);
  }
  WriteJUnitFile(target.file, text);
}

}  // namespace Qva
