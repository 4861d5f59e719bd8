#include <stdexcept>

#include "portal_fixture/lrs_encoder.hpp"

namespace portal_fixture {

LrsTokenWriter::LrsTokenWriter(std::uint32_t expected_size) {
  for (int shift = 0; shift < 32; shift += 8) {
    out_.push_back(static_cast<std::uint8_t>(expected_size >> shift));
  }
}

void LrsTokenWriter::start_token(bool is_match) {
  if (mask_ == 0) {
    flag_at_ = out_.size();
    out_.push_back(0);
    mask_ = 0x80;
  }
  if (is_match) out_[flag_at_] |= mask_;
  mask_ = static_cast<std::uint8_t>(mask_ >> 1);
}

void LrsTokenWriter::literal(std::uint8_t byte) {
  start_token(false);
  out_.push_back(byte);
}

// b0 holds the distance's low 8 bits; b1 its high 4 bits above length - 2.
void LrsTokenWriter::match(std::uint32_t distance, std::uint32_t length) {
  if (distance > 4095 || length < 2 || length > 17) {
    throw std::invalid_argument("LRS back-reference out of range");
  }
  start_token(true);
  out_.push_back(static_cast<std::uint8_t>(distance & 0xFF));
  out_.push_back(static_cast<std::uint8_t>((distance >> 8) << 4 | (length - 2)));
}

Bytes LrsTokenWriter::finish() && {
  return std::move(out_);
}

}  // namespace portal_fixture
