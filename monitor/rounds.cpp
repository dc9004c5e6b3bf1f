// The round loop: watch for the source file, upload it, delete it, start over.
#include "monitor/display.h"
#include "monitor/monitor.h"
#include "monitor/platform.h"

#include <cstdio>

namespace {

const std::uint32_t ScanPauseMs = 250;
const std::uint32_t SleepUnitMs = 1000;
const std::uint32_t ResetPauseMs = 250;

void SleepDelay() {
  // Whole-second waits one by one: no product is formed, so any positive
  // 32-bit delay is valid, and none at all for zero or below.
  for (std::int32_t i = 0; i < DelaySeconds; ++i)
    WaitMilliseconds(SleepUnitMs);
}

// Scans until the source file has been uploaded and deleted, or QuitFlag
// stops it at one of its two test points.
void WatchSourceFile() {
  while (!QuitFlag) {
    ShowStatus("SCAN", false);
    WaitMilliseconds(ScanPauseMs);
    if (FileExists(SourcePath)) {
      ShowStatus("UPLOAD", false);
      // A failed upload keeps the file: it may be the only copy. It is sent
      // again after the operator's delay, in this same round.
      if (RunUpload()) {
        ShowStatus("RESET", false);
        std::remove(SourcePath);
        WaitMilliseconds(ResetPauseMs);
        RestartFlag = 1;
        return;
      }
    }
    ShowStatus("SLEEPING", true);
    SleepDelay();
  }
}

} // namespace

int MonitorMain(void *instance, int, char *tail, int) {
  SetUpDisplay(instance);
  do {
    QuitFlag = 0;
    RestartFlag = 0;
    CreateStatusWindow();
    if (!TakeArguments(tail)) {
      ShowMessage(UsageMessage);
    } else {
      RestoreStatusWindow();
      if (!FileExists(ScriptPath))
        ShowMessage(ScriptMissingMessage);
      else
        WatchSourceFile();
    }
    DestroyStatusWindow();
  } while (RestartFlag);
  return 0;
}
