"""Symbology choice, modes, threshold, region, limits and resolution."""
import pytest

import bcxdec
from conftest import SAMPLES

CODE128 = SAMPLES / "code128.png"
GS1 = SAMPLES / "gs1-128.png"


def texts(symbols):
    return [(s.type, s.text) for s in symbols]


def test_type_names_are_the_library_names():
    assert bcxdec.TYPES == ("code39", "code128", "gs1-128", "ean13", "ean8", "upca", "upce",
                            "itf")


@pytest.mark.parametrize("barcode, data, options, types, expected", [
    (20, "Hello", (), None, [("code128", "Hello")]),
    (8, "CODE39 TEST", (), None, [("code39", "CODE39 TEST")]),
    (13, "590123412345", (), None, [("ean13", "590123412345")]),
    (13, "9638507", (), None, [("ean8", "9638507")]),
    (16, "[01]12345678901231", ("--gs1",), None, [("gs1-128", "0112345678901231")]),
])
def test_zint_symbols(zint, barcode, data, options, types, expected):
    image = zint(barcode, data, *options)
    for mode in ("thorough", "exact"):
        assert texts(bcxdec.read(image, mode=mode, types=types)) == expected


@pytest.mark.parametrize("barcode, data, kind", [(34, "03600029145", "upca"),
                                                 (37, "1234565", "upce")])
def test_upc_symbols_when_asked_for(zint, barcode, data, kind):
    symbols = bcxdec.read(zint(barcode, data), types=[kind])
    assert [s.type for s in symbols] == [kind]
    assert symbols[0].text.isdigit()


def test_types_filter():
    assert bcxdec.read(CODE128, types=["code39", "ean13"]) == []
    assert texts(bcxdec.read(CODE128, types=("code128",))) == [("code128", "Bcxdec-128")]
    assert texts(bcxdec.read(CODE128, types="code128")) == [("code128", "Bcxdec-128")]
    assert texts(bcxdec.read(CODE128, types={"all"})) == [("code128", "Bcxdec-128")]
    assert bcxdec.read(CODE128, types=[]) == []


def test_gs1_128_alone_still_reads_through_code128_but_drops_plain_code128():
    assert texts(bcxdec.read(GS1, types=["gs1-128"])) == [("gs1-128", "010950110153000310ABC123")]
    assert bcxdec.read(CODE128, types=["gs1-128"]) == []
    assert texts(bcxdec.read(CODE128, types=["gs1-128", "code128"])) == [
        ("code128", "Bcxdec-128")]


def test_gs1_128_read_as_code128_keeps_its_fnc1():
    symbol, = bcxdec.read(GS1, types=["code128"])
    assert symbol.type == "code128"
    assert symbol.raw == b"\xc9010950110153000310ABC123"
    assert symbol.text == "\\xC9010950110153000310ABC123"


@pytest.mark.parametrize("mode", ["thorough", "exact"])
def test_both_modes_read_every_sample(mode):
    for name in ("code39", "code128", "ean13", "ean8", "gs1-128", "itf", "upce"):
        assert len(bcxdec.read(SAMPLES / (name + ".png"), mode=mode)) == 1


@pytest.mark.parametrize("threshold", [None, 100, 200, "otsu", "adaptive"])
def test_thresholds(threshold):
    assert texts(bcxdec.read(CODE128, threshold=threshold)) == [("code128", "Bcxdec-128")]


def test_threshold_level_decides_what_is_a_bar(grey):
    import numpy
    faint = numpy.where(grey < 128, 100, 255).astype(numpy.uint8)
    assert bcxdec.read(faint, threshold=100, mode="exact") == []
    assert texts(bcxdec.read(faint, threshold=101, mode="exact")) == [("code128", "Bcxdec-128")]
    assert texts(bcxdec.read(faint, threshold="otsu", mode="exact")) == [
        ("code128", "Bcxdec-128")]
    # Thorough mode reads the grey levels whatever the threshold.
    assert texts(bcxdec.read(faint, threshold=100)) == [("code128", "Bcxdec-128")]


def test_region_keeps_image_coordinates():
    whole, = bcxdec.read(CODE128)
    inside, = bcxdec.read(CODE128, region=(0, 0, 494, 104))
    assert inside == whole
    assert bcxdec.read(CODE128, region=(0, 0, 20, 104)) == []


def test_limits_and_resolution():
    # The bars are 74 pixels tall: 1.96 cm at 96 pixels per inch, 0.63 cm at
    # 300. Centimetre limits are exact mode's: thorough mode measures bars in
    # the image's own pixels.
    assert len(bcxdec.read(CODE128, mode="exact", limits=(10, 0.5, 8))) == 1
    assert bcxdec.read(CODE128, mode="exact", limits=(10, 0.5, 1)) == []
    assert len(bcxdec.read(CODE128, mode="exact", limits=(10, 0.5, 1), resolution=300)) == 1
    assert len(bcxdec.read(CODE128, limits=(10, 0.5, 1))) == 1


def test_options_do_not_leak_into_the_next_read():
    assert bcxdec.read(CODE128, types=["ean8"], threshold=1, region=(0, 0, 20, 20)) == []
    assert texts(bcxdec.read(CODE128)) == [("code128", "Bcxdec-128")]


def test_reader_defaults_and_overrides():
    with bcxdec.Reader(types=["ean13"]) as reader:
        assert reader.read(CODE128) == []
        assert len(reader.read(CODE128, types=None)) == 1
        assert reader.read(CODE128) == []
        assert texts(reader.read(SAMPLES / "ean13.png")) == [("ean13", "590123412345")]


def test_reader_reports_pages_and_size():
    with bcxdec.Reader() as reader:
        assert reader.image_size is None and reader.page_count == 0
        assert texts(reader.read(SAMPLES / "three-pages.tif", page=2)) == [("itf", "1234567890")]
        assert reader.page_count == 3
        assert reader.image_size == (294, 105)
    assert reader.closed
