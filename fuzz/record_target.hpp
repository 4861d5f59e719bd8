#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "brackwater/dat/bytes.hpp"
#include "check.hpp"
#include "portal_fixture/records.hpp"

namespace brackwater::fuzz {

// Parses `data` as one record. A record that parses must be exactly the
// bytes it was read from: encoding it again gives a prefix of the input.
// A failure must render its text.
template <class Record>
int fuzz_record(const std::uint8_t* data, std::size_t size) {
  const dat::ByteSpan input(data, size);
  auto record = Record::unpack(input);
  if (!record) {
    require(!record.error().message().empty(), "a parse error has a text");
    return 0;
  }
  const dat::Bytes encoded = portal_fixture::encode(*record);
  require(encoded.size() <= size && std::equal(encoded.begin(), encoded.end(), input.begin()),
          "a parsed record encodes to the bytes it was read from");
  return 0;
}

}  // namespace brackwater::fuzz
