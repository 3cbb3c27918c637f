// Must not compile: the runtime's state is private to the runtime.
#include "runtime_state.h"
