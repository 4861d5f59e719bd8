#include "bindings.hpp"

// The extension inside the brackwater_dat package, which re-exports it.
PYBIND11_MODULE(_native, m) {
  m.doc() =
      "Reads a game client's portal DAT archive: its files, Surface, SurfaceTexture, Palette and "
      "Texture records, textures as RGBA8, and the surface colours tintsurvey computes.";
  // pybind11 names a class's and a function's module after this attribute
  // when there is one: the package they are used through.
  m.attr("__module__") = "brackwater_dat";
  brackwater::python::bind_errors(m);
  brackwater::python::bind_records(m);
  brackwater::python::bind_pixels(m);
  brackwater::python::bind_archive(m);
}
