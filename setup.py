"""pip install . : the package brackwater_dat with its extension built by the
project's CMake, the module alone (no tools, tests or benchmarks), for the
interpreter that runs pip. Offline: pip install --no-build-isolation ."""

import importlib.util
import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent

# Before 70.1, setuptools makes wheels with the wheel package; without it,
# and without build isolation to fetch it, pip would only say "invalid
# command 'bdist_wheel'".
if not (importlib.util.find_spec("wheel")
        or importlib.util.find_spec("setuptools.command.bdist_wheel")):
    sys.exit(f"Building brackwater_dat needs the wheel package, which {sys.executable} lacks. "
             "On Debian: apt-get install python3-wheel, and make the venv with "
             "/usr/bin/python3 -m venv --system-site-packages; elsewhere: pip install wheel.")


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DBRACKWATER_BUILD_TOOLS=OFF",
            "-DBRACKWATER_BUILD_TESTS=OFF",
            "-DBRACKWATER_BUILD_BENCH=OFF",
            "-DBRACKWATER_INSTALL=OFF",
            f"-DPython3_EXECUTABLE={sys.executable}",
        ]
        if "CMAKE_GENERATOR" not in os.environ and shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "brackwater_dat_python"],
                       check=True)
        # The extension and the note of the interpreter it is for, where
        # setuptools packs the package.
        built = build / "python" / "brackwater_dat"
        extension = pathlib.Path(self.get_ext_fullpath(ext.name))
        extension.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built / extension.name, extension)
        shutil.copyfile(built / "_built_for.py", extension.parent / "_built_for.py")


setup(ext_modules=[Extension("brackwater_dat._native", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
