// Playback: what the wait returns from a "KX507.SCR" written by hand, how the reader finds
// its numbers, where playback stops, and what it reports.
#include <limits.h>

#include "script_fixture.h"

using ScriptPlaybackTest = ScriptTest;

// Ends a wait whose script has run out with a live character, and checks that the wait
// returned that character rather than a script event.
static void ExpectPlaybackEnded() {
  ScriptTest::PostChar('z');
  WaitResult r = ScriptTest::Wait();
  EXPECT_EQ(r.kind, EventKey);
  EXPECT_EQ(r.key, 'z');
  EXPECT_EQ(playing_back, 0);
  EXPECT_EQ(play_one, 0);
}

static void ExpectMouse(int x, int y) {
  WaitResult r = ScriptTest::Wait();
  EXPECT_EQ(r.kind, EventMouse);
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.key, 0);
}

static void ExpectKey(int key) {
  WaitResult r = ScriptTest::Wait();
  EXPECT_EQ(r.kind, EventKey);
  EXPECT_EQ(r.key, key);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
}

TEST_F(ScriptPlaybackTest, APeriodicRecordYieldsItsTicksFromOneLine) {
  WriteBytes("KX507.SCR", "KX507_PERIODIC(4);\nKX507_KBD(65);\n");
  SetRunMode(RunAnimate);
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  EXPECT_EQ(animating, 0);
  EXPECT_TRUE(Checked(CommandPlaybackScript));
  ASSERT_NE(script_file, nullptr);
  long after_first = ftell(script_file);
  // No timer message is ever posted here: these come straight from the count.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Wait().kind, EventPeriodic);
  EXPECT_EQ(ftell(script_file), after_first) << "only the first tick reads a line";
  ExpectKey(65);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
}

TEST_F(ScriptPlaybackTest, MouseRecordsWithAndWithoutTheBlank) {
  WriteBytes("KX507.SCR", "KX507_MOUSE(-300, 270);\nKX507_MOUSE(-300,270);\nKX507_MOUSE(7, -8);\n");
  Command(CommandPlaybackScript);
  ExpectMouse(-300, 270);
  ExpectMouse(-300, 270);
  ExpectMouse(7, -8);
  ExpectPlaybackEnded();
}

TEST_F(ScriptPlaybackTest, KeyRecordsKeepTheLowEightBitsAndTheirSign) {
  WriteBytes("KX507.SCR",
             "KX507_KBD(65);\nabcdefK 65\nKX507_KBD(321);\nKX507_KBD(-23);\nKX507_KBD(233);\n"
             "KX507_KBD(-128);\nKX507_KBD(-1);\nKX507_KBD(0);\n");
  Command(CommandPlaybackScript);
  ExpectKey(65);
  ExpectKey(65);
  ExpectKey(65);
  ExpectKey(-23);
  ExpectKey(-23);
  ExpectKey(-128);
  ExpectKey(-1);
  ExpectKey(0);
  ExpectPlaybackEnded();
}

TEST_F(ScriptPlaybackTest, EmptyLinesAreSkippedAndABlankLineEndsPlaybackQuietly) {
  WriteBytes("KX507.SCR", "\n\nKX507_KBD(66);\n\n\n       \nKX507_KBD(67);\n");
  Command(CommandPlaybackScript);
  ExpectKey(66);
  ExpectPlaybackEnded();
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  EXPECT_EQ(LogCount("script file"), 0);
  // The blank line was consumed; playback goes on after it.
  Command(CommandPlaybackScript);
  ExpectKey(67);
}

TEST_F(ScriptPlaybackTest, AtTheEndOfTheFileEveryPlaybackReportsTheEndAgain) {
  WriteBytes("KX507.SCR", "KX507_KBD(70);\n");
  Command(CommandPlaybackScript);
  ExpectKey(70);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
  Command(CommandPlaybackScript);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 2);
  Command(CommandPlayOneScript);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 3);
}

TEST_F(ScriptPlaybackTest, TogglingPlaybackOffStartsTheNextAtTheTop) {
  WriteBytes("KX507.SCR", "KX507_KBD(70);\nKX507_KBD(71);\n");
  Command(CommandPlaybackScript);
  ExpectKey(70);
  RunCommand(CommandPlaybackScript);  // off: the live sentinel ends the wait
  EXPECT_EQ(script_file, nullptr);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  Command(CommandPlaybackScript);
  ExpectKey(70);
  ExpectKey(71);
}

TEST_F(ScriptPlaybackTest, StoppingPlaybackDropsTheTicksStillToCome) {
  WriteBytes("KX507.SCR", "KX507_PERIODIC(5);\nKX507_KBD(65);\n");
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  RunCommand(CommandPlaybackScript);
  EXPECT_EQ(pending_ticks, 0);
  Command(CommandPlaybackScript);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Wait().kind, EventPeriodic) << "tick " << i;
  ExpectKey(65);
}

TEST_F(ScriptPlaybackTest, PlayOneYieldsOneEventThenReportsTheEnd) {
  WriteBytes("KX507.SCR", "KX507_MOUSE(12, 34);\n");
  Command(CommandPlayOneScript);
  ExpectMouse(12, 34);
  EXPECT_EQ(play_one, 0);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  // Back to live input.
  PostChar('a');
  ExpectKey('a');
  Command(CommandPlayOneScript);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
}

