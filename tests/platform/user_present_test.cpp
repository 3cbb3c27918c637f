// Presenting what changed: the host is told only the rows (and their columns) that
// differ from the frame it shows, once per pass of the queue, and what it shows stays
// the window's picture exactly.
#include <random>

#include "user_fixture.h"

namespace {

using namespace usertest;

// A changed part given as its box: columns [l, r) of rows [t, b).
void ExpectBox(const RECT& box, LONG l, LONG t, LONG r, LONG b) {
  EXPECT_EQ(box.left, l);
  EXPECT_EQ(box.top, t);
  EXPECT_EQ(box.right, r);
  EXPECT_EQ(box.bottom, b);
}

class PresentTest : public UserTest {
 protected:
  HWND h = nullptr;
  platform::Window* w = nullptr;
  void Open(const char* cls) {
    RegisterRecording(cls, RGB(255, 255, 255));
    h = MakeWindow(cls, 120, 90, WS_CAPTION | WS_SYSMENU);
    ShowWindow(h, SW_SHOW);
    Drain();
    w = platform::LookupWindow(h);
    ASSERT_NE(w, nullptr);
  }
  platform::HeadlessPresents Info() { return platform::HeadlessPresentInfo(host(), w->native); }
  void Pass() {
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);
  }
  void Fill(int l, int t, int r, int b, COLORREF c) {
    HDC dc = GetDC(h);
    RECT rc = {l, t, r, b};
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(h, dc);
  }
  // The host shows exactly the client surface (the window has no menu bar).
  void ExpectShownIsClient() {
    const platform::Surface* shown = platform::HeadlessLastFrame(host(), w->native);
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->width, w->surface->width);
    ASSERT_EQ(shown->height, w->surface->height);
    ASSERT_TRUE(shown->pixels == w->surface->pixels);
  }
};

TEST_F(PresentTest, OnlyTheChangedRowsAndColumnsAreShown) {
  Open("Parts");
  ExpectShownIsClient();
  uint64_t count = Info().count;
  ASSERT_GT(count, 0u);

  Fill(10, 20, 30, 25, RGB(255, 0, 0));
  Pass();
  auto info = Info();
  EXPECT_EQ(info.count, count + 1);
  ASSERT_EQ(info.changed.size(), 1u);
  ExpectBox(info.changed[0], 10, 20, 30, 25);
  ExpectShownIsClient();

  // Two changes apart: two bands, each as wide as its own change.
  Fill(50, 2, 52, 3, RGB(0, 255, 0));
  Fill(5, 40, 100, 43, RGB(0, 0, 255));
  Pass();
  info = Info();
  EXPECT_EQ(info.count, count + 2);
  ASSERT_EQ(info.changed.size(), 2u);
  ExpectBox(info.changed[0], 50, 2, 52, 3);
  ExpectBox(info.changed[1], 5, 40, 100, 43);
  ExpectShownIsClient();

  // Drawing what is already there shows nothing.
  Fill(10, 20, 30, 25, RGB(255, 0, 0));
  Pass();
  EXPECT_EQ(Info().count, count + 2);
  ExpectShownIsClient();
}

// Bands are copied and sent whole: rows that touch join one only while little comes
// with them that did not change.
TEST_F(PresentTest, TouchingRowsFarApartAreShownAsBandsOfTheirOwn) {
  Open("Bands");
  const int width = w->surface->width, height = w->surface->height;
  ASSERT_GE(width, 80);
  ASSERT_GE(height, 45);

  // A change at the left edge, and under it one at the right edge: joined, the band would
  // hold more than a thousand unchanged pixels.
  Fill(0, 5, 8, 25, RGB(255, 0, 0));
  Fill(width - 8, 25, width, 45, RGB(0, 0, 255));
  Pass();
  auto info = Info();
  ASSERT_EQ(info.changed.size(), 2u);
  ExpectBox(info.changed[0], 0, 5, 8, 25);
  ExpectBox(info.changed[1], width - 8, 25, width, 45);
  ExpectShownIsClient();

  // A change that moves a column a row, like a slanted line: one band around it.
  for (int y = 0; y < 40; ++y) Fill(y, y, y + 10, y + 1, RGB(0, 255, 0));
  Pass();
  info = Info();
  ASSERT_EQ(info.changed.size(), 1u);
  ExpectBox(info.changed[0], 0, 0, 49, 40);
  ExpectShownIsClient();
}

