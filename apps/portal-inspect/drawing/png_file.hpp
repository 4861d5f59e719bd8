#pragma once

#include <expected>
#include <filesystem>
#include <span>
#include <string>

#include "brackwater/cli/output_file.hpp"
#include "brackwater/image/png.hpp"
#include "inspect_error.hpp"

namespace brackwater::inspect {

// Writes `image` to `path` as a PNG file, never over one of `inputs`. The
// failure is one line: "encode PNG: {reason}" or "write {path}: {reason}".
std::expected<void, InspectError> write_png(const std::filesystem::path& path,
                                            const image::RgbaImage& image,
                                            std::span<const cli::InputFile> inputs);

}  // namespace brackwater::inspect
