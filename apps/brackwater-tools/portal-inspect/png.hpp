#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/tools/output_file.hpp"

namespace brackwater::inspect {

// An 8-bit RGBA image: width * height * 4 bytes, rows from the top.
struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  dat::Bytes pixels;
};

// `image` as the bytes of a PNG file; the failure is libpng's reason.
std::expected<dat::Bytes, std::string> encode_png(const RgbaImage& image);

// Writes `image` to `path` as a PNG file, never over one of `inputs`. The
// failure is one line: "encode PNG: {reason}" or "write {path}: {reason}".
std::expected<void, std::string> write_png(const std::filesystem::path& path,
                                           const RgbaImage& image,
                                           std::span<const tools::InputFile> inputs);

}  // namespace brackwater::inspect
