// The golden pictures' PNG codec: what it writes, it reads back; what it cannot
// have written, it refuses.
#include "png_codec.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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

TEST(PngCodec, RoundTripsAcrossSeveralStoredBlocks) {
  // 601 x 540 RGB needs many 64 KiB blocks.
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
  ASSERT_GE(data.size(), 33u);
  const uint8_t ihdr_crc[4] = {0x90, 0x77, 0x53, 0xDE};
  EXPECT_TRUE(std::equal(ihdr_crc, ihdr_crc + 4, data.begin() + 29));
  // zlib stream: header 78 01, one final stored block of 4 bytes (filter + RGB),
  // Adler-32 of 00 FF 00 00 = 0x03010100.
  const uint8_t idat[] = {0x78, 0x01, 0x01, 0x04, 0x00, 0xFB, 0xFF, 0x00,
                          0xFF, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00};
  EXPECT_TRUE(std::equal(idat, idat + sizeof idat, data.begin() + 41));
}

TEST(PngCodec, RefusesDamagedData) {
  std::vector<uint8_t> data = EncodePng(Pattern(20, 10));
  RgbImage back;
  std::vector<uint8_t> bad = data;
  bad[60] ^= 1;  // inside IDAT: the chunk CRC no longer matches
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
