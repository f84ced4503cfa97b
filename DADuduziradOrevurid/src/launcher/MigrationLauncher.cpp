#include "launcher/MigrationLauncher.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "QVETrace.h"
#include "launcher/LauncherOptions.h"
#include "launcher/LineBlockAssembler.h"
#include "launcher/ProductInfo.h"
#include "reports/DedezuLogger.h"
#include "reports/JsonImportReport.h"
#include "reports/SiteAddresses.h"

namespace Qva {

namespace {

constexpr const char* kHtmlLogName = "import_log.html";
constexpr uint32_t kHtmlLogMinimumLevel = 1;
constexpr uint32_t kWaitForever = UINT32_MAX;

Qve::QVEstring MissingScriptText(const Qve::QVEstring& script_path) {
  return Qve::QVEstring("Initialization>") +
         "\n\nError: The import process was not initiated because the import script (" +
         script_path + " file) is missed." +
         "\n\nSolution: Please re-run the conversion process and wait until it is completed and "
         "rerun the import. If the issue persists, kindly reach out to our support team at " +
         kSupportMailbox + " for further assistance.";
}

void SetAnalyzerText(LogAnalyzer& analyzer, const char* key, const Qve::QVEstring& value) {
  analyzer.SetOption(Qve::kQVOptCString, key, value.c_str());
}

}  // namespace

Qve::QVEstring MigrationLauncher::BuildArgumentText(const std::vector<Qve::QVEstring>& arguments) {
  Qve::QVEstring text = "echo ";
  for (const Qve::QVEstring& argument : arguments) text += argument + " ";
  return text;
}

int32_t MigrationLauncher::Initialize(const Qve::QVEstring& analyzer_name) {
  script_path_ = GetOptionText(kOptBat);
  target_database_ = GetOptionText(kOptD);
  target_host_ = GetOptionText(kOptH);
  report_dir_ = GetOptionText(kOptRptDir);
  Qve::QVEstring argument_text = GetOptionText(kOptArg);

  script_path_ = NormaliseScriptPath(script_path_);
  Qve::QVEstring script_dir = GetScriptDirectory(script_path_);
  arguments_ = SplitArgumentText(argument_text);
  working_folder_ = ChooseWorkingFolder(GetOptionTextOrEmpty(kOptCf), script_dir);

  Qve::QVTracer::Instance().SetDebugLevel(HasOption(kOptDebug) ? 4 : 3);

  bool report = HasOption(kOptRpt);
  if (report) {
    int32_t loaded =
        JsonImportReport::Instance().Init(true, working_folder_, report_dir_, target_database_);
    if (loaded != 0) return loaded;
    html_log_name_ = kHtmlLogName;
    DedezuLogger::Instance().Open(script_dir, analyzer_name, target_database_, target_host_,
                                  html_log_name_.c_str(), kHtmlLogMinimumLevel, report_dir_);
  }

  analyzer_ = std::make_shared<LogAnalyzer>();
  SetAnalyzerText(*analyzer_, kAnalyzeFileKey, script_path_);
  SetAnalyzerText(*analyzer_, kImportVerInfoKey, analyzer_name);
  SetAnalyzerText(*analyzer_, kImportDbKey, target_database_);
  SetAnalyzerText(*analyzer_, kImportHostKey, target_host_);
  SetAnalyzerText(*analyzer_, kExportPathKey, script_dir);
  SetAnalyzerText(*analyzer_, kReportDirKey, report_dir_);

  // A status error other than "not found" throws std::filesystem::filesystem_error.
  if (!std::filesystem::exists(std::filesystem::path(script_path_))) {
    throw std::logic_error(MissingScriptText(script_path_));
  }

  analyzer_->Init(report);
  return 0;
}

int32_t MigrationLauncher::Run() {
  Qve::QVEstring argument_text = BuildArgumentText(arguments_);
  Qve::QVEstring command_line = script_path_ + " " + argument_text;
  process_.Start(command_line, working_folder_, true);
  input_pipe_ = process_.GetInputFile();
  // Nothing is ever written to the script: closing the input lets it, or a tool it runs (a
  // password prompt after a failed login), read end-of-input instead of waiting forever.
  input_pipe_->Close();
  output_pipe_ = process_.GetOutputFile();

  int32_t total = ReadChild(command_line, argument_text);
  process_.Wait(kWaitForever);

  DedezuLogger& html_log = DedezuLogger::Instance();
  html_log.WriteFooter(GetAnalyzerName());
  if (HasOption(kOptRpt)) html_log.Close();
  return total > 0 ? 1 : 0;
}

int32_t MigrationLauncher::ReadChild(const Qve::QVEstring& command_line,
                                     const Qve::QVEstring& argument_text) {
  DedezuLogger& html_log = DedezuLogger::Instance();
  html_log.ActionBegin("Start child process: %s", command_line.c_str());

  std::vector<char> buffer(kChildReadSize + 1);
  LineBlockAssembler assembler;
  Qve::QVEstring block;
  analyzer_->SetCommand(argument_text);

  int32_t total = 0;
  for (;;) {
    uint64_t read = output_pipe_->Read(buffer.data(), kChildReadSize);
    if (read == 0) {
      total += analyzer_->AnalyzeAvailable(1);
      html_log.ActionEnd("Finish child process");
      return total;
    }
    // The text ends at the first zero byte.
    buffer[read] = '\0';
    size_t length = std::strlen(buffer.data());
    if (!assembler.AddPiece(buffer.data(), length, block)) continue;
    analyzer_->AddText(block);
    // The storage holds the text now: a block that held a huge line is not kept.
    if (block.capacity() > kChildReadSize * 4) Qve::QVEstring().swap(block);
    total += analyzer_->AnalyzeAvailable(kAnalyzeMinimumDuringRun);
  }
}

}  // namespace Qva
