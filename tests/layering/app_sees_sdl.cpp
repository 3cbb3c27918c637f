// Must not compile: SDL stays behind the platform.
#include <SDL.h>
