// Blocking wait for Windows.
#include "monitor/platform.h"

#include <windows.h>

void WaitMilliseconds(std::uint32_t ms) { Sleep(ms); }
