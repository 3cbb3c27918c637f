// Copies from a back buffer compare only what its drawing calls changed since the last
// copy: the window must still end up holding every pixel of the back buffer.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gdi/gdi.h"

namespace {

using platform::Surface;

constexpr int kWidth = 160, kHeight = 120;

// A window surface, and a back buffer made for it as programs make theirs (the window
// may be smaller, as a client area is than the window's outer size).
struct Pair {
  explicit Pair(int w = kWidth, int h = kHeight) : window(std::make_shared<Surface>(w, h)) {}
  std::shared_ptr<Surface> window;
  HDC wdc = platform::CreateSurfaceDC(window, nullptr);
  HDC mdc = CreateCompatibleDC(wdc);
  HBITMAP bitmap = CreateCompatibleBitmap(wdc, kWidth, kHeight);
  HGDIOBJ old_bitmap = SelectObject(mdc, bitmap);
  ~Pair() {
    SelectObject(mdc, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(mdc);
    platform::DestroySurfaceDC(wdc);
  }
  const Surface& Back() const { return *platform::gdi::LookupDC(mdc)->surface; }
  void Show() { ASSERT_TRUE(BitBlt(wdc, 0, 0, kWidth, kHeight, mdc, 0, 0, SRCCOPY)); }
  // The first row and column where the window differs from the back buffer, or "".
  std::string Mismatch() const {
    const Surface& b = Back();
    const int w = window->width;
    for (int y = 0; y < window->height; ++y)
      for (int x = 0; x < w; ++x)
        if (window->pixels[size_t(y) * size_t(w) + size_t(x)] !=
            b.pixels[size_t(y) * kWidth + size_t(x)])
          return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
  }
};

// A drawing call with a pen, a brush and a font made for it, as the runtime draws.
struct Call {
  int kind = 0;  // 0 rectangle, 1 ellipse, 2 line, 3 text, 4 FillRect
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  COLORREF colour = 0;
  int pen_width = 1;
  bool null_pen = false, smooth = false, opaque = false, italic = false;
  std::string text;
};

void Draw(HDC dc, const Call& c) {
  if (c.kind == 3) {
    HFONT font = c.smooth ? CreateFontA(40, 0, 0, 0, FW_NORMAL, c.italic, 0, 0, ANSI_CHARSET, 0, 0,
                                        0, 0, "Arial")
                          : static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, c.colour);
    SetBkMode(dc, c.opaque ? OPAQUE : TRANSPARENT);
    TextOutA(dc, c.x0, c.y0, c.text.data(), int(c.text.size()));
    SelectObject(dc, old);
    if (c.smooth) DeleteObject(font);
    return;
  }
  if (c.kind == 4) {
    HBRUSH brush = CreateSolidBrush(c.colour);
    RECT r = {c.x0, c.y0, c.x1, c.y1};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    return;
  }
  HPEN pen = c.null_pen ? static_cast<HPEN>(GetStockObject(NULL_PEN))
                        : CreatePen(PS_SOLID, c.pen_width, c.colour ^ 0x404040);
  HBRUSH brush = CreateSolidBrush(c.colour);
  HGDIOBJ old_pen = SelectObject(dc, pen), old_brush = SelectObject(dc, brush);
  if (c.kind == 0) Rectangle(dc, c.x0, c.y0, c.x1, c.y1);
  if (c.kind == 1) Ellipse(dc, c.x0, c.y0, c.x1, c.y1);
  if (c.kind == 2) {
    MoveToEx(dc, c.x0, c.y0, nullptr);
    LineTo(dc, c.x1, c.y1);
  }
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  if (!c.null_pen) DeleteObject(pen);
  DeleteObject(brush);
}

Call RandomCall(std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Call c;
  c.kind = pick(0, 4);
  c.x0 = pick(-30, kWidth + 10), c.y0 = pick(-30, kHeight + 10);
  c.x1 = c.x0 + pick(-40, 60), c.y1 = c.y0 + pick(-40, 60);
  c.colour = RGB(pick(0, 3) * 85, pick(0, 3) * 85, pick(0, 3) * 85);
  c.pen_width = pick(0, 5);
  c.null_pen = pick(0, 3) == 0;
  c.smooth = pick(0, 1) == 1;
  c.opaque = pick(0, 3) == 0;
  c.italic = pick(0, 2) == 0;
  static const char* const words[] = {"Go", "Stop", "ant", "W", "Bugs & moon", "1"};
  c.text = words[pick(0, 5)];
  return c;
}

// Pictures drawn frame after frame, most calls as in the frame before and some moved,
// recoloured, added or dropped, sometimes under a first call that paints everything and
// sometimes not, with now and then a pixel set outside the log on either side or looked
// at halfway, and now and then copies of a part. After every copy the back buffer must
// hold what the same calls drawn at once make, and the window the back buffer, exactly.
TEST(GdiDrawLog, CopiesKeepTheWindowEqualToTheBackBufferFrameAfterFrame) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    // Every third case, a window smaller than the back buffer: each copy leaves rows and
    // columns of it out.
    Pair pair(seed % 3 ? kWidth : kWidth - 23, seed % 3 ? kHeight : kHeight - 17);
    // The same calls drawn at once on a window's surface: what the back buffer must hold.
    auto reference = std::make_shared<Surface>(kWidth, kHeight);
    HDC rdc = platform::CreateSurfaceDC(reference, nullptr);
    RECT all = {0, 0, kWidth, kHeight};
    FillRect(pair.mdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    std::vector<Call> scene;
    for (int i = 0; i < 12; ++i) scene.push_back(RandomCall(rng));
    Call sky;
    sky.kind = 0, sky.x0 = -1, sky.y0 = -1, sky.x1 = kWidth + 1, sky.y1 = kHeight - 20;
    // Without a pen, or with one of any width (a wide one paints inside the outline).
    sky.colour = RGB(0, 51, 153), sky.null_pen = seed % 2 == 1, sky.pen_width = int(seed % 5);
    const platform::gdi::CopyStats before = platform::gdi::GetCopyStats();
    for (int frame = 0; frame < 150; ++frame) {
      // Changes to the scene: a few calls altered, now and then one added or dropped.
      for (int k = pick(0, 2); k > 0; --k) {
        Call& c = scene[size_t(pick(0, int(scene.size()) - 1))];
        switch (pick(0, 3)) {
          case 0:
            c.x0 += pick(-3, 3), c.x1 += pick(-3, 3);
            break;
          case 1:
            c.y0 += pick(-3, 3), c.y1 += pick(-3, 3);
            break;
          case 2:
            c.colour ^= 0x330000;
            break;
          default:
            c = RandomCall(rng);
            break;
        }
      }
      if (pick(0, 19) == 0) scene.push_back(RandomCall(rng));
      if (pick(0, 19) == 0 && scene.size() > 2) scene.pop_back();
      const bool covered = frame % 40 < 30;  // a stretch of frames without the sky
      if (covered) {
        if (pick(0, 29) == 0) sky.colour ^= 0x000033;
        Draw(pair.mdc, sky);
        Draw(rdc, sky);
      }
      // Now and then a look at a pixel halfway through the picture.
      const size_t look = pick(0, 9) == 0 ? size_t(pick(0, int(scene.size()))) : scene.size() + 1;
      for (size_t i = 0; i < scene.size(); ++i) {
        if (i == look) {
          ASSERT_EQ(GetPixel(pair.mdc, int(i) % kWidth, 7), GetPixel(rdc, int(i) % kWidth, 7));
        }
        Draw(pair.mdc, scene[i]);
        Draw(rdc, scene[i]);
      }
      if (pick(0, 24) == 0) {
        const int x = pick(0, kWidth - 1), y = pick(0, kHeight - 1);
        SetPixel(pair.mdc, x, y, 0xFF);
        SetPixel(rdc, x, y, 0xFF);
      }
      if (pick(0, 24) == 0) SetPixel(pair.wdc, pick(0, kWidth - 1), pick(0, kHeight - 1), 0xFF00);
      if (frame % 25 >= 22) {
        // Copies of the left half only, a few in a row.
        ASSERT_TRUE(BitBlt(pair.wdc, 0, 0, kWidth / 2, kHeight, pair.mdc, 0, 0, SRCCOPY));
      } else {
        pair.Show();
        ASSERT_EQ(pair.Mismatch(), "") << "frame " << frame;
      }
      ASSERT_TRUE(pair.Back().pixels == reference->pixels) << "frame " << frame;
    }
    platform::DestroySurfaceDC(rdc);
    const platform::gdi::CopyStats after = platform::gdi::GetCopyStats();
    // Most copies were served by the log, or this test proves nothing about it.
    EXPECT_GT(after.logged - before.logged, 75u);
    EXPECT_GT(after.partly - before.partly, 50u);
    // Some of it in place, on the surface itself.
    EXPECT_GT(after.in_place - before.in_place, 5u);
  }
}

