#include "brackwater/survey/survey.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "test_records.hpp"

namespace brackwater::survey {
namespace {

using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using test_support::solid_surface;
using test_support::textured_surface;

constexpr std::uint32_t kFirst = 0x08000000;

// `count` surfaces from kFirst up: solid in the colour of their number,
// except that every seventh names a missing SurfaceTexture and fails.
ArchiveBuilder numbered_surfaces(std::uint32_t count) {
  ArchiveBuilder b({.block_size = 256});
  for (std::uint32_t k = 0; k < count; ++k) {
    b.add_file(kFirst + k, k % 7 == 3 ? textured_surface(0x05000099) : solid_surface(k));
  }
  b.add_file(0x06000001, dat::Bytes{1, 2, 3});  // not a surface: never surveyed
  return b;
}

TEST(SurfaceIds, KeepsTopByte08Ascending) {
  std::vector<dat::FileIndex::value_type> entries;
  for (std::uint32_t id : {0x08FFFFFFu, 0x07FFFFFFu, 0x08000000u, 0x09000000u, 0x08001234u,
                           0x00000008u, 0x06000001u}) {
    entries.emplace_back(id, dat::DatFileEntry{.id = id});
  }
  const dat::FileIndex index(std::move(entries));
  EXPECT_EQ(surface_ids(index),
            (std::vector<std::uint32_t>{0x08000000u, 0x08001234u, 0x08FFFFFFu}));
  EXPECT_TRUE(surface_ids(dat::FileIndex{}).empty());
}

TEST(RunSurvey, LimitTakesTheLowestIdsAndCountsEachOutcome) {
  const ArchiveFile file(numbered_surfaces(10));
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  const auto ids = surface_ids(db->index());
  struct Case {
    std::size_t limit;
    std::size_t taken;
    std::size_t failed;
  };
  for (const Case c : {Case{0, 10, 1}, Case{3, 3, 0}, Case{4, 4, 1}, Case{99, 10, 1}}) {
    std::vector<std::uint32_t> told;
    const SurveyResult result = run_survey(
        *db, ids, {.limit = c.limit, .on_outcome = [&](std::uint32_t id, const SurfaceOutcome&) {
                     told.push_back(id);
                     return true;
                   }});
    EXPECT_EQ(told, std::vector<std::uint32_t>(ids.begin(), ids.begin() + static_cast<long>(c.taken)))
        << "limit " << c.limit;
    EXPECT_EQ(result.counts.to_process, c.taken);
    EXPECT_EQ(result.counts.done, c.taken);
    EXPECT_EQ(result.counts.errors, c.failed);
    EXPECT_EQ(result.counts.resolved, c.taken - c.failed);
    EXPECT_EQ(result.counts.solid, c.taken - c.failed);
    EXPECT_EQ(result.counts.textured, 0u);
    EXPECT_EQ(result.colors.size(), c.taken - c.failed);
    EXPECT_FALSE(result.colors.contains(kFirst + 3));
    if (c.taken > 2) {
      EXPECT_EQ(result.colors.at(kFirst + 2), (Rgb{0, 0, 2}));
    }
  }
}

// Progress comes at the start of each window after the first, about every
// twentieth of the way, with the counts of everything before it.
TEST(RunSurvey, ProgressEveryTwentiethOfTheWay) {
  struct Case {
    std::uint32_t surfaces;
    std::vector<std::size_t> done_at;
  };
  const Case cases[] = {
      {0, {}},
      {1, {}},
      {3, {1, 2}},
      {41, {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40}},
      {100, {5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80, 85, 90, 95}},
  };
  for (const Case& c : cases) {
    const ArchiveFile file(numbered_surfaces(c.surfaces));
    auto db = file.open();
    ASSERT_TRUE(db) << db.error().message();
    std::vector<std::size_t> done_at;
    bool counts_add_up = true;
    run_survey(*db, surface_ids(db->index()),
               {.progress = [&](const SurveyCounts& counts) {
                 done_at.push_back(counts.done);
                 counts_add_up = counts_add_up && counts.to_process == c.surfaces &&
                                 counts.resolved + counts.errors == counts.done &&
                                 counts.errors == (counts.done + 3) / 7;
               }});
    EXPECT_EQ(done_at, c.done_at) << c.surfaces << " surfaces";
    EXPECT_TRUE(counts_add_up) << c.surfaces << " surfaces";
  }
}

TEST(RunSurvey, StopsWhereTheOutcomeHookSays) {
  const ArchiveFile file(numbered_surfaces(10));
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  const SurveyResult result =
      run_survey(*db, surface_ids(db->index()),
                 {.on_outcome = [](std::uint32_t id, const SurfaceOutcome&) { return id < kFirst + 4; }});
  EXPECT_EQ(result.counts.done, 5u);
  EXPECT_EQ(result.colors.size(), 4u);
  EXPECT_EQ(result.counts.errors, 1u);
}

TEST(RunSurvey, LimitsBoundTheWork) {
  const ArchiveFile file(numbered_surfaces(10));
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  // Without slack the reads take what the archive holds beyond its
  // directory, which fetching each file once fits in.
  Limits tight;
  tight.read_slack_bytes = 0;
  tight.read_slack_blocks = 0;
  tight.read_ahead_bytes = 0;
  const auto ids = surface_ids(db->index());
  EXPECT_EQ(run_survey(*db, ids, {}, tight).colors, run_survey(*db, ids).colors);

  // A session whose reads are used up fails every surface with the limit's
  // own error.
  ResolveSession session = ResolveSession::for_archive(*db, tight);
  session.reads = dat::ReadBudget(0, 0);
  bool every_failure_is_the_limit = true;
  const SurveyResult result = run_survey(
      *db, session, ids, {.on_outcome = [&](std::uint32_t, const SurfaceOutcome& outcome) {
        const auto* read = outcome ? nullptr : std::get_if<dat::DatError>(&outcome.error().failure());
        every_failure_is_the_limit = every_failure_is_the_limit && read && read->read_limit_reached();
        return true;
      }});
  EXPECT_EQ(result.counts.errors, 10u);
  EXPECT_TRUE(every_failure_is_the_limit);
}

// An archive cut short, or only touched, while the survey reads it is
// reported as changed: a read inside the length it had at open that ends
// early stops the survey there, and any change fstat tells is found at the end.
TEST(RunSurvey, AnArchiveThatChangesUnderTheSurveyIsReportedChanged) {
  struct Case {
    std::string name;
    std::function<void(const std::filesystem::path&)> change;
    bool changed;
    bool stops_early;
  };
  const Case cases[] = {
      {"left alone", [](const std::filesystem::path&) {}, false, false},
      {"cut to half",
       [](const std::filesystem::path& path) {
         std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
       },
       true, true},
      {"touched",
       [](const std::filesystem::path& path) {
         const timespec times[2] = {{0, UTIME_NOW}, {1, 0}};
         ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
       },
       true, false},
  };
  for (const Case& c : cases) {
    const ArchiveFile file(numbered_surfaces(100));
    auto db = file.open();
    ASSERT_TRUE(db) << db.error().message();
    bool changed_yet = false;
    const SurveyResult result = run_survey(*db, surface_ids(db->index()),
                                           {.progress = [&](const SurveyCounts&) {
                                             if (!changed_yet) c.change(file.path());
                                             changed_yet = true;
                                           }});
    ASSERT_EQ(result.archive_changed.has_value(), c.changed) << c.name;
    if (c.changed) {
      EXPECT_EQ(result.archive_changed->message(), "IO error: the file changed while it was read")
          << c.name;
    }
    EXPECT_EQ(result.counts.done < 100, c.stops_early) << c.name;
  }
}

}  // namespace
}  // namespace brackwater::survey
