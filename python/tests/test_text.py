"""Texts: raw bytes as decoded, and the escaped form bcxscan prints."""
import pytest

import bcxdec


@pytest.mark.parametrize("raw, text", [
    (b"", ""),
    (b"Hello World ~", "Hello World ~"),
    (b"back\\slash", "back\\\\slash"),
    (b"\xc9" b"01" b"\xcc" b"x", "\\xC901\\xCCx"),
    (b"\x00\x1f\x7f\x80\xff", "\\x00\\x1F\\x7F\\x80\\xFF"),
])
def test_escape(raw, text):
    assert bcxdec.escape(raw) == text


def test_escape_covers_every_byte_once():
    every = bytes(range(256))
    text = bcxdec.escape(every)
    assert text.isascii()
    assert text.count("\\x") == 256 - 95


def test_gs1_128_with_a_separator(zint):
    image = zint(16, "[01]12345678901231[10]AB12[21]XY", "--gs1")
    symbol, = bcxdec.read(image)
    assert symbol.type == "gs1-128"
    # the opening FNC1 is dropped, the separating one stays as byte 201
    assert symbol.raw == b"011234567890123110AB12\xc921XY"
    assert symbol.text == "011234567890123110AB12\\xC921XY"


def test_fnc1_in_code128(zint):
    # Opening with letters, zint starts in set B: Code 128 with FNC1 bytes.
    symbol, = bcxdec.read(zint(16, "[10]ABC123[21]XYZ", "--gs1"))
    assert symbol.type == "code128"
    assert symbol.raw == b"\xc910ABC123\xc921XYZ"
    assert symbol.text == "\\xC910ABC123\\xC921XYZ"


def test_fnc4_in_code128(zint):
    # zint writes byte 0xE9 as FNC4 then 'i' (0xE9 - 128).
    symbol, = bcxdec.read(zint(20, "A\\xE9B", "--binary", "--esc"))
    assert symbol.type == "code128"
    assert symbol.raw == b"A\xcciB"
    assert symbol.text == "A\\xCCiB"


def test_backslash_and_control_characters(zint):
    symbol, = bcxdec.read(zint(20, "a\\\\b\\tc", "--esc"))
    assert symbol.raw == b"a\\b\tc"
    assert symbol.text == "a\\\\b\\x09c"
