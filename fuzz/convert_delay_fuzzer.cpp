// The delay conversion against a 64-bit reference and, where no wrap-around
// can happen, against the C library's atoi.
#include "fuzz/references.h"
#include "monitor/monitor.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  CheckReferencesAgainstExamples();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  // Exactly sized so that reading past the NUL is caught.
  std::unique_ptr<char[]> text(new char[size + 1]);
  std::memcpy(text.get(), data, size);
  text[size] = '\0';

  const std::int32_t value = ConvertDelay(text.get());
  FUZZ_CHECK(value == ReferenceConvert(text.get()), "the conversion differs from the reference");
  FUZZ_CHECK(std::memcmp(text.get(), data, size) == 0 && text[size] == '\0',
             "the conversion wrote into the text");

  // Nine digits or fewer cannot leave the int range, so atoi is defined.
  const char *p = text.get();
  while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
    ++p;
  if (*p == '+' || *p == '-')
    ++p;
  std::size_t digits = 0;
  while (p[digits] >= '0' && p[digits] <= '9')
    ++digits;
  if (digits <= 9)
    FUZZ_CHECK(value == std::atoi(text.get()), "the conversion differs from atoi");
  return 0;
}
