#include "brackwater/dat/file_type/surface.hpp"
#include "record_target.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return brackwater::fuzz::fuzz_record<brackwater::dat::Surface>(data, size);
}
