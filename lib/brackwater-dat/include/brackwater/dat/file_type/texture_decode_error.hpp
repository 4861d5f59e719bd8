#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "brackwater/dat/error.hpp"
#include "brackwater/dat/file_type/pixel_format.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// The error of converting a texture to RGBA8.
class TextureDecodeError {
 public:
  struct UnsupportedFormat {
    PixelFormat format;
  };
  struct ShortRead {};
  struct DimensionOverflow {};
  struct MissingPaletteId {};
  struct PaletteIndexOutOfRange {};
  // The palette fetcher's failure: the palette it fetched (which may not be
  // the id it was asked for) and why, as the archive's error reading the
  // palette's file or the parse error of its record.
  struct PaletteFetch {
    std::uint32_t palette_id = 0;
    std::variant<DatError, ReadError> cause;

    // "0x{palette_id}: {the cause's message}", the id in eight upper-case digits.
    std::string reason() const;
  };
  using Payload = std::variant<UnsupportedFormat, ShortRead, DimensionOverflow, MissingPaletteId,
                               PaletteIndexOutOfRange, PaletteFetch>;

  TextureDecodeError(Payload payload) : payload_(std::move(payload)) {}  // NOLINT

  const Payload& payload() const { return payload_; }
  template <class Variant>
  bool is() const {
    return std::holds_alternative<Variant>(payload_);
  }
  template <class Variant>
  const Variant* as() const {
    return std::get_if<Variant>(&payload_);
  }

  std::string message() const;

 private:
  Payload payload_;
};

}  // namespace brackwater::dat
