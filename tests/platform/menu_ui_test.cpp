// The menu bar and its popup, driven through the same native events a desktop
// host delivers, on the headless host: opening and closing, mouse and keyboard
// navigation, WM_COMMAND for chosen items, and what the popup looks like.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "host/host.h"
#include "user/user.h"

using platform::NativeEvent;

namespace {

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

constexpr uint32_t kHighlight = 0x0078D7;

class MenuUi : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetHost(platform::MakeHeadlessHost());
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "MenuUiTest";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ASSERT_TRUE(RegisterClassA(&wc));
    hwnd = CreateWindowExA(0, "MenuUiTest", "menu test", WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540,
                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, 1, "&Animate\tCtrl+A");
    AppendMenuA(run, MF_STRING, 2, "&Halt animation\tCtrl+H");
    AppendMenuA(run, MF_STRING, 3, "Advance one &frame\tCtrl+F");
    AppendMenuA(run, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(run, MF_STRING | MF_CHECKED, 4, "&Logging\tCtrl+L");
    AppendMenuA(run, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(run, MF_STRING, 5, "&Record Script\tCtrl+R");
    AppendMenuA(run, MF_STRING, 6, "&Playback Script\tCtrl+P");
    AppendMenuA(run, MF_STRING, 7, "Play &One Script\tCtrl+O");
    AppendMenuA(run, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(run, MF_STRING, 8, "&Quit\tCtrl+Q");
    AppendMenuA(run, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(run, MF_GRAYED, 9, "KX507 v2.2 July 1997");
    AppendMenuA(run, MF_GRAYED, 9, "WINDOWS: example.org");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
    SetMenu(hwnd, bar);
    ShowWindow(hwnd, SW_SHOW);
    Drain();
    menu_h = GetSystemMetrics(SM_CYMENU);
  }

  platform::Window& W() { return *platform::LookupWindow(hwnd); }

  void Send(NativeEvent::Kind kind, int vk = 0, int x = 0, int y = 0) {
    NativeEvent ev;
    ev.kind = kind;
    ev.window = W().native;
    ev.vk = vk;
    ev.button = 1;
    ev.x = x;
    ev.y = y;
    platform::InjectEvent(ev);
  }
  void Key(int vk) {
    Send(NativeEvent::KeyDown, vk);
    Send(NativeEvent::KeyUp, vk);
  }
  void Move(int x, int y) { Send(NativeEvent::MouseMove, 0, x, y); }
  void Click(int x, int y) {
    Move(x, y);
    Send(NativeEvent::MouseDown, 0, x, y);
    Send(NativeEvent::MouseUp, 0, x, y);
  }
  void ClickRun() { Click(12, menu_h / 2); }

  // Every message now in the queue, in order, dispatched (this also composes and
  // presents). The menu's WM_SYSCOMMAND is only taken: its modal loop would wait
  // for input that these tests give between drains (the loop has tests of its own).
  std::vector<MSG> Drain() {
    std::vector<MSG> out;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      out.push_back(m);
      if (m.message == WM_SYSCOMMAND) continue;
      DispatchMessageA(&m);  // paints validate
    }
    return out;
  }
  static std::vector<WPARAM> Commands(const std::vector<MSG>& msgs) {
    std::vector<WPARAM> ids;
    for (const MSG& m : msgs)
      if (m.message == WM_COMMAND) ids.push_back(m.wParam);
    return ids;
  }
  static int Count(const std::vector<MSG>& msgs, UINT message) {
    return int(std::count_if(msgs.begin(), msgs.end(),
                             [&](const MSG& m) { return m.message == message; }));
  }

  bool Open() { return W().overlay != nullptr; }
  uint32_t OverlayPixel(int x, int y) {
    const platform::Surface& o = *W().overlay;
    return o.pixels[size_t(y) * size_t(o.width) + size_t(x)];
  }
  // Rows of the overlay that carry the highlight, at column 3.
  std::vector<int> HighlightRows() {
    std::vector<int> rows;
    if (!Open()) return rows;
    for (int y = 0; y < W().overlay->height; ++y)
      if (OverlayPixel(3, y) == kHighlight) rows.push_back(y);
    return rows;
  }
  // The item under each overlay row while hovering: [top, bottom) bands of the
  // choosable items in order, found by moving the mouse down the popup.
  std::vector<std::pair<int, int>> HoverBands() {
    std::vector<std::pair<int, int>> bands;
    if (!Open()) return bands;
    for (int y = 0; y < W().overlay->height; ++y) {
      Move(W().overlay_x + 30, W().overlay_y + y);
      auto rows = HighlightRows();
      if (rows.empty()) continue;
      if (bands.empty() || bands.back().first != rows.front())
        bands.push_back({rows.front(), rows.back() + 1});
    }
    return bands;
  }

  HWND hwnd = nullptr;
  HMENU run = nullptr;
  int menu_h = 0;
};

TEST_F(MenuUi, ClickOnTheBarOpensThePopupBelowItAndAClickOnAnItemChoosesIt) {
  EXPECT_FALSE(Open());
  ClickRun();
  ASSERT_TRUE(Open());
  EXPECT_EQ(W().overlay_x, 0);
  EXPECT_EQ(W().overlay_y, menu_h);
  // Fits inside the window's frame.
  EXPECT_LE(W().overlay_x + W().overlay->width, W().client_width);
  EXPECT_LE(W().overlay_y + W().overlay->height, menu_h + W().client_height);
  // Opened by the mouse, nothing is highlighted until the mouse is over an item.
  EXPECT_TRUE(HighlightRows().empty());
  EXPECT_TRUE(Commands(Drain()).empty());

  // The eight commands can be hovered; separators and grayed lines cannot.
  auto bands = HoverBands();
  ASSERT_EQ(bands.size(), 8u);
  for (size_t i = 1; i < bands.size(); ++i) EXPECT_GE(bands[i].first, bands[i - 1].second);
  // Between Advance one frame and Logging lies a separator.
  EXPECT_GT(bands[3].first, bands[2].second);

  const int y = W().overlay_y + (bands[1].first + bands[1].second) / 2;
  Click(30, y);
  EXPECT_FALSE(Open());
  auto msgs = Drain();
  EXPECT_EQ(Commands(msgs), std::vector<WPARAM>{2});
  // The clicks belonged to the menu, not to the client area.
  EXPECT_EQ(Count(msgs, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(Count(msgs, WM_LBUTTONUP), 0);
}

TEST_F(MenuUi, GrayedLinesAndSeparatorsCannotBeChosenAndAClickOutsideCloses) {
  ClickRun();
  ASSERT_TRUE(Open());
  const int h = W().overlay->height;
  // The last rows hold the grayed lines.
  Click(30, W().overlay_y + h - 6);
  EXPECT_TRUE(Open());
  EXPECT_TRUE(HighlightRows().empty());
  // The separator below Advance one frame.
  auto bands = HoverBands();
  ASSERT_EQ(bands.size(), 8u);
  Click(30, W().overlay_y + (bands[2].second + bands[3].first) / 2);
  EXPECT_TRUE(Open());
  EXPECT_TRUE(Commands(Drain()).empty());

  // A click in the client area beside the popup closes it and is not passed on.
  Click(W().overlay->width + 50, menu_h + 200);
  EXPECT_FALSE(Open());
  auto msgs = Drain();
  EXPECT_TRUE(Commands(msgs).empty());
  EXPECT_EQ(Count(msgs, WM_LBUTTONDOWN), 0);
  // The next click is the program's again.
  Click(W().overlay_x + 300, menu_h + 200);
  EXPECT_EQ(Count(Drain(), WM_LBUTTONDOWN), 1);
}

TEST_F(MenuUi, ClickOnTheOpenBarItemClosesThePopup) {
  ClickRun();
  ASSERT_TRUE(Open());
  ClickRun();
  EXPECT_FALSE(Open());
  EXPECT_TRUE(Commands(Drain()).empty());
}

TEST_F(MenuUi, KeyboardNavigationSkipsSeparatorsAndGrayedItemsAndWraps) {
  Key(VK_F10);
  EXPECT_FALSE(Open());  // the bar is selected, the popup not yet open
  Key(VK_DOWN);
  ASSERT_TRUE(Open());
  auto first = HighlightRows();
  ASSERT_FALSE(first.empty());  // Animate
  Key(VK_DOWN);
  Key(VK_DOWN);
  Key(VK_DOWN);  // over the separator to Logging
  Key(VK_RETURN);
  EXPECT_FALSE(Open());
  EXPECT_EQ(Commands(Drain()), std::vector<WPARAM>{4});

  // Up from the first item goes round to Quit, past the grayed lines at the end.
  Key(VK_F10);
  Key(VK_RETURN);
  ASSERT_TRUE(Open());
  EXPECT_EQ(HighlightRows(), first);
  Key(VK_UP);
  Key(VK_RETURN);
  EXPECT_EQ(Commands(Drain()), std::vector<WPARAM>{8});

  // ... and Down from Quit comes back to Animate.
  Key(VK_F10);
  Key(VK_DOWN);
  Key(VK_UP);
  Key(VK_DOWN);
  EXPECT_EQ(HighlightRows(), first);
  Key(VK_RETURN);
  EXPECT_EQ(Commands(Drain()), std::vector<WPARAM>{1});
}

TEST_F(MenuUi, AltLetterOpensTheMenuAndMnemonicsChoose) {
  Send(NativeEvent::KeyDown, VK_MENU);
  Send(NativeEvent::KeyDown, 'R');
  Send(NativeEvent::KeyUp, 'R');
  Send(NativeEvent::KeyUp, VK_MENU);
  ASSERT_TRUE(Open());
  EXPECT_FALSE(HighlightRows().empty());
  Key('O');  // Play &One Script
  EXPECT_FALSE(Open());
  EXPECT_EQ(Commands(Drain()), std::vector<WPARAM>{7});

  // Alt alone selects the bar; then the mnemonic opens the popup; H is Halt.
  Key(VK_MENU);
  EXPECT_FALSE(Open());
  Key('R');
  ASSERT_TRUE(Open());
  Key('H');
  EXPECT_EQ(Commands(Drain()), std::vector<WPARAM>{2});

  // A letter no item has does nothing; the popup stays.
  Key(VK_F10);
  Key(VK_DOWN);
  Key('Z');
  EXPECT_TRUE(Open());
  EXPECT_TRUE(Commands(Drain()).empty());
}

TEST_F(MenuUi, WhileOpenKeysGoToTheMenuEscClosesAndCtrlReleaseStillReachesTheProgram) {
  Drain();
  ClickRun();
  ASSERT_TRUE(Open());
  Key('X');
  Key(VK_DOWN);
  Send(NativeEvent::KeyDown, VK_CONTROL);
  Send(NativeEvent::KeyUp, VK_CONTROL);
  auto msgs = Drain();
  EXPECT_EQ(Count(msgs, WM_KEYDOWN), 0);
  EXPECT_EQ(Count(msgs, WM_CHAR), 0);
  // Releasing Ctrl is passed on so the program cannot think it is still held.
  ASSERT_EQ(Count(msgs, WM_KEYUP), 1);
  EXPECT_EQ(
      std::find_if(msgs.begin(), msgs.end(), [](const MSG& m) { return m.message == WM_KEYUP; })
          ->wParam,
      WPARAM(VK_CONTROL));
  Key(VK_ESCAPE);
  EXPECT_FALSE(Open());
  EXPECT_TRUE(Commands(Drain()).empty());
  // Closed, keys are the program's again.
  Key('X');
  EXPECT_EQ(Count(Drain(), WM_KEYDOWN), 1);
}

// Dark pixels (text, marks) in a box of the overlay.
int DarkPixels(const platform::Surface& s, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = std::max(0, y0); y < std::min(s.height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(s.width, x1); ++x) {
      const uint32_t p = s.pixels[size_t(y) * size_t(s.width) + size_t(x)];
      if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 100) ++n;
    }
  return n;
}

TEST_F(MenuUi, CheckMarkFollowsCheckMenuItemWhileThePopupIsOpen) {
  ClickRun();
  ASSERT_TRUE(Open());
  auto bands = HoverBands();
  ASSERT_EQ(bands.size(), 8u);
  Move(W().client_width - 5, menu_h + 300);  // nothing highlighted
  Drain();
  const auto& o = [&]() -> const platform::Surface& { return *W().overlay; };
  auto marks = [&](int i) {
    return DarkPixels(o(), 2, bands[size_t(i)].first, 20, bands[size_t(i)].second);
  };
  EXPECT_GT(marks(3), 10);  // Logging, checked
  EXPECT_EQ(marks(2), 0);
  EXPECT_EQ(marks(4), 0);

  CheckMenuItem(run, 4, MF_UNCHECKED);
  CheckMenuItem(run, 5, MF_CHECKED);
  Drain();  // the next pass of the queue repaints
  EXPECT_EQ(marks(3), 0);
  EXPECT_GT(marks(4), 10);
}

TEST_F(MenuUi, GrayedTextIsGray) {
  ClickRun();
  ASSERT_TRUE(Open());
  auto bands = HoverBands();
  ASSERT_EQ(bands.size(), 8u);
  Move(W().client_width - 5, menu_h + 300);
  Drain();
  const platform::Surface& o = *W().overlay;
  // Below Quit and its separator: ink, but none of it black.
  int black = 0, ink = 0;
  for (int y = bands.back().second + 8; y < o.height - 1; ++y)
    for (int x = 1; x < o.width - 1; ++x) {
      const uint32_t p = o.pixels[size_t(y) * size_t(o.width) + size_t(x)];
      if (p == 0) ++black;
      if (((p >> 16) & 0xFF) < 200) ++ink;
    }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(black, 0);
}

TEST_F(MenuUi, ShortcutsAreRightAligned) {
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, 1, "&One\tX");
  AppendMenuA(popup, MF_STRING, 2, "&Two\tCtrl+Shift+W");
  AppendMenuA(popup, MF_STRING, 3, "A much longer &third item");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Run");
  SetMenu(hwnd, bar);
  Drain();
  ClickRun();
  ASSERT_TRUE(Open());
  auto bands = HoverBands();
  ASSERT_EQ(bands.size(), 3u);
  Move(W().client_width - 5, menu_h + 300);
  Drain();
  const platform::Surface& o = *W().overlay;
  auto ink = [&](int top, int bottom, bool rightmost) {
    int r = rightmost ? -1 : o.width;
    for (int y = top; y < bottom; ++y)
      for (int x = 1; x < o.width - 1; ++x)
        if (DarkPixels(o, x, y, x + 1, y + 1)) r = rightmost ? std::max(r, x) : std::min(r, x);
    return r;
  };
  const int right_x = ink(bands[0].first, bands[0].second, true);
  const int right_w = ink(bands[1].first, bands[1].second, true);
  EXPECT_LE(std::abs(right_x - right_w), 2);
  // Labels start in one column, right of the check mark column.
  const int left1 = ink(bands[0].first, bands[0].second, false);
  const int left3 = ink(bands[2].first, bands[2].second, false);
  EXPECT_LE(std::abs(left1 - left3), 2);
  EXPECT_GT(left1, 15);
  // The shortcut stands clear of the longest label.
  const int label_end = ink(bands[2].first, bands[2].second, true);
  EXPECT_GT(right_w - label_end, 40);
  EXPECT_LT(o.width - right_x, 30);
}

TEST_F(MenuUi, TheMnemonicIsUnderlinedOnTheBar) {
  Drain();
  std::vector<uint32_t> with = W().menu_bar->pixels;
  // The same bar without the '&'.
  HMENU plain = CreateMenu();
  AppendMenuA(plain, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "Run");
  SetMenu(hwnd, plain);
  Drain();
  const platform::Surface& bar = *W().menu_bar;
  ASSERT_EQ(bar.pixels.size(), with.size());
  std::vector<int> rows;
  int x_min = bar.width, x_max = -1;
  for (int y = 0; y < bar.height; ++y)
    for (int x = 0; x < bar.width; ++x)
      if (bar.pixels[size_t(y) * size_t(bar.width) + size_t(x)] !=
          with[size_t(y) * size_t(bar.width) + size_t(x)]) {
        if (rows.empty() || rows.back() != y) rows.push_back(y);
        x_min = std::min(x_min, x);
        x_max = std::max(x_max, x);
      }
  // One row, under the first letter only.
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_GE(x_max - x_min + 1, 4);
  EXPECT_LT(x_max, 20);
}

}  // namespace
