#pragma once

// Builds portal archives byte for byte, so tests describe archives instead of
// carrying binary files.
//
//   ArchiveBuilder b;                                   // or b({.block_size = 256})
//   b.add_file(0x08000001, surface_bytes);
//   b.add_file(0x06000001, texture_bytes, {.compress = true});
//   b.write(dir / "portal.dat");                        // or: Bytes image = b.build();
//
// Each file becomes a block chain as it is added. Unless set_root() names a
// root, build() lays every added entry out as a balanced directory tree.
// Damaged shapes: ChainShape (stray links, early ends), FileOptions::size,
// hand-made nodes (add_node, or reserve_node + set_node for cycles), header().

#include <cstdint>
#include <expected>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"

namespace portal_fixture {

using brackwater::dat::Bytes;
using brackwater::dat::ByteSpan;
using brackwater::dat::DatFileEntry;
using brackwater::dat::DatHeader;

// How a chain's blocks are laid out. The default is one block after another,
// each linking to the next, the last linking to 0.
struct ChainShape {
  // {k, offset}: block k (counted from 0) links to this raw offset instead.
  std::vector<std::pair<std::size_t, std::uint32_t>> links{};
  // Store the data in this many blocks only: the last of them links to 0 and
  // the rest of the data runs on contiguously past the end of its data area.
  std::optional<std::size_t> blocks{};
  // Place the blocks back to front, so the bytes come out in order only when
  // the links are followed.
  bool reversed = false;
};

struct FileOptions {
  // Store the bytes as an LRS stream and set bit_flags bit 0.
  bool compress = false;
  // Further flag bits; bit 0 alone marks bytes that are already a stream.
  std::uint32_t bit_flags = 0;
  // The entry's size when it should differ from the bytes stored.
  std::optional<std::uint32_t> size{};
  std::uint32_t timestamp = 0;
  std::uint32_t version = 0;
  ChainShape chain{};
};

// A directory node as stored: branch slots, entry count and entries.
struct DirNode {
  // Child offsets from slot 0 on, at most 62; slots not given are 0.
  std::vector<std::uint32_t> branches{};
  // At most 61 (all the node has room for).
  std::vector<DatFileEntry> entries{};
  // The entry count to store when it should differ from entries.size().
  std::optional<std::uint32_t> count{};
};

struct ArchiveOptions {
  std::uint32_t block_size = 1024;  // at least 5: every block carries data
};

class ArchiveBuilder {
 public:
  explicit ArchiveBuilder(ArchiveOptions options = {});

  // The header as it will be written: all 0 except block_size, which may be
  // changed to differ from the layout's. build() fills root_offset and file_size.
  DatHeader& header() { return header_; }

  // Stores `bytes` as a chain and records its entry for the automatic tree; a
  // later file with the same id replaces the entry (its chain stays).
  DatFileEntry add_file(std::uint32_t id, ByteSpan bytes, const FileOptions& options = {});
  // Records `entry` for the automatic tree as it is, storing nothing, so that
  // entries can share one chain; replaces an entry with the same id.
  void add_entry(const DatFileEntry& entry) { entries_.insert_or_assign(entry.id, entry); }
  // Stores `bytes` as a chain without an entry; returns the chain's offset.
  std::uint32_t add_chain(ByteSpan bytes, const ChainShape& shape = {});

  // Stores a node now and returns its offset; children must exist already.
  std::uint32_t add_node(const DirNode& node);
  // Space for a node to be filled in later, so that nodes can link in cycles.
  std::uint32_t reserve_node();
  void set_node(std::uint32_t offset, const DirNode& node);
  // Makes `offset` the root (0: no directory) instead of the automatic tree.
  void set_root(std::uint32_t offset) { root_ = offset; }

  // Where the next block will be placed: the offset of the next chain.
  std::uint32_t end() const;

  Bytes build() const;
  [[nodiscard]] std::expected<void, std::string> write(const std::filesystem::path& path) const;

 private:
  std::uint32_t block_size_;
  DatHeader header_;
  Bytes image_;  // everything laid out so far; the header is written by build()
  std::map<std::uint32_t, DatFileEntry> entries_;
  std::optional<std::uint32_t> root_;
};

// Overwrites the little-endian u32 at `offset` of a built archive.
void poke_u32(Bytes& archive, std::size_t offset, std::uint32_t value);

// The bytes of `text`, for file contents written as strings.
Bytes to_bytes(std::string_view text);

}  // namespace portal_fixture
