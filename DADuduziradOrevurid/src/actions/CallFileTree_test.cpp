#include "actions/CallFileTree.h"

#include <gtest/gtest.h>

#include <memory>

namespace Qva {
namespace {

// The name shown is the part after the last separator of either kind.
TEST(CallFileTreeTest, FileNameIsThePartAfterTheLastSeparator) {
  const struct {
    const char* path;
    const char* name;
  } cases[] = {
      {"movarin_all.bat", "movarin_all.bat"},
      {"C:\\imp\\tables.bat", "tables.bat"},
      {"/opt/import//tables.sh", "tables.sh"},
      {"mixed/dir\\x.sql", "x.sql"},
      {"trailing/", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CallFile(c.path).GetFileName(), c.name) << c.path;
}

// A missing child, or the node itself, is never added: a node that were its own child or parent
// would make every walk up the tree endless (so the checks stop the test before ReleaseTree).
// Releasing from any node frees the whole tree once nobody else holds its nodes.
TEST(CallFileTreeTest, NeverAddsItselfOrNothingAndReleasesFromAnyNode) {
  std::weak_ptr<CallFileTree> root_seen, leaf_seen;
  {
    auto root = CallFileTree::Create("all.sh");
    root->AddChild(root);
    root->AddChild(nullptr);
    ASSERT_TRUE(root->GetChildren().empty());
    ASSERT_FALSE(root->GetParent());
    auto middle = CallFileTree::Create("tables.sh");
    auto leaf = CallFileTree::Create("views.sh");
    root->AddChild(middle);
    middle->AddChild(middle);
    middle->AddChild(leaf);
    ASSERT_EQ(root->GetChildren(), std::vector<std::shared_ptr<CallFileTree>>{middle});
    ASSERT_EQ(middle->GetParent(), root);
    ASSERT_EQ(middle->GetChildren(), std::vector<std::shared_ptr<CallFileTree>>{leaf});
    root_seen = root;
    leaf_seen = leaf;
    leaf->ReleaseTree();
    EXPECT_FALSE(middle->GetParent());
    EXPECT_TRUE(middle->GetChildren().empty());
  }
  EXPECT_TRUE(root_seen.expired());
  EXPECT_TRUE(leaf_seen.expired());
}

}  // namespace
}  // namespace Qva
