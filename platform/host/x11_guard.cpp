// Xlib's default I/O error handler ends the process with exit(): the exit handlers then
// run the host's destructor, whose SDL calls wait on the dead connection for ever. The
// handler here leaves with _exit instead, so nothing of ours runs after the loss.
#include "host/x11_guard.h"

#if defined(PLATFORM_HAVE_X11)
#include <X11/Xlib.h>
#include <unistd.h>

namespace platform {
namespace {

int OnConnectionLost(Display*) {
  // Only async-signal-safe calls: Xlib may be anywhere when this runs.
  static const char kMessage[] = "bug-garden: the connection to the display was lost\n";
  ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  (void)ignored;
  _exit(1);
}

}  // namespace

void GuardX11Connection() { XSetIOErrorHandler(OnConnectionLost); }

}  // namespace platform

#else

namespace platform {
void GuardX11Connection() {}
}  // namespace platform

#endif
