// Windows under a window manager that draws frame and caption: the outer box stays
// what the program asked for, the client area is what the frame leaves, and a
// frame that becomes known late shrinks the client area with WM_SIZE.
#include <map>
#include <memory>
#include <vector>

#include "user_fixture.h"

namespace usertest {
namespace {

using platform::FrameExtents;
using platform::NativeEvent;
using platform::NativeId;
using platform::NativeStyle;

// The headless host with a window manager's frame around every window: one size
// for fixed windows and one for sizable ones, as a manager with a resize handle has.
class FramedHost final : public platform::Host {
 public:
  FramedHost() : inner_(platform::MakeHeadlessHost()) {
    platform::HeadlessSetVirtualClock(*inner_, true);
  }
  const char* Name() const override { return "framed"; }
  NativeId CreateNative(const char* title, int x, int y, int w, int h, bool resizable) override {
    NativeId id = inner_->CreateNative(title, x, y, w, h, resizable);
    sizable_[id] = resizable;
    moves.push_back({x, y, w, h});
    return id;
  }
  void StyleNative(NativeId id, const NativeStyle& style) override {
    styles.push_back(style);
    (void)id;
  }
  FrameExtents NativeFrame(NativeId id) override {
    if (!known) return {};
    return sizable_[id] ? sizing : fixed;
  }
  void ShowNative(NativeId id, bool visible) override { inner_->ShowNative(id, visible); }
  void MoveNative(NativeId id, int x, int y, int w, int h) override {
    moves.push_back({x, y, w, h});
    inner_->MoveNative(id, x, y, w, h);
  }
  void DestroyNative(NativeId id) override { inner_->DestroyNative(id); }
  void Present(NativeId id, const platform::Surface& frame, const RECT* changed,
               int count) override {
    inner_->Present(id, frame, changed, count);
  }
  bool PollEvent(NativeEvent* event) override { return inner_->PollEvent(event); }
  void WaitEvent(int64_t deadline_ms) override { inner_->WaitEvent(deadline_ms); }
  int ScreenWidth() const override { return inner_->ScreenWidth(); }
  int ScreenHeight() const override { return inner_->ScreenHeight(); }
  int64_t NowMs() override { return inner_->NowMs(); }

  // The manager tells us its frame now, as a property change does on X11.
  void FrameArrives(NativeId id) {
    known = true;
    NativeEvent ev;
    ev.kind = NativeEvent::FrameChanged;
    ev.window = id;
    platform::HeadlessPush(*inner_, ev);
  }
  platform::Host& inner() { return *inner_; }

  bool known = true;
  FrameExtents fixed{1, 20, 1, 1};  // left, top, right, bottom
  FrameExtents sizing{1, 20, 1, 5};
  std::vector<NativeStyle> styles;
  std::vector<RECT> moves;  // left, top, width, height as created or moved

 private:
  std::unique_ptr<platform::Host> inner_;
  std::map<NativeId, bool> sizable_;
};

LRESULT CALLBACK MenuProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back({h, m, w, l});
  if (m == WM_CREATE) {
    HMENU bar = CreateMenu();
    HMENU run = CreatePopupMenu();
    AppendMenuA(run, MF_STRING, 1, "&Animate");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run), "&Run");
    SetMenu(h, bar);
  }
  return DefWindowProcA(h, m, w, l);
}

class FrameTest : public UserTest {
 protected:
  void SetUp() override {
    auto host = std::make_unique<FramedHost>();
    framed = host.get();
    platform::SetHost(std::move(host));
    Log().clear();
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MenuProc;
    wc.lpszClassName = "Draw";
    ASSERT_NE(RegisterClassA(&wc), 0);
    RegisterRecording("Text");
  }
  // WM_SIZE sizes in the order they came.
  static std::vector<std::pair<int, int>> Sizes() {
    std::vector<std::pair<int, int>> r;
    for (const Seen& s : Log())
      if (s.message == WM_SIZE) r.push_back({LOWORD(s.lparam), HIWORD(s.lparam)});
    return r;
  }
  FramedHost* framed = nullptr;
};

TEST_F(FrameTest, OuterBoxIsKeptAndTheClientAreaIsWhatFrameCaptionAndMenuBarLeave) {
  const int menu = GetSystemMetrics(SM_CYMENU);
  HWND draw = MakeWindow("Draw", 601, 540, WS_CAPTION | WS_SYSMENU);
  ASSERT_NE(draw, nullptr);
  ShowWindow(draw, SW_SHOW);
  RECT c, w;
  ASSERT_TRUE(GetClientRect(draw, &c));
  ASSERT_TRUE(GetWindowRect(draw, &w));
  EXPECT_EQ(c.right, 601 - 2);
  EXPECT_EQ(c.bottom, 540 - 21 - menu);
  EXPECT_EQ(w.left, 0);
  EXPECT_EQ(w.top, 0);
  EXPECT_EQ(w.right, 601);
  EXPECT_EQ(w.bottom, 540);
  ASSERT_FALSE(Sizes().empty());
  EXPECT_EQ(Sizes().back(), std::make_pair(599, 540 - 21 - menu));
  auto surface = platform::WindowSurface(draw);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->width, 599);
  EXPECT_EQ(surface->height, 540 - 21 - menu);
  // The client area starts inside the frame, below the caption and the menu bar.
  POINT origin{0, 0};
  int move_at = -1;
  for (size_t i = 0; i < Log().size(); ++i)
    if (Log()[i].message == WM_MOVE) move_at = int(i);
  ASSERT_GE(move_at, 0);
  origin = {LOWORD(Log()[size_t(move_at)].lparam), HIWORD(Log()[size_t(move_at)].lparam)};
  EXPECT_EQ(origin.x, 1);
  EXPECT_EQ(origin.y, 20 + menu);
  // The host was given the outer box, never the client area.
  ASSERT_FALSE(framed->moves.empty());
  for (const RECT& m : framed->moves) {
    EXPECT_EQ(m.right, 601);
    EXPECT_EQ(m.bottom, 540);
  }
}

