// Event wait and run control: the message pump, the run modes, and the input branches of
// the drawing window's procedure.
#include "event_script.h"
#include "observer.h"
#include "runtime_state.h"

int event_kind = -1;
int event_x = 0;
int event_y = 0;
signed char event_key = 0;
unsigned char animating = 0;
unsigned char single_step = 0;
unsigned char quit_requested = 0;
int tick_pending = 0;
int ctrl_down = 0;

// The Run menu's commands; a Ctrl shortcut does exactly what its menu item does.
static void RunCommand(int id) {
  switch (id) {
    case CommandAnimate:
      animating = 1;
      break;
    case CommandHalt:
      animating = 0;
      break;
    case CommandAdvanceFrame:
      animating = 0;
      single_step = 1;
      break;
    case CommandLogging:
      ToggleLogging();
      break;
    case CommandRecordScript:
      ToggleRecording();
      break;
    case CommandPlaybackScript:
      TogglePlayback();
      break;
    case CommandPlayOneScript:
      PlayOneEvent();
      break;
    case CommandQuit:
      PostQuitMessage(0);
      break;
  }
}

static int ShortcutCommand(WPARAM key_code) {
  switch (key_code) {
    case 'A':
      return CommandAnimate;
    case 'H':
      return CommandHalt;
    case 'F':
      return CommandAdvanceFrame;
    case 'L':
      return CommandLogging;
    case 'R':
      return CommandRecordScript;
    case 'P':
      return CommandPlaybackScript;
    case 'O':
      return CommandPlayOneScript;
    case 'Q':
      return CommandQuit;
    default:
      return 0;
  }
}

void HandleInputMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      event_kind = EventMouse;
      event_x = (int)LOWORD(lparam) - origin.x;
      event_y = origin.y - (int)HIWORD(lparam);
      break;
    case WM_CHAR:
      if (ctrl_down != 1) {
        event_kind = EventKey;
        event_key = (signed char)(wparam & 0xFF);
      }
      break;
    case WM_TIMER:
      tick_pending = 1;
      break;
    case WM_KEYUP:
      if (wparam == VK_CONTROL) ctrl_down = 0;
      break;
    case WM_KEYDOWN:
      if (wparam == VK_CONTROL) {
        ctrl_down = 1;
      } else if (ctrl_down == 1) {
        int id = ShortcutCommand(wparam);
        if (id != 0) RunCommand(id);
      }
      break;
    case WM_COMMAND:
      if (wparam >= FirstRunCommand && wparam <= LastRunCommand) RunCommand((int)wparam);
      break;
  }
}

int PumpOnce(void) {
  MSG message;
  int result = PumpIdle;
  if (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return PumpQuit;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    result = PumpDispatched;
  }
  if (buffer_dirty) {
    BitBlt(window_dc, 0, 0, BackBufferWidth, BackBufferHeight, back_buffer_dc, 0, 0, SRCCOPY);
    buffer_dirty = 0;
  }
  return result;
}

int AwaitEvent(int* x, int* y, signed char* key) {
  event_kind = -1;
  event_x = 0;
  event_y = 0;
  event_key = 0;
  for (;;) {
    int pumped = PumpOnce();
    if (pumped == PumpQuit) {
      event_kind = EventQuit;
      break;
    }
    int script_read = 0;
    if (play_one || playing_back) {
      play_one = 0;
      script_read = 1;
      if (ReadScriptEvent()) break;
      play_one = 0;
      playing_back = 0;
      if (runtime_observer.playback_stopped) runtime_observer.playback_stopped();
    }
    if (event_kind == -1 && (single_step || animating)) {
      event_kind = EventPeriodic;
      tick_pending = 0;
      single_step = 0;
      play_one = 0;
    }
    if ((event_kind != -1 && event_kind != EventPeriodic) ||
        (event_kind == EventPeriodic && tick_pending))
      break;
    // Nothing happened in this pass: sleep until the queue has something (input, a
    // posted message, a paint or a due timer) instead of spinning on an empty queue.
    // Halted with a tick already noted, another tick would change nothing: sleep
    // through the timer and wake for the rest only.
    if (pumped == PumpIdle && !script_read) {
      if (event_kind == -1 && tick_pending && !animating && !single_step)
        MsgWaitForMultipleObjects(0, NULL, FALSE, INFINITE, QS_ALLINPUT & ~QS_TIMER);
      else
        WaitMessage();
    }
  }
  if (recording) RecordEvent(event_kind, event_x, event_y, event_key);
  *x = event_x;
  *y = event_y;
  *key = event_key;
  return quit_requested ? EventQuit : event_kind;
}

int SetRunMode(int mode) {
  if (draw_window == NULL) return 0;
  switch (mode) {
    case RunHalt:
      single_step = 0;
      animating = 0;
      break;
    case RunOneFrame:
      single_step = 1;
      break;
    case RunAnimate:
      animating = 1;
      break;
    case RunQuit:
      quit_requested = 1;
      break;
  }
  return 1;
}
