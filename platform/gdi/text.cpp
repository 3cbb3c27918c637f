// Text: the font mapper (fontconfig picks the file, or a fixed table of font files where
// there is no fontconfig, as on the web), metrics, advances and glyphs
// (FreeType: anti-aliased, or monochrome at the sizes the font's gasp table asks for), and
// the Win32 calls TextOutA, GetTextExtentPoint(32)A and GetTextMetricsA.
//
// Programs create and delete a font for every string they draw, so everything costly is
// cached for the life of the process: one FreeType face per font file, one FreeType size
// per face and pixel size, and each rendered glyph of that size. A Font object only
// remembers which cache entry it maps to.
#ifndef KX_FONT_TABLE
#include <fontconfig/fontconfig.h>
#endif
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gdi.h"

namespace platform::gdi {

namespace {

TextCacheStats g_stats;

// Longer strings are not kept in a memory DC's draw log: its next copy compares all.
constexpr size_t kMostLoggedText = 1024;

// Past this many pixels per em a glyph bitmap gets absurdly large; bigger requests are
// drawn at this size instead of exhausting memory.
constexpr int kMaxPpem = 1024;

// Characters Win32 reports for an ANSI TrueType font.
constexpr BYTE kFirstChar = 30, kLastChar = 255, kDefaultChar = 31, kBreakChar = 32;
// tmPitchAndFamily bits.
constexpr BYTE kVariablePitch = 0x01, kVector = 0x02, kTrueType = 0x04;

struct SizedFont;

// One font file, opened once.
struct FaceFile {
  std::string path;
  FT_Face face = nullptr;
  int units_per_em = 2048;
  int win_ascent = 0, win_descent = 0;  // OS/2 (hhea when absent)
  int line_gap = 0;                     // hhea
  int avg_width = 0, max_width = 0;     // font units
  int weight = FW_NORMAL;
  BYTE pitch_and_family = 0;
  std::map<int, SizedFont*> sizes;  // by pixels per em
};

struct Glyph {
  bool ready = false;
  int advance = 0;
  int left = 0, top = 0;  // bitmap origin relative to the pen on the baseline (top: up)
  int width = 0, rows = 0;
  std::vector<uint8_t> coverage;
  bool solid = false;  // every pixel fully covered or not at all: no blending
  // For solid glyphs up to 64 pixels wide: each row's covered columns as bits (bit x
  // for column x), so drawing touches only the pixels the glyph covers.
  std::vector<uint64_t> on_bits;
};

// A face at one pixel size: metrics and glyphs as drawn.
struct SizedFont {
  FaceFile* file = nullptr;
  FT_Size size = nullptr;
  int ppem = 0;
  TEXTMETRICA tm{};
  std::array<Glyph, 256> glyphs;  // by Windows-1252 byte
};

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    return lib;
  }();
  return library;
}

std::map<std::string, std::unique_ptr<FaceFile>>& Files() {
  static std::map<std::string, std::unique_ptr<FaceFile>> files;
  return files;
}

std::vector<std::unique_ptr<SizedFont>>& SizedFonts() {
  static std::vector<std::unique_ptr<SizedFont>> all;
  return all;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower((unsigned char)c));
  return s;
}

// What decides the face and size: the same request always maps to the same entry.
struct Request {
  std::string family;  // lower case; "" for the default
  int height = 0;      // as CreateFontA: < 0 em height, > 0 cell height, 0 default
  bool bold = false;
  bool italic = false;
  DWORD pitch_and_family = 0;
  auto Tie() const { return std::tie(family, height, bold, italic, pitch_and_family); }
  bool operator<(const Request& o) const { return Tie() < o.Tie(); }
};