TEST_F(PresentTest, ShownPictureStaysTheWindowsThroughManyPartialPresents) {
  Open("Many");
  std::mt19937 rng(7);
  int width = w->surface->width, height = w->surface->height;
  for (int pass = 0; pass < 60; ++pass) {
    int changes = int(rng() % 6);
    for (int k = 0; k < changes; ++k) {
      int l = int(rng() % unsigned(width)), t = int(rng() % unsigned(height));
      Fill(l, t, l + 1 + int(rng() % 30), t + 1 + int(rng() % 12), RGB(rng() % 256, 0, 200));
    }
    // Now and then every other row: more bands than the host is given one by one.
    if (pass % 10 == 9)
      for (int y = 0; y < height; y += 2) Fill(0, y, 1 + pass, y + 1, RGB(pass, pass, 0));
    Pass();
    ExpectShownIsClient();
    if (testing::Test::HasFatalFailure()) return;
    for (const RECT& r : Info().changed) {
      EXPECT_LT(r.left, r.right);
      EXPECT_LT(r.top, r.bottom);
      EXPECT_GE(r.left, 0);
      EXPECT_LE(r.bottom, height);
    }
    EXPECT_LE(Info().changed.size(), 32u);
  }
}

TEST_F(PresentTest, ABackBufferCopiedWholeShowsOnlyItsChangedRows) {
  Open("Back");
  int width = w->surface->width, height = w->surface->height;
  HDC window_dc = GetDC(h);
  HDC back = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
  HGDIOBJ old_bitmap = SelectObject(back, bitmap);
  RECT all = {0, 0, width, height};
  FillRect(back, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  Pass();
  ExpectShownIsClient();
  uint64_t count = Info().count;

  // One small change in the back buffer, then all of it copied over: one band.
  RECT spot = {40, 30, 47, 33};
  FillRect(back, &spot, (HBRUSH)GetStockObject(BLACK_BRUSH));
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  Pass();
  auto info = Info();
  EXPECT_EQ(info.count, count + 1);
  ASSERT_EQ(info.changed.size(), 1u);
  ExpectBox(info.changed[0], 40, 30, 47, 33);
  ExpectShownIsClient();

  // The same picture again: nothing to show.
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  Pass();
  EXPECT_EQ(Info().count, count + 1);

  // Copies mixed with drawing straight into the window, in any order between passes.
  std::mt19937 rng(11);
  for (int pass = 0; pass < 40; ++pass) {
    for (int k = 0; k < 3; ++k) {
      int l = int(rng() % unsigned(width)), t = int(rng() % unsigned(height));
      RECT r = {l, t, l + 1 + int(rng() % 20), t + 1 + int(rng() % 8)};
      HBRUSH brush = CreateSolidBrush(RGB(rng() % 256, rng() % 256, 0));
      FillRect(rng() % 3 ? back : window_dc, &r, brush);
      DeleteObject(brush);
      if (rng() % 2) BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
    }
    Pass();
    ExpectShownIsClient();
    if (testing::Test::HasFatalFailure()) break;
  }
  SelectObject(back, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(back);
  ReleaseDC(h, window_dc);
}

TEST_F(PresentTest, AnOverlayTakenAwayLeavesNoTrace) {
  Open("Over");
  int width = w->surface->width, height = w->surface->height;
  HDC window_dc = GetDC(h);
  HDC back = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
  HGDIOBJ old_bitmap = SelectObject(back, bitmap);
  RECT all = {0, 0, width, height};
  FillRect(back, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  Pass();
  // A popup drawn over the client rows, then gone while only a back-buffer copy
  // changed a row far from it.
  w->overlay = std::make_shared<platform::Surface>(20, 10, 0x00FF00);
  w->overlay_x = 5;
  w->overlay_y = 5;
  platform::RequestPresent(h);
  Pass();
  const platform::Surface* shown = platform::HeadlessLastFrame(host(), w->native);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->pixels[size_t(7) * size_t(width) + 7], 0x00FF00u);
  w->overlay.reset();
  RECT spot = {0, height - 2, 3, height - 1};
  FillRect(back, &spot, (HBRUSH)GetStockObject(BLACK_BRUSH));
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  Pass();
  ExpectShownIsClient();
  SelectObject(back, old_bitmap);
  DeleteObject(bitmap);
  DeleteDC(back);
  ReleaseDC(h, window_dc);
}

TEST_F(PresentTest, LinesWrittenBetweenPassesArePresentedOnce) {
  Open("Log");
  uint64_t count = Info().count;
  // A log window's way: scroll up a line and write the new one, ten times over.
  for (int line = 0; line < 10; ++line) {
    HDC dc = GetDC(h);
    ScrollDC(dc, 0, -12, nullptr, nullptr, nullptr, nullptr);
    RECT rc = {0, 60, 120, 72};
    FillRect(dc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
    TextOutA(dc, 5, 60, "line", 4);
    ReleaseDC(h, dc);
  }
  EXPECT_EQ(Info().count, count);
  Pass();
  EXPECT_EQ(Info().count, count + 1);
  ExpectShownIsClient();
  Pass();
  EXPECT_EQ(Info().count, count + 1);
}

TEST_F(PresentTest, AResizedWindowIsShownWhole) {
  Open("Grow");
  Fill(0, 0, 10, 10, RGB(9, 9, 9));
  Pass();
  EXPECT_FALSE(Info().changed.empty());
  uint64_t count = Info().count;
  MoveWindow(h, 0, 0, 150, 100, TRUE);
  Pass();
  EXPECT_EQ(Info().count, count + 1);
  EXPECT_TRUE(Info().changed.empty());
  ExpectShownIsClient();
  // The repaint that follows is shown in part again.
  Drain();
  ExpectShownIsClient();
}

}  // namespace

namespace {

using namespace usertest;

class SpanTest : public PresentTest {
 protected:
  HDC window_dc = nullptr, back = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old_bitmap = nullptr;
  int width = 0, height = 0;
  void OpenWithBackBuffer(const char* cls) {
    Open(cls);
    width = w->surface->width;
    height = w->surface->height;
    window_dc = GetDC(h);
    back = CreateCompatibleDC(window_dc);
    bitmap = CreateCompatibleBitmap(window_dc, width, height);
    old_bitmap = SelectObject(back, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(back, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
    Pass();
  }
  void TearDown() override {
    if (back) {
      SelectObject(back, old_bitmap);
      DeleteObject(bitmap);
      DeleteDC(back);
      ReleaseDC(h, window_dc);
    }
    PresentTest::TearDown();
  }
  void Spot(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc = {l, t, r, b};
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
  }
};

TEST_F(SpanTest, APartialCopyIsShownWhereItLandsInTheWindow) {
  OpenWithBackBuffer("SpanMoved");
  Spot(back, 7, 8, 9, 9, RGB(0, 0, 255));
  // Source (5, 5) lands at (30, 10): the spot at (7, 8) lands at (32, 13).
  BitBlt(window_dc, 30, 10, 20, 20, back, 5, 5, SRCCOPY);
  Pass();
  auto info = Info();
  ASSERT_EQ(info.changed.size(), 1u);
  ExpectBox(info.changed[0], 32, 13, 34, 14);
  ExpectShownIsClient();
}

TEST_F(SpanTest, CopiesBetweenTwoPassesAreShownTogether) {
  OpenWithBackBuffer("SpanTwice");
  // Two copies before one pass, each changing other columns of the same row, and a
  // spot in another row that the second copy puts back: all of it is shown once.
  Spot(back, 10, 5, 12, 6, RGB(255, 0, 0));
  Spot(back, 40, 20, 41, 21, RGB(0, 255, 0));
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  Spot(back, 50, 5, 52, 6, RGB(255, 0, 0));
  Spot(back, 40, 20, 41, 21, RGB(255, 255, 255));
  BitBlt(window_dc, 0, 0, width, height, back, 0, 0, SRCCOPY);
  uint64_t count = Info().count;
  Pass();
  auto info = Info();
  EXPECT_EQ(info.count, count + 1);
  ASSERT_GE(info.changed.size(), 1u);
  ExpectBox(info.changed[0], 10, 5, 52, 6);
  ExpectShownIsClient();
}

TEST_F(SpanTest, EveryPixelThatChangesOnScreenIsInAChangedPart) {
  OpenWithBackBuffer("SpanRandom");
  std::mt19937 rng(23);
  std::vector<uint32_t> before = platform::HeadlessLastFrame(host(), w->native)->pixels;
  for (int pass = 0; pass < 60; ++pass) {
    for (int k = 0; k < 4; ++k) {
      int l = int(rng() % unsigned(width)), t = int(rng() % unsigned(height));
      Spot(rng() % 4 ? back : window_dc, l, t, l + 1 + int(rng() % 30), t + 1 + int(rng() % 6),
           RGB(rng() % 256, rng() % 256, rng() % 256));
      if (rng() % 2) {
        // Parts of the back buffer to anywhere in the window, sometimes partly outside.
        int sx = int(rng() % unsigned(width)) - 5, sy = int(rng() % unsigned(height)) - 5;
        int dx = int(rng() % unsigned(width)) - 5, dy = int(rng() % unsigned(height)) - 5;
        BitBlt(window_dc, dx, dy, 1 + int(rng() % 60), 1 + int(rng() % 40), back, sx, sy, SRCCOPY);
      }
    }
    Pass();
    ExpectShownIsClient();
    auto info = Info();
    const std::vector<uint32_t>& now = platform::HeadlessLastFrame(host(), w->native)->pixels;
    if (!info.changed.empty()) {
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          size_t i = size_t(y) * size_t(width) + size_t(x);
          if (now[i] == before[i]) continue;
          bool inside = false;
          for (const RECT& r : info.changed)
            inside |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
          ASSERT_TRUE(inside) << "pass " << pass << " pixel " << x << "," << y;
        }
    }
    before = now;
    if (testing::Test::HasFatalFailure()) break;
  }
}

}  // namespace
