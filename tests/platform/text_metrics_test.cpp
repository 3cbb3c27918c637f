// The font mapper and metrics against what Win32 (Wine) reports for the same requests,
// captured by tests/wine/text_probe.cpp into tests/wine/text_probe.txt.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gdi/gdi.h"

using platform::gdi::Font;

namespace {

struct Record {
  char kind = 0;
  std::string label;
  int height = 0, weight = 0;
  std::vector<long> numbers;
  std::string text;  // E records: the string, unescaped
};

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); i++) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out += char(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

const std::vector<Record>& Capture() {
  static std::vector<Record> records = [] {
    std::vector<Record> out;
    std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/wine/text_probe.txt");
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() < 2 || line[1] != ' ') continue;
      Record r;
      r.kind = line[0];
      std::istringstream ss(line.substr(2));
      ss >> r.label >> r.height >> r.weight;
      if (r.kind == 'E') {
        long cx, cy;
        ss >> cx >> cy;
        r.numbers = {cx, cy};
        std::string rest;
        ss.get();  // the one separating space
        std::getline(ss, rest);
        r.text = Unescape(rest);
      } else if (r.kind == 'M' || r.kind == 'A' || r.kind == 'I') {
        long v;
        while (ss >> v) r.numbers.push_back(v);
      } else {
        continue;
      }
      out.push_back(std::move(r));
    }
    return out;
  }();
  return records;
}

Font FontFor(const Record& r) {
  Font f;
  if (r.label == "KX507") {
    f.height = r.height;
    f.weight = r.weight;
    f.face = "KX507-font";
  } else if (r.label == "SYSTEM_FONT" || r.label == "dcdefault") {
    f.stock_id = SYSTEM_FONT;
  } else if (r.label == "DEFAULT_GUI_FONT") {
    f.stock_id = DEFAULT_GUI_FONT;
  } else if (r.label == "ANSI_FIXED_FONT") {
    f.stock_id = ANSI_FIXED_FONT;
  } else if (r.label == "ANSI_VAR_FONT") {
    f.stock_id = ANSI_VAR_FONT;
  }
  return f;
}

std::string Name(const Record& r) {
  return r.label + " " + std::to_string(r.height) + " " + std::to_string(r.weight);
}

TEST(TextMetrics, CaptureIsThere) {
  int m = 0, a = 0, e = 0;
  for (const Record& r : Capture()) {
    m += r.kind == 'M';
    a += r.kind == 'A';
    e += r.kind == 'E';
  }
  // 5 stock lines, 2 weights x (-60, -50, -40..40), -127, 7 extra weights.
  EXPECT_EQ(m, 5 + 2 * 83 + 1 + 7);
  EXPECT_GT(a, 170);
  EXPECT_GE(e, 1899);
}

// Every field of GetTextMetricsA, for every height the probe asked for (em heights -1..-60
// and -127, cell heights 1..40, the default 0), both weights, and the stock fonts.
TEST(TextMetrics, MatchWineForEveryRequest) {
  int compared = 0;
  for (const Record& r : Capture()) {
    if (r.kind != 'M') continue;
    Font f = FontFor(r);
    TEXTMETRICA tm{};
    platform::gdi::FontMetrics(f, &tm);
    const std::vector<long>& w = r.numbers;
    ASSERT_EQ(w.size(), 14u) << Name(r);
    SCOPED_TRACE(Name(r));
    EXPECT_EQ(tm.tmHeight, w[0]);
    EXPECT_EQ(tm.tmAscent, w[1]);
    EXPECT_EQ(tm.tmDescent, w[2]);
    EXPECT_EQ(tm.tmInternalLeading, w[3]);
    EXPECT_EQ(tm.tmExternalLeading, w[4]);
    // Wine's system font is a bold face with narrower hinted widths than the bold face
    // installed here; only its vertical metrics are matched.
    if (f.stock_id != SYSTEM_FONT) {
      EXPECT_EQ(tm.tmAveCharWidth, w[5]);
      EXPECT_EQ(tm.tmMaxCharWidth, w[6]);
    }
    EXPECT_EQ(tm.tmWeight, w[7]);
    EXPECT_EQ(tm.tmFirstChar, w[8]);
    EXPECT_EQ(tm.tmLastChar, w[9]);
    EXPECT_EQ(tm.tmDefaultChar, w[10]);
    EXPECT_EQ(tm.tmBreakChar, w[11]);
    EXPECT_EQ(tm.tmPitchAndFamily, w[12]);
    EXPECT_EQ(tm.tmCharSet, w[13]);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    compared++;
  }
  EXPECT_GT(compared, 170);
}

