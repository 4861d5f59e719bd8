// The commands that draw, in a build with libpng.
#include <array>
#include <iostream>

#include "drawing.hpp"

namespace brackwater::inspect {

Outcome draw(const Invocation& call) {
  // A report is all a swatch sheet needs.
  if (call.command == Command::Swatch) return draw_swatches(call.report, call.output, std::cerr);
  auto db = open_archive(call.archive);
  if (!db) return std::unexpected(db.error());
  // No output may replace the archive it comes from.
  const std::array inputs{tools::InputFile::at(call.archive, "archive")};
  return draw_texture(*db, call.id, call.output, inputs, std::cerr);
}

}  // namespace brackwater::inspect
