#pragma once

#include <cstddef>
#include <optional>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::dat {

// Decodes one LRS stream (a 4-byte expected size, then flag-grouped literals
// and 12-bit back-references). Never fails: damaged or short input gives a
// shorter output, never one longer than the expected size.
Bytes decompress_lrs(ByteSpan data);

// The largest output a stored file may decompress to: four times the largest
// texture a client stores (2048 x 2048 pixels of 4 bytes).
inline constexpr std::size_t kMaxDecompressedSize = std::size_t{64} << 20;

// decompress_lrs, or nothing when the output would be longer than `limit`
// bytes. Never holds more than `limit` + 1 bytes of output.
std::optional<Bytes> decompress_lrs_at_most(ByteSpan data, std::size_t limit);

}  // namespace brackwater::dat
