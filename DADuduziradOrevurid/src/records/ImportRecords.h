// Records of one import run: the object type codes, the announced objects and the errors and
// warnings recorded against them.
//
// The actions write these records; the reports and the event channel read them. The records
// depend on nothing above them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "QVEString.h"
#include "QVETimeStamp.h"

namespace Qva {

// Type code of an announced object, from the type word of its "Importing ..." line.
// 12 is never produced.
enum ImportObjectType : uint32_t {
  kObjectUnknown = 0,
  kObjectTable = 1,
  kObjectDataType = 2,
  kObjectView = 3,
  kObjectSynonym = 4,
  kObjectUserAccount = 5,
  kObjectSequence = 6,
  kObjectStoredProcedure = 7,
  kObjectFunction = 8,
  kObjectTrigger = 9,
  kObjectPackage = 10,
  kObjectRule = 11,
  kObjectUserDefinedType = 13,
  kObjectScript = 14,
  kObjectMacro = 15,
  kObjectException = 16,
  kObjectEvent = 17,
};
// Highest code; summaries and the report pass walk 0..kObjectTypeLast.
inline constexpr uint32_t kObjectTypeLast = 17;

// Exact, case-sensitive lookup of a type word ("Table" -> 1); any other word gives 0.
uint32_t ImportObjectTypeFromWord(const Qve::QVEstring& word);
// The summary's kind name: the type word for 1..17 (but 12), "unknown" for anything else.
const char* ImportObjectTypeName(uint32_t code);

// Import stage of an object and of every entry recorded against it.
inline constexpr uint32_t kImportStageDdl = 1;
inline constexpr uint32_t kImportStageData = 2;

// Kinds returned by StatMember::GetType.
inline constexpr uint8_t kStatKindError = 1;
inline constexpr uint8_t kStatKindWarning = 2;

// One recorded error or warning. Abstract: callers build a StatError or StatWarning and hand
// ImportStatistics either a shared pointer to it, which it keeps, or the entry itself (usually a
// temporary), of which it keeps a copy.
class StatMember {
 public:
  virtual ~StatMember() = default;
  virtual uint8_t GetType() const = 0;
  virtual uint64_t GetLineId() const = 0;
  virtual uint32_t GetStage() const = 0;

  Qve::QVEstring errName;      // message name or tool prefix ("ORA")
  Qve::QVEstring errCode;      // error or warning code
  Qve::QVEstring errTxt;       // message text
  Qve::QVEstring workingFile;  // file the current tool runs; empty without a tool
  Qve::QVEstring errLine;      // line inside the working file, where the message gives one
  Qve::QVEstring scriptFile;   // running script, in the ANSI code page
  Qve::QVEstring errContext;   // further text of a multi-line message
  uint64_t lineId = 0;         // analyzed line's index: HTML anchor id and JSON report key
  uint32_t stage = kImportStageDdl;

 protected:
  StatMember() = default;
  StatMember(const StatMember&) = default;
  StatMember& operator=(const StatMember&) = default;
};

class StatError : public StatMember {
 public:
  StatError() = default;
  // Copies the fields of any entry; the copy is an error.
  explicit StatError(const StatMember& entry) : StatMember(entry) {}
  uint8_t GetType() const override { return kStatKindError; }
  uint64_t GetLineId() const override { return lineId; }
  uint32_t GetStage() const override { return stage; }
};

class StatWarning : public StatMember {
 public:
  StatWarning() = default;
  // Copies the fields of any entry; the copy is a warning.
  explicit StatWarning(const StatMember& entry) : StatMember(entry) {}
  uint8_t GetType() const override { return kStatKindWarning; }
  uint64_t GetLineId() const override { return lineId; }
  uint32_t GetStage() const override { return stage; }
};

// How an object counts: only its newest entry decides.
enum class ImportOutcome : uint8_t {
  kSucceeded,             // no entries
  kFailed,                // newest entry is an error
  kSucceededWithWarning,  // newest entry is anything else (counts as succeeded too)
};

// One announced object. Copied by value into the statistics' object list.
class ImportObject {
 public:
  ImportObject() = default;
  ImportObject(const ImportObject&) = default;
  ImportObject(ImportObject&&) = default;
  ImportObject& operator=(const ImportObject&) = default;
  ImportObject& operator=(ImportObject&&) = default;
  virtual ~ImportObject() = default;

  ImportOutcome Classify() const {
    if (stats.empty()) return ImportOutcome::kSucceeded;
    return stats.back()->GetType() == kStatKindError ? ImportOutcome::kFailed
                                                     : ImportOutcome::kSucceededWithWarning;
  }
  // True when any of its entries (not only the newest) is an error.
  bool HasError() const {
    for (const auto& entry : stats) {
      if (entry->GetType() == kStatKindError) return true;
    }
    return false;
  }

  Qve::QVEstring name;
  uint32_t type = kObjectUnknown;
  uint32_t stage = kImportStageDdl;
  bool additional = false;  // announced right after an "Additional object" line
  std::vector<std::shared_ptr<StatMember>> stats;  // oldest first
  Qve::QVTimeStamp startTime;
  Qve::QVTimeStamp endTime;  // cleared until a script finishes while this is the newest object
};

}  // namespace Qva
