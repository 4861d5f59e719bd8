#pragma once

// Writing a file the user asked for without losing one they already have.
//
//   auto out = OutputFile::open(path, inputs);  // refuses a path that is an input
//   out->write(text);
//   out->commit();                              // before this, `path` is unchanged
//
// A regular file, new or existing, is written to a temporary file in its
// directory and renamed over the target on commit: a failure or a kill leaves
// the old file whole. The temporary has no name until the commit where the file
// system allows, so even a kill leaves nothing behind; a new file is linked
// under its name only once complete. The old file's permission
// bits (and owner, where allowed) carry over; a symbolic link is written
// through to its target. Anything else (a terminal, a pipe, a device, one of
// the process's own descriptors such as /dev/stdout) is written as it is
// opened, never truncated. Opening never blocks: a FIFO that nothing reads is
// refused.
//
// Objects are independent of each other; several threads may each write
// their own outputs.

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace brackwater::cli {

// A file the run reads, which no output may replace.
struct InputFile {
  std::optional<std::pair<dev_t, ino_t>> identity;  // none when it could not be found
  std::string role;  // "archive", "report": named when an output is refused

  // The file at `path` now, following links.
  static InputFile at(const std::filesystem::path& path, std::string role);
};

struct OutputError {
  int os_error = 0;     // the system's error number; 0 when the output was refused
  std::string refusal;  // why, when the output was refused

  // The refusal, or "{strerror} (os error {code})".
  std::string message() const;
};

class OutputFile {
 public:
  // When a replacement reaches storage: before it is put in place, or when
  // the caller flushes its file system for many files at once (OutputBatch).
  enum class Flush { OnCommit, ByCaller };

  static std::expected<OutputFile, OutputError> open(const std::filesystem::path& path,
                                                     std::span<const InputFile> inputs = {},
                                                     Flush flush = Flush::OnCommit);
  // Takes over `fd` (a duplicate of standard output, say) and writes to it
  // as it is; a negative `fd` fails every write.
  static OutputFile adopt(int fd);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Discards what was written unless it was committed.
  ~OutputFile();

  // Appends `bytes`, continuing short writes.
  std::expected<void, OutputError> write(std::span<const std::uint8_t> bytes);
  std::expected<void, OutputError> write(std::string_view text);
  // Writes `bytes` at `offset` from the start of the output (not on a pipe).
  std::expected<void, OutputError> write_at(std::uint64_t offset,
                                            std::span<const std::uint8_t> bytes);
  // Flushes to storage, unless that was left to the caller, and puts the
  // file in place.
  std::expected<void, OutputError> commit();
  // Where commit() puts a file whose flushing was left to the caller; empty
  // when the commit flushes it.
  std::filesystem::path unflushed_target() const;

  // How the bytes reach the target; open() decides.
  enum class Mode {
    Replace,   // a temporary renamed over the target on commit
    InPlace,   // the existing file itself, truncated (where a rename cannot work)
    AsOpened,  // a terminal, pipe, device or inherited descriptor
  };
  // What open() prepared; the object owns the descriptor from then on.
  struct Parts {
    int fd = -1;
    Mode mode = Mode::AsOpened;
    std::filesystem::path target;      // Replace: what the commit renames over
    std::filesystem::path named_temp;  // Replace: the temporary's name, when it has one
    bool fresh = false;                // Replace: no file was at the target when opened
    Flush flush = Flush::OnCommit;
  };
  explicit OutputFile(Parts parts) noexcept : parts_(std::move(parts)) {}

 private:
  // Closes the descriptor and removes a named temporary.
  void discard() noexcept;
  // Replace: names the temporary as the target.
  std::expected<void, OutputError> put_in_place();

  Parts parts_;
};

// The refusal OutputFile::open would give `path` for being one of `inputs`,
// told without opening it, so that a run writing many files can check them
// all before it writes the first.
std::optional<OutputError> refused_output(const std::filesystem::path& path,
                                          std::span<const InputFile> inputs);

// Opens, writes and commits `bytes` in one go.
std::expected<void, OutputError> write_output_file(const std::filesystem::path& path,
                                                   std::span<const std::uint8_t> bytes,
                                                   std::span<const InputFile> inputs = {});

}  // namespace brackwater::cli
