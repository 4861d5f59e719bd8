#pragma once

#include <array>
#include <cstdint>

namespace brackwater::dat {

// The 80 bytes at file offset 0x140. Only `block_size` and `root_offset` are
// used after opening; the rest is kept as stored.
struct DatHeader {
  std::uint32_t magic = 0;
  std::uint32_t block_size = 0;
  std::uint32_t file_size = 0;
  std::uint32_t dataset = 0;
  std::uint32_t subset = 0;
  std::uint32_t free_head = 0;
  std::uint32_t free_tail = 0;
  std::uint32_t free_count = 0;
  std::uint32_t root_offset = 0;
  std::uint32_t new_lru = 0;
  std::uint32_t old_lru = 0;
  std::uint32_t use_lru = 0;
  std::uint32_t master_map_id = 0;
  std::uint32_t engine_version = 0;
  std::uint32_t game_version = 0;
  std::array<std::uint8_t, 16> version_string{};
  std::uint32_t version_minor = 0;
};

inline constexpr std::uint32_t kHeaderOffset = 0x140;

}  // namespace brackwater::dat
