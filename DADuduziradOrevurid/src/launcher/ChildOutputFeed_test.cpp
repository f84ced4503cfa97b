// The run's reading loop keeps only the lines rules can still read and cuts a line without end
// into pieces; the verdicts stay those of an analysis that keeps every line.
#include "launcher/ChildOutputFeed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actions/ImpLogAnalyzerActionManager.h"
#include "actions/ImportTestSupport.h"
#include "bench/ImportLogGenerator.h"

namespace Qva {
namespace {

constexpr size_t kMax = LineBlockAssembler::kMaxHeldBack;

// What one analysis decided: every match (line index, rule, lines, groups as the actions left
// them), the error count, and the objects with the line ids of their entries.
struct Verdicts {
  std::vector<std::string> matches;
  int32_t errors = 0;
  std::string objects;
  uint64_t first_kept = 0;  // of the storage at the end
};

class Analysis {
 public:
  explicit Analysis(bool keep_all) {
    actions_ = ImpLogAnalyzerActionManager::AttachTo(analyzer_, test::ReportRun());
    analyzer_.SetKeepAllLines(keep_all);
    analyzer_.Init(false);
    analyzer_.SetMatchListener(
        [this](const IAnalyzeRule& rule, const TextLines& lines, const TextLines& groups) {
          std::string match = std::to_string(rule.GetLineIndex()) + " " + rule.GetName();
          for (const Qve::QVEstring& line : lines) match += "|" + line;
          match += " =>";
          for (const Qve::QVEstring& group : groups) match += "|" + group;
          verdicts_.matches.push_back(match);
        });
  }

  LogAnalyzer& Analyzer() { return analyzer_; }

  Verdicts Take(int32_t errors) {
    verdicts_.errors = errors;
    for (const ImportObject& object : actions_->GetStatistics().GetObjects()) {
      verdicts_.objects += object.name + ":";
      for (const auto& entry : object.stats) {
        verdicts_.objects += entry->GetType() == kStatKindError ? 'E' : 'W';
        verdicts_.objects += std::to_string(entry->GetLineId()) + " ";
      }
    }
    verdicts_.first_kept = analyzer_.GetStorage()->GetFirstKept();
    return std::move(verdicts_);
  }

 private:
  LogAnalyzer analyzer_;
  std::shared_ptr<ImpLogAnalyzerActionManager> actions_;
  Verdicts verdicts_;
};

// As the run reads, in pieces of `piece` bytes (no pauses: at a pause a chunk may hold fewer
// lines than it would later, with the same verdicts but other groups); with 0, every line stored
// and the whole text at once: the storage as it was before lines were let go.
Verdicts Analyze(const std::string& log, size_t piece) {
  Analysis analysis(piece == 0);
  if (piece == 0) {
    analysis.Analyzer().AddText(log);
    return analysis.Take(analysis.Analyzer().AnalyzeAvailable(1));
  }
  ChildOutputFeed feed(analysis.Analyzer());
  int32_t errors = 0;
  for (size_t at = 0; at < log.size(); at += piece) {
    errors += feed.Add(log.data() + at, std::min(piece, log.size() - at));
  }
  errors += feed.Finish("");
  return analysis.Take(errors);
}

// The generated Oracle log has the 4-line ORA- and SQL*Loader forms that ReturnChunk takes with
// the lines after them; read in pieces of several sizes they fall across blocks and across the
// storage's chunks (the log is larger than one). Long lines among them are cut
// into pieces alike both ways.
TEST(ChildOutputFeedTest, LettingLinesGoChangesNoVerdict) {
  std::string log = bench::GenerateImportLog(60000, 20240607);
  std::string long_line = "ORA-01013 ";
  long_line.append(kMax + kMax / 2, 'x').append("\r\n");
  log.insert(log.find('\n', log.size() / 2) + 1, long_line);
  log.insert(log.find('\n', log.size() / 3) + 1, std::string(kMax, 'y').append("\n"));
  log += "Import script import_bench.sh finished\r\n";

  const Verdicts reference = Analyze(log, 0);
  ASSERT_GT(reference.errors, 1000);
  ASSERT_EQ(reference.first_kept, 0u);
  for (const size_t piece : {size_t{16383}, size_t{4093}, size_t{37}, kMax + 7}) {
    const Verdicts bounded = Analyze(log, piece);
    EXPECT_GT(bounded.first_kept, 60000u) << piece;  // lines were let go
    EXPECT_EQ(bounded.errors, reference.errors) << piece;
    EXPECT_EQ(bounded.objects, reference.objects) << piece;
    ASSERT_EQ(bounded.matches.size(), reference.matches.size()) << piece;
    for (size_t i = 0; i < reference.matches.size(); ++i) {
      ASSERT_EQ(bounded.matches[i], reference.matches[i]) << piece << " match " << i;
    }
  }
}

// A line without end never holds more than one piece back, and comes out as the storage cuts a
// long line that arrives whole: pieces of kMax, the last one shorter, each trimmed alone.
TEST(ChildOutputFeedTest, LongLinesAreCutIntoPiecesAsTheStorageCutsThem) {
  // Built by appending: GCC 12 misjudges `std::string(n, c) + "..."` (-Wrestrict).
  auto repeat = [](size_t count, char c, const char* tail = "") {
    std::string text(count, c);
    return text.append(tail);
  };
  const std::string kLines[] = {
      repeat(kMax - 1, 'a'),
      repeat(kMax, 'b'),
      repeat(kMax, 'c', "\r"),
      repeat(kMax + 1, 'd'),
      repeat(kMax - 2, 'e', "  ") + repeat(kMax + 3, 'f', "   "),
      repeat(3 * kMax + 5, 'g', "\r"),
      "short",
  };
  for (const size_t piece : {size_t{16383}, kMax + 7, 3 * kMax}) {
    std::string text;
    for (const std::string& line : kLines) text += line + "\n";
    text += repeat(2 * kMax + 9, 'h');  // no line feed: the output ends
    LogTextStorage whole;
    whole.AddText(text);

    LineBlockAssembler assembler;
    LogTextStorage pieces;
    Qve::QVEstring block;
    for (size_t at = 0; at < text.size(); at += piece) {
      if (assembler.AddPiece(text.data() + at, std::min(piece, text.size() - at), block)) {
        pieces.AddText(block);
      }
      ASSERT_LT(assembler.GetPending().size(), kMax) << piece;
    }
    if (assembler.Finish(block)) pieces.AddText(block);

    ASSERT_EQ(pieces.GetLineCount(), whole.GetLineCount()) << piece;
    for (uint64_t i = 0; i < whole.GetLineCount(); ++i) {
      ASSERT_LE(whole.PeekLine(i).size(), kMax + 1) << i;
      ASSERT_EQ(pieces.PeekLine(i), whole.PeekLine(i)) << piece << " line " << i;
    }
  }
}

}  // namespace
}  // namespace Qva
