#pragma once

#include <expected>
#include <filesystem>
#include <ostream>
#include <span>

#include "brackwater/cli/output_file.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/survey_error.hpp"

namespace brackwater::tintsurvey {

// Creates the parent directory of `out`, writes the report (never over one of
// `inputs`, and keeping the old file until the new one is complete) and
// prints "wrote {out} ({size} KB)" to `log`.
std::expected<void, survey::SurveyError> write_report(const survey::ColorMap& colors,
                                                      const std::filesystem::path& out,
                                                      std::ostream& log,
                                                      std::span<const cli::InputFile> inputs = {});

}  // namespace brackwater::tintsurvey
