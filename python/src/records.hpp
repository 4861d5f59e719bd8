#pragma once

#include <expected>
#include <utility>

#include <pybind11/pybind11.h>

#include "bindings.hpp"
#include "brackwater/dat/bytes.hpp"
#include "buffer.hpp"
#include "errors.hpp"

namespace brackwater::python {

// A record parsed from the bytes of `data`, without the GIL; its parse error
// raised otherwise.
template <class Record>
Record unpack_record(dat::ByteSpan data) {
  return value_or_raise(without_gil([data] { return Record::unpack(data); }));
}

}  // namespace brackwater::python
