// The tree of the import's scripts as the import actions follow it: the top-level script at
// its root, and the script running now.
#pragma once

#include <memory>

#include "QVEString.h"
#include "actions/CallFileTree.h"

namespace Qva {

class ScriptTree {
 public:
  ScriptTree() = default;
  ~ScriptTree();
  ScriptTree(const ScriptTree&) = delete;
  ScriptTree& operator=(const ScriptTree&) = delete;

  // Starts afresh: `root` (taken as it is) becomes the root and the current script.
  void Begin(const Qve::QVEstring& root);

  const std::shared_ptr<CallFileTree>& Current() const { return current_; }
  const std::shared_ptr<CallFileTree>& Root() const { return root_; }
  // The current script's displayed name; empty before Begin.
  Qve::QVEstring CurrentName() const;
  // Whether the current script is the root (no caller to return to).
  bool AtRoot() const { return !current_ || !current_->GetParent(); }

  // `path` names a called script: it becomes a child of the current script and current.
  void Call(const Qve::QVEstring& path);
  // One step up the tree; false at the root.
  bool ReturnToCaller();
  // The open script (current or one of its callers) that `named` names, as a shell script's
  // finished line names it; null when none.
  std::shared_ptr<CallFileTree> FindOpen(const Qve::QVEstring& named) const;

 private:
  std::shared_ptr<CallFileTree> root_;
  std::shared_ptr<CallFileTree> current_;
};

}  // namespace Qva
