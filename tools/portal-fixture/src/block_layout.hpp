#pragma once

#include <cstdint>

#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture::detail {

// Appends `data` to `image` as a chain of `block_size`-byte blocks (a u32
// link, then block_size - 4 data bytes) shaped by `shape`; returns the offset
// of its first block.
std::uint32_t append_chain(Bytes& image, std::uint32_t block_size, ByteSpan data,
                           const ChainShape& shape = {});

// Replaces the data of the chain at `offset` by following its links in
// `image`; the chain must already be long enough.
void overwrite_chain(Bytes& image, std::uint32_t block_size, std::uint32_t offset, ByteSpan data);

}  // namespace portal_fixture::detail
