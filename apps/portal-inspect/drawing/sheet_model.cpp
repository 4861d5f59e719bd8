#include "sheet_model.hpp"

#include <algorithm>
#include <iterator>

#include "brackwater/survey/survey.hpp"
#include "color_text.hpp"
#include "brackwater/survey/one_line.hpp"
#include "brackwater/cli/progress_line.hpp"

namespace brackwater::inspect {
namespace {

// The records of a resolution that tell which textures to draw.
class MipCatcher : public survey::ResolveObserver {
 public:
  void on_surface(const dat::Surface& record) override { surface = record; }
  void on_surface_texture(std::uint32_t, const dat::SurfaceTexture& record) override {
    mips = record.textures;
  }

  std::optional<dat::Surface> surface;
  std::vector<std::uint32_t> mips;
};

// Every id of either list, once, ascending.
std::vector<std::uint32_t> all_ids(const dat::DatDatabase& db, const survey::ColorMap& report) {
  const std::vector<std::uint32_t> surfaces = survey::surface_ids(db.index());
  std::vector<std::uint32_t> reported;
  for (const auto& [id, rgb] : report) reported.push_back(id);
  std::vector<std::uint32_t> ids;
  std::ranges::set_union(surfaces, reported, std::back_inserter(ids));
  return ids;
}

SheetTile tile_for(std::uint32_t id, const survey::Rgb& reported,
                   const std::expected<survey::SurfaceColor, survey::SurveyError>& now,
                   const MipCatcher& seen, ThumbnailWriter& thumbnails) {
  SheetTile tile{id, reported, SheetTile::Kind::Unknown, nullptr, nullptr, {}};
  if (seen.surface) {
    const auto& refs = seen.surface->texture_refs;
    tile.kind = refs ? SheetTile::Kind::Textured : SheetTile::Kind::Solid;
    // The survey decodes the last mip; the first shows the texture as a
    // player sees it up close.
    if (refs && !seen.mips.empty()) {
      tile.decoded = &thumbnails.draw(seen.mips.back(), refs->orig_palette_id);
      if (seen.mips.front() != seen.mips.back()) {
        tile.first_mip = &thumbnails.draw(seen.mips.front(), refs->orig_palette_id);
      }
    }
  }
  if (!now) {
    tile.note = "the archive no longer resolves it: " + survey::one_line(now.error());
  } else if (now->rgb != reported) {
    tile.note = "the archive now resolves it to " + hex_color(now->rgb);
  }
  return tile;
}

}  // namespace

Sheet build_sheet(const dat::DatDatabase& db, const survey::ColorMap& report,
                  ThumbnailWriter& thumbnails, survey::ResolveSession& session,
                  std::ostream* progress) {
  const std::vector<std::uint32_t> ids = all_ids(db, report);
  Sheet sheet;
  // Every reported surface has a tile: room for them at once, not twice
  // that while the vector grows.
  sheet.tiles.reserve(report.size());
  cli::ProgressLine shown(progress, "drawing surfaces", ids.size());
  MipCatcher seen;
  const auto add = [&](std::uint32_t id, const survey::SurfaceOutcome& now) {
    const auto reported = report.find(id);
    if (!db.index().contains(id)) {
      sheet.tiles.push_back(
          {id, reported->second, SheetTile::Kind::Unknown, nullptr, nullptr, "not in the archive"});
    } else if (reported != report.end()) {
      sheet.tiles.push_back(tile_for(id, reported->second, now, seen, thumbnails));
    } else if (now) {
      sheet.omissions.push_back({id, now->rgb, {}});
    } else {
      sheet.omissions.push_back({id, std::nullopt, std::nullopt});
      sheet.omissions.back().failure.emplace(now.error());
    }
    seen = {};
    return !thumbnails.write_failure();
  };
  sheet.archive_changed = survey::run_survey(
      db, session, ids,
      {.progress = [&](const survey::SurveyCounts& counts) { shown.update(counts.done); },
       .on_outcome = add,
       .observer = &seen})
                              .archive_changed;
  return sheet;
}

}  // namespace brackwater::inspect
