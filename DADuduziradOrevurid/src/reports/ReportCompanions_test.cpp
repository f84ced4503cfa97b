#include "reports/ReportCompanions.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "QVETestSupport.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace Qva {
namespace {

namespace fs = std::filesystem;
using Qve::test::TempFolder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string ReadText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ReportCompanionsTest, WritesWhatTheLogLinksToOnceAndNeverReplaces) {
  TempFolder folder;
  const fs::path reports = folder.File("reports");
  // The log links "../ImportReport.html" and "../css/stylesheet.css" from reports/Import.
  EXPECT_THAT(WriteReportCompanions(reports.string()),
              ElementsAre((reports / "ImportReport.html").string(),
                          (reports / "css/stylesheet.css").string()));
  for (const ReportCompanion& companion : GetReportCompanions()) {
    EXPECT_EQ(ReadText(reports / companion.relative_path),
              std::string(reinterpret_cast<const char*>(companion.bytes), companion.length));
  }
  EXPECT_THAT(WriteReportCompanions(reports.string()), IsEmpty());

  // A user's own stylesheet and even a dangling link in the page's place stay as they are.
  const fs::path other = folder.File("other");
  fs::create_directories(other / "css");
  std::ofstream(other / "css/stylesheet.css") << "mine";
  fs::create_symlink("nowhere.html", other / "ImportReport.html");
  EXPECT_THAT(WriteReportCompanions(other.string()), IsEmpty());
  EXPECT_EQ(ReadText(other / "css/stylesheet.css"), "mine");
  EXPECT_FALSE(fs::exists(other / "nowhere.html"));
}

TEST(ReportCompanionsTest, FoldersThatTakeNoFilesAreNoFailure) {
  TempFolder folder;
  std::ofstream(folder.File("blocker")) << "a file where the report folder should be";
  EXPECT_THAT(WriteReportCompanions(folder.File("blocker/reports")), IsEmpty());
  // Nothing can be created in /proc, not even by root: the create failure is traced.
  EXPECT_THAT(WriteReportCompanions("/proc"), IsEmpty());
}

}  // namespace
}  // namespace Qva
