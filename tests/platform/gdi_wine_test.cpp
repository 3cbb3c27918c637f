// Our rasterizer against the pixels Wine's GDI covers for the same shapes
// (tests/wine/gdi_shapes.txt, captured by tests/wine/gdi_probe.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gdi/gdi.h"

namespace {

constexpr int kSize = 48;
const int kShow = getenv("GDI_SHOW") ? atoi(getenv("GDI_SHOW")) : 6;
constexpr COLORREF kPen = RGB(255, 0, 0);
constexpr COLORREF kBrush = RGB(0, 0, 255);

struct Case {
  char kind = 0;
  int a = 0, b = 0, c = 0, d = 0;
  int pen = 0;  // -1: PS_NULL
  bool solid = false;
  std::string runs;
  std::string text;
};

std::vector<Case> LoadCases() {
  std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/wine/gdi_shapes.txt");
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    // Shapes Wine drew differently on two runs (stray brush pixels) are no reference.
    if (line.empty() || line[0] == '#') continue;
    Case k;
    k.text = line;
    std::istringstream s(line);
    std::string pen, brush, colon;
    s >> k.kind >> k.a >> k.b >> k.c >> k.d >> pen;
    if (k.kind != 'L') s >> brush;
    s >> colon >> k.runs;
    k.pen = pen == "n" ? -1 : std::stoi(pen);
    k.solid = brush == "s";
    cases.push_back(k);
  }
  return cases;
}

// What we draw for a case, encoded as the probe encodes Wine's pixels.
std::string Draw(const Case& k) {
  auto surface = std::make_shared<platform::Surface>(kSize, kSize, 0xFFFFFF);
  HDC dc = platform::CreateSurfaceDC(surface, nullptr);
  HPEN pen = CreatePen(k.pen < 0 ? PS_NULL : PS_SOLID, k.pen < 0 ? 0 : k.pen, kPen);
  HBRUSH brush = k.solid ? CreateSolidBrush(kBrush) : (HBRUSH)GetStockObject(NULL_BRUSH);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  if (k.kind == 'R') Rectangle(dc, k.a, k.b, k.c, k.d);
  if (k.kind == 'E') Ellipse(dc, k.a, k.b, k.c, k.d);
  if (k.kind == 'L') {
    MoveToEx(dc, k.a, k.b, nullptr);
    LineTo(dc, k.c, k.d);
  }
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(pen);
  DeleteObject(brush);
  platform::DestroySurfaceDC(dc);
  std::string out;
  char last = 0;
  int count = 0;
  for (uint32_t p : surface->pixels) {
    char c = p == 0xFFFFFF ? '.' : p == 0xFF0000 ? 'P' : p == 0x0000FF ? 'B' : '?';
    if (c != last && count) {
      out += last + std::to_string(count);
      count = 0;
    }
    last = c;
    ++count;
  }
  return out + last + std::to_string(count);
}

std::string Expand(const std::string& runs) {
  std::string g;
  for (size_t i = 0; i < runs.size();) {
    char c = runs[i++];
    size_t n = 0;
    while (i < runs.size() && isdigit(static_cast<unsigned char>(runs[i])))
      n = n * 10 + size_t(runs[i++] - '0');
    g.append(n, c);
  }
  return g;
}

// Both pictures side by side, cropped to where they differ or draw.
std::string Picture(const std::string& want, const std::string& got) {
  std::string a = Expand(want), b = Expand(got);
  int x0 = kSize, x1 = -1, y0 = kSize, y1 = -1;
  for (int i = 0; i < kSize * kSize && i < int(a.size()) && i < int(b.size()); ++i) {
    if (a[i] != '.' || b[i] != '.') {
      x0 = std::min(x0, i % kSize), x1 = std::max(x1, i % kSize);
      y0 = std::min(y0, i / kSize), y1 = std::max(y1, i / kSize);
    }
  }
  std::ostringstream o;
  o << "  wine | ours (x from " << x0 << ")\n";
  for (int y = y0; y <= y1; ++y) {
    o << "  " << y << " " << a.substr(y * kSize + x0, x1 - x0 + 1) << " | "
      << b.substr(y * kSize + x0, x1 - x0 + 1) << "\n";
  }
  return o.str();
}

