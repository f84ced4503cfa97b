#include "records/ImportRecords.h"

#include <gtest/gtest.h>

#include <string>

namespace Qva {
namespace {

// Every type word leads to its code and back; case, code 12 and codes past the list have none.
TEST(ImportRecordsTest, TypeWordsAndNames) {
  for (uint32_t code = 1; code <= kObjectTypeLast; ++code) {
    if (code == 12) continue;
    EXPECT_EQ(ImportObjectTypeFromWord(ImportObjectTypeName(code)), code) << code;
  }
  EXPECT_STREQ(ImportObjectTypeName(kObjectTable), "Table");
  EXPECT_STREQ(ImportObjectTypeName(kObjectEvent), "Event");
  for (const uint32_t code : {0u, 12u, kObjectTypeLast + 1}) {
    EXPECT_STREQ(ImportObjectTypeName(code), "unknown") << code;
  }
  for (const char* word : {"", "table", "Tables", "unknown", " Table"}) {
    EXPECT_EQ(ImportObjectTypeFromWord(word), kObjectUnknown) << word;
  }
}

}  // namespace
}  // namespace Qva
