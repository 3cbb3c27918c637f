#include "image_files.h"

#include <errno.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace replay {

Picture Enlarge(const Picture& picture, int scale) {
  if (scale <= 1) return picture;
  Picture big;
  big.width = picture.width * scale;
  big.height = picture.height * scale;
  big.pixels.resize(size_t(big.width) * size_t(big.height));
  for (int y = 0; y < picture.height; y++) {
    uint32_t* row = &big.pixels[size_t(y) * scale * big.width];
    const uint32_t* from = &picture.pixels[size_t(y) * picture.width];
    for (int x = 0; x < picture.width; x++)
      for (int k = 0; k < scale; k++) row[x * scale + k] = from[x];
    for (int k = 1; k < scale; k++) std::memcpy(row + size_t(k) * big.width, row, big.width * 4);
  }
  return big;
}

bool WritePng(const std::string& path, const Picture& picture, std::string* error) {
  std::vector<uint8_t> rgb(size_t(picture.width) * size_t(picture.height) * 3);
  for (size_t i = 0; i < picture.pixels.size(); i++) {
    uint32_t p = picture.pixels[i];
    rgb[3 * i] = uint8_t(p >> 16);
    rgb[3 * i + 1] = uint8_t(p >> 8);
    rgb[3 * i + 2] = uint8_t(p);
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(picture.width);
  image.height = png_uint_32(picture.height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    *error = image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}

GifWriter::~GifWriter() {
  if (gif_) {
    int err = 0;
    EGifCloseFile(static_cast<GifFileType*>(gif_), &err);
  }
}

bool GifWriter::Fail(std::string* error, const char* what) {
  GifFileType* gif = static_cast<GifFileType*>(gif_);
  const char* why = gif ? GifErrorString(gif->Error) : nullptr;
  *error = std::string(what) + ": " + (why ? why : "unknown error");
  return false;
}

bool GifWriter::Open(const std::string& path, std::string* error) {
  // Opened here rather than by giflib, so the file gets the usual permissions.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  int err = 0;
  GifFileType* gif = EGifOpenFileHandle(fd, &err);
  if (!gif) {
    close(fd);
    const char* why = GifErrorString(err);
    *error = std::string("cannot create ") + path + ": " + (why ? why : "unknown error");
    return false;
  }
  EGifSetGifVersion(gif, true);
  gif_ = gif;
  path_ = path;
  return true;
}

// counts: colour and how many pixels have it.
GifWriter::Palette GifWriter::MakePalette(
    const std::vector<std::pair<uint32_t, uint32_t>>& counts) {
  std::vector<std::pair<uint32_t, uint32_t>> order(counts);
  // Most frequent first; equal counts by colour, so the order never depends on hashing.
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  if (order.size() > 255) order.resize(255);
  // Colour order within the table: by value, for the same reason.
  std::vector<uint32_t> colors;
  for (const auto& c : order) colors.push_back(c.first);
  std::sort(colors.begin(), colors.end());
  Palette palette;
  palette.colors = colors;
  for (size_t i = 0; i < colors.size(); i++) palette.index[colors[i]] = uint8_t(i);
  palette.transparent = int(colors.size());
  return palette;
}

uint8_t GifWriter::Lookup(Palette& palette, uint32_t color) {
  auto it = palette.index.find(color);
  if (it != palette.index.end()) return it->second;
  // Not in the table (only when a frame has more than 255 colours): the nearest one.
  long best = -1;
  uint8_t best_index = 0;
  for (size_t i = 0; i < palette.colors.size(); i++) {
    uint32_t c = palette.colors[i];
    long dr = long(c >> 16 & 0xFF) - long(color >> 16 & 0xFF);
    long dg = long(c >> 8 & 0xFF) - long(color >> 8 & 0xFF);
    long db = long(c & 0xFF) - long(color & 0xFF);
    long d = dr * dr + dg * dg + db * db;
    if (best < 0 || d < best) {
      best = d;
      best_index = uint8_t(i);
    }
  }
  palette.index[color] = best_index;
  return best_index;
}

namespace {

ColorMapObject* MakeMap(const std::vector<uint32_t>& colors) {
  int entries = 1 << GifBitSize(int(colors.size()) + 1);  // + the transparent entry
  std::vector<GifColorType> table(size_t(entries), GifColorType{0, 0, 0});
  for (size_t i = 0; i < colors.size(); i++) {
    table[i].Red = GifByteType(colors[i] >> 16);
    table[i].Green = GifByteType(colors[i] >> 8);
    table[i].Blue = GifByteType(colors[i]);
  }
  return GifMakeMapObject(entries, table.data());
}

std::vector<std::pair<uint32_t, uint32_t>> CountColors(const Picture& picture,
                                                       const Picture* before, int left, int top,
                                                       int right, int bottom) {
  std::unordered_map<uint32_t, uint32_t> counts;
  uint32_t last = 0;
  uint32_t* last_count = nullptr;
  for (int y = top; y < bottom; y++) {
    for (int x = left; x < right; x++) {
      size_t i = size_t(y) * picture.width + x;
      uint32_t c = picture.pixels[i];
      if (before && before->pixels[i] == c) continue;
      if (!last_count || c != last) {
        last = c;
        last_count = &counts[c];
      }
      ++*last_count;
    }
  }
  return {counts.begin(), counts.end()};
}

}  // namespace

bool GifWriter::AddFrame(const Picture& picture, int delay_cs, std::string* error) {
  GifFileType* gif = static_cast<GifFileType*>(gif_);
  if (!gif) return Fail(error, "GIF not open");
  const bool first = frames_ == 0;
  int left = 0, top = 0, right = picture.width, bottom = picture.height;
  if (!first) {
    if (picture.width != last_.width || picture.height != last_.height)
      return Fail(error, "frame size changed");
    // The box around every pixel that differs from what the GIF shows now.
    left = picture.width, top = picture.height, right = 0, bottom = 0;
    for (int y = 0; y < picture.height; y++) {
      const uint32_t* a = &picture.pixels[size_t(y) * picture.width];
      const uint32_t* b = &last_.pixels[size_t(y) * picture.width];
      if (std::memcmp(a, b, size_t(picture.width) * 4) == 0) continue;
      int l = 0;
      while (a[l] == b[l]) l++;
      int r = picture.width;
      while (a[r - 1] == b[r - 1]) r--;
      left = std::min(left, l);
      right = std::max(right, r);
      top = std::min(top, y);
      bottom = y + 1;
    }
    if (right <= left) left = 0, top = 0, right = 1, bottom = 1;  // no change: one clear pixel
  }

  std::vector<std::pair<uint32_t, uint32_t>> counts =
      CountColors(picture, first ? nullptr : &last_, left, top, right, bottom);
  Palette local;
  Palette* palette = &global_;
  if (first) {
    global_ = MakePalette(counts);
    ColorMapObject* map = MakeMap(global_.colors);
    int ok = EGifPutScreenDesc(gif, picture.width, picture.height, 8, 0, map);
    GifFreeMapObject(map);
    if (ok != GIF_OK) return Fail(error, "cannot write the GIF header");
    // Loop for ever.
    static const char kLoopApp[] = "NETSCAPE2.0";
    static const unsigned char kLoop[3] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif, 11, kLoopApp) != GIF_OK ||
        EGifPutExtensionBlock(gif, 3, kLoop) != GIF_OK || EGifPutExtensionTrailer(gif) != GIF_OK)
      return Fail(error, "cannot write the GIF loop block");
  } else {
    bool fits = true;
    for (const auto& c : counts) {
      // Exact colours only: the index also remembers nearest matches.
      auto it = global_.index.find(c.first);
      if (it == global_.index.end() || global_.colors[it->second] != c.first) {
        fits = false;
        break;
      }
    }
    if (!fits) {
      local = MakePalette(counts);
      palette = &local;
    }
  }

  GraphicsControlBlock control;
  control.DisposalMode = DISPOSE_DO_NOT;
  control.UserInputFlag = false;
  control.DelayTime = delay_cs;
  control.TransparentColor = first ? NO_TRANSPARENT_COLOR : palette->transparent;
  GifByteType extension[4];
  EGifGCBToExtension(&control, extension);
  if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_OK)
    return Fail(error, "cannot write a GIF frame");

  // giflib keeps a copy of the last frame's own table and drops it unfreed when a frame
  // without one follows; let it go here.
  if (gif->Image.ColorMap) {
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
  }
  ColorMapObject* map = palette == &local ? MakeMap(local.colors) : nullptr;
  int ok = EGifPutImageDesc(gif, left, top, right - left, bottom - top, false, map);
  if (map) GifFreeMapObject(map);
  if (ok != GIF_OK) return Fail(error, "cannot write a GIF frame");

  std::vector<GifPixelType> row(size_t(right - left));
  uint32_t cached_color = picture.pixels[size_t(top) * picture.width + left];
  uint8_t cached_index = Lookup(*palette, cached_color);
  for (int y = top; y < bottom; y++) {
    const uint32_t* now = &picture.pixels[size_t(y) * picture.width];
    const uint32_t* before = first ? nullptr : last_.pixels.data() + size_t(y) * picture.width;
    for (int x = left; x < right; x++) {
      uint32_t c = now[x];
      if (!first && before[x] == c) {
        row[size_t(x - left)] = GifPixelType(palette->transparent);
        continue;
      }
      // Runs of one colour are the rule: look up only when it changes.
      if (c != cached_color) {
        cached_color = c;
        cached_index = Lookup(*palette, c);
      }
      row[size_t(x - left)] = cached_index;
    }
    if (EGifPutLine(gif, row.data(), right - left) != GIF_OK)
      return Fail(error, "cannot write a GIF frame");
  }
  if (first) {
    last_ = picture;
  } else {
    for (int y = top; y < bottom; y++)
      std::memcpy(&last_.pixels[size_t(y) * picture.width + left],
                  &picture.pixels[size_t(y) * picture.width + left], size_t(right - left) * 4);
  }
  frames_++;
  return true;
}

bool GifWriter::Close(std::string* error) {
  GifFileType* gif = static_cast<GifFileType*>(gif_);
  gif_ = nullptr;
  if (!gif) return true;
  int err = 0;
  if (EGifCloseFile(gif, &err) != GIF_OK) {
    const char* why = GifErrorString(err);
    *error = "cannot finish " + path_ + ": " + (why ? why : "unknown error");
    return false;
  }
  return true;
}

}  // namespace replay
