#pragma once

#include <pybind11/pybind11.h>

#include "brackwater/dat/bytes.hpp"

namespace brackwater::python {

namespace py = pybind11;

// The bytes of any object with the buffer protocol (bytes, bytearray,
// memoryview, a C-contiguous array), read in place. The object cannot be
// resized while viewed, so the bytes stay valid without the GIL; the view is
// released with the GIL held, where this is destroyed.
class BytesView {
 public:
  explicit BytesView(py::handle object);
  ~BytesView() { PyBuffer_Release(&view_); }
  BytesView(const BytesView&) = delete;
  BytesView& operator=(const BytesView&) = delete;

  dat::ByteSpan bytes() const {
    return {static_cast<const std::uint8_t*>(view_.buf), static_cast<std::size_t>(view_.len)};
  }

 private:
  Py_buffer view_{};
};

// A copy of `bytes` as a Python bytes object.
inline py::bytes to_python_bytes(dat::ByteSpan bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace brackwater::python
