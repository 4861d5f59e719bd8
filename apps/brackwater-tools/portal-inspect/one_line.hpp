#pragma once

#include <string>
#include <string_view>

namespace brackwater::inspect {

// A failure message in one line. A framed parse error (the backtrace box of a
// record read) becomes the text before its box, its cause and its innermost
// field: "Binary read error: failed to fill whole buffer, while parsing field
// 'height' in Texture". Any other multi-line text has its line breaks and the
// indentation after them folded into single spaces.
std::string one_line(std::string_view message);

}  // namespace brackwater::inspect
