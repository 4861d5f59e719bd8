"""Each failure raises its exception with the library's own text."""

import struct

import brackwater_dat as bd
import pytest

from conftest import run, tool

P8_TEXTURE = 0x06000014
R5G6B5_TEXTURE = 0x060000D0

# (what to do with the sample archive `a`, exception, its text)
FAILURES = [
    (lambda a: a.read(0x0600FFFF), bd.DatError, "File ID 0600FFFF not found in provider"),
    (lambda a: a.texture(0x0600FFFF), bd.DatError, "File ID 0600FFFF not found in provider"),
    (lambda a: a.rgba(a.texture(P8_TEXTURE), palette_id=0x04FFFFFF), bd.TextureDecodeError,
     "palette fetch failed: 0x04FFFFFF: File ID 04FFFFFF not found in provider"),
    (lambda a: a.rgba(a.texture(P8_TEXTURE), palette_id=0x04000100), bd.TextureDecodeError,
     "pixel index out of palette range"),
    (lambda a: a.rgba(a.texture(R5G6B5_TEXTURE)), bd.TextureDecodeError,
     "unsupported pixel format: R5G6B5"),
    (lambda a: a.resolve(0x0800000A), bd.ResolveError, "File ID 0500000A not found in provider"),
    (lambda a: a.resolve(0x0800001F), bd.ResolveError, "SurfaceTexture has no mips"),
    (lambda a: a.resolve(0x08000073), bd.ResolveError, "pixel index out of palette range"),
    (lambda a: a.resolve(0x0800005E), bd.ResolveError,
     "palette fetch failed: 0x04000F00: File ID 04000F00 not found in provider"),
    (lambda a: a.entry(0x0600FFFF), KeyError, "100728831"),
    (lambda a: a.ids(0x100), ValueError, "top_byte must be from 0 to 255"),
]


@pytest.mark.parametrize("action, exception, text", FAILURES)
def test_failures_raise_the_library_text(archive, action, exception, text):
    with pytest.raises(exception) as raised:
        action(archive)
    assert str(raised.value).strip("'") == text
    if exception is not KeyError and exception is not ValueError:
        assert isinstance(raised.value, bd.Error)


def test_a_missing_archive_says_where(tmp_path):
    missing = tmp_path / "missing.dat"
    with pytest.raises(bd.DatError) as raised:
        bd.Archive(missing)
    assert str(raised.value) == (
        f"Failed to open file at {missing}: No such file or directory (os error 2)")


# (parse, bytes, innermost cause, fields being read, innermost first)
TRUNCATED = [
    (bd.Surface.unpack, struct.pack("<II", 4, 0x05000001), "failed to fill whole buffer",
     ("While parsing field 'orig_palette_id' in TextureRefs",
      "While parsing field 'texture_refs' in Surface")),
    (bd.SurfaceTexture.unpack, b"\x01\x00", "failed to fill whole buffer",
     ("While parsing field 'id' in SurfaceTexture",)),
    (bd.Palette.unpack, struct.pack("<Ii", 1, -1), "count -1 out of range of usize at 0x8",
     ("While parsing field 'colors' in Palette",)),
    (bd.Palette.unpack, bytearray(struct.pack("<Ii", 1, 5)), "failed to fill whole buffer",
     ("While parsing field 'colors' in Palette",)),
]


@pytest.mark.parametrize("parse, data, cause, frames", TRUNCATED)
def test_truncated_records_raise_read_errors_with_their_frames(parse, data, cause, frames):
    with pytest.raises(bd.ReadError) as raised:
        parse(data)
    assert raised.value.cause == cause
    assert raised.value.frames == frames
    assert str(raised.value) == f"{cause}, w{frames[0][1:]}"
    # The library's framed text: the cause, then every field, innermost first.
    text = raised.value.message
    assert f"Error: {cause}" in text
    assert [text.index(frame) for frame in frames] == sorted(text.index(f) for f in frames)
    assert raised.value.causes == ()


def test_a_truncated_record_in_the_archive(archive):
    with pytest.raises(bd.ReadError) as raised:
        archive.surface(0x08000088)
    assert raised.value.frames[0] == "While parsing field 'orig_palette_id' in TextureRefs"
    with pytest.raises(bd.ResolveError) as resolved:
        archive.resolve(0x08000088)
    assert str(resolved.value) == str(raised.value)


def test_a_truncated_texture_is_a_dat_error():
    with pytest.raises(bd.DatError) as raised:
        bd.Texture.unpack(struct.pack("<IIi", 0x06000001, 0, 4))
    assert str(raised.value) == (
        "Binary read error: failed to fill whole buffer, while parsing field 'height' in Texture")
    assert raised.value.message.startswith("Binary read error: \n")
    # Below it, the read error's own framed text, as the tools print it.
    assert raised.value.causes == (raised.value.message[len("Binary read error: "):],)


def test_a_closed_archive_refuses_reads(sample_path):
    archive = bd.Archive(sample_path)
    archive.close()
    with pytest.raises(ValueError, match="closed archive"):
        archive.read(0x06000014)


def test_every_failed_resolve_explains_itself_in_one_plain_line(archive, sample_path):
    failures = {}
    for surface_id in archive.ids(0x08):
        try:
            archive.resolve(surface_id)
        except bd.ResolveError as e:
            failures[surface_id] = e
    assert len(failures) == 14
    for surface_id, e in failures.items():
        assert e.surface_id == surface_id
        assert e.message == f"surface 0x{surface_id:08X} does not resolve"
        assert e.causes and e.causes[0]
        assert "\n" not in str(e) and "\x1b" not in str(e)
    # The line is the one portal-inspect prints for the same surface.
    listed = run(tool("portal-inspect"), str(sample_path), "errors", "--ids")
    assert listed == "".join(f"0x{i:08X}\t{e}\n" for i, e in sorted(failures.items()))


def test_a_missing_archive_keeps_the_system_error_below(tmp_path):
    with pytest.raises(bd.DatError) as raised:
        bd.Archive(tmp_path / "missing.dat")
    assert raised.value.message == str(raised.value)
    assert raised.value.causes == ("No such file or directory (os error 2)",)
