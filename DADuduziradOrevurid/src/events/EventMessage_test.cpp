#include "events/EventMessage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "events/Events.h"

namespace {

// What the controller test cannot show: a double as the shortest text that reads back, an
// unsigned pid, UTF-8 and escapes kept, and NaN refused with the text the controller traces.
TEST(EventMessageTest, NumbersTextsAndFailures) {
  const std::string progress = BuildEventText(ProgressEvent(4294967295u, 0.1 + 0.2), "");
  const size_t at = progress.find(R"({"pid":4294967295,"progress":)");
  ASSERT_NE(at, std::string::npos) << progress;
  EXPECT_EQ(std::strtod(progress.c_str() + at + 29, nullptr), 0.1 + 0.2) << progress;
  EXPECT_EQ(BuildEventText(ImportEvent(ImportStartPart{"a", "\"ÉMP\"\\", "", false}), ""),
            R"({"type":"import_scripts","data":{"filename":"a","objectImportName":"\"ÉMP\"\\",)"
            R"("type":"","isAdditional":false}})");
  EXPECT_THAT([] { BuildEventText(ProgressEvent(1, std::nan("")), ""); },
              testing::ThrowsMessage<std::invalid_argument>(
                  testing::StrEq("Failed to build json from event")));
}

}  // namespace
