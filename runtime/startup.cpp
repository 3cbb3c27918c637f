// Start-up and close: the drawing window with its back buffer and Run menu, the log
// window, the animation timer.
#include "event_script.h"
#include "runtime_state.h"

HWND draw_window = NULL;
HWND log_window = NULL;
HDC window_dc = NULL;
HBITMAP back_buffer_bitmap = NULL;
HDC back_buffer_dc = NULL;
HMENU run_menu = NULL;
POINT origin = {0, 0};
int buffer_dirty = 1;

// Where people find us; the three grayed lines at the foot of the Run menu.
static const char kVersionLine[] = "KX507 v2.2 July 1997";
static const char kMacLine[] = "MAC: https://example.org/bug-garden/mac";
static const char kWindowsLine[] = "WINDOWS: https://example.org/bug-garden/windows";
static const char kUpdatesLine[] = "UPDATES: https://example.org/bug-garden";

int OpenRuntime(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  (void)command_line;
  if (previous == NULL) {
    WNDCLASSA window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = DrawWindowProc;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(NULL, IDC_ARROW);
    window_class.hbrBackground = CreateSolidBrush(ColorTable[ColorWhite].color);
    window_class.lpszMenuName = "generic";
    window_class.lpszClassName = "DrawWndClass";
    RegisterClassA(&window_class);
    window_class.lpfnWndProc = TextWindowProc;
    window_class.lpszClassName = "TextWndClass";
    RegisterClassA(&window_class);
  }

  int screen_width = GetSystemMetrics(SM_CXSCREEN);
  int screen_height = GetSystemMetrics(SM_CYSCREEN);

  animating = 0;
  single_step = 0;

  draw_window = CreateWindowExA(0, "DrawWndClass", "KX507 Graphics", WS_CAPTION | WS_SYSMENU, 0, 0,
                                BackBufferWidth, BackBufferHeight, NULL, NULL, instance, NULL);
  log_window = CreateWindowExA(0, "TextWndClass", "KX507 Text", WS_OVERLAPPEDWINDOW, 0,
                               (2 * screen_height) / 3 + 1, screen_width, screen_height / 3, NULL,
                               NULL, instance, NULL);

  window_dc = GetDC(draw_window);
  back_buffer_bitmap = CreateCompatibleBitmap(window_dc, BackBufferWidth, BackBufferHeight);
  back_buffer_dc = CreateCompatibleDC(window_dc);
  SelectObject(back_buffer_dc, back_buffer_bitmap);

  // The drawing window is shown last so that it ends up in front.
  ShowWindow(log_window, show_mode);
  ShowWindow(draw_window, show_mode);

  SetTimer(draw_window, AnimationTimerId, AnimationPeriodMs, NULL);
  return 1;
}

int CloseRuntime(void) {
  ReleaseDC(draw_window, window_dc);
  CloseScriptFile();
  return 1;
}

static void BuildRunMenu(HWND window) {
  HMENU bar = CreateMenu();
  run_menu = CreatePopupMenu();
  AppendMenuA(run_menu, MF_STRING, CommandAnimate, "&Animate\tCtrl+A");
  AppendMenuA(run_menu, MF_STRING, CommandHalt, "&Halt animation\tCtrl+H");
  AppendMenuA(run_menu, MF_STRING, CommandAdvanceFrame, "Advance one &frame\tCtrl+F");
  AppendMenuA(run_menu, MF_SEPARATOR, 0, NULL);
  AppendMenuA(run_menu, MF_STRING | MF_CHECKED, CommandLogging, "&Logging\tCtrl+L");
  AppendMenuA(run_menu, MF_SEPARATOR, 0, NULL);
  AppendMenuA(run_menu, MF_STRING, CommandRecordScript, "&Record Script\tCtrl+R");
  AppendMenuA(run_menu, MF_STRING, CommandPlaybackScript, "&Playback Script\tCtrl+P");
  AppendMenuA(run_menu, MF_STRING, CommandPlayOneScript, "Play &One Script\tCtrl+O");
  AppendMenuA(run_menu, MF_SEPARATOR, 0, NULL);
  AppendMenuA(run_menu, MF_STRING, CommandQuit, "&Quit\tCtrl+Q");
  AppendMenuA(run_menu, MF_SEPARATOR, 0, NULL);
  AppendMenuA(run_menu, MF_GRAYED, CommandInfoLine, kVersionLine);
  AppendMenuA(run_menu, MF_GRAYED, CommandInfoLine, kMacLine);
  AppendMenuA(run_menu, MF_GRAYED, CommandInfoLine, kWindowsLine);
  AppendMenuA(run_menu, MF_GRAYED, CommandInfoLine, kUpdatesLine);
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)run_menu, "&Run");
  SetMenu(window, bar);
  DrawMenuBar(window);
}

LRESULT CALLBACK DrawWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      BuildRunMenu(window);
      return 0;
    case WM_SIZE: {
      RECT client;
      GetClientRect(window, &client);
      origin.x = client.left + (client.right - client.left) / 2;
      origin.y = client.top + (client.bottom - client.top) / 2;
      return 0;
    }
    case WM_PAINT: {
      // Copy through the kept window DC, not the one BeginPaint hands out.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      BitBlt(window_dc, 0, 0, BackBufferWidth, BackBufferHeight, back_buffer_dc, 0, 0, SRCCOPY);
      EndPaint(window, &paint);
      buffer_dirty = 0;
      return 0;
    }
    case WM_DESTROY:
    case WM_QUIT:
      KillTimer(window, AnimationTimerId);
      PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_COMMAND:
    case WM_TIMER:
    case WM_LBUTTONDOWN:
      HandleInputMessage(message, wparam, lparam);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}
