#pragma once
// The creation failure that tests switch on (platform/Sync.h), read by both
// implementations of the wait objects.

namespace platform {

bool MutexCreationFails();

}  // namespace platform
