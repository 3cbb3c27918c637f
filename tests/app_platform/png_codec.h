// PNG for the golden pictures, through libpng: 8-bit RGB, compressed; any valid PNG
// is read (palette, grey, alpha and 16-bit ones are converted to 8-bit RGB).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // row-major, 0x00RRGGBB
};

std::vector<uint8_t> EncodePng(const RgbImage& image);
bool DecodePng(const std::vector<uint8_t>& data, RgbImage* image);

bool WritePngFile(const std::string& path, const RgbImage& image);
bool ReadPngFile(const std::string& path, RgbImage* image);
