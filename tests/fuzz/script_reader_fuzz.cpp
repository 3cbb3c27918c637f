// libFuzzer target for the script reader: any bytes, written as "KX507.SCR" in a private
// directory, are played back through ReadScriptEvent until it stops. The sanitizers catch
// overruns and overflows; the checks below catch a reader that says one thing and does
// another.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "runtime_state.h"
#include "event_script.h"

static char work_dir[256];

static void RemoveWorkDir(void) {
  CloseScriptFile();
  remove("KX507.SCR");
  if (chdir("/") == 0) rmdir(work_dir);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every input is a file written and read back: keep it in memory when we can, as a
  // disk-backed /tmp makes each run a hundred times slower.
  const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  snprintf(work_dir, sizeof work_dir, "%s/kx507_fuzz_XXXXXX", base);
  if (mkdtemp(work_dir) == NULL || chdir(work_dir) != 0) abort();
  atexit(RemoveWorkDir);
  return 0;
}

// Enough events to walk a script of the largest input through; counts are clipped below,
// so a record of two billion ticks does not take two billion calls.
enum { MaxEvents = 1 << 16, MaxTicksKept = 2 };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fopen("KX507.SCR", "wb");
  if (file == NULL) abort();
  if (size > 0 && fwrite(data, 1, size, file) != size) abort();
  fclose(file);

  playing_back = 1;
  for (int i = 0; i < MaxEvents; ++i) {
    event_kind = -1;
    event_x = 0;
    event_y = 0;
    event_key = 0;
    int got = ReadScriptEvent();
    if (pending_ticks < 0) __builtin_trap();
    if (!got) {
      // Stopped: nothing produced and playback off.
      if (playing_back || play_one || event_kind != -1) __builtin_trap();
      break;
    }
    if (event_kind != EventMouse && event_kind != EventKey && event_kind != EventPeriodic)
      __builtin_trap();
    if (event_kind != EventMouse && (event_x != 0 || event_y != 0)) __builtin_trap();
    if (event_kind != EventKey && event_key != 0) __builtin_trap();
    if (pending_ticks > MaxTicksKept) pending_ticks = MaxTicksKept;
  }
  CloseScriptFile();
  playing_back = 0;
  play_one = 0;
  pending_ticks = 0;
  return 0;
}
