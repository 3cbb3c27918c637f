// The program: the process entry hands its start-up arguments to the main routine.
#include <windows.h>

#include "garden.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show_mode) {
  return GardenMain(instance, previous, command_line, show_mode);
}
