#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/report.hpp"
#include "brackwater/survey/survey_error.hpp"
#include "thumbnails.hpp"

namespace brackwater::inspect {

// One surface of the report, with what the archive says of it now.
struct SheetTile {
  enum class Kind { Solid, Textured, Unknown };  // Unknown: no Surface record could be read

  std::uint32_t id = 0;
  survey::Rgb rgb;  // the report's: what the front end paints
  Kind kind = Kind::Unknown;
  // Held by the ThumbnailWriter that drew them, so a tile stays small
  // however many surfaces share a texture; null when there is none.
  const ThumbnailOutcome* decoded = nullptr;    // the mip the survey reduces
  const ThumbnailOutcome* first_mip = nullptr;  // the first, largest mip, when it is another
  std::string note;  // where the archive disagrees with the report, if it does
};

// A surface of the archive that the report leaves out.
struct SheetOmission {
  std::uint32_t id = 0;
  std::optional<survey::Rgb> rgb;              // when it resolves after all
  std::optional<survey::SurveyError> failure;  // when it does not
};

struct Sheet {
  std::vector<SheetTile> tiles;          // ascending id
  std::vector<SheetOmission> omissions;  // ascending id
  // The survey's word that the archive changed under it: no page then.
  std::optional<dat::DatError> archive_changed;
};

// Resolves every surface of the archive and of `report` the way the survey
// does, drawing the textures through `thumbnails`, which must outlive the
// sheet. `progress` is standard
// error when it is a terminal, null otherwise.
Sheet build_sheet(const dat::DatDatabase& db, const survey::ColorMap& report,
                  ThumbnailWriter& thumbnails, survey::ResolveSession& session,
                  std::ostream* progress);

}  // namespace brackwater::inspect
