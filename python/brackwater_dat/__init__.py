"""Reads a game client's portal DAT archive: its files, Surface, SurfaceTexture, Palette and
Texture records, textures as RGBA8, and the surface colours tintsurvey computes."""

try:
    from ._native import *  # noqa: F401,F403
except ImportError as failure:
    # An interpreter other than the one the extension was built for finds
    # this package but no extension it can load: say which one it needs.
    import importlib.machinery
    import sys

    try:
        from ._built_for import EXTENSION, INTERPRETER, VERSION
    except ImportError:
        raise failure from None
    if EXTENSION[EXTENSION.index("."):] in importlib.machinery.EXTENSION_SUFFIXES:
        raise
    raise ImportError(
        f"brackwater_dat was built for {INTERPRETER} (Python {VERSION}, extension {EXTENSION}); "
        f"this interpreter, {sys.executable} (Python {sys.version.split()[0]}), cannot load it. "
        f"Run {INTERPRETER}, or build the module for this interpreter "
        f"(cmake -DPython3_EXECUTABLE={sys.executable}, or pip install with it).",
        name=__name__,
    ) from failure
