#include "directory_layout.hpp"

#include <span>
#include <stdexcept>
#include <vector>

namespace portal_fixture::detail {
namespace {

// 62 u32 branch offsets, a u32 entry count, room for 61 entries of six u32.
constexpr std::size_t kNodeSize = 1716;
constexpr std::size_t kBranchSlots = 62;
constexpr std::size_t kEntrySlots = 61;
constexpr std::size_t kCountOffset = kBranchSlots * 4;

// Entries a tree of `height` levels below its root can hold.
std::size_t capacity(unsigned height) {
  return height == 0 ? kEntrySlots : kEntrySlots + kBranchSlots * capacity(height - 1);
}

unsigned height_for(std::size_t entries) {
  unsigned height = 0;
  while (capacity(height) < entries) ++height;
  return height;
}

std::uint32_t append_subtree(ImageTail image, std::uint32_t block_size,
                             std::span<const DatFileEntry> entries) {
  DirNode node;
  const unsigned height = height_for(entries.size());
  if (height == 0) {
    node.entries.assign(entries.begin(), entries.end());
    return append_chain(image, block_size, encode_node(node));
  }
  // The fewest separating entries that leave every child within the
  // capacity of one level less, ceil((n - c) / (c + 1)), which is n / (c + 1);
  // the rest is shared out evenly.
  const std::size_t separators = entries.size() / (capacity(height - 1) + 1);
  const std::size_t children = separators + 1;
  const std::size_t below = entries.size() - separators;
  std::size_t pos = 0;
  for (std::size_t child = 0; child < children; ++child) {
    const std::size_t share = below / children + (child < below % children ? 1 : 0);
    node.branches.push_back(append_subtree(image, block_size, entries.subspan(pos, share)));
    pos += share;
    if (child < separators) node.entries.push_back(entries[pos++]);
  }
  return append_chain(image, block_size, encode_node(node));
}

}  // namespace

Bytes encode_node(const DirNode& node) {
  if (node.branches.size() > kBranchSlots || node.entries.size() > kEntrySlots) {
    throw std::invalid_argument("a directory node holds 62 branches and 61 entries at most");
  }
  Bytes bytes(kNodeSize);
  for (std::size_t slot = 0; slot < node.branches.size(); ++slot) {
    poke_u32(bytes, slot * 4, node.branches[slot]);
  }
  poke_u32(bytes, kCountOffset,
           node.count.value_or(static_cast<std::uint32_t>(node.entries.size())));
  std::size_t at = kCountOffset + 4;
  for (const DatFileEntry& e : node.entries) {
    for (const std::uint32_t field :
         {e.bit_flags, e.id, e.offset, e.size, e.timestamp, e.version}) {
      poke_u32(bytes, at, field);
      at += 4;
    }
  }
  return bytes;
}

std::uint32_t append_directory(ImageTail image, std::uint32_t block_size,
                               const std::map<std::uint32_t, DatFileEntry>& entries) {
  if (entries.empty()) return 0;
  std::vector<DatFileEntry> sorted;
  sorted.reserve(entries.size());
  for (const auto& [id, entry] : entries) sorted.push_back(entry);
  return append_subtree(image, block_size, sorted);
}

}  // namespace portal_fixture::detail
