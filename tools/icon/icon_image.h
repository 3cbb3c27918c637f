// Pictures for the program's icons: a drawing read back from the runtime's back buffer,
// shrunk to icon sizes with the key colour turned into transparency, written as PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // row-major, 0xAARRGGBB, straight (not premultiplied) alpha
};

// Shrinks a square drawing of opaque 0x00RRGGBB pixels to size x size. Every source pixel
// counts by the share of it a target pixel covers, so sizes that do not divide the source
// still come out even; pixels of the key colour count as transparent.
RgbaImage ShrinkWithKey(const std::vector<uint32_t>& rgb, int source_size, uint32_t key, int size);

// 8-bit RGBA PNG through libpng. Returns false, leaving no file, when writing fails.
bool WriteRgbaPng(const std::string& path, const RgbaImage& image);
// Reads an 8-bit RGBA PNG as WriteRgbaPng writes it; false for anything else.
bool ReadRgbaPng(const std::string& path, RgbaImage* image);
