// The headless host: native windows exist only in memory, presenting keeps the
// last frame for tests to look at, and the clock may be virtual so that waits
// for timers take no real time.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <thread>

#include "host/host.h"

namespace platform {

namespace {

struct NativeWindow {
  std::string title;
  int x = 0, y = 0, width = 0, height = 0;
  bool visible = false;
  bool presented = false;
  Surface last;
  uint64_t presents = 0;
  std::vector<RECT> changed;  // what the last Present said had changed; empty: all
};

class HeadlessHost final : public Host {
 public:
  HeadlessHost() {
    const char* v = std::getenv("PLATFORM_VIRTUAL_CLOCK");
    virtual_clock_ = v && std::strcmp(v, "1") == 0;
  }
  const char* Name() const override { return "headless"; }

  NativeId CreateNative(const char* title, int x, int y, int width, int height, bool) override {
    NativeId id = next_++;
    NativeWindow& w = windows_[id];
    w.title = title ? title : "";
    w.x = x, w.y = y, w.width = width, w.height = height;
    return id;
  }
  void ShowNative(NativeId id, bool visible) override {
    if (auto* w = Find(id)) w->visible = visible;
  }
  void MoveNative(NativeId id, int x, int y, int width, int height) override {
    if (auto* w = Find(id)) w->x = x, w->y = y, w->width = width, w->height = height;
  }
  void DestroyNative(NativeId id) override { windows_.erase(id); }
  void Present(NativeId id, const Surface& frame, const RECT* changed, int count) override {
    if (auto* w = Find(id)) {
      w->changed.clear();
      if (changed && w->presented && w->last.width == frame.width &&
          w->last.height == frame.height) {
        // Only the parts said to have changed are taken, as a screen would.
        for (int i = 0; i < count; ++i) {
          const RECT& r = changed[i];
          w->changed.push_back(r);
          for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, frame.height); ++y) {
            LONG x0 = std::max<LONG>(r.left, 0), x1 = std::min<LONG>(r.right, frame.width);
            if (x0 < x1)
              std::memcpy(&w->last.pixels[size_t(y) * size_t(frame.width) + size_t(x0)],
                          &frame.pixels[size_t(y) * size_t(frame.width) + size_t(x0)],
                          size_t(x1 - x0) * sizeof(uint32_t));
          }
        }
      } else {
        w->last.width = frame.width;
        w->last.height = frame.height;
        w->last.pixels = frame.pixels;
      }
      w->last.version = frame.version;
      w->presented = true;
      ++w->presents;
    }
  }
  bool PollEvent(NativeEvent* event) override {
    if (events_.empty()) return false;
    *event = events_.front();
    events_.pop_front();
    return true;
  }
  void WaitEvent(int64_t deadline_ms) override {
    if (!events_.empty()) return;
    if (virtual_clock_) {
      // Nothing can arrive while we wait on one thread: time jumps to the deadline.
      if (deadline_ms >= 0 && deadline_ms > virtual_now_) virtual_now_ = deadline_ms;
      if (deadline_ms >= 0) return;
    }
    if (deadline_ms < 0) {
      // No event can come to a headless host and no timer runs: this wait never ends,
      // as on a desktop where nothing happens. Sleep rather than spin.
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    int64_t now = NowMs();
    if (deadline_ms > now)
      std::this_thread::sleep_for(std::chrono::milliseconds(deadline_ms - now));
  }
  int ScreenWidth() const override { return screen_w_; }
  int ScreenHeight() const override { return screen_h_; }
  int64_t NowMs() override {
    if (virtual_clock_) return virtual_now_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  void SetVirtual(bool on) {
    if (on && !virtual_clock_) virtual_now_ = NowMs();
    virtual_clock_ = on;
  }
  void Advance(int64_t ms) {
    if (virtual_clock_ && ms > 0) virtual_now_ += ms;
  }
  void SetScreen(int w, int h) { screen_w_ = w, screen_h_ = h; }
  void Push(const NativeEvent& e) { events_.push_back(e); }
  const NativeWindow* Window(NativeId id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
  }

 private:
  NativeWindow* Find(NativeId id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
  }
  std::map<NativeId, NativeWindow> windows_;
  std::deque<NativeEvent> events_;
  NativeId next_ = 1;
  bool virtual_clock_ = false;
  // A virtual clock starts well away from zero, like a machine that has been up a while.
  int64_t virtual_now_ = 1000000;
  int screen_w_ = 1024, screen_h_ = 768;
};

HeadlessHost* AsHeadless(Host& host) { return dynamic_cast<HeadlessHost*>(&host); }

}  // namespace

std::unique_ptr<Host> MakeHeadlessHost() { return std::make_unique<HeadlessHost>(); }

void HeadlessSetVirtualClock(Host& host, bool on) {
  if (auto* h = AsHeadless(host)) h->SetVirtual(on);
}
void HeadlessAdvance(Host& host, int64_t ms) {
  if (auto* h = AsHeadless(host)) h->Advance(ms);
}
void HeadlessSetScreen(Host& host, int width, int height) {
  if (auto* h = AsHeadless(host)) h->SetScreen(width, height);
}
void HeadlessPush(Host& host, const NativeEvent& event) {
  if (auto* h = AsHeadless(host)) h->Push(event);
}
const Surface* HeadlessLastFrame(Host& host, NativeId id) {
  auto* h = AsHeadless(host);
  if (!h) return nullptr;
  const NativeWindow* w = h->Window(id);
  return w && w->presented ? &w->last : nullptr;
}
HeadlessPresents HeadlessPresentInfo(Host& host, NativeId id) {
  auto* h = AsHeadless(host);
  const NativeWindow* w = h ? h->Window(id) : nullptr;
  HeadlessPresents info;
  if (w) {
    info.count = w->presents;
    info.changed = w->changed;
  }
  return info;
}
void HeadlessNativeSize(Host& host, NativeId id, int* width, int* height) {
  auto* h = AsHeadless(host);
  const NativeWindow* w = h ? h->Window(id) : nullptr;
  *width = w ? w->width : 0;
  *height = w ? w->height : 0;
}
bool HeadlessNativeVisible(Host& host, NativeId id) {
  auto* h = AsHeadless(host);
  const NativeWindow* w = h ? h->Window(id) : nullptr;
  return w && w->visible;
}

}  // namespace platform
