#include "icon_image.h"

#include <png.h>
#include <stdio.h>

#include <algorithm>
#include <cmath>
#include <memory>

RgbaImage ShrinkWithKey(const std::vector<uint32_t>& rgb, int source_size, uint32_t key, int size) {
  RgbaImage out;
  out.width = out.height = size;
  out.pixels.assign(size_t(size) * size, 0);
  const double step = double(source_size) / size;
  // Weights of the source columns (and, the picture being square, rows) under each target
  // pixel: whole pixels inside, fractions at both ends.
  struct Span {
    int first = 0;
    std::vector<double> weights;
  };
  std::vector<Span> spans(size);
  for (int i = 0; i < size; i++) {
    double lo = i * step, hi = (i + 1) * step;
    int first = int(std::floor(lo));
    int last = std::min(source_size - 1, int(std::ceil(hi)) - 1);
    spans[i].first = first;
    for (int s = first; s <= last; s++) {
      double w = std::min(hi, s + 1.0) - std::max(lo, double(s));
      spans[i].weights.push_back(w > 0 ? w : 0);
    }
  }
  for (int ty = 0; ty < size; ty++) {
    const Span& rows = spans[ty];
    for (int tx = 0; tx < size; tx++) {
      const Span& cols = spans[tx];
      double total = 0, covered = 0, r = 0, g = 0, b = 0;
      for (size_t j = 0; j < rows.weights.size(); j++) {
        const uint32_t* row = &rgb[size_t(rows.first + int(j)) * source_size];
        for (size_t i = 0; i < cols.weights.size(); i++) {
          double w = rows.weights[j] * cols.weights[i];
          uint32_t p = row[cols.first + int(i)] & 0xFFFFFF;
          total += w;
          if (p == key) continue;
          covered += w;
          r += w * double(p >> 16 & 0xFF);
          g += w * double(p >> 8 & 0xFF);
          b += w * double(p & 0xFF);
        }
      }
      uint32_t a = total > 0 ? uint32_t(std::lround(255.0 * covered / total)) : 0;
      if (a == 0) continue;  // fully transparent pixels stay 0, so files do not vary
      auto channel = [&](double sum) { return uint32_t(std::lround(sum / covered)) & 0xFF; };
      out.pixels[size_t(ty) * size + tx] =
          a << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
    }
  }
  return out;
}

namespace {

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

// The libpng calls, apart: an error jumps back to their setjmp, which then returns
// false, and nothing of the caller lives between the two.
bool WriteRows(png_structp png, png_infop info, FILE* file, const RgbaImage& image,
               std::vector<png_byte>& row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; y++) {
    for (int x = 0; x < image.width; x++) {
      uint32_t p = image.pixels[size_t(y) * image.width + x];
      row[size_t(x) * 4 + 0] = png_byte(p >> 16);
      row[size_t(x) * 4 + 1] = png_byte(p >> 8);
      row[size_t(x) * 4 + 2] = png_byte(p);
      row[size_t(x) * 4 + 3] = png_byte(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  return true;
}

bool ReadRows(png_structp png, png_infop info, FILE* file, RgbaImage* image,
              std::vector<png_byte>& row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  if (png_get_bit_depth(png, info) != 8 ||
      png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB_ALPHA ||
      png_get_interlace_type(png, info) != PNG_INTERLACE_NONE || width > 4096 || height > 4096)
    return false;
  image->width = int(width);
  image->height = int(height);
  image->pixels.assign(size_t(width) * height, 0);
  row.resize(size_t(width) * 4);
  for (png_uint_32 y = 0; y < height; y++) {
    png_read_row(png, row.data(), nullptr);
    for (png_uint_32 x = 0; x < width; x++) {
      const png_byte* p = &row[size_t(x) * 4];
      image->pixels[size_t(y) * width + x] =
          uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
  }
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

bool WriteRgbaPng(const std::string& path, const RgbaImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != size_t(image.width) * image.height)
    return false;
  std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "wb"));
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row(size_t(image.width) * 4);
  bool ok = png && info && WriteRows(png, info, file.get(), image, row);
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (fclose(file.release()) != 0) ok = false;
  if (!ok) remove(path.c_str());
  return ok;
}

bool ReadRgbaPng(const std::string& path, RgbaImage* image) {
  std::unique_ptr<FILE, FileCloser> file(fopen(path.c_str(), "rb"));
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row;
  bool ok = png && info && ReadRows(png, info, file.get(), image, row);
  png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
  return ok;
}
