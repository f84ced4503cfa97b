#include "events/Events.h"

namespace {

using Allocator = rapidjson::Document::AllocatorType;

void AddText(rapidjson::Value& object, const char* name, const Qve::QVEstring& text,
             Allocator& allocator) {
  object.AddMember(
      rapidjson::StringRef(name),
      rapidjson::Value(text.c_str(), static_cast<rapidjson::SizeType>(text.size()), allocator),
      allocator);
}

void AddBool(rapidjson::Value& object, const char* name, bool value, Allocator& allocator) {
  object.AddMember(rapidjson::StringRef(name), rapidjson::Value(value), allocator);
}

}  // namespace

ImportEvent::ImportEvent(const Qva::StatMember& entry) {
  if (entry.GetType() == Qva::kStatKindError) {
    error_ = std::make_shared<const Qva::StatError>(entry);
  } else {
    error_ = std::make_shared<const Qva::StatWarning>(entry);
  }
}

rapidjson::Value ImportEvent::ToJson(Allocator& allocator) const {
  rapidjson::Value data(rapidjson::kObjectType);
  if (error_) {
    AddBool(data, "isImportResultError", error_->GetType() == Qva::kStatKindError, allocator);
    AddBool(data, "isImportStageUnknown", error_->GetStage() == 0, allocator);
    AddBool(data, "isImportStageDdl", error_->GetStage() == Qva::kImportStageDdl, allocator);
    AddText(data, "workingFile", error_->workingFile, allocator);
    AddText(data, "scriptFile", error_->scriptFile, allocator);
    AddText(data, "errLine", error_->errLine, allocator);
    AddText(data, "errCode", error_->errCode, allocator);
    AddText(data, "errName", error_->errName, allocator);
    AddText(data, "errTxt", error_->errTxt, allocator);
    return data;
  }
  const ImportStartPart& start = start_.value();
  AddText(data, "filename", start.filename, allocator);
  AddText(data, "objectImportName", start.objectImportName, allocator);
  AddText(data, "type", start.type, allocator);
  AddBool(data, "isAdditional", start.isAdditional, allocator);
  return data;
}

rapidjson::Value ImportObjectsStatusEvent::ToJson(Allocator& allocator) const {
  rapidjson::Value data(rapidjson::kObjectType);
  data.AddMember("success_import", rapidjson::Value(succeeded_), allocator);
  data.AddMember("fail_import", rapidjson::Value(failed_), allocator);
  data.AddMember("warnings_import", rapidjson::Value(with_warnings_), allocator);
  return data;
}

rapidjson::Value ProgressEvent::ToJson(Allocator& allocator) const {
  rapidjson::Value data(rapidjson::kObjectType);
  data.AddMember("pid", rapidjson::Value(pid_), allocator);
  data.AddMember("progress", rapidjson::Value(progress_), allocator);
  return data;
}
