// The round loop: status words, waits and uploads in order, checked on a
// simulated clock with a fake ftp client first on PATH.
#include "monitor/monitor.h"
#include "recording_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string &path, const std::string &text) { std::ofstream(path) << text; }

bool Exists(const std::string &path) { return std::filesystem::exists(path); }

// The fake client logs its arguments, and whether the source file was still
// there, then ends with the status written in ftp.status. On POSIX it is
// bin/ftp, first on PATH; on Windows it is ftp.bat in the working
// directory, where cmd looks before PATH.
#ifdef _WIN32
const char ClientFile[] = "ftp.bat";
const char ClientText[] = "@echo off\r\n"
                          "if exist stats.log (set s=present) else (set s=absent)\r\n"
                          ">>ftp.log echo %* %s%\r\n"
                          "set rc=0\r\n"
                          "if exist ftp.status set /p rc=<ftp.status\r\n"
                          "exit /b %rc%\r\n";
void SetPath(const std::string &value) { _putenv_s("PATH", value.c_str()); }
std::string ClientPath(const std::string &) { return ""; }
#else
const char ClientFile[] = "bin/ftp";
const char ClientText[] = "#!/bin/sh\n"
                          "if [ -e stats.log ]; then s=present; else s=absent; fi\n"
                          "echo \"$* $s\" >> ftp.log\n"
                          "exit $(cat ftp.status 2>/dev/null || echo 0)\n";
void SetPath(const std::string &value) { setenv("PATH", value.c_str(), 1); }
std::string ClientPath(const std::string &dir) { return dir + "/bin:"; }
#endif

class Rounds : public testing::Test {
protected:
  std::filesystem::path dir, oldCwd;
  std::string oldPath;

  void SetUp() override {
    ResetRoundState();
    std::random_device random;
    dir = std::filesystem::temp_directory_path() / ("zwstats-rounds-" + std::to_string(random()));
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::filesystem::create_directory("bin");
    WriteFile(ClientFile, ClientText);
    std::filesystem::permissions(ClientFile, std::filesystem::perms::owner_all);
    const char *path = std::getenv("PATH");
    oldPath = path ? path : "";
    SetPath(ClientPath(dir.string()) + oldPath);
    WriteFile("up.scr", "open 127.0.0.1\n");
  }

  void TearDown() override {
    SetPath(oldPath);
    std::filesystem::current_path(oldCwd);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }

  int Run(const char *tailText) {
    std::snprintf(tail, sizeof tail, "%s", tailText);
    return MonitorMain(nullptr, 0, tail, 0);
  }

  void At(std::uint64_t ms, std::function<void()> action) {
    Recorder.actions.push_back({ms, std::move(action)});
  }

  // The window is closed from outside at a given moment.
  void CloseWindowAt(std::uint64_t ms) {
    At(ms, [] { QuitFlag = 1; });
  }

  char tail[512];
};

TEST_F(Rounds, ShortCommandLineShowsUsageAndEnds) {
  EXPECT_EQ(0, Run("stats.log 30"));
  EXPECT_EQ("setup\ncreate status=\nmessage " + std::string(UsageMessage) + "\ndestroy\n",
            JoinEvents(Recorder.events));
}

TEST_F(Rounds, MissingScriptShowsFatalAndProbesNothing) {
  WriteFile("stats.log", "data");
  EXPECT_EQ(0, Run("stats.log 5 missing.scr"));
  EXPECT_EQ("setup\ncreate status=\nrestore stats.log|5|missing.scr\n"
            "message FATAL: Specified FTP Script Not Found.\ndestroy\n",
            JoinEvents(Recorder.events));
  EXPECT_TRUE(Exists("stats.log"));
  EXPECT_FALSE(Exists("ftp.log"));
}

TEST_F(Rounds, SleepsDelaySecondsAsSeparateWaitsThenScansAgain) {
  CloseWindowAt(3000);
  EXPECT_EQ(0, Run("stats.log 2 up.scr"));
  EXPECT_EQ("setup\ncreate status=\nrestore stats.log|2|up.scr\n"
            "SCAN@0\nwait 250\nSLEEPING@250 restore\nwait 1000\nwait 1000\n"
            "SCAN@2250\nwait 250\nSLEEPING@2500 restore\nwait 1000\nwait 1000\n"
            "destroy\n",
            JoinEvents(Recorder.events));
  EXPECT_FALSE(Exists("stats.log")) << "the probe must never create the file";
}

