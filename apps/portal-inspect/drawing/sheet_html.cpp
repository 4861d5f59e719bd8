#include "sheet_html.hpp"

#include <algorithm>
#include <vector>

#include "brackwater/dat/display.hpp"
#include "color_text.hpp"
#include "commands.hpp"
#include "failure_groups.hpp"

namespace brackwater::inspect {
namespace {

// The longest side of an image on the page, in CSS pixels.
constexpr std::int64_t kShownSide = 64;

// Tiles skip their layout and painting until near the view, which keeps
// 30,000 of them quick; the filter hides what does not match.
constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width">
<style>
body{margin:0;font:13px/1.35 system-ui,sans-serif;background:#1e1e1e;color:#ddd}
header{position:sticky;top:0;z-index:1;background:#111;padding:8px 12px;border-bottom:1px solid #333}
h1{font-size:16px;margin:0 0 4px}h2{font-size:14px;margin:12px}p{margin:0 0 6px}
input{font:inherit;width:26em;padding:3px 6px}
ul{margin:0 12px;padding:0;list-style:none}li{padding:2px 0}summary{cursor:pointer}
main{display:flex;flex-wrap:wrap;gap:8px;padding:12px}
figure{margin:0;width:208px;padding:6px;background:#2a2a2a;border-radius:4px;content-visibility:auto;contain-intrinsic-size:auto 208px auto 130px}
figure div{display:flex;gap:4px;align-items:center;min-height:66px}
.c{display:inline-block;width:64px;height:64px;flex:none;border:1px solid #000}
li .c{width:12px;height:12px;vertical-align:middle}
img{image-rendering:pixelated;background:repeating-conic-gradient(#555 0 25%,#777 0 50%) 0 0/16px 16px}
figcaption{margin-top:4px;font-size:12px;overflow-wrap:anywhere}
b,code{font-family:ui-monospace,monospace}.x{color:#f97}
</style>
)";

// Images get their source as they come near the view: browsers that load
// every lazy image of a page from the disk at once would otherwise read
// tens of thousands of files before the page is usable.
constexpr std::string_view kScript = R"(<script>
const near = new IntersectionObserver((entries) => {
  for (const entry of entries) {
    if (!entry.isIntersecting) continue;
    entry.target.src = entry.target.dataset.src;
    near.unobserve(entry.target);
  }
}, {rootMargin: "600px"});
for (const img of document.querySelectorAll("img[data-src]")) near.observe(img);
const filter = document.getElementById("filter"), shown = document.getElementById("shown");
const items = document.querySelectorAll("[data-id],[data-failed-id],[data-unreported-id]");
const groups = document.querySelectorAll("li details");
filter.addEventListener("input", () => {
  const wanted = filter.value.trim().toLowerCase();
  let count = 0;
  for (const item of items) {
    const d = item.dataset, key = ((d.id || d.failedId || d.unreportedId) + " " + (d.rgb || "")).toLowerCase();
    item.hidden = !key.includes(wanted);
    count += !item.hidden;
  }
  for (const group of groups) {
    const matching = [...group.querySelectorAll("[data-failed-id]")].filter((id) => !id.hidden).length;
    group.parentElement.hidden = matching === 0;
    if (wanted) group.open = matching > 0;
  }
  shown.textContent = wanted ? count + " of " + items.length + " shown" : "";
});
</script>
)";

// `text` made safe in HTML text and attribute values; control characters,
// which have no place in either, become '?'.
std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : dat::utf8_lossy(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
  }
  return out;
}

std::string swatch(const survey::Rgb& rgb) {
  return "<span class=\"c\" style=\"background:" + hex_color(rgb) + "\"></span>";
}

std::string size_text(const Thumbnail& thumbnail) {
  return std::to_string(thumbnail.width) + "\xC3\x97" + std::to_string(thumbnail.height);
}

std::string palette_text(const survey::PaletteChoice& palette) {
  using Source = survey::PaletteChoice::Source;
  if (palette.source == Source::None) return "";
  if (!palette.palette_id) return ", no palette";
  return ", palette " + show_id(*palette.palette_id) +
         (palette.source == Source::SurfaceOverride ? " (surface's own)" : " (texture's)");
}

// The image of one mip, or nothing when it has none, its source given by
// the page's script as it scrolls into view: its longest side
// drawn at kShownSide pixels, the other in proportion, so that the
// transparency pattern behind it covers the texture and nothing else.
std::string image(const ThumbnailOutcome* outcome) {
  if (!outcome || !*outcome) return "";
  const Thumbnail& thumbnail = **outcome;
  const std::int64_t longest = std::max(thumbnail.width, thumbnail.height);
  const auto shown = [longest](std::int32_t side) {
    return std::to_string(std::max<std::int64_t>(1, side * kShownSide / longest));
  };
  return "<img data-src=\"" + escaped(thumbnail.href) + "\" width=\"" + shown(thumbnail.width) +
         "\" height=\"" + shown(thumbnail.height) + "\" alt=\"" + show_id(thumbnail.texture_id) +
         "\">";
}

// What the caption says of one mip: its id, format, size and, for the mip
// the survey decodes, its palette; or why it has no image.
std::string mip_text(std::string_view role, const ThumbnailOutcome& outcome, bool with_palette) {
  std::string text = "<br>";
  text.append(role);
  if (!outcome) {
    text.append(": <span class=\"x\">").append(escaped(outcome.error())).append("</span>");
    return text;
  }
  text.append(" ").append(show_id(outcome->texture_id)).append(" ").append(outcome->format);
  text.append(" ").append(size_text(*outcome));
  if (with_palette) text.append(palette_text(outcome->palette));
  return text;
}

std::string_view kind_text(SheetTile::Kind kind) {
  switch (kind) {
    case SheetTile::Kind::Solid:
      return "solid";
    case SheetTile::Kind::Textured:
      return "textured";
    case SheetTile::Kind::Unknown:
      break;
  }
  return "unreadable";
}

std::string tile_html(const SheetTile& tile) {
  const std::string hex = hex_color(tile.rgb);
  std::string html = "<figure data-id=\"" + show_id(tile.id) + "\" data-rgb=\"" + hex + "\"><div>" +
                     swatch(tile.rgb) + image(tile.decoded) + image(tile.first_mip) +
                     "</div><figcaption><b>" + show_id(tile.id) + "</b> " + hex + " (" +
                     std::to_string(tile.rgb.r) + ", " + std::to_string(tile.rgb.g) + ", " +
                     std::to_string(tile.rgb.b) + ") " + std::string(kind_text(tile.kind));
  if (tile.decoded) html += mip_text("decoded", *tile.decoded, true);
  if (tile.first_mip) html += mip_text("first mip", *tile.first_mip, false);
  if (!tile.note.empty()) html += "<br><span class=\"x\">" + escaped(tile.note) + "</span>";
  return html + "</figcaption></figure>\n";
}

// Surfaces that fail alike: one line for a lone one, else one that opens
// on their ids.
std::string failure_group_html(const FailureGroup& group) {
  const std::string label = escaped(group.label);
  if (group.ids.size() == 1) {
    const std::string id = show_id(group.ids.front());
    return "<li data-failed-id=\"" + id + "\"><code>" + id + "</code> " + label + "</li>\n";
  }
  std::string html = "<li><details><summary>" + std::to_string(group.ids.size()) +
                     " surfaces: " + label + "</summary>";
  for (const std::uint32_t failed : group.ids) {
    const std::string id = show_id(failed);
    html += "<code data-failed-id=\"" + id + "\">" + id + "</code> ";
  }
  return html + "</details></li>\n";
}

std::string unreported_html(const SheetOmission& left_out) {
  const std::string id = show_id(left_out.id);
  const std::string hex = hex_color(*left_out.rgb);
  return "<li data-unreported-id=\"" + id + "\" data-rgb=\"" + hex + "\"><code>" + id + "</code> " +
         swatch(*left_out.rgb) + " resolves to " + hex +
         ": the report was made from another archive or cut short</li>\n";
}

}  // namespace

void write_sheet_html(const Sheet& sheet, std::string_view archive_name,
                      std::string_view report_name, std::ostream& out) {
  const auto count = [&](SheetTile::Kind kind) {
    return std::to_string(std::ranges::count(sheet.tiles, kind, &SheetTile::kind));
  };
  const std::string archive = escaped(archive_name);
  const std::string report = escaped(report_name);
  out << kHead;
  out << "<title>Surface colours of " + archive + "</title></head>\n<body><header><h1>" +
             std::to_string(sheet.tiles.size()) + " surfaces of " + report + "</h1><p>" +
             count(SheetTile::Kind::Solid) + " solid, " + count(SheetTile::Kind::Textured) +
             " textured, read from " + archive + "; " + std::to_string(sheet.omissions.size()) +
             " surfaces of the archive are not in the report.</p>"
             "<input id=\"filter\" type=\"search\" placeholder=\"Filter by id or colour: "
             "0x0800002, #C15C\" autocomplete=\"off\"> <span id=\"shown\"></span></header>\n";
  if (!sheet.omissions.empty()) {
    // Those that fail first, grouped as `errors` counts them, largest group first.
    std::vector<SurfaceFailure> failures;
    for (const SheetOmission& left_out : sheet.omissions) {
      if (left_out.failure) failures.push_back({left_out.id, *left_out.failure});
    }
    out << "<section><h2>Not in the report</h2><ul>\n";
    for (const FailureGroup& group : group_failures(failures)) out << failure_group_html(group);
    for (const SheetOmission& left_out : sheet.omissions) {
      if (!left_out.failure) out << unreported_html(left_out);
    }
    out << "</ul></section>\n";
  }
  out << "<main>\n";
  for (const SheetTile& tile : sheet.tiles) out << tile_html(tile);
  out << "</main>\n" << kScript << "</body></html>\n";
}

}  // namespace brackwater::inspect
