// Shared set-up for the event script tests: the runtime opened in the test's empty
// temporary folder, the animation timer stopped so that only posted messages drive the wait,
// and small helpers to post input and read the script file and the message log.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "event_script.h"
#include "kx507.h"
#include "runtime_state.h"
#include "support/log_ring.h"

struct WaitResult {
  int kind;
  int x;
  int y;
  signed char key;
};

class ScriptTest : public ::testing::Test {
 public:
  // The working directory is the test's own empty temporary folder (test_main.cpp).
  void SetUp() override {
    ASSERT_EQ(OpenRuntime(NULL, NULL, (LPSTR) "", SW_SHOWNORMAL), 1);
    // Ticks come only from the WM_TIMER messages a test posts.
    KillTimer(draw_window, AnimationTimerId);
  }

  void TearDown() override { CloseRuntime(); }

  static WaitResult Wait() {
    WaitResult r;
    r.kind = AwaitEvent(&r.x, &r.y, &r.key);
    return r;
  }

  static void Command(int id) { PostMessageA(draw_window, WM_COMMAND, (WPARAM)id, 0); }

  // A click at the point (x, y) of runtime coordinates.
  static void PostClick(int x, int y) {
    PostMessageA(draw_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(origin.x + x, origin.y - y));
  }

  static void PostChar(int code) { PostMessageA(draw_window, WM_CHAR, (WPARAM)code, 0); }

  // With the animation on, a wait commits to a tick in its first pass and returns at the
  // next timer message; the first of the two is the one the commit discards.
  static void PostTick() {
    PostMessageA(draw_window, WM_TIMER, AnimationTimerId, 0);
    PostMessageA(draw_window, WM_TIMER, AnimationTimerId, 0);
  }

  static void ExpectTick() {
    PostTick();
    WaitResult r = Wait();
    EXPECT_EQ(r.kind, EventPeriodic);
  }

  static void ExpectClick(int x, int y) {
    PostClick(x, y);
    WaitResult r = Wait();
    EXPECT_EQ(r.kind, EventMouse);
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
  }

  static void ExpectChar(int code) {
    PostChar(code);
    WaitResult r = Wait();
    EXPECT_EQ(r.kind, EventKey);
    EXPECT_EQ(r.key, (signed char)code);
  }

  // Carries out a menu command inside a wait, which a live character then ends; that
  // character is not recorded when the command stopped the recording.
  static void RunCommand(int id, int sentinel = 'z') {
    Command(id);
    PostChar(sentinel);
    WaitResult r = Wait();
    EXPECT_EQ(r.kind, EventKey);
    EXPECT_EQ(r.key, (signed char)sentinel);
  }

  static bool FileExists(const char* name) { return std::filesystem::exists(name); }

  // The file in text mode, so CR LF on Windows reads as LF.
  static std::string ReadText(const char* name) {
    std::ifstream in(name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Written in binary, so every byte is exactly what the test says.
  static void WriteBytes(const char* name, const std::string& bytes) {
    FILE* f = fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }

  static bool Checked(int id) {
    return (GetMenuState(run_menu, (UINT)id, MF_BYCOMMAND) & MF_CHECKED) != 0;
  }
};
