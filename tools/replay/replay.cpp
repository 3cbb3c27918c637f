#include "replay.h"

#include <errno.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "event_script.h"
#include "garden.h"
#include "gdi/gdi.h"
#include "host/host.h"
#include "image_files.h"
#include "observer.h"
#include "runtime_state.h"

namespace replay {

const char kUsage[] =
    "usage: bug-garden-replay SCRIPT [--png DIR] [--gif FILE] [--narration FILE]\n"
    "                         [--every N] [--scale N] [--ticks N]\n"
    "  --png DIR         a PNG of the window's picture after every pass (frame-000001.png, ...)\n"
    "  --gif FILE        an animated GIF at 100 ms a tick\n"
    "  --narration FILE  every drawing call and runtime message, by pass number\n"
    "  --every N         a PNG after every Nth pass only (default 1)\n"
    "  --scale N         enlarge PNG and GIF frames N times (1 to 8, default 1)\n"
    "  --ticks N         stop after N ticks (default: at the end of the script)\n"
    "Without --png, --gif or --narration it prints a summary of the run.\n";

namespace {

bool ParseCount(const char* text, int low, int high, int* value) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  *value = int(v);
  return true;
}

}  // namespace

int ParseArguments(int argc, char** argv, Options* options, std::string* error) {
  *options = Options{};
  bool have_script = false;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return -1;
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      std::string name = arg;
      std::string value;
      bool inline_value = false;
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        inline_value = true;
      }
      static const char* const kKnown[] = {"--png",   "--gif",   "--narration",
                                           "--every", "--scale", "--ticks"};
      bool known = false;
      for (const char* k : kKnown) known = known || name == k;
      if (!known) {
        *error = "unknown option " + name;
        return 2;
      }
      if (!inline_value) {
        if (i + 1 >= argc) {
          *error = name + " needs a value";
          return 2;
        }
        value = argv[++i];
      }
      if (name == "--png" || name == "--gif" || name == "--narration") {
        if (value.empty()) {
          *error = name + " needs a non-empty path";
          return 2;
        }
        (name == "--png"   ? options->png_dir
         : name == "--gif" ? options->gif_path
                           : options->narration_path) = value;
      } else if (name == "--every") {
        if (!ParseCount(value.c_str(), 1, INT_MAX, &options->every)) {
          *error = "--every needs a whole number from 1 up, not '" + value + "'";
          return 2;
        }
      } else if (name == "--scale") {
        if (!ParseCount(value.c_str(), 1, 8, &options->scale)) {
          *error = "--scale needs a whole number from 1 to 8, not '" + value + "'";
          return 2;
        }
      } else if (!ParseCount(value.c_str(), 0, INT_MAX, &options->ticks)) {
        *error = "--ticks needs a whole number from 0 up, not '" + value + "'";
        return 2;
      }
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg;
      return 2;
    }
    if (have_script) {
      *error = "one script only, not also '" + arg + "'";
      return 2;
    }
    if (arg.empty()) {
      *error = "the script's path is empty";
      return 2;
    }
    options->script = arg;
    have_script = true;
  }
  if (!have_script) {
    *error = "no script given";
    return 2;
  }
  return 0;
}

namespace {

// Everything a run keeps; the runtime's observer calls reach it through `run`.
struct Run {
  const Options* options = nullptr;
  long long pass = 0;    // the pass being run (0: start-up and the first picture)
  bool stopped = false;  // playback ended inside the current wait
  bool failed = false;
  std::vector<std::string> pass_lines;  // the log lines of the pass being run
  FILE* narration = nullptr;
  long long warnings = 0;
  long long ticks = 0;
  long long kinds[5] = {0, 0, 0, 0, 0};

  // PNG frames written so far (removed again if the run fails).
  std::vector<std::string> png_files;
  long long png_count = 0;

  GifWriter gif;
  bool gif_held = false;
  Picture held;  // the last picture, not yet in the GIF: its time on screen is still open
  int held_delay = 0;

