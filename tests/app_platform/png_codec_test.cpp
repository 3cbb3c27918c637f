// The golden pictures' PNG codec: what it writes, it reads back compressed; it reads
// other valid PNGs too, and refuses damaged ones.
#include "png_codec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <string.h>

namespace {

RgbImage Pattern(int width, int height) {
  RgbImage image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      image.pixels.push_back(uint32_t((x * 7 + y * 13) & 0xFF) << 16 |
                             uint32_t((x ^ y) & 0xFF) << 8 | uint32_t((x + 3 * y) & 0xFF));
    }
  }
  return image;
}

TEST(PngCodec, RoundTripsAGardenSizedPicture) {
  RgbImage image = Pattern(601, 540);
  std::vector<uint8_t> data = EncodePng(image);
  RgbImage back;
  ASSERT_TRUE(DecodePng(data, &back));
  EXPECT_EQ(back.width, 601);
  EXPECT_EQ(back.height, 540);
  EXPECT_EQ(back.pixels, image.pixels);
}

TEST(PngCodec, KnownBytesOfATinyImage) {
  RgbImage image;
  image.width = 1;
  image.height = 1;
  image.pixels = {0xFF0000};
  std::vector<uint8_t> data = EncodePng(image);
  // Signature, then IHDR with its well-known CRC for a 1x1 8-bit RGB image.
  const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  ASSERT_GE(data.size(), 33u);
  EXPECT_TRUE(std::equal(signature, signature + 8, data.begin()));
  const uint8_t ihdr_crc[4] = {0x90, 0x77, 0x53, 0xDE};
  EXPECT_TRUE(std::equal(ihdr_crc, ihdr_crc + 4, data.begin() + 29));
  RgbImage back;
  ASSERT_TRUE(DecodePng(data, &back));
  EXPECT_EQ(back.pixels, image.pixels);
}

TEST(PngCodec, CompressesAFlatPicture) {
  // A garden-sized picture of a few flat areas: far below its 970 KB of raw RGB.
  RgbImage image;
  image.width = 601;
  image.height = 540;
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++)
      image.pixels.push_back(y < 250 ? 0x000080 : x < 300 ? 0x00FF00 : 0xFFFFFF);
  std::vector<uint8_t> data = EncodePng(image);
  EXPECT_LT(data.size(), 20000u);
  RgbImage back;
  ASSERT_TRUE(DecodePng(data, &back));
  EXPECT_EQ(back.pixels, image.pixels);
}

// A PNG of another kind, written by libpng from the given bytes in `format`.
std::vector<uint8_t> ForeignPng(int width, int height, png_uint_32 format,
                                const std::vector<uint8_t>& bytes) {
  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(width);
  png.height = png_uint_32(height);
  png.format = format;
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, bytes.data(), 0, nullptr));
  std::vector<uint8_t> out(size);
  EXPECT_TRUE(png_image_write_to_memory(&png, out.data(), &size, 0, bytes.data(), 0, nullptr));
  out.resize(size);
  return out;
}

TEST(PngCodec, ReadsGreyAndAlphaPictures) {
  RgbImage back;
  ASSERT_TRUE(DecodePng(ForeignPng(3, 1, PNG_FORMAT_GRAY, {0, 128, 255}), &back));
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 1);
  EXPECT_EQ(back.pixels, (std::vector<uint32_t>{0x000000, 0x808080, 0xFFFFFF}));
  // Opaque pixels keep their colour; a transparent one shows the white page.
  ASSERT_TRUE(
      DecodePng(ForeignPng(2, 1, PNG_FORMAT_RGBA, {10, 20, 30, 255, 99, 99, 99, 0}), &back));
  EXPECT_EQ(back.pixels, (std::vector<uint32_t>{0x0A141E, 0xFFFFFF}));
}

TEST(PngCodec, RefusesDamagedData) {
  std::vector<uint8_t> data = EncodePng(Pattern(20, 10));
  RgbImage back;
  std::vector<uint8_t> bad = data;
  bad[data.size() - 20] ^= 1;  // inside IDAT: the chunk CRC no longer matches
  EXPECT_FALSE(DecodePng(bad, &back));
  bad = data;
  bad.resize(data.size() - 20);
  EXPECT_FALSE(DecodePng(bad, &back));
  bad = data;
  bad[0] = 0;
  EXPECT_FALSE(DecodePng(bad, &back));
  EXPECT_FALSE(DecodePng({}, &back));
}

}  // namespace
