// Throughput of the analyzer on a generated Oracle import log, fed the way the launcher feeds
// it: pieces of up to 16,383 bytes, whole lines only, AnalyzeAvailable(10) after each piece and
// AnalyzeAvailable(1) at the end.
//
// BM_Engine: the embedded rules with only the engine's own actions bound (every import action
// named by a rule is rebound to DoNothing), so the figure is the rule walk and the patterns.
// BM_FullActions: the embedded rules as the program binds them. BM_FullActionsHtmlLog: the same
// with the HTML import log open and writing to a real file in a temporary folder, as a run with
// -RPT does. Every analyzer registers an in-memory trace outputer that is never removed, so run
// each benchmark in its own process (see BENCHMARKS.md).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "ImportLogGenerator.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RuleResources.h"
#include "reports/DedezuLogger.h"

namespace {

constexpr uint64_t kLines = 1'000'000;
constexpr uint32_t kSeed = 20240607;
constexpr size_t kReadSize = 16383;

double PeakRssMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

const std::string& OracleLog() {
  static const std::string log = Qva::bench::GenerateImportLog(kLines, kSeed);
  return log;
}

// Real psql 15 output captured by the end-to-end suite, replayed to the same line count.
const std::string& PsqlLog() {
  static const std::string log = [] {
    std::ifstream in(ML_SOURCE_DIR "/tests/e2e/captured/postgresql-failures.txt", std::ios::binary);
    std::stringstream captured;
    captured << in.rdbuf();
    return Qva::bench::ReplayCapturedLog(captured.str(), kLines);
  }();
  return log;
}

// The embedded rule texts with each <Action> that is not an engine action renamed DoNothing.
std::string EngineOnlyRules(int32_t id) {
  static const std::string_view kEngine[] = {
      "DoNothing",   "CheckEmptyString", "CheckNotEmptyString", "LoadRules",
      "ReturnChunk", "SkipLines",        "IncStoragePosition"};
  const std::string text = Qva::GetResource(id);
  const std::string_view open = "<Action>";
  const std::string_view close = "</Action>";
  std::string out;
  size_t at = 0;
  for (size_t start; (start = text.find(open, at)) != std::string::npos;) {
    const size_t name = start + open.size();
    const size_t end = text.find(close, name);
    if (end == std::string::npos) break;
    const std::string_view action(text.data() + name, end - name);
    bool engine = false;
    for (std::string_view known : kEngine) engine = engine || action == known;
    out.append(text, at, name - at);
    out.append(engine ? action : std::string_view("DoNothing"));
    at = end;
  }
  out.append(text, at);
  return out;
}

int64_t Feed(Qva::LogAnalyzer& analyzer, std::string_view log) {
  int64_t errors = 0;
  std::string pending;
  for (size_t at = 0; at < log.size(); at += kReadSize) {
    pending.append(log.substr(at, kReadSize));
    const size_t last = pending.rfind('\n');
    if (last == std::string::npos) continue;
    analyzer.AddText(pending.substr(0, last + 1));
    pending.erase(0, last + 1);
    errors += analyzer.AnalyzeAvailable(10);
  }
  if (!pending.empty()) analyzer.AddText(pending);
  return errors + analyzer.AnalyzeAvailable(1);
}

void Run(benchmark::State& state, const Qva::RuleSource& rules, const std::string& log,
         bool prefilter = true) {
  const double rss_before = PeakRssMegabytes();
  uint64_t lines = 0;
  int64_t errors = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto analyzer = std::make_unique<Qva::LogAnalyzer>(rules);
    Qva::ImpLogAnalyzerActionManager::AttachTo(*analyzer, {});
    analyzer->Init(false);  // COMMON and CMD; the log's first lines activate ORACLE
    analyzer->SetPrefilterEnabled(prefilter);
    state.ResumeTiming();
    errors = Feed(*analyzer, log);
    lines = analyzer->GetStorage()->GetLineCount();
    state.PauseTiming();
    analyzer.reset();
    state.ResumeTiming();
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["errors"] = static_cast<double>(errors);
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["log_MB"] = static_cast<double>(log.size()) / (1024.0 * 1024.0);
  state.counters["rss_before_MB"] = rss_before;
  state.counters["peak_rss_MB"] = PeakRssMegabytes();
}
void BM_Engine(benchmark::State& state) { Run(state, EngineOnlyRules, OracleLog()); }
BENCHMARK(BM_Engine)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EnginePsql(benchmark::State& state) { Run(state, EngineOnlyRules, PsqlLog()); }
BENCHMARK(BM_EnginePsql)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same walks with every rule tried in full, for the prefilter's share.
void BM_EngineNoPrefilter(benchmark::State& state) {
  Run(state, EngineOnlyRules, OracleLog(), false);
}
BENCHMARK(BM_EngineNoPrefilter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_EnginePsqlNoPrefilter(benchmark::State& state) {
  Run(state, EngineOnlyRules, PsqlLog(), false);
}
BENCHMARK(BM_EnginePsqlNoPrefilter)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FullActions(benchmark::State& state) { Run(state, {}, OracleLog()); }
BENCHMARK(BM_FullActions)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FullActionsHtmlLog(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path() / ("ml_bench_html_" + std::to_string(getpid()));
  // Level 1 as the launcher opens it, so every information and error line reaches the page.
  Qva::DedezuLogger& html_log = Qva::DedezuLogger::Instance();
  html_log.Open(base.string(), "bench", "Oracle", "", "import_log.html", 1, "reports");
  Run(state, {}, OracleLog());
  html_log.WriteFooter("bench");
  html_log.Close();
  const fs::path page = base / "reports" / "Import" / "import_log.html";
  state.counters["html_MB"] = static_cast<double>(fs::file_size(page)) / (1024.0 * 1024.0);
  fs::remove_all(base);
}
BENCHMARK(BM_FullActionsHtmlLog)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
