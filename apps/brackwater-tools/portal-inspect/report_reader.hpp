#pragma once

#include <expected>
#include <string_view>

#include "brackwater/tools/report.hpp"
#include "json.hpp"

namespace brackwater::inspect {

// A report as tintsurvey writes it, read back: a JSON object whose keys are
// ids written "0x" and eight upper-case hex digits, each mapped to an array of
// three integers from 0 to 255. Anything else is an error naming its line.
std::expected<tools::ColorMap, JsonError> read_report(std::string_view text);

}  // namespace brackwater::inspect
