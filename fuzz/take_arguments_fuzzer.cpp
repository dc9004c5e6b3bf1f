// Splitting the command tail and copying the three settings. The input,
// NUL-terminated, is the tail.
#include "fuzz/references.h"
#include "monitor/monitor.h"

#include <cstring>
#include <memory>

namespace {

const std::size_t TableEntries = sizeof WordTable / sizeof WordTable[0];

void ResetState() {
  std::memset(SourcePath, 0, sizeof SourcePath);
  std::memset(DelayText, 0, sizeof DelayText);
  std::memset(ScriptPath, 0, sizeof ScriptPath);
  DelaySeconds = 0;
  std::memset(WordTable, 0, sizeof WordTable);
  WordCount = 0;
  ScanIndex = 0;
}

bool AllZero(const char *bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (bytes[i] != '\0')
      return false;
  return true;
}

// The field holds exactly the word, its NUL, and untouched zero bytes after.
bool FieldHolds(const char *field, std::size_t fieldSize, const char *word, std::size_t length) {
  return length < fieldSize && std::memcmp(field, word, length) == 0 && field[length] == '\0' &&
         AllZero(field + length + 1, fieldSize - length - 1);
}

bool FieldsEmpty() {
  return AllZero(SourcePath, sizeof SourcePath) && AllZero(DelayText, sizeof DelayText) &&
         AllZero(ScriptPath, sizeof ScriptPath) && DelaySeconds == 0;
}

struct Snapshot {
  char source[sizeof SourcePath];
  char delay[sizeof DelayText];
  char script[sizeof ScriptPath];
  std::int32_t seconds;
  char *table[TableEntries];
  std::int32_t count;
};

void Take(Snapshot &snapshot) {
  std::memcpy(snapshot.source, SourcePath, sizeof SourcePath);
  std::memcpy(snapshot.delay, DelayText, sizeof DelayText);
  std::memcpy(snapshot.script, ScriptPath, sizeof ScriptPath);
  snapshot.seconds = DelaySeconds;
  std::memcpy(snapshot.table, WordTable, sizeof WordTable);
  snapshot.count = WordCount;
}

bool Same(const Snapshot &a, const Snapshot &b) {
  return std::memcmp(a.source, b.source, sizeof a.source) == 0 &&
         std::memcmp(a.delay, b.delay, sizeof a.delay) == 0 &&
         std::memcmp(a.script, b.script, sizeof a.script) == 0 && a.seconds == b.seconds &&
         std::memcmp(a.table, b.table, sizeof a.table) == 0 && a.count == b.count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  CheckReferencesAgainstExamples();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  ResetState();
  // Exactly sized so that any access outside the tail is caught; the bytes
  // after an embedded NUL act as guard bytes that must stay as they were.
  std::unique_ptr<char[]> tail(new char[size + 1]);
  std::memcpy(tail.get(), data, size);
  tail[size] = '\0';
  const std::vector<char> original(tail.get(), tail.get() + size + 1);
  const std::size_t length = std::strlen(original.data());

  const bool accepted = TakeArguments(tail.get());

  FUZZ_CHECK(WordTable[0] == tail.get(), "entry 0 is not the start of the tail");
  if (length == 0) {
    FUZZ_CHECK(!accepted, "an empty tail was accepted");
    FUZZ_CHECK(WordCount == 0, "an empty tail was split");
    FUZZ_CHECK(AllZero(reinterpret_cast<const char *>(WordTable + 1),
                       sizeof WordTable - sizeof WordTable[0]),
               "an empty tail recorded word starts");
    FUZZ_CHECK(std::memcmp(tail.get(), original.data(), size + 1) == 0,
               "an empty tail was written");
    FUZZ_CHECK(FieldsEmpty(), "a rejected line filled the fields");
    return 0;
  }

  const std::vector<ReferenceWord> words = ReferenceSplit(original.data(), length);
  FUZZ_CHECK(static_cast<std::size_t>(WordCount) == words.size(),
             "the word count differs from the split");
  FUZZ_CHECK(ScanIndex <= length, "the scan went past the end of the tail");

  // The split writes a NUL at each separator and nothing else.
  std::vector<char> expected = original;
  for (std::size_t k = 1; k < words.size(); ++k)
    expected[words[k].start - 1] = '\0';
  FUZZ_CHECK(std::memcmp(tail.get(), expected.data(), size + 1) == 0,
             "the split changed a byte other than a separator");

  const std::size_t recorded = words.size() < TableEntries ? words.size() : TableEntries;
  for (std::size_t k = 0; k < recorded; ++k)
    FUZZ_CHECK(WordTable[k] == tail.get() + words[k].start, "a word start differs from the split");
  for (std::size_t k = recorded; k < TableEntries; ++k)
    FUZZ_CHECK(WordTable[k] == nullptr, "an entry past the last word was written");

  const bool fits = words.size() >= 3 && words[0].length <= 255 && words[1].length <= 15 &&
                    words[2].length <= 131;
  FUZZ_CHECK(accepted == fits, "accepted or rejected against the rule");
  if (accepted) {
    FUZZ_CHECK(FieldHolds(SourcePath, sizeof SourcePath, original.data() + words[0].start,
                          words[0].length),
               "SourcePath is not word 0");
    FUZZ_CHECK(
        FieldHolds(DelayText, sizeof DelayText, original.data() + words[1].start, words[1].length),
        "DelayText is not word 1");
    FUZZ_CHECK(FieldHolds(ScriptPath, sizeof ScriptPath, original.data() + words[2].start,
                          words[2].length),
               "ScriptPath is not word 2");
    FUZZ_CHECK(DelaySeconds == ReferenceConvert(DelayText),
               "DelaySeconds is not the conversion of DelayText");
    // Word 0 starts at the tail's first byte, which the start-up never leaves
    // blank; only a tail handed in here directly can begin with a space.
    FUZZ_CHECK(std::strchr(SourcePath + 1, ' ') == nullptr,
               "SourcePath holds a space after its first byte");
    FUZZ_CHECK(DelayText[0] == '\0' || std::strchr(DelayText + 1, ' ') == nullptr,
               "DelayText holds a space after its first byte");
    FUZZ_CHECK(ScriptPath[0] == '\0' || std::strchr(ScriptPath + 1, ' ') == nullptr,
               "ScriptPath holds a space after its first byte");
  } else {
    FUZZ_CHECK(FieldsEmpty(), "a rejected line filled the fields");
  }

  // A later round takes the same words again without splitting.
  Snapshot first;
  Take(first);
  const bool again = TakeArguments(tail.get());
  Snapshot second;
  Take(second);
  FUZZ_CHECK(again == accepted, "a later round decided otherwise");
  FUZZ_CHECK(Same(first, second), "a later round changed the settings or the split");
  FUZZ_CHECK(std::memcmp(tail.get(), expected.data(), size + 1) == 0,
             "a later round wrote into the tail");
  return 0;
}
