// The desktop host's answer to a lost X connection.
#pragma once

namespace platform {

// Makes losing the X server end the process at once, with status 1 and one line on
// stderr, without touching the dead connection again. Call after SDL has opened its
// display on the x11 driver; does nothing where Xlib is not built in.
void GuardX11Connection();

}  // namespace platform
