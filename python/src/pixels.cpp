// Pixels handed to Python, and the byte-level functions: LRS decoding and the
// dominant colour.
#include "pixels.hpp"

#include <array>
#include <utility>

#include "bindings.hpp"
#include "brackwater/dat/lrs.hpp"
#include "brackwater/survey/dominant.hpp"
#include "buffer.hpp"
#include "instances.hpp"

namespace brackwater::python {
namespace {

// Owns decoded pixels and shows them through the buffer protocol as rows of
// RGBA pixels, so numpy wraps them without a copy and keeps this alive.
class RgbaPixels {
 public:
  RgbaPixels(dat::Bytes pixels, std::int32_t width, std::int32_t height)
      : pixels_(std::move(pixels)), shape_(shape_of(pixels_.size(), width, height)) {}

  py::buffer_info buffer() {
    const auto row = static_cast<py::ssize_t>(shape_[1] * 4);
    return py::buffer_info(pixels_.data(), 1, py::format_descriptor<std::uint8_t>::format(), 3,
                           {shape_[0], shape_[1], py::ssize_t{4}},
                           {row, py::ssize_t{4}, py::ssize_t{1}});
  }

 private:
  // (height, width); a texture with a negative side decodes to no pixels,
  // which is 0 x 0.
  static std::array<py::ssize_t, 2> shape_of(std::size_t bytes, std::int32_t width,
                                             std::int32_t height) {
    if (bytes == 0) return {0, 0};
    return {py::ssize_t{height}, py::ssize_t{width}};
  }

  dat::Bytes pixels_;
  std::array<py::ssize_t, 2> shape_;
};

// numpy.asarray, or a null handle when numpy cannot be imported. Looked up
// once and never released: a static object would be released after the
// interpreter is gone.
py::handle numpy_asarray() {
  static const py::handle asarray = []() -> py::handle {
    try {
      return py::object(py::module_::import("numpy").attr("asarray")).release();
    } catch (py::error_already_set& e) {
      if (!e.matches(PyExc_ImportError)) throw;
      return {};
    }
  }();
  return asarray;
}

}  // namespace

py::object rgba_for_python(dat::Bytes pixels, std::int32_t width, std::int32_t height) {
  if (const py::handle asarray = numpy_asarray()) {
    return asarray(RgbaPixels(std::move(pixels), width, height));
  }
  return to_python_bytes(pixels);
}

void bind_pixels(py::module_& m) {
  py::class_<RgbaPixels>(m, "_RgbaPixels", py::buffer_protocol(),
                         py::custom_type_setup(refuse_creation)).def_buffer(&RgbaPixels::buffer);

  m.def(
      "decompress_lrs",
      [](py::buffer data) {
        const BytesView view(data);
        return to_python_bytes(without_gil([&] { return dat::decompress_lrs(view.bytes()); }));
      },
      py::arg("data"), "Decodes one LRS stream; damaged input gives a shorter output.");

  m.def(
      "dominant_rgb",
      [](py::buffer rgba) {
        const BytesView view(rgba);
        const survey::Rgb rgb = without_gil([&] { return survey::dominant_rgb(view.bytes()); });
        return py::make_tuple(rgb.r, rgb.g, rgb.b);
      },
      py::arg("rgba"),
      "The mean colour of the fullest cell of a 16x16x16 grid over the RGBA8 pixels with alpha "
      "128 or more; mid grey when none count.");
}

}  // namespace brackwater::python
