#include "events/WizzardController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <future>

#include "QVETrace.h"
#include "events/EventContext.h"
#include "events/Events.h"
#include "events/MessageSender.h"
#include "events/TestSubscriber.h"

namespace {

using events_test::EndpointPort;
using events_test::FreeTcpPort;
using events_test::TestSubscriber;
using testing::HasSubstr;

std::string WriteScript(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
  std::ofstream(path) << text;
  return path;
}

// What the controller traced since construction.
class TraceCapture {
 public:
  TraceCapture() : start_(Outputer().GetText().size()) {}
  std::string Added() const { return Outputer().GetText().substr(start_); }

 private:
  static Qve::QVStringTraceOutputer& Outputer() {
    static const auto outputer = [] {
      auto added = std::make_shared<Qve::QVStringTraceOutputer>(Qve::kQVTraceOutput);
      Qve::QVTracer::Instance().AddOutputer(added);
      return added;
    }();
    return *outputer;
  }
  size_t start_;
};

// A recorded error (Kind StatError) or warning (StatWarning) with the fields an event sends.
template <class Kind>
Kind Entry(uint32_t stage, const char* working_file, const char* script_file, const char* line,
           const char* code, const char* name, const char* text) {
  Kind entry;
  entry.stage = stage;
  entry.workingFile = working_file;
  entry.scriptFile = script_file;
  entry.errLine = line;
  entry.errCode = code;
  entry.errName = name;
  entry.errTxt = text;
  entry.errContext = "not sent";
  return entry;
}

std::string Progress(const char* value) {
  return R"({"type":"progress","data":{"pid":)" + std::to_string(getpid()) + R"(,"progress":)" +
         value + "}}";
}

// A controller on a free port with a subscriber connected before Init.
struct Flow {
  Flow(std::string message_prefix, const std::string& name, const std::string& script_text)
      : port(FreeTcpPort()),
        prefix(std::move(message_prefix)),
        script(WriteScript(name, script_text)),
        subscriber(port) {}

  std::vector<std::string> Receive(size_t count) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < count; ++i) texts.push_back(subscriber.Receive());
    return texts;
  }

  uint16_t port;
  std::string prefix;
  std::string script;
  TestSubscriber subscriber;
  CWizzardInspectionController controller;
};

// The three flows share one real 3-second wait: their Inits run side by side. Which lines
// count as calls is CountScriptCalls' own test.
class ControllerFlowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string four_calls = "@echo off\ncall a.bat\ncall b.bat\ncall c.bat\ncall d.bat\n";
    plain_ = std::make_unique<Flow>("", "four_calls.bat", four_calls);
    prefixed_ = std::make_unique<Flow>("abc", "prefixed.bat", four_calls);
    no_calls_ = std::make_unique<Flow>("", "no_calls.bat", " call a.bat\nCALL b.bat\n");
    std::vector<std::future<void>> inits;
    for (Flow* flow : {plain_.get(), prefixed_.get(), no_calls_.get()}) {
      inits.push_back(std::async(std::launch::async, [flow] {
        flow->controller.Init(flow->port, flow->prefix, flow->script);
      }));
    }
    for (auto& init : inits) init.get();
  }

  static void TearDownTestSuite() {
    plain_.reset();
    prefixed_.reset();
    no_calls_.reset();
  }

  // Every kind of event once (errors of stages 1, 2 and 0), five script ends, and the texts they
  // give without a prefix.
  static std::vector<std::string> SendAll(CWizzardInspectionController& controller) {
    EXPECT_EQ(controller.GetTotalScripts(), 4);
    controller.StartImportEvent("tables.bat", "HR.EMPLOYEES", "Table", true);
    using Qva::StatError;
    using Qva::StatWarning;
    controller.AddError(
        Entry<StatError>(1, "emp.sql", "tables.bat", "12", "00942", "ORA", "no such table"));
    controller.AddError(
        Entry<StatWarning>(2, "emp.ctl", "data.bat", "", "2026", "SQL*Loader", "discontinued"));
    controller.AddError(Entry<StatError>(0, "", "seq.bat", "", "1", "ERROR", "unknown stage"));
    for (int i = 0; i < 5; ++i) controller.FinishScript();
    controller.FinishedImportEvent("tables.bat");
    controller.SetFinalCounts((uint64_t{1} << 32) + 10, 0xFFFFFFFF, 1);
    controller.SendFinalMesssage();
    return {R"({"type":"import_scripts","data":{"filename":"tables.bat",)"
            R"("objectImportName":"HR.EMPLOYEES","type":"Table","isAdditional":true}})",
            R"({"type":"import_scripts","data":{"isImportResultError":true,)"
            R"("isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"emp.sql",)"
            R"("scriptFile":"tables.bat","errLine":"12","errCode":"00942","errName":"ORA",)"
            R"("errTxt":"no such table"}})",
            R"({"type":"import_scripts","data":{"isImportResultError":false,)"
            R"("isImportStageUnknown":false,"isImportStageDdl":false,"workingFile":"emp.ctl",)"
            R"("scriptFile":"data.bat","errLine":"","errCode":"2026","errName":"SQL*Loader",)"
            R"("errTxt":"discontinued"}})",
            R"({"type":"import_scripts","data":{"isImportResultError":true,)"
            R"("isImportStageUnknown":true,"isImportStageDdl":false,"workingFile":"",)"
            R"("scriptFile":"seq.bat","errLine":"","errCode":"1","errName":"ERROR",)"
            R"("errTxt":"unknown stage"}})",
            Progress("0.25"),
            Progress("0.5"),
            Progress("0.75"),
            Progress("0.95"),
            Progress("0.95"),
            R"({"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"",)"
            R"("type":"","isAdditional":false}})",
            R"({"type":"import_report","data":{"success_import":10,"fail_import":-1,)"
            R"("warnings_import":1}})"};
  }

  static inline std::unique_ptr<Flow> plain_;
  static inline std::unique_ptr<Flow> prefixed_;
  static inline std::unique_ptr<Flow> no_calls_;
};

