#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace brackwater::dat {

// An owned byte array, as handed out by the archive and the decoders.
using Bytes = std::vector<std::uint8_t>;
// A read-only view of bytes that a parser or decoder reads from.
using ByteSpan = std::span<const std::uint8_t>;

}  // namespace brackwater::dat
