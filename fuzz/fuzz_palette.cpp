#include "brackwater/dat/file_type/palette.hpp"
#include "record_target.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return brackwater::fuzz::fuzz_record<brackwater::dat::Palette>(data, size);
}
