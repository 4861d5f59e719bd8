#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/report.hpp"
#include "thumbnails.hpp"

namespace brackwater::inspect {

// One surface of the report, with what the archive says of it now.
struct SheetTile {
  enum class Kind { Solid, Textured, Unknown };  // Unknown: no Surface record could be read

  std::uint32_t id = 0;
  survey::Rgb rgb;  // the report's: what the front end paints
  Kind kind = Kind::Unknown;
  std::optional<ThumbnailOutcome> decoded;    // the mip the survey reduces
  std::optional<ThumbnailOutcome> first_mip;  // the first, largest mip, when it is another
  std::string note;  // where the archive disagrees with the report, if it does
};

// A surface of the archive that the report leaves out.
struct SheetOmission {
  std::uint32_t id = 0;
  std::optional<survey::Rgb> rgb;  // when it resolves after all
  std::string failure;            // one line, when it does not
};

struct Sheet {
  std::vector<SheetTile> tiles;          // ascending id
  std::vector<SheetOmission> omissions;  // ascending id
  // The survey's word that the archive changed under it: no page then.
  std::optional<dat::DatError> archive_changed;
};

// Resolves every surface of the archive and of `report` the way the survey
// does, drawing the textures through `thumbnails`. `progress` is standard
// error when it is a terminal, null otherwise.
Sheet build_sheet(const dat::DatDatabase& db, const survey::ColorMap& report,
                  ThumbnailWriter& thumbnails, survey::ResolveSession& session,
                  std::ostream* progress);

}  // namespace brackwater::inspect
