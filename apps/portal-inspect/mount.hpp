#pragma once

#include "command_line.hpp"
#include "commands.hpp"

namespace brackwater::inspect {

// Mounts the archive read-only at the invocation's DIR (see mount/). A
// build without libfuse3, libpng or nlohmann-json refuses it in one line,
// before anything is read.
Outcome mount(const Invocation& call);

}  // namespace brackwater::inspect
