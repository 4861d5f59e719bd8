#include "brackwater/dat/chain_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/field_reader.hpp"

namespace brackwater::dat {
namespace {

// First chunks up to this size are read through the stack together with
// their link; larger ones take a separate read for the link.
constexpr std::size_t kStagedChunk = 4096;

// Reads the link of the block at `block` and the `chunk` bytes of data after
// it into `dest`. Link and data lie back to back, so one positional read
// covers both: the link lands in the four bytes before `dest` (saved and put
// back) or, at the very start of the output, in a staging buffer.
std::expected<std::uint32_t, IoError> read_block(const BlockSource& source, std::uint64_t block,
                                                 std::uint8_t* dest, std::size_t chunk,
                                                 std::size_t written_before) {
  if (written_before >= kBlockLinkSize) {
    std::uint8_t* link_at = dest - kBlockLinkSize;
    std::array<std::uint8_t, kBlockLinkSize> saved;
    std::memcpy(saved.data(), link_at, kBlockLinkSize);
    auto read = source.pread_exact(link_at, kBlockLinkSize + chunk, block);
    const std::uint32_t link = load_u32(link_at);
    std::memcpy(link_at, saved.data(), kBlockLinkSize);
    if (!read) return std::unexpected(read.error());
    return link;
  }
  if (chunk <= kStagedChunk) {
    std::array<std::uint8_t, kBlockLinkSize + kStagedChunk> staging;
    auto read = source.pread_exact(staging.data(), kBlockLinkSize + chunk, block);
    if (!read) return std::unexpected(read.error());
    std::memcpy(dest, staging.data() + kBlockLinkSize, chunk);
    return load_u32(staging.data());
  }
  std::array<std::uint8_t, kBlockLinkSize> link;
  if (auto read = source.pread_exact(link.data(), kBlockLinkSize, block); !read) {
    return std::unexpected(read.error());
  }
  if (auto read = source.pread_exact(dest, chunk, block + kBlockLinkSize); !read) {
    return std::unexpected(read.error());
  }
  return load_u32(link.data());
}

// A read that ends early before `end`, within the length the file had when
// it was opened, means the file has shrunk since.
DatError read_failure(const IoError& error, std::uint64_t end, std::uint64_t length_at_open) {
  if (error.kind() == IoError::Kind::UnexpectedEof && end <= length_at_open) {
    return DatError(IoError::changed());
  }
  return DatError(error);
}

DatError read_limit_error() {
  return DatError(DatError::Other{DatError::ReadLimitReached{}});
}

}  // namespace

std::expected<Bytes, DatError> ChainReader::read(std::uint32_t offset, std::uint32_t size,
                                                 ReadBudget* budget) const {
  // Even a read of nothing is refused once the budget is spent.
  if (budget && !budget->spend(0, 0)) return std::unexpected(read_limit_error());
  if (size == 0) return Bytes{};
  // A data area of 0 bytes would let a looping chain run forever; with one
  // byte or more, a chain that revisits its blocks still ends once `size`
  // bytes are gathered.
  if (block_size_ <= kBlockLinkSize) {
    return std::unexpected(DatError(DatError::Corruption{
        "block chain at offset 0x" + hex8(offset) + " cannot be read: block size " +
        std::to_string(block_size_) + " leaves no room for data"}));
  }
  // A chain whose blocks do not overlap cannot deliver more bytes than the
  // source holds: its reads would run into the end. Saying so before
  // allocating keeps a damaged size from reserving gigabytes.
  if (size > length_) return std::unexpected(DatError(IoError::fill_whole_buffer()));
  // Reserved whole but filled block by block: a chain that breaks off early
  // has touched only the memory its blocks filled.
  Bytes out;
  try {
    out.reserve(size);
  } catch (const std::bad_alloc&) {
    return std::unexpected(DatError(IoError::out_of_memory()));
  }

  const std::size_t data_area = block_size_ - kBlockLinkSize;
  std::uint64_t block = offset;
  std::size_t written = 0;
  while (true) {
    const std::size_t chunk = std::min<std::size_t>(data_area, size - written);
    if (budget && !budget->spend(1, chunk)) return std::unexpected(read_limit_error());
    out.resize(written + chunk);
    auto link = read_block(source_, block, out.data() + written, chunk, written);
    if (!link) {
      return std::unexpected(read_failure(link.error(), block + kBlockLinkSize + chunk, length_));
    }
    written += chunk;
    if (written == size) return out;
    if (*link == 0) {
      // The chain ends early: the rest follows this block's data
      // contiguously. A rest running past the end of the source is refused
      // before the output is filled for it.
      const std::uint64_t rest_at = block + kBlockLinkSize + chunk;
      if (size - written > length_ - std::min(length_, rest_at)) {
        return std::unexpected(DatError(IoError::fill_whole_buffer()));
      }
      if (budget && !budget->spend(0, size - written)) {
        return std::unexpected(read_limit_error());
      }
      out.resize(size);
      auto rest = source_.pread_exact(out.data() + written, size - written, rest_at);
      if (!rest) return std::unexpected(read_failure(rest.error(), rest_at + size - written, length_));
      return out;
    }
    block = *link;
  }
}

}  // namespace brackwater::dat
