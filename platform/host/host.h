// The host back-end: where the platform's windows really appear. One small
// interface; the headless host keeps everything in memory, the SDL host puts
// windows on a desktop. Input translation to Win32 messages lives above the
// host (user/), shared by all of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "../surface.h"

namespace platform {

using NativeId = uint32_t;  // 0 is "no native window"

struct NativeEvent {
  enum Kind {
    None,
    KeyDown,     // vk: Win32 virtual-key code; repeat: auto-repeat
    KeyUp,       // vk
    MouseDown,   // button 1 left, 2 right, 3 middle; x, y in the native window's pixels
    MouseUp,     // button, x, y
    MouseMove,   // x, y
    Close,       // the close box of the native window
    Resized,     // width, height: new outer size chosen by the user
    Exposed,     // the native window must be presented again
    FocusLost,
    FrameChanged,  // the window manager's frame around the window (NativeFrame) changed
  };
  Kind kind = None;
  NativeId window = 0;
  int vk = 0;
  bool repeat = false;
  int button = 0;
  int x = 0, y = 0;
  int width = 0, height = 0;
  // KeyDown of a character that has no key of its own on the layout (vk 0): its
  // Unicode code point; it reaches the program as WM_KEYDOWN VK_PACKET, then WM_CHAR.
  int ch = 0;
};

// The frame and caption a window manager draws around a native window, in the
// program's pixels; all 0 where nothing decorates it.
struct FrameExtents {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const FrameExtents&) const = default;
};

// What a window's style asks of the window manager.
struct NativeStyle {
  bool resizable = false;     // WS_THICKFRAME
  bool minimize_box = false;  // WS_MINIMIZEBOX
  bool maximize_box = false;  // WS_MAXIMIZEBOX
};

class Host {
 public:
  virtual ~Host() = default;
  virtual const char* Name() const = 0;
  // Position and size are the window's outer box, as on Windows: where a window
  // manager decorates the window, the decorated box lands there and the native
  // window is what remains inside the frame (NativeFrame); elsewhere the native
  // window is the outer box. The native window shows exactly `frame` when presented.
  virtual NativeId CreateNative(const char* title, int x, int y, int width, int height,
                                bool resizable) = 0;
  // Hints for the window manager, given before the window is first shown.
  virtual void StyleNative(NativeId id, const NativeStyle& style) {
    (void)id;
    (void)style;
  }
  // The manager's frame around the native window as far as known now; a later
  // change comes as a FrameChanged event.
  virtual FrameExtents NativeFrame(NativeId id) {
    (void)id;
    return {};
  }
  virtual void ShowNative(NativeId id, bool visible) = 0;
  virtual void MoveNative(NativeId id, int x, int y, int width, int height) = 0;
  virtual void DestroyNative(NativeId id) = 0;
  // Shows a native window's picture (menu bar and client area composed). `changed`
  // lists the only parts that differ from the frame presented before (count rects, in
  // frame pixels); null when all of it must be shown.
  virtual void Present(NativeId id, const Surface& frame, const RECT* changed, int count) = 0;
  // Takes one pending native event without waiting; false when there is none.
  virtual bool PollEvent(NativeEvent* event) = 0;
  // Blocks until a native event is pending or the clock reaches deadline_ms
  // (NowMs() scale); deadline_ms < 0 waits without limit.
  virtual void WaitEvent(int64_t deadline_ms) = 0;
  // Wakes a WaitEvent in progress (nothing to do on a one-thread host, but posted
  // messages call it so a future threaded host needs no other change).
  virtual void Wake() {}
  // The screen in the program's pixels (a scaled host divides by its scale).
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
  // Monotonic milliseconds.
  virtual int64_t NowMs() = 0;
};

// The host in use, chosen at first use: PLATFORM_HOST=headless asks for the headless
// host; otherwise the desktop (SDL). Without a display the process prints
// NoDisplayMessage() to stderr and exits with status 1.
Host& CurrentHost();
// One line naming the display that could not be opened and how to run anyway.
std::string NoDisplayMessage();

// Headless host with knobs for tests.
std::unique_ptr<Host> MakeHeadlessHost();
std::unique_ptr<Host> MakeSdlHost();  // null when no display can be opened
// The page's canvases (Emscripten builds); null outside a browser page.
std::unique_ptr<Host> MakeWebHost();
// Replaces the host (tests); takes effect for windows created afterwards.
void SetHost(std::unique_ptr<Host> host);

// Headless knobs: a virtual clock that WaitEvent advances to its deadline at once,
// and the screen size (1024 x 768 unless set).
void HeadlessSetVirtualClock(Host& host, bool on);
void HeadlessAdvance(Host& host, int64_t ms);
void HeadlessSetScreen(Host& host, int width, int height);
void HeadlessPush(Host& host, const NativeEvent& event);
// The frame last presented for a native window (null before the first Present
// or for another kind of host), and whether the native window is shown.
const Surface* HeadlessLastFrame(Host& host, NativeId id);
// How often a native window was presented, and what the last Present said had changed
// (empty when it was the whole frame).
struct HeadlessPresents {
  uint64_t count = 0;
  std::vector<RECT> changed;
};
HeadlessPresents HeadlessPresentInfo(Host& host, NativeId id);
bool HeadlessNativeVisible(Host& host, NativeId id);
// The native window's size as last set (0 by 0 for an unknown window).
void HeadlessNativeSize(Host& host, NativeId id, int* width, int* height);

}  // namespace platform
