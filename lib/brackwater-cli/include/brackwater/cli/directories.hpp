#pragma once

#include <expected>
#include <filesystem>

namespace brackwater::cli {

// Creates `dir` and every missing ancestor, outermost first (0777 before the
// umask); directories that already exist are fine. Gives the errno of the
// failure otherwise.
std::expected<void, int> make_directories(const std::filesystem::path& dir);

}  // namespace brackwater::cli
