#include "analyzer/LogTextStorage.h"

#include <algorithm>
#include <cstring>

namespace Qva {
namespace {

// Normal lines share chunks of this size; a line of at least a quarter of it gets a block of
// its own size, so a huge line costs its size and no slack.
constexpr uint64_t kChunkSize = Qve::kQVLargeBlockSize;
constexpr uint64_t kOwnBlockSize = kChunkSize / 4;

}  // namespace

LogTextStorage::LogTextStorage() = default;
LogTextStorage::~LogTextStorage() = default;

char* LogTextStorage::Reserve(uint64_t size) {
  if (size > free_size_) {
    chunks_.push_back(Qve::AllocateLargeBlock(kChunkSize));
    free_ = chunks_.back().get();
    free_size_ = kChunkSize;
    apart_ = true;
  }
  char* at = free_;
  free_ += size;
  free_size_ -= size;
  return at;
}

void LogTextStorage::Append(std::string_view text) {
  const uint64_t size = text.size() + 1;
  char* at = nullptr;
  if (size >= kOwnBlockSize) {
    Qve::QVEstring& line = huge_.emplace_back(count_, Qve::QVEstring()).second;
    line.reserve(size);
    line.append(text).push_back('\n');
    at = line.data();
    apart_ = true;
  } else {
    at = Reserve(size);
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\n';
  }
  if ((count_ & (kIndexBlock - 1)) == 0) {
    index_.push_back(Qve::AllocateLargeBlock(Qve::kQVLargeBlockSize));
  }
  IndexBlock(index_.size() - 1)[count_ & (kIndexBlock - 1)] =
      reinterpret_cast<uintptr_t>(at) | (apart_ ? kApart : 0);
  // A line kept on its own is followed by none.
  apart_ = size >= kOwnBlockSize;
  ++count_;
}

void LogTextStorage::AddText(const Qve::QVEstring& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view piece = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    while (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    if (!piece.empty()) Append(piece);
  }
}

std::string_view LogTextStorage::View(uint64_t index) const {
  const auto* start = reinterpret_cast<const char*>(Entry(index) & ~kApart);
  if (index + 1 < count_) {
    const uint64_t next = Entry(index + 1);
    if ((next & kApart) == 0) {
      return std::string_view(start,
                              static_cast<size_t>(reinterpret_cast<const char*>(next) - start));
    }
  }
  // The pieces a line is cut from hold no "\n": the first one ends it.
  const auto* end = static_cast<const char*>(std::memchr(start, '\n', PTRDIFF_MAX));
  return std::string_view(start, static_cast<size_t>(end - start) + 1);
}

TextLines LogTextStorage::GetLines(uint64_t n) {
  if (AtEnd()) return {};
  const uint64_t k = std::min<uint64_t>(n, count_ - position_);
  TextLines result = GetRange(position_, k);
  position_ += k;
  return result;
}

TextLines LogTextStorage::GetLine() {
  if (AtEnd()) return {};
  return TextLines{Qve::QVEstring(NextLine())};
}

TextLines LogTextStorage::GetRange(uint64_t start, uint64_t count) {
  if (start >= count_) return {};
  const uint64_t k = std::min<uint64_t>(count, count_ - start);
  TextLines result;
  result.reserve(k);
  for (uint64_t i = start; i < start + k; ++i) result.emplace_back(PeekLine(i));
  return result;
}

TextLines LogTextStorage::GetAt(uint64_t start) { return GetRange(start, 1); }

uint64_t LogTextStorage::GetPosition() { return position_; }

int64_t LogTextStorage::Remaining() {
  return static_cast<int64_t>(count_) - static_cast<int64_t>(position_);
}

bool LogTextStorage::AtEnd() { return position_ >= count_; }

bool LogTextStorage::PastEnd(uint64_t index) { return index >= count_; }

uint64_t LogTextStorage::LendLine(uint64_t index, Qve::QVEstring& into) {
  const auto found = std::lower_bound(
      huge_.begin(), huge_.end(), index,
      [](const std::pair<uint64_t, Qve::QVEstring>& line, uint64_t at) { return line.first < at; });
  if (found == huge_.end() || found->first != index) return 0;
  found->second.swap(into);
  // Loan: the generation and the line, both + 1 so that no loan is 0.
  return ((generation_ + 1) << 40) | (static_cast<uint64_t>(found - huge_.begin()) + 1);
}

void LogTextStorage::ReturnLine(uint64_t loan, Qve::QVEstring& into) {
  const uint64_t slot = (loan & ((uint64_t{1} << 40) - 1)) - 1;
  if ((loan >> 40) != generation_ + 1 || slot >= huge_.size()) return;
  huge_[slot].second.swap(into);
}

void LogTextStorage::Clear() {
  apart_ = true;
  huge_.clear();
  ++generation_;
  chunks_.clear();
  index_.clear();
  free_ = nullptr;
  free_size_ = 0;
  count_ = 0;
  position_ = 0;
}

void LogTextStorage::Rewind() { position_ = 0; }

}  // namespace Qva