// An ellipse's brush never leaves its box, nor its pen the box grown by the pen's
// width. For some narrow boxes Wine's capture holds brush runs outside (the same boxes
// that vary from one capture to the next): such a capture is no reference for ours.
bool PaintsOutsideItsBox(const Case& k) {
  if (k.kind != 'E') return false;
  int l = std::min(k.a, k.c), r = std::max(k.a, k.c);
  int t = std::min(k.b, k.d), b = std::max(k.b, k.d);
  int grow = k.pen > 1 ? k.pen : 0;
  std::string g = Expand(k.runs);
  for (int i = 0; i < int(g.size()); ++i) {
    int x = i % kSize, y = i / kSize, out = g[i] == 'B' ? 0 : grow;
    if (g[i] != '.' && (x < l - out || x >= r + out || y < t - out || y >= b + out)) return true;
  }
  return false;
}

std::string Family(const Case& k) {
  std::string f(1, k.kind);
  f += k.pen < 0 ? " null pen" : " pen " + std::to_string(k.pen);
  if (k.kind != 'L') f += k.solid ? " solid" : " hollow";
  return f;
}

// Compares every captured shape that `pick` selects; failures are reported per family
// (kind, pen, brush) with the number of shapes and pixels that differ.
template <class Pick>
void Compare(Pick pick) {
  static const std::vector<Case> cases = LoadCases();
  ASSERT_GT(cases.size(), 6500u) << "captured shapes missing";
  struct Counts {
    int failed = 0, total = 0;
    long pixels = 0;
  };
  std::map<std::string, Counts> families;
  int shown = 0, stray = 0;
  for (const Case& k : cases) {
    if (!pick(k)) continue;
    if (PaintsOutsideItsBox(k)) {
      ++stray;
      continue;
    }
    std::string got = Draw(k);
    Counts& fam = families[Family(k)];
    ++fam.total;
    if (got != k.runs) {
      ++fam.failed;
      std::string a = Expand(k.runs), b = Expand(got);
      for (size_t i = 0; i < a.size() && i < b.size(); ++i) fam.pixels += a[i] != b[i];
      if (shown++ < kShow)
        ADD_FAILURE() << k.text.substr(0, k.text.find(" :")) << "\n" << Picture(k.runs, got);
    }
  }
  ASSERT_FALSE(families.empty());
  // A handful of Wine's narrow boxes, never a whole family.
  EXPECT_LE(stray, 16) << "captures painting outside their box";
  for (auto& [name, c] : families)
    EXPECT_EQ(c.failed, 0) << name << ": " << c.failed << " of " << c.total << " shapes differ, "
                           << c.pixels << " pixels in all";
}

bool Thin(const Case& k) { return k.pen == 0 || k.pen == 1; }
bool Circle(const Case& k) { return k.kind == 'E' && k.c - k.a == k.d - k.b; }

TEST(GdiWine, RectanglesWithEveryPen) {
  Compare([](const Case& k) { return k.kind == 'R'; });
}
TEST(GdiWine, ThinLines) {
  Compare([](const Case& k) { return k.kind == 'L' && Thin(k); });
}
TEST(GdiWine, CirclesWithAThinPen) {
  Compare([](const Case& k) { return Circle(k) && Thin(k); });
}
TEST(GdiWine, EllipsesWithAThinPen) {
  Compare([](const Case& k) { return k.kind == 'E' && !Circle(k) && Thin(k); });
}
TEST(GdiWine, EllipsesWithoutAPen) {
  Compare([](const Case& k) { return k.kind == 'E' && k.pen < 0; });
}
TEST(GdiWine, WideLines) {
  Compare([](const Case& k) { return k.kind == 'L' && k.pen > 1; });
}
TEST(GdiWine, EllipsesWithAWidePen) {
  Compare([](const Case& k) { return k.kind == 'E' && k.pen > 1; });
}

}  // namespace
