#include "png_codec.h"

#include <png.h>
#include <stdio.h>
#include <string.h>

std::vector<uint8_t> EncodePng(const RgbImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != size_t(image.width) * size_t(image.height))
    return {};
  std::vector<uint8_t> rgb(image.pixels.size() * 3);
  for (size_t i = 0; i < image.pixels.size(); i++) {
    rgb[3 * i] = uint8_t(image.pixels[i] >> 16);
    rgb[3 * i + 1] = uint8_t(image.pixels[i] >> 8);
    rgb[3 * i + 2] = uint8_t(image.pixels[i]);
  }
  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(image.width);
  png.height = png_uint_32(image.height);
  png.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr)) return {};
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

bool DecodePng(const std::vector<uint8_t>& data, RgbImage* image) {
  if (data.empty()) return false;
  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data.data(), data.size())) return false;
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
  // Alpha, if any, is composed over white, like a picture shown on a white page.
  png_color white = {255, 255, 255};
  if (!png_image_finish_read(&png, &white, rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  image->width = int(png.width);
  image->height = int(png.height);
  image->pixels.resize(size_t(png.width) * png.height);
  for (size_t i = 0; i < image->pixels.size(); i++)
    image->pixels[i] =
        uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | uint32_t(rgb[3 * i + 2]);
  return true;
}

bool WritePngFile(const std::string& path, const RgbImage& image) {
  std::vector<uint8_t> data = EncodePng(image);
  if (data.empty()) return false;
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = fwrite(data.data(), 1, data.size(), file) == data.size();
  ok = fclose(file) == 0 && ok;
  return ok;
}

bool ReadPngFile(const std::string& path, RgbImage* image) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<uint8_t> data;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
    data.insert(data.end(), buffer, buffer + n);
  bool ok = !ferror(file);
  fclose(file);
  return ok && DecodePng(data, image);
}
