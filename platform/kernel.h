// What the kernel side of the platform offers the rest of it and its tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Live movable/fixed memory blocks from GlobalAlloc, for leak checks.
size_t LiveGlobalBlockCount();

// The range movable block handles take, [first, end), and, for tests that would otherwise
// need millions of blocks, where the next handle is looked for (ignored outside the range).
uintptr_t GlobalHandleFirst();
uintptr_t GlobalHandleEnd();
void SetNextGlobalHandle(uintptr_t value);

}  // namespace platform
