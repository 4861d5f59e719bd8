#pragma once

// A built archive in a temporary file of its own, removed again on destruction.
//
//   ArchiveFile file(builder);                  // or ArchiveFile(bytes) after patching
//   auto db = file.open();                      // DatDatabase::open(file.path())

#include <expected>
#include <filesystem>

#include "brackwater/dat/database.hpp"
#include "portal_fixture/archive_writer.hpp"

namespace portal_fixture {

class ArchiveFile {
 public:
  explicit ArchiveFile(const ArchiveBuilder& builder);
  explicit ArchiveFile(ByteSpan archive);
  ~ArchiveFile();
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::expected<brackwater::dat::DatDatabase, brackwater::dat::DatError> open() const;

 private:
  std::filesystem::path path_;
};

}  // namespace portal_fixture
