// bug-garden-replay: the garden started as the program starts it, then an event script
// played back on the headless host's virtual clock, written out as PNG frames, an
// animated GIF, the drawing narration, or a summary.
#pragma once

#include <string>

namespace replay {

struct Options {
  std::string script;
  std::string png_dir;
  std::string gif_path;
  std::string narration_path;
  int every = 1;   // a PNG after every Nth pass
  int scale = 1;   // nearest-neighbour enlargement of PNG and GIF frames, 1 to 8
  int ticks = -1;  // stop after this many ticks; -1: at the end of the script
};

extern const char kUsage[];

// 0 with *options filled; 2 with the reason in *error for bad use; -1 for --help.
int ParseArguments(int argc, char** argv, Options* options, std::string* error);

// Plays the script; returns the exit status: 0, or 1 when the script cannot be read
// or an output cannot be written (messages on stderr, no output left behind).
int RunReplay(const Options& options);

// The whole program: arguments, then the run.
int ReplayMain(int argc, char** argv);

}  // namespace replay
