// The fuzz targets' check: a broken property aborts with the condition and its place, so
// libFuzzer records the input as a crash (plain assert is gone in release builds).
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)
