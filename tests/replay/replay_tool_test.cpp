// bug-garden-replay run as the program it is: outputs, their stability, its statuses and
// how it ends, against the live runtime and the golden first picture.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "garden_test_support.h"
#include "png_codec.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream s(text);
  std::string line;
  while (std::getline(s, line)) lines.push_back(line);
  return lines;
}

// A fresh folder for one test.
std::string TempDir() {
  // Inside the test's own working folder, never the build folder.
  std::string base = std::filesystem::current_path().string() + "/replay-XXXXXX";
  std::vector<char> name(base.begin(), base.end());
  name.push_back('\0');
  EXPECT_NE(mkdtemp(name.data()), nullptr);
  return name.data();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool with `args` (already quoted where needed) in folder `dir`.
Result Replay(const std::string& dir, const std::string& args) {
  // Under the leak checker, its report of suppressed leaks stays out of stderr.
  std::string command =
      "export LSAN_OPTIONS=\"${LSAN_OPTIONS:+$LSAN_OPTIONS:}print_suppressions=0\"; cd '" + dir +
      "' && '" KX_REPLAY_BIN "' " + args + " >'" + dir + "/.out' 2>'" + dir + "/.err'";
  int raw = std::system(command.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadAll(dir + "/.out");
  r.err = ReadAll(dir + "/.err");
  std::remove((dir + "/.out").c_str());
  std::remove((dir + "/.err").c_str());
  return r;
}

int RowY(int row) { return -22 - 25 * row; }

// Ticks, clicks on Add Bug, Controler, Hopping and Disco Bug, and a key.
std::string Session() {
  std::ostringstream s;
  s << "KX507_PERIODIC(3);\n"
    << "KX507_MOUSE(-250, " << RowY(7) << ");\n"
    << "KX507_PERIODIC(4);\n"
    << "KX507_MOUSE(-250, " << RowY(8) << ");\n"
    << "KX507_MOUSE(-250, " << RowY(5) << ");\n"
    << "KX507_PERIODIC(2);\n"
    << "KX507_MOUSE(250, " << RowY(0) << ");\n"
    << "KX507_KBD(97);\n"
    << "KX507_PERIODIC(5);\n";
  return s.str();
}
// Passes: 3 + 1 + 4 + 2 + 2 + 1 + 1 + 5; ticks 14.
const int SessionPasses = 19;

std::map<std::string, std::string> FolderFiles(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (int i = 1;; i++) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", i);
    std::string path = dir + "/" + name;
    if (!Exists(path)) break;
    files[name] = ReadAll(path);
  }
  return files;
}

TEST(ReplayTool, SameScriptGivesTheSameBytesEveryRun) {
  std::string dir = TempDir();
  WriteFile(dir + "/session.scr", Session());
  for (const char* run : {"a", "b"}) {
    Result r = Replay(dir, "session.scr --png out-" + std::string(run) + "/png --gif out-" + run +
                               "/s.gif --narration out-" + run + "/s.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
  }
  auto a = FolderFiles(dir + "/out-a/png");
  auto b = FolderFiles(dir + "/out-b/png");
  EXPECT_EQ(a.size(), size_t(SessionPasses + 1));
  EXPECT_TRUE(a == b);
  std::string gif = ReadAll(dir + "/out-a/s.gif");
  EXPECT_EQ(gif.compare(0, 6, "GIF89a"), 0);
  EXPECT_EQ(gif, ReadAll(dir + "/out-b/s.gif"));
  std::string text = ReadAll(dir + "/out-a/s.txt");
  EXPECT_GT(Lines(text).size(), 500u);
  EXPECT_EQ(text, ReadAll(dir + "/out-b/s.txt"));
  // Nothing left over from writing, nothing written next to the script.
  EXPECT_FALSE(Exists(dir + "/out-a/s.gif.part"));
  EXPECT_FALSE(Exists(dir + "/out-a/s.txt.part"));
  EXPECT_FALSE(Exists(dir + "/out-a/png/frame-000001.png.part"));
  EXPECT_FALSE(Exists(dir + "/KX507.SCR"));
}

TEST(ReplayTool, FirstFrameIsTheGoldenFirstPicture) {
  std::string dir = TempDir();
  WriteFile(dir + "/s.scr", "KX507_PERIODIC(1);\n");
  Result r = Replay(dir, "s.scr --png frames");
  ASSERT_EQ(r.status, 0) << r.err;
  RgbImage frame, golden;
  ASSERT_TRUE(ReadPngFile(dir + "/frames/frame-000001.png", &frame));
  ASSERT_TRUE(
      ReadPngFile(std::string(KX_TEST_DATA_DIR) + "/app/golden/first-picture.png", &golden));
  // The client area shows the back buffer's top-left corner.
  ASSERT_GT(frame.width, 500);
  ASSERT_GT(frame.height, 400);
  ASSERT_LE(frame.width, golden.width);
  ASSERT_LE(frame.height, golden.height);
  int differing = 0;
  for (int y = 0; y < frame.height; y++)
    for (int x = 0; x < frame.width; x++)
      differing +=
          frame.pixels[size_t(y) * frame.width + x] != golden.pixels[size_t(y) * golden.width + x];
  EXPECT_EQ(differing, 0);
  // The second frame, after the tick, is another picture (the right panel appears).
  RgbImage second;
  ASSERT_TRUE(ReadPngFile(dir + "/frames/frame-000002.png", &second));
  EXPECT_NE(second.pixels, frame.pixels);

  // --scale 3: every pixel a 3 x 3 block.
  r = Replay(dir, "s.scr --png big --scale 3");
  ASSERT_EQ(r.status, 0) << r.err;
  RgbImage big;
  ASSERT_TRUE(ReadPngFile(dir + "/big/frame-000001.png", &big));
  ASSERT_EQ(big.width, frame.width * 3);
  ASSERT_EQ(big.height, frame.height * 3);
  differing = 0;
  for (int y = 0; y < big.height; y++)
    for (int x = 0; x < big.width; x++)
      differing += big.pixels[size_t(y) * big.width + x] !=
                   frame.pixels[size_t(y / 3) * frame.width + x / 3];
  EXPECT_EQ(differing, 0);
}

// The narration of one pass, against what the log window holds after the same pass of
// the live program with logging on.
TEST(ReplayTool, NarrationOfAPassIsWhatTheLogWindowShows) {
  std::string dir = TempDir();
  std::string script = "KX507_PERIODIC(2);\nKX507_MOUSE(-250, " + std::to_string(RowY(7)) +
                       ");\nKX507_PERIODIC(1);\n";
  WriteFile(dir + "/s.scr", script);
  Result r = Replay(dir, "s.scr --narration n.txt");
  ASSERT_EQ(r.status, 0) << r.err;
  std::map<int, std::vector<std::string>> by_pass;
  for (const std::string& line : Lines(ReadAll(dir + "/n.txt"))) {
    size_t colon = line.find(": ");
    ASSERT_NE(colon, std::string::npos) << line;
    by_pass[std::stoi(line.substr(0, colon))].push_back(line.substr(colon + 2));
  }
  // Start-up, three ticks and a click; the end of the script in the wait after them.
  ASSERT_EQ(by_pass.size(), 6u);
  EXPECT_EQ(by_pass[5], std::vector<std::string>{"EOF encountered in script file s.scr"});

  setenv("PLATFORM_HOST", "headless", 1);
  setenv("PLATFORM_VIRTUAL_CLOCK", "1", 1);
  BugRecord bugs[BugCount];
  ControlState control;
  int done = 0, x = 0, y = 0;
  signed char key = 0;
  StartGarden(nullptr, nullptr, (LPSTR) "", SW_SHOWNORMAL, bugs, control, done);
  SetLogging(1);
  auto tick = [&] {
    PostMessageA(draw_window, WM_TIMER, AnimationTimerId, 0);
    PostMessageA(draw_window, WM_TIMER, AnimationTimerId, 0);
    RunLoopPass(bugs, control, done, x, y, key);
  };
  tick();
  tick();
  PostMessageA(draw_window, WM_LBUTTONDOWN, MK_LBUTTON, ClickAt(-250, RowY(7)));
  RunLoopPass(bugs, control, done, x, y, key);
  ASSERT_EQ(control.last_bug, 1);
  std::vector<std::string> ring = LogLines();
  for (std::string& line : ring)
    if (!line.empty() && line.back() == '\n') line.pop_back();
  ASSERT_EQ(ring.size(), size_t(LogRingSize));
  const std::vector<std::string>& pass3 = by_pass[3];
  ASSERT_GE(pass3.size(), ring.size());
  std::vector<std::string> tail(pass3.end() - long(ring.size()), pass3.end());
  EXPECT_EQ(tail, ring);

  tick();
  ring = LogLines();
  for (std::string& line : ring)
    if (!line.empty() && line.back() == '\n') line.pop_back();
  const std::vector<std::string>& pass4 = by_pass[4];
  ASSERT_GE(pass4.size(), ring.size());
  EXPECT_EQ(std::vector<std::string>(pass4.end() - long(ring.size()), pass4.end()), ring);
  // The click of pass 3 adds a bug, drawn from that pass on.
  EXPECT_GT(pass3.size(), by_pass[2].size());
  EXPECT_EQ(pass4.size(), pass3.size());
  CloseRuntime();
}

TEST(ReplayTool, EveryNthPassGivesAFrame) {
  std::string dir = TempDir();
  WriteFile(dir + "/s.scr", "KX507_PERIODIC(5);\nKX507_KBD(65);\nKX507_PERIODIC(1);\n");
  // Seven passes after the first picture.
  struct Case {
    int every;
    size_t frames;
  } cases[] = {{1, 8}, {2, 4}, {3, 3}, {7, 2}, {100, 1}};
  for (const Case& c : cases) {
    std::string out = "every-" + std::to_string(c.every);
    Result r = Replay(dir, "s.scr --png " + out + " --every " + std::to_string(c.every));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FolderFiles(dir + "/" + out).size(), c.frames) << "--every " << c.every;
  }
  // Frame 2 of --every 3 is the picture after pass 3, frame 4 of --every 1.
  EXPECT_EQ(ReadAll(dir + "/every-3/frame-000002.png"), ReadAll(dir + "/every-1/frame-000004.png"));
  EXPECT_EQ(ReadAll(dir + "/every-3/frame-000003.png"), ReadAll(dir + "/every-1/frame-000007.png"));
}

TEST(ReplayTool, BadUseAndUnreadableScripts) {
  std::string dir = TempDir();
  WriteFile(dir + "/s.scr", "KX507_PERIODIC(1);\n");
  const char* bad[] = {"",
                       "--png out",
                       "s.scr --bogus",
                       "s.scr --every 0",
                       "s.scr --every",
                       "s.scr --scale x",
                       "s.scr --scale 9",
                       "s.scr --scale 0",
                       "s.scr --ticks -1",
                       "s.scr --ticks 5x",
                       "s.scr other.scr",
                       "-x s.scr"};
  for (const char* args : bad) {
    Result r = Replay(dir, args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.err.find("usage: bug-garden-replay SCRIPT"), std::string::npos) << args;
    EXPECT_EQ(r.out, "") << args;
  }
  Result help = Replay(dir, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: bug-garden-replay SCRIPT"), std::string::npos);

  // A missing script: the runtime's own message, status 1, no output left behind.
  Result r = Replay(dir, "missing.scr --png frames --gif g.gif --narration n.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Cannot open script file missing.scr for reading\n");
  EXPECT_FALSE(Exists(dir + "/frames/frame-000001.png"));
  EXPECT_FALSE(Exists(dir + "/g.gif"));
  EXPECT_FALSE(Exists(dir + "/g.gif.part"));
  EXPECT_FALSE(Exists(dir + "/n.txt"));
  EXPECT_FALSE(Exists(dir + "/n.txt.part"));
  // Outputs that cannot be written: status 1 with the reason.
  r = Replay(dir, "s.scr --gif no-such-folder/g.gif");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create no-such-folder/g.gif.part"), std::string::npos) << r.err;
  r = Replay(dir, "s.scr --narration no-such-folder/n.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot create no-such-folder/n.txt.part"), std::string::npos) << r.err;
  r = Replay(dir, "s.scr --png s.scr");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("s.scr is not a folder"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(dir + "/s.scr"), "KX507_PERIODIC(1);\n");
  // A folder is no script either: only a regular file is opened.
  mkdir((dir + "/folder.scr").c_str(), 0777);
  r = Replay(dir, "folder.scr");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Cannot open script file folder.scr for reading\n");
  EXPECT_EQ(r.out, "");
}

TEST(ReplayTool, EndsWherePlaybackEnds) {
  std::string dir = TempDir();
  // A tick run at the end is played out; the end of the file then ends playback.
  WriteFile(dir + "/ticks.scr", "KX507_MOUSE(0, 0);\n\nKX507_PERIODIC(4);\n");
  Result r = Replay(dir, "ticks.scr");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "passes: 5\nticks: 4\nevents: mouse 1, key 0, periodic 4\nwarnings: 0\n"
            "end: EOF encountered in script file ticks.scr\n");
  // A line that is no record stops playback silently; what follows is never played.
  WriteFile(dir + "/odd.scr", "KX507_PERIODIC(2);\nKX507_KBD(66);\n   \nKX507_PERIODIC(9);\n");
  r = Replay(dir, "odd.scr");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "passes: 3\nticks: 2\nevents: mouse 0, key 1, periodic 2\nwarnings: 0\n"
            "end: a line that is no record ends the script\n");
  // A last line without its newline is not used.
  WriteFile(dir + "/cut.scr", "KX507_PERIODIC(2);\nKX507_MOUSE(1, 2);");
  r = Replay(dir, "cut.scr");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("passes: 2\nticks: 2\nevents: mouse 0,"), std::string::npos) << r.out;
  // --ticks stops after that many ticks, clicks before them included.
  r = Replay(dir, "ticks.scr --ticks 2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "passes: 3\nticks: 2\nevents: mouse 1, key 0, periodic 2\nwarnings: 0\n"
            "end: after 2 ticks\n");
  r = Replay(dir, "ticks.scr --ticks 0");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("passes: 0\n"), std::string::npos) << r.out;
}

