#include "png_file.hpp"

#include "file_io.hpp"

namespace brackwater::inspect {

std::expected<void, InspectError> write_png(const std::filesystem::path& path,
                                            const image::RgbaImage& image,
                                            std::span<const cli::InputFile> inputs) {
  auto encoded = image::encode_png(image);
  if (!encoded) return std::unexpected(InspectError("encode PNG", encoded.error()));
  return write_output(path, *encoded, inputs);
}

}  // namespace brackwater::inspect
