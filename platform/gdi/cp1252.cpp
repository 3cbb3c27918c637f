// The ANSI code page of our Win32: Windows-1252. Bytes below 0x80 and from 0xA0 up are
// the Unicode code points of the same value; 0x80..0x9F are listed. The five slots the
// code page leaves undefined map to the C1 controls of the same value, as Windows does.
#include "gdi.h"

namespace platform::gdi {

namespace {
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};
}  // namespace

uint32_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(uint32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) return int(code_point);
  for (int i = 0; i < 32; i++)
    if (kHigh[i] == code_point) return 0x80 + i;
  return -1;
}

}  // namespace platform::gdi
