#include <errno.h>
#include <unistd.h>

#include "QVEOutputBatch.h"

namespace Qve {

void WriteGatheredOnSignal() {
  const int saved_errno = errno;
  for (size_t slot = 0; slot < kQVGatherSlots; ++slot) {
    const QVWriteGather* gather = GatherInSlot(slot);
    if (gather == nullptr || gather->GetHandle() < 0) continue;
    std::string_view kept = gather->Kept();
    while (!kept.empty()) {
      const ssize_t put = ::write(gather->GetHandle(), kept.data(), kept.size());
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) break;
      kept.remove_prefix(static_cast<size_t>(put));
    }
  }
  errno = saved_errno;
}

}  // namespace Qve
