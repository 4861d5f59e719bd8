#pragma once

#include <cstdint>
#include <string>

namespace brackwater::dat {

// Names of the texture format codes. Any code without a name is `Other`,
// which keeps the raw code.
class PixelFormat {
 public:
  enum class Kind : std::uint32_t {
    Unknown = 0,
    R8G8B8 = 20,
    A8R8G8B8 = 21,
    R5G6B5 = 23,
    A4R4G4B4 = 26,
    A8 = 28,
    P8 = 41,
    Index16 = 101,
    CustomLscapeR8G8B8 = 243,
    CustomLscapeAlpha = 244,
    Dxt1 = 0x31545844,  // "DXT1" as a little-endian FourCC
    Dxt3 = 0x33545844,
    Dxt5 = 0x35545844,
    Other = 0xFFFFFFFF,  // never compared with a code; see code()
  };

  static PixelFormat from_code(std::uint32_t code);

  Kind kind() const { return kind_; }
  std::uint32_t code() const { return code_; }
  bool paletted() const { return kind_ == Kind::P8 || kind_ == Kind::Index16; }

  // The member's name ("Dxt1"), or "Other(7)" for an unnamed code.
  std::string to_string() const;

  friend bool operator==(const PixelFormat&, const PixelFormat&) = default;

 private:
  PixelFormat(Kind kind, std::uint32_t code) : kind_(kind), code_(code) {}
  Kind kind_;
  std::uint32_t code_;
};

}  // namespace brackwater::dat
