#pragma once

#include <string>

#include "brackwater/survey/dominant.hpp"

namespace brackwater::inspect {

// "#C15C02": the colour as a web page writes it.
std::string hex_color(const survey::Rgb& rgb);

}  // namespace brackwater::inspect
