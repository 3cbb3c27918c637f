// The running garden leaks neither GDI objects nor memory blocks: after every
// button has been pressed ten times and a thousand ticks have passed, the counts
// are those after the first pass.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "garden_test_support.h"
#include "gdi/gdi.h"
#include "kernel.h"

namespace {

using Program = GardenDriver;

int RowY(int row) { return -22 - 25 * row; }

DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

TEST(GardenLeaks, TenClicksOnEveryButtonAndAThousandTicks) {
  setenv("PLATFORM_HOST", "headless", 1);
  setenv("PLATFORM_VIRTUAL_CLOCK", "1", 1);
  Program p;
  p.Start();
  p.Tick();
  DWORD gdi = GdiObjects();
  size_t blocks = platform::LiveGlobalBlockCount();
  ASSERT_GT(gdi, 0u);  // the back buffer's bitmap at least

  for (int round = 0; round < 10; round++) {
    // Nine bugs and the column shown, so every selector row is a button.
    for (int i = 0; i < 8; i++) p.Click(-250, RowY(7));
    if (p.control.controller_on == 0) p.Click(-250, RowY(8));
    for (int row = 0; row < 9; row++) p.Click(-170, RowY(row));
    for (int row = 0; row < 9; row++) p.Click(-250, RowY(row));
    for (int row = 0; row < 5; row++) p.Click(250, RowY(row));
  }
  for (int i = 0; i < 1000; i++) p.Tick();
  EXPECT_EQ(p.control.frame_no, (1 + 1000) % 650);
  EXPECT_EQ(p.done, 0);

  EXPECT_EQ(GdiObjects(), gdi);
  EXPECT_EQ(platform::LiveGlobalBlockCount(), blocks);
}

}  // namespace
