#include "file_io.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <string_view>

#include "brackwater/dat/display.hpp"
#include "brackwater/dat/io_error.hpp"
#include "brackwater/dat/posix_file.hpp"
#include "brackwater/cli/directories.hpp"
#include "brackwater/survey/report.hpp"

namespace brackwater::inspect {
std::expected<InputStream, std::string> open_input(const std::filesystem::path& path) {
  const std::string lead = "read " + dat::display_path(path) + ": ";
  auto opened = dat::PosixFile::open_read_only(path);
  if (!opened) return std::unexpected(lead + opened.error().message());
  auto file = std::make_shared<dat::PosixFile>(std::move(*opened));
  struct stat info {};
  if (::fstat(file->descriptor(), &info) != 0) {
    return std::unexpected(lead + dat::IoError::from_errno(errno).message());
  }
  // A FIFO that nothing has open for writing ends at once; said so, rather
  // than as input that ended too early.
  const bool fifo = S_ISFIFO(info.st_mode);
  auto read_before = std::make_shared<bool>(false);
  ReadChunk read = [file, lead, fifo, read_before](
                       std::span<char> buffer) -> std::expected<std::size_t, std::string> {
    auto got = file->read_some_fully(reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size());
    if (!got) return std::unexpected(lead + got.error().message());
    if (fifo && *got == 0 && !*read_before) return std::unexpected(lead + "a FIFO with no writer");
    *read_before = true;
    return *got;
  };
  const auto size = static_cast<std::uint64_t>(info.st_size);
  return InputStream{size, std::move(read)};
}

namespace {

std::expected<void, std::string> written(const std::filesystem::path& path,
                                         const std::expected<void, cli::OutputError>& result) {
  if (!result) {
    return std::unexpected("write " + dat::display_path(path) + ": " + result.error().message());
  }
  return {};
}

}  // namespace

std::expected<void, std::string> write_output(const std::filesystem::path& path,
                                              dat::ByteSpan bytes,
                                              std::span<const cli::InputFile> inputs) {
  return written(path, cli::write_output_file(path, bytes, inputs));
}

std::expected<void, std::string> write_output(cli::OutputBatch& batch,
                                              const std::filesystem::path& path,
                                              dat::ByteSpan bytes,
                                              std::span<const cli::InputFile> inputs) {
  return written(path, batch.write(path, bytes, inputs));
}

std::expected<void, std::string> finish_outputs(cli::OutputBatch& batch,
                                                const std::filesystem::path& dir) {
  return written(dir, batch.finish());
}

std::expected<void, std::string> check_outputs(std::span<const std::filesystem::path> paths,
                                               std::span<const cli::InputFile> inputs) {
  for (const std::filesystem::path& path : paths) {
    if (auto refused = cli::refused_output(path, inputs)) {
      return std::unexpected("write " + dat::display_path(path) + ": " + refused->message());
    }
  }
  return {};
}

std::expected<void, std::string> make_output_dir(const std::filesystem::path& dir) {
  if (auto made = cli::make_directories(dir); !made) {
    std::error_code unknown;
    if (made.error() == EEXIST && std::filesystem::is_symlink(dir, unknown) &&
        !std::filesystem::exists(dir, unknown)) {
      return std::unexpected("create dir " + dat::display_path(dir) +
                             ": a symbolic link to a path that does not exist");
    }
    return std::unexpected("create dir " + dat::display_path(dir) + ": " +
                           dat::IoError::from_errno(made.error()).message());
  }
  return {};
}

}  // namespace brackwater::inspect