// What the log keeps of a call: every pixel the call changed lies within its reach, and
// every pixel of what it claims to paint over comes out the same whatever lay there.
TEST(GdiDrawLog, EachCallsReachHoldsWhatItDrewAndItsCoverIgnoresWhatWasThere) {
  std::mt19937 rng(7);
  Pair pair;
  int covers = 0;
  for (int i = 0; i < 3000; ++i) {
    Call c = RandomCall(rng);
    // Italic glyphs reach out of their cells, to the left as well.
    if (i % 3 == 0) c.text = "jfW/";
    std::vector<uint32_t> drawn[2];
    std::vector<platform::gdi::DrawCall> logged;
    for (int bg = 0; bg < 2; ++bg) {
      const uint32_t under = bg ? 0xFFFFFF : 0x000000;
      pair.Show();  // starts a new log
      Call ground;
      ground.kind = 4, ground.x1 = kWidth, ground.y1 = kHeight, ground.colour = under;
      Draw(pair.mdc, ground);
      Draw(pair.mdc, c);
      drawn[bg] = pair.Back().pixels;
      logged = platform::gdi::LoggedCalls(pair.mdc);
      ASSERT_FALSE(logged.empty());
      if (logged.size() == 1) break;  // the call drew nothing
      const platform::gdi::DrawCall& call = logged.back();
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          if (drawn[bg][size_t(y) * kWidth + size_t(x)] == under) continue;
          ASSERT_TRUE(x >= call.l && x < call.r && y >= call.t && y < call.b)
              << "call " << i << " kind " << c.kind << " drew (" << x << ", " << y
              << ") outside its reach";
        }
      }
    }
    if (logged.size() < 2) continue;
    const platform::gdi::DrawCall& call = logged.back();
    if (call.cl >= call.cr) continue;
    ++covers;
    for (int64_t y = call.ct; y < call.cb; ++y)
      for (int64_t x = call.cl; x < call.cr; ++x)
        ASSERT_EQ(drawn[0][size_t(y) * kWidth + size_t(x)],
                  drawn[1][size_t(y) * kWidth + size_t(x)])
            << "call " << i << " kind " << c.kind << " left (" << x << ", " << y
            << ") to what lay there";
  }
  EXPECT_GT(covers, 500);
}

