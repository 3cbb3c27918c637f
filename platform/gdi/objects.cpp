// The GDI handle table: pens, brushes, fonts, bitmaps and DCs, with stock objects
// and deletion deferred while an object is still selected into a DC.
#include <deque>
#include <variant>

#include "gdi.h"

namespace platform::gdi {
namespace {

// Handles are 0x6GGGIIII: a tag no other kind of handle uses, a 12-bit generation
// so a freed slot's old handle stays invalid after reuse, and the slot index.
constexpr uintptr_t kTag = 0x60000000;
constexpr uintptr_t kTagMask = 0xF0000000;
constexpr uint32_t kMaxSlots = 0x10000;

struct Slot {
  std::variant<std::monostate, Pen, Brush, Font, Bitmap, DC> obj;
  uint16_t generation = 0;
  bool stock = false;
  bool counted = false;  // shows in LiveGdiObjectCount
  bool delete_pending = false;
  int selected = 0;  // DCs holding it
};

struct Table {
  std::deque<Slot> slots;  // a deque keeps pointers stable while it grows
  std::vector<Slot*> at;   // slot by index: a plain load, where a deque must divide
  std::vector<uint32_t> free_slots;
  DWORD live = 0;
  HGDIOBJ stock[kStockCount] = {};
  bool stock_made = false;
};

// Made on first use by a call of its own, so that every lookup inlines to a load and a
// test rather than a call (the GDI looks up several handles per drawing call).
Table* table = nullptr;
[[gnu::noinline]] Table& MakeTable() {
  static Table t;
  table = &t;
  return t;
}
inline Table& T() { return table ? *table : MakeTable(); }

HGDIOBJ HandleOf(uint32_t index, uint16_t generation) {
  return reinterpret_cast<HGDIOBJ>(kTag | (uintptr_t(generation & 0xFFF) << 16) | index);
}

Slot* SlotOf(HGDIOBJ h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  // Widened first: shifting a 32-bit uintptr_t by 32 is undefined.
  if ((v & kTagMask) != kTag || (uint64_t(v) >> 32) != 0) return nullptr;
  uint32_t index = uint32_t(v & 0xFFFF);
  uint16_t generation = uint16_t((v >> 16) & 0xFFF);
  Table& t = T();
  if (index >= t.at.size()) return nullptr;
  Slot& s = *t.at[index];
  if (s.obj.index() == 0 || s.generation != generation) return nullptr;
  return &s;
}

template <class Obj>
HGDIOBJ Insert(Obj&& obj, bool stock, bool counted = true) {
  Table& t = T();
  uint32_t index;
  if (!t.free_slots.empty()) {
    index = t.free_slots.back();
    t.free_slots.pop_back();
  } else {
    if (t.slots.size() >= kMaxSlots) return nullptr;
    index = uint32_t(t.slots.size());
    t.slots.emplace_back();
    t.at.push_back(&t.slots.back());
  }
  Slot& s = *t.at[index];
  s.obj = std::forward<Obj>(obj);
  s.stock = stock;
  s.counted = counted && !stock;
  s.delete_pending = false;
  s.selected = 0;
  if (s.counted) ++t.live;
  return HandleOf(index, s.generation);
}

void Free(HGDIOBJ h) {
  Slot* s = SlotOf(h);
  if (!s || s->stock) return;
  Table& t = T();
  s->obj = std::monostate{};
  s->generation = uint16_t((s->generation + 1) & 0xFFF);
  s->delete_pending = false;
  s->selected = 0;
  if (s->counted) --t.live;
  s->counted = false;
  t.free_slots.push_back(uint32_t(reinterpret_cast<uintptr_t>(h) & 0xFFFF));
}

template <class Obj>
Obj* Get(HGDIOBJ h) {
  Slot* s = SlotOf(h);
  return s ? std::get_if<Obj>(&s->obj) : nullptr;
}

Font StockFont(int id) {
  Font f;
  f.stock_id = id;
  return f;
}

void MakeStock() {
  Table& t = T();
  if (t.stock_made) return;
  t.stock_made = true;
  auto brush = [](COLORREF c) { return Brush{false, c}; };
  t.stock[WHITE_BRUSH] = Insert(brush(RGB(255, 255, 255)), true);
  t.stock[LTGRAY_BRUSH] = Insert(brush(RGB(192, 192, 192)), true);
  t.stock[GRAY_BRUSH] = Insert(brush(RGB(128, 128, 128)), true);
  t.stock[DKGRAY_BRUSH] = Insert(brush(RGB(64, 64, 64)), true);
  t.stock[BLACK_BRUSH] = Insert(brush(RGB(0, 0, 0)), true);
  t.stock[NULL_BRUSH] = Insert(Brush{true, 0}, true);
  t.stock[WHITE_PEN] = Insert(Pen{PS_SOLID, 0, RGB(255, 255, 255)}, true);
  t.stock[BLACK_PEN] = Insert(Pen{PS_SOLID, 0, RGB(0, 0, 0)}, true);
  t.stock[NULL_PEN] = Insert(Pen{PS_NULL, 0, RGB(0, 0, 0)}, true);
  for (int id : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                 SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT}) {
    t.stock[id] = Insert(StockFont(id), true);
  }
  // The 1x1 monochrome bitmap every fresh memory DC starts with.
  Bitmap mono;
  mono.surface = std::make_shared<Surface>(1, 1, 0x000000);
  mono.monochrome = true;
  t.stock[kStockBitmap] = Insert(std::move(mono), true);
}

}  // namespace

