// The program-wide state: every field empty or zero at start.
#include "monitor/display.h"
#include "monitor/monitor.h"

#include <cstdio>

char SourcePath[256];
char DelayText[16];
char ScriptPath[132];
std::int32_t DelaySeconds;

char *WordTable[256];
std::int32_t WordCount;
std::uint32_t ScanIndex;

char StatusText[256];

volatile unsigned char QuitFlag;
unsigned char RestartFlag;

const char UsageMessage[] = "=TOVEK= ZW stats server for QK\n\nusage:\n"
                            "<Local SRC file to mirror> <Delay in Secs> <Local FTP Script>";
const char ScriptMissingMessage[] = "FATAL: Specified FTP Script Not Found.";

const char MessageCaption[] = "ver 1.00 by Dorvenal";

void FormatStatusLines(char *text, std::size_t size) {
  // snprintf stops at the buffer's end, which is the cut to fit.
  if (std::snprintf(text, size, "Local SRC File: '%s'\nDelay: %s\nFTP Script: %s\n%s", SourcePath,
                    DelayText, ScriptPath, StatusText) < 0)
    text[0] = '\0';
}
