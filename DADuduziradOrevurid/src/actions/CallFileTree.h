// The scripts and tools that the import runs: CallFile for one of them, CallFileTree for the
// tree of running scripts.
#pragma once

#include <memory>
#include <vector>

#include "QVEString.h"

namespace Qva {

// One script or tool. All paths are UTF-8.
class CallFile {
 public:
  // Splits `path` at its last "/" or "\": the part after it is the file name, the part before it
  // (trailing separators removed) the directory. A path without a separator is a bare file name.
  explicit CallFile(const Qve::QVEstring& path);
  virtual ~CallFile() = default;

  const Qve::QVEstring& GetFileName() const { return file_name_; }
  // The file a tool was told to run; empty until the launch action sets it.
  const Qve::QVEstring& GetWorkingFile() const { return working_file_; }
  void SetWorkingFile(const Qve::QVEstring& file) { working_file_ = file; }

  // The name shown to the user (log sources, error entries, events): the file name in the ANSI
  // code page.
  Qve::QVEstring GetDisplayName() const;

 private:
  Qve::QVEstring file_name_;
  Qve::QVEstring directory_;
  Qve::QVEstring working_file_;
};

// One node of the tree of running scripts. Always owned by a shared pointer (use Create): the
// node hands out shared pointers to itself. Nodes are never removed while the tree is in use.
//
// A parent and its children hold each other by shared pointers, so holding any node (the current
// script) keeps the whole chain up to the root alive. The owner of the tree breaks that cycle
// with ReleaseTree when it is done with it; a tree that is never released lives until the
// process ends (and leak checkers report it).
class CallFileTree : public CallFile, public std::enable_shared_from_this<CallFileTree> {
 public:
  static std::shared_ptr<CallFileTree> Create(const Qve::QVEstring& path);
  explicit CallFileTree(const Qve::QVEstring& path) : CallFile(path) {}

  // Appends `child` to the children and makes this node its parent.
  void AddChild(const std::shared_ptr<CallFileTree>& child);

  // Empty for the root.
  const std::shared_ptr<CallFileTree>& GetParent() const { return parent_; }
  // In the order the scripts were called.
  const std::vector<std::shared_ptr<CallFileTree>>& GetChildren() const { return children_; }

  // Drops every parent and child link of the whole tree this node belongs to. The nodes are then
  // freed as soon as nobody else holds them.
  void ReleaseTree();

 private:
  std::shared_ptr<CallFileTree> parent_;
  std::vector<std::shared_ptr<CallFileTree>> children_;
};

}  // namespace Qva