// Drawing put off on a back buffer is not lost when its DC lets go of the bitmap, for
// another bitmap or for good: the bitmap shows it wherever it is looked at next.
TEST(GdiDrawLog, DrawingPutOffReachesTheBitmapAfterItsDCLetsGo) {
  auto reference = std::make_shared<Surface>(kWidth, kHeight);
  HDC rdc = platform::CreateSurfaceDC(reference, nullptr);
  Call disc;
  disc.kind = 1, disc.x0 = 20, disc.y0 = 30, disc.x1 = 90, disc.y1 = 80;
  disc.colour = RGB(200, 100, 0), disc.pen_width = 3;
  Draw(rdc, disc);
  for (int how = 0; how < 2; ++how) {
    SCOPED_TRACE(how == 0 ? "another bitmap" : "DC deleted");
    Pair pair;
    RECT all = {0, 0, kWidth, kHeight};
    FillRect(pair.mdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    pair.Show();
    pair.Show();  // in step: what comes next is put off
    const uint64_t owed_before = platform::gdi::GetCopyStats().partly;
    Draw(pair.mdc, disc);
    ASSERT_TRUE(pair.Back().pixels.Owing()) << "the disc was drawn at once";
    HBITMAP other = CreateCompatibleBitmap(pair.wdc, 4, 4);
    SelectObject(pair.mdc, how == 0 ? other : pair.old_bitmap);
    if (how == 1) {
      DeleteDC(pair.mdc);
      pair.mdc = CreateCompatibleDC(pair.wdc);
    }
    HDC look = CreateCompatibleDC(pair.wdc);
    HGDIOBJ was = SelectObject(look, pair.bitmap);
    for (int y = 0; y < kHeight; y += 3)
      for (int x = 0; x < kWidth; x += 3)
        ASSERT_EQ(GetPixel(look, x, y), GetPixel(rdc, x, y)) << x << ", " << y;
    SelectObject(look, was);
    DeleteDC(look);
    SelectObject(pair.mdc, pair.bitmap);
    DeleteObject(other);
    EXPECT_EQ(platform::gdi::GetCopyStats().partly, owed_before);
  }
  platform::DestroySurfaceDC(rdc);
}

// Smoothed text drawn again and again at one place, with nothing painted under it,
// darkens its edges a little more each time: the copy must show that although the call
// is the same as in the last frame.
TEST(GdiDrawLog, TextBlendedOverItselfIsCopiedEveryFrame) {
  Pair pair;
  Call text;
  text.kind = 3, text.x0 = 10, text.y0 = 10, text.smooth = true, text.colour = RGB(200, 0, 0);
  text.text = "Smooth edges";
  bool darkened = false;
  std::vector<uint32_t> last;
  for (int frame = 0; frame < 6; ++frame) {
    Draw(pair.mdc, text);
    pair.Show();
    ASSERT_EQ(pair.Mismatch(), "") << "frame " << frame;
    std::vector<uint32_t> now = pair.Back().pixels;
    if (frame > 0 && now != last) darkened = true;
    last = now;
  }
  // Fonts are smoothed at this size (their tables leave smaller ones sharp).
  EXPECT_TRUE(darkened) << "the text's edges did not change from frame to frame";
}

// A copy elsewhere, a change to the window by another writer, or a new bitmap in the
// back buffer's DC each mean the log cannot say what the window holds.
TEST(GdiDrawLog, CopiesComparedWholeWhenTheLogCannotTell) {
  Pair pair;
  Call sky;
  sky.kind = 0, sky.x0 = 0, sky.y0 = 0, sky.x1 = kWidth, sky.y1 = kHeight;
  sky.colour = RGB(0, 51, 153), sky.null_pen = true;
  auto frame = [&] {
    Draw(pair.mdc, sky);
    pair.Show();
  };
  frame();
  frame();
  auto logged = [] { return platform::gdi::GetCopyStats().logged; };
  uint64_t n = logged();
  frame();
  EXPECT_EQ(logged(), n + 1) << "the same copy again";
  RECT r = {5, 5, 9, 9};
  FillRect(pair.wdc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  n = logged();
  frame();
  EXPECT_EQ(logged(), n) << "the window was drawn on since";
  EXPECT_EQ(pair.Mismatch(), "");
  frame();
  n = logged();
  ASSERT_TRUE(BitBlt(pair.wdc, 1, 0, kWidth - 1, kHeight, pair.mdc, 0, 0, SRCCOPY));
  Draw(pair.mdc, sky);
  pair.Show();
  EXPECT_EQ(logged(), n) << "the last copy went elsewhere";
  EXPECT_EQ(pair.Mismatch(), "");
  frame();
  const std::string long_text(2000, 'x');
  Draw(pair.mdc, sky);
  TextOutA(pair.mdc, 3, 3, long_text.data(), int(long_text.size()));
  n = logged();
  pair.Show();
  EXPECT_EQ(logged(), n) << "a string too long to keep";
  EXPECT_EQ(pair.Mismatch(), "");
  HBITMAP other = CreateCompatibleBitmap(pair.wdc, kWidth, kHeight);
  SelectObject(pair.mdc, other);
  n = logged();
  frame();
  EXPECT_EQ(logged(), n) << "another bitmap";
  EXPECT_EQ(pair.Mismatch(), "");
  SelectObject(pair.mdc, pair.bitmap);
  DeleteObject(other);
}

// A shape that moves under a sky and over a ground, beside shapes that stay: the sky
// and ground drawn again where it moved must not reach the pixels right beside that.
TEST(GdiDrawLog, BoxesDrawnAgainInPlaceStopAtTheChangedPart) {
  for (int side = 0; side < 4; ++side) {
    SCOPED_TRACE("side " + std::to_string(side));
    Pair pair;
    auto reference = std::make_shared<Surface>(kWidth, kHeight);
    HDC rdc = platform::CreateSurfaceDC(reference, nullptr);
    Call sky, ground, mover, still;
    sky.kind = 4, sky.x1 = kWidth, sky.y1 = kHeight, sky.colour = RGB(0, 51, 153);
    ground.kind = 0, ground.x0 = -5, ground.y0 = 60, ground.x1 = kWidth + 5, ground.y1 = 200;
    ground.colour = RGB(153, 102, 51);
    mover.kind = 0, mover.x0 = 50, mover.y0 = 40, mover.x1 = 70, mover.y1 = 80;
    mover.colour = RGB(255, 0, 0);
    // What the calls may reach around the mover's box, the pen and a pixel more.
    const int m = 2;
    still.kind = 4, still.colour = RGB(0, 255, 0);
    if (side == 0) still.x0 = 70 + m + 1, still.x1 = 90, still.y0 = 30, still.y1 = 95;
    if (side == 1) still.x0 = 20, still.x1 = 50 - m, still.y0 = 30, still.y1 = 95;
    if (side == 2) still.x0 = 30, still.x1 = 95, still.y0 = 20, still.y1 = 40 - m;
    if (side == 3) still.x0 = 30, still.x1 = 95, still.y0 = 81 + m + 1, still.y1 = 110;
    const uint64_t in_place = platform::gdi::GetCopyStats().in_place;
    for (int frame = 0; frame < 6; ++frame) {
      if (side < 2)
        mover.y0 += 1, mover.y1 += 1;
      else
        mover.x0 += 1, mover.x1 += 1;
      if (side == 3) mover.y1 = 81;
      for (HDC dc : {pair.mdc, rdc}) {
        Draw(dc, sky);
        Draw(dc, ground);
        Draw(dc, mover);
        Draw(dc, still);
      }
      pair.Show();
      ASSERT_TRUE(pair.Back().pixels == reference->pixels) << "frame " << frame;
      ASSERT_EQ(pair.Mismatch(), "") << "frame " << frame;
    }
    EXPECT_GE(platform::gdi::GetCopyStats().in_place, in_place + 4) << "not drawn in place";
    platform::DestroySurfaceDC(rdc);
  }
}

}  // namespace
