// The commands that draw, in a build with libpng.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <thread>

#include "drawing.hpp"

namespace brackwater::inspect {
namespace {

// Textures are the files whose top byte is 0x06.
constexpr std::uint8_t kTextureType = 0x06;

unsigned cores() {
  return std::max(std::thread::hardware_concurrency(), 1u);
}

}  // namespace

Outcome draw(const Invocation& call) {
  // A report is all a swatch sheet needs.
  if (call.command == Command::Swatch) return draw_swatches(call.report, call.output, std::cerr);
  auto db = open_archive(call.archive);
  if (!db) return std::unexpected(std::move(db.error()));
  // No output may replace the archive it comes from.
  const std::array inputs{cli::InputFile::at(call.archive, "archive")};
  // Progress lines go to standard error only when it is a terminal.
  std::ostream* const progress = ::isatty(STDERR_FILENO) ? &std::cerr : nullptr;
  switch (call.command) {
    case Command::Sheet:
      return draw_sheet(*db, call.archive, call.report, call.output, std::cerr, progress);
    case Command::Export:
      return export_textures(*db, call.type.value_or(kTextureType), call.output,
                             call.jobs != 0 ? call.jobs : cores(), inputs, std::cerr, progress);
    default:
      return draw_texture(*db, call.id, call.output, inputs, std::cerr);
  }
}

}  // namespace brackwater::inspect
