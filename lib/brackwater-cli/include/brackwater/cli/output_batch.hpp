#pragma once

// Many outputs of one run (a directory of images), put in place at the file
// system's pace.
//
//   OutputBatch batch;
//   batch.write(dir / "a.png", bytes, inputs);  // from any thread
//   batch.finish();                             // before the run reports success
//
// Each file is written and put in place as OutputFile does, so a failure or a
// kill never leaves a file half-written under its name nor loses an old one;
// but no file waits for storage on its own. finish() flushes the file systems
// written to and then the directories, once for the whole run.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <mutex>
#include <span>
#include <vector>

#include "brackwater/cli/output_file.hpp"

namespace brackwater::cli {

class OutputBatch {
 public:
  OutputBatch() = default;
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;
  ~OutputBatch();

  // Opens, writes and commits `bytes` at `path`, leaving its flush to finish().
  std::expected<void, OutputError> write(const std::filesystem::path& path,
                                         std::span<const std::uint8_t> bytes,
                                         std::span<const InputFile> inputs = {});
  // Flushes every file written so far to storage, then each directory that
  // names one. A write-back failure since the first file is reported here.
  std::expected<void, OutputError> finish();

 private:
  // A directory that received files, held open from its first file on so
  // that the flush sees every write-back failure since then.
  struct Directory {
    std::filesystem::path path;
    int fd = -1;
  };
  std::expected<void, OutputError> note(const std::filesystem::path& dir);

  std::mutex mutex_;
  std::vector<Directory> directories_;
};

}  // namespace brackwater::cli
