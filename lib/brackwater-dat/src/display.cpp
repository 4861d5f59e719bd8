#include "brackwater/dat/display.hpp"

namespace brackwater::dat {
namespace {

// Length of the valid UTF-8 sequence starting at `s[i]`, or 0 when it is
// invalid; `valid_prefix` then holds how many bytes form its longest valid
// beginning (at least 1), which one replacement character stands for.
std::size_t sequence_length(std::string_view s, std::size_t i, std::size_t& valid_prefix) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  valid_prefix = 1;
  if (lead < 0x80) return 1;
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k < need; ++k) {
    if (i + k >= s.size()) return 0;
    const unsigned char c = byte(i + k);
    const bool ok = k == 1 ? (c >= lo && c <= hi) : (c >= 0x80 && c <= 0xBF);
    if (!ok) return 0;
    valid_prefix = k + 1;
  }
  return need;
}

}  // namespace

std::string utf8_lossy(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t prefix = 0;
    const std::size_t length = sequence_length(text, i, prefix);
    if (length == 0) {
      out += "\uFFFD";
      i += prefix;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string display_path(const std::filesystem::path& path) {
  return utf8_lossy(path.native());
}

std::string hex8(std::uint32_t value) {
  // Digit by digit rather than through printf: a report formats one per surface.
  std::string digits(8, '0');
  for (std::size_t k = 8; k-- > 0; value >>= 4) digits[k] = "0123456789ABCDEF"[value & 0xF];
  return digits;
}

}  // namespace brackwater::dat
