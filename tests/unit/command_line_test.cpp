// Forming the command tail, the split, the copies and the delay conversion.
#include "monitor/monitor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool NoLeadBytes(unsigned char) { return false; }
// Shift-JIS lead bytes.
bool ShiftJisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

void ClearArguments() {
  std::memset(SourcePath, 0, sizeof SourcePath);
  std::memset(DelayText, 0, sizeof DelayText);
  std::memset(ScriptPath, 0, sizeof ScriptPath);
  std::memset(WordTable, 0, sizeof WordTable);
  DelaySeconds = 0;
  WordCount = 0;
  ScanIndex = 0;
}

struct TailCase {
  const char *commandLine;
  const char *tail;
};

TEST(FormCommandTail, SkipsProgramNameAndBlanks) {
  const TailCase cases[] = {
      {"prog stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"\"C:\\My Tools\\prog\"  stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"\"prog\"stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"\"prog stats.log 30 up.scr", ""},
      {"prog\t stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"prog   ", ""},
      {"prog stats.log 30 up.scr ", "stats.log 30 up.scr "},
      {"prog", ""},
      {"", ""},
      {"prog\x01\x1f\x20x", "x"},
      {"prog \"a b\" c", "\"a b\" c"},
  };
  for (const TailCase &c : cases) {
    std::string line = c.commandLine;
    char *tail = FormCommandTail(&line[0], NoLeadBytes);
    EXPECT_STREQ(c.tail, tail) << "command line: " << c.commandLine;
    EXPECT_GE(tail, &line[0]);
    EXPECT_LE(tail, &line[0] + line.size());
  }
}

TEST(FormCommandTail, TrailByteIsNeverTheClosingQuote) {
  // 0x82 0x22 is one double-byte character whose second byte equals '"'.
  std::string line = "\"C:\\\x82\"prog\" a 1 s";
  EXPECT_STREQ("a 1 s", FormCommandTail(&line[0], ShiftJisLeadByte));
  std::string same = "\"C:\\\x82\"prog\" a 1 s";
  EXPECT_STREQ("prog\" a 1 s", FormCommandTail(&same[0], NoLeadBytes));
  // A lead byte right before the end does not run past the terminator.
  std::string cut = "\"prog\x82";
  EXPECT_STREQ("", FormCommandTail(&cut[0], ShiftJisLeadByte));
}

TEST(FormTailFromArguments, JoinsWithSingleSpacesAndSkipsLeadingBlanks) {
  char buffer[64];
  char a0[] = "zwstats", a1[] = "stats.log", a2[] = "30", a3[] = "up.scr", blank[] = " \t",
       empty[] = "";
  char *list[] = {a0, a1, a2, a3};
  EXPECT_STREQ("stats.log 30 up.scr", FormTailFromArguments(4, list, buffer, sizeof buffer));
  char *leading[] = {a0, blank, a1};
  EXPECT_STREQ("stats.log", FormTailFromArguments(3, leading, buffer, sizeof buffer));
  char *inner[] = {a0, a1, empty, a2};
  EXPECT_STREQ("stats.log  30", FormTailFromArguments(4, inner, buffer, sizeof buffer));
  char *none[] = {a0};
  EXPECT_STREQ("", FormTailFromArguments(1, none, buffer, sizeof buffer));
}

TEST(FormTailFromArguments, TooLongListGivesEmptyTail) {
  char small[20];
  char a0[] = "zwstats", a1[] = "stats.log", a2[] = "30", a3[] = "up.scr";
  char *list[] = {a0, a1, a2, a3};
  // "stats.log 30 up.scr" is 19 bytes: fits 20 exactly with its terminator.
  EXPECT_STREQ("stats.log 30 up.scr", FormTailFromArguments(4, list, small, 20));
  EXPECT_STREQ("", FormTailFromArguments(4, list, small, 19));
}

struct SplitCase {
  const char *tail;
  int wordCount;
  bool accepted;
  const char *source, *delay, *script;
  int delaySeconds;
};

TEST(TakeArguments, SplitsAndCopiesAsTheTableSays) {
  const SplitCase cases[] = {
      {"stats.log", 1, false, "", "", "", 0},
      {"stats.log 30", 2, false, "", "", "", 0},
      {"stats.log 30 up.scr", 3, true, "stats.log", "30", "up.scr", 30},
      {"a b c", 3, true, "a", "b", "c", 0},
      {"stats.log 30 up.scr x y", 5, true, "stats.log", "30", "up.scr", 30},
      {"stats.log  30 up.scr", 3, true, "stats.log", " 30", "up.scr", 30},
      {"stats.log   30 up.scr", 4, true, "stats.log", " ", "30", 0},
      {"stats.log 30  up.scr", 3, true, "stats.log", "30", " up.scr", 30},
      {"stats.log 30 ", 3, true, "stats.log", "30", "", 30},
      {"stats.log 30 up.scr ", 4, true, "stats.log", "30", "up.scr", 30},
      {"stats.log\t30 up.scr", 2, false, "", "", "", 0},
      {"\"C:\\My Files\\s.log\" 5 up.scr", 4, true, "\"C:\\My", "Files\\s.log\"", "5", 0},
  };
  for (const SplitCase &c : cases) {
    ClearArguments();
    std::string tail = c.tail;
    bool accepted = TakeArguments(&tail[0]);
    SCOPED_TRACE(std::string("tail: [") + c.tail + "]");
    EXPECT_EQ(c.accepted, accepted);
    EXPECT_EQ(c.wordCount, WordCount);
    EXPECT_STREQ(c.source, SourcePath);
    EXPECT_STREQ(c.delay, DelayText);
    EXPECT_STREQ(c.script, ScriptPath);
    EXPECT_EQ(c.delaySeconds, DelaySeconds);
  }
}

TEST(TakeArguments, EmptyTailIsRejectedWithoutSplitting) {
  ClearArguments();
  char tail[] = "";
  EXPECT_FALSE(TakeArguments(tail));
  EXPECT_EQ(0, WordCount);
  EXPECT_EQ(tail, WordTable[0]);
}

TEST(TakeArguments, LaterRoundsTakeTheSameWordsWithoutSplittingAgain) {
  ClearArguments();
  char tail[] = "stats.log 30 up.scr extra";
  ASSERT_TRUE(TakeArguments(tail));
  std::int32_t count = WordCount;
  std::memset(SourcePath, 0, sizeof SourcePath);
  ASSERT_TRUE(TakeArguments(tail));
  EXPECT_EQ(count, WordCount);
  EXPECT_STREQ("stats.log", SourcePath);
  EXPECT_STREQ("30", DelayText);
  EXPECT_STREQ("up.scr", ScriptPath);
}

TEST(TakeArguments, WordLongerThanItsFieldRejects) {
  struct LengthCase {
    std::size_t source, delay, script;
    bool accepted;
  };
  const LengthCase cases[] = {
      {255, 15, 131, true}, {256, 1, 1, false}, {1, 16, 1, false},
      {1, 1, 132, false},   {1, 15, 1, true},   {1, 1, 131, true},
  };
  for (const LengthCase &c : cases) {
    ClearArguments();
    std::string tail = std::string(c.source, 's') + " " + std::string(c.delay, '7') + " " +
                       std::string(c.script, 'u');
    SCOPED_TRACE(testing::Message() << c.source << "/" << c.delay << "/" << c.script);
    EXPECT_EQ(c.accepted, TakeArguments(&tail[0]));
    if (c.accepted) {
      EXPECT_EQ(c.source, std::strlen(SourcePath));
      EXPECT_EQ(c.delay, std::strlen(DelayText));
      EXPECT_EQ(c.script, std::strlen(ScriptPath));
    } else {
      EXPECT_STREQ("", SourcePath);
      EXPECT_STREQ("", DelayText);
      EXPECT_STREQ("", ScriptPath);
    }
  }
}

TEST(TakeArguments, MoreWordsThanTheTableHoldsAreCountedNotRecorded) {
  // Guard entries around the table would be hit by a write past its end.
  ClearArguments();
  std::string tail = "src 1 scr";
  for (int i = 0; i < 1000; ++i)
    tail += " w";
  ASSERT_TRUE(TakeArguments(&tail[0]));
  EXPECT_EQ(1003, WordCount);
  EXPECT_STREQ("w", WordTable[255]);
  EXPECT_STREQ("src", SourcePath);
  EXPECT_STREQ("scr", ScriptPath);
}

TEST(ConvertDelay, WrapsIn32BitsLikeAtoi) {
  struct DelayCase {
    const char *text;
    std::int32_t value;
  };
  const DelayCase cases[] = {
      {"30", 30},
      {" 30", 30},
      {"\t12", 12},
      {"+7", 7},
      {"-5", -5},
      {"007", 7},
      {"30s", 30},
      {"x", 0},
      {" ", 0},
      {"+-5", 0},
      {"", 0},
      {"\n\v\f\r9", 9},
      {"2147483647", 2147483647},
      {"2147483648", -2147483647 - 1},
      {"4294967297", 1},
      {"-2147483648", -2147483647 - 1},
      {"4294967295", -1},
      {"99999999999999999999", 1661992959},
  };
  for (const DelayCase &c : cases)
    EXPECT_EQ(c.value, ConvertDelay(c.text)) << "delay text: [" << c.text << "]";
}

} // namespace
