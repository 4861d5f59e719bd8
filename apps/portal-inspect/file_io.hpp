#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "brackwater/dat/bytes.hpp"
#include "brackwater/cli/output_batch.hpp"
#include "brackwater/cli/output_file.hpp"
#include "brackwater/cli/input_stream.hpp"
#include "inspect_error.hpp"

namespace brackwater::inspect {

using cli::InputStream;
using cli::ReadChunk;

// Opens the file at `path`; a failure, then or while reading, reads
// "read {path}: {reason}".
std::expected<InputStream, InspectError> open_input(const std::filesystem::path& path);

// Writes `bytes` to `path`, never over one of `inputs` and keeping an old
// file until the new one is complete; the failure reads "write {path}: {reason}".
std::expected<void, InspectError> write_output(const std::filesystem::path& path,
                                               dat::ByteSpan bytes,
                                               std::span<const cli::InputFile> inputs);
// The same as one of `batch`'s many files, flushed by finish_outputs().
std::expected<void, InspectError> write_output(cli::OutputBatch& batch,
                                               const std::filesystem::path& path,
                                               dat::ByteSpan bytes,
                                               std::span<const cli::InputFile> inputs);
// Flushes the files that `batch` wrote into `dir` and below; the failure
// reads "write {dir}: {reason}".
std::expected<void, InspectError> finish_outputs(cli::OutputBatch& batch,
                                                 const std::filesystem::path& dir);

// Fails as write_output would for the first of `paths` that is one of
// `inputs`, before anything is written.
std::expected<void, InspectError> check_outputs(std::span<const std::filesystem::path> paths,
                                                std::span<const cli::InputFile> inputs);

// Creates directory `dir` and its missing ancestors; the failure reads
// "create dir {dir}: {reason}".
std::expected<void, InspectError> make_output_dir(const std::filesystem::path& dir);

}  // namespace brackwater::inspect
