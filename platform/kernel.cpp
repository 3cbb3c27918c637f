// KERNEL32: movable and fixed global memory blocks, the process pseudo-handle,
// time and the last-error value.
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <unordered_map>

#include "host/host.h"
#include "kernel.h"

namespace {

constexpr DWORD kErrorInvalidHandle = 6;
constexpr DWORD kErrorNotEnoughMemory = 8;
constexpr DWORD kErrorNotLocked = 158;

// Block handles live in their own tagged range, apart from window, menu and GDI
// handles (GDI's begin at kGlobalEnd), so a foreign handle is recognised. A value comes
// back only after the counter has gone once round the range (some 40 million blocks),
// and never while the block that had it is still alive.
constexpr uintptr_t kGlobalTag = 0x4C000000;
constexpr uintptr_t kGlobalEnd = 0x60000000;
constexpr uintptr_t kGlobalStep = 8;

struct Block {
  std::unique_ptr<unsigned char[]> data;
  size_t size = 0;
  bool fixed = false;
  unsigned lock_count = 0;
};

struct Kernel {
  std::unordered_map<uintptr_t, Block> blocks;
  // Fixed blocks are addressed by their memory: GlobalAlloc(GMEM_FIXED) returns the pointer.
  std::unordered_map<uintptr_t, uintptr_t> fixed_by_address;
  uintptr_t next = kGlobalTag;
  DWORD last_error = 0;
};

Kernel& K() {
  static Kernel k;
  return k;
}

// Takes the next tag that no live block holds, wrapping at the end of the range.
bool NextTag(Kernel& k, uintptr_t* tag) {
  for (uintptr_t tries = (kGlobalEnd - kGlobalTag) / kGlobalStep; tries > 0; --tries) {
    uintptr_t candidate = k.next;
    k.next = candidate + kGlobalStep < kGlobalEnd ? candidate + kGlobalStep : kGlobalTag;
    if (k.blocks.find(candidate) == k.blocks.end()) {
      *tag = candidate;
      return true;
    }
  }
  return false;
}

// The block behind a handle: a movable block's tag or a fixed block's address.
Block* Find(HGLOBAL h) {
  auto& k = K();
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (v == 0) return nullptr;
  // (Programs that use only movable blocks skip the first lookup.)
  auto f = k.fixed_by_address.empty() ? k.fixed_by_address.end() : k.fixed_by_address.find(v);
  if (f != k.fixed_by_address.end()) v = f->second;
  auto it = k.blocks.find(v);
  if (it == k.blocks.end()) return nullptr;
  // A fixed block's tag is internal: only its address names it.
  if (it->second.fixed && f == k.fixed_by_address.end()) return nullptr;
  return &it->second;
}

}  // namespace

extern "C" {

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  auto& k = K();
  Block b;
  b.fixed = (uFlags & GMEM_MOVEABLE) == 0;
  b.size = dwBytes;
  // At least one byte so even an empty fixed block has a distinct address.
  b.data.reset(new (std::nothrow) unsigned char[dwBytes ? dwBytes : 1]);
  if (!b.data) {
    k.last_error = kErrorNotEnoughMemory;
    return nullptr;
  }
  if (uFlags & GMEM_ZEROINIT) std::memset(b.data.get(), 0, dwBytes ? dwBytes : 1);
  uintptr_t tag;
  if (!NextTag(k, &tag)) {
    k.last_error = kErrorNotEnoughMemory;
    return nullptr;
  }
  HGLOBAL result = reinterpret_cast<HGLOBAL>(tag);
  if (b.fixed) {
    uintptr_t address = reinterpret_cast<uintptr_t>(b.data.get());
    k.fixed_by_address[address] = tag;
    result = b.data.get();
  }
  k.blocks.emplace(tag, std::move(b));
  return result;
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
  Block* b = Find(hMem);
  if (!b) {
    K().last_error = kErrorInvalidHandle;
    return nullptr;
  }
  if (b->fixed) return b->data.get();
  if (b->lock_count < GMEM_LOCKCOUNT) ++b->lock_count;
  return b->data.get();
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
  Block* b = Find(hMem);
  if (!b) {
    K().last_error = kErrorInvalidHandle;
    return FALSE;
  }
  if (b->fixed) return TRUE;
  if (b->lock_count == 0) {
    K().last_error = kErrorNotLocked;
    return FALSE;
  }
  --b->lock_count;
  if (b->lock_count == 0) {
    // Windows reports the last unlock as FALSE with no error.
    K().last_error = 0;
    return FALSE;
  }
  return TRUE;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
  auto& k = K();
  Block* b = Find(hMem);
  if (!b) {
    k.last_error = kErrorInvalidHandle;
    return hMem;  // failure: the handle comes back
  }
  uintptr_t v = reinterpret_cast<uintptr_t>(hMem);
  if (b->fixed) {
    auto f = k.fixed_by_address.find(v);
    uintptr_t tag = f->second;
    k.fixed_by_address.erase(f);
    k.blocks.erase(tag);
  } else {
    k.blocks.erase(v);
  }
  return nullptr;
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
  Block* b = Find(hMem);
  if (!b) {
    K().last_error = kErrorInvalidHandle;
    return 0;
  }
  return b->size;
}

UINT WINAPI GlobalFlags(HGLOBAL hMem) {
  Block* b = Find(hMem);
  if (!b) {
    K().last_error = kErrorInvalidHandle;
    return GMEM_INVALID_HANDLE;
  }
  return b->lock_count & GMEM_LOCKCOUNT;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(intptr_t(-1)); }

DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(platform::CurrentHost().NowMs()); }

void WINAPI Sleep(DWORD dwMilliseconds) {
  // On a virtual clock the wait is the clock's, not the machine's.
  platform::Host& host = platform::CurrentHost();
  int64_t before = host.NowMs();
  platform::HeadlessAdvance(host, dwMilliseconds);
  if (dwMilliseconds > 0 && host.NowMs() - before == int64_t(dwMilliseconds)) return;
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

DWORD WINAPI GetLastError(void) { return K().last_error; }

void WINAPI SetLastError(DWORD dwErrCode) { K().last_error = dwErrCode; }

}  // extern "C"

namespace platform {

size_t LiveGlobalBlockCount() { return K().blocks.size(); }

uintptr_t GlobalHandleFirst() { return kGlobalTag; }
uintptr_t GlobalHandleEnd() { return kGlobalEnd; }

void SetNextGlobalHandle(uintptr_t value) {
  if (value >= kGlobalTag && value < kGlobalEnd && (value - kGlobalTag) % kGlobalStep == 0)
    K().next = value;
}

}  // namespace platform
