// Forming the command tail from an argument list. The first two input bytes
// give the buffer size; the rest, cut at NUL bytes, gives argv[1..].
#include "fuzz/references.h"
#include "monitor/monitor.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

bool IsBlank(unsigned char c) { return c >= 1 && c <= 32; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  CheckReferencesAgainstExamples();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 2)
    return 0;
  // Sizes up to 512 keep the joined length near the capacity often.
  const std::uint32_t capacity = 1 + ((data[0] | (data[1] << 8)) % 512);
  data += 2;
  size -= 2;

  // Each argument in its own exactly sized block, as the platform hands them.
  std::vector<std::unique_ptr<char[]>> blocks;
  std::vector<std::string> arguments;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != 0)
      continue;
    if (size == 0)
      break;
    arguments.emplace_back(reinterpret_cast<const char *>(data) + begin, i - begin);
    begin = i + 1;
  }
  std::vector<char *> argv;
  static char programName[] = "zwstats";
  argv.push_back(programName);
  for (const std::string &argument : arguments) {
    blocks.emplace_back(new char[argument.size() + 1]);
    std::memcpy(blocks.back().get(), argument.c_str(), argument.size() + 1);
    argv.push_back(blocks.back().get());
  }
  argv.push_back(nullptr);
  const int argc = static_cast<int>(argv.size() - 1);

  std::string joined;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (k > 0)
      joined += ' ';
    joined += arguments[k];
  }

  std::unique_ptr<char[]> buffer(new char[capacity]);
  std::memset(buffer.get(), 0xA5, capacity);
  char *tail = FormTailFromArguments(argc, argv.data(), buffer.get(), capacity);

  FUZZ_CHECK(tail >= buffer.get() && tail < buffer.get() + capacity,
             "the tail lies outside the buffer");
  for (std::size_t k = 0; k < arguments.size(); ++k)
    FUZZ_CHECK(std::strcmp(argv[k + 1], arguments[k].c_str()) == 0, "an argument was changed");

  if (joined.size() + 1 > capacity) {
    FUZZ_CHECK(tail[0] == '\0', "an argument list too long for the buffer gave a non-empty tail");
    return 0;
  }
  FUZZ_CHECK(std::memcmp(buffer.get(), joined.c_str(), joined.size() + 1) == 0,
             "the buffer does not hold the arguments joined by single spaces");
  std::size_t skip = 0;
  while (skip < joined.size() && IsBlank(static_cast<unsigned char>(joined[skip])))
    ++skip;
  FUZZ_CHECK(tail == buffer.get() + skip, "the tail does not start after the leading blanks");

  // Words without spaces, the first not starting with a blank, come back out
  // of the split exactly as given.
  bool plain = !arguments.empty() && !IsBlank(static_cast<unsigned char>(arguments[0][0]));
  for (const std::string &argument : arguments)
    plain = plain && !argument.empty() && argument.find(' ') == std::string::npos;
  if (plain) {
    std::vector<ReferenceWord> words = ReferenceSplit(tail, std::strlen(tail));
    FUZZ_CHECK(words.size() == arguments.size(), "the split finds another number of words");
    for (std::size_t k = 0; k < words.size(); ++k)
      FUZZ_CHECK(std::string(tail + words[k].start, words[k].length) == arguments[k],
                 "the split finds another word than the one given");
  }
  return 0;
}
