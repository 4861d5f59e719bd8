#pragma once

#include <string>
#include <variant>

#include "brackwater/dat/file_type/pixel_format.hpp"

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
  struct PaletteFetch {
    std::string message;
  };
  using Payload = std::variant<UnsupportedFormat, ShortRead, DimensionOverflow, MissingPaletteId,
                               PaletteIndexOutOfRange, PaletteFetch>;

  TextureDecodeError(Payload payload) : payload_(std::move(payload)) {}  // NOLINT

  const Payload& payload() const { return payload_; }
  template <class Variant>
  bool is() const {
    return std::holds_alternative<Variant>(payload_);
  }

  std::string message() const;
  // The variant's name, with its payload in parentheses where it has one:
  // UnsupportedFormat(R5G6B5), PaletteFetch("...").
  std::string debug() const;

 private:
  Payload payload_;
};

}  // namespace brackwater::dat
