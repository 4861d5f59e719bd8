#pragma once

#include <cstdint>
#include <deque>
#include <expected>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "brackwater/dat/database.hpp"
#include "brackwater/cli/output_batch.hpp"
#include "brackwater/cli/output_file.hpp"
#include "brackwater/survey/resolve.hpp"
#include "inspect_error.hpp"

namespace brackwater::inspect {

// A texture drawn for the contact sheet, as a PNG file beside the page.
struct Thumbnail {
  std::string href;  // relative to the page: "textures/0x06000014-0x04000007.png"
  std::uint32_t texture_id = 0;
  std::string format;      // "P8", "Dxt1"
  std::int32_t width = 0;  // the texture's own size
  std::int32_t height = 0;
  survey::PaletteChoice palette;
};

// A thumbnail, or why the texture has none, in one line.
using ThumbnailOutcome = std::expected<Thumbnail, std::string>;

// Draws textures as a surface has them coloured, each texture and palette
// once, into `dir`/textures. Reads and decodes go through the resolution's
// session, so they share its records and its limits.
class ThumbnailWriter {
 public:
  // The longest side of a thumbnail, in pixels; larger textures are shrunk.
  static constexpr std::uint32_t kSide = 64;
  static constexpr std::string_view kSubdirectory = "textures";

  // The files go through `batch`; its owner flushes them.
  ThumbnailWriter(const dat::DatDatabase& db, survey::ResolveSession& session,
                  std::filesystem::path dir, std::span<const cli::InputFile> inputs,
                  cli::OutputBatch& batch);

  // Texture `texture_id` with the palette the survey chooses on a surface
  // naming `surface_palette_id`.
  const ThumbnailOutcome& draw(std::uint32_t texture_id, std::uint32_t surface_palette_id);

  // The first file that could not be written; nothing is written after it.
  const std::optional<InspectError>& write_failure() const { return write_failure_; }
  std::size_t files_written() const { return files_written_; }

 private:
  using Key = std::pair<std::uint32_t, std::uint32_t>;

  ThumbnailOutcome make(std::uint32_t texture_id, std::uint32_t surface_palette_id);
  std::expected<dat::Texture, std::string> read_texture(std::uint32_t texture_id);
  // Decodes, shrinks and writes the texture as `choice` colours it.
  ThumbnailOutcome render(std::uint32_t texture_id, const dat::Texture& texture,
                          const survey::PaletteChoice& choice);

  const dat::DatDatabase& db_;
  survey::ResolveSession& session_;
  std::filesystem::path dir_;
  std::span<const cli::InputFile> inputs_;
  cli::OutputBatch& batch_;
  std::deque<ThumbnailOutcome> outcomes_;
  std::map<Key, const ThumbnailOutcome*> by_request_;  // texture, surface palette
  std::map<Key, const ThumbnailOutcome*> by_file_;     // texture, palette drawn with (0: none)
  std::optional<InspectError> write_failure_;
  std::size_t files_written_ = 0;
};

}  // namespace brackwater::inspect
