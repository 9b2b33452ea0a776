#include "storage/out_of_memory.h"

#include <cstdlib>
#include <utility>

namespace {
OutOfMemoryNotice installed = nullptr;
}  // namespace

void setOutOfMemoryNotice(OutOfMemoryNotice notice) {
    installed = notice;
}

void outOfMemory() {
    // A notice that runs out itself ends here.
    if (const OutOfMemoryNotice notice = std::exchange(installed, nullptr)) notice();
    std::abort();
}
