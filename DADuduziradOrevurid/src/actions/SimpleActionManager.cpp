#include "actions/SimpleActionManager.h"

#include <algorithm>

#include "QVEException.h"
#include "QVETrace.h"

namespace Qva {

SimpleActionManager::~SimpleActionManager() = default;

void SimpleActionManager::Init() {}

uint32_t SimpleActionManager::AddAction(uint32_t id, Qve::QVEstring name, ActionFunction action) {
  for (const ActionEntry& entry : entries_) {
    if (entry.id == id) {
      Qve::ThrowQVException(Qve::kQVErrCreateAction,
                            "Sources/Tools/Production/DADuduziradOrevurid/src/SimpleActionManager",
                            48, "Error create action");
    }
  }
  entries_.push_back(ActionEntry{id, std::move(name), std::move(action)});
  return id;
}

uint32_t SimpleActionManager::AddAction(Qve::QVEstring name, ActionFunction action) {
  return AddAction(++last_id_, std::move(name), std::move(action));
}

bool SimpleActionManager::RemoveAction(const Qve::QVEstring& name) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&name](const ActionEntry& entry) { return entry.name == name; });
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

bool SimpleActionManager::RemoveAction(uint32_t id) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [id](const ActionEntry& entry) { return entry.id == id; });
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

ActionFunction SimpleActionManager::GetAction(const Qve::QVEstring& name) {
  for (const ActionEntry& entry : entries_) {
    if (entry.name == name) return entry.action;
  }
  Qve::QVTracer::Instance().Debug("Analyze action manager", "Can't find action %s", name.c_str());
  return {};
}

ActionFunction SimpleActionManager::GetAction(uint32_t id) {
  for (const ActionEntry& entry : entries_) {
    if (entry.id == id) return entry.action;
  }
  return {};
}

}  // namespace Qva
