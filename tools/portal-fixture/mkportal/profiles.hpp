#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>

namespace mkportal {

// What an archive written by a profile holds.
struct ArchiveSummary {
  std::size_t files = 0;
  std::size_t surfaces = 0;
  std::size_t broken = 0;  // surfaces made not to resolve
  std::uint64_t bytes = 0;
};

// About 300 surfaces in every texture format, each with a colour that
// follows from its index and the seed, and 14 broken ones.
std::expected<ArchiveSummary, std::string> write_sample(const std::filesystem::path& out,
                                                        std::uint64_t seed);

// Shaped like a client archive: at scale 1 about 10,000 surfaces among about
// 100,000 files, about 500 MB in blocks of 1024 bytes.
std::expected<ArchiveSummary, std::string> write_large(const std::filesystem::path& out,
                                                       double scale, std::uint64_t seed);

}  // namespace mkportal
