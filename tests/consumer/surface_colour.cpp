// Resolves one surface of an archive as tintsurvey does and prints its colour
// as the report writes it, or why it has none.
#include <cstdlib>
#include <iostream>

#include "brackwater/dat/database.hpp"
#include "brackwater/tools/resolve.hpp"

int main(int argc, char** argv) {
  if (argc != 3) return 2;  // surface_colour ARCHIVE SURFACE_ID (hex)
  const auto db = brackwater::dat::DatDatabase::open(argv[1]);
  if (!db) return std::cerr << db.error().message() << '\n', 1;
  const auto id = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 16));
  const auto color = brackwater::tools::dominant_for(*db, id);
  if (!color) return std::cerr << color.error().message() << '\n', 1;
  const auto [r, g, b] = color->rgb;
  std::cout << '[' << +r << ", " << +g << ", " << +b << "]\n";
}
