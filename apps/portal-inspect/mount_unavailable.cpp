// mount in a build without its libraries: it says what to install.
// MOUNT_NEEDS names the missing packages.
#include <string>

#include "mount.hpp"

namespace brackwater::inspect {

Outcome mount(const Invocation&) {
  return std::unexpected(std::string("mount is left out of this build: it needs " MOUNT_NEEDS
                                     " to be installed when portal-inspect is built"));
}

}  // namespace brackwater::inspect
