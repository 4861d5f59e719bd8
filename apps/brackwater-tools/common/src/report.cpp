#include "brackwater/tools/report.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/tools/directories.hpp"

namespace brackwater::tools {
namespace {

namespace fs = std::filesystem;

// Longest entry line: `  "0x08FFFFFF": [255, 255, 255],` and its line feed.
constexpr std::size_t kBytesPerEntry = 36;

// `path` without trailing separators and "." components, which name nothing.
fs::path without_trailing_dots(fs::path path) {
  while (path.has_relative_path() && (path.filename().empty() || path.filename() == ".")) {
    path = path.parent_path();
  }
  return path;
}

// The path without its last component: "a" for "a/b", "a/b/" and "a/./b";
// empty for a bare file name, a root or an empty path.
fs::path parent_of(const fs::path& path) {
  const fs::path trimmed = without_trailing_dots(path);
  if (!trimmed.has_relative_path()) return {};
  return without_trailing_dots(trimmed.parent_path());
}

// The size of the file at `path`, following links; 0 when it cannot be read.
std::uint64_t file_size_or_zero(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

// Writes `value` in decimal at `at`; returns the end.
char* append_decimal(char* at, std::uint8_t value) {
  return std::to_chars(at, at + 3, value).ptr;
}

}  // namespace

std::string render_report(const ColorMap& colors) {
  std::string text;
  text.reserve(4 + colors.size() * kBytesPerEntry);
  text += "{\n";
  std::size_t remaining = colors.size();
  for (const auto& [id, rgb] : colors) {
    // The line is put together in place and appended whole.
    std::array<char, kBytesPerEntry> line;
    char* at = std::copy_n("  \"0x", 5, line.data());
    const std::string hex = dat::hex8(id);
    at = std::copy(hex.begin(), hex.end(), at);
    at = std::copy_n("\": [", 4, at);
    at = append_decimal(at, rgb.r);
    at = std::copy_n(", ", 2, at);
    at = append_decimal(at, rgb.g);
    at = std::copy_n(", ", 2, at);
    at = append_decimal(at, rgb.b);
    at = --remaining == 0 ? std::copy_n("]\n", 2, at) : std::copy_n("],\n", 3, at);
    text.append(line.data(), at);
  }
  text += "}\n";
  return text;
}

std::string format_kilobytes(std::uint64_t bytes) {
  // printf rounds the exact binary value, so a true tie (bytes / 1024 is
  // exact below 2^53) goes to the even digit.
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", static_cast<double>(bytes) / 1024.0);
  return buffer;
}

std::expected<void, ToolError> write_report(const ColorMap& colors, const fs::path& out,
                                            std::ostream& log, std::span<const InputFile> inputs) {
  // A bare file name has an empty parent: the current directory.
  if (const fs::path parent = parent_of(out); !parent.empty()) {
    if (auto created = make_directories(parent); !created) {
      return std::unexpected(ToolError::wrap("create dir " + dat::display_path(parent),
                                             dat::IoError::from_errno(created.error())));
    }
  }
  const std::string text = render_report(colors);
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (auto written = write_output_file(out, bytes, inputs); !written) {
    return std::unexpected(
        ToolError::wrap("write " + dat::display_path(out), written.error().message()));
  }
  // One write: the log is usually an unbuffered stderr.
  log << "wrote " + dat::display_path(out) + " (" + format_kilobytes(file_size_or_zero(out)) +
             " KB)\n";
  return {};
}

}  // namespace brackwater::tools
