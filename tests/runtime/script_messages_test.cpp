// What the event scripts say in the message log, word for word with the newline that ends
// each line, and what they keep quiet about; and the kind a recording keeps while a quit
// is requested.
#include <filesystem>

#include "script_fixture.h"

using ScriptMessagesTest = ScriptTest;

namespace {

// Ends a wait in which playback stopped with a live character.
void ExpectLiveKey() {
  ScriptTest::PostChar('z');
  WaitResult r = ScriptTest::Wait();
  EXPECT_EQ(r.kind, EventKey);
  EXPECT_EQ(r.key, 'z');
}

}  // namespace

TEST_F(ScriptMessagesTest, NoFileToReadIsReportedInOneExactLine) {
  ForgetLogLines();
  Command(CommandPlaybackScript);
  ExpectLiveKey();
  EXPECT_EQ(LogLines(),
            std::vector<std::string>{"Cannot open script file KX507.SCR for reading\n"});
  EXPECT_EQ(playing_back, 0);
}

TEST_F(ScriptMessagesTest, TheEndOfTheFileIsReportedInOneExactLine) {
  WriteBytes("KX507.SCR", "KX507_KBD(65);\n");
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().key, 65);
  ForgetLogLines();
  ExpectLiveKey();
  EXPECT_EQ(LogLines(), std::vector<std::string>{"EOF encountered in script file KX507.SCR\n"});
}

TEST_F(ScriptMessagesTest, NoFileToWriteIsReportedInOneExactLine) {
  // A folder by the script's name cannot be opened as a file.
  std::filesystem::create_directory("KX507.SCR");
  Command(CommandRecordScript);
  PostChar('z');
  ForgetLogLines();
  EXPECT_EQ(Wait().kind, EventKey);
  EXPECT_EQ(LogLines(),
            std::vector<std::string>{"Cannot open script file KX507.SCR for writing\n"});
}

TEST_F(ScriptMessagesTest, AnUnrecognisedLineStopsPlaybackSilently) {
  WriteBytes("KX507.SCR", "HELLO WORLD\nKX507_KBD(65);\n");
  ForgetLogLines();
  Command(CommandPlaybackScript);
  ExpectLiveKey();
  EXPECT_EQ(playing_back, 0);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  EXPECT_EQ(LogLines(), std::vector<std::string>{});
}

TEST_F(ScriptMessagesTest, AReadErrorStopsPlaybackAndIsReported) {
  WriteBytes("KX507.SCR", "KX507_KBD(65);\n");
  // A stream that cannot be read in place of the script: fgets fails without reaching
  // the end of a file.
  FILE* unreadable = fopen("unreadable", "w");
  ASSERT_NE(unreadable, nullptr);
  script_file = unreadable;
  script_for_writing = 0;
  ForgetLogLines();
  Command(CommandPlaybackScript);
  ExpectLiveKey();
  EXPECT_EQ(LogLines(), std::vector<std::string>{"Cannot read script file KX507.SCR\n"});
  EXPECT_EQ(playing_back, 0);
  EXPECT_FALSE(Checked(CommandPlaybackScript));
  // Closed, so the next playback opens the file afresh and reads it.
  EXPECT_EQ(script_file, nullptr);
  Command(CommandPlaybackScript);
  EXPECT_EQ(Wait().key, 65);
}

TEST_F(ScriptMessagesTest, ARecordedEventKeepsItsKindWhileQuitIsRequested) {
  Command(CommandRecordScript);
  ExpectClick(10, -20);
  ASSERT_EQ(SetRunMode(RunQuit), 1);
  PostClick(30, 40);
  WaitResult r = Wait();
  EXPECT_EQ(r.kind, EventQuit);
  EXPECT_EQ(r.x, 30);
  EXPECT_EQ(r.y, 40);
  PostChar('q');
  EXPECT_EQ(Wait().kind, EventQuit);
  ToggleRecording();  // stops and closes the file
  EXPECT_EQ(ReadText("KX507.SCR"),
            "KX507_MOUSE(10, -20);\nKX507_MOUSE(30, 40);\nKX507_KBD(113);\n");
}
