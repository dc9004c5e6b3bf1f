// The round loop: status words, waits and uploads in order, checked on a
// simulated clock with a fake ftp client first on PATH.
#include "monitor/monitor.h"
#include "recording_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string &path, const std::string &text) { std::ofstream(path) << text; }

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

class Rounds : public testing::Test {
protected:
  std::string dir, oldPath, oldCwd;

  void SetUp() override {
    ResetRoundState();
    char pattern[] = "/tmp/zwstats-rounds-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    oldCwd = cwd;
    ASSERT_EQ(0, chdir(dir.c_str()));
    // The fake client logs its arguments, and whether the source file was
    // still there, then ends with the status written in ftp.status.
    mkdir("bin", 0755);
    WriteFile("bin/ftp", "#!/bin/sh\n"
                         "if [ -e stats.log ]; then s=present; else s=absent; fi\n"
                         "echo \"$* $s\" >> ftp.log\n"
                         "exit $(cat ftp.status 2>/dev/null || echo 0)\n");
    chmod("bin/ftp", 0755);
    const char *path = std::getenv("PATH");
    oldPath = path ? path : "";
    setenv("PATH", (dir + "/bin:" + oldPath).c_str(), 1);
    WriteFile("up.scr", "open 127.0.0.1\n");
  }

  void TearDown() override {
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(0, chdir(oldCwd.c_str()));
    std::system(("rm -rf " + dir).c_str());
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
  WriteFile("ftp.status", "1");
  At(1500, [] { WriteFile("ftp.status", "0"); });
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
  setenv("PATH", "/nonexistent", 1);
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
