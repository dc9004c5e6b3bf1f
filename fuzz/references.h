// Plain models of the command-line rules, written apart from the code under
// test so the fuzz targets can compare against them. They favour clarity
// over speed and may allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// Stops the run with a message; libFuzzer records the input as a crash.
#define FUZZ_CHECK(condition, message)                                                             \
  do {                                                                                             \
    if (!(condition)) {                                                                            \
      std::fprintf(stderr, "invariant broken: %s (%s, %s:%d)\n", message, #condition, __FILE__,    \
                   __LINE__);                                                                      \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

struct ReferenceWord {
  std::size_t start;
  std::size_t length;
};

// The split described by separators: a space is a separator when the split
// tests it, and it tests every byte except the first of the tail and the one
// right after a separator. The words are the pieces between separators; a
// separator at the end leaves an empty last piece.
inline std::vector<ReferenceWord> ReferenceSplit(const char *tail, std::size_t length) {
  std::vector<ReferenceWord> words;
  std::size_t start = 0;
  bool untested = true;
  for (std::size_t i = 0; i < length; ++i) {
    bool separator = !untested && tail[i] == ' ';
    untested = separator;
    if (separator) {
      words.push_back({start, i - start});
      start = i + 1;
    }
  }
  words.push_back({start, length - start});
  return words;
}

// Decimal conversion with the C white-space class, the digits accumulated in
// 64 bits and reduced modulo 2^32 at every step, then read as two's complement.
inline std::int32_t ReferenceConvert(const char *text) {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
    ++p;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  } else if (*p == '+') {
    ++p;
  }
  const std::uint64_t modulus = 4294967296ull;
  std::uint64_t accumulated = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    accumulated = (accumulated * 10 + (*p - '0')) % modulus;
  if (negative)
    accumulated = (modulus - accumulated) % modulus;
  std::int64_t value = static_cast<std::int64_t>(accumulated);
  if (value >= 2147483648ll)
    value -= static_cast<std::int64_t>(modulus);
  return static_cast<std::int32_t>(value);
}

// The references themselves against the documented examples, so that a slip
// in a model cannot hide a fault in the code it is compared with.
inline void CheckReferencesAgainstExamples() {
  struct {
    const char *text;
    std::int32_t value;
  } const conversions[] = {
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
      {"2147483647", 2147483647},
      {"2147483648", -2147483647 - 1},
      {"4294967297", 1},
  };
  for (const auto &example : conversions)
    FUZZ_CHECK(ReferenceConvert(example.text) == example.value, example.text);

  struct {
    const char *tail;
    std::size_t count;
    const char *words[3];
  } const splits[] = {
      {"stats.log", 1, {"stats.log", "", ""}},
      {"stats.log 30", 2, {"stats.log", "30", ""}},
      {"stats.log 30 up.scr", 3, {"stats.log", "30", "up.scr"}},
      {"a b c", 3, {"a", "b", "c"}},
      {"stats.log 30 up.scr x y", 5, {"stats.log", "30", "up.scr"}},
      {"stats.log  30 up.scr", 3, {"stats.log", " 30", "up.scr"}},
      {"stats.log   30 up.scr", 4, {"stats.log", " ", "30"}},
      {"stats.log 30  up.scr", 3, {"stats.log", "30", " up.scr"}},
      {"stats.log 30 ", 3, {"stats.log", "30", ""}},
      {"stats.log 30 up.scr ", 4, {"stats.log", "30", "up.scr"}},
      {"stats.log\t30 up.scr", 2, {"stats.log\t30", "up.scr", ""}},
  };
  for (const auto &example : splits) {
    std::size_t length = 0;
    while (example.tail[length] != '\0')
      ++length;
    std::vector<ReferenceWord> words = ReferenceSplit(example.tail, length);
    FUZZ_CHECK(words.size() == example.count, example.tail);
    for (std::size_t k = 0; k < 3 && k < words.size(); ++k) {
      const char *expected = example.words[k];
      std::size_t expectedLength = 0;
      while (expected[expectedLength] != '\0')
        ++expectedLength;
      FUZZ_CHECK(words[k].length == expectedLength, example.tail);
      for (std::size_t i = 0; i < expectedLength; ++i)
        FUZZ_CHECK(example.tail[words[k].start + i] == expected[i], example.tail);
    }
  }
}
