#include "message_shape.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace brackwater::inspect {
namespace {

TEST(MessageShape, MasksIdsAndOffsetsOnly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"File ID 0500000A not found in provider", "File ID {id} not found in provider"},
      {"palette fetch failed: 0x04000F00: File ID 04000F00 not found in provider",
       "palette fetch failed: {id}: File ID {id} not found in provider"},
      {"Corruption detected: block chain at offset 0x00001000 cannot be read: block size 4 "
       "leaves no room for data",
       "Corruption detected: block chain at offset {offset} cannot be read: block size 4 "
       "leaves no room for data"},
      {"count -1 out of range of usize at 0x1c, while parsing field 'colors' in Palette",
       "count -1 out of range of usize at {offset}, while parsing field 'colors' in Palette"},
      // Words that only look like numbers, and numbers that are not ids, stay.
      {"unsupported pixel format: R5G6B5", "unsupported pixel format: R5G6B5"},
      {"Other error: decode limit of 268435456 bytes reached",
       "Other error: decode limit of 268435456 bytes reached"},
      {"0x 0xZZ deadbeef 0500000A1 X0500000A", "0x 0xZZ deadbeef 0500000A1 X0500000A"},
  };
  for (const auto& [message, shape] : cases) {
    EXPECT_EQ(message_shape(message), shape) << message;
  }
}

}  // namespace
}  // namespace brackwater::inspect
