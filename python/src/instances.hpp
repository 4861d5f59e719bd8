#pragma once

#include <pybind11/pybind11.h>

#include <typeinfo>
#include <utility>

namespace brackwater::python {

namespace py = pybind11;

// pybind11 hands a method the raw memory of an object made by `__new__`
// alone, whose `__init__` never ran. These keep such objects from ever
// reaching C++ code.

// For py::custom_type_setup: the class cannot be instantiated from Python;
// its objects come only from the module (records, results).
void refuse_creation(PyHeapTypeObject* heap_type);

// Whether `self` holds a C++ object of the bound class `type`, built by its
// `__init__` or by the module.
bool holds_value(py::handle self, const std::type_info& type);

// Builds `self`'s C++ object from `value`, as pybind11 does for a constructor.
// For an `__init__` of our own, which can refuse to run twice where
// pybind11's would silently do nothing. `self` must not hold a value yet.
template <class Value>
void emplace_value(py::handle self, Value value) {
  auto* instance = reinterpret_cast<py::detail::instance*>(self.ptr());
  const py::detail::value_and_holder held =
      instance->get_value_and_holder(py::detail::get_type_info(typeid(Value)));
  held.value_ptr() = new Value(std::move(value));
  held.type->init_instance(instance, nullptr);
}

}  // namespace brackwater::python
