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

Qve::QVLargeBlock LogTextStorage::TakeBlock(Qve::QVLargeBlock& spare) {
  // A spare block has its pages already: reusing it spares the page faults of a fresh one.
  if (spare) return std::move(spare);
  return Qve::AllocateLargeBlock(kChunkSize);
}

char* LogTextStorage::Reserve(uint64_t size) {
  if (size > free_size_) {
    chunks_.push_back(Chunk{TakeBlock(spare_chunk_), count_});
    free_ = chunks_.back().block.get();
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
  if ((count_ & (kIndexBlock - 1)) == 0) index_.push_back(TakeBlock(spare_index_));
  IndexBlock(count_ >> kIndexBlockBits)[count_ & (kIndexBlock - 1)] =
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
    // A line without end arrives in pieces of kMaxLineSize (see LineBlockAssembler): cut here
    // the same way, so that a line is stored alike however it was read.
    while (piece.size() > kMaxLineSize) {
      AppendTrimmed(piece.substr(0, kMaxLineSize));
      piece.remove_prefix(kMaxLineSize);
    }
    AppendTrimmed(piece);
  }
}

void LogTextStorage::AppendTrimmed(std::string_view piece) {
  while (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
  while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
  if (!piece.empty()) Append(piece);
}

void LogTextStorage::Release(uint64_t keep_from) {
  keep_from = std::min(keep_from, count_);
  if (keep_from <= first_kept_) return;
  first_kept_ = keep_from;
  // A chunk goes when the chunk after it starts at or below the first kept line; the last chunk
  // is the one being filled and stays.
  while (chunks_.size() > 1 && chunks_[1].first_line <= keep_from) {
    spare_chunk_ = std::move(chunks_.front().block);
    chunks_.pop_front();
  }
  while (index_.size() > 1 && ((index_base_ + 1) << kIndexBlockBits) <= keep_from) {
    spare_index_ = std::move(index_.front());
    index_.pop_front();
    ++index_base_;
  }
  while (!huge_.empty() && huge_.front().first < keep_from) {
    huge_.pop_front();
    ++huge_base_;
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
  // Loan: the generation and the line's place among all huge lines, both + 1 so that no loan
  // is 0.
  return ((generation_ + 1) << 40) |
         (static_cast<uint64_t>(found - huge_.begin()) + huge_base_ + 1);
}

void LogTextStorage::ReturnLine(uint64_t loan, Qve::QVEstring& into) {
  const uint64_t slot = (loan & ((uint64_t{1} << 40) - 1)) - 1;
  if ((loan >> 40) != generation_ + 1 || slot < huge_base_ || slot - huge_base_ >= huge_.size()) {
    return;
  }
  huge_[slot - huge_base_].second.swap(into);
}

void LogTextStorage::Clear() {
  apart_ = true;
  huge_.clear();
  huge_base_ = 0;
  ++generation_;
  chunks_.clear();
  index_.clear();
  index_base_ = 0;
  free_ = nullptr;
  free_size_ = 0;
  count_ = 0;
  position_ = 0;
  first_kept_ = 0;
}

void LogTextStorage::Rewind() { position_ = 0; }

}  // namespace Qva
