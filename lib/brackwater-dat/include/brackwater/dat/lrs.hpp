#pragma once

#include "brackwater/dat/bytes.hpp"

namespace brackwater::dat {

// Decodes one LRS stream (a 4-byte expected size, then flag-grouped literals
// and 12-bit back-references). Never fails: damaged or short input gives a
// shorter output, never one longer than the expected size.
Bytes decompress_lrs(ByteSpan data);

}  // namespace brackwater::dat
