// Menus as data: creation, items, check marks and states, and the window's menu
// bar. Drawing and navigating them is menu_ui.cpp's.
#include <algorithm>
#include <cstring>

#include "user_state.h"

namespace platform {

using namespace platform::user;

namespace {

constexpr DWORD kErrorInvalidMenuHandle = 1401;
constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr UINT kNotFound = UINT(-1);
// Flags that say how a call finds or changes an item, not what the item is.
constexpr UINT kCallFlags = MF_BYPOSITION | MF_CHANGE;

struct Found {
  Menu* menu = nullptr;
  size_t index = 0;
  MenuItem* item() const { return menu ? &menu->items[index] : nullptr; }
};

// By position, or by command id searching submenus depth first, as Windows does:
// a popup item matches by its id only when nothing inside it does.
Found FindByCommand(Menu* m, UINT id, int depth) {
  Found fallback;
  if (depth > 32) return fallback;  // a menu that contains itself
  for (size_t i = 0; i < m->items.size(); ++i) {
    MenuItem& it = m->items[i];
    if (it.flags & MF_POPUP) {
      if (Menu* sub = LookupMenu(it.popup)) {
        Found f = FindByCommand(sub, id, depth + 1);
        if (f.menu) return f;
      }
      if (!fallback.menu && UINT(it.id) == id) fallback = {m, i};
    } else if (UINT(it.id) == id) {
      return {m, i};
    }
  }
  return fallback;
}

Found Find(HMENU h, UINT id, UINT flags) {
  Menu* m = LookupMenu(h);
  if (!m) return {};
  if (flags & MF_BYPOSITION) {
    if (id >= m->items.size()) return {};
    return {m, id};
  }
  return FindByCommand(m, id, 0);
}

HMENU NewMenu(bool popup) {
  auto& s = S();
  auto m = std::make_unique<Menu>();
  HMENU h = reinterpret_cast<HMENU>(TakeHandle(s.next_menu, kMenuTag + 0x20, kMenuEnd, s.menus));
  if (!h) return nullptr;
  m->handle = h;
  m->popup = popup;
  s.menus.emplace(reinterpret_cast<uintptr_t>(h), std::move(m));
  return h;
}

void Changed() { ++S().menu_generation; }

void Destroy(HMENU h, int depth) {
  auto& s = S();
  auto it = s.menus.find(reinterpret_cast<uintptr_t>(h));
  if (it == s.menus.end() || depth > 32) return;
  std::unique_ptr<Menu> m = std::move(it->second);
  s.menus.erase(it);
  if (Window* w = LookupWindow(m->window)) {
    if (w->menu == h) {
      w->menu = nullptr;
      if (!w->destroying) MenuBarChanged(*w);
    }
  }
  for (MenuItem& item : m->items)
    if (item.flags & MF_POPUP) Destroy(item.popup, depth + 1);
}

}  // namespace

Menu* LookupMenu(HMENU menu) {
  auto& s = S();
  auto it = s.menus.find(reinterpret_cast<uintptr_t>(menu));
  return it == s.menus.end() ? nullptr : it->second.get();
}

uint64_t MenuGeneration() { return S().menu_generation; }

}  // namespace platform

using namespace platform;
using namespace platform::user;

extern "C" {

HMENU WINAPI CreateMenu(void) { return NewMenu(false); }

HMENU WINAPI CreatePopupMenu(void) { return NewMenu(true); }

BOOL WINAPI DestroyMenu(HMENU hMenu) {
  if (!LookupMenu(hMenu)) {
    SetLastError(kErrorInvalidMenuHandle);
    return FALSE;
  }
  Destroy(hMenu, 0);
  Changed();
  return TRUE;
}

BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  Menu* m = LookupMenu(hMenu);
  if (!m) {
    SetLastError(kErrorInvalidMenuHandle);
    return FALSE;
  }
  MenuItem item;
  item.flags = uFlags & ~kCallFlags;
  item.id = uIDNewItem;
  if (uFlags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(uIDNewItem);
    if (!LookupMenu(sub) || sub == hMenu) {
      SetLastError(kErrorInvalidMenuHandle);
      return FALSE;
    }
    item.popup = sub;
  }
  if (!(uFlags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) && lpNewItem) item.text = lpNewItem;
  m->items.push_back(std::move(item));
  Changed();
  return TRUE;
}

BOOL WINAPI SetMenu(HWND hWnd, HMENU hMenu) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  if (hMenu && !LookupMenu(hMenu)) {
    SetLastError(kErrorInvalidMenuHandle);
    return FALSE;
  }
  if (Menu* old = LookupMenu(w->menu)) old->window = nullptr;
  w->menu = hMenu;
  if (Menu* m = LookupMenu(hMenu)) m->window = hWnd;
  Changed();
  MenuBarChanged(*w);
  return TRUE;
}

HMENU WINAPI GetMenu(HWND hWnd) {
  Window* w = LookupWindow(hWnd);
  return w ? w->menu : nullptr;
}

BOOL WINAPI DrawMenuBar(HWND hWnd) {
  Window* w = LookupWindow(hWnd);
  if (!w) {
    SetLastError(kErrorInvalidWindowHandle);
    return FALSE;
  }
  w->present_forced = true;
  return TRUE;
}

DWORD WINAPI CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
  MenuItem* item = Find(hMenu, uIDCheckItem, uCheck).item();
  if (!item) return DWORD(-1);
  DWORD previous = item->flags & MF_CHECKED;
  if (uCheck & MF_CHECKED)
    item->flags |= MF_CHECKED;
  else
    item->flags &= ~UINT(MF_CHECKED);
  Changed();
  return previous;
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  MenuItem* item = Find(hMenu, uId, uFlags).item();
  if (!item) return kNotFound;
  if (item->flags & MF_POPUP) {
    Menu* sub = LookupMenu(item->popup);
    UINT count = sub ? UINT(sub->items.size()) : 0;
    return (count << 8) | (item->flags & 0xFF);
  }
  return item->flags;
}

int WINAPI GetMenuItemCount(HMENU hMenu) {
  Menu* m = LookupMenu(hMenu);
  if (!m) {
    SetLastError(kErrorInvalidMenuHandle);
    return -1;
  }
  return int(m->items.size());
}

UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
  Menu* m = LookupMenu(hMenu);
  if (!m || nPos < 0 || size_t(nPos) >= m->items.size()) return kNotFound;
  const MenuItem& item = m->items[size_t(nPos)];
  if (item.flags & MF_POPUP) return kNotFound;
  return UINT(item.id);
}

HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos) {
  Menu* m = LookupMenu(hMenu);
  if (!m || nPos < 0 || size_t(nPos) >= m->items.size()) return nullptr;
  const MenuItem& item = m->items[size_t(nPos)];
  return (item.flags & MF_POPUP) && LookupMenu(item.popup) ? item.popup : nullptr;
}

int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
  MenuItem* item = Find(hMenu, uIDItem, flags).item();
  if (!item) return 0;
  int length = int(item->text.size());
  if (!lpString || cchMax <= 0) return length;
  int n = std::min(length, cchMax - 1);
  std::memcpy(lpString, item->text.data(), size_t(n));
  lpString[n] = '\0';
  return n;
}

}  // extern "C"
