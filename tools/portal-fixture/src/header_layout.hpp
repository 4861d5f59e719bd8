#pragma once

#include <cstddef>
#include <cstdint>

#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture::detail {

// Where the first block goes: the first multiple of the block size after the
// 80-byte header at 0x140.
std::size_t first_block_offset(std::uint32_t block_size);

// The header's 80 stored bytes: fifteen u32 fields, the 16-byte version
// string, then version_minor.
Bytes encode_header(const DatHeader& header);

}  // namespace portal_fixture::detail
