#pragma once

#include <string>
#include <string_view>

namespace brackwater::inspect {

// A one-line failure message with the numbers that name a record or a place
// masked, so that failures of one kind read the same: a word of eight hex
// digits or one written with "0x" becomes "{offset}" after "offset" or "at",
// "{id}" elsewhere. "File ID 0500000A not found in provider" becomes
// "File ID {id} not found in provider".
std::string message_shape(std::string_view message);

}  // namespace brackwater::inspect
