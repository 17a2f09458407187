"""The examples of python/README.md run and print what it says."""
import doctest
import os
import re

import pytest

from conftest import REPO

README = REPO / "python" / "README.md"


@pytest.fixture
def in_repo():
    before = os.getcwd()
    os.chdir(REPO)
    yield
    os.chdir(before)


def test_interactive_examples(in_repo):
    failures, tried = doctest.testfile(str(README), module_relative=False,
                                       optionflags=doctest.ELLIPSIS)
    assert tried >= 4 and failures == 0


def test_code_blocks(in_repo, capsys):
    blocks = re.findall(r"^```python\n(.*?)^```$", README.read_text(), re.M | re.S)
    assert len(blocks) >= 3
    for block in blocks:
        exec(compile(block, str(README), "exec"), {})
    printed = capsys.readouterr().out
    # the comments of the examples tell what they print
    for shown in re.findall(r"print\(.*?\)\s+# (.*)$", "".join(blocks), re.M):
        assert shown in printed
