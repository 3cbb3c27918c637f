// Shrinking the icon drawing, the PNG files, and the icons the build drew.
#include "icon_image.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>

namespace {

constexpr uint32_t kKey = 0x00FF00;

std::vector<uint32_t> Square(int size, uint32_t fill) {
  return std::vector<uint32_t>(size_t(size) * size, fill);
}

TEST(ShrinkWithKey, WholeBlocksAverageColourAndTurnTheKeyTransparent) {
  // Left half key, right half red over blue: 4x4 to 2x2.
  std::vector<uint32_t> src = Square(4, kKey);
  for (int y = 0; y < 4; y++)
    for (int x = 2; x < 4; x++) src[y * 4 + x] = y < 2 ? 0xFF0000 : 0x0000FF;
  RgbaImage out = ShrinkWithKey(src, 4, kKey, 2);
  ASSERT_EQ(out.width, 2);
  ASSERT_EQ(out.height, 2);
  EXPECT_EQ(out.pixels[0], 0u);
  EXPECT_EQ(out.pixels[2], 0u);
  EXPECT_EQ(out.pixels[1], 0xFFFF0000u);
  EXPECT_EQ(out.pixels[3], 0xFF0000FFu);

  // Half red, half blue under one pixel: the mean colour, opaque.
  src = {0xFF0000, 0x0000FF, 0x0000FF, 0xFF0000};
  out = ShrinkWithKey(src, 2, kKey, 1);
  EXPECT_EQ(out.pixels[0], 0xFF800080u);
}

TEST(ShrinkWithKey, PartlyCoveredPixelsGiveTheirColourAndPartialAlpha) {
  // A black dot in the middle of a key square, 3x3 to 2x2: each target pixel covers a
  // quarter of the dot out of 1.5 x 1.5 source pixels, so alpha is 255 * 0.25 / 2.25.
  std::vector<uint32_t> src = Square(3, kKey);
  src[4] = 0x000000;
  RgbaImage out = ShrinkWithKey(src, 3, kKey, 2);
  for (uint32_t p : out.pixels) EXPECT_EQ(p, 28u << 24);

  // A colour one step from the key is a colour, not transparency.
  out = ShrinkWithKey(Square(2, 0x00FE00), 2, kKey, 1);
  EXPECT_EQ(out.pixels[0], 0xFF00FE00u);
}

TEST(RgbaPng, RoundTripsEveryChannelAndRefusesWhatItCannotRead) {
  RgbaImage image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0x00000000, 0xFF102030, 0x80FFFFFF, 0x01020304, 0x7F7F7F7F, 0xFF000000};
  std::string path = std::string(KX_ICON_TEST_DIR) + "/roundtrip.png";
  ASSERT_TRUE(WriteRgbaPng(path, image));
  RgbaImage back;
  ASSERT_TRUE(ReadRgbaPng(path, &back));
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  EXPECT_EQ(back.pixels, image.pixels);

  std::string text = std::string(KX_ICON_TEST_DIR) + "/not-a-png.png";
  FILE* f = fopen(text.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("this is not a picture\n", f);
  fclose(f);
  EXPECT_FALSE(ReadRgbaPng(text, &back));
  EXPECT_FALSE(ReadRgbaPng(std::string(KX_ICON_TEST_DIR) + "/missing.png", &back));

  EXPECT_FALSE(WriteRgbaPng(std::string(KX_ICON_TEST_DIR) + "/no/such/dir/x.png", image));
  RgbaImage wrong = image;
  wrong.pixels.pop_back();  // fewer pixels than width x height
  EXPECT_FALSE(WriteRgbaPng(std::string(KX_ICON_TEST_DIR) + "/wrong.png", wrong));
}

// The icons the build drew: a ladybird on a clear background, at every size.
TEST(DrawnIcons, AreABugOnATransparentBackgroundAtEverySize) {
  for (int size : {16, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    std::string name = std::to_string(size) + "x" + std::to_string(size);
    RgbaImage icon;
    ASSERT_TRUE(ReadRgbaPng(std::string(KX_ICON_DIR) + "/" + name + "/bug-garden.png", &icon));
    ASSERT_EQ(icon.width, size);
    ASSERT_EQ(icon.height, size);
    auto at = [&](int x, int y) { return icon.pixels[size_t(y) * size + x]; };
    for (uint32_t corner : {at(0, 0), at(size - 1, 0), at(0, size - 1), at(size - 1, size - 1)})
      EXPECT_EQ(corner >> 24, 0u) << "corners are transparent";
    // The shell left of the seam, between the spots: opaque red.
    uint32_t shell = at(size * 180 / 512, size * 280 / 512);
    EXPECT_EQ(shell >> 24, 255u);
    EXPECT_GT(shell >> 16 & 0xFF, 200u);
    EXPECT_LT(shell >> 8 & 0xFF, 60u);
    // The bug fills a good part of the square, and none of the key colour is left.
    size_t opaque = 0;
    for (uint32_t p : icon.pixels) {
      if (p >> 24 == 255) opaque++;
      if (p >> 24 != 0) {
        EXPECT_NE(p & 0xFFFFFF, kKey) << "key colour left visible";
      }
    }
    EXPECT_GT(opaque, icon.pixels.size() * 3 / 10);
    EXPECT_LT(opaque, icon.pixels.size() * 9 / 10);
  }
}

}  // namespace
