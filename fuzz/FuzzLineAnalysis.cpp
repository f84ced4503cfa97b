// Child output through the analyzer, fed as the analyzed run feeds it, with the rule groups of
// the target systems active.
//
// Input: byte 0 chooses the groups (bit 0 ORACLE, 1 POSTGRES, 2 MICROSOFT SQL SERVER, 3 MYSQL,
// 4 SINGLESTOREDB; bit 7 ends the output with the line a shell prints for a killed script),
// byte 1 the size of the pieces the output arrives in (1 to 16,383 bytes), the rest is the
// output. A seed that is plain text (a captured log) simply spends its first two characters.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "QVETrace.h"
#include "actions/ImpLogAnalyzerActionManager.h"
#include "analyzer/LogAnalyzer.h"
#include "analyzer/RuleKeywords.h"
#include "launcher/ChildOutputFeed.h"
#include "launcher/MigrationLauncher.h"

namespace {

constexpr int32_t kTargetGroups[] = {Qva::RuleGroup::kOracle, Qva::RuleGroup::kPostgreSql,
                                     Qva::RuleGroup::kMsSql, Qva::RuleGroup::kMySql,
                                     Qva::RuleGroup::kSingleStoreDb};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every trace line is formatted as in a run and written to the console, which goes nowhere;
  // libFuzzer reports on standard error.
  if (!std::freopen("/dev/null", "w", stdout)) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t groups = data[0];
  const size_t piece = 1 + (static_cast<size_t>(data[1]) * 64) % Qva::kChildReadSize;
  const char* output = reinterpret_cast<const char*>(data + 2);
  const size_t output_size = size - 2;

  Qva::LogAnalyzer analyzer;
  Qva::RunSettings settings;
  settings.command = "echo all ";
  Qva::ImpLogAnalyzerActionManager::AttachTo(analyzer, settings);
  analyzer.Init(false);
  // Each analyzer leaves its own trace collector with the tracer for good: silence them all,
  // so that collectors of earlier inputs do not grow with this one, and keep the console.
  Qve::QVTracer& tracer = Qve::QVTracer::Instance();
  tracer.SetAllLevels(Qve::kQVTraceOff);
  tracer.SetOutputerLevel(Qve::kQVOutputerConsole, Qve::kQVTraceDebug);
  for (size_t bit = 0; bit < std::size(kTargetGroups); ++bit) {
    if (groups & (1u << bit)) analyzer.GetRulesManager()->ActivateGroup(kTargetGroups[bit]);
  }
  analyzer.SetCommand("echo all ");

  Qva::ChildOutputFeed feed(analyzer);
  for (size_t at = 0; at < output_size; at += piece) {
    feed.Add(output + at, output_size - at < piece ? output_size - at : piece);
  }
  feed.Finish((groups & 0x80) ? "Killed" : "");
  return 0;
}
