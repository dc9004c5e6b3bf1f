// The Windows platform services: the file probe and the upload through the
// real command interpreter.
#include "monitor/monitor.h"
#include "monitor/platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class WindowsFiles : public ::testing::Test {
protected:
  void SetUp() override {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    dir_ = std::string(base) + "zwstats-test-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string &file : created_)
      DeleteFileA(file.c_str());
    RemoveDirectoryA((dir_ + "\\sub").c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  std::string Write(const char *name, const char *content) {
    std::string path = dir_ + "\\" + name;
    FILE *file = std::fopen(path.c_str(), "wb");
    std::fputs(content, file);
    std::fclose(file);
    created_.push_back(path);
    return path;
  }
  std::string dir_;
  std::vector<std::string> created_;
};

TEST_F(WindowsFiles, PresentAbsentAndDirectory) {
  std::string present = Write("stats.log", "x");
  std::string empty = Write("empty.log", "");
  CreateDirectoryA((dir_ + "\\sub").c_str(), nullptr);
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {{present, true},         {empty, true}, {dir_ + "\\missing.log", false},
               {dir_ + "\\sub", false}, {dir_, false}, {"", false}};
  for (const Case &c : cases)
    EXPECT_EQ(FileExists(c.path.c_str()), c.exists) << "'" << c.path << "'";
}

TEST_F(WindowsFiles, ProbeNeitherChangesNorLocksTheFile) {
  std::string path = Write("stats.log", "1234");
  // A producer holding the file open for writing, sharing it for reading.
  HANDLE producer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(producer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FileExists(path.c_str()));
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(producer, "ab", 2, &written, nullptr));
  CloseHandle(producer);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 4u);
  // The probe's own handle is closed: the file can be deleted at once.
  EXPECT_TRUE(FileExists(path.c_str()));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(WindowsFiles, FileHeldWithoutReadSharingCountsAsAbsent) {
  std::string path = Write("stats.log", "1234");
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileExists(path.c_str()));
  CloseHandle(holder);
  EXPECT_TRUE(FileExists(path.c_str()));
}

TEST_F(WindowsFiles, UploadRunsFtpThroughTheInterpreter) {
  // cmd.exe looks in the working directory first, so a batch file named ftp
  // stands in for the client and records its argument.
  char oldDir[MAX_PATH];
  GetCurrentDirectoryA(sizeof oldDir, oldDir);
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  Write("ftp.bat", "@echo %1> args.txt\r\n@exit %EXITCODE%\r\n");
  created_.push_back(dir_ + "\\args.txt");
  struct Case {
    const char *exitCode;
    bool succeeded;
  } cases[] = {{"0", true}, {"1", false}, {"3", false}};
  for (const Case &c : cases) {
    SetEnvironmentVariableA("EXITCODE", c.exitCode);
    std::strcpy(ScriptPath, "up.scr");
    EXPECT_EQ(RunUpload(), c.succeeded) << c.exitCode;
    EXPECT_STREQ(StatusText, "ftp -s:up.scr");
    char args[64] = "";
    FILE *file = std::fopen("args.txt", "r");
    ASSERT_NE(file, nullptr);
    std::fgets(args, sizeof args, file);
    std::fclose(file);
    EXPECT_STREQ(args, "-s:up.scr\n");
  }
  SetCurrentDirectoryA(oldDir);
}

TEST(UploadSucceeded, OnlyZeroFromTheInterpreter) {
  EXPECT_TRUE(UploadSucceeded(0));
  EXPECT_FALSE(UploadSucceeded(-1));
  EXPECT_FALSE(UploadSucceeded(1));
  EXPECT_FALSE(UploadSucceeded(9009)); // cmd: command not found
}

} // namespace
