#pragma once

#include <cstdint>
#include <span>

#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture::detail {

// The 1716 stored bytes of a directory node.
Bytes encode_node(const DirNode& node);

// Appends `entries` as a balanced tree of nodes, children before their
// parents, in the order given (a node's entries separate its children's);
// returns the root's offset.
std::uint32_t append_tree(Bytes& image, std::uint32_t block_size,
                          std::span<const DatFileEntry> entries);

}  // namespace portal_fixture::detail
