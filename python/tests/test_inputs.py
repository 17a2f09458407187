"""Every kind of image a caller may hand over reads the same symbol."""
import io
import pathlib

import numpy
import pytest
from PIL import Image

import bcxdec
from conftest import SAMPLES, expected_samples

CORNERS = ((30, 15), (30, 89), (459, 89), (459, 15))


def only_symbol(symbols):
    assert len(symbols) == 1, symbols
    return symbols[0]


@pytest.mark.parametrize("name, page, kind, text", expected_samples())
def test_every_sample_reads_as_listed(name, page, kind, text):
    symbol = only_symbol(bcxdec.read(SAMPLES / name, page=page))
    assert (symbol.type, symbol.text) == (kind, text)
    assert symbol.raw == text.encode("ascii")


def test_sample_without_barcode_reads_nothing():
    assert bcxdec.read(SAMPLES / "no-barcode.png") == []


def test_symbol_fields(code128_png):
    symbol = only_symbol(bcxdec.read(str(code128_png)))
    assert symbol == bcxdec.Symbol("code128", "Bcxdec-128", b"Bcxdec-128", CORNERS)
    with pytest.raises(AttributeError):
        symbol.text = "changed"
    assert all(isinstance(c, int) for corner in symbol.corners for c in corner)


@pytest.mark.parametrize("as_path", [str, pathlib.Path, lambda p: str(p).encode()],
                         ids=["str", "Path", "bytes-path-is-data"])
def test_paths(code128_png, as_path):
    path = as_path(code128_png)
    if isinstance(path, bytes):
        # bytes are always the contents of an image file, never a path
        with pytest.raises(bcxdec.Error):
            bcxdec.read(path)
    else:
        assert only_symbol(bcxdec.read(path)).corners == CORNERS


@pytest.mark.parametrize("wrap", [bytes, bytearray, memoryview,
                                  lambda b: memoryview(bytearray(b)),
                                  lambda b: memoryview(b"xx" + b)[2:],
                                  io.BytesIO],
                         ids=["bytes", "bytearray", "memoryview", "writable-memoryview",
                              "memoryview-slice", "file-object"])
def test_file_bytes(code128_png, wrap):
    data = wrap(code128_png.read_bytes())
    assert only_symbol(bcxdec.read(data)).corners == CORNERS


def test_open_binary_file(code128_png):
    with open(code128_png, "rb") as f:
        assert only_symbol(bcxdec.read(f)).text == "Bcxdec-128"


def test_bytes_of_a_later_page():
    data = (SAMPLES / "three-pages.tif").read_bytes()
    assert only_symbol(bcxdec.read(data, page=1)).text == "BCX-39 SAMPLE"


def test_contiguous_array(grey):
    assert grey.flags.c_contiguous
    assert only_symbol(bcxdec.read(grey)).corners == CORNERS


def test_read_only_array(grey):
    frozen = grey.copy()
    frozen.setflags(write=False)
    assert only_symbol(bcxdec.read(frozen)).corners == CORNERS


def test_slice_of_a_larger_array_reads_in_place(grey):
    height, width = grey.shape
    canvas = numpy.full((height + 70, width + 90), 255, dtype=numpy.uint8)
    canvas[40:40 + height, 50:50 + width] = grey
    view = canvas[40:40 + height, 50:50 + width]
    assert view.strides == (width + 90, 1) and not view.flags.c_contiguous
    assert only_symbol(bcxdec.read(view)).corners == CORNERS
    whole = only_symbol(bcxdec.read(canvas))
    assert whole.text == "Bcxdec-128"


@pytest.mark.parametrize("make", [
    lambda a: numpy.repeat(a, 2, axis=1)[:, ::2],  # column stride 2
    lambda a: numpy.asfortranarray(a),             # column stride = height
    lambda a: a[::-1, ::-1][::-1, ::-1],           # negative twice: positive again
], ids=["column-stride-2", "fortran-order", "double-flip"])
def test_arrays_needing_or_not_a_copy_read_the_same(grey, make):
    array = make(grey)
    assert numpy.array_equal(array, grey)
    assert only_symbol(bcxdec.read(array)).corners == CORNERS


def test_negative_strides_read_the_turned_image(grey):
    turned = grey[::-1, ::-1]
    assert turned.strides[0] < 0 and turned.strides[1] < 0
    symbol = only_symbol(bcxdec.read(turned))
    assert symbol == only_symbol(bcxdec.read(numpy.ascontiguousarray(turned)))
    assert symbol.text == "Bcxdec-128"


def test_broadcast_rows(grey):
    row = grey[grey.shape[0] // 2]
    tall = numpy.broadcast_to(row, (90, row.size))
    assert tall.strides[0] == 0
    assert only_symbol(bcxdec.read(tall)).text == "Bcxdec-128"


@pytest.mark.parametrize("mode", ["L", "RGB", "RGBA", "P", "1", "LA"])
def test_pil_images_of_any_mode(code128_png, mode):
    with Image.open(code128_png) as image:
        converted = image.convert(mode)
    assert only_symbol(bcxdec.read(converted)).corners == CORNERS


def test_pil_image_from_zint_palette(zint):
    with Image.open(zint(20, "Hello")) as image:
        assert image.mode != "L"
        assert only_symbol(bcxdec.read(image)).text == "Hello"


def test_pixels_have_no_pages(grey):
    with pytest.raises(ValueError, match="page"):
        bcxdec.read(grey, page=1)
