// The commands that draw, in a build without libpng: each says what it needs.
#include <string>

#include "drawing.hpp"

namespace brackwater::inspect {

Outcome draw(const Invocation& call) {
  return std::unexpected(std::string(command_name(call.command)) +
                         " writes a PNG image, and this portal-inspect was built without libpng "
                         "(install libpng-dev and build again)");
}

}  // namespace brackwater::inspect
