// Registry that turns the action names of rule definitions into callables.
#pragma once

#include <cstdint>

#include "QVEString.h"
#include "analyzer/ActionFunction.h"

namespace Qva {

class IAnalyzeActionManager {
 public:
  // Registers the manager's actions; called once, before any rule is loaded.
  virtual void Init() = 0;
  // Registers under `id`; an id already present throws QVException* -22 "Error create action".
  virtual uint32_t AddAction(uint32_t id, Qve::QVEstring name, ActionFunction action) = 0;
  // Registers under the next id (1, 2, 3 ... in registration order); returns it.
  virtual uint32_t AddAction(Qve::QVEstring name, ActionFunction action) = 0;
  // Remove the first entry with that name / id; false (and nothing changed) when none has it.
  virtual bool RemoveAction(const Qve::QVEstring& name) = 0;
  virtual bool RemoveAction(uint32_t id) = 0;
  // The first entry's callable with exactly (case-sensitively) that name; an empty callable
  // and a Debug trace "Can't find action %s" when there is none.
  virtual ActionFunction GetAction(const Qve::QVEstring& name) = 0;
  // The first entry's callable with that id, or an empty callable; nothing is traced.
  virtual ActionFunction GetAction(uint32_t id) = 0;
  virtual ~IAnalyzeActionManager() = default;
};

}  // namespace Qva
