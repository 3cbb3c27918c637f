// Event scripts: every event AwaitEvent returns can be written to "KX507.SCR" and fed
// back later in place of live input.
//
// One handle and one tick count serve both directions, so the two never run together:
// starting playback (or Play One) while recording stops the recording first, writing its
// pending run and closing the file; starting a recording while a script is played, or
// while a read handle is still open, stops playback, closes that handle and drops the
// tick count. Stopping playback drops a tick count still running down, so the next
// recording counts from 0.
#include "event_script.h"

#include <limits.h>
#include <string.h>
#include <sys/stat.h>

#include "runtime_state.h"

unsigned char recording = 0;
unsigned char playing_back = 0;
unsigned char play_one = 0;
int pending_ticks = 0;
FILE* script_file = NULL;
unsigned char script_for_writing = 0;
unsigned char script_write_failed = 0;

const char* ScriptFileName = "KX507.SCR";

static int IsDigit(char c) { return c >= '0' && c <= '9'; }

// atoi of the field, but saturating: the field holds at most 11 characters, so the
// value fits a long long before it is clamped to int.
static int FieldValue(const char* field) {
  const char* p = field;
  int negative = 0;
  if (*p == '-') {
    negative = 1;
    ++p;
  }
  long long value = 0;
  while (IsDigit(*p)) {
    value = value * 10 + (*p - '0');
    ++p;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return (int)value;
}

// How a number is found in a record: a run of digits (key records also take a minus
// sign right before it, so characters 128 to 255 written as -128 to -1 read back), or
// a run of digits and minus signs (mouse records).
enum ScanMode { ScanDigits, ScanSignedDigits, ScanDigitsAndMinus };

static int InRun(char c, int mode) {
  return IsDigit(c) || (mode == ScanDigitsAndMinus && c == '-');
}

// Finds the next run from *at on and converts it. Only the first 11 characters of a
// run count, as its field holds no more. Stops at the end of the line; returns 0 when
// no run is left, else 1 with *at just past the run.
static int ScanNumber(const char* line, size_t* at, int mode, int* value) {
  size_t i = *at;
  while (line[i] != '\0' && line[i] != '\n' && !InRun(line[i], mode)) ++i;
  if (line[i] == '\0' || line[i] == '\n') return 0;
  size_t start = i;
  if (mode == ScanSignedDigits && i > *at && line[i - 1] == '-') start = i - 1;
  while (InRun(line[i], mode)) ++i;
  char field[ScriptNumberSize];
  size_t length = i - start;
  if (length > ScriptNumberSize - 1) length = ScriptNumberSize - 1;
  memcpy(field, line + start, length);
  field[length] = '\0';
  *value = FieldValue(field);
  *at = i;
  return 1;
}

int ParseScriptLine(const char* line, int* x, int* y, signed char* key, int* count) {
  if (strlen(line) < 7) return 0;
  size_t at = 6;
  int first = 0;
  int second = 0;
  switch (line[6]) {
    case 'K':
      if (!ScanNumber(line, &at, ScanSignedDigits, &first)) return 0;
      // The low 8 bits as a signed character: 233 and -23 are the same key.
      *key = (signed char)(unsigned char)((unsigned int)first & 0xFFu);
      return EventKey;
    case 'M':
      if (!ScanNumber(line, &at, ScanDigitsAndMinus, &first) ||
          !ScanNumber(line, &at, ScanDigitsAndMinus, &second))
        return 0;
      *x = first;
      *y = second;
      return EventMouse;
    case 'P':
      // A count has no sign: a minus before it is ignored.
      if (!ScanNumber(line, &at, ScanDigits, &first)) return 0;
      *count = first;
      return EventPeriodic;
    default:
      return 0;
  }
}

static void SetMenuCheck(int id, int on) {
  CheckMenuItem(run_menu, (UINT)id, on ? MF_CHECKED : MF_UNCHECKED);
}

void CloseScriptFile(void) {
  if (script_file != NULL) {
    fclose(script_file);
    script_file = NULL;
  }
  script_for_writing = 0;
  script_write_failed = 0;
}

static int IsRegularFile(const struct stat* status) {
  return (status->st_mode & S_IFMT) == S_IFREG;
}

// Opens the script only when it is a regular file (or, for writing, not there yet): a
// FIFO or a device could hold the whole program in fopen or in its first read, waiting
// for a peer that never comes. The handle is checked again, in case the name changed
// meanwhile. Returns NULL when the file is refused or cannot be opened.
static FILE* OpenScriptFile(const char* mode, int for_writing) {
  struct stat status;
  if (stat(ScriptFileName, &status) == 0) {
    if (!IsRegularFile(&status)) return NULL;
  } else if (!for_writing) {
    return NULL;
  }
  FILE* file = fopen(ScriptFileName, mode);
  if (file == NULL) return NULL;
  if (fstat(fileno(file), &status) != 0 || !IsRegularFile(&status)) {
    fclose(file);
    return NULL;
  }
  return file;
}

void WriteScriptRecord(int kind, int x, int y, signed char key) {
  if (script_file != NULL && !script_for_writing) CloseScriptFile();
  if (script_file == NULL) {
    script_file = OpenScriptFile("wt", 1);
    if (script_file == NULL) {
      LogPrintf("Cannot open script file %s for writing\n", ScriptFileName);
      return;
    }
    script_for_writing = 1;
    script_write_failed = 0;
  }
  int written;
  switch (kind) {
    case EventMouse:
      written = fprintf(script_file, "KX507_MOUSE(%d, %d);\n", x, y);
      break;
    case EventKey:
      written = fprintf(script_file, "KX507_KBD(%d);\n", (int)key);
      break;
    case EventPeriodic:
      written = fprintf(script_file, "KX507_PERIODIC(%d);\n", pending_ticks);
      break;
    default:
      return;
  }
  // Flushed record by record, so a run that is killed keeps what it recorded.
  int flushed = fflush(script_file);
  if ((written < 0 || flushed != 0 || ferror(script_file)) && !script_write_failed) {
    script_write_failed = 1;
    LogPrintf("Cannot write to script file %s\n", ScriptFileName);
  }
}

// Writes the run of ticks not yet written, if any.
static void WritePendingTicks(void) {
  if (pending_ticks > 0) {
    WriteScriptRecord(EventPeriodic, 0, 0, 0);
    pending_ticks = 0;
  }
}

void RecordEvent(int kind, int x, int y, signed char key) {
  if (kind == EventPeriodic) {
    if (pending_ticks == INT_MAX) WritePendingTicks();
    pending_ticks += 1;
    return;
  }
  WritePendingTicks();
  WriteScriptRecord(kind, x, y, key);
}

void StopPlayback(void) {
  playing_back = 0;
  play_one = 0;
  if (!recording) pending_ticks = 0;
  SetMenuCheck(CommandPlaybackScript, 0);
}

static void StopRecording(void) {
  recording = 0;
  SetMenuCheck(CommandRecordScript, 0);
  WritePendingTicks();
  CloseScriptFile();
}

// A script written on Windows ends its lines with CR LF, which a text-mode read there
// turns into LF; elsewhere the CR is still in the line. So CRs right before the newline
// count as part of the line end: a line of nothing else is empty, the same wherever it
// is read (one CR more or less makes no difference).
static int IsEmptyLine(const char* line) {
  while (*line == '\r') ++line;
  return *line == '\n';
}

// Reads the next line that is not empty into line. Returns 1 with a line, 0 at the end
// of the file, -1 when the stream cannot be read.
static int ReadScriptLine(char* line) {
  do {
    if (fgets(line, ScriptLineSize, script_file) == NULL) return feof(script_file) ? 0 : -1;
  } while (!feof(script_file) && IsEmptyLine(line));
  // A last line without its newline runs into the end of the file and is not used.
  return feof(script_file) ? 0 : 1;
}

int ReadScriptEvent(void) {
  if (recording || (script_file != NULL && script_for_writing)) StopRecording();
  if (script_file == NULL) {
    script_file = OpenScriptFile("rt", 0);
    if (script_file == NULL) {
      LogPrintf("Cannot open script file %s for reading\n", ScriptFileName);
      StopPlayback();
      return 0;
    }
    script_for_writing = 0;
  }
  if (pending_ticks > 0) {
    pending_ticks -= 1;
    event_kind = EventPeriodic;
    return 1;
  }
  char line[ScriptLineSize];
  int got = ReadScriptLine(line);
  if (got == 0) {
    LogPrintf("EOF encountered in script file %s\n", ScriptFileName);
    StopPlayback();
    return 0;
  }
  if (got < 0) {
    // Closed, so the next playback tries the file afresh.
    LogPrintf("Cannot read script file %s\n", ScriptFileName);
    StopPlayback();
    CloseScriptFile();
    return 0;
  }
  int x = 0;
  int y = 0;
  signed char key = 0;
  int count = 0;
  switch (ParseScriptLine(line, &x, &y, &key, &count)) {
    case EventKey:
      event_kind = EventKey;
      event_key = key;
      return 1;
    case EventMouse:
      event_kind = EventMouse;
      event_x = x;
      event_y = y;
      return 1;
    case EventPeriodic:
      event_kind = EventPeriodic;
      // A count of 0 yields one tick, like 1.
      pending_ticks = count > 0 ? count - 1 : 0;
      return 1;
    default:
      StopPlayback();
      return 0;
  }
}

void ToggleRecording(void) {
  if (recording) {
    StopRecording();
    return;
  }
  if (playing_back || play_one) StopPlayback();
  // Whatever is open now was opened for reading; the writer starts the file afresh.
  CloseScriptFile();
  pending_ticks = 0;
  recording = 1;
  SetMenuCheck(CommandRecordScript, 1);
}

void TogglePlayback(void) {
  if (playing_back) {
    StopPlayback();
    CloseScriptFile();
    return;
  }
  if (recording) StopRecording();
  animating = 0;
  single_step = 0;
  playing_back = 1;
  SetMenuCheck(CommandPlaybackScript, 1);
}

void PlayOneEvent(void) {
  if (recording) StopRecording();
  play_one = 1;
  animating = 0;
  single_step = 0;
}
