// The commands that draw, in a build without their libraries: each says what
// to install. DRAWING_NEEDS names the missing packages.
#include <string>

#include "drawing.hpp"

namespace brackwater::inspect {

Outcome draw(const Invocation& call) {
  return std::unexpected(std::string(command_name(call.command)) +
                         " is left out of this build: it needs " DRAWING_NEEDS
                         " to be installed when portal-inspect is built");
}

}  // namespace brackwater::inspect
