// Input translation: native keys and clicks to messages, key state, and
// TranslateMessage's characters in Windows-1252.
#include "user_fixture.h"

using namespace usertest;

namespace {

class InputTest : public UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    RegisterRecording("Rec");
    h = MakeWindow("Rec", 300, 200);
    ShowWindow(h, SW_SHOW);
    Drain();
    Log().clear();
  }
  // Presses (and releases) keys, pumps, and returns the characters the window got.
  std::vector<WPARAM> Type(std::initializer_list<std::pair<int, bool>> keys) {
    for (auto [vk, down] : keys) platform::InjectKey(h, vk, down);
    Log().clear();
    Drain();
    std::vector<WPARAM> chars;
    for (const Seen& s : Log())
      if (s.message == WM_CHAR) chars.push_back(s.wparam);
    return chars;
  }
  std::vector<WPARAM> Tap(int vk) { return Type({{vk, true}, {vk, false}}); }
  HWND h = nullptr;
};

TEST_F(InputTest, KeyMessagesCarryVirtualKeyScanCodeAndTransitionBits) {
  platform::InjectKey(h, 'Q', true);
  platform::InjectKey(h, 'Q', true);  // auto-repeat
  platform::InjectKey(h, 'Q', false);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_KEYDOWN));
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.wParam, WPARAM('Q'));
  uint32_t lp = uint32_t(m.lParam);
  EXPECT_EQ(lp & 0xFFFF, 1u);           // repeat count
  EXPECT_EQ((lp >> 16) & 0xFF, 0x10u);  // scan code of Q
  EXPECT_EQ(lp >> 30, 0u);              // was up, going down
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(uint32_t(m.lParam) >> 30, 1u);  // was already down
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_KEYUP));
  EXPECT_EQ(uint32_t(m.lParam) >> 30, 3u);
  EXPECT_EQ(uint32_t(m.lParam) & 0xFFFF, 1u);
}

TEST_F(InputTest, EitherControlKeyIsSeventeenAndStateFollowsRetrievedMessages) {
  platform::InjectKey(h, VK_RCONTROL, true);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);  // not retrieved yet
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, WPARAM(VK_CONTROL));
  EXPECT_LT(GetKeyState(VK_CONTROL), 0);
  platform::InjectKey(h, VK_LCONTROL, false);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_KEYUP));
  EXPECT_EQ(m.wParam, WPARAM(VK_CONTROL));
  EXPECT_GE(GetKeyState(VK_CONTROL), 0);
  EXPECT_EQ(GetKeyState(-1), 0);
  EXPECT_EQ(GetKeyState(1000), 0);
}

TEST_F(InputTest, LettersWithShiftAndControl) {
  EXPECT_EQ(Tap('A'), std::vector<WPARAM>{'a'});
  EXPECT_EQ(Tap('Z'), std::vector<WPARAM>{'z'});
  EXPECT_EQ(Type({{VK_SHIFT, true}, {'A', true}, {'A', false}, {VK_SHIFT, false}}),
            std::vector<WPARAM>{'A'});
  EXPECT_EQ(Type({{VK_CONTROL, true}, {'A', true}, {'A', false}, {VK_CONTROL, false}}),
            std::vector<WPARAM>{1});
  EXPECT_EQ(Type({{VK_CONTROL, true}, {'Z', true}, {'Z', false}, {VK_CONTROL, false}}),
            std::vector<WPARAM>{26});
  // Ctrl+letter is 1..26 whatever Shift says.
  EXPECT_EQ(Type({{VK_CONTROL, true},
                  {VK_SHIFT, true},
                  {'Q', true},
                  {'Q', false},
                  {VK_SHIFT, false},
                  {VK_CONTROL, false}}),
            std::vector<WPARAM>{17});
  // Caps Lock toggles case; Shift undoes it.
  Tap(VK_CAPITAL);
  EXPECT_EQ(Tap('B'), std::vector<WPARAM>{'B'});
  EXPECT_EQ(Type({{VK_SHIFT, true}, {'B', true}, {'B', false}, {VK_SHIFT, false}}),
            std::vector<WPARAM>{'b'});
  Tap(VK_CAPITAL);
  EXPECT_EQ(Tap('B'), std::vector<WPARAM>{'b'});
}

TEST_F(InputTest, ControlCharactersDigitsAndPunctuation) {
  EXPECT_EQ(Tap(VK_ESCAPE), std::vector<WPARAM>{0x1B});
  EXPECT_EQ(Tap(VK_BACK), std::vector<WPARAM>{8});
  EXPECT_EQ(Tap(VK_RETURN), std::vector<WPARAM>{13});
  EXPECT_EQ(Tap(VK_TAB), std::vector<WPARAM>{9});
  EXPECT_EQ(Tap(VK_SPACE), std::vector<WPARAM>{' '});
  EXPECT_EQ(Tap('7'), std::vector<WPARAM>{'7'});
  EXPECT_EQ(Type({{VK_SHIFT, true}, {'1', true}, {VK_SHIFT, false}}), std::vector<WPARAM>{'!'});
  EXPECT_EQ(Type({{VK_SHIFT, true}, {'0', true}, {VK_SHIFT, false}}), std::vector<WPARAM>{')'});
  EXPECT_EQ(Tap(VK_OEM_1), std::vector<WPARAM>{';'});
  EXPECT_EQ(Tap(VK_OEM_2), std::vector<WPARAM>{'/'});
  EXPECT_EQ(Tap(VK_OEM_7), std::vector<WPARAM>{'\''});
  EXPECT_EQ(Type({{VK_SHIFT, true}, {VK_OEM_MINUS, true}, {VK_SHIFT, false}}),
            std::vector<WPARAM>{'_'});
  EXPECT_EQ(Type({{VK_SHIFT, true}, {VK_OEM_7, true}, {VK_SHIFT, false}}),
            std::vector<WPARAM>{'"'});
  EXPECT_EQ(Tap(VK_NUMPAD0 + 5), std::vector<WPARAM>{'5'});
  // Keys with no character give none.
  EXPECT_TRUE(Tap(VK_F5).empty());
  EXPECT_TRUE(Tap(VK_LEFT).empty());
  EXPECT_TRUE(Tap(VK_SHIFT).empty());
}

