#include "QVETrace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "QVETestSupport.h"

// GCC 12 reports a false -Wrestrict in std::string's operator+ depending on what else the file
// inlines (GCC bug 105651).
#pragma GCC diagnostic ignored "-Wrestrict"

namespace Qve {
namespace {

// The outputers take a va_list; these build one.
void Trace(QVTraceOutputer& out, int32_t level, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  out.Trace(level, source, format, args);
  va_end(args);
}

QVEstring LineId(QVTraceOutputer& out, int32_t level, uint32_t id, const char* source,
                 const char* format, ...) {
  va_list args;
  va_start(args, format);
  QVEstring line = out.FormatMessageId(level, id, source, format, args);
  va_end(args);
  return line;
}

QVEstring Line(QVTraceOutputer& out, int32_t level, const char* source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  QVEstring line = out.FormatMessage(level, source, format, args);
  va_end(args);
  return line;
}

// A string outputer with a fixed time stamp, so that whole lines can be compared.
class FixedStampOutputer : public QVStringTraceOutputer {
 public:
  using QVStringTraceOutputer::QVStringTraceOutputer;
  QVEstring TimeStamp() override { return "Dec 04 22:36:11 2026"; }
};

TEST(TraceOutputerTest, FileLinesCarryStampTagAndSource) {
  test::TempFolder folder;
  const std::string path = folder.File("trace.log");
  {
    QVTextFileTraceOutputer file(kQVTraceDebug);
    file.SetFile(path);
    Trace(file, kQVTraceError, "Rules manager", "bad rule %d", 7);
    Trace(file, kQVTraceOutput, "", "plain");
  }
  std::ifstream in(path, std::ios::binary);
  const std::string all{std::istreambuf_iterator<char>(in), {}};
  // Each line starts with a 20-character stamp such as "Dec 04 22:36:11 2026".
  const std::string first = " [ERR] Rules manager> bad rule 7\r\n";
  ASSERT_EQ(all.size(), 20 + first.size() + 20 + 9);
  EXPECT_EQ(all.substr(20, first.size()), first);
  EXPECT_EQ(all.substr(9, 1) + all.substr(12, 1), "::");
  EXPECT_EQ(all.substr(20 + first.size() + 20), "  plain\r\n");  // level 8: two blanks
}

TEST(TraceOutputerTest, TagsAndConsoleLabels) {
  FixedStampOutputer string(kQVTraceDebug);
  QVConsoleTraceOutputer console(kQVTraceDebug);
  EXPECT_EQ(Line(string, kQVTraceNotice, "Parse command line", "x"),
            "Dec 04 22:36:11 2026 [NTC] Parse command line> x\r\n");
  EXPECT_EQ(Line(console, kQVTraceError, "Src", "failed"), "Error: Src> failed\r\n");
  EXPECT_EQ(Line(console, kQVTraceDebug, "Src", "dbg"), "Src> dbg\r\n");
  EXPECT_EQ(Line(console, kQVTraceOutput, "", "out"), "out\r\n");
  EXPECT_EQ(LineId(console, kQVTraceError, 12, "Src", "m"), "Error(id=12): Src> m\r\n");
  EXPECT_EQ(LineId(console, kQVTraceError, 0, nullptr, "m"), "Error(id=0): m\r\n");
  EXPECT_EQ(LineId(console, kQVTraceWarning, 12, nullptr, "m"), "Warning: m\r\n");
  EXPECT_EQ(LineId(string, kQVTraceError, 12, nullptr, "m"),
            "Dec 04 22:36:11 2026 [ERR] m\r\n");  // the base ignores the id
  EXPECT_EQ(string.LevelTag(kQVTraceEmergency), "[EMR]");
  EXPECT_EQ(string.LevelTag(-1), "");
  EXPECT_EQ(console.LevelTag(kQVTraceEmergency), "Emergency:");
}

TEST(TraceOutputerTest, TrailingBlanksThenLineFeedsThenReturnsAreTrimmed) {
  QVConsoleTraceOutputer console(kQVTraceDebug);
  EXPECT_EQ(Line(console, kQVTraceOutput, nullptr, "a \r\n"), "a \r\n");
  EXPECT_EQ(Line(console, kQVTraceOutput, nullptr, "a\n\r"), "a\n\r\n");
  EXPECT_EQ(Line(console, kQVTraceOutput, nullptr, "a \n\n  "), "a \r\n");
  EXPECT_EQ(Line(console, kQVTraceOutput, "Src", ""), "Src>\r\n");
  EXPECT_EQ(Line(console, kQVTraceOutput, nullptr, nullptr), "\r\n");
}

// A huge finished text is written from where it is: the lines must be those of a copy.
TEST(TraceOutputerTest, HugeTextGivesTheSameLines) {
  test::TempFolder folder;
  const std::string huge(200000, 'w');
  {
    QVTextFileTraceOutputer file(kQVTraceDebug);
    file.SetFile(folder.File("trace.log"));
    Trace(file, kQVTraceError, "Src", "%s", (huge + " \r\n").c_str());
    Trace(file, kQVTraceOutput, "Src", "%s", std::string(100000, ' ').c_str());  // trims to "Src>"
  }
  std::ifstream in(folder.File("trace.log"), std::ios::binary);
  const std::string all{std::istreambuf_iterator<char>(in), {}};
  // Each line starts with a 20-character time stamp.
  std::string first = " [ERR] Src> ";
  first += huge;
  first += " \r\n";  // the blank before the removed line break stays
  ASSERT_EQ(all.size(), 20 + first.size() + 20 + 8);
  EXPECT_EQ(all.substr(20, first.size()), first);
  EXPECT_EQ(all.substr(40 + first.size()), "  Src>\r\n");

  QVConsoleTraceOutputer console(kQVTraceDebug);
  testing::internal::CaptureStdout();
  Trace(console, kQVTraceWarning, "", "%s", huge.c_str());
  std::string warning = "Warning: ";
  warning += huge;
  warning += "\r\n";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), warning);
}

