#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <expected>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/dat/display.hpp"
#include "brackwater/dat/file_type/palette.hpp"
#include "brackwater/dat/file_type/texture.hpp"
#include "png_image.hpp"
#include "sample_inspect.hpp"
#include "tool_dir.hpp"

namespace {

namespace fs = std::filesystem;
using brackwater::dat::DatDatabase;
using test_support::read_file;
using test_support::ToolDir;

// Every `"0x08XXXXXX": [r, g, b]` of a report, as the "#RRGGBB" a page shows.
std::map<std::string, std::string> report_colors(const std::string& report) {
  std::map<std::string, std::string> colors;
  for (std::size_t key = report.find("\"0x"); key != report.npos;
       key = report.find("\"0x", key + 1)) {
    unsigned r = 0, g = 0, b = 0;
    std::sscanf(report.c_str() + report.find('[', key), "[%u, %u, %u]", &r, &g, &b);
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", r, g, b);
    colors[report.substr(key + 1, 10)] = hex;
  }
  return colors;
}

// The values of `attribute="..."` in `html`, in order.
std::vector<std::string> attribute_values(const std::string& html, const std::string& attribute) {
  std::vector<std::string> values;
  const std::string lead = " " + attribute + "=\"";
  for (std::size_t at = html.find(lead); at != html.npos; at = html.find(lead, at + 1)) {
    const std::size_t start = at + lead.size();
    values.push_back(html.substr(start, html.find('"', start) - start));
  }
  return values;
}

// The sample archive of mkportal and its report, worked out in tests/data.
class SheetExportTest : public test_support::InspectSampleSuite {
 protected:
  static std::string sample_report() {
    return (fs::path(TEST_DATA_DIR) / "sample_tintsurvey.json");
  }
};

TEST_F(SheetExportTest, SheetHasATileOfTheReportsColourPerEntryAndListsEveryFailure) {
  const auto run = inspect({"sheet", sample_report(), "--out", "sheet"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string html = read_file(dir_->path() / "sheet" / "index.html");
  const auto reported = report_colors(read_file(sample_report()));

  const auto ids = attribute_values(html, "data-id");
  const auto colors = attribute_values(html, "data-rgb");
  ASSERT_EQ(ids.size(), reported.size());
  ASSERT_EQ(ids.size() + 0, colors.size());  // no unreported surfaces in the sample
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ASSERT_TRUE(reported.contains(ids[i])) << ids[i];
    EXPECT_EQ(colors[i], reported.at(ids[i])) << ids[i];
  }
  // The 14 surfaces the sample breaks, which the survey counts as errors.
  EXPECT_EQ(attribute_values(html, "data-failed-id").size(), 14u);
  // Every image the page shows is beside it.
  for (const std::string& src : attribute_values(html, "data-src")) {
    EXPECT_TRUE(fs::is_regular_file(dir_->path() / "sheet" / src)) << src;
  }
  EXPECT_TRUE(
      run.err.starts_with("wrote sheet/index.html (286 surfaces, 14 left out of the "
                          "report, "))
      << run.err;
}

// Where Debian's chromium is installed: the page as a browser builds it.
TEST_F(SheetExportTest, HeadlessChromiumFindsEveryTile) {
  const fs::path chromium = "/usr/bin/chromium";
  if (!fs::exists(chromium)) GTEST_SKIP() << "no " << chromium;
  const auto run = inspect({"sheet", sample_report(), "--html", "browsed"});
  ASSERT_EQ(run.status, 0) << run.err;
  const test_support::TempDir profile;
  const auto dom =
      dir_->run(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                           "--disable-background-networking", "--disable-component-update",
                           "--disable-sync", "--user-data-dir=" + profile.path().string(),
                           "--window-size=1280,900", "--virtual-time-budget=3000", "--dump-dom",
                           "file://" + (dir_->path() / "browsed" / "index.html").string()});
  ASSERT_EQ(dom.status, 0) << dom.err;
  EXPECT_EQ(attribute_values(dom.out, "data-id").size(), 286u);
  EXPECT_EQ(attribute_values(dom.out, "data-failed-id").size(), 14u);
  // The script gives a source only to images near the view, never to all of
  // them; how many it has reached when the DOM is dumped is the browser's
  // scheduling, so only the upper bound is checked.
  const std::size_t loading = attribute_values(dom.out, "src").size();
  EXPECT_LT(loading, attribute_values(dom.out, "data-src").size());
}

// What the library makes of texture `id` with its default palette, or nothing
// when it does not decode to an image.
std::optional<brackwater::dat::Bytes> library_rgba(const DatDatabase& db, std::uint32_t id) {
  auto bytes = db.get_file(id);
  if (!bytes) return std::nullopt;
  auto texture = brackwater::dat::Texture::unpack(*bytes);
  if (!texture || texture->width <= 0 || texture->height <= 0) return std::nullopt;
  auto pixels = brackwater::dat::to_rgba8(
      *texture,
      [&](std::uint32_t palette_id)
          -> std::expected<brackwater::dat::Palette,
                           brackwater::dat::TextureDecodeError::PaletteFetch> {
        using Failure = brackwater::dat::TextureDecodeError::PaletteFetch;
        auto palette_bytes = db.get_file(palette_id);
        if (!palette_bytes) return std::unexpected(Failure{palette_id, palette_bytes.error()});
        auto palette = brackwater::dat::Palette::unpack(*palette_bytes);
        if (!palette) return std::unexpected(Failure{palette_id, palette.error()});
        return std::move(*palette);
      });
  if (!pixels) return std::nullopt;
  return std::move(*pixels);
}

TEST_F(SheetExportTest, ExportWritesTheLibrarysPixelsAlikeOnOneOrTwoThreads) {
  const auto one = inspect({"export", "one", "--jobs", "1"});
  ASSERT_EQ(one.status, 0) << one.err;
  const auto two = inspect({"export", "--out", "two", "--jobs=2", "--type", "0x06"});
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_EQ(one.err.substr(0, one.err.rfind("wrote")), two.err.substr(0, two.err.rfind("wrote")));

  auto db = DatDatabase::open(dir_->path() / "client_portal.dat");
  ASSERT_TRUE(db);
  std::size_t textures = 0;
  std::size_t images = 0;
  for (const auto& [id, entry] : db->index().of_type(0x06)) {
    ++textures;
    const std::string name = "0x" + brackwater::dat::hex8(id) + ".png";
    const auto expected = library_rgba(*db, id);
    ASSERT_EQ(fs::exists(dir_->path() / "one" / name), expected.has_value()) << name;
    if (!expected) {
      EXPECT_NE(one.err.find(brackwater::dat::hex8(id)), std::string::npos) << name;
      continue;
    }
    ++images;
    const auto png = test_support::read_png(dir_->path() / "one" / name);
    ASSERT_TRUE(png) << name;
    EXPECT_EQ(png->rgba, *expected) << name;
    EXPECT_EQ(read_file(dir_->path() / "one" / name), read_file(dir_->path() / "two" / name))
        << name;
  }
  EXPECT_EQ(test_support::names_in(dir_->path() / "one").size(), images);
  EXPECT_EQ(test_support::names_in(dir_->path() / "two").size(), images);
  // One line per texture without an image, then the summary.
  EXPECT_EQ(static_cast<std::size_t>(std::count(one.err.begin(), one.err.end(), '\n')),
            textures - images + 1);
  EXPECT_TRUE(one.err.ends_with("; " + std::to_string(textures - images) + " of " +
                                std::to_string(textures) + " textures have no image\n"))
      << one.err;
}

TEST_F(SheetExportTest, UsageErrorsOfTheNewCommands) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"export", "x", "--jobs", "0"},
       "invalid value '0' for '--jobs': expected a number from 1 to 256"},
      {{"export", "x", "--jobs", "two"},
       "invalid value 'two' for '--jobs': expected a number from 1 to 256"},
      {{"export", "x", "--jobs", "1", "--jobs", "2"}, "option '--jobs' given more than once"},
      {{"export", ""}, "the DIR path must not be empty"},
      {{"export"}, "export needs --out DIR"},
      {{"export", "x", "--out", "y"}, "unexpected argument 'x'"},
      {{"export", "--out", "x", "--out=y"}, "option '--out' given more than once"},
      {{"export", "x", "--png", "y"}, "export takes no option '--png'"},
      {{"sheet", "r.json"}, "sheet needs --out DIR"},
      {{"sheet", "r.json", "--html", ""}, "the DIR path of '--html' must not be empty"},
      {{"sheet", "r.json", "--out", "a", "--html", "b"}, "more than one option given"},
      {{"texture", "1", "--html", "a"}, "texture takes no option '--html'"},
      {{"ls", "--type", "6", "--jobs", "2"}, "more than one option given"},
  };
  for (const Case& c : cases) {
    const auto run = inspect(c.args);
    EXPECT_EQ(run.status, 2) << c.args[0];
    EXPECT_TRUE(run.err.starts_with("portal-inspect: " + c.message + "\n")) << run.err;
  }
}

}  // namespace