TEST_F(ScriptPlaybackTest, PlaybackGoesOnWherePlayOneStopped) {
  WriteBytes("KX507.SCR", "KX507_PERIODIC(3);\nKX507_KBD(65);\n");
  SetRunMode(RunAnimate);
  Command(CommandPlayOneScript);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  EXPECT_EQ(animating, 0);
  PostChar('a');
  ExpectKey('a');
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  ExpectKey(65);
}

TEST_F(ScriptPlaybackTest, AMissingFileIsReportedAndEndsPlayback) {
  Command(CommandPlaybackScript);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("Cannot open script file KX507.SCR for reading"), 1);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  EXPECT_EQ(script_file, nullptr);
}

TEST_F(ScriptPlaybackTest, NumbersSaturateAndFollowTheDecimalConversion) {
  WriteBytes("KX507.SCR",
             "KX507_MOUSE(2147483647, -2147483648);\n"
             "KX507_MOUSE(2147483648, -2147483649);\n"
             "KX507_MOUSE(99999999999999999999999999, -99999999999999999999999999);\n"
             "KX507_MOUSE(12-3, --5);\n"
             "KX507_MOUSE(-, 0000000000000000000000000000000);\n"
             "KX507_KBD(99999999999999999999999999);\n"
             "KX507_PERIODIC(0);\n"
             "KX507_PERIODIC(-2);\n"
             "KX507_KBD(66);\n");
  Command(CommandPlaybackScript);
  ExpectMouse(INT_MAX, INT_MIN);
  ExpectMouse(INT_MAX, INT_MIN);
  ExpectMouse(INT_MAX, INT_MIN);
  ExpectMouse(12, 0);
  ExpectMouse(0, 0);
  ExpectKey(-1);                          // INT_MAX's low eight bits
  EXPECT_EQ(Wait().kind, EventPeriodic);  // a count of 0 is one tick
  EXPECT_EQ(pending_ticks, 0);
  EXPECT_EQ(Wait().kind, EventPeriodic);  // a count has no sign: two ticks
  EXPECT_EQ(Wait().kind, EventPeriodic);
  ExpectKey(66);
}

TEST_F(ScriptPlaybackTest, ARecordWithoutItsNumberEndsPlaybackWithoutAnEvent) {
  WriteBytes("KX507.SCR",
             "KX507_MOUSE(1, 2);\nKX507_MOUSE(5);\nKX507_KBD(65);\nKX507_KBD();\n"
             "KX507_PERIODIC(\nKX507_MOUSE(3, 4);\n");
  Command(CommandPlaybackScript);
  ExpectMouse(1, 2);
  ExpectPlaybackEnded();
  Command(CommandPlaybackScript);
  ExpectKey(65);
  ExpectPlaybackEnded();
  Command(CommandPlaybackScript);
  ExpectPlaybackEnded();
  Command(CommandPlaybackScript);
  ExpectMouse(3, 4);
  EXPECT_EQ(LogCount("script file"), 0);
}

TEST_F(ScriptPlaybackTest, LongLinesAreReadInPiecesOf511) {
  std::string first = "KX507_KBD(65);";
  first += std::string(511 - first.size(), ' ');
  std::string no_number = "KX507_KBD(" + std::string(511 - 10, 'x');
  WriteBytes("KX507.SCR", first + "KX507_KBD(66);\n" + no_number + "77);\nKX507_KBD(68);\n");
  Command(CommandPlaybackScript);
  ExpectKey(65);
  ExpectKey(66);
  // A piece with no digit in it ends playback; its rest, "77);", is too short to be a record.
  ExpectPlaybackEnded();
  Command(CommandPlaybackScript);
  ExpectPlaybackEnded();
  Command(CommandPlaybackScript);
  ExpectKey(68);
}

TEST_F(ScriptPlaybackTest, ALastLineWithoutItsNewlineIsNotPlayed) {
  WriteBytes("KX507.SCR", "KX507_KBD(65);\nKX507_KBD(66);");
  Command(CommandPlaybackScript);
  ExpectKey(65);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
}

TEST_F(ScriptPlaybackTest, WindowsLineEndsPlayLikeNewlines) {
  // As a script written on Windows holds it: CR LF after every line, blank lines too.
  WriteBytes("KX507.SCR",
             "\r\nKX507_MOUSE(1, -2);\r\n\r\n\r\nKX507_KBD(65);\r\nKX507_PERIODIC(2);\r\n\r\n"
             "KX507_MOUSE(3,4);\n\nKX507_KBD(66);\r\n\r\n");
  Command(CommandPlaybackScript);
  ExpectMouse(1, -2);
  ExpectKey(65);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  EXPECT_EQ(Wait().kind, EventPeriodic);
  ExpectMouse(3, 4);
  ExpectKey(66);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
}

TEST_F(ScriptPlaybackTest, OnlyCarriageReturnsRightBeforeTheNewlineBelongToTheLineEnd) {
  // Any number of CRs before the LF still make a blank line; a CR with anything else on
  // the line is an unrecognised line, and a CR inside a record is part of it.
  WriteBytes("KX507.SCR",
             "KX507_KBD(65);\r\n\r\r\n\r\r\r\nKX507_KBD(66);\r\n\r "
             "\r\nKX507_KBD(67);\rKX507_KBD(68);\r\n");
  Command(CommandPlaybackScript);
  ExpectKey(65);
  ExpectKey(66);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("script file"), 0);
  Command(CommandPlaybackScript);
  ExpectKey(67);
  ExpectPlaybackEnded();
  EXPECT_EQ(LogCount("EOF encountered in script file KX507.SCR"), 1);
}
