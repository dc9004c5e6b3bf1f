// POSIX entry: the argument list becomes the command tail.
#include "monitor/monitor.h"

namespace {
char CommandTail[32 * 1024];
}

int main(int argc, char **argv) {
  char *tail = FormTailFromArguments(argc, argv, CommandTail, sizeof CommandTail);
  return MonitorMain(nullptr, 0, tail, 0);
}
