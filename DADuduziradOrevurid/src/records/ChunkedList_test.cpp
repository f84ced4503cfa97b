// The grow-only list across its block boundaries: order, indexing, the newest element, and that
// growing moves nothing already in it.
#include "records/ChunkedList.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace Qva {
namespace {

// Three elements a block, so that a few appends cross several boundaries.
using SmallBlocks = ChunkedList<std::string, 3 * sizeof(std::string)>;

TEST(ChunkedListTest, KeepsOrderAndPlaceAcrossBlocks) {
  static_assert(SmallBlocks::kBlockSize == 3);
  struct Large {
    char bytes[1000];
  };
  static_assert(ChunkedList<Large, 100>::kBlockSize == 1);  // never an empty block
  SmallBlocks list;
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.begin(), list.end());
  EXPECT_THROW(list.at(0), std::out_of_range);

  std::vector<const std::string*> places;
  for (size_t count = 1; count <= 10; ++count) {
    list.push_back("item " + std::to_string(count));
    places.push_back(&list.back());
    EXPECT_EQ(list.size(), count);
    EXPECT_EQ(list.back(), "item " + std::to_string(count));
  }
  list[4] += " changed";
  std::vector<std::string> walked(list.begin(), list.end());
  ASSERT_EQ(walked.size(), 10u);
  for (size_t index = 0; index < 10; ++index) {
    SCOPED_TRACE(index);
    const std::string expected =
        "item " + std::to_string(index + 1) + (index == 4 ? " changed" : "");
    EXPECT_EQ(walked[index], expected);
    EXPECT_EQ(list.at(index), expected);
    EXPECT_EQ(&list[index], places[index]);  // never moved by the appends after it
  }
  EXPECT_THROW(list.at(10), std::out_of_range);
  EXPECT_FALSE(list.empty());
}

// Elements that can only be moved are moved in, and the list owns them.
TEST(ChunkedListTest, TakesMoveOnlyElements) {
  ChunkedList<std::unique_ptr<int>, 2 * sizeof(std::unique_ptr<int>)> list;
  for (int value = 0; value < 5; ++value) list.push_back(std::make_unique<int>(value));
  int sum = 0;
  for (const auto& element : list) sum += *element;
  EXPECT_EQ(sum, 10);
  EXPECT_EQ(*list.back(), 4);
}

}  // namespace
}  // namespace Qva
