"""Objects made in ways the module did not intend raise; they never reach C++."""

import concurrent.futures
import inspect

import brackwater_dat as bd
import pytest

MADE_BY_THE_MODULE = [bd.Header, bd.FileEntry, bd.TextureRefs, bd.Surface, bd.SurfaceTexture,
                      bd.Palette, bd.Texture, bd.SurfaceColor, bd.PixelFormat, bd._native._RgbaPixels]


@pytest.mark.parametrize("cls", MADE_BY_THE_MODULE, ids=lambda cls: cls.__name__)
def test_classes_python_cannot_create(cls):
    for make in [lambda: cls.__new__(cls), lambda: cls(), lambda: object.__new__(cls)]:
        with pytest.raises(TypeError):
            make()


def archive_calls(a):
    """Every method and property of an Archive, called with valid arguments."""
    return [lambda: len(a), lambda: 0x06000014 in a, lambda: a.header, lambda: a.ids(),
            lambda: a.ids(8), lambda: a.entry(0x06000014), lambda: a.read(0x06000014),
            lambda: a.surface(0x08000005), lambda: a.surface_texture(0x05000005),
            lambda: a.texture(0x06000014), lambda: a.palette(0x04000007),
            lambda: a.rgba(bd.Texture.unpack(bytes(24))), lambda: a.resolve(0x08000005),
            lambda: a.survey(1), lambda: a.read_limit, lambda: setattr(a, "read_limit", None),
            lambda: a.close(), lambda: a.__enter__(), lambda: a.__exit__(None, None, None)]


def test_an_archive_made_without_init_raises_on_every_call(sample_path):
    a = bd.Archive.__new__(bd.Archive)
    calls = archive_calls(a)
    assert len(calls) >= len([n for n, _ in inspect.getmembers(bd.Archive) if n[0] != "_"])
    for call in calls:
        with pytest.raises(TypeError, match="__init__"):
            call()
    # Opened late, it is an archive like any other.
    a.__init__(sample_path)
    assert len(a) == 1104


def test_a_second_init_is_refused(sample_path, tmp_path):
    a = bd.Archive(sample_path)
    with pytest.raises(TypeError, match="already opened"):
        a.__init__(tmp_path / "other.dat")
    with pytest.raises(TypeError):
        bd.Archive.__init__(5, sample_path)
    assert len(a) == 1104


def test_a_closed_archive_raises_value_error(sample_path):
    a = bd.Archive(sample_path)
    a.close()
    for call in archive_calls(a)[:14]:
        with pytest.raises(ValueError, match="closed archive"):
            call()


def test_a_bool_is_no_file_id(archive):
    for call in [lambda i: archive.read(i), lambda i: i in archive, lambda i: archive.entry(i),
                 lambda i: archive.resolve(i), lambda i: archive.surface(i),
                 lambda i: archive.rgba(archive.texture(0x06000014), palette_id=i)]:
        with pytest.raises(TypeError, match="not a bool"):
            call(True)


def test_threads_opening_one_archive_at_once_open_it_once(sample_path):
    a = bd.Archive.__new__(bd.Archive)
    with concurrent.futures.ThreadPoolExecutor(8) as pool:
        outcomes = list(pool.map(lambda _: call_outcome(lambda: a.__init__(sample_path)), range(32)))
    assert outcomes.count(None) == 1 and len(a) == 1104


def call_outcome(call):
    try:
        call()
    except TypeError as e:
        return e
