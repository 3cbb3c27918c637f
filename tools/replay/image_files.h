// The replay's pictures on disk: PNG through libpng, animated GIF through giflib.
// Both are byte-for-byte the same for the same pixels (no time stamps, fixed settings).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace replay {

// A picture: row-major, 0x00RRGGBB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// Every pixel becomes a scale x scale block.
Picture Enlarge(const Picture& picture, int scale);

// Writes an 8-bit RGB PNG; false (with errno-style text in *error) when it cannot.
bool WritePng(const std::string& path, const Picture& picture, std::string* error);

// An animated GIF written frame by frame: a looping GIF89a whose first frame is whole
// and whose later frames hold only the box that changed, the unchanged pixels in it
// transparent. The global colour table holds the first frame's colours; a frame with
// colours outside it carries its own table. A table has at most 255 colours and one
// transparent entry; beyond that the most frequent colours are kept and the rest take
// the nearest of them.
class GifWriter {
 public:
  GifWriter() = default;
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  bool Open(const std::string& path, std::string* error);
  // delay_cs: how long the frame shows, in hundredths of a second.
  bool AddFrame(const Picture& picture, int delay_cs, std::string* error);
  bool Close(std::string* error);
  int frames() const { return frames_; }

 private:
  struct Palette {
    std::vector<uint32_t> colors;                 // index -> colour; `transparent` follows them
    std::unordered_map<uint32_t, uint8_t> index;  // exact and nearest matches
    int transparent = -1;
  };
  static Palette MakePalette(const std::vector<std::pair<uint32_t, uint32_t>>& counts);
  static uint8_t Lookup(Palette& palette, uint32_t color);
  bool Fail(std::string* error, const char* what);

  void* gif_ = nullptr;  // GifFileType*
  std::string path_;
  Picture last_;  // what the GIF shows after the frames so far
  Palette global_;
  int frames_ = 0;
};

}  // namespace replay
