// Forming the command tail from a whole command line. The first input byte
// picks the lead-byte rule; the rest is the command line.
#include "fuzz/references.h"
#include "monitor/monitor.h"

#include <cstring>
#include <memory>

namespace {

unsigned char LeadBitmap[32];

bool NoLeadBytes(unsigned char) { return false; }
// Shift JIS (code page 932).
bool ShiftJisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool HighLeadByte(unsigned char c) { return c >= 0x80; }
// Every byte, the quote and the blanks included.
bool AnyLeadByte(unsigned char) { return true; }
bool BitmapLeadByte(unsigned char c) { return (LeadBitmap[c / 8] >> (c % 8)) & 1; }

// Length of the program name at the start of line, by the described rule:
// quoted, it runs to the first quote that is not the second byte of a
// double-byte character (the quote included) or to the end; unquoted, to
// the first byte of value 32 or less.
std::size_t ReferenceNameLength(const char *line, std::size_t length,
                                bool (*isLeadByte)(unsigned char)) {
  if (line[0] != '"') {
    std::size_t i = 0;
    while (i<length &&static_cast<unsigned char>(line[i])> 32)
      ++i;
    return i;
  }
  bool trail = false;
  for (std::size_t i = 1; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (!trail && c == '"')
      return i + 1;
    trail = !trail && isLeadByte(c);
  }
  return length;
}

bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

} // namespace

// The name model against the documented examples: the tail is what follows
// the name and the blanks after it.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  struct {
    const char *line;
    const char *tail;
  } const examples[] = {
      {"prog stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"\"C:\\My Tools\\prog\"  stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"\"prog\"stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"\"prog stats.log 30 up.scr", ""},
      {"prog\t stats.log 30 up.scr", "stats.log 30 up.scr"},
      {"prog   ", ""},
      {"prog stats.log 30 up.scr ", "stats.log 30 up.scr "},
  };
  for (const auto &example : examples) {
    std::size_t length = std::strlen(example.line);
    std::size_t i = ReferenceNameLength(example.line, length, NoLeadBytes);
    while (IsBlank(static_cast<unsigned char>(example.line[i])))
      ++i;
    FUZZ_CHECK(std::strcmp(example.line + i, example.tail) == 0, example.line);
  }
  // With Shift JIS, a quote after a lead byte is that character's second byte.
  FUZZ_CHECK(ReferenceNameLength("\"\x81\"p\" x", 7, ShiftJisLeadByte) == 5, "double-byte quote");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size == 0)
    return 0;
  bool (*const rules[])(unsigned char) = {NoLeadBytes, ShiftJisLeadByte, HighLeadByte, AnyLeadByte,
                                          BitmapLeadByte};
  std::size_t rule = data[0] % (sizeof rules / sizeof rules[0]);
  ++data;
  --size;
  if (rules[rule] == BitmapLeadByte) {
    std::memset(LeadBitmap, 0, sizeof LeadBitmap);
    std::size_t taken = size < sizeof LeadBitmap ? size : sizeof LeadBitmap;
    std::memcpy(LeadBitmap, data, taken);
    data += taken;
    size -= taken;
  }

  // Exactly sized so that any access outside the text is caught.
  std::unique_ptr<char[]> line(new char[size + 1]);
  std::memcpy(line.get(), data, size);
  line[size] = '\0';
  const std::vector<char> original(line.get(), line.get() + size + 1);
  const std::size_t length = std::strlen(original.data());

  char *tail = FormCommandTail(line.get(), rules[rule]);

  FUZZ_CHECK(std::memcmp(line.get(), original.data(), size + 1) == 0,
             "forming the tail changed the command line");
  FUZZ_CHECK(tail >= line.get() && tail <= line.get() + length,
             "the tail lies outside the command line");
  std::size_t skipped = static_cast<std::size_t>(tail - line.get());
  std::size_t name = ReferenceNameLength(original.data(), length, rules[rule]);
  FUZZ_CHECK(skipped >= name, "the tail starts inside the program name");
  for (std::size_t i = name; i < skipped; ++i)
    FUZZ_CHECK(IsBlank(static_cast<unsigned char>(original[i])),
               "a byte other than a blank was skipped after the program name");
  FUZZ_CHECK(!IsBlank(static_cast<unsigned char>(*tail)), "the tail starts with a blank");
  if (original[0] != '"') {
    for (std::size_t i = 0; i < name; ++i)
      FUZZ_CHECK(static_cast<unsigned char>(original[i]) > 32, "unquoted name holds a blank");
  }
  return 0;
}
