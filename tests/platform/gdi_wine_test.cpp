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
    if (line.empty()) continue;
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

std::string Family(const Case& k) {
  std::string f(1, k.kind);
  f += k.pen < 0 ? " null pen" : " pen " + std::to_string(k.pen);
  if (k.kind != 'L') f += k.solid ? " solid" : " hollow";
  return f;
}

void CompareRange(size_t from, size_t to) {
  std::vector<Case> cases = LoadCases();
  ASSERT_GT(cases.size(), 6000u) << "captured shapes missing";
  std::map<std::string, std::pair<int, int>> families;  // failures, total
  int shown = 0;
  to = std::min(to, cases.size());
  for (size_t i = from; i < to; ++i) {
    const Case& k = cases[i];
    std::string got = Draw(k);
    auto& fam = families[Family(k)];
    ++fam.second;
    if (got != k.runs) {
      ++fam.first;
      if (shown++ < kShow)
        ADD_FAILURE() << k.text.substr(0, k.text.find(" :")) << "\n" << Picture(k.runs, got);
    }
  }
  for (auto& [name, counts] : families)
    EXPECT_EQ(counts.first, 0) << name << ": " << counts.first << " of " << counts.second
                               << " shapes differ";
}

// The capture's sections, in the probe's order.
TEST(GdiWine, Rectangles) { CompareRange(0, 1100); }
TEST(GdiWine, Ellipses) { CompareRange(1100, 3575); }
TEST(GdiWine, Circles) { CompareRange(3575, 3916); }
TEST(GdiWine, LinesInEveryDirection) { CompareRange(3916, 5721); }
TEST(GdiWine, ShapesCutByTheEdges) { CompareRange(5721, 5981); }
TEST(GdiWine, RandomShapes) { CompareRange(5981, 6581); }

}  // namespace