Request MakeRequest(const Font& font) {
  Request r;
  switch (font.stock_id) {
    case ANSI_FIXED_FONT:
    case OEM_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
      // A 12-pixel cell of the fixed-pitch face.
      r.family = "liberation mono";
      r.height = 12;
      return r;
    case DEFAULT_GUI_FONT:
    case ANSI_VAR_FONT:
      r.family = "liberation sans";
      r.height = -11;
      return r;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      r.family = "liberation sans";
      r.height = 16;
      r.bold = true;
      return r;
    default:
      break;
  }
  r.family = Lower(font.face);
  r.height = font.height;
  // Win32 switches to the bold face from 600 (semibold) up.
  r.bold = font.weight >= FW_SEMIBOLD;
  r.italic = font.italic;
  r.pitch_and_family = font.pitch_and_family & 0xF3;
  return r;
}

// fontconfig's best file for a family (or the font table's, without fontconfig);
// `exact` tells whether the family itself is installed (there is always an answer).
std::string MatchFile(const std::string& family, bool bold, bool italic, bool* exact) {
  // New sizes of a face are common (every point size is a request of its own), so the
  // answers are kept.
  static std::map<std::tuple<std::string, bool, bool>, std::pair<std::string, bool>> answers;
  auto key = std::make_tuple(family, bold, italic);
  if (auto it = answers.find(key); it != answers.end()) {
    *exact = it->second.second;
    return it->second.first;
  }
#ifdef KX_FONT_TABLE
  g_stats.font_lookups++;
  std::string path = FontTableFile(family, bold, italic, exact);
#else
  static bool ready = FcInit() == FcTrue;
  *exact = false;
  if (!ready) return "";
  g_stats.font_lookups++;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)family.c_str());
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string path;
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) path = (const char*)file;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; i++)
      if (Lower((const char*)name) == family) *exact = true;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
#endif
  answers[key] = {path, *exact};
  return path;
}

FaceFile* OpenFile(const std::string& path) {
  auto& files = Files();
  auto it = files.find(path);
  if (it != files.end()) return it->second.get();
  auto file = std::make_unique<FaceFile>();
  file->path = path;
  FT_Library lib = Library();
  g_stats.face_opens++;
  if (!lib || path.empty() || FT_New_Face(lib, path.c_str(), 0, &file->face) != 0) {
    file->face = nullptr;
  } else {
    FT_Face f = file->face;
    file->units_per_em = f->units_per_EM ? f->units_per_EM : 2048;
    auto* os2 = (TT_OS2*)FT_Get_Sfnt_Table(f, FT_SFNT_OS2);
    auto* hhea = (TT_HoriHeader*)FT_Get_Sfnt_Table(f, FT_SFNT_HHEA);
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      file->win_ascent = os2->usWinAscent;
      file->win_descent = os2->usWinDescent;
    } else {
      file->win_ascent = f->ascender;
      file->win_descent = -f->descender;
    }
    file->line_gap = hhea ? hhea->Line_Gap : 0;
    file->avg_width = os2 && os2->version != 0xFFFF ? os2->xAvgCharWidth : f->max_advance_width / 2;
    file->max_width = int(f->bbox.xMax - f->bbox.xMin);
    file->weight = os2 && os2->version != 0xFFFF           ? os2->usWeightClass
                   : (f->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD
                                                           : FW_NORMAL;
    bool fixed = FT_IS_FIXED_WIDTH(f);
    BYTE family = FF_SWISS;
    if (fixed) {
      family = FF_MODERN;
    } else if (os2 && os2->version != 0xFFFF && os2->panose[0] == 2) {
      // Latin text: serif styles 11..13 are the sans-serif ones.
      int serif = os2->panose[1];
      family = (serif >= 11 && serif <= 13) ? FF_SWISS : serif >= 2 ? FF_ROMAN : FF_SWISS;
    }
    file->pitch_and_family = BYTE(family | kTrueType | kVector | (fixed ? 0 : kVariablePitch));
  }
  FaceFile* raw = file.get();
  files.emplace(path, std::move(file));
  return raw;
}

