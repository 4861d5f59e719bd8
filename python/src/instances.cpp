#include "instances.hpp"

namespace brackwater::python {
namespace {

extern "C" PyObject* refuse_new(PyTypeObject* type, PyObject*, PyObject*) {
  PyErr_Format(PyExc_TypeError, "cannot create '%s' instances: they come from an Archive or unpack",
               type->tp_name);
  return nullptr;
}

}  // namespace

void refuse_creation(PyHeapTypeObject* heap_type) {
  heap_type->ht_type.tp_new = refuse_new;
}

bool holds_value(py::handle self, const std::type_info& type) {
  const auto* info = py::detail::get_type_info(type);
  if (info == nullptr || !PyObject_TypeCheck(self.ptr(), info->type)) return false;
  auto* instance = reinterpret_cast<py::detail::instance*>(self.ptr());
  return instance->get_value_and_holder(info).holder_constructed();
}

}  // namespace brackwater::python