TEST_F(Rounds, ZeroOrNegativeDelayProbesEvery250Ms) {
  for (const char *tailText : {"stats.log 0 up.scr", "stats.log -3 up.scr", "stats.log x up.scr"}) {
    ResetRoundState();
    CloseWindowAt(600);
    EXPECT_EQ(0, Run(tailText));
    EXPECT_EQ("setup\ncreate status=\nrestore stats.log|" + std::string(DelayText) +
                  "|up.scr\nSCAN@0\nwait 250\nSLEEPING@250 restore\nSCAN@250\nwait 250\n"
                  "SLEEPING@500 restore\nSCAN@500\nwait 250\nSLEEPING@750 restore\ndestroy\n",
              JoinEvents(Recorder.events))
        << tailText;
  }
}

TEST_F(Rounds, FilePresentAtStartIsUploadedDeletedAndANewRoundBegins) {
  WriteFile("stats.log", "data");
  CloseWindowAt(2000);
  EXPECT_EQ(0, Run("stats.log 1 up.scr"));
  EXPECT_EQ("setup\ncreate status=\nrestore stats.log|1|up.scr\n"
            "SCAN@0\nwait 250\nUPLOAD@250\nRESET@250\nwait 250\ndestroy\n"
            "create status=RESET\nrestore stats.log|1|up.scr\n"
            "SCAN@500\nwait 250\nSLEEPING@750 restore\nwait 1000\n"
            "SCAN@1750\nwait 250\nSLEEPING@2000 restore\nwait 1000\ndestroy\n",
            JoinEvents(Recorder.events));
  EXPECT_EQ("-s:up.scr present\n", ReadFile("ftp.log"));
  EXPECT_FALSE(Exists("stats.log"));
}

TEST_F(Rounds, FileAppearingWhileSleepingIsFoundAtTheNextScan) {
  At(1100, [] { WriteFile("stats.log", "late"); });
  CloseWindowAt(3000);
  Run("stats.log 1 up.scr");
  std::string events = JoinEvents(Recorder.events);
  EXPECT_NE(std::string::npos, events.find("SCAN@1250\nwait 250\nUPLOAD@1500\nRESET@1500\n"))
      << events;
  EXPECT_FALSE(Exists("stats.log"));
}

TEST_F(Rounds, FailedUploadKeepsTheFileAndRetriesAfterTheDelay) {
  WriteFile("stats.log", "only copy");
  // A whole line: Wine's cmd reads nothing from a line without its end.
  WriteFile("ftp.status", "1\n");
  At(1500, [] { WriteFile("ftp.status", "0\n"); });
  CloseWindowAt(5000);
  Run("stats.log 2 up.scr");
  std::string events = JoinEvents(Recorder.events);
  EXPECT_NE(std::string::npos,
            events.find("SCAN@0\nwait 250\nUPLOAD@250\nSLEEPING@250 restore\nwait 1000\n"
                        "wait 1000\nSCAN@2250\nwait 250\nUPLOAD@2500\nRESET@2500\n"))
      << events;
  EXPECT_EQ("-s:up.scr present\n-s:up.scr present\n", ReadFile("ftp.log"));
  EXPECT_FALSE(Exists("stats.log"));
}

TEST_F(Rounds, MissingClientKeepsTheFile) {
  WriteFile("stats.log", "only copy");
  std::remove(ClientFile);
  SetPath("/nonexistent");
  CloseWindowAt(1000);
  Run("stats.log 1 up.scr");
  EXPECT_TRUE(Exists("stats.log"));
  EXPECT_EQ(std::string::npos, JoinEvents(Recorder.events).find("RESET"));
}

TEST_F(Rounds, ScriptRemovedWhileMonitoringEndsAfterTheNextUpload) {
  At(1000, [] {
    std::remove("up.scr");
    WriteFile("stats.log", "data");
  });
  EXPECT_EQ(0, Run("stats.log 1 up.scr"));
  std::string events = JoinEvents(Recorder.events);
  EXPECT_NE(std::string::npos,
            events.find("UPLOAD@1500\nRESET@1500\nwait 250\ndestroy\ncreate status=RESET\n"
                        "restore stats.log|1|up.scr\n"
                        "message FATAL: Specified FTP Script Not Found.\ndestroy\n"))
      << events;
  EXPECT_EQ("-s:up.scr present\n", ReadFile("ftp.log"));
  EXPECT_FALSE(Exists("stats.log"));
}

TEST_F(Rounds, QuitDuringSleepServesTheWholeWaitThenStops) {
  CloseWindowAt(300);
  Run("stats.log 100 up.scr");
  const std::vector<std::string> &e = Recorder.events;
  EXPECT_EQ(100, std::count(e.begin(), e.end(), std::string("wait 1000")));
  EXPECT_EQ(1, std::count(e.begin(), e.end(), std::string("SCAN@0")));
  EXPECT_EQ(100250u, Recorder.clockMs);
  EXPECT_EQ("destroy", e.back());
  EXPECT_EQ("wait 1000", e[e.size() - 2]);
}

} // namespace
