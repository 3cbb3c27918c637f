// The process entry of a windowed program: main() hands WinMain the start-up
// arguments the way Windows' start-up code does.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  // The command line WinMain sees holds the arguments only, without the program name.
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  static const int kInstance = 0;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(const_cast<int*>(&kInstance));
  return WinMain(instance, nullptr, line.data(), SW_SHOWDEFAULT);
}
