// A display that records every call, and a wait that advances a simulated
// clock and fires actions at chosen moments, so the round loop can be
// checked without real time or a window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ScheduledAction {
  std::uint64_t atMs;
  std::function<void()> action;
};

struct RoundRecorder {
  std::vector<std::string> events; // "create", "SCAN@250 restore=0", "wait 250", ...
  std::uint64_t clockMs = 0;
  std::uint64_t limitMs = 60 * 60 * 1000; // a runaway loop is closed here
  std::vector<ScheduledAction> actions;
  bool hitLimit = false;
};

extern RoundRecorder Recorder;

void ResetRoundState();
std::string JoinEvents(const std::vector<std::string> &events);
