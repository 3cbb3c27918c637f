// What the kernel side of the platform offers the rest of it and its tests.
#pragma once

#include <cstddef>

namespace platform {

// Live movable/fixed memory blocks from GlobalAlloc, for leak checks.
size_t LiveGlobalBlockCount();

}  // namespace platform