// The advance of every byte 0..255 (Windows-1252, control characters included).
TEST(TextMetrics, AdvancesMatchWine) {
  int compared = 0;
  for (const Record& r : Capture()) {
    if (r.kind != 'A' || r.label == "SYSTEM_FONT" || r.label == "dcdefault") continue;
    Font f = FontFor(r);
    ASSERT_EQ(r.numbers.size(), 256u) << Name(r);
    std::string wrong;
    for (int c = 0; c < 256; c++) {
      int got = platform::gdi::FontAdvance(f, (unsigned char)c);
      if (got != r.numbers[c])
        wrong += " " + std::to_string(c) + ":" + std::to_string(got) + "/" +
                 std::to_string(r.numbers[c]);
      compared++;
    }
    EXPECT_EQ(wrong, "") << Name(r) << " (byte:ours/wine)";
  }
  EXPECT_GE(compared, 170 * 256);
}

// Whole strings are the sum of their advances: no kerning, as in Win32's ANSI calls.
TEST(TextMetrics, StringExtentsMatchWine) {
  int compared = 0;
  for (const Record& r : Capture()) {
    if (r.kind != 'E' || r.label == "SYSTEM_FONT" || r.label == "dcdefault") continue;
    Font f = FontFor(r);
    TEXTMETRICA tm{};
    platform::gdi::FontMetrics(f, &tm);
    long cx = 0;
    for (unsigned char c : r.text) cx += platform::gdi::FontAdvance(f, c);
    EXPECT_EQ(cx, r.numbers[0]) << Name(r) << " \"" << r.text << "\"";
    EXPECT_EQ(tm.tmHeight, r.numbers[1]) << Name(r);
    compared++;
  }
  EXPECT_GE(compared, 1850);
}

TEST(TextMetrics, RuntimeFontIsLiberationSans) {
  Font f;
  f.height = -12;
  f.face = "KX507-font";
  TEXTMETRICA tm{};
  platform::gdi::FontMetrics(f, &tm);
  EXPECT_EQ(tm.tmHeight, 14);
  EXPECT_EQ(tm.tmAscent, 11);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmInternalLeading, 1);
  long cx = 0;
  for (char c : std::string("Click a button")) cx += platform::gdi::FontAdvance(f, c);
  EXPECT_EQ(cx, 74);
  EXPECT_NE(platform::gdi::FontFilePath(f).find("LiberationSans-Regular"), std::string::npos)
      << platform::gdi::FontFilePath(f);
}

TEST(TextMetrics, MapperChoosesFaces) {
  auto path = [](Font f) { return platform::gdi::FontFilePath(f); };
  Font bold;
  bold.height = -12;
  bold.weight = FW_SEMIBOLD;
  bold.face = "KX507-font";
  EXPECT_NE(path(bold).find("LiberationSans-Bold"), std::string::npos) << path(bold);
  Font medium = bold;
  medium.weight = 550;
  EXPECT_NE(path(medium).find("LiberationSans-Regular"), std::string::npos) << path(medium);
  Font fixed;
  fixed.stock_id = ANSI_FIXED_FONT;
  EXPECT_NE(path(fixed).find("LiberationMono-Regular"), std::string::npos) << path(fixed);
  // An unknown face asking for fixed pitch gets the fixed-pitch stand-in.
  Font unknown_fixed;
  unknown_fixed.face = "No Such Face";
  unknown_fixed.pitch_and_family = FIXED_PITCH | FF_DONTCARE;
  EXPECT_NE(path(unknown_fixed).find("LiberationMono"), std::string::npos) << path(unknown_fixed);
  // An installed face is used as it is, whatever its case.
  Font installed;
  installed.face = "dejavu sans";
  EXPECT_NE(path(installed).find("DejaVuSans.ttf"), std::string::npos) << path(installed);
}

// Heights at the ends of the int range neither overflow nor allocate without bound.
TEST(TextMetrics, ExtremeHeightsStayBounded) {
  for (int h : {INT_MIN, INT_MIN + 1, -100000, 100000, INT_MAX}) {
    Font f;
    f.height = h;
    f.face = "KX507-font";
    TEXTMETRICA tm{};
    platform::gdi::FontMetrics(f, &tm);
    EXPECT_GT(tm.tmHeight, 100) << h;
    EXPECT_LT(tm.tmHeight, 2000) << h;
    EXPECT_GT(platform::gdi::FontAdvance(f, 'W'), 100) << h;
  }
}

TEST(TextMetrics, Cp1252Table) {
  using platform::gdi::Cp1252ToUnicode;
  using platform::gdi::UnicodeToCp1252;
  EXPECT_EQ(Cp1252ToUnicode(0x41), 0x41u);
  EXPECT_EQ(Cp1252ToUnicode(0x80), 0x20ACu);
  EXPECT_EQ(Cp1252ToUnicode(0x93), 0x201Cu);
  EXPECT_EQ(Cp1252ToUnicode(0x9F), 0x178u);
  EXPECT_EQ(Cp1252ToUnicode(0xE9), 0xE9u);
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
    EXPECT_EQ(Cp1252ToUnicode((unsigned char)undefined), unsigned(undefined));
  for (int b = 0; b < 256; b++) EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode((unsigned char)b)), b);
  EXPECT_EQ(UnicodeToCp1252(0x80), -1);  // its byte stands for the euro sign
  EXPECT_EQ(UnicodeToCp1252(0x4E00), -1);
}

}  // namespace
