#include "reports/JsonImportReport.h"

#include <rapidjson/error/en.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cinttypes>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "QVEBoundedRead.h"
#include "QVEException.h"
#include "QVENoDestructor.h"
#include "records/ImportStatistics.h"
#include "records/ValidUtf8.h"
#include "reports/TipsTables.h"

namespace Qva {

namespace {

using rapidjson::Value;

constexpr const char* kSourceFile = "DADuduziradOrevurid/src/reports/JsonImportReport";
constexpr const char* kImportLogLink = "import_log.html";
constexpr const char* kImportErrorType = "Import";
// The report data of a large migration is a few megabytes; a file beyond this is not one.
constexpr uint64_t kMaxDataFileSize = 256 * 1024 * 1024;

// Throws, naming the data file, unless `check` found a regular file within kMaxDataFileSize.
void RefuseUnbounded(const Qve::QVEstring& path, Qve::QVBoundedCheck check) {
  if (check == Qve::QVBoundedCheck::kNotRegular) {
    Qve::ThrowQVException(Qve::kQVErrFileOpen, kSourceFile, __LINE__, "cannot open file: %s",
                          (path + " (not a regular file)").c_str());
  }
  if (check == Qve::QVBoundedCheck::kTooLarge) {
    Qve::ThrowQVException(
        Qve::kQVErrFileRead, kSourceFile, __LINE__, "cannot read from file: %s",
        (path + " (larger than " + Qve::DescribeByteLimit(kMaxDataFileSize) + ")").c_str());
  }
}

Qve::QVEstring LogLink(uint64_t id) { return Qve::FormatText("%s#%" PRIu64, kImportLogLink, id); }

// A string value that refers to `text` (up to its first NUL, as a C text) instead of copying it:
// an error's text is kept once, by the report, however many entries and rounds show it.
Value TextRef(const Qve::QVEstring& text) { return Value(rapidjson::StringRef(text.c_str())); }

std::string_view TextOf(const Value& text) {
  return std::string_view(text.GetString(), text.GetStringLength());
}

// The only member called `name` of `object`; null when there is none or more than one, so that
// a duplicated member is handled like a wrong-shaped one. Names are compared whole, NULs
// included.
Value* UniqueMember(Value& object, std::string_view name) {
  Value* found = nullptr;
  // By index: RapidJSON's iterator comparison is ambiguous to C++20 compilers that warn on it.
  for (rapidjson::SizeType i = 0; i < object.MemberCount(); ++i) {
    Value::Member& member = object.MemberBegin()[i];
    if (TextOf(member.name) != name) continue;
    if (found) return nullptr;
    found = &member.value;
  }
  return found;
}

// The only string member called `name` of `object`, as text; nullopt otherwise.
std::optional<std::string_view> UniqueText(Value& object, std::string_view name) {
  const Value* member = UniqueMember(object, name);
  if (!member || !member->IsString()) return std::nullopt;
  return TextOf(*member);
}

// Removes every member called `name`, in one pass: each freed place takes the object's last
// member, so a single member goes exactly as RapidJSON's RemoveMember takes it away.
void RemoveMembers(Value& object, std::string_view name) {
  for (rapidjson::SizeType i = 0; i < object.MemberCount();) {
    Value::MemberIterator member = object.MemberBegin() + i;
    if (TextOf(member->name) == name) {
      object.RemoveMember(member);
    } else {
      ++i;
    }
  }
}

bool IsImportEntry(Value& entry) {
  return entry.IsObject() && UniqueText(entry, "error_type") == kImportErrorType;
}

// One group of this run's errors with the same text.
struct ErrorGroup {
  uint64_t count = 0;
  uint64_t link_id = 0;
  Qve::QVEstring objects;
};

// Whether arrays and objects in `json` nest deeper than kMaxReportDepth. One pass, brackets
// inside strings skipped; whether the text is valid JSON is left to the parser.
bool NestedTooDeep(std::string_view json) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < json.size(); ++i) {
    char c = json[i];
    if (in_string) {
      if (c == '\\') {
        ++i;  // the escaped character cannot end the string
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{' || c == '[') {
      if (++depth > kMaxReportDepth) return true;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return false;
}

// Whether a number in `root` became infinite. RapidJSON refuses a number too large for a double
// by its exponent, but one whose digits and exponent only together exceed the range loads as
// infinity, which its writer cannot write: Save would stop in the middle of the document.
bool HasInfiniteNumber(const Value& root) {
  std::vector<const Value*> pending = {&root};
  while (!pending.empty()) {
    const Value& value = *pending.back();
    pending.pop_back();
    if (value.IsDouble() && !std::isfinite(value.GetDouble())) return true;
    if (value.IsArray()) {
      for (const Value& element : value.GetArray()) pending.push_back(&element);
    } else if (value.IsObject()) {
      for (rapidjson::SizeType i = 0; i < value.MemberCount(); ++i) {
        pending.push_back(&value.MemberBegin()[i].value);
      }
    }
  }
  return false;
}

// Joins the copies of a repeated "objects" or "error_table" array into the first one, in their
// order, and drops the other copies: a page that reads the text as JavaScript sees only the
// last copy, and rebuilding the section would lose every entry.
void JoinRepeatedSections(rapidjson::Document& document) {
  for (std::string_view name : {"objects", "error_table"}) {
    auto is_copy = [&](rapidjson::SizeType i) {
      return TextOf(document.MemberBegin()[i].name) == name;
    };
    rapidjson::SizeType kept = 0;  // the first copy that is an array
    while (kept < document.MemberCount() &&
           !(is_copy(kept) && document.MemberBegin()[kept].value.IsArray())) {
      ++kept;
    }
    if (kept == document.MemberCount()) continue;
    for (rapidjson::SizeType i = 0; i < document.MemberCount();) {
      if (i == kept || !is_copy(i)) {
        ++i;
        continue;
      }
      Value& copy = document.MemberBegin()[i].value;
      if (copy.IsArray()) {
        for (Value& entry : copy.GetArray()) {
          document.MemberBegin()[kept].value.PushBack(entry, document.GetAllocator());
        }
      }
      document.EraseMember(document.MemberBegin() + i);  // keeps the other members' order
      if (i < kept) --kept;
    }
  }
}

}  // namespace

JsonImportReport& JsonImportReport::Instance() {
  // Never destroyed: the program's final step may run while static objects are torn down.
  static Qve::QVNoDestructor<JsonImportReport> report;
  return report.Get();
}

int JsonImportReport::Init(bool use_analyzer, const Qve::QVEstring& base_dir,
                           const Qve::QVEstring& report_dir, const Qve::QVEstring& target_db) {
  enabled_ = false;
  use_analyzer_ = use_analyzer;
  target_db_ = target_db;

  if (data_file_.IsOpen()) data_file_.Close();
  const Qve::QVEstring folder = base_dir + "/" + report_dir;
  ClaimFolder(folder);
  try {
    Load(folder + "/" + kReportDataFile);
  } catch (...) {
    folder_lock_.Release();
    throw;
  }
  start_time_.SetNow();
  enabled_ = true;
  return 0;
}

void JsonImportReport::ClaimFolder(const Qve::QVEstring& folder) {
  if (folder_lock_.IsLocked() && locked_folder_ == folder) return;
  // Held until Save: a second run on this folder would otherwise overwrite this one's results.
  if (folder_lock_.TryLock(folder) == Qve::QVLockResult::kHeldElsewhere) {
    Qve::ThrowQVException(Qve::kQVErrResource, kSourceFile, __LINE__, "resource unavailable: %s",
                          ("report folder " + folder + " is in use by another run").c_str());
  }
  locked_folder_ = folder;
}

void JsonImportReport::Load(const Qve::QVEstring& path) {
  // A FIFO or a device is refused before it is opened (a device's open may wait) and, as the
  // name may change meanwhile, again on the opened file, with its size, before a byte is read.
  uint64_t size = 0;
  RefuseUnbounded(path, Qve::CheckBoundedPath(path, kMaxDataFileSize, size));
  data_file_.Open(path);
  RefuseUnbounded(path, Qve::CheckBoundedHandle(data_file_.GetHandle(), kMaxDataFileSize, size));
  Qve::QVEstring buffer(size + 1, '\0');
  data_file_.Read(buffer.data(), size);
  // The text ends at the first NUL, as a C text would.
  buffer.resize(std::strlen(buffer.c_str()));

  size_t brace = buffer.find('{');
  if (brace == Qve::QVEstring::npos) throw std::runtime_error("can't load json");
  std::string_view json(buffer.data() + brace, buffer.size() - brace);

  // The iterative parser keeps its state on the heap: a deep text cannot overflow the stack.
  if (NestedTooDeep(json)) throw std::runtime_error("can't load report file");
  document_.Parse<rapidjson::kParseDefaultFlags | rapidjson::kParseIterativeFlag>(json.data(),
                                                                                  json.size());
  if (document_.HasParseError() || !document_.IsObject() || HasInfiniteNumber(document_)) {
    throw std::runtime_error("can't load report file");
  }
  JoinRepeatedSections(document_);
}

void JsonImportReport::AddError(uint64_t id, const Qve::QVEstring& text) {
  errors_.emplace(id, text);
}

void JsonImportReport::AddWarning(uint64_t id, const Qve::QVEstring& text) {
  warnings_.emplace(id, text);
}

void JsonImportReport::UpdateObjects(const ImportStatistics& stats, uint32_t rounds) {
  if (!enabled_) return;
  Value& entries = RootMember("objects", rapidjson::kArrayType);

  // Objects by name, in list order, so that each entry finds its objects without a full scan.
  std::unordered_map<std::string_view, std::vector<const ImportObject*>> by_name;
  for (const ImportObject& object : stats.GetObjects()) by_name[object.name].push_back(&object);

  for (Value& entry : entries.GetArray()) {
    if (!entry.IsObject()) continue;
    std::optional<std::string_view> name = UniqueText(entry, "object_name");
    if (!name) continue;
    auto found = by_name.find(*name);
    if (found == by_name.end()) continue;
    for (uint32_t round = 0; round < rounds; ++round) {
      for (const ImportObject* object : found->second) SetObjectMembers(entry, *object);
    }
  }
}

void JsonImportReport::SetObjectMembers(Value& entry, const ImportObject& object) {
  auto& alloc = document_.GetAllocator();
  if (object.stats.empty()) {
    SetMember(entry, "import_status", Value("Ok", alloc));
  } else {
    const StatMember& last = *object.stats.back();
    if (last.GetType() == kStatKindError) {
      SetMember(entry, "import_status", Value("Failed", alloc));
      auto text = errors_.find(last.GetLineId());
      if (text != errors_.end()) {
        SetMember(entry, "error_message", TextRef(text->second));
        SetMember(entry, "error_link", Value(LogLink(text->first).c_str(), alloc));
        AddTips(entry, text->second);
      }
    } else {
      SetMember(entry, "import_status", Value("Warning", alloc));
      auto text = warnings_.find(last.GetLineId());
      if (text != warnings_.end()) {
        SetMember(entry, "comments", TextRef(text->second));
        AddTips(entry, text->second);
      }
    }
  }
  // An object whose end was never recorded has no import time: 0, not a negative span.
  double elapsed = object.startTime.ElapsedSeconds(object.endTime);
  int64_t seconds = elapsed > 0 ? static_cast<int64_t>(elapsed) : 0;
  SetMember(entry, "time_import", Value(seconds));
}

void JsonImportReport::UpdateErrorTable(const ImportStatistics& stats) {
  if (!enabled_) return;
  auto& alloc = document_.GetAllocator();
  Value& table = RootMember("error_table", rapidjson::kArrayType);

  // Drop the earlier "Import" entries in one pass; the others keep their order. (RapidJSON's
  // assignment moves the value.)
  rapidjson::SizeType kept = 0;
  for (rapidjson::SizeType i = 0; i < table.Size(); ++i) {
    if (IsImportEntry(table[i])) continue;
    if (kept != i) table[kept] = table[i];
    ++kept;
  }
  while (table.Size() > kept) table.PopBack();

  // The first object (in list order) with a name that carries each error id.
  std::unordered_map<uint64_t, const Qve::QVEstring*> object_of_error;
  for (const ImportObject& object : stats.GetObjects()) {
    if (object.name.empty()) continue;
    for (const auto& entry : object.stats) {
      if (entry->GetType() == kStatKindError) {
        object_of_error.emplace(entry->GetLineId(), &object.name);
      }
    }
  }

  // std::map orders its keys by unsigned byte comparison. The keys are the kept texts.
  std::map<std::string_view, ErrorGroup> groups;
  for (const auto& [id, text] : errors_) {
    auto owner = object_of_error.find(id);
    const Qve::QVEstring* name = owner == object_of_error.end() ? nullptr : owner->second;
    auto [group, added] = groups.try_emplace(text);
    if (added) {
      group->second.count = 1;
      group->second.link_id = id;
      if (name) group->second.objects = *name;
    } else {
      ++group->second.count;
      if (name) group->second.objects += "\n" + *name;
    }
  }

  for (const auto& text_and_group : groups) {
    const ErrorGroup& group = text_and_group.second;
    const Qve::QVEstring& text = errors_.at(group.link_id);  // the key's own string
    Value entry(rapidjson::kObjectType);
    entry.AddMember("error_type", Value(kImportErrorType, alloc), alloc);
    entry.AddMember("number_of_occurences", Value(group.count), alloc);
    entry.AddMember("error_link", Value(LogLink(group.link_id).c_str(), alloc), alloc);
    entry.AddMember("error_message", TextRef(text), alloc);
    entry.AddMember("failed_objects", Value(group.objects.c_str(), alloc), alloc);
    AddTips(entry, text);
    table.PushBack(entry, alloc);
  }
}

void JsonImportReport::AddTips(Value& entry, const Qve::QVEstring& text) {
  std::span<const ReportTip> table = TipsTableFor(target_db_);
  if (table.empty() || !entry.IsObject()) return;
  RemoveMembers(entry, "comments");
  RemoveMembers(entry, "comments_link");
  const ReportTip* tip = FindTip(table, text);
  if (!tip) return;
  auto& alloc = document_.GetAllocator();
  entry.AddMember(
      "comments",
      Value(tip->comment.data(), static_cast<rapidjson::SizeType>(tip->comment.size()), alloc),
      alloc);
  Qve::QVEstring link = TipLink(*tip);
  if (!link.empty()) entry.AddMember("comments_link", Value(link.c_str(), alloc), alloc);
}

void JsonImportReport::Save() {
  if (!enabled_ || !data_file_.IsOpen()) return;
  double elapsed = start_time_.ElapsedSeconds(Qve::QVTimeStamp::Now());
  int64_t seconds = static_cast<int64_t>(std::ceil(elapsed));

  Value& general = RootMember("general_information", rapidjson::kObjectType);
  SetMember(general, "time_import", Value(seconds));
  // The two flags keep their place when present once; duplicates are replaced by one.
  for (auto [flag, value] :
       {std::pair{"import_report", true}, std::pair{"use_import_log_analyzer", use_analyzer_}}) {
    Value* member = UniqueMember(general, flag);
    if (member) {
      member->SetBool(value);
    } else {
      SetMember(general, flag, Value(value));
    }
  }

  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  document_.Accept(writer);
  // The import's output may hold any bytes; JSON parsers that check the encoding refuse
  // invalid UTF-8. Invalid bytes are never ASCII, so only texts inside strings change.
  Qve::QVEstring content =
      "const json =" + ValidUtf8(std::string_view(buffer.GetString(), buffer.GetSize()));

  // The file was checked (it exists and opens for reading and writing) when it was loaded.
  data_file_.ReplaceContents(content.data(), content.size());
  folder_lock_.Release();
}

Value& JsonImportReport::RootMember(const char* name, rapidjson::Type type) {
  Value* member = UniqueMember(document_, name);
  if (member && member->GetType() == type) return *member;
  return SetMember(document_, name, Value(type));
}

Value& JsonImportReport::SetMember(Value& object, const char* name, Value value) {
  RemoveMembers(object, name);
  object.AddMember(Value(name, document_.GetAllocator()), value, document_.GetAllocator());
  return (object.MemberEnd() - 1)->value;
}

}  // namespace Qva
