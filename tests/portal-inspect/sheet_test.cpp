#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <span>
#include <sstream>
#include <string>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/one_line.hpp"
#include "png_image.hpp"
#include "portal_fixture/archive_writer.hpp"
#include "portal_fixture/records.hpp"
#include "sheet_html.hpp"
#include "sheet_model.hpp"
#include "temp_dir.hpp"
#include "test_records.hpp"

namespace brackwater::inspect {
namespace {

using dat::Palette;
using Kind = dat::PixelFormat::Kind;
using portal_fixture::encode;
using test_support::mip_list;
using test_support::Rgba;
using test_support::solid_surface;
using test_support::textured_surface;

constexpr std::uint32_t kDefaultPalette = 0x04000001;
constexpr std::uint32_t kOwnPalette = 0x04000002;

// 0x08000001 solid; 0x08000002 and 0x08000003 share a SurfaceTexture whose
// first mip is direct colour and whose last is P8, recoloured by the
// surface's own palette, whose second colour is under half opaque and so
// left out of the dominant colour; 0x08000004 has no mips; 0x08000005 is solid.
portal_fixture::ArchiveBuilder archive() {
  portal_fixture::ArchiveBuilder builder;
  builder.add_file(0x08000001, solid_surface(0xFF102030));
  builder.add_file(0x08000002, textured_surface(0x05000001, kOwnPalette));
  builder.add_file(0x08000003, textured_surface(0x05000001, kOwnPalette));
  builder.add_file(0x08000004, textured_surface(0x05000002));
  builder.add_file(0x08000005, solid_surface(0xFF0000FF));
  builder.add_file(0x05000001, mip_list({0x06000000, 0x06000001}));
  builder.add_file(0x05000002, mip_list({}));
  builder.add_file(0x06000000, encode(test_support::texture(Kind::A8R8G8B8, 1, 1, {1, 2, 3, 255})));
  builder.add_file(0x06000001,
                   encode(test_support::texture(Kind::P8, 2, 1, {0, 1}, kDefaultPalette)));
  builder.add_file(kDefaultPalette, encode(Palette{kDefaultPalette, {0xFF000000, 0xFF000000}}));
  builder.add_file(kOwnPalette, encode(Palette{kOwnPalette, {0xFF112233, 0x7F445566}}));
  return builder;
}

class SheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(archive().write(dir_ / "portal.dat"));
    std::filesystem::create_directory(dir_ / "textures");
  }

  // Tiles point into the thumbnails, which the test keeps as long as itself.
  Sheet build(const survey::ColorMap& report) {
    auto db = dat::DatDatabase::open(dir_ / "portal.dat");
    EXPECT_TRUE(db);
    db_.emplace(std::move(*db));
    session_.emplace(survey::ResolveSession::for_archive(*db_));
    thumbnails_.emplace(*db_, *session_, dir_.path(), std::span<const cli::InputFile>{}, batch_);
    Sheet sheet = build_sheet(*db_, report, *thumbnails_, *session_, nullptr);
    files_written_ = thumbnails_->files_written();
    return sheet;
  }

  test_support::TempDir dir_;
  std::optional<dat::DatDatabase> db_;
  std::optional<survey::ResolveSession> session_;
  cli::OutputBatch batch_;
  std::optional<ThumbnailWriter> thumbnails_;
  std::size_t files_written_ = 0;
};

