// Recycled string buffers for the texts of one analyzed line (match groups, the walk's copy of
// the line), so that analyzing a line allocates nothing once the buffers have grown.
#pragma once

#include <string_view>
#include <vector>

#include "analyzer/ActionFunction.h"

namespace Qva {

// One pool per thread; buffers move between threads only inside the texts that hold them.
class TextPool {
 public:
  static TextPool& ForThread();

  // Appends `text` to `texts`, in a recycled buffer when one is free.
  void Append(TextLines& texts, std::string_view text);
  // Takes back the buffers of every text in `texts` and empties it (its capacity stays).
  void Recycle(TextLines& texts);

 private:
  std::vector<Qve::QVEstring> free_;
};

}  // namespace Qva
