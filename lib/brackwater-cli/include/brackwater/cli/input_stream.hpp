#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <span>
#include <string>

namespace brackwater::cli {

// Gives the next bytes of an input into `buffer`: how many (0 at its end), or
// the text of a read failure.
using ReadChunk = std::function<std::expected<std::size_t, std::string>(std::span<char> buffer)>;

// An input read front to back.
struct InputStream {
  std::uint64_t size = 0;  // as the file system tells it: 0 for a pipe or a device
  ReadChunk read;
};

}  // namespace brackwater::cli
