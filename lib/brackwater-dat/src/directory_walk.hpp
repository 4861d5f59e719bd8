#pragma once

#include <cstdint>
#include <expected>

#include "brackwater/dat/chain_reader.hpp"
#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_index.hpp"

namespace brackwater::dat {

// What a directory walk found, and what it read to find it.
struct DirectoryWalk {
  FileIndex index;
  std::uint64_t bytes_read = 0;
  std::uint64_t blocks_read = 0;
};

// Walks the directory tree whose root node is at `root` (0: there is none)
// and indexes every entry it meets, a later duplicate id replacing an earlier
// one.
std::expected<DirectoryWalk, DatError> walk_directory(const ChainReader& chains,
                                                      std::uint32_t root);

}  // namespace brackwater::dat
