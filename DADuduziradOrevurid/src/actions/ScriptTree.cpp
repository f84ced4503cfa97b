#include "actions/ScriptTree.h"

#include <string_view>
#include <utility>

namespace Qva {

namespace {

// A script name as both ends of a script give it: the start line names "tables" where the
// finished line names "tables.sh", and either may carry a folder.
std::string_view ScriptKey(std::string_view name) {
  const size_t cut = name.find_last_of("/\\");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  if (name.size() > 3 && name.ends_with(".sh")) name.remove_suffix(3);
  return name;
}

}  // namespace

ScriptTree::~ScriptTree() {
  // Parents and children hold each other; break the cycles so the tree is freed.
  if (root_) root_->ReleaseTree();
}

void ScriptTree::Begin(const Qve::QVEstring& root) {
  if (root_) root_->ReleaseTree();
  root_ = CallFileTree::Create(root);
  current_ = root_;
}

Qve::QVEstring ScriptTree::CurrentName() const {
  return current_ ? current_->GetDisplayName() : Qve::QVEstring();
}

void ScriptTree::Call(const Qve::QVEstring& path) {
  std::shared_ptr<CallFileTree> called = CallFileTree::Create(path);
  if (current_) current_->AddChild(called);
  current_ = std::move(called);
}

bool ScriptTree::ReturnToCaller() {
  if (AtRoot()) return false;
  current_ = current_->GetParent();
  return true;
}

std::shared_ptr<CallFileTree> ScriptTree::FindOpen(const Qve::QVEstring& named) const {
  if (named.empty()) return nullptr;
  const std::string_view key = ScriptKey(named);
  for (std::shared_ptr<CallFileTree> node = current_; node; node = node->GetParent()) {
    if (ScriptKey(node->GetFileName()) == key) return node;
  }
  return nullptr;
}

}  // namespace Qva