TEST_F(FrameTest, MetricsReportTheManagersFrameAndCaptionOnceKnown) {
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 0);
  EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 0);
  MakeWindow("Draw", 601, 540, WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(GetSystemMetrics(SM_CXFIXEDFRAME), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CYFIXEDFRAME), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);   // 20 above the client, less the bottom frame
  EXPECT_EQ(GetSystemMetrics(SM_CXSIZEFRAME), 0);  // no sizable window seen yet
  MakeWindow("Text", 1024, 256, WS_OVERLAPPEDWINDOW, 0, 513);
  EXPECT_EQ(GetSystemMetrics(SM_CXSIZEFRAME), 1);
  EXPECT_EQ(GetSystemMetrics(SM_CYSIZEFRAME), 5);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);
}

TEST_F(FrameTest, StylesBecomeHintsForTheManager) {
  MakeWindow("Draw", 601, 540, WS_CAPTION | WS_SYSMENU);
  MakeWindow("Text", 1024, 256, WS_OVERLAPPEDWINDOW, 0, 513);
  MakeWindow("Text", 300, 200, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0);
  ASSERT_EQ(framed->styles.size(), 3u);
  EXPECT_FALSE(framed->styles[0].resizable);
  EXPECT_FALSE(framed->styles[0].minimize_box);
  EXPECT_FALSE(framed->styles[0].maximize_box);
  EXPECT_TRUE(framed->styles[1].resizable);
  EXPECT_TRUE(framed->styles[1].minimize_box);
  EXPECT_TRUE(framed->styles[1].maximize_box);
  EXPECT_FALSE(framed->styles[2].resizable);
  EXPECT_TRUE(framed->styles[2].minimize_box);
  EXPECT_FALSE(framed->styles[2].maximize_box);
}

TEST_F(FrameTest, AFrameKnownOnlyAfterShowingShrinksTheClientAreaWithSize) {
  framed->known = false;
  const int menu = GetSystemMetrics(SM_CYMENU);
  HWND draw = MakeWindow("Draw", 601, 540, WS_CAPTION | WS_SYSMENU);
  ShowWindow(draw, SW_SHOW);
  Drain();
  ASSERT_FALSE(Sizes().empty());
  EXPECT_EQ(Sizes().back(), std::make_pair(601, 540 - menu));
  Log().clear();

  platform::Window* w = platform::LookupWindow(draw);
  ASSERT_NE(w, nullptr);
  framed->FrameArrives(w->native);
  Drain();
  ASSERT_EQ(Sizes().size(), 1u);
  EXPECT_EQ(Sizes()[0], std::make_pair(599, 540 - 21 - menu));
  RECT r;
  ASSERT_TRUE(GetWindowRect(draw, &r));
  EXPECT_EQ(r.right - r.left, 601);
  EXPECT_EQ(r.bottom - r.top, 540);
  // The whole (smaller) client area is repainted and presented at its new size.
  EXPECT_GE(CountOf(WM_PAINT), 1);
  const platform::Surface* shown = platform::HeadlessLastFrame(framed->inner(), w->native);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->width, 599);
  EXPECT_EQ(shown->height, 540 - 21);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 19);

  // The same frame again changes nothing.
  Log().clear();
  framed->FrameArrives(w->native);
  Drain();
  EXPECT_TRUE(Sizes().empty());
}

TEST_F(FrameTest, AUserResizeReportsTheOuterBox) {
  const int menu = GetSystemMetrics(SM_CYMENU);
  HWND text = MakeWindow("Text", 400, 300, WS_OVERLAPPEDWINDOW, 10, 10);
  ShowWindow(text, SW_SHOW);
  Drain();
  Log().clear();
  platform::Window* w = platform::LookupWindow(text);
  ASSERT_NE(w, nullptr);
  NativeEvent ev;
  ev.kind = NativeEvent::Resized;
  ev.window = w->native;
  ev.width = 500;  // outer, as the host reports it
  ev.height = 326;
  platform::HeadlessPush(framed->inner(), ev);
  Drain();
  RECT r, c;
  ASSERT_TRUE(GetWindowRect(text, &r));
  ASSERT_TRUE(GetClientRect(text, &c));
  EXPECT_EQ(r.right - r.left, 500);
  EXPECT_EQ(r.bottom - r.top, 326);
  EXPECT_EQ(c.right, 498);
  EXPECT_EQ(c.bottom, 326 - 25);
  (void)menu;
}

}  // namespace
}  // namespace usertest
