// Windows entry point: the tail comes from the whole command line, so the
// monitor's own split applies and no C runtime argument parsing is used.
#include "monitor/monitor.h"

#include <windows.h>

namespace {

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  char *tail = FormCommandTail(GetCommandLineA(), IsAnsiLeadByte);
  return MonitorMain(GetModuleHandleA(nullptr), 0, tail, startup.wShowWindow);
}
