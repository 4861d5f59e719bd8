#include <cstddef>
#include <cstdint>

#include "brackwater/dat/lrs.hpp"
#include "check.hpp"
#include "lrs_reference.hpp"

// The optimised decoder against the rules followed literally, on any stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const brackwater::dat::ByteSpan stream(data, size);
  brackwater::fuzz::require(
      brackwater::dat::decompress_lrs(stream) == test_support::lrs_reference_decode(stream),
      "the decoder agrees with the reference");
  return 0;
}
