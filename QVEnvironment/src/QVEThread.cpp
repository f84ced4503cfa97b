#include "QVEThread.h"

namespace Qve {

void QVCriticalSection::Enter() { mutex_.lock(); }

void QVCriticalSection::Leave() { mutex_.unlock(); }

}  // namespace Qve
