// The upload command text and how its result is read.
#include "monitor/monitor.h"
#include "monitor/platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs RunUpload with a fake client that writes its argument vector, one
// argument a line, and returns what it saw.
std::string UploadArguments(const std::string &script, int exitStatus, bool *succeeded) {
  char pattern[] = "/tmp/zwstats-upload-XXXXXX";
  EXPECT_NE(nullptr, mkdtemp(pattern));
  std::string dir = pattern;
  std::ofstream(dir + "/ftp") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                              << dir << "/args\nexit " << exitStatus << "\n";
  chmod((dir + "/ftp").c_str(), 0755);
  std::string oldPath = std::getenv("PATH");
  setenv("PATH", (dir + ":" + oldPath).c_str(), 1);
  std::snprintf(ScriptPath, sizeof ScriptPath, "%s", script.c_str());
  *succeeded = RunUpload();
  setenv("PATH", oldPath.c_str(), 1);
  std::ifstream in(dir + "/args");
  std::stringstream s;
  s << in.rdbuf();
  std::system(("rm -rf " + dir).c_str());
  return s.str();
}

TEST(RunUpload, CommandIsFtpDashSAndTheScriptPathByteForByte) {
  bool ok = false;
  EXPECT_EQ("-s:up.scr\n", UploadArguments("up.scr", 0, &ok));
  EXPECT_TRUE(ok);
  EXPECT_STREQ("ftp -s:up.scr", StatusText);
  // A leading blank stands right after the colon; the shell then splits it
  // off, as cmd would: nothing in the tool trims or quotes it.
  UploadArguments(" up.scr", 0, &ok);
  EXPECT_STREQ("ftp -s: up.scr", StatusText);
  std::string longest(131, 'u');
  UploadArguments(longest, 0, &ok);
  EXPECT_EQ(138u, std::strlen(StatusText));
  EXPECT_EQ("ftp -s:" + longest, std::string(StatusText));
}

TEST(RunUpload, NonZeroStatusIsAFailure) {
  bool ok = true;
  UploadArguments("up.scr", 1, &ok);
  EXPECT_FALSE(ok);
  UploadArguments("up.scr", 127, &ok);
  EXPECT_FALSE(ok);
}

TEST(UploadSucceeded, OnlyANormalExitWithZero) {
  EXPECT_TRUE(UploadSucceeded(0));
  EXPECT_FALSE(UploadSucceeded(-1));
  EXPECT_FALSE(UploadSucceeded(1 << 8));
  EXPECT_FALSE(UploadSucceeded(127 << 8));
  EXPECT_FALSE(UploadSucceeded(SIGKILL)); // killed by a signal
  EXPECT_FALSE(UploadSucceeded(SIGTERM));
}

} // namespace
