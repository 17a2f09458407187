"""Finds and decodes linear barcodes at any angle, over the native libbcxread.

    >>> import bcxdec
    >>> bcxdec.read("samples/code128.png")
    [Symbol(type='code128', text='Bcxdec-128', raw=b'Bcxdec-128', corners=(...))]

An image is a path, the bytes of an image file, a binary file object, a 2-D
uint8 numpy array or a PIL image. Every read returns a list of Symbol.
"""
import ctypes
import dataclasses
import errno
import operator
import os
import threading
from typing import Iterable, List, Optional, Tuple

from . import _native

__version__ = "0.1.0"

__all__ = [
    "Error", "SettingError", "Reader", "Symbol", "TYPES", "LIBRARY",
    "escape", "read", "read_many", "__version__",
]

#: Where the native library was loaded from.
LIBRARY = _native.path

_lib = _native.lib

#: Symbology names, in the order of the library's identifiers.
TYPES = tuple(_lib.bcx_symbology_name(i).decode("ascii")
              for i in range(_native.SYMBOLOGY_COUNT))

_TYPE_IDS = {name: i for i, name in enumerate(TYPES)}
_CODE128 = _TYPE_IDS["code128"]
_GS1_128 = _TYPE_IDS["gs1-128"]
_MODES = {"exact": _native.MODE_EXACT, "thorough": _native.MODE_THOROUGH}
_THRESHOLD_MODES = {"otsu": -1, "adaptive": -2}

# A read applies every setting, so that options left out mean the same on a
# reused reader as on a new one; these are a new reader's values.
_DEFAULT_THRESHOLD = 128
_DEFAULT_LIMITS = (10.0, 0.5, 8.0)
_DEFAULT_RESOLUTION = 96
_WHOLE_IMAGE = (-1, -1, -1, -1)
_INT_MAX = 2**31 - 1


class Error(Exception):
    """The library refused a read or a setting; the message is its own."""


class SettingError(Error, ValueError):
    """The library refused an option value."""


def escape(raw: bytes) -> str:
    """Bytes as bcxscan prints them: printable ASCII as is, a backslash
    doubled, every other byte as \\xHH."""
    parts = []
    for byte in raw:
        if byte == 0x5C:
            parts.append("\\\\")
        elif 32 <= byte <= 126:
            parts.append(chr(byte))
        else:
            parts.append("\\x%02X" % byte)
    return "".join(parts)


@dataclasses.dataclass(frozen=True)
class Symbol:
    """One decoded symbol.

    type: its symbology name (one of TYPES); text: raw escaped as by
    escape(); raw: the decoded bytes (Code 128's FNC1..FNC4 are 201..204);
    corners: four (x, y) in image pixels, going round the symbol from the
    ends of its first bar to those of its last.
    """
    type: str
    text: str
    raw: bytes
    corners: Tuple[Tuple[int, int], Tuple[int, int], Tuple[int, int], Tuple[int, int]]


@dataclasses.dataclass(frozen=True)
class _Settings:
    enable: int
    report: int
    mode: int
    threshold: int
    limits: Tuple[float, float, float]
    resolution: int
    region: Tuple[int, int, int, int]


def _integer(value, what):
    if isinstance(value, bool):
        raise TypeError("%s must be an integer, not a bool" % what)
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError("%s must be an integer, not %s" % (what, type(value).__name__)) from None


def _parse_types(types):
    if types is None:
        return _native.ALL_TYPES, _native.ALL_TYPES
    if isinstance(types, str):
        types = (types,)
    report = 0
    for name in types:
        if name == "all":
            report |= _native.ALL_TYPES
            continue
        if not isinstance(name, str) or name not in _TYPE_IDS:
            raise ValueError("unknown symbology %r (known: %s, all)" % (name, ", ".join(TYPES)))
        report |= 1 << _TYPE_IDS[name]
    enable = report
    # GS1-128 is read by the Code 128 decoder, whose results are dropped
    # afterwards unless code128 was asked for too (as bcxscan --types does).
    if report & (1 << _GS1_128):
        enable |= 1 << _CODE128
    return enable, report


