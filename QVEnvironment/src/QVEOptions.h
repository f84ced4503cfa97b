// Small typed key-value store inherited by classes that carry named settings.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>

#include "QVEBuffer.h"
#include "QVEString.h"

namespace Qve {

// How a value is copied in and out.
enum QVOptionType : uint32_t {
  kQVOptBool = 0,     // set: const bool*/one byte; get: bool*
  kQVOptInt = 1,      // set: const int32_t*; get: int32_t*
  kQVOptCString = 2,  // set: const char* (zero-terminated); get: QVEstring*
  kQVOptString = 3,   // set: const QVEstring*; get: QVEstring*
};

// One entry: the type code and an owned copy of the value's bytes.
class QVOption {
 public:
  QVOption() = default;
  virtual ~QVOption() = default;

  uint32_t type = 0;
  QVBuffer value;
};

// GetOption results.
constexpr int32_t kQVOptionOk = 0;
constexpr int32_t kQVOptionMissing = -2;
constexpr int32_t kQVOptionWrongType = -3;
// SetOption result for a null key (nothing stored).
constexpr int32_t kQVOptionNoKey = -1;

// Keys are not copied: every key must be a constant text that outlives the store. Keys compare
// byte-wise (case-sensitive). Not thread-safe; fill before others read.
class QVOptions {
 public:
  QVOptions() = default;
  virtual ~QVOptions();
  QVOptions(const QVOptions&) = delete;
  QVOptions& operator=(const QVOptions&) = delete;

  // Creates or replaces the entry (type and value). Returns 0; -1 for a null key.
  virtual int32_t SetOption(uint32_t type, const char* key, const void* value);
  // SetOption, throwing QVException* -972 "cannot set option: <key>" on a negative result.
  virtual int32_t SetOptionOrThrow(uint32_t type, const char* key, const void* value);
  // 0 and the value copied to `out`; -2 when absent; -3 when the stored type differs (except
  // CString/String, which read each other). On a negative result `out` is untouched.
  virtual int32_t GetOption(uint32_t type, const char* key, void* out) const;
  virtual bool Empty() const;
  virtual bool HasOption(const char* key) const;

 private:
  struct KeyLess {
    bool operator()(const char* a, const char* b) const { return std::strcmp(a, b) < 0; }
  };
  std::map<const char*, std::unique_ptr<QVOption>, KeyLess> options_;
};

}  // namespace Qve
