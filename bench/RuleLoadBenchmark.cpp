// Time to load one rule file of the user's, as a run or -CHECK_RULES loads it (the embedded
// rules first, then the file, every sample checked), for files of 1,000 to 8,000 rules. The
// rules are the kind a team writes for its own scripts: one message code each, a sample that the
// rule takes and one that it must not, priorities and behaviours mixed. Google Benchmark's
// complexity fit tells whether the time grows with the count or its square.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/UserRuleLoader.h"

namespace {

const char* const kPriorities[] = {"VERYHIGH", "HIGH", "MID", "LOW", "VERYLOW"};
const char* const kBehaviors[] = {"HARDSTOP", "HARDSTOP", "SOFTSTOP", "NONSTOP"};

std::string RuleFileText(int64_t count) {
  std::string text = "<AnalyzeRules id=\"100000\" group=\"POSTGRESQL\">\n";
  for (int64_t i = 1; i <= count; ++i) {
    const std::string code = "APP" + std::to_string(10000 + i);
    text += "<AnalyzeRule id=\"" + std::to_string(i) + "\" name=\"Own" + std::to_string(i) +
            "\" type=\"REGEX\" priority=\"" + kPriorities[i % 5] + "\" behavior=\"" +
            kBehaviors[i % 4] + "\">\n";
    text += "  <Match>^" + code + "-E: (.*)\\n</Match>\n";
    text += "  <Output>Step failed: [#1]</Output>\n";
    text += "  <Action>OutputResultErrorPostgresql</Action>\n";
    text += "  <Sample>" + code + "-E: lookup file regions.csv is missing</Sample>\n";
    text += "  <Sample match=\"no\">" + code + "-I: lookup file regions.csv loaded</Sample>\n";
    text += "</AnalyzeRule>\n";
  }
  return text + "</AnalyzeRules>\n";
}

void BM_LoadUserRuleFile(benchmark::State& state) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("rule_load_bench_" + std::to_string(::getpid()) + ".xml");
  std::ofstream(path) << RuleFileText(state.range(0));
  for (auto _ : state) {
    auto actions = std::make_shared<Qva::ImpLogAnalyzerActionManager>(nullptr, Qva::RunSettings{});
    const auto verdicts = Qva::CheckUserRuleFiles(actions, {path.string()}, true);
    if (verdicts.size() != 1 || !verdicts[0].fault.empty() || verdicts[0].rules != state.range(0)) {
      state.SkipWithError(verdicts.empty() ? "no verdict" : verdicts[0].fault.c_str());
      break;
    }
  }
  std::filesystem::remove(path);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadUserRuleFile)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
