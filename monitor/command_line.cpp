// The command line: forming the tail, splitting it into words and taking the
// three settings from them.
#include "monitor/monitor.h"

#include <cstring>

namespace {

bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

char *SkipBlanks(char *p) {
  while (IsBlank(static_cast<unsigned char>(*p)))
    ++p;
  return p;
}

// Splits the tail in place. A space separates; the byte after it starts the
// next word untested, so a run of spaces yields words that begin with one.
void SplitTail(char *tail) {
  WordCount = 1;
  ScanIndex = 1;
  for (;;) {
    char c = tail[ScanIndex];
    if (c == '\0')
      return;
    if (c != ' ') {
      ++ScanIndex;
      continue;
    }
    tail[ScanIndex] = '\0';
    // Only the first 256 starts fit the table; later words are still counted.
    if (WordCount < 256)
      WordTable[WordCount] = tail + ScanIndex + 1;
    ++WordCount;
    if (tail[ScanIndex + 1] == '\0')
      return;
    ScanIndex += 2;
  }
}

bool Fits(const char *word, std::size_t fieldSize) { return std::strlen(word) < fieldSize; }

} // namespace

char *FormCommandTail(char *commandLine, bool (*isLeadByte)(unsigned char)) {
  char *p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') {
      // The trail byte of a double-byte character is never the closing quote.
      if (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
        ++p;
      ++p;
    }
    if (*p == '"')
      ++p;
  } else {
    while (static_cast<unsigned char>(*p) > 32)
      ++p;
  }
  return SkipBlanks(p);
}

char *FormTailFromArguments(int argc, char **argv, char *buffer, std::uint32_t size) {
  std::uint32_t used = 0;
  buffer[0] = '\0';
  for (int i = 1; i < argc; ++i) {
    std::size_t length = std::strlen(argv[i]);
    std::size_t needed = length + (i > 1 ? 1 : 0);
    if (needed >= size - used) {
      buffer[0] = '\0';
      return buffer;
    }
    if (i > 1)
      buffer[used++] = ' ';
    std::memcpy(buffer + used, argv[i], length);
    used += static_cast<std::uint32_t>(length);
    buffer[used] = '\0';
  }
  return SkipBlanks(buffer);
}

std::int32_t ConvertDelay(const char *text) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  while ((*p >= 9 && *p <= 13) || *p == ' ')
    ++p;
  bool negative = false;
  if (*p == '+' || *p == '-')
    negative = (*p++ == '-');
  // Unsigned arithmetic wraps by definition, as the 32-bit conversion does.
  std::uint32_t value = 0;
  while (*p >= '0' && *p <= '9')
    value = value * 10u + static_cast<std::uint32_t>(*p++ - '0');
  if (negative)
    value = 0u - value;
  if (value <= 0x7FFFFFFFu)
    return static_cast<std::int32_t>(value);
  return -static_cast<std::int32_t>(~value) - 1;
}

bool TakeArguments(char *tail) {
  WordTable[0] = tail;
  if (tail[0] == '\0')
    return false;
  if (WordCount == 0)
    SplitTail(tail);
  if (WordCount < 3)
    return false;
  // A word longer than its field is refused rather than cut: a cut path would
  // name another file than the one the operator gave.
  if (!Fits(WordTable[0], sizeof SourcePath) || !Fits(WordTable[1], sizeof DelayText) ||
      !Fits(WordTable[2], sizeof ScriptPath))
    return false;
  std::strcpy(SourcePath, WordTable[0]);
  std::strcpy(DelayText, WordTable[1]);
  std::strcpy(ScriptPath, WordTable[2]);
  DelaySeconds = ConvertDelay(DelayText);
  return true;
}
