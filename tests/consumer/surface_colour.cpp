// Resolves one surface as tintsurvey does and prints its colour as the report
// writes it, or its error in one line.
#include <cstdlib>
#include <iostream>

#include "brackwater/dat/database.hpp"
#include "brackwater/survey/one_line.hpp"
#include "brackwater/survey/resolve.hpp"

namespace survey = brackwater::survey;

int main(int argc, char** argv) {
  if (argc != 3) return 2;  // surface_colour ARCHIVE SURFACE_ID (hex)
  const auto db = brackwater::dat::DatDatabase::open(argv[1]);
  if (!db) {
    std::cerr << survey::one_line(db.error()) << '\n';
    return 1;
  }
  const auto id = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 16));
  const auto color = survey::dominant_for(*db, id);
  if (!color) {
    std::cerr << survey::one_line(color.error()) << '\n';
    return 1;
  }
  const auto [r, g, b] = color->rgb;
  std::cout << '[' << +r << ", " << +g << ", " << +b << "]\n";
}
