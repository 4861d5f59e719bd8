#include "portal_fixture/archive_writer.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "block_layout.hpp"
#include "directory_layout.hpp"
#include "header_layout.hpp"

namespace portal_fixture {

ArchiveBuilder::ArchiveBuilder(ArchiveOptions options) : block_size_(options.block_size) {
  if (block_size_ <= 4) throw std::invalid_argument("blocks need room for data after the link");
  header_.block_size = block_size_;
  image_.resize(detail::first_block_offset(block_size_));
}

DatFileEntry ArchiveBuilder::add_file(std::uint32_t id, ByteSpan bytes,
                                      const FileOptions& options) {
  const DatFileEntry entry = detail::append_file({image_}, block_size_, id, bytes, options);
  entries_.insert_or_assign(id, entry);
  return entry;
}

std::uint32_t ArchiveBuilder::add_chain(ByteSpan bytes, const ChainShape& shape) {
  return detail::append_chain({image_}, block_size_, bytes, shape);
}

std::uint32_t ArchiveBuilder::add_node(const DirNode& node) {
  return detail::append_chain({image_}, block_size_, detail::encode_node(node));
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
  header.root_offset = root_.value_or(0);
  if (!root_) header.root_offset = detail::append_directory({image}, block_size_, entries_);
  header.file_size = static_cast<std::uint32_t>(image.size());
  const Bytes stored = detail::encode_header(header);
  std::memcpy(image.data() + brackwater::dat::kHeaderOffset, stored.data(), stored.size());
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