// Pixels per em for a CreateFontA height. A positive height is the cell height
// (ascent + descent); Win32 rounds the resulting em size to whole pixels, a little
// towards the smaller size (a cell of 14 at a ratio of 12.53 gets 12).
int PixelsPerEm(const FaceFile& file, int height) {
  int64_t h = height;
  if (h == 0) h = 16;
  int64_t ppem;
  if (h < 0) {
    ppem = -h;
  } else {
    int64_t cell = std::max(1, file.win_ascent + file.win_descent);
    // floor(h * em / cell + 0.44), in integers.
    ppem = (h * file.units_per_em * 100 + cell * 44) / (cell * 100);
  }
  return int(std::clamp<int64_t>(ppem, 1, kMaxPpem));
}

// Font units at a pixel size, rounded to whole pixels in one step (FreeType's fixed
// point rounds twice and is one pixel off at some sizes, e.g. the ascent at 37 pixels).
LONG Scale(int64_t units, int ppem, int units_per_em) {
  int64_t scaled = units * ppem;
  int64_t sign = scaled < 0 ? -1 : 1;
  return LONG(sign * ((sign * scaled * 2 + units_per_em) / (2 * int64_t(units_per_em))));
}

SizedFont* SizeOf(FaceFile* file, int ppem) {
  auto it = file->sizes.find(ppem);
  if (it != file->sizes.end()) return it->second;
  auto sized = std::make_unique<SizedFont>();
  sized->file = file;
  sized->ppem = ppem;
  TEXTMETRICA& tm = sized->tm;
  if (file->face && FT_New_Size(file->face, &sized->size) == 0) {
    g_stats.size_creations++;
    FT_Activate_Size(sized->size);
    FT_Set_Pixel_Sizes(file->face, 0, FT_UInt(ppem));
  } else {
    sized->size = nullptr;
  }
  int em = file->units_per_em;
  tm.tmAscent = Scale(file->win_ascent, ppem, em);
  tm.tmDescent = Scale(file->win_descent, ppem, em);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading =
      std::max<LONG>(0, Scale(file->win_ascent + file->win_descent - em, ppem, em));
  tm.tmExternalLeading = std::max<LONG>(0, Scale(file->line_gap, ppem, em));
  tm.tmAveCharWidth = std::max<LONG>(1, Scale(file->avg_width, ppem, em));
  tm.tmMaxCharWidth = std::max<LONG>(1, Scale(file->max_width, ppem, em));
  tm.tmWeight = file->weight;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = kFirstChar;
  tm.tmLastChar = kLastChar;
  tm.tmDefaultChar = kDefaultChar;
  tm.tmBreakChar = kBreakChar;
  tm.tmPitchAndFamily = file->pitch_and_family;
  tm.tmCharSet = ANSI_CHARSET;
  SizedFont* raw = sized.get();
  SizedFonts().push_back(std::move(sized));
  file->sizes.emplace(ppem, raw);
  return raw;
}

std::map<Request, SizedFont*>& Requests() {
  static std::map<Request, SizedFont*> requests;
  return requests;
}

SizedFont* Resolve(const Request& r) {
  auto& requests = Requests();
  auto it = requests.find(r);
  if (it != requests.end()) return it->second;
  std::string family = r.family;
  bool exact = false;
  std::string path;
  if (!family.empty()) path = MatchFile(family, r.bold, r.italic, &exact);
  if (!exact) {
    // Not installed (the runtime's "KX507-font" never is): the metric-compatible
    // stand-ins for Win32's core faces, chosen by the requested pitch and family.
    if ((r.pitch_and_family & 3) == FIXED_PITCH || (r.pitch_and_family & 0xF0) == FF_MODERN)
      family = "liberation mono";
    else if ((r.pitch_and_family & 0xF0) == FF_ROMAN)
      family = "liberation serif";
    else
      family = "liberation sans";
    path = MatchFile(family, r.bold, r.italic, &exact);
  }
  FaceFile* file = OpenFile(path);
  SizedFont* sized = SizeOf(file, PixelsPerEm(*file, r.height));
  requests.emplace(r, sized);
  return sized;
}

