#include "launcher/LineBlockAssembler.h"

#include <string_view>

namespace Qva {

bool LineBlockAssembler::AddPiece(const char* data, size_t size, Qve::QVEstring& block) {
  std::string_view piece(data, size);
  size_t last_feed = piece.rfind('\n');
  if (last_feed == std::string_view::npos) {
    pending_.append(piece);
    return false;
  }
  block.swap(pending_);
  block.append(piece.substr(0, last_feed + 1));
  // pending_ now has block's old buffer; after a huge line that would stay allocated.
  if (pending_.capacity() > 4 * size) Qve::QVEstring().swap(pending_);
  pending_.assign(piece.substr(last_feed + 1));
  return true;
}

}  // namespace Qva
