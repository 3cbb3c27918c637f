// A fresh, empty folder that is the working directory while it lives; the previous
// working directory comes back and the folder is removed at the end. Every test runs in
// one (test_main.cpp), so files a test writes (KX507.SCR) never land in the build folder.
#pragma once

#include <filesystem>
#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// The words on the test program's command line that GoogleTest did not take, such as
// --update-golden.
bool TestProgramHasFlag(const std::string& flag);
