#include "platform/SyncFaults.h"

#include <atomic>

#include "platform/Sync.h"

namespace platform {

namespace {

std::atomic<bool> failMutexes{false};

}  // namespace

void FailMutexCreationForTest(bool fail) {
    failMutexes = fail;
}

bool MutexCreationFails() {
    return failMutexes;
}

}  // namespace platform
