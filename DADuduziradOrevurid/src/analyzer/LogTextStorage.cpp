#include "analyzer/LogTextStorage.h"

#include <algorithm>
#include <string_view>

namespace Qva {

LogTextStorage::~LogTextStorage() = default;

void LogTextStorage::AddText(const Qve::QVEstring& text) {
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view piece = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    while (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
    while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
    if (piece.empty()) continue;
    Qve::QVEstring& line = lines_.emplace_back();
    line.reserve(piece.size() + 1);
    line.append(piece).push_back('\n');
  }
}

TextLines LogTextStorage::GetLines(uint64_t n) {
  if (AtEnd()) return {};
  const uint64_t k = std::min<uint64_t>(n, lines_.size() - position_);
  TextLines result(lines_.begin() + position_, lines_.begin() + position_ + k);
  position_ += k;
  return result;
}

TextLines LogTextStorage::GetLine() {
  if (AtEnd()) return {};
  return TextLines{lines_[position_++]};
}

TextLines LogTextStorage::GetRange(uint64_t start, uint64_t count) {
  if (start >= lines_.size()) return {};
  const uint64_t k = std::min<uint64_t>(count, lines_.size() - start);
  return TextLines(lines_.begin() + start, lines_.begin() + start + k);
}

TextLines LogTextStorage::GetAt(uint64_t start) { return GetRange(start, 1); }

uint64_t LogTextStorage::GetPosition() { return position_; }

int64_t LogTextStorage::Remaining() {
  return static_cast<int64_t>(lines_.size()) - static_cast<int64_t>(position_);
}

bool LogTextStorage::AtEnd() { return position_ >= lines_.size(); }

bool LogTextStorage::PastEnd(uint64_t index) { return index >= lines_.size(); }

void LogTextStorage::Clear() {
  lines_.clear();
  position_ = 0;
}

void LogTextStorage::Rewind() { position_ = 0; }

}  // namespace Qva
