// Recording: what reaches "KX507.SCR" for the events the wait returns while Record Script
// is on, the check mark of item 5, and the failures the log reports.
#include "script_fixture.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using ScriptRecordTest = ScriptTest;

TEST_F(ScriptRecordTest, TicksAreWrittenAsOneRunBeforeTheNextClick) {
  SetRunMode(RunAnimate);
  Command(CommandRecordScript);
  for (int i = 0; i < 10; ++i) ExpectTick();
  EXPECT_TRUE(Checked(CommandRecordScript));
  EXPECT_FALSE(FileExists("KX507.SCR")) << "ticks alone write nothing yet";
  ExpectClick(0, 0);
  // Read while the recording is still on: each record is in the file once written.
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(10);\nKX507_MOUSE(0, 0);\n");
  RunCommand(CommandRecordScript);
  EXPECT_FALSE(Checked(CommandRecordScript));
  EXPECT_EQ(recording, 0);
  EXPECT_EQ(script_file, nullptr);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(10);\nKX507_MOUSE(0, 0);\n");
}

TEST_F(ScriptRecordTest, ClickTicksAndKeyAreWrittenInOrder) {
  Command(CommandRecordScript);
  ExpectClick(10, -20);
  SetRunMode(RunAnimate);
  for (int i = 0; i < 3; ++i) ExpectTick();
  SetRunMode(RunHalt);
  ExpectChar('q');
  RunCommand(CommandRecordScript);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_MOUSE(10, -20);\nKX507_PERIODIC(3);\nKX507_KBD(113);\n");
}

TEST_F(ScriptRecordTest, StoppingWritesThePendingRunAndTheNextRecordingCountsFromZero) {
  SetRunMode(RunAnimate);
  Command(CommandRecordScript);
  for (int i = 0; i < 5; ++i) ExpectTick();
  RunCommand(CommandRecordScript);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(5);\n");
  EXPECT_EQ(pending_ticks, 0);

  Command(CommandRecordScript);
  for (int i = 0; i < 2; ++i) ExpectTick();
  ExpectClick(1, 2);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(2);\nKX507_MOUSE(1, 2);\n");
}

TEST_F(ScriptRecordTest, StartingAndStoppingWithoutEventsLeavesTheFileAlone) {
  RunCommand(CommandRecordScript);  // starts; the sentinel key is recorded
  RunCommand(CommandRecordScript);  // stops
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_KBD(122);\n");

  Command(CommandRecordScript);
  Command(CommandRecordScript);
  PostChar('y');
  EXPECT_EQ(Wait().kind, EventKey);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_KBD(122);\n") << "the file must not be emptied";

  std::filesystem::remove("KX507.SCR");
  Command(CommandRecordScript);
  Command(CommandRecordScript);
  PostChar('y');
  EXPECT_EQ(Wait().kind, EventKey);
  EXPECT_FALSE(FileExists("KX507.SCR")) << "the file must not be created";
}

TEST_F(ScriptRecordTest, CharactersAbove127AreWrittenAsNegativeKeys) {
  Command(CommandRecordScript);
  ExpectChar(233);
  ExpectChar(128);
  ExpectChar(255);
  ExpectChar(127);
  ExpectChar(1);
  RunCommand(CommandRecordScript);
  EXPECT_EQ(ReadText("KX507.SCR"),
            "KX507_KBD(-23);\nKX507_KBD(-128);\nKX507_KBD(-1);\nKX507_KBD(127);\nKX507_KBD(1);\n");
}

TEST_F(ScriptRecordTest, QuitWritesThePendingRunAndNoRecordOfItsOwn) {
  SetRunMode(RunAnimate);
  Command(CommandRecordScript);
  for (int i = 0; i < 3; ++i) ExpectTick();
  Command(CommandQuit);
  EXPECT_EQ(Wait().kind, EventQuit);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(3);\n");
}

