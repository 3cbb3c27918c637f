// What a tool built on the runtime may watch: every line the message log takes and the
// moment a wait finds playback stopped. All empty in the program itself.
#pragma once

struct RuntimeObserver {
  // Each line LogPrintf adds, as formatted (usually with its newline).
  void (*log_line)(const char* text);
  // A wait's script read gave no event: end of file, a line that is no record, or a
  // file that cannot be opened or read. Playback is off when this is called.
  void (*playback_stopped)(void);
  // 1: SetLogging(0) leaves logging on, so every drawing call of the run is described.
  int keep_logging;
};

extern RuntimeObserver runtime_observer;
