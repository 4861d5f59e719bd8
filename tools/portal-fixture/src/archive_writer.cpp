#include "portal_fixture/archive_writer.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "block_layout.hpp"
#include "directory_layout.hpp"
#include "portal_fixture/lrs_encoder.hpp"

namespace portal_fixture {
namespace {

using brackwater::dat::kHeaderOffset;

// The header's 17 fields end 80 bytes after it starts.
constexpr std::size_t kHeaderEnd = kHeaderOffset + 80;

void write_header(Bytes& image, const DatHeader& h) {
  std::size_t at = kHeaderOffset;
  for (const std::uint32_t field :
       {h.magic, h.block_size, h.file_size, h.dataset, h.subset, h.free_head, h.free_tail,
        h.free_count, h.root_offset, h.new_lru, h.old_lru, h.use_lru, h.master_map_id,
        h.engine_version, h.game_version}) {
    poke_u32(image, at, field);
    at += 4;
  }
  std::memcpy(image.data() + at, h.version_string.data(), h.version_string.size());
  poke_u32(image, at + h.version_string.size(), h.version_minor);
}

}  // namespace

ArchiveBuilder::ArchiveBuilder(ArchiveOptions options) : block_size_(options.block_size) {
  if (block_size_ <= 4) throw std::invalid_argument("blocks need room for data after the link");
  header_.block_size = block_size_;
  // Blocks start at the first multiple of the block size after the header.
  image_.resize((kHeaderEnd + block_size_ - 1) / block_size_ * block_size_);
}

DatFileEntry ArchiveBuilder::add_file(std::uint32_t id, ByteSpan bytes,
                                      const FileOptions& options) {
  const Bytes encoded = options.compress ? lrs_encode(bytes) : Bytes{};
  const ByteSpan stored = options.compress ? ByteSpan(encoded) : bytes;
  DatFileEntry entry;
  entry.bit_flags = options.bit_flags | (options.compress ? 1u : 0u);
  entry.id = id;
  entry.offset = detail::append_chain(image_, block_size_, stored, options.chain);
  entry.size = options.size.value_or(static_cast<std::uint32_t>(stored.size()));
  entry.timestamp = options.timestamp;
  entry.version = options.version;
  entries_.insert_or_assign(id, entry);
  return entry;
}

std::uint32_t ArchiveBuilder::add_chain(ByteSpan bytes, const ChainShape& shape) {
  return detail::append_chain(image_, block_size_, bytes, shape);
}

std::uint32_t ArchiveBuilder::add_node(const DirNode& node) {
  return detail::append_chain(image_, block_size_, detail::encode_node(node));
}

std::uint32_t ArchiveBuilder::reserve_node() {
  return add_node({});  // an empty leaf until set_node fills it
}

void ArchiveBuilder::set_node(std::uint32_t offset, const DirNode& node) {
  detail::overwrite_chain(image_, block_size_, offset, detail::encode_node(node));
}

std::uint32_t ArchiveBuilder::end() const {
  return static_cast<std::uint32_t>(image_.size());
}

Bytes ArchiveBuilder::build() const {
  Bytes image = image_;
  DatHeader header = header_;
  if (root_) {
    header.root_offset = *root_;
  } else if (!entries_.empty()) {
    std::vector<DatFileEntry> sorted;
    sorted.reserve(entries_.size());
    for (const auto& [id, entry] : entries_) sorted.push_back(entry);
    header.root_offset = detail::append_tree(image, block_size_, sorted);
  }
  header.file_size = static_cast<std::uint32_t>(image.size());
  write_header(image, header);
  return image;
}

std::expected<void, std::string> ArchiveBuilder::write(const std::filesystem::path& path) const {
  const Bytes image = build();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) return std::unexpected("cannot write " + path.string() + ": " + std::strerror(errno));
  return {};
}

void poke_u32(Bytes& archive, std::size_t offset, std::uint32_t value) {
  for (std::size_t k = 0; k < 4; ++k) {
    archive.at(offset + k) = static_cast<std::uint8_t>(value >> (8 * k));
  }
}

Bytes to_bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

}  // namespace portal_fixture