// The GIF as another reader sees it: frames and their delays.
TEST(ReplayTool, GifFramesAndDelaysAsIdentifySeesThem) {
  if (std::system("command -v identify >/dev/null 2>&1") != 0) GTEST_SKIP() << "no identify";
  std::string dir = TempDir();
  // Passes: 3 ticks, a click, 2 ticks, a key. A picture followed by a click or a key shows
  // for no time and is left out: pictures 0, 1, 2, 4, 5 and the last one remain.
  WriteFile(dir + "/s.scr", "KX507_PERIODIC(3);\nKX507_MOUSE(-250, " + std::to_string(RowY(7)) +
                                ");\nKX507_PERIODIC(2);\nKX507_KBD(97);\n");
  Result r = Replay(dir, "s.scr --gif s.gif --scale 2");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string command = "identify -format '%T %W %H\\n' '" + dir + "/s.gif' >'" + dir + "/id.txt'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<std::string> frames = Lines(ReadAll(dir + "/id.txt"));
  ASSERT_EQ(frames.size(), 6u);
  RgbImage first;
  r = Replay(dir, "s.scr --png p --ticks 0");
  ASSERT_TRUE(ReadPngFile(dir + "/p/frame-000001.png", &first));
  std::string size = " " + std::to_string(first.width * 2) + " " + std::to_string(first.height * 2);
  for (const std::string& f : frames) EXPECT_EQ(f, "10" + size);
  // The last picture, composed, is the last PNG, enlarged.
  r = Replay(dir, "s.scr --png q --scale 2");
  ASSERT_EQ(r.status, 0);
  command = "convert '" + dir + "/s.gif' -coalesce '" + dir +
            "/last-%d.png' && compare -metric AE '" + dir + "/last-5.png' '" + dir +
            "/q/frame-000008.png' null: 2>'" + dir + "/ae.txt'";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadAll(dir + "/ae.txt");
  EXPECT_EQ(ReadAll(dir + "/ae.txt"), "0");
}

}  // namespace
