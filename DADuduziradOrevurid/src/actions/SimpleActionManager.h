// A name-and-id registry of actions.
#pragma once

#include <vector>

#include "analyzer/IAnalyzeActionManager.h"

namespace Qva {

struct ActionEntry {
  uint32_t id;
  Qve::QVEstring name;
  ActionFunction action;
};

class SimpleActionManager : public IAnalyzeActionManager {
 public:
  SimpleActionManager() = default;
  ~SimpleActionManager() override;

  void Init() override;  // nothing
  uint32_t AddAction(uint32_t id, Qve::QVEstring name, ActionFunction action) override;
  uint32_t AddAction(Qve::QVEstring name, ActionFunction action) override;
  bool RemoveAction(const Qve::QVEstring& name) override;
  bool RemoveAction(uint32_t id) override;
  ActionFunction GetAction(const Qve::QVEstring& name) override;
  ActionFunction GetAction(uint32_t id) override;

 private:
  std::vector<ActionEntry> entries_;
  uint32_t last_id_ = 0;
};

}  // namespace Qva
