// The monitor's rounds with the waits faked and a display that does nothing,
// so a profiler counts only the work of the scan passes themselves.
// Usage: pass_bench PASSES SRC SCRIPT
// Runs at delay 0, where a pass has exactly one wait (the scan pause), and
// raises QuitFlag in the PASSES-th wait so the last pass ends the program.
#include "monitor/display.h"
#include "monitor/monitor.h"
#include "monitor/platform.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::uint32_t WaitsLeft;
char CommandTail[1024];
} // namespace

void WaitMilliseconds(std::uint32_t) {
  if (WaitsLeft > 0)
    --WaitsLeft;
  if (WaitsLeft == 0)
    QuitFlag = 1;
}

void SetUpDisplay(void *) {}
void CreateStatusWindow() {}
void RestoreStatusWindow() {}
void ShowStatus(const char *, bool) {}
void ShowMessage(const char *text) { std::fprintf(stderr, "%s\n", text); }
void DestroyStatusWindow() { QuitFlag = 1; }

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fputs("usage: pass_bench PASSES SRC SCRIPT\n", stderr);
    return 2;
  }
  WaitsLeft = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
  char delay[] = "0";
  char *words[] = {argv[0], argv[2], delay, argv[3]};
  char *tail = FormTailFromArguments(4, words, CommandTail, sizeof CommandTail);
  return MonitorMain(nullptr, 0, tail, 0);
}
