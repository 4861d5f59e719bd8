#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "brackwater/survey/report.hpp"
#include "brackwater/report/report_input.hpp"

namespace brackwater::report {

// A report as tintsurvey writes it, read back: a JSON object whose keys are
// ids written "0x" and eight upper-case hex digits, each mapped to an array of
// three integers from 0 to 255. The first fault ends reading, as soon as it
// shows: "{name}: line {n}: {what}", the read failure as `chunks` tells it,
// or "{name} is too large to be a report" (for a regular file, before any of
// it is read). Memory grows with the entries read, not with the file's size
// or nesting.
std::expected<survey::ColorMap, std::string> read_report(std::string_view name, InputStream input);

}  // namespace brackwater::report
