#include "QVETrace.h"

#include <cstdio>
#include <random>
#include <vector>

#include "QVETestSupport.h"

// GCC 12 reports a false -Wrestrict in std::string's operator+ (GCC bug 105651).
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace Qve {
namespace {

QVEstring Line(QVTraceOutputer& out, int32_t level, const uint32_t* id, const char* source,
               const char* format, ...) {
  va_list args;
  va_start(args, format);
  QVEstring line = id != nullptr ? out.FormatMessageId(level, *id, source, format, args)
                                 : out.FormatMessage(level, source, format, args);
  va_end(args);
  return line;
}

// A string outputer with a fixed time stamp, so that whole lines can be compared.
class FixedStampOutputer : public QVStringTraceOutputer {
 public:
  using QVStringTraceOutputer::QVStringTraceOutputer;
  QVEstring TimeStamp() override { return "Dec 04 22:36:11 2026"; }
};

// One line per call, as tests/data/QVEnvironment/trace-lines.expected holds them in order.
TEST(TraceOutputerTest, TagsLabelsAndTrimming) {
  FixedStampOutputer string(kQVTraceDebug);
  QVConsoleTraceOutputer console(kQVTraceDebug);
  const uint32_t twelve = 12, zero = 0;
  const QVEstring lines =
      Line(string, kQVTraceNotice, nullptr, "Parse command line", "x") +
      Line(string, kQVTraceError, &twelve, nullptr, "m") +  // the base ignores the id
      Line(console, kQVTraceError, nullptr, "Src", "failed") +
      Line(console, kQVTraceDebug, nullptr, "Src", "dbg") +
      Line(console, kQVTraceError, &zero, nullptr, nullptr) +
      Line(console, kQVTraceWarning, &twelve, nullptr, "m") +
      // Trailing blanks, then line feeds, then carriage returns.
      Line(console, kQVTraceOutput, nullptr, nullptr, "a \r\n") +
      Line(console, kQVTraceOutput, nullptr, nullptr, "a\n\r") +
      Line(console, kQVTraceOutput, nullptr, nullptr, "a \n\n  ") +
      Line(console, kQVTraceOutput, nullptr, "Src", "");
  EXPECT_EQ(lines, test::ReadTestData("QVEnvironment/trace-lines.expected"));
}

// Normal and huge messages (a huge one is written from where it is) give the same lines.
TEST(TraceOutputerTest, FileAndConsoleLines) {
  test::TempFolder folder;
  const std::string huge(200000, 'w');
  {
    QVTextFileTraceOutputer file(kQVTraceDebug);
    file.SetFile(folder.File("trace.log"));
    test::TraceTo(file, kQVTraceError, "Rules manager", "bad rule %d", 7);
    test::TraceTo(file, kQVTraceOutput, "", "plain");
    test::TraceTo(file, kQVTraceError, "Src", "%s", (huge + " \r\n").c_str());
    test::TraceTo(file, kQVTraceOutput, "Src", "%s",
                  std::string(100000, ' ').c_str());  // all trimmed
  }
  EXPECT_TRUE(test::Unstamped(test::ReadFile(folder.File("trace.log"))) ==
              " [ERR] Rules manager> bad rule 7\r\n  plain\r\n [ERR] Src> " + huge +
                  " \r\n  Src>\r\n");

  QVConsoleTraceOutputer console(kQVTraceDebug);
  testing::internal::CaptureStdout();
  test::TraceTo(console, kQVTraceWarning, "", "%s", huge.c_str());
  EXPECT_TRUE(testing::internal::GetCapturedStdout() == "Warning: " + huge + "\r\n");
}

// The string outputer keeps compressed blocks: lines of every size (one larger than a block, some
// that do not shrink) come back in order; with a tail limit, the newest whole lines, at least that.
TEST(TraceOutputerTest, StringOutputerGivesBackEveryLineOrTheTail) {
  for (const size_t limit : {size_t{0}, size_t{3} << 20}) {
    QVStringTraceOutputer string(kQVTraceDebug);
    string.SetTailLimit(limit);
    std::string expected;
    std::mt19937 random(7);
    auto add = [&](const std::string& message) {
      test::TraceTo(string, kQVTraceOutput, nullptr, "%s", message.c_str());
      expected += "  " + message + "\r\n";
    };
    for (int i = 0; i < 40000; ++i) add("line " + std::to_string(i) + " of the run");
    add(std::string(5 << 20, 'h'));
    std::string noise(100000, ' ');
    for (char& c : noise) c = static_cast<char>('!' + random() % 90);
    for (int i = 0; i < 30; ++i) add(noise);
    add("last");
    const std::string kept = test::Unstamped(string.GetText());
    if (limit == 0) {
      EXPECT_TRUE(kept == expected);
    } else {
      EXPECT_TRUE(expected.ends_with(kept));
      EXPECT_TRUE(kept.starts_with("  "));  // a whole line
      EXPECT_GE(kept.size(), 30 * noise.size());
      EXPECT_LT(kept.size(), limit + (5 << 20));
    }
  }
}

// The tracer dispatches by level, one line per kind of outputer (a derived one through its own
// Trace), the console's after what the C stream holds. Outputers are silenced, never removed.
TEST(TracerTest, DispatchesByLevelOneLinePerKindInOrder) {
  QVTracer& tracer = QVTracer::Instance();
  auto collector = std::make_shared<QVStringTraceOutputer>(kQVTraceWarning);
  tracer.AddOutputer(collector);
  tracer.Debug("Dispatch", "dropped");
  tracer.Trace(kQVTraceWarning, "Dispatch", "kept %s", "warning");
  tracer.Output("plain %d", 8);
  const std::vector<std::shared_ptr<QVTraceOutputer>> added = {
      std::make_shared<FixedStampOutputer>(kQVTraceDebug),
      std::make_shared<QVStringTraceOutputer>(kQVTraceDebug),
      std::make_shared<QVConsoleTraceOutputer>(kQVTraceDebug), collector};
  for (size_t i = 0; i < 3; ++i) tracer.AddOutputer(added[i]);
  testing::internal::CaptureStdout();
  std::printf("pending ");
  tracer.TraceId(kQVTraceError, 5, "Src", "%s", "message");
  const std::string out = testing::internal::GetCapturedStdout();
  for (const auto& outputer : added) outputer->SetLevel(kQVTraceOff);
  tracer.Critical("Dispatch", "silent");
  EXPECT_EQ(out, "pending Error(id=5): Src> message\r\n");
  EXPECT_EQ(static_cast<QVStringTraceOutputer&>(*added[0]).GetText(),
            "Dec 04 22:36:11 2026 [ERR] Src> message\r\n");
  EXPECT_EQ(static_cast<QVStringTraceOutputer&>(*added[1]).GetText().substr(20),
            " [ERR] Src> message\r\n");
  EXPECT_EQ(test::Unstamped(collector->GetText()),
            " [WRN] Dispatch> kept warning\r\n  plain 8\r\n [ERR] Src> message\r\n");
}

}  // namespace
}  // namespace Qve
