// A broken invariant is a finding: stop so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                 \
  do {                                                                        \
    if (!(condition)) {                                                       \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, \
                   #condition);                                               \
      std::abort();                                                           \
    }                                                                         \
  } while (0)
