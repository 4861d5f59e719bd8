#include "buffer.hpp"

namespace brackwater::python {

// PyBUF_SIMPLE asks for one contiguous run of bytes: a strided array is
// refused with BufferError rather than read in the wrong order.
BytesView::BytesView(py::handle object) {
  if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) throw py::error_already_set();
}

}  // namespace brackwater::python
