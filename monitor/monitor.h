// The monitor's program-wide state and operations. Everything here is
// fixed-size and lives for the whole process; nothing is allocated.
#pragma once

#include <cstdint>

// Argument fields, filled from the command tail.
extern char SourcePath[256];
extern char DelayText[16];
extern char ScriptPath[132];
extern std::int32_t DelaySeconds;

// The split of the command tail: WordTable[k] is the start of word k.
extern char *WordTable[256];
extern std::int32_t WordCount;
extern std::uint32_t ScanIndex;

// The status word shown in the window; the upload command while it runs.
extern char StatusText[256];

// Byte flags. QuitFlag is volatile because a front end may raise it from a
// signal handler; the monitor reads it only at its two test points.
extern volatile unsigned char QuitFlag;
extern unsigned char RestartFlag;

extern const char UsageMessage[];
extern const char ScriptMissingMessage[];

// Forms the command tail from a whole Windows-style command line: skips the
// program name (quoted or not) and the blanks after it. isLeadByte tells
// whether a byte starts a double-byte character in the ANSI code page.
char *FormCommandTail(char *commandLine, bool (*isLeadByte)(unsigned char));

// Forms the command tail from an argument list (argv[1..]) by joining the
// words with single spaces into buffer, then skipping leading blanks. An
// argument list that does not fit gives an empty tail, so the command line
// is rejected with the usage message. size must be at least 1.
char *FormTailFromArguments(int argc, char **argv, char *buffer, std::uint32_t size);

// Splits the tail (first round only) and copies the first three words into
// the argument fields. False when the command line is rejected.
bool TakeArguments(char *tail);

// atoi with 32-bit wrap-around and no undefined behaviour on overflow.
std::int32_t ConvertDelay(const char *text);

// Builds "ftp -s:SCRIPT" in StatusText, runs it and waits for its end.
// True only when the command ran and reported success.
bool RunUpload();

// Runs the rounds until one ends without an upload; the result is the exit
// status. instance goes to SetUpDisplay; the other two values are ignored.
int MonitorMain(void *instance, int unused, char *tail, int showState);