HGDIOBJ StockObject(int id) {
  if (id < 0 || id >= kStockCount) return nullptr;
  MakeStock();
  return T().stock[id];
}

Pen* LookupPen(HGDIOBJ h) { return Get<Pen>(h); }
Brush* LookupBrush(HGDIOBJ h) { return Get<Brush>(h); }
Font* LookupFont(HGDIOBJ h) { return Get<Font>(h); }
Bitmap* LookupBitmap(HGDIOBJ h) { return Get<Bitmap>(h); }
DC* LookupDC(HDC h) { return Get<DC>(reinterpret_cast<HGDIOBJ>(h)); }

bool IsStock(HGDIOBJ h) {
  Slot* s = SlotOf(h);
  return s && s->stock;
}

HDC NewDC(DC dc, bool counted) {
  MakeStock();
  // Window DCs are lent by the window system and do not show as program objects.
  return reinterpret_cast<HDC>(Insert(std::move(dc), false, counted));
}

void AddSelection(HGDIOBJ h) {
  if (Slot* s = SlotOf(h)) ++s->selected;
}

void DropSelection(HGDIOBJ h) {
  Slot* s = SlotOf(h);
  if (!s || s->stock) return;
  if (s->selected > 0) --s->selected;
  if (s->selected == 0 && s->delete_pending) Free(h);
}

int SelectionCount(HGDIOBJ h) {
  Slot* s = SlotOf(h);
  return s ? s->selected : 0;
}

void FreeDC(HDC h) {
  HGDIOBJ g = reinterpret_cast<HGDIOBJ>(h);
  Slot* s = SlotOf(g);
  if (!s || !std::holds_alternative<DC>(s->obj)) return;
  DC dc = std::move(std::get<DC>(s->obj));
  Free(g);
  DropSelection(dc.pen);
  DropSelection(dc.brush);
  DropSelection(dc.font);
  DropSelection(dc.bitmap);
}

HGDIOBJ InsertBitmap(Bitmap bitmap) { return Insert(std::move(bitmap), false); }

}  // namespace platform::gdi

namespace platform {

bool SolidBrushColor(HBRUSH brush, COLORREF* colour) {
  gdi::Brush* b = gdi::LookupBrush(brush);
  if (!b || b->null) return false;
  if (colour) *colour = b->color;
  return true;
}

DWORD LiveGdiObjectCount() { return gdi::T().live; }

}  // namespace platform

using namespace platform;
using namespace platform::gdi;

extern "C" {

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
  MakeStock();
  Pen p;
  // Styles we do not draw are drawn solid rather than refused.
  p.style = iStyle == PS_NULL ? PS_NULL : PS_SOLID;
  p.width = cWidth < 0 ? (cWidth == INT32_MIN ? INT32_MAX : -cWidth) : cWidth;
  p.color = color & 0x00FFFFFF;
  return reinterpret_cast<HPEN>(Insert(p, false));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
  MakeStock();
  return reinterpret_cast<HBRUSH>(Insert(Brush{false, color & 0x00FFFFFF}, false));
}

HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                         DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                         DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality,
                         DWORD iPitchAndFamily, LPCSTR pszFaceName) {
  (void)cEscapement;
  (void)cOrientation;
  (void)iOutPrecision;
  (void)iClipPrecision;
  (void)iQuality;
  MakeStock();
  Font f;
  f.height = cHeight;
  f.width = cWidth;
  f.weight = cWeight;
  f.italic = bItalic != 0;
  f.underline = bUnderline != 0;
  f.strikeout = bStrikeOut != 0;
  f.charset = iCharSet & 0xFF;
  f.pitch_and_family = iPitchAndFamily & 0xFF;
  if (pszFaceName) {
    // LOGFONT holds at most 31 characters of a face name.
    size_t n = 0;
    while (n < 31 && pszFaceName[n]) ++n;
    f.face.assign(pszFaceName, n);
  }
  return reinterpret_cast<HFONT>(Insert(std::move(f), false));
}

HGDIOBJ WINAPI GetStockObject(int i) {
  if (i == kStockBitmap) return nullptr;  // internal only
  return StockObject(i);
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
  Slot* s = SlotOf(h);
  if (!s) return 0;
  switch (s->obj.index()) {
    case 1:
      return OBJ_PEN;
    case 2:
      return OBJ_BRUSH;
    case 3:
      return OBJ_FONT;
    case 4:
      return OBJ_BITMAP;
    case 5:
      return std::get<DC>(s->obj).memory ? OBJ_MEMDC : OBJ_DC;
  }
  return 0;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
  Slot* s = SlotOf(ho);
  if (!s) return FALSE;
  if (s->stock) return TRUE;  // stock objects survive
  if (std::holds_alternative<DC>(s->obj)) {
    // Windows deletes a memory DC given to DeleteObject; window DCs are released, not deleted.
    if (!std::get<DC>(s->obj).memory) return FALSE;
    return DeleteDC(reinterpret_cast<HDC>(ho));
  }
  if (s->selected > 0) {
    // Still selected: it goes when the last DC lets go of it.
    s->delete_pending = true;
    return TRUE;
  }
  Free(ho);
  return TRUE;
}

}  // extern "C"
