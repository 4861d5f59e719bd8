#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "record_testing.hpp"
#include "temp_dir.hpp"

namespace brackwater::dat {
namespace {

using test_support::concat;
using test_support::failure_of;
using test_support::kEof;
using test_support::RecordFailure;
using test_support::TempDir;
using test_support::words;
using test_support::write_file;

constexpr std::array<std::uint8_t, 16> kVersionString{
    0xFF, 'v', '1', 0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0xFE, 'z'};

// 320 bytes that are never read, then the 80-byte header with every field
// distinct (field k holds 0x11110000 + k) but the root offset (field 8), 0.
Bytes archive_head() {
  return concat({Bytes(kHeaderOffset, 0xCC),
                 words({0x11110000, 0x11110001, 0x11110002, 0x11110003, 0x11110004, 0x11110005,
                        0x11110006, 0x11110007, 0, 0x11110009, 0x1111000A, 0x1111000B, 0x1111000C,
                        0x1111000D, 0x1111000E}),
                 Bytes(kVersionString.begin(), kVersionString.end()), words({0x11110010})});
}

TEST(HeaderTest, ShortFilesFailAtTheFirstIncompleteField) {
  const struct {
    std::size_t size;
    std::string field;
    std::string cause;
  } cases[] = {
      {0, "magic", kEof},
      {319, "magic", kEof},
      {322, "magic", kEof},
      {330, "file_size", kEof},
      {360, "old_lru", kEof},
      {380, "version_string", "not enough bytes in reader"},
      {390, "version_string", "not enough bytes in reader"},
      {396, "version_minor", kEof},
      {399, "version_minor", kEof},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const auto path = dir / ("short-" + std::to_string(c.size) + ".dat");
    Bytes head = archive_head();
    head.resize(c.size);
    write_file(path, head);
    auto db = DatDatabase::open(path);
    ASSERT_FALSE(db) << c.size;
    EXPECT_EQ(failure_of(db.error()),
              (RecordFailure{c.cause, {"While parsing field '" + c.field + "' in DatHeader"}}))
        << c.size;
    EXPECT_TRUE(test_support::located_in(db.error(), "lib/brackwater-dat/src/header_reader.cpp"));
  }
}

TEST(HeaderTest, AnyHeaderValuesOpenWithRootZeroGivingAnEmptyIndex) {
  TempDir dir;
  const auto path = dir / "portal.dat";
  write_file(path, archive_head());
  auto db = DatDatabase::open(path);
  ASSERT_TRUE(db) << db.error().message();
  const DatHeader& h = db->header();
  const std::uint32_t stored[] = {h.magic,         h.block_size,     h.file_size,   h.dataset,
                                  h.subset,        h.free_head,      h.free_tail,   h.free_count,
                                  h.root_offset,   h.new_lru,        h.old_lru,     h.use_lru,
                                  h.master_map_id, h.engine_version, h.game_version};
  for (std::uint32_t k = 0; k < 15; ++k) {
    EXPECT_EQ(stored[k], k == 8 ? 0u : 0x11110000 + k) << "field " << k;
  }
  EXPECT_EQ(h.version_string, kVersionString);
  EXPECT_EQ(h.version_minor, 0x11110010u);
  EXPECT_TRUE(db->index().empty());
}

TEST(HeaderTest, MissingPathIsAPathErrorNamingThePathAsGiven) {
  TempDir dir;
  const std::filesystem::path given = dir.path() / "no-such-dir/../portal.dat";
  auto db = DatDatabase::open(given);
  ASSERT_FALSE(db);
  const auto* path_error = db.error().as<DatError::PathError>();
  ASSERT_NE(path_error, nullptr) << db.error().message();
  EXPECT_EQ(path_error->path.native(), given.native());
  EXPECT_EQ(path_error->source.kind(), brackwater::dat::IoError::Kind::Os);
  EXPECT_EQ(db.error().message(), "Failed to open file at " + given.native() +
                                      ": No such file or directory (os error 2)");
}

TEST(HeaderTest, DirectoryOpensButItsFirstFieldCannotBeRead) {
  TempDir dir;
  auto db = DatDatabase::open(dir.path());
  ASSERT_FALSE(db);
  EXPECT_EQ(failure_of(db.error()), (RecordFailure{"Is a directory (os error 21)",
                                                   {"While parsing field 'magic' in DatHeader"}}));
}

}  // namespace
}  // namespace brackwater::dat
