#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace brackwater::dat {

// The bytes of `text` with every invalid UTF-8 sequence replaced by U+FFFD.
std::string utf8_lossy(std::string_view text);

// A path as the operating system gives it, made printable (see utf8_lossy).
std::string display_path(const std::filesystem::path& path);

// Exactly eight upper-case hexadecimal digits, zero-padded: 000012AB.
std::string hex8(std::uint32_t value);

}  // namespace brackwater::dat
