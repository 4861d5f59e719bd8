#include "brackwater/tools/survey.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace brackwater::tools {
namespace {

std::vector<std::uint32_t> consecutive_ids(std::size_t count) {
  std::vector<std::uint32_t> ids(count);
  std::iota(ids.begin(), ids.end(), 0x08000000u);
  return ids;
}

// Every surface resolves to a solid colour made from its id.
std::expected<SurfaceColor, ToolError> solid_from_id(std::uint32_t id) {
  return SurfaceColor{Rgb{static_cast<std::uint8_t>(id), 0, 0}, true};
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> progress_lines(const std::string& text) {
  std::vector<std::string> progress;
  for (const std::string& line : lines_of(text)) {
    if (line.starts_with("  [")) progress.push_back(line);
  }
  return progress;
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

TEST(RunSurvey, LimitSelectsTheLowestIds) {
  struct Case {
    std::size_t limit;
    std::size_t processed;
  };
  for (const Case c : {Case{0, 5}, Case{3, 3}, Case{5, 5}, Case{9, 5}, Case{SIZE_MAX, 5}}) {
    const auto ids = consecutive_ids(5);
    std::vector<std::uint32_t> seen;
    std::ostringstream log;
    const SurveyResult result = run_survey(
        ids, c.limit,
        [&](std::uint32_t id) {
          seen.push_back(id);
          return solid_from_id(id);
        },
        log);
    const std::vector<std::uint32_t> expected(ids.begin(),
                                              ids.begin() + static_cast<long>(c.processed));
    EXPECT_EQ(seen, expected) << "limit " << c.limit;
    EXPECT_EQ(result.colors.size(), c.processed);
    EXPECT_EQ(
        lines_of(log.str()).front(),
        "tintsurvey: found 5 surfaces in portal DAT; processing " + std::to_string(c.processed));
  }
}

TEST(RunSurvey, CountsFailuresWithoutPrintingThem) {
  const std::vector<std::uint32_t> ids = {0x08000001, 0x08000002, 0x08000003, 0x08000004};
  std::ostringstream log;
  const SurveyResult result = run_survey(
      ids, 0,
      [](std::uint32_t id) -> std::expected<SurfaceColor, ToolError> {
        if (id == 0x08000002) return std::unexpected(ToolError("no such surface"));
        if (id == 0x08000004) return SurfaceColor{Rgb{1, 2, 3}, false};
        return solid_from_id(id);
      },
      log);

  EXPECT_EQ(log.str(),
            "tintsurvey: found 4 surfaces in portal DAT; processing 4\n"
            "  [    1/    4] ok=1 (solid=1 textured=0) err=0\n"
            "  [    2/    4] ok=1 (solid=1 textured=0) err=1\n"
            "  [    3/    4] ok=2 (solid=2 textured=0) err=1\n"
            "done. resolved=3 (solid=2 textured=1) errors=1\n");
  EXPECT_EQ(result.colors, (ColorMap{{0x08000001, Rgb{1, 0, 0}},
                                     {0x08000003, Rgb{3, 0, 0}},
                                     {0x08000004, Rgb{1, 2, 3}}}));
  EXPECT_EQ(result.solid, 2u);
  EXPECT_EQ(result.textured, 1u);
  EXPECT_EQ(result.errors, 1u);
}

TEST(RunSurvey, ProgressLinesEveryTwentiethOfTheWay) {
  struct Case {
    std::size_t to_process;
    std::size_t lines;
    std::size_t first_at;  // 0: no line
    std::size_t last_at;
  };
  const Case cases[] = {
      {0, 0, 0, 0},    {1, 0, 0, 0},    {19, 18, 1, 18},  {39, 38, 1, 38},
      {40, 19, 2, 38}, {41, 20, 2, 40}, {100, 19, 5, 95},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    run_survey(consecutive_ids(c.to_process), 0, solid_from_id, log);
    const auto progress = progress_lines(log.str());
    ASSERT_EQ(progress.size(), c.lines) << c.to_process << " to process";
    if (c.lines == 0) continue;
    EXPECT_EQ(std::stoul(progress.front().substr(3)), c.first_at) << c.to_process;
    EXPECT_EQ(std::stoul(progress.back().substr(3)), c.last_at) << c.to_process;
    EXPECT_TRUE(lines_of(log.str()).back().starts_with("done. ")) << c.to_process;
  }
}

// Windows run from one progress line to the next, cover the processed ids in
// order once each, and are announced before any of their surfaces resolves.
TEST(RunSurvey, AnnouncesEachWindowBeforeResolvingIt) {
  struct Case {
    std::size_t ids;
    std::size_t limit;
    std::vector<std::size_t> window_sizes;
  };
  const Case cases[] = {
      {0, 0, {}},
      {1, 0, {1}},
      {3, 0, {1, 1, 1}},
      {41, 0, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1}},
      {100, 60, {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}},
  };
  for (const Case& c : cases) {
    const auto ids = consecutive_ids(c.ids);
    std::vector<std::size_t> sizes;
    std::span<const std::uint32_t> window;
    std::size_t next = 0;
    bool in_order = true;
    std::ostringstream log;
    run_survey(
        ids, c.limit,
        [&](std::uint32_t id) {
          in_order = in_order && next < window.size() && window[next] == id;
          ++next;
          return solid_from_id(id);
        },
        log,
        [&](std::span<const std::uint32_t> announced) {
          in_order = in_order && next == window.size() &&
                     (window.empty() || announced.data() == window.data() + window.size());
          window = announced;
          next = 0;
          sizes.push_back(announced.size());
          log << "window\n";
        });
    EXPECT_EQ(sizes, c.window_sizes) << c.ids << " ids";
    EXPECT_TRUE(in_order) << c.ids << " ids";
    // Each progress line comes just before the window it opens.
    const auto lines = lines_of(log.str());
    for (std::size_t k = 1; k + 1 < lines.size(); ++k) {
      if (lines[k].starts_with("  [")) {
        EXPECT_EQ(lines[k + 1], "window") << c.ids << " ids";
      }
    }
  }
}

TEST(RunSurvey, ProgressLineLayout) {
  // 1234 to process: the first line comes at i = 61, after one failure and
  // twelve solid surfaces among the first 61.
  const auto ids = consecutive_ids(1234);
  std::ostringstream log;
  run_survey(
      ids, 0,
      [](std::uint32_t id) -> std::expected<SurfaceColor, ToolError> {
        const std::uint32_t k = id - 0x08000000u;
        if (k == 7) return std::unexpected(ToolError("broken"));
        return SurfaceColor{Rgb{}, k % 5 == 1};
      },
      log);
  EXPECT_EQ(progress_lines(log.str()).front(),
            "  [   61/ 1234] ok=60 (solid=12 textured=48) err=1");

  // Counters wider than the field are printed whole.
  std::ostringstream wide_log;
  run_survey(consecutive_ids(200000), 0, solid_from_id, wide_log);
  EXPECT_EQ(progress_lines(wide_log.str()).front(),
            "  [10000/200000] ok=10000 (solid=10000 textured=0) err=0");
}

}  // namespace
}  // namespace brackwater::tools
