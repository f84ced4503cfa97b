#include "actions/ImportTracking.h"

#include <utility>

#include "actions/ActionGroups.h"
#include "actions/ImportOutputs.h"
#include "actions/ScriptTree.h"

namespace Qva {

namespace {

// The prefix with which psql names the file it reads in its messages: "psql:FILE:LINE: ".
constexpr std::string_view kPsqlPrefix = "psql:";

// The length of ":LINE:" at `at` of `line` (a colon, digits, a colon); 0 when there is none.
size_t LineNumberAt(std::string_view line, size_t at) {
  size_t end = at + 1;
  while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
  return end > at + 1 && end < line.size() && line[end] == ':' ? end + 1 - at : 0;
}

}  // namespace

ImportTracking::ImportTracking(const ScriptTree& scripts, ImportOutputs& outputs)
    : scripts_(scripts), outputs_(outputs) {}

std::string_view ImportTracking::Title::WorkingFile() const {
  if (text.size() == names_size) return {};
  return std::string_view(text).substr(names_size + 1, text.size() - names_size - 2);
}

void ImportTracking::Title::Compose(const CallFileTree* script, const CallFile* tool) {
  text.clear();
  if (script) text += script->GetDisplayName();
  if (tool) {
    text += "::";
    text += tool->GetDisplayName();
  }
  names_size = text.size();
  if (tool && !tool->GetWorkingFile().empty()) {
    text += "(";
    text += tool->GetWorkingFile();
    text += ")";
  }
}

const Qve::QVEstring& ImportTracking::SourceTitle() const {
  // Most lines come from the script and tool of the line before, so the title is built again
  // only when one of them or the tool's working file changed. Names never change once made,
  // and the kept pointers keep the objects compared (and their addresses) alive.
  static const Qve::QVEstring kNoFile;
  const Qve::QVEstring& working_file = current_tool_ ? current_tool_->GetWorkingFile() : kNoFile;
  const std::shared_ptr<CallFileTree>& script = scripts_.Current();
  if (title_.built && title_.script == script && title_.tool == current_tool_ &&
      title_.WorkingFile() == working_file) {
    return title_.text;
  }
  title_.script = script;
  title_.tool = current_tool_;
  title_.built = true;
  title_.Compose(script.get(), current_tool_.get());
  return title_.text;
}

const ImportTracking::ToolLaunch* ImportTracking::EarlierLaunchNamedBy(
    const TextLines& lines) const {
  if (launches_.empty() || lines.empty()) return nullptr;
  const std::string_view line = lines.front();
  if (!line.starts_with(kPsqlPrefix)) return nullptr;
  // A file name may hold ":N:" itself: each candidate end of the name is tried in turn.
  const size_t start = kPsqlPrefix.size();
  for (size_t colon = line.find(':', start); colon != std::string_view::npos;
       colon = line.find(':', colon + 1)) {
    if (LineNumberAt(line, colon) == 0) continue;
    const auto found = launches_.find(line.substr(start, colon - start));
    if (found == launches_.end()) continue;
    const bool newest = found->second.object + 1 == statistics_.GetObjects().size();
    return newest ? nullptr : &found->second;
  }
  return nullptr;
}

const Qve::QVEstring& ImportTracking::TitleFor(const ToolLaunch* launch) const {
  if (launch == nullptr) return SourceTitle();
  launch_title_.Compose(launch->script.get(), launch->tool.get());
  return launch_title_.text;
}

void ImportTracking::FillCommonFields(uint64_t id, StatMember& entry,
                                      const ToolLaunch* launch) const {
  const CallFile* tool = launch != nullptr ? launch->tool.get() : current_tool_.get();
  const CallFileTree* script = launch != nullptr ? launch->script.get() : scripts_.Current().get();
  entry.workingFile = tool != nullptr ? tool->GetWorkingFile() : Qve::QVEstring();
  entry.scriptFile = script != nullptr ? script->GetDisplayName() : Qve::QVEstring();
  entry.lineId = id;
  entry.stage = launch != nullptr ? statistics_.GetObjects()[launch->object].stage
                                  : statistics_.GetCurrentStage();
}

void ImportTracking::AddEntry(std::shared_ptr<StatMember> entry, const ToolLaunch* launch) {
  if (launch == nullptr) {
    statistics_.AddEntry(std::move(entry));
  } else {
    statistics_.AddEntryTo(launch->object, std::move(entry));
  }
}

int32_t ImportTracking::LaunchTool(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  SetTool(Group(groups, 2) + Group(groups, 3), Qve::QVEstring());
  return 0;
}

int32_t ImportTracking::LaunchSQLPlus(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  SetTool(Group(groups, 2) + Group(groups, 3), Group(groups, 7));
  return 0;
}

int32_t ImportTracking::LaunchPsql(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  SetTool(Group(groups, 2), Group(groups, 7));
  return 0;
}

int32_t ImportTracking::LaunchSqlcmd(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  SetTool(Group(groups, 2), Group(groups, 3));
  return 0;
}

int32_t ImportTracking::LaunchMysql(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  SetTool(Group(groups, 2), Group(groups, 8));
  return 0;
}

int32_t ImportTracking::DropLaunchTool(void*, const TextLines&, TextLines&) {
  DropTool();
  return 0;
}

int32_t ImportTracking::SetAdditionalObject(void*, const TextLines&, TextLines&) {
  additional_object_ = true;
  return 0;
}

int32_t ImportTracking::NewImportObject(void* context, const TextLines&, TextLines& groups) {
  TraceAction(ContextRule(context));
  const Qve::QVEstring& type_word = Group(groups, 1);
  const Qve::QVEstring& name = Group(groups, 2);
  ImportObject object;
  object.name = name;
  object.type = ImportObjectTypeFromWord(type_word);
  object.stage = kImportStageDdl;
  object.additional = additional_object_;
  object.startTime.SetNow();
  object.endTime.Clear();
  statistics_.AddObject(std::move(object));
  outputs_.ObjectStarted(scripts_.CurrentName(), name, type_word, additional_object_);
  additional_object_ = false;
  return 0;
}

int32_t ImportTracking::NewImportData(void* context, const TextLines&, TextLines&) {
  TraceAction(ContextRule(context));
  if (ImportObject* newest = statistics_.GetNewestObject()) newest->stage = kImportStageData;
  return 0;
}

void ImportTracking::SetTool(const Qve::QVEstring& path, const Qve::QVEstring& working_file) {
  current_tool_ = std::make_shared<CallFile>(path);
  current_tool_->SetWorkingFile(working_file);
  if (working_file.empty()) return;
  // Remembered for the object it is launched for; a launch before any object owns nothing.
  if (statistics_.GetObjects().empty()) {
    launches_.erase(working_file);
  } else {
    launches_[working_file] = {current_tool_, scripts_.Current(),
                               statistics_.GetObjects().size() - 1};
  }
}

}  // namespace Qva