  std::string error;
};

Run* run = nullptr;

enum { TickCentiseconds = 10 };

void OnLogLine(const char* text) {
  // The quit pass that ends the loop after playback is no pass of the script's.
  if (run->stopped) return;
  run->pass_lines.emplace_back(text);
  if (run->narration) {
    size_t n = std::strlen(text);
    std::fprintf(run->narration, "%lld: %s%s", run->pass, text,
                 n > 0 && text[n - 1] == '\n' ? "" : "\n");
  }
}

void OnPlaybackStopped(void) {
  if (run->stopped) return;
  run->stopped = true;
  // Neither opened nor readable: the runtime has closed the file again.
  if (script_file == NULL) run->failed = true;
  // Out of the wait: the quit message ends it, and the garden's loop with it.
  PostQuitMessage(0);
}

std::string TempName(const std::string& path) { return path + ".part"; }

bool Publish(const std::string& path) {
  if (std::rename(TempName(path).c_str(), path.c_str()) != 0) {
    run->error = "cannot rename " + TempName(path) + " to " + path + ": " + std::strerror(errno);
    std::remove(TempName(path).c_str());
    return false;
  }
  return true;
}

bool MakeDirectories(const std::string& dir) {
  std::string partial;
  size_t at = 0;
  while (at <= dir.size()) {
    size_t slash = dir.find('/', at);
    if (slash == std::string::npos) slash = dir.size();
    partial = dir.substr(0, slash);
    at = slash + 1;
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) {
      run->error = "cannot create " + partial + ": " + std::strerror(errno);
      return false;
    }
  }
  struct stat info;
  if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    run->error = dir + " is not a folder";
    return false;
  }
  return true;
}

// The picture a person sees: the back buffer's top-left corner, as far as the drawing
// window's client area reaches.
Picture WindowPicture() {
  RECT client;
  GetClientRect(draw_window, &client);
  const platform::Surface& buffer = *platform::gdi::LookupDC(back_buffer_dc)->surface;
  Picture picture;
  picture.width = std::min<int>(client.right - client.left, buffer.width);
  picture.height = std::min<int>(client.bottom - client.top, buffer.height);
  picture.pixels.resize(size_t(picture.width) * size_t(picture.height));
  for (int y = 0; y < picture.height; y++)
    std::memcpy(&picture.pixels[size_t(y) * picture.width],
                &buffer.pixels[size_t(y) * buffer.width], size_t(picture.width) * 4);
  if (run->options->scale <= 1) return picture;
  return Enlarge(picture, run->options->scale);
}

bool WriteFrame(const Picture& picture) {
  char name[40];
  std::snprintf(name, sizeof name, "frame-%06lld.png", ++run->png_count);
  std::string path = run->options->png_dir + "/" + name;
  std::string why;
  if (!WritePng(TempName(path), picture, &why)) {
    run->error = "cannot write " + TempName(path) + ": " + why;
    std::remove(TempName(path).c_str());
    return false;
  }
  if (!Publish(path)) return false;
  run->png_files.push_back(path);
  return true;
}

// A picture shows until the next pass: 100 ms when that pass is a tick, no time at all
// when it is a click or a key, so such a picture is left out of the GIF. Equal pictures
// in a row become one frame with their times added.
bool AddToGif(Picture picture, bool after_tick) {
  if (run->gif_held) {
    if (after_tick) run->held_delay += TickCentiseconds;
    if (picture.pixels == run->held.pixels) return true;
    if (run->held_delay > 0 && !run->gif.AddFrame(run->held, run->held_delay, &run->error))
      return false;
  }
  run->held = std::move(picture);
  run->held_delay = 0;
  run->gif_held = true;
  return true;
}

bool FinishGif() {
  // The last picture gets one tick's time before the loop starts again.
  if (run->gif_held &&
      !run->gif.AddFrame(run->held, run->held_delay + TickCentiseconds, &run->error))
    return false;
  return run->gif.Close(&run->error);
}

// After pass `run->pass` has drawn its picture.
bool PassDone(int kind) {
  if (run->pass > 0) {
    if (kind >= 1 && kind <= 4) run->kinds[kind]++;
    if (kind == EventPeriodic) run->ticks++;
  }
  run->warnings += (long long)run->pass_lines.size();
  run->pass_lines.clear();
  const Options& o = *run->options;
  bool png = !o.png_dir.empty() && run->pass % o.every == 0;
  bool gif = !o.gif_path.empty();
  if (!png && !gif) return true;
  Picture picture = WindowPicture();
  if (png && !WriteFrame(picture)) return false;
  if (gif && !AddToGif(std::move(picture), kind == EventPeriodic)) return false;
  return true;
}

void Discard() {
  const Options& o = *run->options;
  for (const std::string& f : run->png_files) std::remove(f.c_str());
  if (!o.gif_path.empty()) std::remove(TempName(o.gif_path).c_str());
  if (!o.narration_path.empty()) std::remove(TempName(o.narration_path).c_str());
}

void PrintSummary(const std::string& end) {
  std::printf("passes: %lld\n", run->pass);
  std::printf("ticks: %lld\n", run->ticks);
  std::printf("events: mouse %lld, key %lld, periodic %lld\n", run->kinds[EventMouse],
              run->kinds[EventKey], run->kinds[EventPeriodic]);
  std::printf("warnings: %lld\n", run->warnings);
  std::printf("end: %s\n", end.c_str());
}

}  // namespace

