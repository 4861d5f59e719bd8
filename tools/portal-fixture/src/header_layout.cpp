#include "header_layout.hpp"

#include <cstring>

namespace portal_fixture::detail {
namespace {

constexpr std::size_t kHeaderSize = 80;

}  // namespace

std::size_t first_block_offset(std::uint32_t block_size) {
  const std::size_t header_end = brackwater::dat::kHeaderOffset + kHeaderSize;
  return (header_end + block_size - 1) / block_size * block_size;
}

Bytes encode_header(const DatHeader& h) {
  Bytes bytes(kHeaderSize);
  std::size_t at = 0;
  for (const std::uint32_t field :
       {h.magic, h.block_size, h.file_size, h.dataset, h.subset, h.free_head, h.free_tail,
        h.free_count, h.root_offset, h.new_lru, h.old_lru, h.use_lru, h.master_map_id,
        h.engine_version, h.game_version}) {
    poke_u32(bytes, at, field);
    at += 4;
  }
  std::memcpy(bytes.data() + at, h.version_string.data(), h.version_string.size());
  poke_u32(bytes, at + h.version_string.size(), h.version_minor);
  return bytes;
}

}  // namespace portal_fixture::detail
