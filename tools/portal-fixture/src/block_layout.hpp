#pragma once

#include <cstdint>

#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture::detail {

// A view of the part of an archive still in memory: `bytes` hold the archive
// from file offset `base` on; what lies before `base` is written out already.
struct ImageTail {
  Bytes& bytes;
  std::size_t base = 0;

  // The file offset just past the last byte laid out.
  std::size_t end() const { return base + bytes.size(); }
};

// Appends `data` to `image` as a chain of `block_size`-byte blocks (a u32
// link, then block_size - 4 data bytes) shaped by `shape`; returns the offset
// of its first block.
std::uint32_t append_chain(ImageTail image, std::uint32_t block_size, ByteSpan data,
                           const ChainShape& shape = {});

// Appends a file's chain, LRS-encoded first when the options ask for it, and
// returns its directory entry.
DatFileEntry append_file(ImageTail image, std::uint32_t block_size, std::uint32_t id,
                         ByteSpan bytes, const FileOptions& options);

// Replaces the data of the chain at `offset` by following its links in
// `image`; the chain must already be long enough.
void overwrite_chain(Bytes& image, std::uint32_t block_size, std::uint32_t offset, ByteSpan data);

}  // namespace portal_fixture::detail
