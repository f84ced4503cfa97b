#include "analyzer/TextPool.h"

namespace Qva {
namespace {

// Enough for the groups of a few matches; buffers above the size limit are let go, so one
// huge line does not stay allocated for the rest of the run.
constexpr size_t kMaxFreeBuffers = 64;
constexpr size_t kMaxKeptCapacity = 64 * 1024;
// What std::string holds without a heap buffer.
const size_t kInlineCapacity = Qve::QVEstring().capacity();

}  // namespace

TextPool& TextPool::ForThread() {
  thread_local TextPool pool;
  return pool;
}

void TextPool::Append(TextLines& texts, std::string_view text) {
  if (text.size() <= kInlineCapacity || free_.empty()) {
    texts.emplace_back(text);
    return;
  }
  Qve::QVEstring& buffer = texts.emplace_back(std::move(free_.back()));
  free_.pop_back();
  buffer.assign(text);
}

void TextPool::Recycle(TextLines& texts) {
  for (Qve::QVEstring& text : texts) {
    const size_t capacity = text.capacity();
    if (capacity > kInlineCapacity && capacity <= kMaxKeptCapacity &&
        free_.size() < kMaxFreeBuffers) {
      free_.push_back(std::move(text));
    }
  }
  texts.clear();
}

}  // namespace Qva
