// The upload: the platform's ftp client runs the operator's script.
#include "monitor/monitor.h"
#include "monitor/platform.h"

#include <cstdio>
#include <cstdlib>

bool RunUpload() {
  // The command replaces the word "UPLOAD" in StatusText; the window is not
  // repainted until "RESET", so it is never shown.
  std::snprintf(StatusText, sizeof StatusText, "ftp -s:%s", ScriptPath);
  return UploadSucceeded(std::system(StatusText));
}
