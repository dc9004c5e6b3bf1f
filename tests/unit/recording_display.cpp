#include "recording_display.h"

#include "monitor/display.h"
#include "monitor/monitor.h"
#include "monitor/platform.h"

#include <cstring>

RoundRecorder Recorder;

void ResetRoundState() {
  Recorder = RoundRecorder();
  std::memset(SourcePath, 0, sizeof SourcePath);
  std::memset(DelayText, 0, sizeof DelayText);
  std::memset(ScriptPath, 0, sizeof ScriptPath);
  std::memset(WordTable, 0, sizeof WordTable);
  std::memset(StatusText, 0, sizeof StatusText);
  DelaySeconds = 0;
  WordCount = 0;
  ScanIndex = 0;
  QuitFlag = 0;
  RestartFlag = 0;
}

std::string JoinEvents(const std::vector<std::string> &events) {
  std::string all;
  for (const std::string &e : events)
    all += e + "\n";
  return all;
}

void WaitMilliseconds(std::uint32_t ms) {
  Recorder.events.push_back("wait " + std::to_string(ms));
  Recorder.clockMs += ms;
  for (ScheduledAction &a : Recorder.actions) {
    if (a.action && a.atMs <= Recorder.clockMs) {
      std::function<void()> run = a.action;
      a.action = nullptr;
      run();
    }
  }
  if (Recorder.clockMs >= Recorder.limitMs) {
    Recorder.hitLimit = true;
    QuitFlag = 1;
  }
}

void SetUpDisplay(void *) { Recorder.events.push_back("setup"); }

void CreateStatusWindow() { Recorder.events.push_back(std::string("create status=") + StatusText); }

void RestoreStatusWindow() {
  Recorder.events.push_back(std::string("restore ") + SourcePath + "|" + DelayText + "|" +
                            ScriptPath);
}

void ShowStatus(const char *word, bool restore) {
  std::strcpy(StatusText, word);
  Recorder.events.push_back(std::string(word) + "@" + std::to_string(Recorder.clockMs) +
                            (restore ? " restore" : ""));
}

void ShowMessage(const char *text) { Recorder.events.push_back(std::string("message ") + text); }

void DestroyStatusWindow() {
  Recorder.events.push_back("destroy");
  QuitFlag = 1;
}
