"""Every refusal is a Python exception; nothing reaches the interpreter."""
import io
import pathlib
import random

import numpy
import pytest

import bcxdec
from conftest import SAMPLES

CODE128 = SAMPLES / "code128.png"


@pytest.mark.parametrize("path", ["no/such/file.png", pathlib.Path("no-such.tif")])
def test_missing_file(path):
    with pytest.raises(FileNotFoundError) as caught:
        bcxdec.read(path)
    assert caught.value.filename == str(path)


def test_folder_is_no_image():
    with pytest.raises(bcxdec.Error, match="not a readable image"):
        bcxdec.read(SAMPLES)


def test_empty_bytes():
    for empty in (b"", bytearray(), memoryview(b"")):
        with pytest.raises(bcxdec.Error, match="no image bytes"):
            bcxdec.read(empty)


@pytest.mark.parametrize("data", [b"garbage", b"\x89PNG\r\n\x1a\n" + b"\0" * 64,
                                  CODE128.read_bytes()[:60], b"II*\0" + b"\xff" * 40],
                         ids=["text", "png-signature", "truncated-png", "tiff-signature"])
def test_garbage_bytes(data):
    with pytest.raises(bcxdec.Error, match="not a readable image"):
        bcxdec.read(data)


def test_mutated_files_never_crash():
    rng = random.Random(20261209)
    originals = [p.read_bytes() for p in (CODE128, SAMPLES / "three-pages.tif")]
    for _ in range(150):
        data = bytearray(rng.choice(originals))
        for _ in range(rng.randint(1, 8)):
            data[rng.randrange(len(data))] = rng.randrange(256)
        if rng.random() < 0.3:
            del data[rng.randrange(len(data)):]
        try:
            symbols = bcxdec.read(bytes(data), page=rng.choice([0, 0, 1, 5]))
        except bcxdec.Error as error:
            assert str(error)
        else:
            assert all(isinstance(s, bcxdec.Symbol) for s in symbols)


def test_page_out_of_range():
    with pytest.raises(bcxdec.Error, match="no page 3"):
        bcxdec.read(SAMPLES / "three-pages.tif", page=3)
    with pytest.raises(ValueError):
        bcxdec.read(CODE128, page=-1)


@pytest.mark.parametrize("dtype", [numpy.float32, numpy.uint16, numpy.int8, bool])
def test_wrong_dtype(dtype):
    with pytest.raises(TypeError, match="uint8"):
        bcxdec.read(numpy.zeros((20, 30), dtype=dtype))


@pytest.mark.parametrize("shape", [(30,), (20, 30, 3), (20, 30, 1), ()])
def test_wrong_ndim(shape):
    with pytest.raises(ValueError, match="2-D"):
        bcxdec.read(numpy.zeros(shape, dtype=numpy.uint8))


def test_empty_array():
    with pytest.raises(bcxdec.Error):
        bcxdec.read(numpy.zeros((0, 10), dtype=numpy.uint8))


@pytest.mark.parametrize("types", [["code93"], ["Code128"], "qr", [128], ["code128", None]])
def test_bad_type_name(types):
    with pytest.raises(ValueError, match="unknown symbology"):
        bcxdec.read(CODE128, types=types)


@pytest.mark.parametrize("mode", ["fast", "Exact", None, 1])
def test_bad_mode(mode):
    with pytest.raises(ValueError, match="mode"):
        bcxdec.read(CODE128, mode=mode)


@pytest.mark.parametrize("threshold, error", [
    (0, ValueError), (256, ValueError), (-1, ValueError), ("median", ValueError),
    (1.5, TypeError), (True, TypeError), ([128], TypeError)])
def test_bad_threshold(threshold, error):
    with pytest.raises(error, match="threshold"):
        bcxdec.read(CODE128, threshold=threshold)


def test_numpy_integers_are_integers():
    assert len(bcxdec.read(CODE128, threshold=numpy.uint8(128), page=numpy.int64(0))) == 1


def test_region_the_library_refuses():
    with pytest.raises(bcxdec.SettingError, match="left < right") as caught:
        bcxdec.read(CODE128, region=(50, 5, 10, 90))
    assert isinstance(caught.value, bcxdec.Error) and isinstance(caught.value, ValueError)
    with pytest.raises(bcxdec.Error, match="does not fit"):
        bcxdec.read(CODE128, region=(0, 0, 2000, 90))
    with pytest.raises(ValueError):
        bcxdec.read(CODE128, region=(0, 0, 10))
    with pytest.raises(TypeError):
        bcxdec.read(CODE128, region=(0, 0, 10.5, 20))


@pytest.mark.parametrize("limits", [(10, 5, 1), (10, -1, 2), (10, float("nan"), 2)])
def test_limits_the_library_refuses(limits):
    with pytest.raises(bcxdec.SettingError, match="limits"):
        bcxdec.read(CODE128, limits=limits)


def test_bad_resolution():
    with pytest.raises(bcxdec.SettingError, match="resolution"):
        bcxdec.read(CODE128, resolution=20000)
    with pytest.raises(ValueError):
        bcxdec.read(CODE128, resolution=0)


def test_unknown_option():
    with pytest.raises(TypeError):
        bcxdec.read(CODE128, colour="red")
    with pytest.raises(TypeError):
        bcxdec.Reader(colour="red")


@pytest.mark.parametrize("image", [42, None, [[0, 255]], io.StringIO("text")])
def test_not_an_image(image):
    with pytest.raises(TypeError):
        bcxdec.read(image)


def test_reader_usable_after_failures():
    with bcxdec.Reader() as reader:
        with pytest.raises(bcxdec.Error):
            reader.read(b"garbage")
        with pytest.raises(bcxdec.SettingError):
            reader.read(CODE128, region=(9, 9, 1, 1))
        assert len(reader.read(CODE128)) == 1


def test_closed_reader():
    reader = bcxdec.Reader()
    reader.close()
    reader.close()
    with pytest.raises(bcxdec.Error, match="closed"):
        reader.read(CODE128)
    assert reader.page_count == 0 and reader.image_size is None