TEST_F(ScriptRecordTest, AFileThatCannotBeCreatedIsReportedAtEveryRecord) {
  std::filesystem::create_directory("KX507.SCR");
  Command(CommandRecordScript);
  ExpectClick(1, 1);
  ExpectChar('a');
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for writing"), 2);
  EXPECT_EQ(recording, 1);
  EXPECT_TRUE(Checked(CommandRecordScript));
  EXPECT_EQ(script_file, nullptr);
}

TEST_F(ScriptRecordTest, AFailedWriteIsReportedOncePerOpening) {
#if defined(_WIN32)
  GTEST_SKIP() << "needs a file size limit that refuses writes";
#else
  // A regular file that takes no byte: every write fails with EFBIG.
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit previous;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  struct rlimit none = previous;
  none.rlim_cur = 0;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
  struct RestoreLimit {
    struct rlimit limit;
    ~RestoreLimit() { setrlimit(RLIMIT_FSIZE, &limit); }
  } restore{previous};
#endif
  Command(CommandRecordScript);
  ExpectClick(1, 1);
  ExpectChar('a');
  ExpectClick(2, 2);
  EXPECT_EQ(LogCount("Cannot write to script file KX507.SCR"), 1);
  RunCommand(CommandRecordScript);
  Command(CommandRecordScript);
  ExpectClick(3, 3);
  EXPECT_EQ(LogCount("Cannot write to script file KX507.SCR"), 2);
}

TEST_F(ScriptRecordTest, StartingPlaybackStopsTheRecordingFirst) {
  SetRunMode(RunAnimate);
  Command(CommandRecordScript);
  ExpectTick();
  ExpectTick();
  Command(CommandPlaybackScript);
  // The recording's run is written and closed, then played from the top.
  WaitResult r = Wait();
  EXPECT_EQ(r.kind, EventPeriodic);
  EXPECT_EQ(recording, 0);
  EXPECT_FALSE(Checked(CommandRecordScript));
  EXPECT_TRUE(Checked(CommandPlaybackScript));
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(2);\n");
  EXPECT_EQ(Wait().kind, EventPeriodic);
  PostChar('z');
  r = Wait();
  EXPECT_EQ(r.kind, EventKey);
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_PERIODIC(2);\n") << "playback must not write";
}

TEST_F(ScriptRecordTest, PlayOneWhileRecordingStopsTheRecordingFirst) {
  Command(CommandRecordScript);
  ExpectClick(4, 5);
  Command(CommandPlayOneScript);
  WaitResult r = Wait();
  EXPECT_EQ(r.kind, EventMouse);
  EXPECT_EQ(r.x, 4);
  EXPECT_EQ(r.y, 5);
  EXPECT_EQ(recording, 0);
  EXPECT_FALSE(Checked(CommandRecordScript));
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_MOUSE(4, 5);\n");
}

TEST_F(ScriptRecordTest, RecordingAfterPlaybackReachedTheEndWritesAFreshFile) {
  WriteBytes("KX507.SCR", "KX507_KBD(65);\n");
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().key, 65);
  PostChar('z');
  EXPECT_EQ(Wait().key, 'z');
  ASSERT_EQ(LogCount("EOF encountered"), 1);
  // The reader's handle is still open at the end of the file.
  Command(CommandRecordScript);
  ExpectClick(7, 8);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_MOUSE(7, 8);\n");
  RunCommand(CommandRecordScript);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_MOUSE(7, 8);\n");
}

TEST_F(ScriptRecordTest, StartingARecordingStopsPlaybackAndDropsItsTicks) {
  WriteBytes("KX507.SCR", "KX507_PERIODIC(5);\n");
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  Command(CommandRecordScript);
  ExpectClick(3, 4);
  EXPECT_EQ(playing_back, 0);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  EXPECT_TRUE(Checked(CommandRecordScript));
  SetRunMode(RunAnimate);
  ExpectTick();
  ExpectTick();
  ExpectClick(5, 6);
  EXPECT_EQ(ReadText("KX507.SCR"), "KX507_MOUSE(3, 4);\nKX507_PERIODIC(2);\nKX507_MOUSE(5, 6);\n");
}

