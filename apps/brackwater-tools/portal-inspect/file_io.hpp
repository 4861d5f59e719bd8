#pragma once

#include <expected>
#include <filesystem>
#include <string>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/tools/output_file.hpp"

namespace brackwater::inspect {

// The whole content of the file at `path`; the failure reads "read {path}: {reason}".
std::expected<std::string, std::string> read_input(const std::filesystem::path& path);

// Writes `bytes` to `path`, never over one of `inputs` and keeping an old
// file until the new one is complete; the failure reads "write {path}: {reason}".
std::expected<void, std::string> write_output(const std::filesystem::path& path,
                                              dat::ByteSpan bytes,
                                              std::span<const tools::InputFile> inputs);

// Creates directory `dir` and its missing ancestors; the failure reads
// "create dir {dir}: {reason}".
std::expected<void, std::string> make_output_dir(const std::filesystem::path& dir);

}  // namespace brackwater::inspect
