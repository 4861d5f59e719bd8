#include "brackwater/survey/texture_walk.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "portal_fixture/archive_file.hpp"
#include "crafted_archives.hpp"
#include "test_records.hpp"

namespace brackwater::survey {
namespace {

using portal_fixture::ArchiveBuilder;
using Stage = TextureWalkFailure::Stage;

// Each file's end, in the order the walk gives them: "ok", the failing stage,
// or "read limit".
std::vector<std::string> walk_ends(TextureWalk walk) {
  std::vector<std::string> ends;
  std::uint32_t last = 0;
  while (auto walked = walk.next()) {
    EXPECT_TRUE(ends.empty() || walked->id > last);
    last = walked->id;
    if (walked->texture) {
      ends.push_back(walked->texture->rgba8() ? "ok" : "no decode");
      continue;
    }
    const TextureWalkFailure& failure = walked->texture.error();
    if (failure.error.read_limit_reached()) {
      ends.push_back("read limit");
    } else if (failure.stage == Stage::DecodeLimit) {
      ends.push_back(failure.error.message());
    } else {
      ends.push_back(failure.stage == Stage::Read ? "read" : "unpack");
    }
  }
  return ends;
}

std::vector<std::string> times(std::size_t n, const std::string& end) {
  return std::vector<std::string>(n, end);
}

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Entries sharing one chain or one record meet the bound after a fixed
// number of files, however many there are; every file after fails with the
// limit's own error.
TEST(TextureWalk, CraftedArchivesMeetTheLimitsAndEveryLaterFileFailsAlike) {
  struct Case {
    std::string name;
    ArchiveBuilder archive;
    Limits limits;
    std::vector<std::string> ends;
  };
  const std::string decode_limit = "Other error: decode limit of " +
                                   std::to_string(3 * 16 * 16 * 4 + 1000) + " bytes reached";
  const std::vector<Case> cases = {
      // 2,000 bytes a fetch, 1,000 of it on disk: slack for 3 more fetches.
      {"bytes", test_support::self_linked_block_archive(40, 1024, 2000),
       Limits{.read_slack_bytes = 7000, .read_slack_blocks = 1000},
       joined(times(4, "unpack"), times(36, "read limit"))},
      // 63 block visits a fetch.
      {"blocks", test_support::self_linked_block_archive(40, 36, 2000),
       Limits{.read_slack_bytes = 1 << 20, .read_slack_blocks = 130},
       joined(times(2, "unpack"), times(38, "read limit"))},
      // 1,024 bytes of image a texture, against no bytes per archive byte.
      {"decodes", test_support::one_dxt_record_archive(40, 16),
       Limits{.decode_per_archive_byte = 0, .decode_slack_bytes = 3 * 16 * 16 * 4 + 1000},
       joined(times(3, "ok"), times(37, decode_limit))},
  };
  for (const Case& c : cases) {
    portal_fixture::ArchiveFile file(c.archive);
    auto db = file.open();
    ASSERT_TRUE(db) << db.error().message();
    EXPECT_EQ(walk_ends(TextureWalk::of_type(*db, 0x06, c.limits)), c.ends) << c.name;
  }
}

// A sound archive never meets the bound, and a paletted texture decodes with
// the palette fetched when the walk reached it.
TEST(TextureWalk, SoundArchiveDecodesAsTheLibraryDoes) {
  portal_fixture::ArchiveFile file(test_support::every_record_archive());
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  TextureWalk walk(*db, {0x06000001, 0x08000001});
  auto texture = walk.next();
  ASSERT_TRUE(texture && texture->texture);
  EXPECT_EQ(texture->texture->rgba8(),
            (dat::Bytes{0, 0, 255, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255}));
  auto surface = walk.next();
  ASSERT_TRUE(surface && !surface->texture);
  EXPECT_EQ(surface->texture.error().stage, Stage::Unpack);
  EXPECT_FALSE(walk.next());
}

}  // namespace
}  // namespace brackwater::survey
