#include "bindings.hpp"

PYBIND11_MODULE(brackwater_dat, m) {
  m.doc() =
      "Reads a game client's portal DAT archive: its files, Surface, SurfaceTexture, Palette and "
      "Texture records, textures as RGBA8, and the surface colours tintsurvey computes.";
  brackwater::python::bind_errors(m);
  brackwater::python::bind_records(m);
  brackwater::python::bind_pixels(m);
  brackwater::python::bind_archive(m);
}
