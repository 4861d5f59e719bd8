#pragma once

#include "command_line.hpp"
#include "commands.hpp"

namespace brackwater::inspect {

// Runs a command that draws a PNG image (see draws_png). A build without the
// libraries they need refuses each of them in one line, before anything is
// read.
Outcome draw(const Invocation& call);

}  // namespace brackwater::inspect