TEST_F(ControllerFlowTest, ImportEventsArriveInOrderByteForByte) {
  const std::vector<std::string> expected = SendAll(plain_->controller);
  EXPECT_EQ(plain_->Receive(expected.size()), expected);
}

TEST_F(ControllerFlowTest, PrefixedEventsAreTheSameTextsAfterThePrefix) {
  std::vector<std::string> expected = SendAll(prefixed_->controller);
  for (std::string& text : expected) text = "abc|" + text;
  EXPECT_EQ(prefixed_->Receive(expected.size()), expected);
}

TEST_F(ControllerFlowTest, ScriptWithoutCallsSendsNoProgress) {
  auto& controller = no_calls_->controller;
  EXPECT_EQ(controller.GetTotalScripts(), 0);
  controller.FinishScript();
  controller.SetFinalCounts(1, 0, 0);
  controller.SendFinalMesssage();
  EXPECT_EQ(no_calls_->subscriber.Receive(),
            R"({"type":"import_report","data":{"success_import":1,"fail_import":0,)"
            R"("warnings_import":0}})");
}

void CallEveryOperation(CWizzardInspectionController& controller) {
  controller.StartImportEvent("a.bat", "T", "Table", false);
  controller.StartImportEvent(nullptr, nullptr, nullptr, true);
  controller.FinishedImportEvent("a.bat");
  controller.FinishScript();
  controller.AddError(Qva::StatError());
  controller.SetFinalCounts(1, 2, 3);
  controller.SendFinalMesssage();
}

TEST(ControllerTest, PortZeroLeavesTheControllerDisabledAndSilent) {
  const std::string script = WriteScript("port0.bat", "call a.bat\n");
  TraceCapture trace;
  CWizzardInspectionController controller;
  controller.Init(0, "abc", script);
  EXPECT_FALSE(controller.IsEnabled());
  EXPECT_EQ(controller.GetTotalScripts(), 0);
  CallEveryOperation(controller);
  EXPECT_EQ(trace.Added(), "");
}

TEST(ControllerTest, PortInUseIsTracedAndLaterOperationsAreSilent) {
  zmq::context_t context;
  zmq::socket_t holder(context, zmq::socket_type::pub);
  holder.set(zmq::sockopt::linger, 0);
  holder.bind("tcp://*:0");
  const uint16_t port = EndpointPort(holder.get(zmq::sockopt::last_endpoint));
  const std::string script = WriteScript("busy.bat", "call a.bat\ncall b.bat\n");

  TraceCapture trace;
  CWizzardInspectionController controller;
  controller.Init(port, "abc", script);
  const std::string traced = trace.Added();
  EXPECT_THAT(traced, HasSubstr("\nCWizzardInspectionController::Init exeption[" +
                                std::string(zmq_strerror(EADDRINUSE)) + "]"));
  EXPECT_TRUE(controller.IsEnabled());
  EXPECT_EQ(controller.GetTotalScripts(), 2);  // the script is still counted

  controller.Init(FreeTcpPort(), "abc", script);  // once enabled, Init is done
  CallEveryOperation(controller);
  EXPECT_EQ(trace.Added(), traced);
}

// Death tests fork, so these run first, before other tests start ZeroMQ threads. A hang would
// end in SIGALRM, not in the expected exit code.
TEST(ChannelExitDeathTest, ProcessExitsWithTheControllerNeverDestroyed) {
  const uint16_t port = FreeTcpPort();
  const std::string script = WriteScript("exit.bat", "call a.bat\n");
  EXPECT_EXIT(
      {
        alarm(60);
        TestSubscriber stalled(port, true);  // never reads: messages stay queued at exit
        auto& controller = CWizzardInspectionController::Instance();
        controller.Init(port, "abc", script);
        const std::string big(4 << 20, 'x');
        for (int i = 0; i < 4; ++i) {
          controller.StartImportEvent("a.bat", big.c_str(), "Table", false);
        }
        controller.SendFinalMesssage();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(ChannelExitDeathTest, ContextTeardownGivesUpOnAStalledSubscriber) {
  EXPECT_EXIT(
      {
        alarm(60);
        const uint16_t port = FreeTcpPort();
        TestSubscriber stalled(port, true);  // outlives the context, never reads after joining
        {
          EventSystem::EventContext context(1);
          auto sender = context.CreateSender(port, "", EventSystem::kBindMode);
          auto probe = std::make_shared<ProgressEvent>(0, 0.0);
          if (!events_test::WaitForSubscription(*sender, stalled, probe)) std::exit(2);
          const std::string big(4 << 20, 'x');
          auto event = std::make_shared<ImportEvent>(ImportStartPart{"a.bat", big, "Table"});
          for (int i = 0; i < 4; ++i) sender->Send(event);
        }
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
