"""Finds libbcxread and declares its functions for ctypes.

Plain ctypes.CDLL calls release the GIL, which is what lets read_many run
readers in parallel threads.
"""
import ctypes
import glob
import os

_HERE = os.path.dirname(os.path.abspath(__file__))
ENV_VAR = "BCXDEC_LIBRARY"


def _bundled(name):
    # Shortest name first: a plain libX.so, if present, before versioned ones.
    found = sorted(glob.glob(os.path.join(_HERE, "lib%s.so*" % name)), key=len)
    return found[0] if found else None


def _locate():
    bundled = _bundled("bcxread")
    if bundled:
        return bundled
    from_env = os.environ.get(ENV_VAR)
    if from_env:
        if not os.path.isfile(from_env):
            raise ImportError(
                "bcxdec: %s=%s names no file; point it at a built libbcxread.so"
                % (ENV_VAR, from_env))
        return from_env
    raise ImportError(
        "bcxdec: the native library libbcxread is missing: it is neither in the "
        "package folder %s nor named by the environment variable %s. Install the "
        "package with pip (its build compiles the library), or build the CMake "
        "target bcxread and set %s to the path of libbcxread.so."
        % (_HERE, ENV_VAR, ENV_VAR))


def _load():
    path = _locate()
    # The bundled provider library is loaded first, so that libbcxread's need
    # for it is met by soname even if its run path were ever lost.
    keep = []
    if os.path.dirname(os.path.abspath(path)) == _HERE:
        rastra = _bundled("rastra")
        if rastra:
            keep.append(ctypes.CDLL(rastra))
    try:
        lib = ctypes.CDLL(path)
    except OSError as error:
        raise ImportError("bcxdec: cannot load %s: %s" % (path, error)) from None
    lib._bcxdec_keep = keep
    return path, lib


def _declare(lib):
    c_int, c_ptr, c_size = ctypes.c_int, ctypes.c_void_p, ctypes.c_size_t
    table = {
        "bcx_reader_new": (c_ptr, []),
        "bcx_reader_free": (None, [c_ptr]),
        "bcx_reader_set_mode": (c_int, [c_ptr, c_int]),
        "bcx_reader_set_types": (c_int, [c_ptr, ctypes.c_uint32]),
        "bcx_reader_set_threshold": (c_int, [c_ptr, c_int]),
        "bcx_reader_set_limits": (c_int, [c_ptr, ctypes.c_double, ctypes.c_double,
                                          ctypes.c_double]),
        "bcx_reader_set_resolution": (c_int, [c_ptr, c_int]),
        "bcx_reader_set_region": (c_int, [c_ptr, c_int, c_int, c_int, c_int]),
        "bcx_read_gray": (c_int, [c_ptr, c_ptr, c_int, c_int, ctypes.c_ssize_t]),
        "bcx_read_file": (c_int, [c_ptr, ctypes.c_char_p, c_int]),
        "bcx_read_memory": (c_int, [c_ptr, c_ptr, c_size, c_int]),
        "bcx_image_page_count": (c_int, [c_ptr]),
        "bcx_image_size": (c_int, [c_ptr, ctypes.POINTER(c_int), ctypes.POINTER(c_int)]),
        "bcx_result_count": (c_int, [c_ptr]),
        "bcx_result_type": (c_int, [c_ptr, c_int]),
        "bcx_result_text": (c_size, [c_ptr, c_int, ctypes.POINTER(c_ptr)]),
        "bcx_result_corners": (c_int, [c_ptr, c_int, ctypes.POINTER(ctypes.c_int32)]),
        "bcx_reader_error": (ctypes.c_char_p, [c_ptr]),
        "bcx_symbology_name": (ctypes.c_char_p, [c_int]),
        "bcx_symbology_from_name": (c_int, [ctypes.c_char_p]),
    }
    for name, (restype, argtypes) in table.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes


path, lib = _load()
_declare(lib)

MODE_EXACT = 0
MODE_THOROUGH = 1
ALL_TYPES = 0xFF
SYMBOLOGY_COUNT = 8
