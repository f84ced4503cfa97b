#include "events/EventMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "events/Events.h"
#include "events/TestSubscriber.h"
#include "events/WizzardController.h"

namespace {

// The wire texts themselves are pinned by the controller's subscriber tests; these cover what a
// controller cannot produce.
TEST(EventMessageTest, DoublesAreShortAndRoundTripTextsAreEscaped) {
  const std::string head = R"({"type":"progress","data":{"pid":4294967295,"progress":)";
  const std::string text = BuildEventText(ProgressEvent(4294967295u, 0.1 + 0.2), "");
  ASSERT_EQ(text.substr(0, head.size()), head);
  const std::string number = text.substr(head.size(), text.size() - head.size() - 2);
  EXPECT_EQ(std::strtod(number.c_str(), nullptr), 0.1 + 0.2);
  EXPECT_LE(number.size(), 19u);

  ImportStartPart start{"a.bat", "HR.\"ÉMP\"\\x\ty", "Table", false};
  EXPECT_THAT(BuildEventText(ImportEvent(start), ""),
              testing::HasSubstr(R"("objectImportName":"HR.\"ÉMP\"\\x\ty",)"));
}

TEST(EventMessageTest, FailuresAndEmptyEvents) {
  EXPECT_THROW(BuildEventText(ImportEvent(), ""), std::bad_optional_access);
  try {
    BuildEventText(ProgressEvent(1, std::nan("")), "");
    ADD_FAILURE() << "NaN serialised";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "Failed to build json from event");
  }
  EXPECT_EQ(BuildEventText(events_test::EmptyEvent(), "abc"), "");
}

TEST(CountScriptCallsTest, OnlyLinesStartingWithLowerCaseCallAndBlank) {
  const std::string path = testing::TempDir() + "count_calls.bat";
  std::ofstream(path) << "@echo off\ncall a.bat\r\n call b.bat\nCALL c.bat\ncall\ncallx.bat\n"
                         "\tcall d.bat\nrem call e.bat\ncall  f.bat\ncall g.bat arg\ncall h.bat";
  EXPECT_EQ(CountScriptCalls(path), 4);
  EXPECT_EQ(CountScriptCalls(path + ".missing"), 0);

  // The count is kept in 16 bits.
  std::ofstream wrap(path, std::ios::trunc);
  for (int i = 0; i < 65537; ++i) wrap << "call x\n";
  wrap.close();
  EXPECT_EQ(CountScriptCalls(path), 1);
}

}  // namespace
