// The desktop host on a real X server (tests/e2e/with_display.bash gives it a private
// Xvfb): a wait sleeps until its deadline or until the server sends something, an event
// that came meanwhile is taken by the next poll, and presented parts reach the window,
// through shared memory where the server offers it and by plain requests where not.
// host.h and gtest come before Xlib: its headers define None, Bool and the like as macros.
// clang-format off
#include <gtest/gtest.h>
#include "host/host.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on

#include <fcntl.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::NativeEvent;

// The X window with this name, anywhere below the root (a manager may frame it).
::Window FindNamed(Display* d, ::Window under, const char* name) {
  char* got = nullptr;
  if (XFetchName(d, under, &got) && got) {
    const bool same = std::strcmp(got, name) == 0;
    XFree(got);
    if (same) return under;
  }
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, under, &root, &parent, &children, &n)) return 0;
  ::Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) found = FindNamed(d, children[i], name);
  if (children) XFree(children);
  return found;
}

// A window not on the screen yet answers GetImage with an error: that is a "not yet".
int IgnoreError(Display*, XErrorEvent*) { return 0; }

bool Viewable(Display* d, ::Window w) {
  XWindowAttributes a{};
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// The shared memory segments this process made, as the kernel lists them: their sizes
// and how many have them attached (the X server counts).
struct Segment {
  size_t bytes;
  unsigned long attached;
};
std::vector<Segment> OurSegments() {
  std::vector<Segment> out;
  shm_info info{};
  const int last = shmctl(0, SHM_INFO, reinterpret_cast<shmid_ds*>(&info));
  for (int i = 0; i <= last; ++i) {
    shmid_ds ds{};
    if (shmctl(i, SHM_STAT, &ds) >= 0 && ds.shm_cpid == getpid())
      out.push_back({size_t(ds.shm_segsz), ds.shm_nattch});
  }
  return out;
}

bool NoSegmentsLeft() {
  for (int i = 0; i < 100; ++i) {
    if (OurSegments().empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// A picture that differs at every pixel from one round to the next.
uint32_t Pattern(int x, int y, int round) {
  return (uint32_t((x * 7 + round * 50) & 0xFF) << 16) |
         (uint32_t((y * 3 + round * 30) & 0xFF) << 8) | uint32_t(((x ^ y) + round * 17) & 0xFF);
}

bool OffersShm(Display* d) {
  int opcode = 0, event = 0, error = 0;
  return XQueryExtension(d, "MIT-SHM", &opcode, &event, &error);
}

// Sets an environment variable for the scope of a test.
class EnvSwitch {
 public:
  EnvSwitch(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) previous_ = v, had_ = true;
    setenv(name, value, 1);
  }
  ~EnvSwitch() {
    if (had_)
      setenv(name_, previous_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::string previous_;
  bool had_ = false;
};

class SdlHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = platform::MakeSdlHost();
    ASSERT_NE(host, nullptr) << "no display: run through tests/e2e/with_display.bash";
    other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    XSetErrorHandler(IgnoreError);
    const std::string title =
        std::string("host-test-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    id = host->CreateNative(title.c_str(), 20, 20, 200, 150, false);
    ASSERT_NE(id, 0u);
    host->ShowNative(id, true);
    // Until the window is on the screen and the events of its showing are taken.
    for (int i = 0; i < 200 && !(xwin && Viewable(other, xwin)); ++i) {
      Drain(20);
      xwin = FindNamed(other, DefaultRootWindow(other), title.c_str());
    }
    ASSERT_NE(xwin, 0u);
    ASSERT_TRUE(Viewable(other, xwin));
    Drain(200);
  }
  void TearDown() override {
    if (host && id) host->DestroyNative(id);
    host.reset();
    if (other) XCloseDisplay(other);
  }
  // Takes every event for ms milliseconds.
  void Drain(int ms) {
    const int64_t end = host->NowMs() + ms;
    NativeEvent e;
    while (host->NowMs() < end) {
      host->WaitEvent(end);
      while (host->PollEvent(&e)) {
      }
    }
  }
  // An expose event for the window from another client, as the server would send it.
  void SendExpose() {
    XEvent e{};
    e.xexpose.type = Expose;
    e.xexpose.window = xwin;
    e.xexpose.width = 10;
    e.xexpose.height = 10;
    XSendEvent(other, xwin, False, ExposureMask, &e);
    XFlush(other);
  }
  // The window's pixel as the server holds it.
  uint32_t ScreenPixel(int x, int y) {
    XImage* image = XGetImage(other, xwin, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    const uint32_t p = uint32_t(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }
  bool Shows(int x, int y, uint32_t pixel) {
    for (int i = 0; i < 100; ++i) {
      if (ScreenPixel(x, y) == pixel) return true;
      Drain(20);
    }
    return false;
  }
  // Whether the window shows exactly these w x h pixels, within two seconds; the
  // first difference goes to the test's output.
  ::testing::AssertionResult ShowsExactly(const std::vector<uint32_t>& want, int w, int h) {
    std::string diff = "no image";
    for (int i = 0; i < 100; ++i) {
      XImage* image = XGetImage(other, xwin, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
      if (image) {
        diff.clear();
        for (int y = 0; y < h && diff.empty(); ++y)
          for (int x = 0; x < w && diff.empty(); ++x) {
            const uint32_t got = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
            const uint32_t expected = want[size_t(y) * size_t(w) + size_t(x)];
            if (got != expected) {
              char text[96];
              std::snprintf(text, sizeof text, "(%d, %d) shows %06X, not %06X", x, y, got,
                            expected);
              diff = text;
            }
          }
        XDestroyImage(image);
        if (diff.empty()) return ::testing::AssertionSuccess();
      }
      Drain(20);
    }
    return ::testing::AssertionFailure() << diff;
  }
  // The native window's size as the server has it.
  void NativeSize(int* w, int* h) {
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(other, xwin, &a));
    *w = a.width;
    *h = a.height;
  }
  // Whole frames and runs of changed parts (back to back, then one at a time), each
  // read back from the server pixel for pixel.
  void PresentRounds(int w, int h) {
    platform::Surface frame(w, h, 0);
    auto paint = [&](int round) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          frame.pixels[size_t(y) * size_t(w) + size_t(x)] = Pattern(x, y, round);
    };
    paint(0);
    host->Present(id, frame, nullptr, 0);
    std::vector<uint32_t> screen = frame.pixels;
    ASSERT_TRUE(ShowsExactly(screen, w, h));
    // Parts at the edges, overlapping, reaching past the frame, empty; the last
    // overlap by more than a window's worth of pixels.
    const std::vector<std::vector<RECT>> rounds = {
        {{5, 10, 20, 14}},
        {{0, 0, w, 1}, {w - 7, h - 9, w, h}, {0, h - 1, 3, h}},
        {{-5, -5, 8, 8}, {w - 3, 2, w + 10, 6}},
        {{10, 10, 60, 40}, {30, 20, 90, 50}},
        {{5, 5, 5, 9}, {1, 2, 3, 4}},
        {{0, 0, w, h}},
        {{w / 2, h / 2, w / 2 + 1, h / 2 + 1}},
        {{0, 0, w, h / 2}, {0, 0, w, h}, {1, 1, 9, 9}},
    };
    auto present = [&](int round) {
      paint(round);
      const std::vector<RECT>& parts = rounds[size_t(round - 1)];
      host->Present(id, frame, parts.data(), int(parts.size()));
      for (const RECT& r : parts)
        for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, h); ++y)
          for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, w); ++x)
            screen[size_t(y) * size_t(w) + size_t(x)] =
                frame.pixels[size_t(y) * size_t(w) + size_t(x)];
    };
    for (int round = 1; round <= int(rounds.size()); ++round) present(round);
    EXPECT_TRUE(ShowsExactly(screen, w, h)) << "after presents back to back";
    for (int round = 1; round <= int(rounds.size()); ++round) {
      present(round);
      EXPECT_TRUE(ShowsExactly(screen, w, h)) << "round " << round;
    }
  }
  // Grows the window by dw x dh and waits for the server to have it so.
  void Grow(int dw, int dh, int* w, int* h) {
    const int want_w = *w + dw, want_h = *h + dh;
    host->MoveNative(id, 20, 20, 200 + dw, 150 + dh);
    for (int i = 0; i < 100; ++i) {
      NativeSize(w, h);
      if (*w == want_w && *h == want_h) break;
      Drain(20);
    }
    ASSERT_EQ(*w, want_w);
    ASSERT_EQ(*h, want_h);
    Drain(100);
  }

  std::unique_ptr<platform::Host> host;
  Display* other = nullptr;
  platform::NativeId id = 0;
  ::Window xwin = 0;
};

TEST_F(SdlHostTest, AWaitWithNothingComingEndsAtItsDeadlineAndNotBefore) {
  for (int ms : {1, 30, 120}) {
    const int64_t deadline = host->NowMs() + ms;
    host->WaitEvent(deadline);
    EXPECT_GE(host->NowMs(), deadline) << ms;
    NativeEvent e;
    EXPECT_FALSE(host->PollEvent(&e)) << ms;
  }
  // A deadline already past returns at once.
  host->WaitEvent(host->NowMs() - 5);
}

// A wait sleeps for the time its deadline leaves on the host's clock; a clock that
// reads less after a sleep than the sleep took makes the wait sleep twice. Over a whole
// second, so that a clock whose rounding changes within each second shows it.
TEST_F(SdlHostTest, TheClockMovesAtLeastAsFarAsASleep) {
  int short_reads = 0, sleeps = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1100);
  while (std::chrono::steady_clock::now() < end) {
    const int64_t before = host->NowMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const int64_t after = host->NowMs();
    short_reads += after - before < 2;
    ++sleeps;
  }
  EXPECT_EQ(short_reads, 0) << "of " << sleeps << " sleeps of 2 ms";
}

