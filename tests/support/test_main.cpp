// The main of every test program: GoogleTest, with each test run in a temporary folder
// of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "support/temp_folder.h"

namespace {

std::vector<std::string> extra_arguments;

std::string UniqueName() {
  static std::mt19937_64 random(
      std::random_device{}() ^
      (unsigned long long)std::chrono::steady_clock::now().time_since_epoch().count());
  return "kx507-test-" + std::to_string(random());
}

class FolderPerTest : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    folder_ = std::make_unique<TempFolder>();
  }
  void OnTestEnd(const ::testing::TestInfo&) override { folder_.reset(); }

 private:
  std::unique_ptr<TempFolder> folder_;
};

}  // namespace

TempFolder::TempFolder() : previous_(std::filesystem::current_path()) {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  // create_directory says false when the name is taken: try another.
  do {
    path_ = base / UniqueName();
  } while (!std::filesystem::create_directory(path_));
  std::filesystem::current_path(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

bool TestProgramHasFlag(const std::string& flag) {
  for (const std::string& argument : extra_arguments) {
    if (argument == flag) return true;
  }
  return false;
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) extra_arguments.push_back(argv[i]);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FolderPerTest);
  return RUN_ALL_TESTS();
}
