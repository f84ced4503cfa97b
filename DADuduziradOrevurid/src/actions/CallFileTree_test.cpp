#include "actions/CallFileTree.h"

#include <gtest/gtest.h>

#include "actions/ImportRecords.h"

namespace Qva {
namespace {

TEST(CallFileTest, SplitsAtTheLastSeparatorOfEitherKind) {
  CallFile windows("C:\\Export\\\\scripts/tables\\\\t1.bat");
  EXPECT_EQ(windows.GetFileName(), "t1.bat");
  EXPECT_EQ(windows.GetDirectory(), "C:\\Export\\\\scripts/tables");
  EXPECT_EQ(windows.GetDisplayName(), "t1.bat");

  CallFile bare("movarin_all.bat");
  EXPECT_EQ(bare.GetFileName(), "movarin_all.bat");
  EXPECT_EQ(bare.GetDirectory(), "");

  CallFile rooted("/run.sh");
  EXPECT_EQ(rooted.GetFileName(), "run.sh");
  EXPECT_EQ(rooted.GetDirectory(), "");
  EXPECT_EQ(rooted.GetWorkingFile(), "");
}

TEST(CallFileTreeTest, ChildrenKeepTheirParentAndReleaseBreaksTheLinks) {
  auto root = CallFileTree::Create("movarin_all.bat");
  auto first = CallFileTree::Create("d/first.bat");
  auto second = CallFileTree::Create("d/second.bat");
  root->AddChild(first);
  root->AddChild(second);
  std::weak_ptr<CallFileTree> watch = root;

  // Holding only the newest node keeps the chain up to the root alive.
  std::shared_ptr<CallFileTree> current = second;
  root.reset();
  first.reset();
  second.reset();
  ASSERT_NE(current->GetParent(), nullptr);
  EXPECT_EQ(current->GetParent()->GetFileName(), "movarin_all.bat");
  EXPECT_EQ(current->GetParent()->GetChildren().size(), 2u);
  EXPECT_EQ(current->GetParent()->GetChildren()[0]->GetFileName(), "first.bat");
  EXPECT_EQ(current->GetParent()->GetParent(), nullptr);

  current->ReleaseTree();
  EXPECT_EQ(current->GetParent(), nullptr);
  EXPECT_TRUE(watch.expired());
}

TEST(ImportRecordsTest, TypeWordsAreExact) {
  EXPECT_EQ(ImportObjectTypeFromWord("UserDefinedType"), kObjectUserDefinedType);
  EXPECT_EQ(ImportObjectTypeFromWord("TABLE"), kObjectUnknown);
  EXPECT_EQ(ImportObjectTypeFromWord(""), kObjectUnknown);
  EXPECT_STREQ(ImportObjectTypeName(12), "unknown");
  EXPECT_STREQ(ImportObjectTypeName(200), "unknown");
}

}  // namespace
}  // namespace Qva