TEST_F(SdlHostTest, AnEventFromTheServerEndsTheWaitEarly) {
  const int64_t start = host->NowMs();
  std::thread sender([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    SendExpose();
  });
  host->WaitEvent(start + 10000);
  sender.join();
  EXPECT_LT(host->NowMs(), start + 10000);
  NativeEvent e;
  bool exposed = false;
  for (int i = 0; i < 50 && !exposed; ++i) {
    while (host->PollEvent(&e)) exposed |= e.kind == NativeEvent::Exposed && e.window == id;
    if (!exposed) host->WaitEvent(host->NowMs() + 20);
  }
  EXPECT_TRUE(exposed);
}

TEST_F(SdlHostTest, AnEventThatCameWhileBusyIsTakenByTheNextPoll) {
  NativeEvent e;
  for (int round = 0; round < 3; ++round) {
    SendExpose();
    XSync(other, False);
    // Busy elsewhere, not waiting in the host, while the event arrives.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    bool exposed = false;
    while (host->PollEvent(&e)) exposed |= e.kind == NativeEvent::Exposed;
    EXPECT_TRUE(exposed) << round;
  }
}

TEST_F(SdlHostTest, PresentedPartsReachTheWindowExactly) {
  // A frame of the native window's size (a manager's frame takes the rest of the box).
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(other, xwin, &a));
  const int w = a.width, h = a.height;
  ASSERT_GT(w, 30);
  ASSERT_GT(h, 20);
  platform::Surface frame(w, h, 0x102030);
  host->Present(id, frame, nullptr, 0);
  ASSERT_TRUE(Shows(0, 0, 0x102030));
  ASSERT_TRUE(Shows(w - 1, h - 1, 0x102030));
  // Only the part said to have changed is shown again.
  for (int y = 10; y < 14; ++y)
    for (int x = 0; x < w; ++x) frame.pixels[size_t(y) * size_t(w) + size_t(x)] = 0xC08040;
  RECT part = {5, 10, 20, 14};
  host->Present(id, frame, &part, 1);
  EXPECT_TRUE(Shows(5, 10, 0xC08040));
  EXPECT_TRUE(Shows(19, 13, 0xC08040));
  EXPECT_EQ(ScreenPixel(4, 10), 0x102030u);
  EXPECT_EQ(ScreenPixel(20, 13), 0x102030u);
  EXPECT_EQ(ScreenPixel(5, 14), 0x102030u);
  // The whole frame again shows all of it.
  host->Present(id, frame, nullptr, 0);
  EXPECT_TRUE(Shows(w - 1, 12, 0xC08040));
  // A frame smaller than the window leaves a light strip, not stale pixels.
  platform::Surface small(w - 10, h, 0x405060);
  host->Present(id, small, nullptr, 0);
  EXPECT_TRUE(Shows(w - 11, 12, 0x405060));
  EXPECT_TRUE(Shows(w - 5, 12, 0xF0F0F0));
}

