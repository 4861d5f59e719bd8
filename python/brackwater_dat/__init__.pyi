"""Reads a game client's portal DAT archive: its files, Surface, SurfaceTexture, Palette and
Texture records, textures as RGBA8, and the surface colours tintsurvey computes."""

import os

import numpy
from types import TracebackType
from typing import ClassVar, NamedTuple, Optional, Union

# Anything with the buffer protocol holding bytes in one contiguous run.
_Buffer = Union[bytes, bytearray, memoryview, numpy.ndarray]
_Rgb = tuple[int, int, int]

class Error(Exception):
    """Base of every error this module raises. str() is one plain line."""
    # The library's full text, framed with terminal marks for a record error.
    message: str
    # The texts below `message`, outermost first, as the tools print them.
    causes: tuple[str, ...]

class DatError(Error):
    """An archive operation failed, or a Texture record did not parse."""

class ReadLimitError(DatError):
    """The archive's reads reached its read limit; every later read fails too."""

class ReadError(Error):
    """A record did not parse."""
    cause: str
    frames: tuple[str, ...]

class TextureDecodeError(Error):
    """A texture could not be converted to RGBA8."""

class ResolveError(Error):
    """A surface did not resolve to a colour."""
    surface_id: int

class ReadLimit(NamedTuple):
    """A bound on what an Archive's reads may gather."""
    bytes: int
    blocks: int

class PixelFormat:
    Unknown: ClassVar[PixelFormat]
    R8G8B8: ClassVar[PixelFormat]
    A8R8G8B8: ClassVar[PixelFormat]
    R5G6B5: ClassVar[PixelFormat]
    A4R4G4B4: ClassVar[PixelFormat]
    A8: ClassVar[PixelFormat]
    P8: ClassVar[PixelFormat]
    Index16: ClassVar[PixelFormat]
    CustomLscapeR8G8B8: ClassVar[PixelFormat]
    CustomLscapeAlpha: ClassVar[PixelFormat]
    Dxt1: ClassVar[PixelFormat]
    Dxt3: ClassVar[PixelFormat]
    Dxt5: ClassVar[PixelFormat]
    @staticmethod
    def from_code(code: int) -> PixelFormat: ...
    @property
    def code(self) -> int: ...
    @property
    def paletted(self) -> bool: ...
    def __eq__(self, other: object) -> bool: ...
    def __hash__(self) -> int: ...

class Header:
    magic: int
    block_size: int
    file_size: int
    dataset: int
    subset: int
    free_head: int
    free_tail: int
    free_count: int
    root_offset: int
    new_lru: int
    old_lru: int
    use_lru: int
    master_map_id: int
    engine_version: int
    game_version: int
    version_string: bytes
    version_minor: int

class FileEntry:
    bit_flags: int
    id: int
    offset: int
    size: int
    timestamp: int
    version: int
    compressed: bool

class TextureRefs:
    orig_texture_id: int
    orig_palette_id: int

class Surface:
    surface_type: int
    texture_refs: Optional[TextureRefs]
    color_value: Optional[int]
    translucency: int
    luminosity: int
    diffuse: int
    @staticmethod
    def unpack(data: _Buffer) -> Surface: ...

class SurfaceTexture:
    id: int
    unknown_int: int
    unknown_byte: int
    textures: list[int]
    @staticmethod
    def unpack(data: _Buffer) -> SurfaceTexture: ...

class Palette:
    id: int
    colors: list[int]
    @staticmethod
    def unpack(data: _Buffer) -> Palette: ...

class Texture:
    id: int
    unknown: int
    width: int
    height: int
    format: PixelFormat
    format_raw: int
    length: int
    source_data: bytes
    default_palette_id: Optional[int]
    @staticmethod
    def unpack(data: _Buffer) -> Texture: ...

class SurfaceColor:
    rgb: _Rgb
    solid: bool

class Archive:
    # read_limit: by default what a survey of the archive may read; None: no bound.
    def __init__(
        self,
        path: Union[str, os.PathLike[str]],
        *,
        read_limit: Optional[Union[ReadLimit, tuple[int, int]]] = ...,
    ) -> None: ...
    def close(self) -> None: ...
    def __enter__(self) -> Archive: ...
    def __exit__(
        self,
        exc_type: Optional[type[BaseException]],
        exc: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> None: ...
    # What reads may still gather; None when unbounded. Setting starts a new limit.
    @property
    def read_limit(self) -> Optional[ReadLimit]: ...
    @read_limit.setter
    def read_limit(self, limit: Optional[Union[ReadLimit, tuple[int, int]]]) -> None: ...
    @property
    def header(self) -> Header: ...
    def __len__(self) -> int: ...
    def __contains__(self, id: int) -> bool: ...
    def ids(self, top_byte: Optional[int] = None) -> list[int]: ...
    def entry(self, id: int) -> FileEntry: ...
    def read(self, id: int) -> bytes: ...
    def surface(self, id: int) -> Surface: ...
    def surface_texture(self, id: int) -> SurfaceTexture: ...
    def texture(self, id: int) -> Texture: ...
    def palette(self, id: int) -> Palette: ...
    # A (height, width, 4) uint8 numpy array; bytes when numpy is not installed.
    def rgba(self, texture: Texture, palette_id: Optional[int] = None) -> Union[numpy.ndarray, bytes]: ...
    def resolve(self, surface_id: int) -> SurfaceColor: ...
    def survey(self, limit: int = 0) -> dict[int, _Rgb]: ...

def decompress_lrs(data: _Buffer) -> bytes: ...
def dominant_rgb(rgba: _Buffer) -> _Rgb: ...
