// The probe: what counts as a present source file on POSIX.
#include "monitor/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Probe : public testing::Test {
protected:
  std::string dir;
  void SetUp() override {
    char pattern[] = "/tmp/zwstats-probe-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + dir).c_str()); }
  std::string At(const char *name) { return dir + "/" + name; }
};

TEST_F(Probe, RegularFilesArePresentAndLinksAreFollowed) {
  std::ofstream(At("stats.log")) << "x";
  std::ofstream(At("empty.log"));
  ASSERT_EQ(0, symlink(At("stats.log").c_str(), At("link").c_str()));
  EXPECT_TRUE(FileExists(At("stats.log").c_str()));
  EXPECT_TRUE(FileExists(At("empty.log").c_str()));
  EXPECT_TRUE(FileExists(At("link").c_str()));
}

TEST_F(Probe, EverythingElseIsAbsentAndNothingIsCreated) {
  ASSERT_EQ(0, mkdir(At("dir").c_str(), 0755));
  ASSERT_EQ(0, mkfifo(At("fifo").c_str(), 0644));
  ASSERT_EQ(0, symlink(At("gone").c_str(), At("dangling").c_str()));
  const std::string absent[] = {At("missing"),  At("dir"),   At("fifo"),
                                At("dangling"), "/dev/null", ""};
  for (const std::string &path : absent)
    EXPECT_FALSE(FileExists(path.c_str())) << path;
  struct stat info;
  EXPECT_NE(0, stat(At("missing").c_str(), &info));
  EXPECT_NE(0, stat(At("gone").c_str(), &info)) << "a dangling link must not create its target";
}

TEST_F(Probe, NeverTruncates) {
  std::ofstream(At("stats.log")) << "twelve bytes";
  EXPECT_TRUE(FileExists(At("stats.log").c_str()));
  struct stat info;
  ASSERT_EQ(0, stat(At("stats.log").c_str(), &info));
  EXPECT_EQ(12, info.st_size);
}

// Whether FileExists finds path when an unprivileged user asks: root reads
// every file whatever its mode, so as root the question goes to a child
// running as nobody.
bool ExistsForUnprivileged(const std::string &path) {
  if (geteuid() != 0)
    return FileExists(path.c_str());
  pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0)
      _exit(2);
    _exit(FileExists(path.c_str()) ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST_F(Probe, UnreadableFileIsAbsent) {
  ASSERT_EQ(0, chmod(dir.c_str(), 0755));
  std::ofstream(At("readable")) << "x";
  std::ofstream(At("locked")) << "x";
  ASSERT_EQ(0, chmod(At("locked").c_str(), 0));
  EXPECT_TRUE(ExistsForUnprivileged(At("readable")));
  EXPECT_FALSE(ExistsForUnprivileged(At("locked")));
}

} // namespace
