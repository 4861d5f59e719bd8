#include <cstddef>
#include <cstdint>

#include "brackwater/dat/lrs.hpp"
#include "check.hpp"
#include "lrs_reference.hpp"

// The optimised decoder against the rules followed literally, on any stream;
// the capped decoder, with a cap taken from the input's length, refuses
// exactly the outputs longer than its cap.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brackwater;
  const dat::ByteSpan stream(data, size);
  const dat::Bytes expected = test_support::lrs_reference_decode(stream);
  fuzz::require(dat::decompress_lrs(stream) == expected, "the decoder agrees with the reference");
  const std::size_t cap = size * 3;
  const auto capped = dat::decompress_lrs_at_most(stream, cap);
  fuzz::require(capped ? *capped == expected : expected.size() > cap,
                "the capped decoder refuses only outputs past its cap");
  return 0;
}
