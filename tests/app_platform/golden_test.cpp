// The garden's pictures on our platform's headless host, pixel for pixel against
// stored PNGs. scripts/update-golden (this program with --update-golden, which ctest
// never passes) rewrites the stored pictures instead, and the tests then count as
// skipped, never as passed; look at the pictures before committing. On a mismatch the picture got
// and a difference picture are written to the test output directory.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "garden_test_support.h"
#include "png_codec.h"
#include "support/temp_folder.h"

namespace {

const std::string GoldenDir = std::string(KX_TEST_DATA_DIR) + "/app/golden/";
const std::string OutputDir = std::string(KX_TEST_OUTPUT_DIR) + "/";

void UseHeadlessHost() {
  setenv("PLATFORM_HOST", "headless", 1);
  setenv("PLATFORM_VIRTUAL_CLOCK", "1", 1);
}

RgbImage ReadBackBuffer() {
  RgbImage image;
  image.width = BackBufferWidth;
  image.height = BackBufferHeight;
  image.pixels.resize(size_t(image.width) * image.height);
  for (int y = 0; y < image.height; y++) {
    for (int x = 0; x < image.width; x++) {
      COLORREF c = GetPixel(back_buffer_dc, x, y);
      image.pixels[size_t(y) * image.width + x] =
          (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
    }
  }
  return image;
}

void CompareWithGolden(const char* name) {
  RgbImage got = ReadBackBuffer();
  std::string golden_path = GoldenDir + name + ".png";
  if (TestProgramHasFlag("--update-golden")) {
    ASSERT_TRUE(WritePngFile(golden_path, got)) << golden_path;
    GTEST_SKIP() << "rewrote " << golden_path;
  }
  RgbImage want;
  ASSERT_TRUE(ReadPngFile(golden_path, &want)) << "cannot read " << golden_path;
  ASSERT_EQ(want.width, got.width);
  ASSERT_EQ(want.height, got.height);
  RgbImage diff = got;
  int differing = 0;
  int first_x = -1, first_y = -1;
  for (int y = 0; y < got.height; y++) {
    for (int x = 0; x < got.width; x++) {
      size_t i = size_t(y) * got.width + x;
      bool same = got.pixels[i] == want.pixels[i];
      // Matching pixels faded to gray, differing ones in full red.
      uint32_t g =
          ((got.pixels[i] >> 16 & 0xFF) + (got.pixels[i] >> 8 & 0xFF) + (got.pixels[i] & 0xFF)) / 3;
      g = 192 + g / 4;
      diff.pixels[i] = same ? (g << 16 | g << 8 | g) : 0xFF0000;
      if (!same && differing++ == 0) {
        first_x = x;
        first_y = y;
      }
    }
  }
  if (differing) {
    WritePngFile(OutputDir + name + "-got.png", got);
    WritePngFile(OutputDir + name + "-diff.png", diff);
  }
  EXPECT_EQ(differing, 0) << name << ": first difference at (" << first_x << ", " << first_y
                          << "); see " << OutputDir << name << "-got.png and -diff.png";
}

using Program = GardenDriver;

int RowY(int row) { return -22 - 25 * row; }

TEST(GardenGolden, FirstPicture) {
  UseHeadlessHost();
  Program p;
  p.Start();
  CompareWithGolden("first-picture");
}

TEST(GardenGolden, NineBugsWithControllerHopDiscoAndParty) {
  UseHeadlessHost();
  Program p;
  p.Start();
  // Bugs added six ticks apart, so they walk spread out.
  for (int i = 0; i < 8; i++) {
    p.Click(-250, RowY(7));  // Add Bug
    for (int k = 0; k < 6; k++) p.Tick();
  }
  p.Click(-250, RowY(8));  // Controler on
  p.Click(-170, RowY(2));  // select bug 3
  p.Click(-250, RowY(5));  // Hopping
  p.Click(-250, RowY(2));  // Faster
  p.Click(-170, RowY(4));  // select bug 5
  p.Click(250, RowY(0));   // Disco Bug
  p.Click(-170, RowY(6));  // select bug 7
  p.Click(-250, RowY(1));  // Stop
  p.Click(250, RowY(4));   // Size Me: keeps 16 (cycle 6)
  p.Click(250, RowY(4));   // Size Me: 20
  p.Click(250, RowY(1));   // Disco Party on
  for (int i = 0; i < 12; i++) p.Tick();
  ASSERT_EQ(p.control.last_bug, 8);
  ASSERT_EQ(p.control.selected, 6);
  ASSERT_EQ(p.control.frame_no, 60);
  ASSERT_EQ(p.control.loop_count, 79);
  // Party on at pass 67; passes 69, 72, 75 and 78 raise the shift.
  ASSERT_EQ(p.control.sky_shift, 4);
  ASSERT_EQ(p.bugs[2].hopping, 1);
  ASSERT_EQ(p.bugs[6].size, 20);
  CompareWithGolden("garden-after-79-passes");
}

}  // namespace
