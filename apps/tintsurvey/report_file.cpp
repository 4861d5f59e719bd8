#include "report_file.hpp"

#include <sys/stat.h>

#include "brackwater/cli/directories.hpp"
#include "brackwater/cli/sizes.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"

namespace brackwater::tintsurvey {
namespace {

namespace fs = std::filesystem;

// `path` without trailing separators and "." components, which name nothing.
fs::path without_trailing_dots(fs::path path) {
  while (path.has_relative_path() && (path.filename().empty() || path.filename() == ".")) {
    path = path.parent_path();
  }
  return path;
}

// The path without its last component: "a" for "a/b", "a/b/" and "a/./b";
// empty for a bare file name, a root or an empty path.
fs::path parent_of(const fs::path& path) {
  const fs::path trimmed = without_trailing_dots(path);
  if (!trimmed.has_relative_path()) return {};
  return without_trailing_dots(trimmed.parent_path());
}

// The size of the file at `path`, following links; 0 when it cannot be read.
std::uint64_t file_size_or_zero(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace

std::expected<void, survey::SurveyError> write_report(const survey::ColorMap& colors,
                                                      const fs::path& out, std::ostream& log,
                                                      std::span<const cli::InputFile> inputs) {
  // A bare file name has an empty parent: the current directory.
  if (const fs::path parent = parent_of(out); !parent.empty()) {
    if (auto created = cli::make_directories(parent); !created) {
      return std::unexpected(survey::SurveyError::wrap("create dir " + dat::display_path(parent),
                                             dat::IoError::from_errno(created.error())));
    }
  }
  const std::string text = survey::render_report(colors);
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  if (auto written = cli::write_output_file(out, bytes, inputs); !written) {
    return std::unexpected(
        survey::SurveyError::wrap("write " + dat::display_path(out), written.error().message()));
  }
  // One write: the log is usually an unbuffered stderr.
  log << "wrote " + dat::display_path(out) + " (" + cli::one_decimal(file_size_or_zero(out), 1024) +
             " KB)\n";
  return {};
}

}  // namespace brackwater::tintsurvey