def _parse_threshold(threshold):
    if threshold is None:
        return _DEFAULT_THRESHOLD
    if isinstance(threshold, str):
        if threshold not in _THRESHOLD_MODES:
            raise ValueError("threshold must be 1..255, 'otsu' or 'adaptive', not %r" % threshold)
        return _THRESHOLD_MODES[threshold]
    level = _integer(threshold, "threshold")
    if not 1 <= level <= 255:
        raise ValueError("threshold must be 1..255, 'otsu' or 'adaptive', not %r" % level)
    return level


def _parse_region(region):
    if region is None:
        return _WHOLE_IMAGE
    values = tuple(region)
    if len(values) != 4:
        raise ValueError("region must be (left, top, right, bottom), got %d values" % len(values))
    values = tuple(_integer(v, "region coordinate") for v in values)
    if any(not -1 <= v <= _INT_MAX for v in values):
        raise ValueError("region coordinates must be pixel positions, got %r" % (values,))
    return values


def _parse_limits(limits):
    if limits is None:
        return _DEFAULT_LIMITS
    values = tuple(limits)
    if len(values) != 3:
        raise ValueError("limits must be (ratio, min_cm, max_cm), got %d values" % len(values))
    try:
        return tuple(float(v) for v in values)
    except (TypeError, ValueError):
        raise TypeError("limits must be numbers, got %r" % (values,)) from None


def _settings(types=None, mode="thorough", threshold=None, region=None, limits=None,
              resolution=None):
    if mode not in _MODES:
        raise ValueError("mode must be 'thorough' or 'exact', not %r" % (mode,))
    enable, report = _parse_types(types)
    if resolution is None:
        resolution = _DEFAULT_RESOLUTION
    resolution = _integer(resolution, "resolution")
    if not 0 < resolution <= _INT_MAX:
        raise ValueError("resolution must be positive pixels per inch, not %r" % resolution)
    return _Settings(enable, report, _MODES[mode], _parse_threshold(threshold),
                     _parse_limits(limits), resolution, _parse_region(region))


def _page(page):
    page = _integer(page, "page")
    if not 0 <= page <= _INT_MAX:
        raise ValueError("page must be 0 or more, not %r" % page)
    return page


class _Pixels:
    """A grey image in memory: pointer, size and row stride, with the
    object that owns the pixels kept alive for the call."""

    def __init__(self, owner, address, width, height, stride):
        if width > _INT_MAX or height > _INT_MAX:
            raise Error("image of %dx%d pixels is too large" % (width, height))
        self.owner, self.address = owner, address
        self.width, self.height, self.stride = width, height, stride


def _from_array(array):
    face = array.__array_interface__
    shape = tuple(face["shape"])
    if len(shape) != 2:
        raise ValueError("a grey image array must be 2-D (height, width), not %d-D of shape %r;"
                         " convert colour images to grey first" % (len(shape), shape))
    if face["typestr"][1:] != "u1":
        raise TypeError("a grey image array must hold uint8, not %s" % face["typestr"])
    height, width = shape
    strides = face.get("strides")
    row, column = (width, 1) if strides is None else strides
    if height == 1:
        row = width  # a lone row's stride is never used, and may be anything
    if width == 1:
        column = 1
    data = face.get("data")
    if isinstance(data, tuple) and column == 1 and row >= width:
        return _Pixels(array, data[0], width, height, row)
    # Negative, zero or non-unit column strides have no row-stride form.
    import numpy
    copy = numpy.ascontiguousarray(array)
    return _Pixels(copy, copy.__array_interface__["data"][0], width, height, width)


def _is_pil(image):
    return all(hasattr(image, name) for name in ("mode", "size", "convert", "tobytes"))


def _from_pil(image):
    grey = image if image.mode == "L" else image.convert("L")
    width, height = grey.size
    data = grey.tobytes()
    return _Pixels(data, ctypes.cast(ctypes.c_char_p(data), ctypes.c_void_p).value,
                   width, height, width)


