"""read_many: results in input order, the same with one thread or many."""
import threading

import numpy
import pytest
from PIL import Image

import bcxdec
from conftest import SAMPLES, expected_samples


def batch():
    images = [SAMPLES / name for name, page, _, _ in expected_samples() if page == 0]
    images.append(SAMPLES / "no-barcode.png")
    return images * 3


def test_one_and_several_threads_agree():
    images = batch()
    alone = [bcxdec.read(image) for image in images]
    assert bcxdec.read_many(images, threads=1) == alone
    assert bcxdec.read_many(images, threads=4) == alone
    assert bcxdec.read_many(iter(images)) == alone
    assert [r[0].text if r else None for r in alone[:len(images) // 3]] == [
        text for _, page, _, text in expected_samples() if page == 0] + [None]


def test_mixed_inputs_and_options(grey):
    path = SAMPLES / "code128.png"
    images = [path, path.read_bytes(), grey, Image.fromarray(grey), grey[::-1, ::-1],
              str(SAMPLES / "ean8.png")]
    for threads in (1, 3):
        results = bcxdec.read_many(images, threads=threads, types=["code128"], mode="exact")
        assert [[s.text for s in r] for r in results] == [["Bcxdec-128"]] * 5 + [[]]


def test_page_applies_to_every_image():
    tif = SAMPLES / "three-pages.tif"
    results = bcxdec.read_many([tif, tif.read_bytes()], page=2, threads=2)
    assert [[s.type for s in r] for r in results] == [["itf"], ["itf"]]


def test_empty_batch():
    assert bcxdec.read_many([]) == []


def test_first_failure_in_input_order_is_raised():
    images = [SAMPLES / "code128.png", b"garbage", SAMPLES / "missing.png"] * 2
    for threads in (1, 2):
        with pytest.raises(bcxdec.Error):
            bcxdec.read_many(images, threads=threads)


def test_failures_returned_in_place():
    images = [SAMPLES / "code128.png", b"garbage", SAMPLES / "missing.png"]
    for threads in (1, 3):
        ok, garbage, missing = bcxdec.read_many(images, threads=threads, return_exceptions=True)
        assert ok[0].text == "Bcxdec-128"
        assert isinstance(garbage, bcxdec.Error)
        assert isinstance(missing, FileNotFoundError)


def test_options_checked_before_any_work():
    with pytest.raises(ValueError):
        bcxdec.read_many([SAMPLES / "code128.png"], types=["nope"])
    with pytest.raises(ValueError):
        bcxdec.read_many([SAMPLES / "code128.png"], threads=0)
    with pytest.raises(TypeError):
        bcxdec.read_many([SAMPLES / "code128.png"], threads=2.5)


def test_one_reader_shared_by_threads_takes_turns(grey):
    expected = bcxdec.read(grey)
    failures = []
    with bcxdec.Reader() as reader:
        def work():
            for _ in range(20):
                if reader.read(grey) != expected:
                    failures.append("differs")

        threads = [threading.Thread(target=work) for _ in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    assert not failures


def test_large_batch_of_arrays_in_parallel(grey):
    # Different shifts, so that every array's corners differ.
    arrays = []
    for shift in range(24):
        canvas = numpy.full((grey.shape[0] + 24, grey.shape[1] + 24), 255, numpy.uint8)
        canvas[shift:shift + grey.shape[0], shift:shift + grey.shape[1]] = grey
        arrays.append(canvas)
    assert bcxdec.read_many(arrays, threads=4) == bcxdec.read_many(arrays, threads=1)
