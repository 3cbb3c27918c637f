// bug-garden-replay on a long script: 6,000 ticks with 200 clicks on the panels, replayed
// to a summary, to the narration and to a GIF. Prints wall and CPU time of each run
// beside its budget (narration 3 s, GIF 20 s). A measurement, never a test.
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

int RowY(int row) { return -22 - 25 * row; }

// 200 rounds of 30 ticks and one click, the clicks going round the panels' buttons.
std::string LongScript() {
  struct Click {
    int x, y;
  };
  const Click clicks[] = {
      {-250, RowY(7)}, {-250, RowY(8)}, {-250, RowY(5)}, {-250, RowY(2)},
      {250, RowY(0)},  {250, RowY(1)},  {-170, RowY(2)}, {250, RowY(4)},
      {-250, RowY(4)}, {-250, RowY(3)}, {-250, RowY(6)}, {0, 0},
  };
  std::string script;
  char line[64];
  for (int i = 0; i < 200; i++) {
    script += "KX507_PERIODIC(30);\n";
    const Click& c = clicks[i % (sizeof clicks / sizeof clicks[0])];
    snprintf(line, sizeof line, "KX507_MOUSE(%d, %d);\n", c.x, c.y);
    script += line;
  }
  return script;
}

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs the tool; returns its wall time and fills *cpu with its user + system time.
double Run(const std::vector<std::string>& args, double* cpu, int* status) {
  fflush(stdout);  // or the child would print what is still buffered here
  double start = Now();
  pid_t child = fork();
  if (child == 0) {
    std::vector<char*> argv;
    static std::string tool = KX_REPLAY_BIN;
    argv.push_back(tool.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout)) _exit(127);
    execv(tool.c_str(), argv.data());
    _exit(127);
  }
  int raw = 0;
  rusage usage{};
  wait4(child, &raw, 0, &usage);
  double wall = Now() - start;
  *cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return wall;
}

long FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? long(info.st_size) : -1;
}

}  // namespace

int main() {
  char dir_template[] = "/tmp/replay-bench-XXXXXX";
  const char* dir = mkdtemp(dir_template);
  if (!dir) {
    perror("mkdtemp");
    return 1;
  }
  std::string script = std::string(dir) + "/long.scr";
  FILE* f = fopen(script.c_str(), "w");
  if (!f) {
    perror(script.c_str());
    return 1;
  }
  fputs(LongScript().c_str(), f);
  fclose(f);

  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* output;
    double budget;
  } cases[] = {
      {"summary", {script}, nullptr, 0},
      {"narration", {script, "--narration", std::string(dir) + "/long.txt"}, "long.txt", 3},
      {"gif", {script, "--gif", std::string(dir) + "/long.gif"}, "long.gif", 20},
  };
  printf("6000 ticks, 200 clicks (6200 passes), one run each:\n");
  int failures = 0;
  for (const Case& c : cases) {
    double cpu = 0;
    int status = 0;
    double wall = Run(c.args, &cpu, &status);
    printf("  %-10s wall %6.2f s  cpu %6.2f s", c.name, wall, cpu);
    if (c.budget > 0) printf("  budget %4.1f s: %s", c.budget, wall < c.budget ? "within" : "OVER");
    if (c.output) printf("  (%.1f MB)", double(FileSize(std::string(dir) + "/" + c.output)) / 1e6);
    if (status != 0) {
      printf("  exit status %d", status);
      failures++;
    }
    printf("\n");
  }
  std::string cleanup = std::string("rm -rf '") + dir + "'";
  if (system(cleanup.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir);
  return failures ? 1 : 0;
}
