#include "events/WizzardController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>

#include "QVETestSupport.h"
#include "analyzer/TraceCapture.h"
#include "events/EventContext.h"
#include "events/Events.h"
#include "events/MessageSender.h"
#include "events/TestSubscriber.h"

namespace {

// Every kind of event through a prefixed channel, byte for byte and in order (as in
// tests/data/events/controller-events.txt): progress is the share of the script's calls finished
// (lines of calls.bat that start with "call" and a blank), at most 0.95; final counts go as 32
// bits.
TEST(ControllerTest, EventTextsArriveInOrder) {
  const uint16_t port = events_test::FreeTcpPort();
  events_test::TestSubscriber subscriber(port);
  CWizzardInspectionController controller;
  ASSERT_FALSE(Qve::test::ReadTestData("events/calls.bat")
                   .empty());  // the script whose calls the controller counts
  controller.Init(port, "abc", ML_SOURCE_DIR "/tests/data/events/calls.bat");
  controller.StartImportEvent("tables.bat", "HR.EMPLOYEES", "Table", true);
  Qva::StatError error;  // of an unknown stage
  error.stage = 0;
  error.workingFile = "emp.sql";
  error.scriptFile = "tables.bat";
  error.errLine = "12";
  error.errCode = "00942";
  error.errName = "ORA";
  error.errTxt = "no such table";
  error.errContext = "not sent";
  controller.AddError(error);
  for (int i = 0; i < 4; ++i) controller.FinishScript();
  controller.FinishedImportEvent("tables.bat");
  controller.SetFinalCounts((uint64_t{1} << 32) + 10, 0xFFFFFFFF, 1);
  controller.SendFinalMesssage();

  std::string received;
  for (int i = 0; i < 8; ++i) received += subscriber.Receive() + "\n";
  const std::string pid = "\"pid\":" + std::to_string(getpid());
  EXPECT_EQ(std::regex_replace(received, std::regex(pid), "PID"),
            Qve::test::ReadTestData("events/controller-events.txt"));
}

// A port in use is traced, the script still counted, and every later operation (a second Init
// too) does nothing.
TEST(ControllerTest, FailedChannelIsSilent) {
  zmq::context_t context;
  zmq::socket_t holder(context, zmq::socket_type::pub);
  holder.bind("tcp://*:0");
  const std::string script = ML_SOURCE_DIR "/tests/data/events/calls.bat";  // four calls
  Qva::test::TraceCapture trace;
  CWizzardInspectionController failed;
  failed.Init(events_test::EndpointPort(holder.get(zmq::sockopt::last_endpoint)), "", script);
  EXPECT_THAT(trace.Text(), testing::HasSubstr("\nCWizzardInspectionController::Init exeption[" +
                                               std::string(zmq_strerror(EADDRINUSE)) + "]"));
  EXPECT_EQ(failed.GetTotalScripts(), 4);
  failed.Init(events_test::FreeTcpPort(), "abc", script);
  failed.StartImportEvent(nullptr, nullptr, nullptr, true);
  failed.FinishedImportEvent("a.bat");
  failed.FinishScript();
  failed.AddError(Qva::StatError());
  failed.SendFinalMesssage();
  EXPECT_EQ(trace.Count("exeption"), 1u) << trace.Text();
}

// Ending the event context must not wait for a subscriber that stopped reading (a hang ends in
// SIGALRM). Death tests fork, so this runs first, before other tests start ZeroMQ threads.
TEST(ChannelExitDeathTest, ContextTeardownGivesUpOnAStalledSubscriber) {
  EXPECT_EXIT(
      {
        alarm(60);
        const uint16_t port = events_test::FreeTcpPort();
        events_test::TestSubscriber stalled(port, true);
        {
          EventSystem::EventContext context(1);
          auto sender = context.CreateSender(port, "", EventSystem::kBindMode);
          if (!stalled.Join(*sender, std::make_shared<ProgressEvent>(0, 0.0))) std::exit(2);
          auto event = std::make_shared<ImportEvent>(
              ImportStartPart{"a.bat", std::string(4 << 20, 'x'), "Table"});
          for (int i = 0; i < 4; ++i) sender->Send(event);
        }
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
