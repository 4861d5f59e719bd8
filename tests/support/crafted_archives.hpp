#pragma once

// Archives made to cost far more to read than their size: many entries
// naming one small chain or one small record.

#include <cstdint>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/file_type/pixel_format.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "test_records.hpp"

namespace test_support {

// Texture entries 0x06000000 on, `count` of them, all naming the same chain
// at `offset` with `size`.
inline void add_entries_naming(portal_fixture::ArchiveBuilder& b, std::uint32_t count,
                               std::uint32_t offset, std::uint32_t size) {
  for (std::uint32_t k = 0; k < count; ++k) {
    b.add_entry({.id = 0x06000000 + k, .offset = offset, .size = size});
  }
}

// `count` textures of `size` bytes each, all one block that links to itself:
// every fetch reads that block over and over.
inline portal_fixture::ArchiveBuilder self_linked_block_archive(std::uint32_t count,
                                                                std::uint32_t block_size,
                                                                std::uint32_t size) {
  portal_fixture::ArchiveBuilder b({.block_size = block_size});
  const std::uint32_t block = b.end();
  b.add_chain(brackwater::dat::Bytes(block_size - 4, 0x5A), {.links = {{0, block}}});
  add_entries_naming(b, count, block, size);
  return b;
}

// `count` textures all naming one 32-byte DXT1 record that declares
// `side` x `side` pixels.
inline portal_fixture::ArchiveBuilder one_dxt_record_archive(std::uint32_t count,
                                                             std::int32_t side) {
  portal_fixture::ArchiveBuilder b;
  const brackwater::dat::Bytes record = portal_fixture::encode(
      texture(brackwater::dat::PixelFormat::Kind::Dxt1, side, side, brackwater::dat::Bytes(8, 0)));
  const brackwater::dat::DatFileEntry stored = b.add_file(0x06000000, record);
  add_entries_naming(b, count, stored.offset, stored.size);
  return b;
}

}  // namespace test_support
