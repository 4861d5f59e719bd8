#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/field_reader.hpp"
#include "brackwater/dat/lrs.hpp"

namespace brackwater::dat {
namespace {

// A block: a 4-byte little-endian link to the next block (0 on the last),
// then `block_size` - 4 bytes of data.
constexpr std::size_t kLinkSize = 4;
// First chunks up to this size are read through the stack together with
// their link; larger ones take a separate read for the link.
constexpr std::size_t kStagedChunk = 4096;

DatError corrupt_chain(std::uint32_t offset, const std::string& what) {
  return DatError(DatError::Corruption{"block chain at offset 0x" + hex8(offset) + " " + what});
}

// Reads the link of the block at `block` and the `chunk` bytes of data after
// it into `dest`. Link and data lie back to back on disk, so one positional
// read covers both: the link lands in the four bytes before `dest` (saved and
// put back) or, at the very start of the output, in a staging buffer.
std::expected<std::uint32_t, IoError> read_block(const PosixFile& file, std::uint64_t block,
                                                 std::uint8_t* dest, std::size_t chunk,
                                                 std::size_t written_before) {
  if (written_before >= kLinkSize) {
    std::uint8_t* link_at = dest - kLinkSize;
    std::array<std::uint8_t, kLinkSize> saved;
    std::memcpy(saved.data(), link_at, kLinkSize);
    auto read = file.pread_exact(link_at, kLinkSize + chunk, block);
    const std::uint32_t link = load_u32(link_at);
    std::memcpy(link_at, saved.data(), kLinkSize);
    if (!read) return std::unexpected(read.error());
    return link;
  }
  if (chunk <= kStagedChunk) {
    std::array<std::uint8_t, kLinkSize + kStagedChunk> staging;
    auto read = file.pread_exact(staging.data(), kLinkSize + chunk, block);
    if (!read) return std::unexpected(read.error());
    std::memcpy(dest, staging.data() + kLinkSize, chunk);
    return load_u32(staging.data());
  }
  std::array<std::uint8_t, kLinkSize> link;
  if (auto read = file.pread_exact(link.data(), kLinkSize, block); !read) {
    return std::unexpected(read.error());
  }
  if (auto read = file.pread_exact(dest, chunk, block + kLinkSize); !read) {
    return std::unexpected(read.error());
  }
  return load_u32(link.data());
}

}  // namespace

std::expected<Bytes, DatError> DatDatabase::read_file_data(std::uint32_t offset,
                                                           std::uint32_t size) const {
  return gather(offset, size, nullptr);
}

std::expected<Bytes, DatError> DatDatabase::gather(std::uint32_t offset, std::uint32_t size,
                                                   ReadBudget* budget) const {
  if (size == 0) return Bytes{};
  // A data area of 0 bytes would let a looping chain run forever; with one
  // byte or more, a chain that revisits its blocks still ends once `size`
  // bytes are gathered.
  if (header_.block_size <= kLinkSize) {
    return std::unexpected(corrupt_chain(offset, "cannot be read: block size " +
                                                     std::to_string(header_.block_size) +
                                                     " leaves no room for data"));
  }
  // A chain whose blocks do not overlap cannot deliver more bytes than the
  // archive holds: its reads would run into the end of the file. Saying so
  // before allocating keeps a damaged size from reserving gigabytes.
  if (size > file_length_) return std::unexpected(DatError(IoError::fill_whole_buffer()));
  // Reserved whole but filled block by block: a chain that breaks off early
  // has touched only the memory its blocks filled.
  Bytes out;
  try {
    out.reserve(size);
  } catch (const std::bad_alloc&) {
    return std::unexpected(DatError(IoError::out_of_memory()));
  }

  const std::size_t data_area = header_.block_size - kLinkSize;
  std::uint64_t block = offset;
  std::size_t written = 0;
  while (true) {
    const std::size_t chunk = std::min<std::size_t>(data_area, size - written);
    if (budget && !budget->spend(1, chunk)) return std::unexpected(budget->spent_error());
    out.resize(written + chunk);
    auto link = read_block(file_, block, out.data() + written, chunk, written);
    if (!link) return std::unexpected(DatError(link.error()));
    written += chunk;
    if (written == size) return out;
    if (*link == 0) {
      // The chain ends early: the rest follows this block's data contiguously.
      // A rest running past the end of the archive is refused before the
      // output is filled for it.
      const std::uint64_t rest_at = block + kLinkSize + chunk;
      if (size - written > file_length_ - std::min(file_length_, rest_at)) {
        return std::unexpected(DatError(IoError::fill_whole_buffer()));
      }
      if (budget && !budget->spend(0, size - written)) {
        return std::unexpected(budget->spent_error());
      }
      out.resize(size);
      auto rest = file_.pread_exact(out.data() + written, size - written, rest_at);
      if (!rest) return std::unexpected(DatError(rest.error()));
      return out;
    }
    block = *link;
  }
}

std::expected<Bytes, DatError> DatDatabase::get_file(std::uint32_t id) const {
  return fetch(id, nullptr);
}

std::expected<Bytes, DatError> DatDatabase::get_file(std::uint32_t id, ReadBudget& budget) const {
  return fetch(id, &budget);
}

std::expected<Bytes, DatError> DatDatabase::fetch(std::uint32_t id, ReadBudget* budget) const {
  const auto found = index_.find(id);
  if (found == index_.end()) return std::unexpected(DatError(DatError::NotFound{id}));
  const DatFileEntry& entry = found->second;
  auto stored = gather(entry.offset, entry.size, budget);
  if (!stored || !entry.compressed()) return stored;
  try {
    // A stream that really expands yields at most 17 bytes for every 2 it
    // stores, and no more than kMaxDecompressedSize.
    auto decoded = decompress_lrs_at_most(*stored, kMaxDecompressedSize);
    if (!decoded) return std::unexpected(DatError(DatError::DecompressionFailed{id}));
    return std::move(*decoded);
  } catch (const std::bad_alloc&) {
    return std::unexpected(DatError(IoError::out_of_memory()));
  }
}

ReadBudget DatDatabase::unread_budget(std::uint64_t slack_bytes, std::uint64_t slack_blocks) const {
  const auto plus = [](std::uint64_t a, std::uint64_t b) {
    return a > ReadBudget::kUnlimited - b ? ReadBudget::kUnlimited : a + b;
  };
  return ReadBudget(
      plus(unread_bytes_, slack_bytes), plus(unread_blocks_, slack_blocks),
      DatError(DatError::Other{"read limit reached: files read more than the archive holds"}));
}

}  // namespace brackwater::dat
