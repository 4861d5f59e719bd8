#pragma once

#include <pybind11/pybind11.h>

namespace brackwater::python {

namespace py = pybind11;

// Each part of the module adds its names to `m`; errors come first, since the
// rest raise them.
void bind_errors(py::module_& m);
void bind_records(py::module_& m);
void bind_pixels(py::module_& m);
void bind_archive(py::module_& m);

// Runs `work` with the GIL released, so other Python threads go on while the
// library reads or decodes. `work` must not touch Python objects.
template <class Work>
auto without_gil(Work&& work) {
  py::gil_scoped_release released;
  return work();
}

}  // namespace brackwater::python
