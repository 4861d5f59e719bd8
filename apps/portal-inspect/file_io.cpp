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
std::expected<InputStream, InspectError> open_input(const std::filesystem::path& path) {
  const std::string context = "read " + dat::display_path(path);
  const std::string lead = context + ": ";
  auto opened = dat::PosixFile::open_read_only(path);
  if (!opened) return std::unexpected(InspectError(context, opened.error()));
  auto file = std::make_shared<dat::PosixFile>(std::move(*opened));
  struct stat info {};
  if (::fstat(file->descriptor(), &info) != 0) {
    return std::unexpected(InspectError(context, dat::IoError::from_errno(errno)));
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

std::expected<void, InspectError> written(const std::filesystem::path& path,
                                          const std::expected<void, cli::OutputError>& result) {
  if (!result) return std::unexpected(InspectError("write " + dat::display_path(path), result.error()));
  return {};
}

}  // namespace

std::expected<void, InspectError> write_output(const std::filesystem::path& path,
                                               dat::ByteSpan bytes,
                                               std::span<const cli::InputFile> inputs) {
  return written(path, cli::write_output_file(path, bytes, inputs));
}

std::expected<void, InspectError> write_output(cli::OutputBatch& batch,
                                               const std::filesystem::path& path,
                                               dat::ByteSpan bytes,
                                               std::span<const cli::InputFile> inputs) {
  return written(path, batch.write(path, bytes, inputs));
}

std::expected<void, InspectError> finish_outputs(cli::OutputBatch& batch,
                                                 const std::filesystem::path& dir) {
  return written(dir, batch.finish());
}

std::expected<void, InspectError> check_outputs(std::span<const std::filesystem::path> paths,
                                                std::span<const cli::InputFile> inputs) {
  for (const std::filesystem::path& path : paths) {
    if (auto refused = cli::refused_output(path, inputs)) {
      return std::unexpected(InspectError("write " + dat::display_path(path), *refused));
    }
  }
  return {};
}

std::expected<void, InspectError> make_output_dir(const std::filesystem::path& dir) {
  if (auto made = cli::make_directories(dir); !made) {
    const std::string context = "create dir " + dat::display_path(dir);
    std::error_code unknown;
    if (made.error() == EEXIST && std::filesystem::is_symlink(dir, unknown) &&
        !std::filesystem::exists(dir, unknown)) {
      return std::unexpected(
          InspectError(context, std::string("a symbolic link to a path that does not exist")));
    }
    return std::unexpected(InspectError(context, dat::IoError::from_errno(made.error())));
  }
  return {};
}

}  // namespace brackwater::inspect
