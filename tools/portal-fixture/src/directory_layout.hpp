#pragma once

#include <cstdint>
#include <map>

#include "block_layout.hpp"
#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture::detail {

// The 1716 stored bytes of a directory node.
Bytes encode_node(const DirNode& node);

// Appends `entries` as a balanced tree of nodes, children before their
// parents, in ascending id order (a node's entries separate its children's);
// returns the root's offset, or 0 when there are no entries.
std::uint32_t append_directory(ImageTail image, std::uint32_t block_size,
                               const std::map<std::uint32_t, DatFileEntry>& entries);

}  // namespace portal_fixture::detail
