// The replay's GIF writer, read back with giflib's own decoder: the frames, laid over
// each other as a viewer does, give back the pictures; delays, loop and colour tables.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image_files.h"

namespace {

using replay::GifWriter;
using replay::Picture;

std::string TempPath(const char* name) {
  return std::filesystem::current_path().string() + "/" + name + "-" + std::to_string(getpid()) +
         ".gif";
}

Picture Flat(int w, int h, uint32_t color) {
  Picture p;
  p.width = w;
  p.height = h;
  p.pixels.assign(size_t(w) * h, color);
  return p;
}

void Box(Picture& p, int x0, int y0, int x1, int y1, uint32_t color) {
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++) p.pixels[size_t(y) * p.width + x] = color;
}

struct Decoded {
  std::vector<Picture> frames;  // composed, as shown
  std::vector<int> delays;
  std::vector<bool> local_map;
  std::vector<int> box_width;
};

uint32_t MapColor(const ColorMapObject* map, int index) {
  const GifColorType& c = map->Colors[index];
  return uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
}

Decoded Decode(const std::string& path) {
  Decoded d;
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  EXPECT_NE(gif, nullptr) << GifErrorString(err);
  if (!gif) return d;
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  Picture canvas = Flat(gif->SWidth, gif->SHeight, 0);
  for (int i = 0; i < gif->ImageCount; i++) {
    const SavedImage& image = gif->SavedImages[i];
    GraphicsControlBlock gcb;
    EXPECT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    const GifImageDesc& desc = image.ImageDesc;
    for (int y = 0; y < desc.Height; y++) {
      for (int x = 0; x < desc.Width; x++) {
        int index = image.RasterBits[size_t(y) * desc.Width + x];
        if (index == gcb.TransparentColor) continue;
        canvas.pixels[size_t(desc.Top + y) * canvas.width + desc.Left + x] = MapColor(map, index);
      }
    }
    d.frames.push_back(canvas);
    d.delays.push_back(gcb.DelayTime);
    d.local_map.push_back(image.ImageDesc.ColorMap != nullptr);
    d.box_width.push_back(desc.Width);
  }
  DGifCloseFile(gif, &err);
  return d;
}

TEST(GifWriter, FramesLaidOverEachOtherGiveThePictures) {
  std::vector<Picture> pictures;
  Picture p = Flat(40, 30, 0x000080);
  Box(p, 0, 20, 40, 30, 0x996633);
  pictures.push_back(p);
  Box(p, 5, 5, 10, 12, 0xFF0000);  // a red box, a colour the first frame lacks
  pictures.push_back(p);
  pictures.push_back(p);           // unchanged
  Box(p, 30, 2, 33, 4, 0x123456);  // another
  Box(p, 5, 5, 10, 12, 0x000080);  // the red box gone again
  pictures.push_back(p);

  std::string path = TempPath("frames");
  GifWriter gif;
  std::string error;
  ASSERT_TRUE(gif.Open(path, &error)) << error;
  int delays[] = {10, 20, 30, 40};
  for (size_t i = 0; i < pictures.size(); i++)
    ASSERT_TRUE(gif.AddFrame(pictures[i], delays[i], &error)) << error;
  ASSERT_TRUE(gif.Close(&error)) << error;
  EXPECT_EQ(gif.frames(), 4);

  Decoded d = Decode(path);
  ASSERT_EQ(d.frames.size(), pictures.size());
  for (size_t i = 0; i < pictures.size(); i++) {
    EXPECT_EQ(d.frames[i].pixels, pictures[i].pixels) << "frame " << i;
    EXPECT_EQ(d.delays[i], delays[i]);
  }
  // Only what changed is stored: the whole first frame, then boxes.
  EXPECT_EQ(d.box_width[0], 40);
  EXPECT_EQ(d.box_width[1], 5);
  EXPECT_EQ(d.box_width[2], 1);
  EXPECT_EQ(d.box_width[3], 28);
  // Red and 0x123456 are not in the first frame: those frames bring their own table.
  EXPECT_TRUE(d.local_map[1]);
  EXPECT_FALSE(d.local_map[2]);
  EXPECT_TRUE(d.local_map[3]);

  // It loops.
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_NE(bytes.str().find("NETSCAPE2.0"), std::string::npos);
  std::remove(path.c_str());
}

TEST(GifWriter, MoreThan255ColoursKeepTheFrequentOnesExactly) {
  // 300 colours a step apart; 45 of them occur once, the others twice.
  auto color = [](int i) { return uint32_t(i / 2) << 16 | uint32_t(i - i / 2) << 8 | 100u; };
  Picture p;
  p.width = 0;
  std::vector<uint32_t> pixels;
  std::vector<bool> rare(300, false);
  for (int i = 1; i < 90; i += 2) rare[size_t(i)] = true;
  for (int i = 0; i < 300; i++) {
    pixels.push_back(color(i));
    if (!rare[size_t(i)]) pixels.push_back(color(i));
  }
  p.width = int(pixels.size());
  p.height = 1;
  p.pixels = pixels;

  std::string path = TempPath("colours");
  GifWriter gif;
  std::string error;
  ASSERT_TRUE(gif.Open(path, &error)) << error;
  ASSERT_TRUE(gif.AddFrame(p, 10, &error)) << error;
  ASSERT_TRUE(gif.Close(&error)) << error;
  Decoded d = Decode(path);
  ASSERT_EQ(d.frames.size(), 1u);
  int exact = 0;
  for (size_t i = 0; i < pixels.size(); i++) {
    uint32_t want = pixels[i], got = d.frames[0].pixels[i];
    int dr = std::abs(int(want >> 16) - int(got >> 16));
    int dg = std::abs(int(want >> 8 & 0xFF) - int(got >> 8 & 0xFF));
    int db = std::abs(int(want & 0xFF) - int(got & 0xFF));
    EXPECT_LE(dr + dg + db, 1) << "pixel " << i;
    exact += want == got;
  }
  // Every pixel of the 255 frequent colours is exact; the 45 rare ones are a step off.
  EXPECT_EQ(exact, int(pixels.size()) - 45);
  std::remove(path.c_str());
}

TEST(GifWriter, ReportsAFileItCannotCreate) {
  GifWriter gif;
  std::string error;
  EXPECT_FALSE(gif.Open("/nonexistent-folder/x.gif", &error));
  EXPECT_NE(error.find("cannot create /nonexistent-folder/x.gif"), std::string::npos) << error;
}

}  // namespace
