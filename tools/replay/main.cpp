#include "replay.h"

int main(int argc, char** argv) { return replay::ReplayMain(argc, argv); }
