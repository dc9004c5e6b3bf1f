// The status window's counterpart on a POSIX terminal.
//
// On a terminal the four lines of the status text are a block redrawn in
// place at every paint; each round starts a fresh block. Elsewhere (a pipe, a
// file, a service's journal) the settings are written once per round and
// every status word as a line of its own. Closing the window is a SIGINT,
// SIGTERM or SIGHUP: it raises QuitFlag, which the monitor acts on at its own
// test points, so an upload or a deletion is never cut off.
#include "monitor/display.h"
#include "monitor/monitor.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

char PaintText[256];
char OutputBuffer[1024];

bool OnTerminal;
bool BlockDrawn; // this round's block is on screen, the cursor on its last line

// Stop requests seen; once set, every later window is closed at once, so a
// request that arrives while a new round lowers QuitFlag is not lost.
volatile sig_atomic_t StopRequests;

void RequestStop(int) {
  if (StopRequests > 0)
    _exit(0); // a second request ends the program at once
  StopRequests = 1;
  QuitFlag = 1;
}

void InstallStopHandlers() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a read waiting for Enter returns, the waits resume.
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

int TerminalColumns() {
  winsize size;
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
    return size.ws_col;
  return 80;
}

// Draws PaintText as four rows, each cut at the right edge as the window cuts
// a line wider than its client area, so the block is always four rows high.
void PaintBlock() {
  FormatStatusLines(PaintText, sizeof PaintText);
  int columns = TerminalColumns() - 1;
  if (BlockDrawn)
    std::fputs("\r\033[3A", stdout);
  const char *line = PaintText;
  for (int row = 0; row < 4; ++row) {
    const char *end = std::strchr(line, '\n');
    int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
    std::fprintf(stdout, "\r%.*s\033[K%s", length < columns ? length : columns, line,
                 row < 3 ? "\n" : "");
    line = end ? end + 1 : line + length;
  }
  std::fflush(stdout);
  BlockDrawn = true;
}

void WriteSettingsLines() {
  FormatStatusLines(PaintText, sizeof PaintText);
  // The first three lines of the status text; the fourth is the status word.
  const char *line = PaintText;
  for (int row = 0; row < 3 && *line; ++row) {
    const char *end = std::strchr(line, '\n');
    int length = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
    std::fprintf(stdout, "%.*s\n", length, line);
    line = end ? end + 1 : line + length;
  }
  std::fflush(stdout);
}

void EndBlock() {
  if (BlockDrawn)
    std::fputs("\n", stdout);
  std::fflush(stdout);
  BlockDrawn = false;
}

} // namespace

void SetUpDisplay(void *) {
  std::setvbuf(stdout, OutputBuffer, _IOFBF, sizeof OutputBuffer);
  OnTerminal = isatty(STDOUT_FILENO) == 1;
  InstallStopHandlers();
}

void CreateStatusWindow() {
  if (StopRequests > 0)
    QuitFlag = 1;
  if (OnTerminal)
    PaintBlock();
}

void RestoreStatusWindow() {
  if (OnTerminal)
    PaintBlock();
  else
    WriteSettingsLines();
}

void ShowStatus(const char *word, bool) {
  std::strcpy(StatusText, word);
  if (OnTerminal) {
    PaintBlock();
    // The upload command runs next and shares this terminal; leave the block
    // behind so whatever the client prints cannot throw the redraw off.
    if (std::strcmp(word, "UPLOAD") == 0)
      EndBlock();
  } else {
    std::fprintf(stdout, "%s\n", StatusText);
    std::fflush(stdout);
  }
}

void ShowMessage(const char *text) {
  if (OnTerminal)
    EndBlock();
  std::fprintf(stderr, "%s\n%s\n", MessageCaption, text);
  if (isatty(STDIN_FILENO) != 1)
    return;
  std::fputs("[Press Enter]", stderr);
  // Enter is the OK button; a stop request or the end of input dismisses too.
  char c = 0;
  while (StopRequests == 0 && read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
  }
  std::fputs("\n", stderr);
}

void DestroyStatusWindow() {
  if (OnTerminal)
    EndBlock();
  QuitFlag = 1;
}
