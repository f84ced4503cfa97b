#include "reports/ReportCompanions.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "QVEException.h"
#include "QVEFile.h"
#include "QVETrace.h"
#include "Qva_report_data.h"  // generated from the embedded files

namespace Qva {

namespace {

constexpr const char* kSource = "Report companions";
// The embedded names start with the source folder; the rest is the path in the report folder.
constexpr const char* kResourceFolder = "res/Reports/";
constexpr const char* kReportPage = "ImportReport.html";

bool PathTaken(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  // An unreadable status counts as taken: better to skip a page than to overwrite a file.
  return error ? error != std::errc::no_such_file_or_directory
               : status.type() != std::filesystem::file_type::not_found;
}

void WriteCompanion(const std::filesystem::path& path, const ReportCompanion& companion) {
  std::error_code ignored;
  // A failure shows up as the create failure below, which names the file.
  std::filesystem::create_directories(path.parent_path(), ignored);
  Qve::QVFile file;
  file.Create(path.string());
  try {
    file.Write(companion.bytes, companion.length);
    file.Close();
  } catch (Qve::QVException*) {
    // A cut page would never be replaced by a later run: leave none.
    file.Close();
    std::filesystem::remove(path, ignored);
    throw;
  }
}

}  // namespace

std::vector<ReportCompanion> GetReportCompanions() {
  std::vector<ReportCompanion> companions;
  const size_t prefix = std::strlen(kResourceFolder);
  for (size_t i = 0; i < report_data::kCount; ++i) {
    companions.push_back(
        {report_data::kNames[i] + prefix, report_data::kTexts[i], report_data::kLengths[i]});
  }
  return companions;
}

std::vector<Qve::QVEstring> WriteReportCompanions(const Qve::QVEstring& report_folder,
                                                  bool with_page) {
  std::vector<Qve::QVEstring> written;
  for (const ReportCompanion& companion : GetReportCompanions()) {
    if (!with_page && std::strcmp(companion.relative_path, kReportPage) == 0) continue;
    std::filesystem::path path = std::filesystem::path(report_folder) / companion.relative_path;
    if (PathTaken(path)) continue;
    try {
      WriteCompanion(path, companion);
      written.push_back(path.string());
    } catch (Qve::QVException* error) {
      std::unique_ptr<Qve::QVException> owned(error);
      Qve::QVTracer::Instance().Trace(Qve::kQVTraceWarning, kSource, "%s",
                                      owned->GetMessage().c_str());
    }
  }
  return written;
}

}  // namespace Qva
