#include "events/WizzardController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "analyzer/TraceCapture.h"
#include "events/EventContext.h"
#include "events/Events.h"
#include "events/MessageSender.h"
#include "events/TestSubscriber.h"

namespace {

using events_test::FreeTcpPort;

std::string WriteScript(const std::string& text) {
  static int counter = 0;
  const std::string path =
      testing::TempDir() + std::to_string(getpid()) + "_" + std::to_string(counter++) + ".bat";
  std::ofstream(path) << text;
  return path;
}

// A recorded error or warning (Kind) with distinct texts in the fields an event sends.
template <class Kind>
Kind Entry(uint32_t stage, const char* file, const char* code) {
  Kind entry;
  entry.stage = stage;
  entry.workingFile = file;
  entry.scriptFile = "tables.bat";
  entry.errLine = "12";
  entry.errCode = code;
  entry.errName = "ORA";
  entry.errTxt = "no such table";
  entry.errContext = "not sent";
  return entry;
}

// Every kind of event through a prefixed channel, byte for byte and in order; progress is the
// share of the script's four calls finished, at most 0.95; the final counts go as 32 bits.
TEST(ControllerTest, EventTextsArriveInOrder) {
  const uint16_t port = FreeTcpPort();
  events_test::TestSubscriber subscriber(port);
  CWizzardInspectionController controller;
  controller.Init(port, "abc", WriteScript("@echo off\ncall a\ncall b\ncall c\ncall d\n"));
  EXPECT_EQ(controller.GetTotalScripts(), 4);
  controller.StartImportEvent("tables.bat", "HR.EMPLOYEES", "Table", true);
  controller.AddError(Entry<Qva::StatError>(1, "emp.sql", "00942"));
  controller.AddError(Entry<Qva::StatWarning>(0, "emp.ctl", "2026"));
  for (int i = 0; i < 4; ++i) controller.FinishScript();
  controller.FinishedImportEvent("tables.bat");
  controller.SetFinalCounts((uint64_t{1} << 32) + 10, 0xFFFFFFFF, 1);
  controller.SendFinalMesssage();

  const std::string error = R"(","scriptFile":"tables.bat","errLine":"12","errCode":")";
  const std::string text = R"(","errName":"ORA","errTxt":"no such table"}})";
  auto progress = [](const char* value) {
    return R"(abc|{"type":"progress","data":{"pid":)" + std::to_string(getpid()) +
           R"(,"progress":)" + value + "}}";
  };
  const std::vector<std::string> expected = {
      R"(abc|{"type":"import_scripts","data":{"filename":"tables.bat",)"
      R"("objectImportName":"HR.EMPLOYEES","type":"Table","isAdditional":true}})",
      R"(abc|{"type":"import_scripts","data":{"isImportResultError":true,)"
      R"("isImportStageUnknown":false,"isImportStageDdl":true,"workingFile":"emp.sql)" +
          error + "00942" + text,
      R"(abc|{"type":"import_scripts","data":{"isImportResultError":false,)"
      R"("isImportStageUnknown":true,"isImportStageDdl":false,"workingFile":"emp.ctl)" +
          error + "2026" + text,
      progress("0.25"),
      progress("0.5"),
      progress("0.75"),
      progress("0.95"),
      R"(abc|{"type":"import_scripts","data":{"filename":"tables.bat","objectImportName":"",)"
      R"("type":"","isAdditional":false}})",
      R"(abc|{"type":"import_report","data":{"success_import":10,"fail_import":-1,)"
      R"("warnings_import":1}})"};
  std::vector<std::string> received;
  for (size_t i = 0; i < expected.size(); ++i) received.push_back(subscriber.Receive());
  EXPECT_EQ(received, expected);
}

void CallEveryOperation(CWizzardInspectionController& controller) {
  controller.StartImportEvent("a.bat", "T", "Table", false);
  controller.StartImportEvent(nullptr, nullptr, nullptr, true);
  controller.FinishedImportEvent("a.bat");
  controller.FinishScript();
  controller.AddError(Qva::StatError());
  controller.SendFinalMesssage();
}

// Port 0 leaves the channel off; a port in use is traced once, the script is still counted, and
// every later operation (a second Init too) does nothing.
TEST(ControllerTest, OffOrFailedChannelIsSilent) {
  const std::string script = WriteScript("call a.bat\ncall b.bat\n");
  Qva::test::TraceCapture trace;
  CWizzardInspectionController off;
  off.Init(0, "abc", script);
  EXPECT_FALSE(off.IsEnabled());
  EXPECT_EQ(off.GetTotalScripts(), 0);
  CallEveryOperation(off);
  EXPECT_EQ(trace.Text(), "");

  zmq::context_t context;
  zmq::socket_t holder(context, zmq::socket_type::pub);
  holder.set(zmq::sockopt::linger, 0);
  holder.bind("tcp://*:0");
  CWizzardInspectionController failed;
  failed.Init(events_test::EndpointPort(holder.get(zmq::sockopt::last_endpoint)), "", script);
  const std::string traced = trace.Text();
  EXPECT_THAT(traced, testing::HasSubstr("\nCWizzardInspectionController::Init exeption[" +
                                         std::string(zmq_strerror(EADDRINUSE)) + "]"));
  EXPECT_TRUE(failed.IsEnabled());
  EXPECT_EQ(failed.GetTotalScripts(), 2);
  failed.Init(FreeTcpPort(), "abc", script);
  CallEveryOperation(failed);
  EXPECT_EQ(trace.Text(), traced);
}

// Ending the event context must not wait for a subscriber that stopped reading. Death tests
// fork, so this runs first, before other tests start ZeroMQ threads; a hang ends in SIGALRM.
TEST(ChannelExitDeathTest, ContextTeardownGivesUpOnAStalledSubscriber) {
  EXPECT_EXIT(
      {
        alarm(60);
        const uint16_t port = FreeTcpPort();
        events_test::TestSubscriber stalled(port, true);
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
