#include "launcher/LineBlockAssembler.h"

#include <algorithm>
#include <cstring>

namespace Qva {

bool LineBlockAssembler::AddPiece(const char* data, size_t size, Qve::QVEstring& block) {
  if (size == 0 || std::memchr(data, '\0', size) == nullptr) {
    return AddText(std::string_view(data, size), block);
  }
  without_nul_.resize(size);
  without_nul_.resize(static_cast<size_t>(
      std::remove_copy(data, data + size, without_nul_.begin(), '\0') - without_nul_.begin()));
  return AddText(without_nul_, block);
}

bool LineBlockAssembler::Finish(Qve::QVEstring& block) {
  if (pending_.empty()) return false;
  block.swap(pending_);
  block.push_back('\n');
  pending_.clear();
  return true;
}

bool LineBlockAssembler::AddText(std::string_view piece, Qve::QVEstring& block) {
  size_t last_feed = piece.rfind('\n');
  if (last_feed == std::string_view::npos) {
    pending_.append(piece);
    if (pending_.size() < kMaxHeldBack) return false;
    block.clear();
    SpillHeldBack(block);
    return true;
  }
  block.swap(pending_);
  block.append(piece.substr(0, last_feed + 1));
  // pending_ now has block's old buffer; after a huge line that would stay allocated.
  if (pending_.capacity() > 4 * piece.size()) Qve::QVEstring().swap(pending_);
  pending_.assign(piece.substr(last_feed + 1));
  if (pending_.size() >= kMaxHeldBack) SpillHeldBack(block);
  return true;
}

void LineBlockAssembler::SpillHeldBack(Qve::QVEstring& block) {
  // Whole pieces go, each as a line; the storage cuts a long line at the same places, so the
  // lines are the same as if the line had come whole.
  std::string_view rest = pending_;
  while (rest.size() >= kMaxHeldBack) {
    block.append(rest.substr(0, kMaxHeldBack)).push_back('\n');
    rest.remove_prefix(kMaxHeldBack);
  }
  pending_.erase(0, pending_.size() - rest.size());
}

}  // namespace Qva
