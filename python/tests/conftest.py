import shutil
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
SAMPLES = REPO / "samples"

# EXPECTED.tsv names symbologies as people write them.
_TYPE_BY_TITLE = {
    "Code 39": "code39", "Code 128": "code128", "GS1-128": "gs1-128", "EAN-13": "ean13",
    "EAN-8": "ean8", "UPC-A": "upca", "UPC-E": "upce", "Interleaved 2 of 5": "itf",
}


def expected_samples():
    """(file name, page, type, text) for every line of samples/EXPECTED.tsv."""
    rows = []
    with open(SAMPLES / "EXPECTED.tsv", encoding="utf-8") as f:
        next(f)
        for line in f:
            name, page, title, text = line.rstrip("\n").split("\t")
            rows.append((name, int(page), _TYPE_BY_TITLE[title], text))
    return rows


@pytest.fixture(scope="session")
def zint(tmp_path_factory):
    """Draws a symbol with the zint tool: zint(barcode, data, *options) -> Path."""
    tool = shutil.which("zint")
    if tool is None:
        pytest.fail("the zint tool is missing: run scripts/install-deps")
    folder = tmp_path_factory.mktemp("zint")
    made = {}

    def draw(barcode, data, *options):
        key = (barcode, data) + options
        if key not in made:
            out = folder / ("%d.png" % len(made))
            subprocess.run([tool, "-b", str(barcode), "-d", data, "-o", str(out), "--scale", "2",
                            *options], check=True, capture_output=True)
            assert out.is_file()
            made[key] = out
        return made[key]

    return draw


@pytest.fixture(scope="session")
def code128_png():
    return SAMPLES / "code128.png"


@pytest.fixture(scope="session")
def grey(code128_png):
    """samples/code128.png as a contiguous 2-D uint8 array."""
    import numpy
    from PIL import Image
    with Image.open(code128_png) as image:
        return numpy.asarray(image.convert("L")).copy()


def pytest_report_header(config):
    import bcxdec
    return "bcxdec library: %s" % bcxdec.LIBRARY
