// The commands that draw, in a build without their libraries: each says what
// to install. DRAWING_NEEDS names the missing packages.
#include <string>

#include "drawing.hpp"

namespace brackwater::inspect {

Outcome draw(const Invocation& call) {
  return std::unexpected(std::string(command_name(call.command)) +
                         " is left out of this build: install " DRAWING_NEEDS
                         " and build portal-inspect again");
}

}  // namespace brackwater::inspect
