#pragma once

#include <cstdint>
#include <expected>

#include "brackwater/dat/database.hpp"
#include "brackwater/tools/dominant.hpp"
#include "brackwater/tools/tool_error.hpp"

namespace brackwater::tools {

// One surface's colour, and whether it came from its own colour word.
struct SurfaceColor {
  Rgb rgb;
  bool solid = false;
};

// Resolves one surface id to its colour: its solid colour word, or the
// dominant colour of the last mip of its texture.
std::expected<SurfaceColor, ToolError> dominant_for(const dat::DatDatabase& db,
                                                    std::uint32_t surface_id);

}  // namespace brackwater::tools
