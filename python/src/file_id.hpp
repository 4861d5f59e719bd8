#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>

namespace brackwater::python {

// A file id argument. Python's bool is an int, but True is no file id, so it
// is refused instead of read as 1.
struct FileId {
  std::uint32_t value = 0;
};

}  // namespace brackwater::python

namespace pybind11::detail {

template <>
struct type_caster<brackwater::python::FileId> {
  PYBIND11_TYPE_CASTER(brackwater::python::FileId, const_name("int"));

  bool load(handle source, bool convert) {
    if (PyBool_Check(source.ptr())) throw type_error("a file id is an int, not a bool");
    make_caster<std::uint32_t> id;
    if (!id.load(source, convert)) return false;
    value.value = cast_op<std::uint32_t>(id);
    return true;
  }
};

}  // namespace pybind11::detail