def _file_bytes(data):
    """A pointer and a size for a bytes-like object, without copying it
    when it is bytes or a writable contiguous buffer."""
    if isinstance(data, bytes):
        return data, data, len(data)
    view = memoryview(data)
    if view.nbytes == 0:
        return None, None, 0
    if view.readonly or not view.c_contiguous:
        copy = view.tobytes()
        return copy, copy, len(copy)
    flat = view.cast("B")
    buffer = (ctypes.c_char * flat.nbytes).from_buffer(flat)
    return buffer, buffer, flat.nbytes


class Reader:
    """One native reader: its settings, buffers and results.

    Options given here are the defaults of every read(); those given to
    read() override them for that read. A reader may be shared between
    threads (reads then take turns); for parallel reads use one reader per
    thread, as read() and read_many() do. Free it with close() or a with
    block.
    """

    def __init__(self, **options):
        _settings(**options)
        self._options = dict(options)
        self._lock = threading.Lock()
        self._handle = _lib.bcx_reader_new()
        if not self._handle:
            raise MemoryError("bcx_reader_new failed")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:
            pass

    def close(self):
        """Frees the native reader; later reads raise Error."""
        lock = getattr(self, "_lock", None)
        if lock is None:
            return
        with lock:
            handle, self._handle = self._handle, None
            if handle:
                _lib.bcx_reader_free(handle)

    @property
    def closed(self):
        return not self._handle

    def read(self, image, *, page=0, **options) -> List[Symbol]:
        """Reads one image; see bcxdec.read for the image kinds and options."""
        settings = _settings(**{**self._options, **options})
        return self._read(image, _page(page), settings)

    @property
    def page_count(self) -> int:
        """Pages of the file last read (1 for single-page formats), 0 when
        the last read was of pixels or failed."""
        with self._lock:
            return _lib.bcx_image_page_count(self._handle) if self._handle else 0

    @property
    def image_size(self) -> Optional[Tuple[int, int]]:
        """(width, height) of the image last read, None before any success."""
        with self._lock:
            width, height = ctypes.c_int(), ctypes.c_int()
            if not self._handle or not _lib.bcx_image_size(self._handle, width, height):
                return None
            return width.value, height.value

    def _live(self):
        if not self._handle:
            raise Error("the reader is closed")
        return self._handle

    def _error(self):
        return _lib.bcx_reader_error(self._handle).decode("utf-8", "replace")

    def _apply(self, s):
        handle = self._handle
        steps = (
            ("types", _lib.bcx_reader_set_types, (s.enable,)),
            ("mode", _lib.bcx_reader_set_mode, (s.mode,)),
            ("threshold", _lib.bcx_reader_set_threshold, (s.threshold,)),
            ("limits", _lib.bcx_reader_set_limits, s.limits),
            ("resolution", _lib.bcx_reader_set_resolution, (s.resolution,)),
            ("region", _lib.bcx_reader_set_region, s.region),
        )
        for name, setter, values in steps:
            if not setter(handle, *values):
                # Read at once: the next call clears the message.
                raise SettingError(self._error() or "%s %r refused" % (name, values))

    def _read(self, image, page, settings):
        # Conversions happen before the lock; the native call itself runs
        # without the GIL.
        if isinstance(image, (str, os.PathLike)):
            path = os.fspath(image)
            if not os.path.exists(path):
                raise FileNotFoundError(errno.ENOENT, os.strerror(errno.ENOENT), path)
            encoded = os.fsencode(path)
            if b"\0" in encoded:
                raise ValueError("path contains a NUL byte")
            call = lambda h: _lib.bcx_read_file(h, encoded, page)  # noqa: E731
        elif isinstance(image, (bytes, bytearray, memoryview)) or hasattr(image, "read"):
            data = image.read() if hasattr(image, "read") else image
            if not isinstance(data, (bytes, bytearray, memoryview)):
                raise TypeError("a file object must be opened in binary mode")
            keep, pointer, size = _file_bytes(data)
            call = lambda h: _lib.bcx_read_memory(h, pointer, size, page)  # noqa: E731
        elif _is_pil(image) or hasattr(image, "__array_interface__"):
            if page != 0:
                raise ValueError("page applies to image files, not to pixels in memory")
            pixels = _from_pil(image) if _is_pil(image) else _from_array(image)
            call = lambda h: _lib.bcx_read_gray(  # noqa: E731
                h, pixels.address, pixels.width, pixels.height, pixels.stride)
        else:
            raise TypeError("cannot read a %s: give a path, bytes of an image file, a binary"
                            " file, a 2-D uint8 numpy array or a PIL image"
                            % type(image).__name__)
        with self._lock:
            handle = self._live()
            self._apply(settings)
            count = call(handle)
            if count < 0:
                raise Error(self._error() or "read failed")
            return self._results(count, settings.report)

    def _results(self, count, report):
        handle = self._handle
        symbols = []
        text = ctypes.c_void_p()
        xy = (ctypes.c_int32 * 8)()
        for i in range(count):
            kind = _lib.bcx_result_type(handle, i)
            if not 0 <= kind < len(TYPES) or not report & (1 << kind):
                continue
            size = _lib.bcx_result_text(handle, i, ctypes.byref(text))
            raw = ctypes.string_at(text.value, size) if size else b""
            _lib.bcx_result_corners(handle, i, xy)
            corners = tuple((xy[2 * k], xy[2 * k + 1]) for k in range(4))
            symbols.append(Symbol(TYPES[kind], escape(raw), raw, corners))
        return symbols