int RunReplay(const Options& options) {
  Run state;
  state.options = &options;
  run = &state;

  const bool summary =
      options.png_dir.empty() && options.gif_path.empty() && options.narration_path.empty();
  if (!options.png_dir.empty() && !MakeDirectories(options.png_dir)) {
    std::fprintf(stderr, "bug-garden-replay: %s\n", state.error.c_str());
    return 1;
  }
  if (!options.narration_path.empty()) {
    state.narration = std::fopen(TempName(options.narration_path).c_str(), "w");
    if (!state.narration) {
      std::fprintf(stderr, "bug-garden-replay: cannot create %s: %s\n",
                   TempName(options.narration_path).c_str(), std::strerror(errno));
      return 1;
    }
  }
  if (!options.gif_path.empty() && !state.gif.Open(TempName(options.gif_path), &state.error)) {
    std::fprintf(stderr, "bug-garden-replay: %s\n", state.error.c_str());
    Discard();
    if (state.narration) std::fclose(state.narration);
    return 1;
  }

  // The headless host on the virtual clock: no display, and no waiting for timers.
  platform::SetHost(platform::MakeHeadlessHost());
  platform::HeadlessSetVirtualClock(platform::CurrentHost(), true);
  ScriptFileName = options.script.c_str();
  runtime_observer.log_line = OnLogLine;
  runtime_observer.playback_stopped = OnPlaybackStopped;
  // Narration: every drawing call described, the first picture's too.
  runtime_observer.keep_logging = options.narration_path.empty() ? 0 : 1;

  static const int kInstance = 0;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(const_cast<int*>(&kInstance));
  BugRecord bugs[BugCount];
  ControlState control;
  int done = 0;
  int event_x = 0, event_y = 0;
  signed char event_key = 0;
  char command_line[] = "";
  StartGarden(instance, nullptr, command_line, SW_SHOWNORMAL, bugs, control, done);
  // Nobody reads the log window here, and scrolling it for every line of a narration
  // would cost more than the drawing itself: it goes, as when its close box is used, and
  // the lines still reach the ring and the narration.
  DestroyWindow(log_window);
  // Nor does anyone look at the drawing window: hidden, it is not composed for the host
  // after every pass. Its back buffer still reaches its client area as always.
  ShowWindow(draw_window, SW_HIDE);
  bool ok = PassDone(0);
  // As if Playback Script were chosen right after start-up.
  TogglePlayback();
  std::string end = "end of script";
  while (ok && done == 0) {
    if (options.ticks >= 0 && state.ticks >= options.ticks) {
      end = "after " + std::to_string(state.ticks) + " ticks";
      break;
    }
    state.pass++;
    RunLoopPass(bugs, control, done, event_x, event_y, event_key);
    if (state.stopped) {
      state.pass--;
      break;
    }
    ok = PassDone(event_kind);
  }
  std::vector<std::string> end_lines = state.pass_lines;
  CloseRuntime();
  runtime_observer = RuntimeObserver{nullptr, nullptr, 0};

  if (state.failed) {
    for (const std::string& line : end_lines) {
      std::fputs(line.c_str(), stderr);
      if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
    }
    if (end_lines.empty())
      std::fprintf(stderr, "bug-garden-replay: cannot read %s\n", options.script.c_str());
    ok = false;
  }
  if (ok && state.stopped) {
    if (!end_lines.empty()) {
      end = end_lines.front();
      while (!end.empty() && end.back() == '\n') end.pop_back();
    } else {
      end = "a line that is no record ends the script";
    }
  }
  if (ok && !options.gif_path.empty()) ok = FinishGif() && Publish(options.gif_path);
  if (state.narration) {
    bool written = std::fflush(state.narration) == 0 && !std::ferror(state.narration);
    written = std::fclose(state.narration) == 0 && written;
    state.narration = nullptr;
    if (ok && !written) {
      state.error = "cannot write " + TempName(options.narration_path);
      ok = false;
    }
    if (ok) ok = Publish(options.narration_path);
  }
  if (!ok) {
    if (!state.error.empty()) std::fprintf(stderr, "bug-garden-replay: %s\n", state.error.c_str());
    state.gif.Close(&state.error);
    Discard();
    run = nullptr;
    return 1;
  }
  if (summary) PrintSummary(end);
  run = nullptr;
  return 0;
}

int ReplayMain(int argc, char** argv) {
  Options options;
  std::string error;
  int parsed = ParseArguments(argc, argv, &options, &error);
  if (parsed < 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (parsed != 0) {
    std::fprintf(stderr, "bug-garden-replay: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  return RunReplay(options);
}

}  // namespace replay
