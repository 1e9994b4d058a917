// A property a fuzz target checks: when it does not hold, say which and abort, so that libFuzzer
// keeps the input (the artifact's name tells the target).
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz target: %s\n", what);
  std::abort();
}
