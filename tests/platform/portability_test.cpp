// What must not depend on the target: where static data sits (WebAssembly places it
// from address 1024), how wide a pointer is, and whether fontconfig is there.
#include <cstdio>
#include <cstring>
#include <string>

#include "gdi/gdi.h"
#include "user_fixture.h"

using namespace usertest;

namespace {

LPCSTR AtomName(ATOM atom) { return reinterpret_cast<LPCSTR>(uintptr_t(atom)); }

// Static data: below 0x10000 on wasm32, far above it on a desktop.
const char kStaticClassName[] = "StaticDataClass";

TEST_F(UserTest, ClassNamesAreReadWhereverTheyLieAndAtomsAreOnlyThoseHandedOut) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = kStaticClassName;
  ATOM atom = RegisterClassA(&wc);
  ASSERT_NE(atom, 0) << "static name at " << static_cast<const void*>(kStaticClassName);
  EXPECT_GE(atom, 0xC000);

  // The same pointer, the atom, and another copy of the name in another case all
  // find the class.
  HWND by_pointer = MakeWindow(kStaticClassName);
  EXPECT_NE(by_pointer, nullptr);
  HWND by_atom = MakeWindow(AtomName(atom));
  EXPECT_NE(by_atom, nullptr);
  std::string copy = "staticdataCLASS";
  HWND by_copy = MakeWindow(copy.c_str());
  EXPECT_NE(by_copy, nullptr);

  // Registering it again, by name or by its atom, is refused as a duplicate.
  SetLastError(0);
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(GetLastError(), 1410u);  // ERROR_CLASS_ALREADY_EXISTS
  wc.lpszClassName = AtomName(atom);
  SetLastError(0);
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(GetLastError(), 1410u);

  wc.lpszClassName = nullptr;
  EXPECT_EQ(RegisterClassA(&wc), 0);
}

TEST(GdiHandles, WorkWithAnyPointerWidth) {
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
  ASSERT_NE(pen, nullptr);
  // A handle names its object on every target, 32-bit pointers included.
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HGDIOBJ old = SelectObject(dc, pen);
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(SelectObject(dc, old), pen);
  if (sizeof(uintptr_t) > 4) {
    // Where pointers are wider, bits above the handle's 32 make it someone else's.
    uint64_t wide = uint64_t(reinterpret_cast<uintptr_t>(pen)) | (uint64_t(1) << 32);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(uintptr_t(wide))), 0u);
  }
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_TRUE(DeleteDC(dc));
}

// The table that stands in for fontconfig names the very files fontconfig picks here,
// so text on the web matches text on the desktop.
TEST(FontTable, NamesTheFilesTheMapperUses) {
  using platform::gdi::Font;
  for (const char* family : {"Liberation Sans", "Liberation Serif", "Liberation Mono"}) {
    for (int style = 0; style < 4; style++) {
      bool bold = style & 1, italic = style & 2;
      bool exact = false;
      std::string file = platform::gdi::FontTableFile(family, bold, italic, &exact);
      EXPECT_TRUE(exact) << family;
      Font f;
      f.face = family;
      f.height = -12;
      f.weight = bold ? FW_BOLD : FW_NORMAL;
      f.italic = italic;
      EXPECT_EQ(platform::gdi::FontFilePath(f), file) << family << " style " << style;
      std::FILE* fp = std::fopen(file.c_str(), "rb");
      EXPECT_NE(fp, nullptr) << file;
      if (fp) std::fclose(fp);
    }
  }
  bool exact = true;
  std::string unknown = platform::gdi::FontTableFile("KX507-font", true, false, &exact);
  EXPECT_FALSE(exact);
  EXPECT_NE(unknown.find("/LiberationSans-Bold.ttf"), std::string::npos) << unknown;
}

}  // namespace
