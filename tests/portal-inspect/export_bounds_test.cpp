#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crafted_archives.hpp"
#include "tool_dir.hpp"

namespace {

using test_support::names_in;
using test_support::read_file;

// Archives whose entries all name one chain or one record cost the survey's
// bounds, not hours: the files past them are listed with the limit's own
// words, and what is written and listed is the same on one thread or two.
TEST(ExportBounds, CraftedArchivesEndWithinTheSurveysLimitsAlikeOnAnyJobs) {
  struct Case {
    std::string name;
    portal_fixture::ArchiveBuilder archive;
    std::string limit_text;
    std::size_t most_pngs;
  };
  const Case cases[] = {
      {"self-linked 1 KiB block", test_support::self_linked_block_archive(2000, 1024, 50'000),
       "read limit reached", 0},
      {"self-linked 8-byte block", test_support::self_linked_block_archive(2000, 8, 20'000),
       "read limit reached", 0},
      // Images of 64 MiB against 256 MiB and 16 bytes per archive byte.
      {"one 4096 x 4096 DXT1 record", test_support::one_dxt_record_archive(2000, 4096),
       "decode limit of", 4},
  };
  for (const Case& c : cases) {
    const test_support::ToolDir dir;
    dir.write_archive(c.archive);
    const auto one = dir.run(PORTAL_INSPECT_BIN, {"portal.dat", "export", "one", "--jobs", "1"});
    const auto two = dir.run(PORTAL_INSPECT_BIN, {"portal.dat", "export", "two", "--jobs", "2"});
    ASSERT_EQ(one.status, 0) << c.name << "\n" << one.err.substr(0, 500);
    ASSERT_EQ(two.status, 0) << c.name;
    const std::string listed = one.err.substr(0, one.err.rfind("wrote"));
    EXPECT_EQ(listed, two.err.substr(0, two.err.rfind("wrote"))) << c.name;
    const std::string last_failure = listed.substr(listed.rfind('\n', listed.size() - 2) + 1);
    EXPECT_NE(last_failure.find(c.limit_text), std::string::npos) << c.name << ": " << last_failure;

    const std::vector<std::string> pngs = names_in(dir.path() / "one");
    EXPECT_LE(pngs.size(), c.most_pngs) << c.name;
    EXPECT_EQ(names_in(dir.path() / "two"), pngs) << c.name;
    for (const std::string& png : pngs) {
      EXPECT_EQ(read_file(dir.path() / "one" / png), read_file(dir.path() / "two" / png));
    }
  }
}

}  // namespace
