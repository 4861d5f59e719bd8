#pragma once

#include <expected>

#include "brackwater/dat/header.hpp"
#include "brackwater/dat/posix_file.hpp"
#include "brackwater/dat/read_error.hpp"

namespace brackwater::dat {

// Reads the header at the file's current position; on failure the file is
// put back where the header began.
std::expected<DatHeader, ReadError> read_header(const PosixFile& file);

}  // namespace brackwater::dat
