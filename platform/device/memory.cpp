// LocalAlloc and LocalFree: the standard allocator, with failures a test can
// queue (DeviceFailNext "LocalAlloc") and a count of live blocks so that a
// test sees memory the program loses.
#include "drawing.h"

#include <cstdlib>
#include <unordered_set>

namespace {

std::unordered_set<void *> &LiveBlocks() {
    static std::unordered_set<void *> blocks;
    return blocks;
}

}  // namespace

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    if (TakeQueuedFailure("LocalAlloc")) {
        DeviceSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Zero bytes still gives a block, as the platform does.
    void *block = (flags & LMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                          : std::malloc(bytes ? bytes : 1);
    if (!block) {
        DeviceSetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    LiveBlocks().insert(block);
    return block;
}

// Returns null on success, as the platform does.
HLOCAL LocalFree(HLOCAL memory) {
    if (!memory) return nullptr;
    LiveBlocks().erase(memory);
    std::free(memory);
    return nullptr;
}

size_t DeviceLiveAllocations() { return LiveBlocks().size(); }
