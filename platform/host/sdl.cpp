// The desktop host: native windows through SDL2.
#include "host/host.h"

namespace platform {

std::unique_ptr<Host> MakeSdlHost() { return nullptr; }

}  // namespace platform
