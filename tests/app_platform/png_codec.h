// A small PNG writer and reader for the golden pictures: 8-bit RGB, filter 0,
// zlib 'stored' blocks. The reader reads what the writer writes and refuses the rest.
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