SizedFont* Resolve(const Font& font) {
  if (font.resolved) return const_cast<SizedFont*>(static_cast<const SizedFont*>(font.resolved));
  return Resolve(MakeRequest(font));
}

SizedFont* Resolve(Font* font) {
  SizedFont* sized = Resolve(*font);
  font->resolved = sized;
  return sized;
}

// The font a DC draws with; a DC without a usable font draws with the system font.
SizedFont* DCFont(DC* dc) {
  if (Font* font = LookupFont(dc->font)) return Resolve(font);
  static SizedFont* fallback = [] {
    Font system;
    system.stock_id = SYSTEM_FONT;
    return Resolve(system);
  }();
  return fallback;
}

// Loads and renders a glyph the first time it is asked for.
__attribute__((noinline)) const Glyph& RenderGlyph(SizedFont* sized, unsigned char byte) {
  Glyph& g = sized->glyphs[byte];
  g.ready = true;
  FT_Face face = sized->file->face;
  if (!face || !sized->size) return g;
  g_stats.glyph_renders++;
  FT_Activate_Size(sized->size);
  // Control characters have no glyph of their own in the ANSI code page: Win32 draws
  // the font's default glyph for them, with its advance.
  FT_UInt index = byte < 0x20 ? 0 : FT_Get_Char_Index(face, Cp1252ToUnicode(byte));
  // Anti-aliased unless the font's gasp table says that this size is designed to be
  // drawn without (Liberation Sans from 9 to 17 pixels): Win32 follows the font there.
  FT_Int gasp = FT_Get_Gasp(face, FT_UInt(sized->ppem));
  bool gray = gasp == FT_GASP_NO_TABLE || (gasp & FT_GASP_DO_GRAY) != 0;
  // Advances are those of the smooth outline, whatever the rendering (monochrome hinting
  // moves some by a pixel, Win32's do not move).
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  g.advance = int((slot->advance.x + 32) >> 6);
  if (!gray && FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return g;
  if (FT_Render_Glyph(slot, gray ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
  if ((!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) || bm.width == 0 || bm.rows == 0) return g;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int(bm.width);
  g.rows = int(bm.rows);
  g.coverage.resize(size_t(g.width) * size_t(g.rows));
  int levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
  for (int y = 0; y < g.rows; y++) {
    const unsigned char* row = bm.buffer + ptrdiff_t(y) * bm.pitch;
    uint8_t* out = &g.coverage[size_t(y) * size_t(g.width)];
    for (int x = 0; x < g.width; x++)
      out[x] =
          mono ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : uint8_t(row[x] * 255 / levels);
  }
  g.solid = std::all_of(g.coverage.begin(), g.coverage.end(),
                        [](uint8_t c) { return c == 0 || c == 255; });
  if (g.solid && g.width <= 64) {
    g.on_bits.assign(size_t(g.rows), 0);
    for (int y = 0; y < g.rows; y++)
      for (int x = 0; x < g.width; x++)
        if (g.coverage[size_t(y) * size_t(g.width) + size_t(x)])
          g.on_bits[size_t(y)] |= uint64_t(1) << x;
  }
  return g;
}

// Glyphs are looked up for every byte of every string: the lookup of one already
// rendered stays in the caller.
inline const Glyph& GlyphOf(SizedFont* sized, unsigned char byte) {
  const Glyph& g = sized->glyphs[byte];
  return g.ready ? g : RenderGlyph(sized, byte);
}

void FillMetrics(const SizedFont* sized, const Font* font, TEXTMETRICA* tm) {
  *tm = sized->tm;
  if (font && font->stock_id < 0) {
    tm->tmItalic = font->italic ? 1 : 0;
    tm->tmUnderlined = font->underline ? 1 : 0;
    tm->tmStruckOut = font->strikeout ? 1 : 0;
  }
}

// Sum of the advances of a string, saturating instead of overflowing.
int64_t Extent(SizedFont* sized, const unsigned char* s, int64_t n) {
  int64_t w = 0;
  for (int64_t i = 0; i < n && w < INT64_MAX / 2; i++) w += GlyphOf(sized, s[i]).advance;
  return w;
}

inline uint8_t Mix(uint32_t src, uint32_t dst, uint32_t a) {
  return uint8_t((src * a + dst * (255 - a) + 127) / 255);
}

void Blend(uint32_t& pixel, uint32_t colour, uint32_t a) {
  if (a == 0) return;
  if (a == 255) {
    pixel = colour;
    return;
  }
  uint32_t r = Mix((colour >> 16) & 0xFF, (pixel >> 16) & 0xFF, a);
  uint32_t g = Mix((colour >> 8) & 0xFF, (pixel >> 8) & 0xFF, a);
  uint32_t b = Mix(colour & 0xFF, pixel & 0xFF, a);
  pixel = (r << 16) | (g << 8) | b;
}

// Draws one glyph with its pen position (x, baseline), clipped to the surface and to the
// rows of the text cell: Win32 cuts off what reaches above the ascent or below the
// descent (accents on capitals, low underscores at some sizes).
// With draw false, only tells whether it would draw anything.
bool DrawGlyph(Surface& s, const Glyph& g, int64_t x, int64_t baseline, int64_t cell_top,
               int64_t cell_bottom, uint32_t colour, bool draw = true) {
  if (g.coverage.empty()) return false;
  int64_t left = x + g.left, top = baseline - g.top;
  int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>({top, cell_top, 0});
  int64_t x1 = std::min<int64_t>(left + g.width, s.width);
  int64_t y1 = std::min<int64_t>({top + g.rows, cell_bottom, int64_t(s.height)});
  if (x0 >= x1 || y0 >= y1) return false;
  if (!draw) return true;
  if (!g.on_bits.empty()) {
    // The columns [x0, x1) of the glyph's own: clipping cuts bits off either side.
    const int64_t c0 = x0 - left, c1 = x1 - left;
    const uint64_t keep =
        (c1 >= 64 ? ~uint64_t(0) : (uint64_t(1) << c1) - 1) & ~((uint64_t(1) << c0) - 1);
    for (int64_t y = y0; y < y1; y++) {
      uint64_t bits = g.on_bits[size_t(y - top)] & keep;
      if (!bits) continue;
      uint32_t* row = &s.pixels[size_t(y) * size_t(s.width)];
      for (; bits; bits &= bits - 1) row[size_t(left + __builtin_ctzll(bits))] = colour;
    }
    return true;
  }
  for (int64_t y = y0; y < y1; y++) {
    const uint8_t* cov = &g.coverage[size_t(y - top) * size_t(g.width)];
    uint32_t* row = &s.pixels[size_t(y) * size_t(s.width)];
    if (g.solid) {
      // Without a branch per pixel: the mostly fixed fonts of logs and labels.
      for (int64_t px = x0; px < x1; px++) row[px] = cov[px - left] ? colour : row[px];
      continue;
    }
    for (int64_t px = x0; px < x1; px++) Blend(row[px], colour, cov[px - left]);
  }
  return true;
}

// Where a string's pixels reach: the columns, and whether any glyph was smoothed.
struct TextReach {
  int64_t l = 0, r = 0;
  bool blends = false;
};

// Draws a string with its cell at (left, top): the background when opaque, then the
// glyphs. With draw false, only works out whether it would draw anything (the result)
// and where (reach), as it would draw it.
bool DrawString(Surface& s, SizedFont* sized, int64_t left, int64_t top, int64_t width,
                const unsigned char* text, int c, uint32_t text_px, uint32_t bk_px, int bk_mode,
                bool draw, TextReach* reach) {
  const TEXTMETRICA& tm = sized->tm;
  bool changed = false;
  reach->l = left, reach->r = left + width, reach->blends = false;
  if (bk_mode == OPAQUE) {
    int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    int64_t x1 = std::min<int64_t>(left + width, s.width);
    int64_t y1 = std::min<int64_t>(top + tm.tmHeight, s.height);
    if (x0 < x1 && y0 < y1) {
      if (draw) {
        for (int64_t row = y0; row < y1; row++)
          FillPixels(&s.pixels[size_t(row) * size_t(s.width) + size_t(x0)], size_t(x1 - x0), bk_px);
      }
      changed = true;
    }
  }
  int64_t baseline = top + tm.tmAscent;
  // Glyph boxes reach at most about an em above and below the cell.
  int64_t reach_v = int64_t(sized->ppem) * 2 + tm.tmHeight;
  if (baseline + reach_v >= 0 && baseline - reach_v < s.height) {
    int64_t pen = left;
    for (int i = 0; i < c; i++) {
      if (pen - reach_v >= s.width) break;  // the rest lies right of the surface
      const Glyph& g = GlyphOf(sized, text[i]);
      if (pen + g.advance + reach_v >= 0 &&
          DrawGlyph(s, g, pen, baseline, top, top + tm.tmHeight, text_px, draw)) {
        changed = true;
        reach->l = std::min<int64_t>(reach->l, pen + g.left);
        reach->r = std::max<int64_t>(reach->r, pen + g.left + g.width);
        reach->blends |= !g.solid;
      }
      pen += g.advance;
    }
  }
  return changed;
}

}  // namespace

void ReplayText(Surface& s, const DrawCall& call) {
  auto* sized = static_cast<SizedFont*>(const_cast<void*>(call.font));
  const auto* text = reinterpret_cast<const unsigned char*>(call.text.data());
  const int c = int(call.text.size());
  TextReach reach;
  DrawString(s, sized, call.x0, call.y0, Extent(sized, text, c), text, c, call.text_px, call.bk_px,
             call.bk_mode, true, &reach);
}

// ---- Internal interface ----------------------------------------------------------------

void FontMetrics(const Font& font, TEXTMETRICA* tm) { FillMetrics(Resolve(font), &font, tm); }

int FontAdvance(const Font& font, unsigned char byte) {
  return GlyphOf(Resolve(font), byte).advance;
}

std::string FontFilePath(const Font& font) {
  SizedFont* sized = Resolve(font);
  return sized->file->face ? sized->file->path : std::string();
}

TextCacheStats GetTextCacheStats() { return g_stats; }

#ifndef KX_FONT_DIR
#define KX_FONT_DIR "/usr/share/fonts/truetype/liberation2"
#endif

std::string FontTableFile(const std::string& family, bool bold, bool italic, bool* exact) {
  static const struct {
    const char* family;
    const char* file;
  } kFamilies[] = {
      {"liberation sans", "LiberationSans"},
      {"liberation serif", "LiberationSerif"},
      {"liberation mono", "LiberationMono"},
  };
  static const char* const kStyles[] = {"Regular", "Bold", "Italic", "BoldItalic"};
  const char* style = kStyles[(bold ? 1 : 0) + (italic ? 2 : 0)];
  const std::string wanted = Lower(family);
  for (const auto& f : kFamilies) {
    if (wanted != f.family) continue;
    *exact = true;
    return std::string(KX_FONT_DIR) + "/" + f.file + "-" + style + ".ttf";
  }
  // Like fontconfig, a family not in the table still gets a file, but not an exact one.
  *exact = false;
  return std::string(KX_FONT_DIR) + "/LiberationSans-" + style + ".ttf";
}

}  // namespace platform::gdi

using namespace platform;
using namespace platform::gdi;

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
  DC* dc = LookupDC(hdc);
  if (!dc || !lptm) return FALSE;
  FillMetrics(DCFont(dc), LookupFont(dc->font), lptm);
  return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
  DC* dc = LookupDC(hdc);
  if (!dc || !psizl || c < 0 || (c > 0 && !lpString)) return FALSE;
  if (c == 0) {
    // Win32 reports an empty string as 0 by 0, not one line high.
    psizl->cx = psizl->cy = 0;
    return TRUE;
  }
  SizedFont* sized = DCFont(dc);
  int64_t w = Extent(sized, reinterpret_cast<const unsigned char*>(lpString), c);
  psizl->cx = LONG(std::min<int64_t>(w, INT_MAX));
  psizl->cy = sized->tm.tmHeight;
  return TRUE;
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz) {
  return GetTextExtentPoint32A(hdc, lpString, c, lpsz);
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
  DC* dc = LookupDC(hdc);
  if (!dc || c < 0 || (c > 0 && !lpString)) return FALSE;
  if (c == 0) return TRUE;
  SizedFont* sized = DCFont(dc);
  const auto* text = reinterpret_cast<const unsigned char*>(lpString);
  const TEXTMETRICA& tm = sized->tm;
  int64_t width = Extent(sized, text, c);

  bool update_cp = (dc->text_align & TA_UPDATECP) != 0;
  int64_t ref_x = update_cp ? dc->pos.x : x;
  int64_t ref_y = update_cp ? dc->pos.y : y;
  int64_t left = ref_x;
  switch (dc->text_align & (TA_CENTER | TA_RIGHT)) {
    case TA_RIGHT:
      left = ref_x - width;
      break;
    case TA_CENTER:
      left = ref_x - width / 2;
      break;
    default:
      break;
  }
  int64_t top = ref_y;
  switch (dc->text_align & TA_BASELINE) {
    case TA_BASELINE:
      top = ref_y - tm.tmAscent;
      break;
    case TA_BOTTOM:
      top = ref_y - tm.tmHeight;
      break;
    default:
      break;
  }
  if (update_cp) {
    // The current position moves past the text in the direction it was aligned from.
    int64_t next = ref_x;
    if ((dc->text_align & (TA_CENTER | TA_RIGHT)) == TA_LEFT) next = ref_x + width;
    if ((dc->text_align & (TA_CENTER | TA_RIGHT)) == TA_RIGHT) next = ref_x - width;
    dc->pos.x = LONG(std::clamp<int64_t>(next, INT_MIN, INT_MAX));
  }

  if (!dc->surface) return TRUE;
  Surface& s = *dc->surface;
  const uint64_t before = s.version;
  // A string too long to keep: what was put off is drawn, and this with it.
  const bool kept = size_t(c) <= kMostLoggedText;
  if (!kept) {
    if (dc->memory)
      ForgetDrawLog(*dc);
    else if (s.pixels.Owing())
      s.pixels.PayOwed();
  }
  const bool now = !kept || DrawNow(*dc);
  const uint32_t text_px = ColorToPixel(dc->text_color), bk_px = ColorToPixel(dc->bk_color);
  TextReach reach;
  if (DrawString(s, sized, left, top, width, text, c, text_px, bk_px, dc->bk_mode, now, &reach))
    s.version++;
  else
    return TRUE;
  if (kept && (dc->memory || !now)) {
    DrawCall call;
    call.kind = DrawCall::kText;
    call.x0 = left, call.y0 = top;
    call.text.assign(lpString, size_t(c));
    call.font = sized;
    call.text_px = text_px;
    call.bk_px = bk_px;
    call.bk_mode = dc->bk_mode;
    // Glyphs are cut to the rows of the cell.
    call.l = reach.l, call.t = top, call.r = reach.r, call.b = top + tm.tmHeight;
    call.blends = reach.blends;
    if (dc->bk_mode == OPAQUE && !reach.blends)
      call.cl = left, call.ct = top, call.cr = left + width, call.cb = top + tm.tmHeight;
    ClipToSurface(call, s);
    LogDrawCall(*dc, before, std::move(call), now);
  }
  return TRUE;
}
