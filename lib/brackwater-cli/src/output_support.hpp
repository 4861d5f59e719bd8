#pragma once

// Pieces that opening and committing an output share.

#include <cerrno>
#include <expected>
#include <filesystem>

#include "brackwater/cli/output_file.hpp"

namespace brackwater::cli {

inline std::unexpected<OutputError> os_failure(int error) {
  return std::unexpected(OutputError{error, {}});
}

// The directory a file named by `path` sits in; "." for a bare name.
std::filesystem::path directory_of(const std::filesystem::path& path);

// A hidden name beside `target` that no other call in this process gives:
// ".{name}.{pid}-{n}.tmp".
std::filesystem::path temporary_name(const std::filesystem::path& target);

// Calls `create` with fresh temporary names beside `target` until one is not
// taken yet (`create` gives EEXIST for a taken one). Gives the name that
// `create` accepted, or its error.
template <class Create>
std::expected<std::filesystem::path, int> claim_temporary_name(const std::filesystem::path& target,
                                                               Create create) {
  // Only a leftover of an earlier run with the same process id collides.
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path name = temporary_name(target);
    const int error = create(name);
    if (error == 0) return name;
    if (error != EEXIST) return std::unexpected(error);
  }
  return std::unexpected(EEXIST);
}

}  // namespace brackwater::cli
