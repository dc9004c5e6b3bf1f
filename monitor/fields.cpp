// The program-wide state: every field empty or zero at start.
#include "monitor/monitor.h"

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
