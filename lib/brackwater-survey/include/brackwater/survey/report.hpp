#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "brackwater/survey/dominant.hpp"

namespace brackwater::survey {

// Resolved colours by surface id, ascending.
using ColorMap = std::map<std::uint32_t, Rgb>;

// The report's exact text: one `"0xXXXXXXXX": [r, g, b]` line per entry.
std::string render_report(const ColorMap& colors);

}  // namespace brackwater::survey
