#include "brackwater/dat/file_type/surface_texture.hpp"
#include "record_target.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return brackwater::fuzz::fuzz_record<brackwater::dat::SurfaceTexture>(data, size);
}