TEST(TraceOutputerTest, LongMessageIsFormattedInFull) {
  QVStringTraceOutputer string(kQVTraceDebug);
  const std::string long_text(100000, 'q');
  Trace(string, kQVTraceOutput, nullptr, "%s!", long_text.c_str());
  const std::string text = string.GetText();
  EXPECT_EQ(text.substr(text.size() - 5), "qq!\r\n");
  EXPECT_EQ(text.size(), 20u + 2 + long_text.size() + 1 + 2);
}

// The string outputer keeps its text in compressed blocks: lines of every size, a line larger
// than a block among them, and lines that do not shrink must all come back in order.
TEST(TraceOutputerTest, StringOutputerGivesBackEveryLine) {
  QVStringTraceOutputer string(kQVTraceDebug);
  std::string expected;
  std::mt19937 random(7);
  auto add = [&](const std::string& message) {
    Trace(string, kQVTraceOutput, nullptr, "%s", message.c_str());
    expected += "  " + message + "\r\n";
  };
  for (int i = 0; i < 40000; ++i) add("line " + std::to_string(i) + " of the run");
  add(std::string(5 << 20, 'h'));
  std::string noise(100000, ' ');
  for (char& c : noise) c = static_cast<char>('!' + random() % 90);
  for (int i = 0; i < 30; ++i) add(noise);
  add("last");
  // Each line starts with a 20-character time stamp.
  std::string text = string.GetText();
  std::string stripped;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at) + 2;
    stripped.append(text, at + 20, end - at - 20);
    at = end;
  }
  EXPECT_TRUE(stripped == expected);
}

// Tests of the process-wide tracer add their own string outputer (the tracer offers no removal)
// and silence it again at the end.
class TracerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    collector_ = std::make_shared<QVStringTraceOutputer>(kQVTraceDebug);
    QVTracer::Instance().AddOutputer(collector_);
  }
  void TearDown() override { collector_->SetLevel(kQVTraceOff); }

  std::shared_ptr<QVStringTraceOutputer> collector_;
};

TEST_F(TracerTest, DispatchesByLevel) {
  QVTracer& tracer = QVTracer::Instance();
  collector_->SetLevel(kQVTraceOff);
  tracer.Trace(kQVTraceEmergency, "DispatchTest", "silent");
  tracer.Output("silent too");
  EXPECT_EQ(collector_->GetText(), "");

  collector_->SetLevel(kQVTraceWarning);
  tracer.Debug("DispatchTest", "dropped");
  tracer.Trace(kQVTraceWarning, "DispatchTest", "kept %s", "warning");
  tracer.Critical("DispatchTest", "kept critical");
  tracer.TraceId(kQVTraceError, 5, "DispatchTest", "kept id");
  tracer.Output("plain %d", 8);
  const std::string text = collector_->GetText();
  EXPECT_EQ(text.find("dropped"), std::string::npos);
  EXPECT_NE(text.find(" [WRN] DispatchTest> kept warning\r\n"), std::string::npos);
  EXPECT_NE(text.find(" [CRI] DispatchTest> kept critical\r\n"), std::string::npos);
  EXPECT_NE(text.find(" [ERR] DispatchTest> kept id\r\n"), std::string::npos);
  EXPECT_NE(text.find("  plain 8\r\n"), std::string::npos);
}

