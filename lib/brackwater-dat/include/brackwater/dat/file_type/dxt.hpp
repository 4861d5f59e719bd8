#pragma once

#include <cstdint>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::dat {

// Block-compressed pixel data to RGBA8 (width * height * 4 bytes). Never
// fail: pixels of tiles whose block the input does not hold stay (0, 0, 0, 0).
Bytes decompress_dxt1(ByteSpan data, std::uint32_t width, std::uint32_t height);
Bytes decompress_dxt3(ByteSpan data, std::uint32_t width, std::uint32_t height);
Bytes decompress_dxt5(ByteSpan data, std::uint32_t width, std::uint32_t height);

}  // namespace brackwater::dat
