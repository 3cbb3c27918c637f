// Movable and fixed memory blocks: sizes, lock counts, and refusal of handles
// that are null, freed or of another kind.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "kernel.h"

namespace {

TEST(KernelMemory, SizesAreExactlyWhatWasAsked) {
  for (SIZE_T n : {SIZE_T(0), SIZE_T(1), SIZE_T(13), SIZE_T(81), SIZE_T(100000)}) {
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, n);
    HGLOBAL f = GlobalAlloc(GMEM_FIXED, n);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GlobalSize(m), n);
    EXPECT_EQ(GlobalSize(f), n);
    GlobalFree(m);
    GlobalFree(f);
  }
}

TEST(KernelMemory, ZeroInitAndContentsSurviveUnlockAndRelock) {
  HGLOBAL h = GlobalAlloc(GHND, 4096);
  auto* p = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(p[i], 0) << i;
  std::strcpy(reinterpret_cast<char*>(p), "a log line");
  GlobalUnlock(h);
  auto* q = static_cast<char*>(GlobalLock(h));
  EXPECT_STREQ(q, "a log line");
  GlobalUnlock(h);
  GlobalFree(h);
}

TEST(KernelMemory, LockCountsAndUnlockResults) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 10);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
  void* a = GlobalLock(h);
  void* b = GlobalLock(h);
  EXPECT_EQ(a, b);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
  EXPECT_TRUE(GlobalUnlock(h));  // still locked once
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 1u);
  SetLastError(12345);
  EXPECT_FALSE(GlobalUnlock(h));  // the last unlock reports FALSE with no error
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_FALSE(GlobalUnlock(h));  // not locked
  EXPECT_EQ(GetLastError(), 158u);
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(KernelMemory, FixedBlocksAreTheirOwnAddress) {
  HGLOBAL f = GlobalAlloc(GPTR, 5);
  EXPECT_EQ(GlobalLock(f), f);
  EXPECT_EQ(GlobalFlags(f) & GMEM_LOCKCOUNT, 0u);
  EXPECT_TRUE(GlobalUnlock(f));
  EXPECT_EQ(static_cast<char*>(f)[4], 0);
  EXPECT_EQ(GlobalFree(f), nullptr);
}

TEST(KernelMemory, NullFreedAndForeignHandlesAreRefused) {
  HGLOBAL freed = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_EQ(GlobalFree(freed), nullptr);
  HGLOBAL freed_fixed = GlobalAlloc(GMEM_FIXED, 8);
  ASSERT_EQ(GlobalFree(freed_fixed), nullptr);
  HMENU menu = CreateMenu();
  HGDIOBJ pen = CreatePen(PS_SOLID, 1, 0);
  int on_stack = 0;
  for (HGLOBAL bad : {HGLOBAL(nullptr), freed, freed_fixed, HGLOBAL(menu), HGLOBAL(pen),
                      HGLOBAL(GetStockObject(WHITE_BRUSH)), HGLOBAL(&on_stack),
                      HGLOBAL(static_cast<char*>(freed) + 8)}) {
    SetLastError(0);
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_EQ(GetLastError(), 6u);
    EXPECT_FALSE(GlobalUnlock(bad));
    EXPECT_EQ(GlobalSize(bad), 0u);
    EXPECT_EQ(GlobalFlags(bad), UINT(GMEM_INVALID_HANDLE));
    EXPECT_EQ(GlobalFree(bad), bad);  // failure gives the handle back
  }
  DeleteObject(pen);
  DestroyMenu(menu);
}

TEST(KernelMemory, LiveBlockCountFollowsAllocAndFree) {
  size_t base = platform::LiveGlobalBlockCount();
  HGLOBAL a = GlobalAlloc(GMEM_MOVEABLE, 1);
  HGLOBAL b = GlobalAlloc(GMEM_FIXED, 1);
  EXPECT_EQ(platform::LiveGlobalBlockCount(), base + 2);
  GlobalFree(a);
  GlobalFree(a);  // refused, counts nothing
  EXPECT_EQ(platform::LiveGlobalBlockCount(), base + 1);
  GlobalFree(b);
  EXPECT_EQ(platform::LiveGlobalBlockCount(), base);
}

// Forty million blocks come and go in two days of logging; the counter is put near the
// end of the range here instead.
TEST(KernelMemory, HandlesWrapWithinTheirRangeAndSkipLiveBlocks) {
  const uintptr_t first = platform::GlobalHandleFirst();
  const uintptr_t end = platform::GlobalHandleEnd();
  HGDIOBJ pen = CreatePen(PS_SOLID, 1, 0);
  uintptr_t gdi = reinterpret_cast<uintptr_t>(pen);
  EXPECT_TRUE(gdi < first || gdi >= end) << std::hex << gdi;

  platform::SetNextGlobalHandle(first);
  HGLOBAL held = GlobalAlloc(GMEM_MOVEABLE, 4);  // still alive when the counter comes round
  ASSERT_EQ(reinterpret_cast<uintptr_t>(held), first);
  std::strcpy(static_cast<char*>(GlobalLock(held)), "old");
  GlobalUnlock(held);

  platform::SetNextGlobalHandle(end - 3 * 8);
  std::vector<HGLOBAL> blocks;
  for (int i = 0; i < 6; ++i) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 1);
    ASSERT_NE(h, nullptr);
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    EXPECT_GE(v, first) << i;
    EXPECT_LT(v, end) << i;
    EXPECT_NE(h, held) << i;
    EXPECT_NE(v, gdi) << i;
    blocks.push_back(h);
  }
  EXPECT_EQ(reinterpret_cast<uintptr_t>(blocks[2]), end - 8);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(blocks[3]), first + 8) << "the live block is skipped";
  // The GDI object and the old block are still theirs.
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
  EXPECT_STREQ(static_cast<char*>(GlobalLock(held)), "old");
  GlobalUnlock(held);
  for (HGLOBAL h : blocks) EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalFree(held), nullptr);
  DeleteObject(pen);

  // Out-of-range or misaligned values leave the counter alone.
  platform::SetNextGlobalHandle(end);
  platform::SetNextGlobalHandle(first + 3);
  HGLOBAL after = GlobalAlloc(GMEM_MOVEABLE, 1);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(after), first + 4 * 8);
  GlobalFree(after);
}

TEST(KernelMemory, ProcessHandleTickCountAndLastError) {
  EXPECT_EQ(GetCurrentProcess(), reinterpret_cast<HANDLE>(intptr_t(-1)));
  SetLastError(77);
  EXPECT_EQ(GetLastError(), 77u);
  DWORD t0 = GetTickCount();
  Sleep(20);
  DWORD t1 = GetTickCount();
  EXPECT_GE(t1 - t0, 20u);
}

}  // namespace
