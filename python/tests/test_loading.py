"""Where the package finds libbcxread, and what it says when it cannot."""
import os
import subprocess
import sys
from pathlib import Path

import pytest

import bcxdec

PACKAGE = Path(bcxdec.__file__).parent


def import_with(env_library):
    env = {k: v for k, v in os.environ.items() if k != "BCXDEC_LIBRARY"}
    if env_library is not None:
        env["BCXDEC_LIBRARY"] = env_library
    env["PYTHONPATH"] = str(PACKAGE.parent)
    return subprocess.run([sys.executable, "-c", "import bcxdec; print(bcxdec.LIBRARY)"],
                          env=env, capture_output=True, text=True)


needs_no_bundled_copy = pytest.mark.skipif(
    any(PACKAGE.glob("libbcxread.so*")), reason="a bundled copy takes precedence")


@needs_no_bundled_copy
def test_environment_variable_names_the_library():
    done = import_with(bcxdec.LIBRARY)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == bcxdec.LIBRARY


@needs_no_bundled_copy
def test_missing_library_is_a_clear_import_error():
    done = import_with(None)
    assert done.returncode != 0
    assert "ImportError" in done.stderr and "BCXDEC_LIBRARY" in done.stderr
    done = import_with("/no/such/libbcxread.so")
    assert "names no file" in done.stderr


def test_bundled_copy_comes_first_when_present():
    bundled = sorted(PACKAGE.glob("libbcxread.so*"))
    if bundled:
        assert Path(bcxdec.LIBRARY).parent == PACKAGE
    else:
        assert Path(bcxdec.LIBRARY).resolve() == Path(os.environ["BCXDEC_LIBRARY"]).resolve()