TEST_F(InputTest, CharactersWithoutAKeyArriveInWindows1252) {
  auto typed = [&](int unicode) {
    platform::NativeEvent ev;
    ev.kind = platform::NativeEvent::KeyDown;
    ev.window = platform::LookupWindow(h)->native;
    ev.ch = unicode;
    platform::InjectEvent(ev);
    Log().clear();
    Drain();
    std::vector<WPARAM> chars;
    for (const Seen& s : Log())
      if (s.message == WM_CHAR) chars.push_back(s.wparam);
    return chars;
  };
  EXPECT_EQ(typed(0xE9), std::vector<WPARAM>{0xE9});    // e acute
  EXPECT_EQ(typed(0xFF), std::vector<WPARAM>{0xFF});    // y diaeresis
  EXPECT_EQ(typed(0xA3), std::vector<WPARAM>{0xA3});    // pound sign
  EXPECT_EQ(typed(0x20AC), std::vector<WPARAM>{0x80});  // euro sign
  EXPECT_EQ(typed(0x2014), std::vector<WPARAM>{0x97});  // em dash
  EXPECT_EQ(typed(0x0178), std::vector<WPARAM>{0x9F});  // Y diaeresis
  EXPECT_EQ(typed(0x4E2D), std::vector<WPARAM>{'?'});   // not in the code page
}

TEST_F(InputTest, TranslateMessagePostsTheCharacterAfterWhatIsQueued) {
  platform::InjectKey(h, 'K', true);
  MSG key;
  ASSERT_TRUE(PeekMessageA(&key, nullptr, 0, 0, PM_REMOVE));
  PostMessageA(h, WM_USER, 0, 0);
  EXPECT_TRUE(TranslateMessage(&key));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_USER));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_CHAR));
  EXPECT_EQ(m.wParam, WPARAM('k'));
  EXPECT_EQ(m.lParam, key.lParam);
  EXPECT_EQ(m.hwnd, h);
  // Messages that are not keys are not translated.
  EXPECT_FALSE(TranslateMessage(&m));
  EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(InputTest, ClickInTheClientAreaGivesClientCoordinates) {
  platform::InjectClick(h, 37, 150);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_LBUTTONDOWN));
  EXPECT_EQ(m.hwnd, h);
  EXPECT_EQ(m.lParam, MAKELPARAM(37, 150));
  EXPECT_EQ(LOWORD(m.lParam), 37);
  EXPECT_EQ(HIWORD(m.lParam), 150);
  EXPECT_EQ(m.wParam & MK_LBUTTON, WPARAM(MK_LBUTTON));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, UINT(WM_LBUTTONUP));
  EXPECT_EQ(m.wParam & MK_LBUTTON, WPARAM(0));
}

TEST_F(InputTest, ClickBelowAMenuBarIsShiftedByItsHeight) {
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, 1, "One");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Run");
  ASSERT_TRUE(SetMenu(h, bar));
  int menu = GetSystemMetrics(SM_CYMENU);
  Drain();
  platform::NativeEvent down;
  down.kind = platform::NativeEvent::MouseDown;
  down.button = 1;
  down.window = platform::LookupWindow(h)->native;
  down.x = 12;
  down.y = menu + 30;  // frame coordinates: the bar is on top
  platform::HeadlessPush(host(), down);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
  EXPECT_EQ(m.lParam, MAKELPARAM(12, 30));
}

TEST_F(InputTest, ClickActivatesTheWindowAndKeysFollowTheFocus) {
  RegisterRecording("Second");
  HWND other = MakeWindow("Second");
  ShowWindow(other, SW_SHOW);
  EXPECT_EQ(platform::FocusWindow(), other);
  Drain();
  platform::InjectClick(h, 5, 5);
  EXPECT_EQ(platform::FocusWindow(), h);
  Drain();
  platform::NativeEvent key;
  key.kind = platform::NativeEvent::KeyDown;
  key.vk = 'X';  // no native window: goes to the focus
  platform::InjectEvent(key);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, h);
  // Hiding the focus window passes the focus on.
  ShowWindow(h, SW_HIDE);
  EXPECT_EQ(platform::FocusWindow(), other);
}

TEST_F(InputTest, ResizeFromTheDesktopSendsSizeAndRepaints) {
  platform::NativeEvent ev;
  ev.kind = platform::NativeEvent::Resized;
  ev.window = platform::LookupWindow(h)->native;
  ev.width = 250;
  ev.height = 180;
  platform::HeadlessPush(host(), ev);
  Drain();
  EXPECT_GE(IndexOf(WM_SIZE), 0);
  EXPECT_GE(IndexOf(WM_PAINT), IndexOf(WM_SIZE));
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(c.right, 250);
  EXPECT_EQ(c.bottom, 180);
}

}  // namespace
