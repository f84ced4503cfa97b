#include "actions/CallFileTree.h"

#include <gtest/gtest.h>

#include "actions/ImportRecords.h"

namespace Qva {
namespace {

// The file name follows the last separator of either kind.
TEST(CallFileTest, SplitsAtTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(CallFile("C:\\Export\\\\scripts/tables\\\\t1.bat").GetFileName(), "t1.bat");
  EXPECT_EQ(CallFile("C:\\Export\\\\scripts/tables\\t1.bat").GetDirectory(),
            "C:\\Export\\\\scripts/tables");
  EXPECT_EQ(CallFile("/run.sh").GetFileName(), "run.sh");
  EXPECT_EQ(CallFile("/run.sh").GetDirectory(), "");
}

// Holding only the newest node keeps the chain up to the root alive; ReleaseTree frees it.
TEST(CallFileTreeTest, ChildrenKeepTheirParentAndReleaseBreaksTheLinks) {
  auto root = CallFileTree::Create("movarin_all.bat");
  std::shared_ptr<CallFileTree> current = CallFileTree::Create("d/second.bat");
  root->AddChild(CallFileTree::Create("d/first.bat"));
  root->AddChild(current);
  std::weak_ptr<CallFileTree> watch = root;
  root.reset();
  ASSERT_NE(current->GetParent(), nullptr);
  EXPECT_EQ(current->GetParent()->GetChildren()[0]->GetFileName(), "first.bat");
  current->ReleaseTree();
  EXPECT_EQ(current->GetParent(), nullptr);
  EXPECT_TRUE(watch.expired());
}

TEST(ImportRecordsTest, TypeWordsAreExact) {
  EXPECT_EQ(ImportObjectTypeFromWord("UserDefinedType"), kObjectUserDefinedType);
  EXPECT_EQ(ImportObjectTypeFromWord("TABLE"), kObjectUnknown);
  EXPECT_STREQ(ImportObjectTypeName(12), "unknown");
  EXPECT_STREQ(ImportObjectTypeName(200), "unknown");
}

}  // namespace
}  // namespace Qva
