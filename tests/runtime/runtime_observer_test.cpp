// What a tool may watch in the runtime: the log lines, playback stopping, logging kept on,
// and a script read from a file of its choice.
#include <string>
#include <vector>

#include "observer.h"
#include "script_fixture.h"

namespace {

std::vector<std::string> seen_lines;
int stops = 0;

void SeeLine(const char* text) { seen_lines.push_back(text); }

// Ends the wait in which playback stopped, as the replay tool does with its quit.
void SeeStop() {
  ++stops;
  PostMessageA(draw_window, WM_CHAR, (WPARAM)'z', 0);
}

class RuntimeObserverTest : public ScriptTest {
 public:
  void SetUp() override {
    ScriptTest::SetUp();
    seen_lines.clear();
    stops = 0;
  }
  void TearDown() override {
    runtime_observer = RuntimeObserver{nullptr, nullptr, 0};
    ScriptFileName = "KX507.SCR";
    ScriptTest::TearDown();
  }
};

TEST_F(RuntimeObserverTest, EveryLogLineIsSeenAsFormatted) {
  runtime_observer.log_line = SeeLine;
  EXPECT_EQ(LogPrintf("abc %d\n", 5), 6);
  LogPrintf("%s", "");
  ASSERT_EQ(seen_lines.size(), 2u);
  EXPECT_EQ(seen_lines[0], "abc 5\n");
  EXPECT_EQ(seen_lines[1], "");
  // Still stored in the ring as always.
  EXPECT_GE(log_head, 0);
}

TEST_F(RuntimeObserverTest, KeepLoggingHoldsLoggingOnAgainstSetLogging) {
  SetLogging(0);
  EXPECT_EQ(logging, 0);
  runtime_observer.keep_logging = 1;
  EXPECT_EQ(SetLogging(0), 1);
  EXPECT_EQ(logging, 1);
  EXPECT_TRUE(Checked(4));
  runtime_observer.keep_logging = 0;
  SetLogging(0);
  EXPECT_EQ(logging, 0);
}

TEST_F(RuntimeObserverTest, PlaybackReadsTheChosenFileAndReportsItsEnd) {
  WriteBytes("other.scr", "KX507_KBD(65);\n");
  ScriptFileName = "other.scr";
  runtime_observer.log_line = SeeLine;
  runtime_observer.playback_stopped = SeeStop;
  Command(CommandPlaybackScript);
  WaitResult r = Wait();
  EXPECT_EQ(r.kind, EventKey);
  EXPECT_EQ(r.key, 65);
  EXPECT_EQ(stops, 0);
  // The end of the file: the observer hears of it inside the wait, which its posted
  // character then ends.
  r = Wait();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(r.kind, EventKey);
  EXPECT_EQ(r.key, 'z');
  EXPECT_EQ(playing_back, 0);
  ASSERT_FALSE(seen_lines.empty());
  EXPECT_EQ(seen_lines.back(), "EOF encountered in script file other.scr\n");
  EXPECT_FALSE(FileExists("KX507.SCR"));
}

TEST_F(RuntimeObserverTest, AMissingScriptStopsPlaybackWithTheFileClosed) {
  ScriptFileName = "missing.scr";
  runtime_observer.log_line = SeeLine;
  runtime_observer.playback_stopped = SeeStop;
  Command(CommandPlaybackScript);
  WaitResult r = Wait();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(r.key, 'z');
  EXPECT_EQ(script_file, nullptr);
  ASSERT_EQ(seen_lines.size(), 1u);
  EXPECT_EQ(seen_lines[0], "Cannot open script file missing.scr for reading\n");
  EXPECT_FALSE(FileExists("missing.scr"));
}

}  // namespace