TEST_F(ScriptRecordTest, ASessionPlaysBackAsItWasRecorded) {
  std::vector<WaitResult> recorded;
  Command(CommandRecordScript);
  SetRunMode(RunAnimate);
  auto tick = [&] {
    PostTick();
    recorded.push_back(Wait());
  };
  auto click = [&](int x, int y) {
    PostClick(x, y);
    recorded.push_back(Wait());
  };
  auto key = [&](int code) {
    PostChar(code);
    recorded.push_back(Wait());
  };
  tick();
  tick();
  tick();
  click(-297, 248);
  key('a');
  key(233);
  tick();
  tick();
  click(100, -200);
  key(255);
  key(128);
  key(13);
  tick();
  click(0, 0);
  tick();
  tick();
  tick();
  tick();
  RunCommand(CommandRecordScript);
  SetRunMode(RunHalt);
  ASSERT_EQ(recorded.size(), 18u);
  EXPECT_EQ(recorded[5].key, -23);

  Command(CommandPlaybackScript);
  for (size_t i = 0; i < recorded.size(); ++i) {
    WaitResult r = Wait();
    EXPECT_EQ(r.kind, recorded[i].kind) << "event " << i;
    EXPECT_EQ(r.x, recorded[i].x) << "event " << i;
    EXPECT_EQ(r.y, recorded[i].y) << "event " << i;
    EXPECT_EQ(r.key, recorded[i].key) << "event " << i;
  }
  PostChar('z');
  WaitResult last = Wait();
  EXPECT_EQ(last.kind, EventKey);
  EXPECT_EQ(last.key, 'z');
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
}

TEST_F(ScriptRecordTest, WhatIsNotARegularFileIsRefusedAtOnce) {
  // A directory here; a FIFO or a device below, where there are some. None is replaced.
  std::filesystem::create_directory("KX507.SCR");
  Command(CommandRecordScript);
  ExpectClick(1, 1);
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for writing"), 1);
  RunCommand(CommandRecordScript);
  Command(CommandPlaybackScript);
  PostChar('z');
  EXPECT_EQ(Wait().key, 'z');
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for reading"), 1);
  EXPECT_EQ(LogCount("Cannot read"), 0);
  EXPECT_EQ(playing_back, 0);
  EXPECT_TRUE(std::filesystem::is_directory("KX507.SCR"));
}

#if !defined(_WIN32)
TEST_F(ScriptRecordTest, AFifoNeverHoldsTheWait) {
  // Opening a FIFO waits for its other end: were it opened, this test would hang.
  ASSERT_EQ(mkfifo("KX507.SCR", 0600), 0);
  Command(CommandPlaybackScript);
  PostChar('z');
  EXPECT_EQ(Wait().key, 'z');
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for reading"), 1);
  EXPECT_FALSE(Checked(6));
  Command(CommandPlayOneScript);
  PostChar('y');
  EXPECT_EQ(Wait().key, 'y');
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for reading"), 2);

  Command(CommandRecordScript);
  ExpectClick(1, 1);
  ExpectChar('a');
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for writing"), 2);
  EXPECT_EQ(recording, 1);
  EXPECT_EQ(script_file, nullptr);
  EXPECT_TRUE(std::filesystem::is_fifo("KX507.SCR"));
}

TEST_F(ScriptRecordTest, ADeviceIsRefusedBothWays) {
  if (!std::filesystem::exists("/dev/null")) GTEST_SKIP() << "needs /dev/null";
  std::filesystem::create_symlink("/dev/null", "KX507.SCR");
  Command(CommandRecordScript);
  ExpectClick(1, 1);
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for writing"), 1);
  RunCommand(CommandRecordScript);
  Command(CommandPlaybackScript);
  PostChar('z');
  EXPECT_EQ(Wait().key, 'z');
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for reading"), 1);
  EXPECT_EQ(LogCount("EOF encountered"), 0);
}
#endif
