"""Texture pixels against the PNGs portal-inspect draws of the same textures."""

import subprocess
import sys

import brackwater_dat as bd
import pytest

from conftest import run, tool

Image = pytest.importorskip("PIL.Image")
numpy = pytest.importorskip("numpy")


def inspect_png(archive_path, texture_id, tmp_path):
    """The RGBA pixels portal-inspect writes for `texture_id`, as bytes."""
    png = tmp_path / f"{texture_id:08X}.png"
    run(tool("portal-inspect"), str(archive_path), "texture", f"{texture_id:#010x}", "--png",
        str(png))
    with Image.open(png) as image:
        return image.convert("RGBA").tobytes()


def first_decodable_of_each_format(archive):
    textures = {}
    for texture_id in archive.ids(0x06):
        texture = archive.texture(texture_id)
        if texture.format in textures:
            continue
        try:
            archive.rgba(texture)
        except bd.TextureDecodeError:
            continue
        textures[texture.format] = texture_id
    return textures


def test_every_format_decodes_as_portal_inspect_draws_it(archive, sample_path, tmp_path):
    textures = first_decodable_of_each_format(archive)
    assert {str(f) for f in textures} == {
        "R8G8B8", "A8R8G8B8", "A8", "P8", "Index16", "CustomLscapeR8G8B8", "CustomLscapeAlpha",
        "Dxt1", "Dxt3", "Dxt5"}
    for texture_format, texture_id in textures.items():
        texture = archive.texture(texture_id)
        pixels = archive.rgba(texture)
        assert pixels.shape == (texture.height, texture.width, 4), texture_format
        assert pixels.dtype == numpy.uint8
        assert pixels.tobytes() == inspect_png(sample_path, texture_id, tmp_path), texture_format


def test_a_palette_id_recolours_as_the_surface_palette_does(archive, sample_path, tmp_path):
    # Surface 0x08000005 colours texture 0x06000014 with its own palette.
    refs = archive.surface(0x08000005).texture_refs
    texture = archive.texture(0x06000014)
    recoloured = archive.rgba(texture, palette_id=refs.orig_palette_id)
    assert recoloured.tobytes() == inspect_png(sample_path, 0x08000005, tmp_path)
    assert recoloured.tobytes() != archive.rgba(texture).tobytes()
    assert bd.dominant_rgb(recoloured) == archive.resolve(0x08000005).rgb
    assert bd.dominant_rgb(recoloured.tobytes()) == archive.resolve(0x08000005).rgb


def test_without_numpy_rgba_is_the_same_bytes(archive, sample_path):
    expected = archive.rgba(archive.texture(0x06000014)).tobytes()
    script = (
        "import sys; sys.modules['numpy'] = None\n"
        "import brackwater_dat as bd\n"
        f"a = bd.Archive({str(sample_path)!r})\n"
        "pixels = a.rgba(a.texture(0x06000014))\n"
        "assert type(pixels) is bytes, type(pixels)\n"
        "sys.stdout.buffer.write(pixels)\n")
    done = subprocess.run([sys.executable, "-c", script], capture_output=True)
    assert done.returncode == 0, done.stderr
    assert done.stdout == expected