// A present is sent with the next wait, so that the parts of all windows go in one
// write; a wait whose deadline has passed sends it too, and a program that only polls
// has it sent a few milliseconds later.
TEST_F(SdlHostTest, PresentedPartsAreSentByTheNextWaitOrSoonAfterByPolls) {
  XWindowAttributes a{};
  ASSERT_TRUE(XGetWindowAttributes(other, xwin, &a));
  platform::Surface frame(a.width, a.height, 0x102030);
  host->Present(id, frame, nullptr, 0);
  ASSERT_TRUE(Shows(0, 0, 0x102030));
  // Past the pumps that follow input (each of which may send what is waiting); the
  // quiet pump comes once a second only.
  Drain(600);
  // The other connection alone looks, for a fifth of a second, meanwhile the host gets
  // only the calls the caller gives it.
  auto reaches = [&](uint32_t pixel, const std::function<void()>& meanwhile) {
    for (int i = 0; i < 20; ++i) {
      if (ScreenPixel(3, 3) == pixel) return true;
      meanwhile();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  const uint32_t colours[] = {0xC08040, 0x4080C0, 0x80C040};
  for (int i = 0; i < 3; ++i) {
    std::fill(frame.pixels.begin(), frame.pixels.end(), colours[i]);
    RECT part = {0, 0, 8, 8};
    host->Present(id, frame, &part, 1);
    if (i == 0) {
      host->WaitEvent(host->NowMs() - 5);
      EXPECT_TRUE(reaches(colours[i], [] {})) << "after a wait whose deadline had passed";
    } else if (i == 1) {
      host->WaitEvent(host->NowMs() + 1);
      EXPECT_TRUE(reaches(colours[i], [] {})) << "after a wait";
    } else {
      NativeEvent e;
      EXPECT_TRUE(reaches(colours[i], [&] {
        while (host->PollEvent(&e)) {
        }
      })) << "with polls only";
    }
  }
}

TEST_F(SdlHostTest, PartsGoThroughSharedMemoryAndReachTheWindowExactly) {
  ASSERT_TRUE(OffersShm(other)) << "the test's X server offers no MIT-SHM";
  int w = 0, h = 0;
  NativeSize(&w, &h);
  ASSERT_GT(w, 100);
  ASSERT_GT(h, 60);
  PresentRounds(w, h);
  // Three window-sized segments, taken in turn, which the server has attached too.
  std::vector<Segment> segments = OurSegments();
  ASSERT_EQ(segments.size(), 3u);
  for (const Segment& s : segments) {
    EXPECT_EQ(s.bytes, size_t(w) * size_t(h) * 4);
    EXPECT_EQ(s.attached, 2u);
  }
  // A resize between presents: segments of the new size take the old ones' place.
  Grow(40, 30, &w, &h);
  PresentRounds(w, h);
  segments = OurSegments();
  ASSERT_EQ(segments.size(), 3u);
  for (const Segment& s : segments) EXPECT_EQ(s.bytes, size_t(w) * size_t(h) * 4);
  // Nothing stays behind the window.
  host->DestroyNative(id);
  id = 0;
  EXPECT_TRUE(NoSegmentsLeft());
}

TEST_F(SdlHostTest, PartsGoByPlainRequestsWhenSharedMemoryIsOff) {
  EnvSwitch off("PLATFORM_X11_SHM", "0");
  int w = 0, h = 0;
  NativeSize(&w, &h);
  PresentRounds(w, h);
  Grow(24, 16, &w, &h);
  PresentRounds(w, h);
  EXPECT_TRUE(OurSegments().empty());
}

TEST_F(SdlHostTest, TheHostLetsGoOfItsSegmentsWhenItEnds) {
  int w = 0, h = 0;
  NativeSize(&w, &h);
  platform::Surface frame(w, h, 0x336699);
  host->Present(id, frame, nullptr, 0);
  ASSERT_TRUE(Shows(w / 2, h / 2, 0x336699));
  EXPECT_EQ(OurSegments().size(), 1u);
  // The window is left for the host to close.
  id = 0;
  host.reset();
  EXPECT_TRUE(NoSegmentsLeft());
}

// A private X server that cannot share our memory: started without the extension, or
// with it but apart from our shared memory segments (as in another container), so
// that it refuses them.
class ServerWithoutShm {
 public:
  enum Kind { kNoExtension, kApart };
  explicit ServerWithoutShm(Kind kind) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      // The server goes with the test, even when the test dies.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const std::string fd = std::to_string(fds[1]);
      const int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, 2);
      if (kind == kNoExtension)
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-extension", "MIT-SHM", "-nolisten",
               "tcp", "-noreset", "-screen", "0", "640x480x24", static_cast<char*>(nullptr));
      else
        execlp("unshare", "unshare", "--ipc", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp",
               "-noreset", "-screen", "0", "640x480x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it takes clients.
    char number[16] = {};
    ssize_t got = 0;
    while (pid_ > 0 && got < ssize_t(sizeof number) - 1) {
      const ssize_t r = read(fds[0], number + got, sizeof number - 1 - size_t(got));
      if (r <= 0) break;
      got += r;
      if (std::strchr(number, '\n')) break;
    }
    close(fds[0]);
    if (got > 0) name_ = ":" + std::to_string(std::atoi(number));
  }
  ~ServerWithoutShm() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// A frame and then changed parts, read back exactly from a server of that kind; no
// segment of ours is left over.
void PresentOn(ServerWithoutShm::Kind kind) {
  ServerWithoutShm server(kind);
  ASSERT_FALSE(server.name().empty()) << "could not start Xvfb";
  EnvSwitch display("DISPLAY", server.name().c_str());
  {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(OffersShm(other), kind == ServerWithoutShm::kApart);
    auto host = platform::MakeSdlHost();
    ASSERT_NE(host, nullptr);
    const platform::NativeId id = host->CreateNative("no-shm", 10, 10, 160, 120, false);
    ASSERT_NE(id, 0u);
    host->ShowNative(id, true);
    ::Window xwin = 0;
    auto drain = [&](int ms) {
      const int64_t end = host->NowMs() + ms;
      NativeEvent e;
      while (host->NowMs() < end) {
        host->WaitEvent(end);
        while (host->PollEvent(&e)) {
        }
      }
    };
    for (int i = 0; i < 200 && !(xwin && Viewable(other, xwin)); ++i) {
      drain(20);
      xwin = FindNamed(other, DefaultRootWindow(other), "no-shm");
    }
    ASSERT_NE(xwin, 0u);
    // Without a manager the window is the whole box.
    const int w = 160, h = 120;
    platform::Surface frame(w, h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        frame.pixels[size_t(y) * size_t(w) + size_t(x)] = Pattern(x, y, 1);
    host->Present(id, frame, nullptr, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        frame.pixels[size_t(y) * size_t(w) + size_t(x)] = Pattern(x, y, 2);
    const RECT parts[] = {{3, 4, 50, 30}, {w - 10, h - 10, w, h}};
    host->Present(id, frame, parts, 2);
    auto want = [&](int x, int y) {
      for (const RECT& r : parts)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return Pattern(x, y, 2);
      return Pattern(x, y, 1);
    };
    std::string diff = "no image";
    for (int i = 0; i < 100 && !diff.empty(); ++i) {
      drain(20);
      XImage* image = XGetImage(other, xwin, 0, 0, w, h, AllPlanes, ZPixmap);
      if (!image) continue;
      diff.clear();
      for (int y = 0; y < h && diff.empty(); ++y)
        for (int x = 0; x < w && diff.empty(); ++x)
          if ((uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF) != want(x, y))
            diff = std::to_string(x) + ", " + std::to_string(y);
      XDestroyImage(image);
    }
    EXPECT_EQ(diff, "");
    EXPECT_TRUE(OurSegments().empty());
    host->DestroyNative(id);
    host.reset();
    XCloseDisplay(other);
  }
}

TEST(SdlHostWithoutShm, PartsReachTheWindowExactlyOnAServerWithoutSharedMemory) {
  PresentOn(ServerWithoutShm::kNoExtension);
}

// The server offers the extension but cannot attach our segment: its refusal is taken
// quietly and the frames go by plain requests.
TEST(SdlHostWithoutShm, PartsReachTheWindowExactlyWhenTheServerRefusesOurMemory) {
  PresentOn(ServerWithoutShm::kApart);
}

}  // namespace
