// The three events the import sends to the wizard.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "QVEString.h"
#include "events/IEvent.h"
#include "records/ImportRecords.h"

// Written when an object starts (or, with empty name and type, when a called script ends).
struct ImportStartPart {
  Qve::QVEstring filename;
  Qve::QVEstring objectImportName;
  Qve::QVEstring type;
  bool isAdditional = false;
};

// Type "import_scripts". Exactly one part is meant to be set; ToJson writes the error part when
// it is set, else the start part, whose absence throws std::bad_optional_access.
class ImportEvent : public Event {
 public:
  ImportEvent() = default;
  // The error part: a copy of a recorded error or warning, of the same kind. Its errContext is
  // not written.
  explicit ImportEvent(const Qva::StatMember& entry);
  explicit ImportEvent(ImportStartPart start) : start_(std::move(start)) {}

  std::string_view EventType() const override { return "import_scripts"; }
  rapidjson::Value ToJson(rapidjson::Document::AllocatorType& allocator) const override;

 private:
  std::shared_ptr<const Qva::StatMember> error_;
  std::optional<ImportStartPart> start_;
};

// Type "import_report": the final object counts.
class ImportObjectsStatusEvent : public Event {
 public:
  ImportObjectsStatusEvent(int32_t succeeded, int32_t failed, int32_t with_warnings)
      : succeeded_(succeeded), failed_(failed), with_warnings_(with_warnings) {}

  std::string_view EventType() const override { return "import_report"; }
  rapidjson::Value ToJson(rapidjson::Document::AllocatorType& allocator) const override;

 private:
  int32_t succeeded_;
  int32_t failed_;
  int32_t with_warnings_;
};

// Type "progress": how far this process has got, 0 to 1.
class ProgressEvent : public Event {
 public:
  ProgressEvent(uint32_t pid, double progress) : pid_(pid), progress_(progress) {}

  std::string_view EventType() const override { return "progress"; }
  rapidjson::Value ToJson(rapidjson::Document::AllocatorType& allocator) const override;

 private:
  uint32_t pid_;
  double progress_;
};
