// The platform supplement never changes a verdict of the embedded rules: whole logs analyzed
// with all actions, with and without it, leave the same trace text, HTML log, data.js and
// events. Windows-style logs must come out byte for byte the same; on real Linux output the
// supplement's client launches must act exactly as the Windows launch rules do.
#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/TestRuleSources.h"
#include "bench/ImportLogGenerator.h"

namespace Qva {
namespace {

// What one analyzed run leaves behind, in lines: trace text, HTML log, data.js, events. Time
// stamps, durations and progress fractions (which grow with every run of the shared event
// channel) are masked.
using Outputs = std::array<std::vector<std::string>, 4>;

// Names the first line where two runs differ: whole logs are too long to print on a failure.
void ExpectSame(const Outputs& actual, const Outputs& expected) {
  const char* const kParts[] = {"trace text", "HTML log", "data.js", "events"};
  for (size_t part = 0; part < actual.size(); ++part) {
    const auto& got = actual[part];
    const auto& want = expected[part];
    const auto [at, _] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    const size_t line = static_cast<size_t>(at - got.begin());
    EXPECT_TRUE(got == want) << kParts[part] << ", line " << line
                             << "\n  got:  " << (line < got.size() ? got[line] : "(none)")
                             << "\n  want: " << (line < want.size() ? want[line] : "(none)");
  }
}

// A trace line begins with its time stamp ("Dec 04 22:36:11 2026").
std::string WithoutStamp(std::string line) {
  static const std::regex stamp(R"([A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})");
  if (line.size() >= 20 && std::regex_match(line.begin(), line.begin() + 20, stamp)) {
    line.replace(0, 20, "STAMP");
  }
  return line;
}

std::string Masked(std::string text) {
  static const std::regex duration(R"("time_import":\d+)");
  static const std::regex progress(R"(\{"type":"progress".*\})");
  text = std::regex_replace(text, duration, R"("time_import":0)");
  return std::regex_replace(text, progress, "PROGRESS");
}

// A report data file that lists every object the log announces, so their status is written.
std::string ReportData(const std::string& log) {
  static const std::regex announced(R"(Importing (?:Table|View|Function|StoredProcedure|)"
                                    R"(Sequence|Trigger|Package|Synonym) (\S+) to )");
  std::string objects;
  for (std::sregex_iterator it(log.begin(), log.end(), announced), end; it != end; ++it) {
    if (!objects.empty()) objects += ',';
    objects.append(R"({"object_name":")").append((*it)[1].str()).append("\"}");
  }
  return R"({"general_information":{},"objects":[)" + objects +
         R"(],"error_table":[{"error_type":"Conversion"}]})";
}

// Feeds `log` the way the launcher does (whole-line blocks, then the rest) through the embedded
// rules and, when `source` is empty, the platform supplement.
Outputs Analyze(const std::string& log, const std::string& target, RuleSource source) {
  test::TestOutputs out(target, ReportData(log));
  test::EventProbe& events = test::EventProbe::Get();
  ResetLastReportedPsqlRule();
  LogAnalyzer analyzer(std::move(source));
  analyzer.SetOption(Qve::kQVOptCString, "ANALYZE_FILE", "movarin_all.sh");
  analyzer.SetOption(Qve::kQVOptCString, "import_db", target.c_str());
  analyzer.SetOption(Qve::kQVOptCString, "report_dir", "rpt");
  analyzer.Init(true);
  const size_t loading_trace = analyzer.GetTraceText().size();
  analyzer.GetRulesManager()->GetActionManager()->SetOutputs(out.log, out.report,
                                                             events.Controller());
  analyzer.SetCommand("echo");

  constexpr size_t kBlock = 4096;
  size_t at = 0;
  for (size_t end; (end = log.rfind('\n', at + kBlock)) != std::string::npos && end >= at;) {
    analyzer.AddText(log.substr(at, end + 1 - at));
    analyzer.AnalyzeAvailable(10);
    at = end + 1;
  }
  analyzer.AddText(log.substr(at));
  analyzer.AnalyzeAvailable(1);

  Outputs result;
  std::istringstream trace(analyzer.GetTraceText().substr(loading_trace));
  for (std::string line; std::getline(trace, line);) result[0].push_back(WithoutStamp(line));
  result[1] = out.LogLines();
  rapidjson::StringBuffer data;
  rapidjson::Writer<rapidjson::StringBuffer> writer(data);
  out.report.GetDocument().Accept(writer);
  result[2].push_back(Masked(data.GetString()));
  for (const std::string& event : events.Take()) result[3].push_back(Masked(event));
  return result;
}

std::string Captured(const std::string& name) {
  return test::ReadText(ML_SOURCE_DIR "/tests/e2e/captured/" + name);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Windows command-interpreter lines the supplement must leave alone, with the SQL Server
// clients under their Windows names.
constexpr const char* kWindowsSqlServer = R"(C:\imp>rem Import of converted objects
Importing database objects to Microsoft SQL Server
C:\imp>call "tables.bat"
Importing Table dbo.emp to Microsoft SQL Server
C:\imp>sqlcmd.exe -i tables.sql -U sa -P pw -d test -S localhost
Msg 2714, Level 16, State 6, Server SQLHOST, Line 1
Warning! The maximum key length is 900 bytes.
Importing Table dbo.dept to Microsoft SQL Server
Importing data using the bcp
C:\imp>bcp.exe dbo.dept in dept.dat -d test -f dept.fmt -e dept.err -m 10 -t, -r\n -E -U sa -P pw -S localhost -b1000 -k
SQLState = 22001, NativeError = 0
Sqlcmd: Error: Microsoft ODBC Driver 17 for SQL Server : Login timeout expired.
'sqlcmd.exe' is not recognized as an internal or external command,
operable program or batch file.
C:\imp>rem End script
C:\imp>call "missing\views.bat"
The system cannot find the path specified.
C:\imp>rem End script
)";

TEST(PosixSupplementTest, WindowsLogsComeOutTheSame) {
  test::EventProbe::Get().Take();  // what earlier tests left
  struct Log {
    const char* name;
    std::string target;
    std::string text;
  };
  const std::vector<Log> logs = {
      {"psql.exe", "PostgreSQL",
       Replaced(Captured("postgresql-failures.txt"), "psql -h", "psql.exe -h")},
      {"mysql.exe", "MariaDB",
       Replaced(Captured("mariadb-failures.txt"), "mysql --host", "mysql.exe --host")},
      {"generated Oracle", "Oracle",
       bench::GenerateImportLog(4000, 11) + "C:\\imp>rem End script\n"},
      {"SQL Server", "Microsoft SQL Server", kWindowsSqlServer},
  };
  for (const Log& log : logs) {
    SCOPED_TRACE(log.name);
    const Outputs embedded = Analyze(log.text, log.target, test::EmbeddedRulesOnly());
    const Outputs supplemented = Analyze(log.text, log.target, {});
    ExpectSame(supplemented, embedded);
    // Each log must exercise the report and the events to prove anything.
    EXPECT_NE(embedded[2].front().find("\"error_link\""), std::string::npos);
    EXPECT_GT(embedded[3].size(), 2u);
  }
}

// The real Linux logs with the supplement give what their Windows-named twins give without it,
// but for the client's name: the same launches, titles, working files, errors and events.
TEST(PosixSupplementTest, LinuxLaunchesActAsTheWindowsOnes) {
  test::EventProbe::Get().Take();  // what earlier tests left
  struct Log {
    const char* file;
    const char* target;
    std::string linux_call;
  };
  for (const Log& log : {Log{"postgresql-failures.txt", "PostgreSQL", "psql"},
                         Log{"mariadb-failures.txt", "MariaDB", "mysql"}}) {
    SCOPED_TRACE(log.file);
    const std::string linux_log = Captured(log.file);
    const std::string call = log.linux_call + " -";
    const std::string windows_log = Replaced(linux_log, call, log.linux_call + ".exe -");
    ASSERT_NE(windows_log, linux_log);
    Outputs windows = Analyze(windows_log, log.target, test::EmbeddedRulesOnly());
    const Outputs supplemented = Analyze(linux_log, log.target, {});
    const std::string exe = log.linux_call + ".exe";
    for (auto& lines : windows) {
      for (std::string& line : lines) line = Replaced(line, exe, log.linux_call);
    }
    ExpectSame(supplemented, windows);
  }
}

}  // namespace
}  // namespace Qva