TEST_F(SheetTest, TilesFollowTheReportAndTheResolution) {
  // 0x08000003 is reported with a colour the archive no longer gives, and
  // 0x08000009 is not in the archive at all.
  const Sheet sheet = build({{0x08000001, {16, 32, 48}},
                             {0x08000002, {17, 34, 51}},
                             {0x08000003, {1, 1, 1}},
                             {0x08000009, {9, 9, 9}}});
  ASSERT_EQ(sheet.tiles.size(), 4u);
  struct Want {
    std::uint32_t id;
    survey::Rgb rgb;
    SheetTile::Kind kind;
    std::string note;
  };
  const Want want[] = {
      {0x08000001, {16, 32, 48}, SheetTile::Kind::Solid, ""},
      {0x08000002, {17, 34, 51}, SheetTile::Kind::Textured, ""},
      {0x08000003, {1, 1, 1}, SheetTile::Kind::Textured, "the archive now resolves it to #112233"},
      {0x08000009, {9, 9, 9}, SheetTile::Kind::Unknown, "not in the archive"},
  };
  for (std::size_t i = 0; i < sheet.tiles.size(); ++i) {
    const SheetTile& tile = sheet.tiles[i];
    EXPECT_EQ(tile.id, want[i].id);
    EXPECT_EQ(tile.rgb, want[i].rgb) << tile.id;
    EXPECT_EQ(tile.kind, want[i].kind) << tile.id;
    EXPECT_EQ(tile.note, want[i].note) << tile.id;
    EXPECT_EQ(tile.decoded != nullptr, want[i].kind == SheetTile::Kind::Textured) << tile.id;
  }

  // The last mip as the survey decodes it, with the surface's palette; the
  // first for context. Both surfaces share the same two files.
  const SheetTile& textured = sheet.tiles[1];
  ASSERT_TRUE(textured.decoded && *textured.decoded);
  EXPECT_EQ((*textured.decoded)->href, "textures/0x06000001-0x04000002.png");
  EXPECT_EQ((*textured.decoded)->palette.source, survey::PaletteChoice::Source::SurfaceOverride);
  ASSERT_TRUE(textured.first_mip && *textured.first_mip);
  EXPECT_EQ((*textured.first_mip)->href, "textures/0x06000000.png");
  EXPECT_EQ((*sheet.tiles[2].decoded)->href, (*textured.decoded)->href);
  EXPECT_EQ(files_written_, 2u);
  const auto png = test_support::read_png(dir_.path() / (*textured.decoded)->href);
  ASSERT_TRUE(png);
  EXPECT_EQ(png->at(0, 0), (Rgba{0x11, 0x22, 0x33, 0xFF}));
  EXPECT_EQ(png->at(1, 0), (Rgba{0x44, 0x55, 0x66, 0x7F}));

  // Surfaces of the archive the report leaves out: one fails, one resolves.
  ASSERT_EQ(sheet.omissions.size(), 2u);
  EXPECT_EQ(sheet.omissions[0].id, 0x08000004u);
  ASSERT_TRUE(sheet.omissions[0].failure);
  EXPECT_EQ(survey::one_line(*sheet.omissions[0].failure), "SurfaceTexture has no mips");
  EXPECT_FALSE(sheet.omissions[0].rgb);
  EXPECT_EQ(sheet.omissions[1].id, 0x08000005u);
  EXPECT_EQ(sheet.omissions[1].rgb, (survey::Rgb{0, 0, 255}));
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != text.npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(SheetTest, PageMarksEveryTileAndOmissionAndEscapesWhatItQuotes) {
  Sheet sheet = build({{0x08000001, {16, 32, 48}}, {0x08000002, {17, 34, 51}}});
  sheet.omissions.push_back(
      {0x08000007, std::nullopt, survey::SurveyError("bad <record> & \"name\"\x1b")});
  std::ostringstream page;
  write_sheet_html(sheet, "a<b>.dat", "r.json", page);
  const std::string html = page.str();

  EXPECT_EQ(occurrences(html, "<figure data-id=\""), 2u);
  EXPECT_EQ(occurrences(html, "data-id=\"0x08000002\" data-rgb=\"#112233\""), 1u);
  EXPECT_EQ(occurrences(html, "data-failed-id=\""), 2u);
  EXPECT_EQ(occurrences(html, "data-unreported-id=\"0x08000005\" data-rgb=\"#0000FF\""), 1u);
  // Images are loaded by the page's script as they come into view.
  EXPECT_EQ(occurrences(html, "<img data-src=\"textures/"), 2u);
  EXPECT_EQ(occurrences(html, "<img "), 2u);
  EXPECT_NE(html.find("bad &lt;record&gt; &amp; &quot;name&quot;?</li>"), html.npos);
  EXPECT_NE(html.find("a&lt;b&gt;.dat"), html.npos);
  // Nothing is fetched from anywhere but the page's own directory.
  EXPECT_EQ(html.find("http"), html.npos);
  EXPECT_EQ(html.find("//"), html.npos);
}

// Surfaces left out that fail alike share one line, which opens on their
// ids; the largest group comes first, the surfaces that resolve last.
TEST(SheetPage, GroupsTheFailuresOfOneKind) {
  const auto missing = [](std::uint32_t id) {
    return survey::SurveyError::from(dat::DatError(dat::DatError::NotFound{id}));
  };
  Sheet sheet;
  sheet.omissions = {{0x08000001, survey::Rgb{1, 2, 3}, std::nullopt},
                     {0x08000002, std::nullopt, survey::SurveyError("SurfaceTexture has no mips")},
                     {0x08000003, std::nullopt, missing(0x05000003)},
                     {0x08000004, std::nullopt, missing(0x05000004)}};
  std::ostringstream page;
  write_sheet_html(sheet, "a.dat", "r.json", page);
  const std::string html = page.str();
  const std::size_t group = html.find(
      "<li><details><summary>2 surfaces: File ID {id} not found in provider</summary>"
      "<code data-failed-id=\"0x08000003\">0x08000003</code> "
      "<code data-failed-id=\"0x08000004\">0x08000004</code> </details></li>\n"
      "<li data-failed-id=\"0x08000002\"><code>0x08000002</code> SurfaceTexture has no mips</li>\n"
      "<li data-unreported-id=\"0x08000001\"");
  EXPECT_NE(group, html.npos) << html;
  EXPECT_EQ(occurrences(html, "data-failed-id=\""), 3u);
}

}  // namespace
}  // namespace brackwater::inspect
