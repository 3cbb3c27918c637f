// Finding where two rows differ, as the back-buffer copy and the window compose do:
// the first and last differing columns whatever the row's length and wherever the
// differences fall (inside a block of four pixels, at either end, in the last few).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "surface.h"

namespace {

TEST(DifferingColumns, FindsTheFirstAndLastDifferenceAnywhere) {
  std::mt19937 rng(7);
  for (size_t n = 0; n <= 41; ++n) {
    for (int trial = 0; trial < 200; ++trial) {
      std::vector<uint32_t> a(n), b;
      for (uint32_t& p : a) p = rng() % 3 == 0 ? 0x003399u : 0x996633u;
      b = a;
      const int changes = n == 0 ? 0 : int(rng() % 4);
      for (int k = 0; k < changes; ++k) b[rng() % n] ^= 1u << (rng() % 24);
      size_t first = n, last = 0;
      for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        first = std::min(first, i);
        last = i + 1;
      }
      size_t x0 = 99, x1 = 99;
      const bool differ = platform::DifferingColumns(a.data(), b.data(), n, &x0, &x1);
      ASSERT_EQ(differ, first < n) << "n " << n << ", trial " << trial;
      if (!differ) continue;
      EXPECT_EQ(x0, first) << "n " << n << ", trial " << trial;
      EXPECT_EQ(x1, last) << "n " << n << ", trial " << trial;
    }
  }
}

}  // namespace