// The tracer builds one line per kind of library outputer and gives a derived outputer the
// message through its own Trace; the console line comes after what the C stream still holds.
TEST_F(TracerTest, EveryOutputerGetsItsOwnLineInOrder) {
  QVTracer& tracer = QVTracer::Instance();
  auto fixed = std::make_shared<FixedStampOutputer>(kQVTraceDebug);
  auto second = std::make_shared<QVStringTraceOutputer>(kQVTraceDebug);
  auto console = std::make_shared<QVConsoleTraceOutputer>(kQVTraceDebug);
  tracer.AddOutputer(fixed);
  tracer.AddOutputer(second);
  tracer.AddOutputer(console);
  testing::internal::CaptureStdout();
  std::printf("pending ");
  tracer.TraceId(kQVTraceError, 5, "Src", "%s", "message");
  const std::string out = testing::internal::GetCapturedStdout();
  for (auto outputer :
       std::initializer_list<std::shared_ptr<QVTraceOutputer>>{fixed, second, console}) {
    outputer->SetLevel(kQVTraceOff);
  }
  EXPECT_EQ(fixed->GetText(), "Dec 04 22:36:11 2026 [ERR] Src> message\r\n");
  EXPECT_EQ(second->GetText(), collector_->GetText());
  EXPECT_EQ(collector_->GetText().substr(20), " [ERR] Src> message\r\n");
  EXPECT_EQ(out, "pending Error(id=5): Src> message\r\n");
}

TEST_F(TracerTest, DebugLevelMapsFileAndConsoleLevels) {
  QVTracer& tracer = QVTracer::Instance();
  auto console = tracer.FindOutputer(kQVOutputerConsole);
  auto file = tracer.FindOutputer(kQVOutputerTextFile);
  ASSERT_NE(console, nullptr);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(tracer.FindOutputer(1), nullptr);
  const int32_t console_before = console->GetLevel();
  const int32_t file_before = file->GetLevel();

  const int32_t expected[] = {kQVTraceOff, kQVTraceError, kQVTraceNotice, kQVTraceInfo,
                              kQVTraceDebug};
  for (int32_t n = 0; n < 5; ++n) {
    tracer.SetDebugLevel(n);
    EXPECT_EQ(file->GetLevel(), expected[n]) << n;
    EXPECT_EQ(console->GetLevel(), kQVTraceNotice) << n;
  }
  tracer.SetOutputerLevel(kQVOutputerConsole, console_before);
  tracer.SetOutputerLevel(kQVOutputerTextFile, file_before);
  EXPECT_EQ(console->GetLevel(), console_before);
}

TEST_F(TracerTest, FourThreadsLoseAndInterleaveNoLine) {
  constexpr int kThreads = 4;
  constexpr int kMessages = 2000;
  const std::string padding(200, '.');
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &padding] {
      for (int i = 0; i < kMessages; ++i) {
        QVTracer::Instance().Trace(kQVTraceInfo, "ThreadTest", "%d-%d %s", t, i, padding.c_str());
      }
    });
  }
  for (auto& thread : threads) thread.join();

  std::set<std::string> seen;
  const std::string text = collector_->GetText();
  const std::string marker = " [INF] ThreadTest> ";
  size_t start = 0;
  size_t lines = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string line = text.substr(start, end - start);
    ++lines;
    ASSERT_EQ(line.substr(20, marker.size()), marker) << line;
    const std::string body = line.substr(20 + marker.size());
    const size_t blank = body.find(' ');
    ASSERT_EQ(body.substr(blank + 1), padding) << line;
    seen.insert(body.substr(0, blank));
  }
  EXPECT_EQ(start, text.size());
  EXPECT_EQ(lines, static_cast<size_t>(kThreads * kMessages));
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kMessages));
}

}  // namespace
}  // namespace Qve
