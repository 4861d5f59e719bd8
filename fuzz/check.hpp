#pragma once

#include <cstdio>
#include <cstdlib>

namespace brackwater::fuzz {

// Stops the run when a property every input must keep does not hold; the
// fuzzer saves the input that broke it.
inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace brackwater::fuzz
