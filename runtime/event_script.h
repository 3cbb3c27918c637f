// Event scripts: recording the event stream to "KX507.SCR" and playing it back.
#pragma once

#include <stdio.h>

extern unsigned char recording;
extern unsigned char playing_back;
extern unsigned char play_one;
extern int pending_ticks;
extern FILE* script_file;
// Which way script_file was opened (1 "wt", 0 "rt"), so one direction never
// touches a handle opened for the other.
extern unsigned char script_for_writing;
// Set after the first failed write to the open file: it is reported once per opening.
extern unsigned char script_write_failed;

// "KX507.SCR" in the working directory; a tool may point it at another file.
extern const char* ScriptFileName;

enum { ScriptLineSize = 512, ScriptNumberSize = 12 };

void RecordEvent(int kind, int x, int y, signed char key);
void WriteScriptRecord(int kind, int x, int y, signed char key);
int ReadScriptEvent(void);
void StopPlayback(void);
void CloseScriptFile(void);
void ToggleRecording(void);
void TogglePlayback(void);
void PlayOneEvent(void);

// Decodes one line as read from a script (its newline, if any, included). Returns the
// EventKind of the record (EventMouse with x and y, EventKey with key, EventPeriodic
// with count), or 0 for a line that is not a record or lacks a number it needs.
int ParseScriptLine(const char* line, int* x, int* y, signed char* key, int* count);
