#pragma once

#include <cstdint>
#include <expected>
#include <string>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/dat/database.hpp"
#include "brackwater/image/png.hpp"
#include "inspect_error.hpp"

namespace brackwater::inspect {

// A texture's stored size and its pixels as RGBA8.
struct DecodedTexture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  dat::Bytes pixels;
};

// Texture `id` decoded with its default palette.
std::expected<DecodedTexture, InspectError> decode_stored_texture(const dat::DatDatabase& db,
                                                                  std::uint32_t id);

// The pixels as an image, which needs both sides positive; `id` names the
// texture in the failure.
std::expected<image::RgbaImage, std::string> drawable_image(std::uint32_t id, DecodedTexture decoded);

}  // namespace brackwater::inspect
