#include "brackwater/survey/window_prefetch.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "brackwater/survey/survey.hpp"
#include "portal_fixture/archive_file.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "test_records.hpp"

namespace brackwater::survey {
namespace {

using dat::Bytes;
using Kind = dat::PixelFormat::Kind;
using Mechanism = dat::BatchReader::Mechanism;
using portal_fixture::ArchiveBuilder;
using portal_fixture::ArchiveFile;
using portal_fixture::encode;
using test_support::mip_list;
using test_support::solid_surface;
using test_support::texture;
using test_support::textured_surface;

constexpr std::uint32_t kSurface = 0x08000000;
constexpr std::uint32_t kMips = 0x05000000;
constexpr std::uint32_t kTexture = 0x06000000;
constexpr std::uint32_t kPalette = 0x04000000;

Bytes palette(std::uint32_t id, std::uint32_t index_one) {
  return encode(dat::Palette{id, {0xFF000000, index_one, 0xFFFFFFFF}});
}

// Surfaces that share records, in 64-byte blocks so that records take many
// blocks, with every way of failing on the road from a Surface to a Palette.
ArchiveBuilder shared_records_archive() {
  ArchiveBuilder b({.block_size = 64});
  b.add_file(kPalette + 1, palette(kPalette + 1, 0xFFC80000));
  b.add_file(kPalette + 2, palette(kPalette + 2, 0xFF00C800), {.compress = true});
  b.add_file(kTexture + 1, encode(texture(Kind::P8, 32, 32, Bytes(32 * 32, 1), kPalette + 1)));
  b.add_file(kTexture + 2, encode(texture(Kind::P8, 2, 1, {1, 1}, kPalette + 9)));  // absent palette
  b.add_file(kTexture + 3, encode(texture(Kind::R8G8B8, 1, 1, {9, 8, 7})), {.compress = true});
  b.add_file(kMips + 1, mip_list({kTexture + 3, kTexture + 1}));
  b.add_file(kMips + 2, mip_list({kTexture + 2}));
  b.add_file(kMips + 3, mip_list({kTexture + 3}));
  b.add_file(kMips + 4, mip_list({}));
  b.add_file(kMips + 5, mip_list({kTexture + 9}));  // absent texture
  const std::uint32_t looping = b.end();
  b.add_file(kMips + 6, mip_list(std::vector<std::uint32_t>(40, kTexture + 1)),
             {.chain = {.links = {{1, looping}}}});
  const std::uint32_t refs[][2] = {
      {kMips + 1, 0},           {kMips + 1, kPalette + 2}, {kMips + 2, 0},
      {kMips + 2, kPalette + 1}, {kMips + 3, kPalette + 2}, {kMips + 4, 0},
      {kMips + 5, 0},           {kMips + 6, 0},           {kMips + 9, 0},
      {kMips + 1, kPalette + 9},
  };
  // 56 surfaces: windows of 2, 8 and 32, then 12, and a last one as small as
  // the first.
  std::uint32_t id = kSurface;
  for (int round = 0; round < 5; ++round) {
    b.add_file(id++, solid_surface(0xFF102030 + static_cast<std::uint32_t>(round)));
    for (const auto& [mips, surface_palette] : refs) {
      b.add_file(id++, textured_surface(mips, surface_palette), {.compress = round % 2 == 1});
    }
  }
  b.add_file(id++, Bytes{1, 2});  // not a Surface
  return b;
}

struct SurveyRun {
  std::vector<std::string> outcomes;
  std::uint64_t bytes_left;
  std::uint64_t blocks_left;
  bool read_ahead = false;
};

// A survey of every surface, reading ahead with `mechanism` or not at all,
// within `budget` bytes of reads (or the session's own budget).
SurveyRun survey(const dat::DatDatabase& db, std::optional<Mechanism> mechanism,
                 std::optional<std::uint64_t> budget,
                 ReadAheadWhen when = ReadAheadWhen::Always) {
  Limits limits;
  if (!mechanism) limits.read_ahead_bytes = 0;
  ResolveSession session = ResolveSession::for_archive(db, limits);
  if (budget) session.reads = dat::ReadBudget(*budget, 1u << 20);
  SurveyRun run;
  const auto told = [&](std::uint32_t, const SurfaceOutcome& color) {
    run.outcomes.push_back(color ? std::to_string(color->rgb.r) + "," +
                                       std::to_string(color->rgb.g) + "," +
                                       std::to_string(color->rgb.b)
                                 : color.error().message());
    run.read_ahead = run.read_ahead || session.prefetched.bytes_held() > 0;
    return true;
  };
  run_survey(db, session, surface_ids(db.index()),
             {.on_outcome = told,
              .read_ahead = mechanism.value_or(Mechanism::Ring),
              .read_ahead_when = when});
  run.bytes_left = session.reads.bytes_left();
  run.blocks_left = session.reads.blocks_left();
  return run;
}

// Reading ahead, by either mechanism, changes no outcome and no budget
// charge, also when the budget runs out part of the way.
TEST(WindowPrefetch, ChangesNothingResolved) {
  const ArchiveFile file(shared_records_archive());
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  for (const std::optional<std::uint64_t> budget :
       {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{1500}}) {
    const SurveyRun plain = survey(*db, std::nullopt, budget);
    for (const Mechanism mechanism : {Mechanism::Ring, Mechanism::Advise}) {
      const SurveyRun ahead = survey(*db, mechanism, budget);
      const std::string where = std::string(mechanism == Mechanism::Ring ? "ring" : "advise") +
                                (budget ? ", tight budget" : "");
      EXPECT_EQ(ahead.outcomes, plain.outcomes) << where;
      EXPECT_EQ(ahead.bytes_left, plain.bytes_left) << where;
      EXPECT_EQ(ahead.blocks_left, plain.blocks_left) << where;
      EXPECT_TRUE(ahead.read_ahead) << where;
    }
  }
}

// The archive was just written, so its pages are in memory: reading ahead
// would only add work and is left out, with the same outcomes.
TEST(WindowPrefetch, LeavesOutWindowsInMemory) {
  const ArchiveFile file(shared_records_archive());
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  const SurveyRun plain = survey(*db, std::nullopt, std::nullopt);
  const SurveyRun warm = survey(*db, Mechanism::Ring, std::nullopt, ReadAheadWhen::NotInMemory);
  EXPECT_EQ(warm.outcomes, plain.outcomes);
  EXPECT_EQ(warm.bytes_left, plain.bytes_left);
  EXPECT_FALSE(warm.read_ahead);
}

// A survey told to stop after its first surface, while the next window is
// being read ahead, ends there; the reads in flight end with it.
TEST(WindowPrefetch, StopsWithTheSurvey) {
  const ArchiveFile file(shared_records_archive());
  auto db = file.open();
  ASSERT_TRUE(db) << db.error().message();
  for (const Mechanism mechanism : {Mechanism::Ring, Mechanism::Advise}) {
    std::size_t told = 0;
    const SurveyResult result = run_survey(
        *db, surface_ids(db->index()),
        {.on_outcome = [&](std::uint32_t, const SurfaceOutcome&) { return ++told < 1; },
         .read_ahead = mechanism,
         .read_ahead_when = ReadAheadWhen::Always});
    EXPECT_EQ(told, 1u);
    EXPECT_EQ(result.counts.done, 1u);
  }
}

}  // namespace
}  // namespace brackwater::survey
