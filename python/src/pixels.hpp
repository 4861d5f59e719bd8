#pragma once

#include <cstdint>

#include <pybind11/pybind11.h>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::python {

namespace py = pybind11;

// Decoded RGBA8 pixels for Python: a (height, width, 4) uint8 numpy array
// over `pixels` themselves, or a copy as bytes when numpy is not installed.
py::object rgba_for_python(dat::Bytes pixels, std::int32_t width, std::int32_t height);

}  // namespace brackwater::python
