#pragma once

// Writes an archive straight to disk, chain by chain, for archives too large
// to build in memory. The layout is ArchiveBuilder's: the same files added in
// the same order give the same bytes.
//
//   auto writer = ArchiveStreamWriter::create(path, {.block_size = 1024});
//   writer->add_file(0x06000001, texture_bytes, {.compress = true});
//   auto written = writer->finish();            // directory, then header
//
// Only the directory entries and the last few megabytes of blocks are held
// in memory. A failed write is reported by finish(); later files are dropped.
// A file already at the path stays as it was until finish() succeeds; an
// archive that is not finished, or fails to finish, leaves nothing behind.

#include <cstdint>
#include <expected>
#include <filesystem>
#include <map>
#include <string>

#include "brackwater/cli/output_file.hpp"
#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture {

class ArchiveStreamWriter {
 public:
  static std::expected<ArchiveStreamWriter, std::string> create(std::filesystem::path path,
                                                                ArchiveOptions options = {});
  ArchiveStreamWriter(ArchiveStreamWriter&&) = default;
  ArchiveStreamWriter& operator=(ArchiveStreamWriter&&) = delete;

  // Lays `bytes` out as a chain and records its entry; a later file with the
  // same id replaces the entry (its chain stays).
  DatFileEntry add_file(std::uint32_t id, ByteSpan bytes, const FileOptions& options = {});

  // The archive's length so far.
  std::uint64_t size() const { return written_ + pending_.size(); }
  std::size_t file_count() const { return entries_.size(); }

  // Appends the directory, writes the header and puts the file in place.
  [[nodiscard]] std::expected<void, std::string> finish();

 private:
  ArchiveStreamWriter(std::filesystem::path path, brackwater::cli::OutputFile out,
                      std::uint32_t block_size);

  // Writes the pending blocks out; remembers the first failure.
  void flush();

  std::filesystem::path path_;
  brackwater::cli::OutputFile out_;
  std::uint32_t block_size_;
  Bytes pending_;  // the archive from offset written_ on
  std::uint64_t written_ = 0;
  std::map<std::uint32_t, DatFileEntry> entries_;
  std::string failure_;
};

}  // namespace portal_fixture
