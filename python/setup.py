"""Build glue: the wheel carries libbcxread and librastra, built by the
project's own CMake from the checkout this folder sits in.

BCXDEC_SOURCE_DIR may name that checkout when this folder was copied out of
it. Everything else lives in pyproject.toml.
"""
import glob
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from setuptools import setup
from setuptools.command.build_py import build_py

try:
    from setuptools.command.bdist_wheel import bdist_wheel
except ImportError:
    from wheel.bdist_wheel import bdist_wheel

HERE = os.path.dirname(os.path.abspath(__file__))
TARGET = "bcxread"
LIBRARIES = ("bcxread", "rastra")


def source_root():
    root = os.environ.get("BCXDEC_SOURCE_DIR") or os.path.dirname(HERE)
    if not os.path.isfile(os.path.join(root, "CMakeLists.txt")):
        sys.exit("bcxdec: no CMakeLists.txt in %s; build from a checkout of the project "
                 "or set BCXDEC_SOURCE_DIR to one" % root)
    return root


def run(command, log):
    log.write("$ %s\n" % " ".join(command))
    log.flush()
    return subprocess.run(command, stdout=log, stderr=subprocess.STDOUT).returncode


def elf_soname(path):
    """DT_SONAME of a shared object, or None when it has none or is no ELF."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x7fELF":
        return None
    wide = data[4] == 2
    order = "<" if data[5] == 1 else ">"
    if wide:
        (phoff,) = struct.unpack_from(order + "Q", data, 0x20)
        phentsize, phnum = struct.unpack_from(order + "HH", data, 0x36)
        header, entry = order + "IIQQQQQQ", order + "qQ"
    else:
        (phoff,) = struct.unpack_from(order + "I", data, 0x1C)
        phentsize, phnum = struct.unpack_from(order + "HH", data, 0x2A)
        header, entry = order + "IIIIIIII", order + "iI"
    segments = []
    for i in range(phnum):
        fields = struct.unpack_from(header, data, phoff + i * phentsize)
        if wide:
            kind, offset, vaddr, size = fields[0], fields[2], fields[3], fields[5]
        else:
            kind, offset, vaddr, size = fields[0], fields[1], fields[2], fields[4]
        segments.append((kind, offset, vaddr, size))
    dynamic = [s for s in segments if s[0] == 2]
    if not dynamic:
        return None
    strtab = soname = None
    _, offset, _, size = dynamic[0]
    step = struct.calcsize(entry)
    for at in range(offset, offset + size, step):
        tag, value = struct.unpack_from(entry, data, at)
        if tag == 0:
            break
        if tag == 5:
            strtab = value
        elif tag == 14:
            soname = value
    if strtab is None or soname is None:
        return None
    for kind, offset, vaddr, size in segments:
        if kind == 1 and vaddr <= strtab < vaddr + size:
            start = offset + strtab - vaddr + soname
            return data[start:data.index(b"\0", start)].decode()
    return None


def copy_library(build_dir, name, destination):
    """Copies lib<name>.so under its soname, the one name the dynamic
    linker looks for; wheels cannot hold the symlinks of a build tree."""
    found = sorted(glob.glob(os.path.join(build_dir, "**", "lib%s.so*" % name),
                             recursive=True), key=len)
    if not found:
        sys.exit("bcxdec: the build made no lib%s.so" % name)
    real = os.path.realpath(found[0])
    soname = elf_soname(real)
    names = [soname] if soname else sorted({os.path.basename(f) for f in found})
    for target in names:
        shutil.copyfile(real, os.path.join(destination, target))
        os.chmod(os.path.join(destination, target), 0o755)
    return names


class build_native_py(build_py):
    """build_py, then the native libraries into the built package."""

    def run(self):
        super().run()
        destination = os.path.join(self.build_lib, "bcxdec")
        for stale in glob.glob(os.path.join(destination, "lib*.so*")):
            os.remove(stale)
        root = source_root()
        cmake = shutil.which("cmake")
        if not cmake:
            sys.exit("bcxdec: cmake is needed to build libbcxread (apt-get install cmake)")
        work = tempfile.mkdtemp(prefix="bcxdec-build-")
        log_path = os.path.join(work, "build.log")
        try:
            with open(log_path, "w") as log:
                status = run([cmake, "-S", root, "-B", os.path.join(work, "tree"),
                              "-DBCX_BUILD_TESTS=OFF", "-DCMAKE_BUILD_TYPE=Release",
                              # The copies must find each other by $ORIGIN, not
                              # by paths into this temporary tree.
                              "-DCMAKE_BUILD_WITH_INSTALL_RPATH=ON"], log)
                if status == 0:
                    status = run([cmake, "--build", os.path.join(work, "tree"), "--target",
                                  TARGET, "-j", str(os.cpu_count() or 1)], log)
            if status != 0:
                with open(log_path) as log:
                    sys.stderr.write(log.read()[-20000:])
                sys.exit("bcxdec: building the CMake target %s failed" % TARGET)
            for name in LIBRARIES:
                for copied in copy_library(os.path.join(work, "tree"), name, destination):
                    self.announce("bcxdec: bundled %s" % copied, level=2)
        finally:
            shutil.rmtree(work, ignore_errors=True)


class bdist_platform_wheel(bdist_wheel):
    """A wheel for this platform but any Python 3: the native code is
    loaded through ctypes, not as an extension module."""

    def finalize_options(self):
        super().finalize_options()
        self.root_is_pure = False

    def get_tag(self):
        _, _, platform = super().get_tag()
        return "py3", "none", platform


setup(cmdclass={"build_py": build_native_py, "bdist_wheel": bdist_platform_wheel})
