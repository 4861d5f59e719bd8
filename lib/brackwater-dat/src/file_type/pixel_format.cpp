#include "brackwater/dat/file_type/pixel_format.hpp"

#include <array>
#include <utility>

namespace brackwater::dat {
namespace {

using Kind = PixelFormat::Kind;

constexpr std::array<std::pair<Kind, const char*>, 13> kNamed{{
    {Kind::Unknown, "Unknown"},
    {Kind::R8G8B8, "R8G8B8"},
    {Kind::A8R8G8B8, "A8R8G8B8"},
    {Kind::R5G6B5, "R5G6B5"},
    {Kind::A4R4G4B4, "A4R4G4B4"},
    {Kind::A8, "A8"},
    {Kind::P8, "P8"},
    {Kind::Index16, "Index16"},
    {Kind::CustomLscapeR8G8B8, "CustomLscapeR8G8B8"},
    {Kind::CustomLscapeAlpha, "CustomLscapeAlpha"},
    {Kind::Dxt1, "Dxt1"},
    {Kind::Dxt3, "Dxt3"},
    {Kind::Dxt5, "Dxt5"},
}};

}  // namespace

PixelFormat PixelFormat::from_code(std::uint32_t code) {
  for (const auto& [kind, name] : kNamed) {
    if (static_cast<std::uint32_t>(kind) == code) return PixelFormat(kind, code);
  }
  return PixelFormat(Kind::Other, code);
}

std::string PixelFormat::to_string() const {
  for (const auto& [kind, name] : kNamed) {
    if (kind == kind_) return name;
  }
  return "Other(" + std::to_string(code_) + ")";
}

}  // namespace brackwater::dat
