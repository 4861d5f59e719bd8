#pragma once

#include <expected>
#include <filesystem>
#include <string>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::inspect {

// The whole content of the file at `path`; the failure reads "read {path}: {reason}".
std::expected<std::string, std::string> read_input(const std::filesystem::path& path);

// Creates or truncates `path` and writes `bytes` in one write; the failure
// reads "write {path}: {reason}".
std::expected<void, std::string> write_output(const std::filesystem::path& path,
                                              dat::ByteSpan bytes);

}  // namespace brackwater::inspect
