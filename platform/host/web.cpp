// The web host: each native window is an HTML canvas on the page (web/page.js makes
// them, with a caption and a close box around each). Each canvas has a copy of its frame
// in canvas byte order here; presenting converts only the parts the platform says changed
// and tells the page which boxes to put, which it does as the program gives the browser
// its turn, once however often it presented. Input arrives as events the page queues;
// WaitEvent gives the browser its turn through Asyncify and comes back on the next
// queued event or at the deadline, never polling.
#ifdef __EMSCRIPTEN__

#include <emscripten.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"

// The page's side of the host, on Module.kxHost (web/page.js).
EM_JS(int, kx_web_available, (), {
  return (typeof document !== 'undefined' && Module.kxHost) ? 1 : 0;
});
EM_JS(void, kx_web_create, (int id, const char* title, int x, int y, int w, int h, int resizable), {
  Module.kxHost.create(id, UTF8ToString(title), x, y, w, h, !!resizable);
});
EM_JS(void, kx_web_show, (int id, int visible), { Module.kxHost.show(id, !!visible); });
EM_JS(void, kx_web_move, (int id, int x, int y, int w, int h), {
  Module.kxHost.move(id, x, y, w, h);
});
EM_JS(void, kx_web_destroy, (int id), { Module.kxHost.destroy(id); });
// rgba: the whole frame as canvas bytes, row after row; [x0,x1) x [y0,y1) changed.
EM_JS(void, kx_web_present,
      (int id, const uint8_t* rgba, int width, int height, int x0, int y0, int x1, int y1), {
  Module.kxHost.present(id, rgba, width, height, x0, y0, x1, y1);
});
// Writes one queued event into out[0..9]; 0 when the queue is empty.
EM_JS(int, kx_web_poll, (int* out), { return Module.kxHost.poll(out); });
EM_ASYNC_JS(void, kx_web_wait, (double deadline_ms), {
  await Module.kxHost.wait(deadline_ms);
});
// One turn of the browser's event loop (a task, so that it paints in between).
EM_ASYNC_JS(void, kx_web_yield, (), {
  Module.kxHost.draw();
  await new Promise(function(resolve) { setTimeout(resolve, 0); });
});
EM_JS(double, kx_web_now, (), { return Math.floor(performance.now()); });
EM_JS(int, kx_web_screen, (int which), { return Module.kxHost.screen(which); });

namespace platform {
namespace {

struct Canvas {
  int width = 0, height = 0;    // the size of the frame it shows; 0 before the first
  std::vector<uint32_t> rgba;   // that frame in the canvas's byte order (the page reads it)
};

// 0x00RRGGBB to the bytes R, G, B, 255 a canvas takes (wasm is little-endian).
inline uint32_t CanvasPixel(uint32_t p) {
  return 0xFF000000u | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

class WebHost final : public Host {
 public:
  const char* Name() const override { return "web"; }

  NativeId CreateNative(const char* title, int x, int y, int width, int height,
                        bool resizable) override {
    NativeId id = next_++;
    canvases_[id];
    kx_web_create(int(id), title ? title : "", x, y, width, height, resizable ? 1 : 0);
    return id;
  }
  void ShowNative(NativeId id, bool visible) override {
    if (canvases_.count(id)) kx_web_show(int(id), visible ? 1 : 0);
  }
  void MoveNative(NativeId id, int x, int y, int width, int height) override {
    auto it = canvases_.find(id);
    if (it == canvases_.end()) return;
    // A canvas that changes size forgets its picture: the next frame goes whole.
    it->second.width = it->second.height = 0;
    kx_web_move(int(id), x, y, width, height);
  }
  void DestroyNative(NativeId id) override {
    if (canvases_.erase(id)) kx_web_destroy(int(id));
  }
  void Present(NativeId id, const Surface& frame, const RECT* changed, int count) override {
    auto it = canvases_.find(id);
    if (it == canvases_.end() || frame.width <= 0 || frame.height <= 0) return;
    Canvas& canvas = it->second;
    const bool same_size = canvas.width == frame.width && canvas.height == frame.height;
    canvas.width = frame.width;
    canvas.height = frame.height;
    canvas.rgba.resize(size_t(frame.width) * size_t(frame.height));
    if (!changed || count <= 0 || !same_size) {
      SendBox(id, canvas, frame, RECT{0, 0, frame.width, frame.height});
      return;
    }
    if (count > kMostParts) {
      // Each part is a call into the page: past a few, one box around them is cheaper.
      RECT all = changed[0];
      for (int i = 1; i < count; i++) {
        all.left = std::min(all.left, changed[i].left);
        all.top = std::min(all.top, changed[i].top);
        all.right = std::max(all.right, changed[i].right);
        all.bottom = std::max(all.bottom, changed[i].bottom);
      }
      SendBox(id, canvas, frame, all);
      return;
    }
    for (int i = 0; i < count; i++) SendBox(id, canvas, frame, changed[i]);
  }
  bool PollEvent(NativeEvent* event) override {
    // A program that does not wait for a while (a script played back as fast as it
    // is read) still lets the page paint and take input.
    if (NowMs() - last_turn_ >= kLongestTurnMs) {
      kx_web_yield();
      last_turn_ = NowMs();
    }
    int v[10] = {};
    if (!kx_web_poll(v)) return false;
    *event = NativeEvent{};
    event->kind = NativeEvent::Kind(v[0]);
    event->window = NativeId(v[1]);
    event->vk = v[2];
    event->repeat = v[3] != 0;
    event->button = v[4];
    event->x = v[5], event->y = v[6];
    event->width = v[7], event->height = v[8];
    event->ch = v[9];
    return true;
  }
  void WaitEvent(int64_t deadline_ms) override {
    kx_web_wait(double(deadline_ms));
    last_turn_ = NowMs();
  }
  int ScreenWidth() const override { return kx_web_screen(0); }
  int ScreenHeight() const override { return kx_web_screen(1); }
  int64_t NowMs() override { return int64_t(kx_web_now()); }

 private:
  // Converts one part of the frame (clipped to it) into the canvas's copy and tells the
  // page to put that box. Converting here costs far less than in script.
  static void SendBox(NativeId id, Canvas& canvas, const Surface& frame, RECT r) {
    const int x0 = std::max<int>(r.left, 0), x1 = std::min<int>(r.right, frame.width);
    const int y0 = std::max<int>(r.top, 0), y1 = std::min<int>(r.bottom, frame.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; y++) {
      const size_t row = size_t(y) * size_t(frame.width);
      const uint32_t* src = &frame.pixels[row];
      uint32_t* dst = &canvas.rgba[row];
      for (int x = x0; x < x1; x++) dst[x] = CanvasPixel(src[x]);
    }
    kx_web_present(int(id), reinterpret_cast<const uint8_t*>(canvas.rgba.data()), frame.width,
                   frame.height, x0, y0, x1, y1);
  }

  static constexpr int kMostParts = 8;
  static constexpr int64_t kLongestTurnMs = 50;
  std::map<NativeId, Canvas> canvases_;
  NativeId next_ = 1;
  int64_t last_turn_ = 0;
};

}  // namespace

std::unique_ptr<Host> MakeWebHost() {
  if (!kx_web_available()) return nullptr;
  return std::make_unique<WebHost>();
}

}  // namespace platform

#endif  // __EMSCRIPTEN__
