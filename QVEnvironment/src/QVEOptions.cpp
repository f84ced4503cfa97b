#include "QVEOptions.h"

#include "QVEException.h"

namespace Qve {

namespace {
constexpr const char* kSourceFile = "Sources/Libraries/Static/QVEnvironment/src/QVEOptions";
constexpr uint32_t kSetOptionLine = 74;

bool IsText(uint32_t type) { return type == kQVOptCString || type == kQVOptString; }

// Copies the value's bytes into the entry as its type prescribes; other types store nothing.
void StoreValue(QVOption& option, uint32_t type, const void* value) {
  option.value.size = 0;
  if (value == nullptr) return;
  switch (type) {
    case kQVOptBool:
      option.value.SetData(value, 1);
      break;
    case kQVOptInt:
      option.value.SetData(value, sizeof(int32_t));
      break;
    case kQVOptCString: {
      const char* text = static_cast<const char*>(value);
      option.value.SetData(text, std::strlen(text) + 1);
      break;
    }
    case kQVOptString: {
      const QVEstring& text = *static_cast<const QVEstring*>(value);
      option.value.SetData(text.c_str(), text.size() + 1);
      break;
    }
    default:
      break;
  }
}

// The stored text as a C text; an entry without bytes reads as empty.
void ReadText(const QVOption& option, void* out) {
  QVEstring& text = *static_cast<QVEstring*>(out);
  if (option.value.size == 0 || option.value.data == nullptr) {
    text.clear();
  } else {
    text.assign(option.value.data);
  }
}
}  // namespace

QVOptions::~QVOptions() = default;

int32_t QVOptions::SetOption(uint32_t type, const char* key, const void* value) {
  if (key == nullptr) return kQVOptionNoKey;
  std::unique_ptr<QVOption>& entry = options_[key];
  if (!entry) entry = std::make_unique<QVOption>();
  entry->type = type;
  StoreValue(*entry, type, value);
  return kQVOptionOk;
}

int32_t QVOptions::SetOptionOrThrow(uint32_t type, const char* key, const void* value) {
  int32_t result = SetOption(type, key, value);
  if (result < 0) {
    ThrowQVException(kQVErrSetOption, kSourceFile, kSetOptionLine, "cannot set option: %s",
                     key != nullptr ? key : "");
  }
  return result;
}

int32_t QVOptions::GetOption(uint32_t type, const char* key, void* out) const {
  if (key == nullptr) return kQVOptionMissing;
  auto found = options_.find(key);
  if (found == options_.end()) return kQVOptionMissing;
  const QVOption& option = *found->second;
  if (IsText(type) && IsText(option.type)) {
    ReadText(option, out);
    return kQVOptionOk;
  }
  if (option.type != type) return kQVOptionWrongType;
  if (option.value.size != 0) std::memcpy(out, option.value.data, option.value.size);
  return kQVOptionOk;
}

bool QVOptions::Empty() const { return options_.empty(); }

bool QVOptions::HasOption(const char* key) const {
  return key != nullptr && options_.count(key) != 0;
}

}  // namespace Qve
