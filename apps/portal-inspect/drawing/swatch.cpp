// swatch: a tintsurvey report drawn as a grid of colour swatches.
#include <array>
#include <cmath>
#include <ostream>

#include "brackwater/dat/display.hpp"
#include "commands.hpp"
#include "file_io.hpp"
#include "png_file.hpp"
#include "brackwater/report/report_reader.hpp"

namespace brackwater::inspect {
namespace {

constexpr std::uint32_t kSwatchSide = 16;
constexpr std::uint32_t kGap = 2;
constexpr std::uint32_t kCell = kSwatchSide + kGap;
// 256 x 256 swatches make a 4610-pixel square, about 85 MB of pixels.
constexpr std::size_t kMaxSwatches = 65536;
constexpr std::uint8_t kBackground[4] = {40, 40, 40, 255};

// The columns of a roughly square grid of `count` swatches.
std::uint32_t columns_for(std::size_t count) {
  auto columns = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(count)));
  while (std::size_t{columns} * columns < count) ++columns;
  return columns;
}

void fill(image::RgbaImage& image, std::uint32_t left, std::uint32_t top, const survey::Rgb& rgb) {
  for (std::uint32_t y = top; y < top + kSwatchSide; ++y) {
    for (std::uint32_t x = left; x < left + kSwatchSide; ++x) {
      std::uint8_t* pixel = &image.pixels[(std::size_t{y} * image.width + x) * 4];
      pixel[0] = rgb.r;
      pixel[1] = rgb.g;
      pixel[2] = rgb.b;
      pixel[3] = 255;
    }
  }
}

// Swatch k sits in row k / columns, column k % columns, a gap around each.
image::RgbaImage swatch_sheet(const survey::ColorMap& colors) {
  const std::uint32_t columns = columns_for(colors.size());
  const auto rows = static_cast<std::uint32_t>((colors.size() + columns - 1) / columns);
  image::RgbaImage image{columns * kCell + kGap, rows * kCell + kGap, {}};
  image.pixels.resize(std::size_t{image.width} * image.height * 4);
  for (std::size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = kBackground[i % 4];
  std::uint32_t k = 0;
  for (const auto& [id, rgb] : colors) {
    fill(image, kGap + k % columns * kCell, kGap + k / columns * kCell, rgb);
    ++k;
  }
  return image;
}

}  // namespace

Outcome draw_swatches(const std::filesystem::path& report, const std::filesystem::path& png,
                      std::ostream& log) {
  // The sheet may never replace the report it is drawn from.
  const std::array inputs{cli::InputFile::at(report, "report")};
  auto input = open_input(report);
  if (!input) return std::unexpected(input.error());
  const std::string name = dat::display_path(report);
  const auto colors = report::read_report(name, std::move(*input));
  if (!colors) return std::unexpected(colors.error());
  if (colors->empty()) return std::unexpected(name + " holds no surfaces: nothing to draw");
  if (colors->size() > kMaxSwatches) {
    return std::unexpected(name + " holds " + std::to_string(colors->size()) +
                           " surfaces; a sheet draws at most " + std::to_string(kMaxSwatches));
  }
  const image::RgbaImage sheet = swatch_sheet(*colors);
  if (auto written = write_png(png, sheet, inputs); !written) return written;
  const std::uint32_t columns = columns_for(colors->size());
  log << "wrote " << dat::display_path(png) << " (" << colors->size() << " swatches, " << columns
      << " to a row)\n";
  return {};
}

}  // namespace brackwater::inspect
