// File probe and upload result for Windows and its C runtime.
#include "monitor/platform.h"

#include <cstdio>
#include <share.h>

bool FileExists(const char *path) {
  // Read-only with deny-none sharing, so a producer holding the file open is
  // not disturbed. The runtime refuses to open a directory this way.
  FILE *file = _fsopen(path, "r", _SH_DENYNO);
  if (file == nullptr)
    return false;
  std::fclose(file);
  return true;
}

// system() here returns the interpreter's exit code, -1 when none ran.
bool UploadSucceeded(int systemResult) { return systemResult == 0; }
