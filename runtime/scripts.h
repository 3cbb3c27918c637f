// Event scripts: recording the event stream to "KX507.SCR" and playing it back.
#pragma once

#include <stdio.h>

extern unsigned char recording;
extern unsigned char playing_back;
extern unsigned char play_one;
extern int pending_ticks;
extern FILE* script_file;

void RecordEvent(int kind, int x, int y, signed char key);
void WriteScriptRecord(int kind, int x, int y, signed char key);
int ReadScriptEvent(void);
void StopPlayback(void);
void CloseScriptFile(void);
void ToggleRecording(void);
void TogglePlayback(void);
void PlayOneEvent(void);
