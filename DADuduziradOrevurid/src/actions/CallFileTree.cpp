#include "actions/CallFileTree.h"

#include <vector>

namespace Qva {

namespace {

bool IsSeparator(char ch) { return ch == '/' || ch == '\\'; }

}  // namespace

CallFile::CallFile(const Qve::QVEstring& path) {
  size_t cut = path.find_last_of("/\\");
  if (cut == Qve::QVEstring::npos) {
    file_name_ = path;
    return;
  }
  file_name_ = path.substr(cut + 1);
  while (cut > 0 && IsSeparator(path[cut - 1])) --cut;
  directory_ = path.substr(0, cut);
}

Qve::QVEstring CallFile::GetDisplayName() const { return Qve::Utf8ToAnsi(file_name_); }

std::shared_ptr<CallFileTree> CallFileTree::Create(const Qve::QVEstring& path) {
  return std::make_shared<CallFileTree>(path);
}

void CallFileTree::AddChild(const std::shared_ptr<CallFileTree>& child) {
  if (!child || child.get() == this) return;
  children_.push_back(child);
  child->parent_ = shared_from_this();
}

void CallFileTree::ReleaseTree() {
  std::shared_ptr<CallFileTree> root = shared_from_this();
  while (root->parent_) root = root->parent_;
  // Iterative, so that deeply nested calls cannot exhaust the stack.
  std::vector<std::shared_ptr<CallFileTree>> pending{root};
  while (!pending.empty()) {
    std::shared_ptr<CallFileTree> node = std::move(pending.back());
    pending.pop_back();
    node->parent_.reset();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

}  // namespace Qva
