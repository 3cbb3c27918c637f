// Every test starts in an empty temporary folder of its own, so what it writes (KX507.SCR
// above all) lands neither in the build folder nor in another test's way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A path as the system resolves it; as written when it cannot (a cross build's Linux
// build folder, seen from Windows).
std::string Resolved(const fs::path& path) {
  std::error_code error;
  fs::path resolved = fs::weakly_canonical(path, error);
  return (error ? path.lexically_normal() : resolved).string();
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
  std::string a = Resolved(inner);
  std::string b = Resolved(outer);
  return a.compare(0, b.size(), b) == 0;
}

void ExpectAFreshTemporaryFolder() {
  fs::path here = fs::current_path();
  EXPECT_TRUE(IsInside(here, fs::temp_directory_path())) << here;
  EXPECT_FALSE(IsInside(here, KX_TEST_OUTPUT_DIR)) << here;
  EXPECT_TRUE(fs::is_empty(here)) << here;
}

// Two tests that each leave a file behind: run in one process, the second still finds its
// folder empty.
TEST(TestFolder, FirstTestStartsEmptyAndLeavesAFile) {
  ExpectAFreshTemporaryFolder();
  std::ofstream("KX507.SCR") << "KX507_KBD(65);\n";
}

TEST(TestFolder, SecondTestStartsEmptyAndLeavesAFile) {
  ExpectAFreshTemporaryFolder();
  std::ofstream("KX507.SCR") << "KX507_KBD(66);\n";
}

}  // namespace