_local = threading.local()


def _thread_reader():
    reader = getattr(_local, "reader", None)
    if reader is None:
        reader = _local.reader = Reader()
    return reader


def read(image, *, types: Optional[Iterable[str]] = None, mode: str = "thorough",
         threshold=None, page: int = 0, region: Optional[Tuple[int, int, int, int]] = None,
         limits: Optional[Tuple[float, float, float]] = None,
         resolution: Optional[int] = None) -> List[Symbol]:
    """Reads the barcodes of one image.

    image: a path (str or os.PathLike), bytes / bytearray / memoryview of an
    image file (PNG, JPEG, TIFF, BMP, PNM, GIF, WebP), a binary file object,
    a 2-D uint8 numpy array (any strides) or a PIL image (read as grey).
    types: names from TYPES (or "all"); None reads every symbology.
    mode: "thorough" (tolerant of real scans) or "exact".
    threshold: 1..255 (darker than this is a bar; None is 128), "otsu" or
    "adaptive". page: page of a TIFF or frame of a GIF, from 0.
    region: (left, top, right, bottom), inclusive, inside the image; the
    corners stay in image coordinates. limits: (ratio, min_cm, max_cm)
    bounding a symbol, in cm at `resolution` pixels per inch (None is 96).

    Raises FileNotFoundError for a missing path, ValueError / TypeError for
    a bad option or array, Error when the library refuses the image.
    """
    settings = _settings(types, mode, threshold, region, limits, resolution)
    return _thread_reader()._read(image, _page(page), settings)


def read_many(images: Iterable, *, threads: Optional[int] = None,
              return_exceptions: bool = False, page: int = 0, **options) -> List:
    """Reads many images in parallel, one reader per worker thread.

    Returns one list of Symbol per image, in input order. threads: worker
    count, None for os.cpu_count(). A failure is raised (the first one in
    input order) unless return_exceptions is true, when the exception takes
    that image's place in the result. Options are those of read().
    """
    settings = _settings(**options)
    page = _page(page)
    items = list(images)
    if threads is None:
        threads = os.cpu_count() or 1
    threads = _integer(threads, "threads")
    if threads < 1:
        raise ValueError("threads must be 1 or more, not %d" % threads)

    def one(image):
        try:
            return _thread_reader()._read(image, page, settings)
        except Exception as error:
            if return_exceptions:
                return error
            raise

    workers = min(threads, len(items))
    if workers <= 1:
        return [one(image) for image in items]
    from concurrent.futures import ThreadPoolExecutor
    pool = ThreadPoolExecutor(max_workers=workers, thread_name_prefix="bcxdec")
    try:
        return list(pool.map(one, items))
    finally:
        pool.shutdown(wait=True, cancel_futures=True)
